// Native safe arrays for library calls that take one (DEF_DLL SAFEARRAY).
// POSIX hosts have no automation layer: ComNewSafeArray gives null there.
#pragma once

#include <cstddef>

#include "platform/com_automation.h"

namespace zelk::os {

// A native safe array with array's bounds and elements; null without
// automation or when it cannot be built. *descriptorBytes: the size of its
// descriptor, the bounds of every dimension included. ComDestroySafeArray
// frees it with its elements.
void* ComNewSafeArray(const ComArray& array, std::size_t* descriptorBytes);
void ComDestroySafeArray(void* safeArray);

}  // namespace zelk::os
