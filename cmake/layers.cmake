# The layer libraries. Each layer compiles against an include root of its own,
# ${CMAKE_BINARY_DIR}/layers/<layer>/, which holds links to src/<name> for the
# layer itself and the layers below it and to nothing else: an include of a
# higher layer's header is not found, and the build fails.

set(ZELK_LAYERS base platform foundation frontend runtime builtins debugger debugger_window)

# Creates the include root of LAYER and stores its path in OUT.
function(zelk_layer_root layer out)
  set(root ${CMAKE_BINARY_DIR}/layers/${layer})
  file(MAKE_DIRECTORY ${root})
  foreach(name IN LISTS ZELK_LAYERS)
    if(NOT EXISTS ${root}/${name})
      file(CREATE_LINK ${CMAKE_SOURCE_DIR}/src/${name} ${root}/${name} SYMBOLIC)
    endif()
    if(name STREQUAL layer)
      break()
    endif()
  endforeach()
  set(${out} ${root} PARENT_SCOPE)
endfunction()

# zelk_layer(TARGET LAYER BELOW SOURCE_GLOBS...): a static library of the
# sources, seeing its own and the lower layers, linked to the one below.
function(zelk_layer target layer below)
  list(TRANSFORM ARGN PREPEND ${CMAKE_SOURCE_DIR}/)
  file(GLOB sources CONFIGURE_DEPENDS ${ARGN})
  add_library(${target} STATIC ${sources})
  zelk_layer_root(${layer} root)
  target_include_directories(${target} PUBLIC ${root})
  if(below)
    target_link_libraries(${target} PUBLIC ${below})
  endif()
endfunction()

# zelk_third_party(TARGET NAME FOLDER): TARGET may include "NAME/..." from
# FOLDER, a library's header folder of the build machine, alone: the
# Windows cross builds must not see the machine's other headers.
function(zelk_third_party target name folder)
  set(root ${CMAKE_BINARY_DIR}/third_party/${name})
  file(MAKE_DIRECTORY ${root})
  if(NOT EXISTS ${root}/${name})
    file(CREATE_LINK ${folder} ${root}/${name} SYMBOLIC)
  endif()
  target_include_directories(${target} SYSTEM PRIVATE ${root})
endfunction()

# zelk_test_support(TARGET IMPLEMENTED_WITH SOURCE_GLOBS...): the shared test
# helpers. Tests include them as "support/..."; what they are built with
# (the built-ins) stays private, so a runtime test still sees only the runtime.
function(zelk_test_support target implementedWith)
  list(TRANSFORM ARGN PREPEND ${CMAKE_SOURCE_DIR}/)
  file(GLOB sources CONFIGURE_DEPENDS ${ARGN})
  add_library(${target} STATIC ${sources})
  set(root ${CMAKE_BINARY_DIR}/layers/tests)
  file(MAKE_DIRECTORY ${root})
  if(NOT EXISTS ${root}/support)
    file(CREATE_LINK ${CMAKE_SOURCE_DIR}/tests/support ${root}/support SYMBOLIC)
  endif()
  target_include_directories(${target} PUBLIC ${root})
  target_link_libraries(${target} PUBLIC zelk_runtime gtest PRIVATE ${implementedWith})
endfunction()

# zelk_layer_tests(LAYER LIBRARY SOURCE_GLOBS...): the unit tests of a layer,
# as objects for the unit_tests program, seeing that layer and the lower ones.
function(zelk_layer_tests layer library)
  list(TRANSFORM ARGN PREPEND ${CMAKE_SOURCE_DIR}/)
  file(GLOB sources CONFIGURE_DEPENDS ${ARGN})
  add_library(zelk_${layer}_tests OBJECT ${sources})
  target_link_libraries(zelk_${layer}_tests PRIVATE ${library} gtest)
endfunction()
