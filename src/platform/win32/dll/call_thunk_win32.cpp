// The call of a library function with an argument area of any size.
//
// 32-bit: the area is copied onto the stack as it is and the function is
// called; the stack pointer is restored from the frame afterwards, so stdcall
// (callee pops) and cdecl (caller pops) both leave it right. A handler frame
// of our own on the thread's exception chain catches a fault in the function.
//
// 64-bit: the area holds 8-byte slots. They go onto the stack above the
// 32-byte home space (which receives the first four), and the first four are
// also loaded into RCX/RDX/R8/R9 and XMM0-3: a function reads the register
// its parameter's type names, and variadic functions (wsprintfW) find
// doubles in both. The thunk's unwind data names the fault handler.
//
// On a fault the handler stores the exception code and resumes at the
// thunk's epilogue, which restores every register the caller relies on from
// the thunk's own frame.
#include <windows.h>

#include <cstddef>

#include "platform/dll_call.h"

static_assert(offsetof(zelk::os::NativeCallResult, integer) == 0);
static_assert(offsetof(zelk::os::NativeCallResult, x87) == 8);
static_assert(offsetof(zelk::os::NativeCallResult, xmm0) == 24);

extern "C" {
void zelk_dll_thunk(void* function, const void* area, std::size_t bytes,
                    zelk::os::NativeCallResult* result, int floatReturn);
extern char zelk_dll_thunk_resume[];
EXCEPTION_DISPOSITION zelk_dll_fault_handler(EXCEPTION_RECORD* record, void* frame,
                                             CONTEXT* context, void* dispatch);
}

#if defined(__x86_64__)

asm(R"(
  .text
  .globl zelk_dll_thunk
  .def zelk_dll_thunk; .scl 2; .type 32; .endef
  .seh_proc zelk_dll_thunk
zelk_dll_thunk:
  pushq %rbp
  .seh_pushreg %rbp
  pushq %rbx
  .seh_pushreg %rbx
  pushq %rsi
  .seh_pushreg %rsi
  pushq %rdi
  .seh_pushreg %rdi
  pushq %r12
  .seh_pushreg %r12
  pushq %r13
  .seh_pushreg %r13
  pushq %r14
  .seh_pushreg %r14
  pushq %r15
  .seh_pushreg %r15
  movq %rsp, %rbp
  .seh_setframe %rbp, 0
  .seh_handler zelk_dll_fault_handler, @except
  .seh_endprologue
  subq $184, %rsp
  movq %r9, -8(%rbp)
  movups %xmm6, -184(%rbp)
  movups %xmm7, -168(%rbp)
  movups %xmm8, -152(%rbp)
  movups %xmm9, -136(%rbp)
  movups %xmm10, -120(%rbp)
  movups %xmm11, -104(%rbp)
  movups %xmm12, -88(%rbp)
  movups %xmm13, -72(%rbp)
  movups %xmm14, -56(%rbp)
  movups %xmm15, -40(%rbp)
  movq %rcx, %r13
  movq %r8, %rax
  cmpq $32, %rax
  jae 1f
  movq $32, %rax
1:
  addq $15, %rax
  andq $-16, %rax
  subq %rax, %rsp
  movq %rsp, %rdi
  movq %rdx, %rsi
  movq %r8, %rcx
  shrq $3, %rcx
  cld
  rep movsq
  movq 0(%rsp), %rcx
  movq 8(%rsp), %rdx
  movq 16(%rsp), %r8
  movq 24(%rsp), %r9
  movq %rcx, %xmm0
  movq %rdx, %xmm1
  movq %r8, %xmm2
  movq %r9, %xmm3
  call *%r13
  movq -8(%rbp), %rcx
  movq %rax, 0(%rcx)
  movq %xmm0, 24(%rcx)
  .globl zelk_dll_thunk_resume
zelk_dll_thunk_resume:
  movups -184(%rbp), %xmm6
  movups -168(%rbp), %xmm7
  movups -152(%rbp), %xmm8
  movups -136(%rbp), %xmm9
  movups -120(%rbp), %xmm10
  movups -104(%rbp), %xmm11
  movups -88(%rbp), %xmm12
  movups -72(%rbp), %xmm13
  movups -56(%rbp), %xmm14
  movups -40(%rbp), %xmm15
  movq %rbp, %rsp
  popq %r15
  popq %r14
  popq %r13
  popq %r12
  popq %rdi
  popq %rsi
  popq %rbx
  popq %rbp
  ret
  .seh_endproc
)");

#elif defined(__i386__)

// Frame: ebp+8 function, +12 area, +16 bytes, +20 result, +24 floatReturn;
// ebp-12 the saved registers, ebp-20 the handler record (next, handler).
asm(R"(
  .text
  .globl _zelk_dll_thunk
  .def _zelk_dll_thunk; .scl 2; .type 32; .endef
_zelk_dll_thunk:
  pushl %ebp
  movl %esp, %ebp
  pushl %ebx
  pushl %esi
  pushl %edi
  pushl $_zelk_dll_fault_handler
  pushl %fs:0
  movl %esp, %fs:0
  movl 16(%ebp), %ecx
  subl %ecx, %esp
  andl $-16, %esp
  movl %esp, %edi
  movl 12(%ebp), %esi
  shrl $2, %ecx
  cld
  rep movsl
  call *8(%ebp)
  movl 20(%ebp), %ecx
  movl %eax, 0(%ecx)
  movl %edx, 4(%ecx)
  cmpl $0, 24(%ebp)
  je 1f
  fstpt 8(%ecx)
1:
  .globl _zelk_dll_thunk_resume
_zelk_dll_thunk_resume:
  leal -20(%ebp), %esp
  popl %fs:0
  addl $4, %esp
  popl %edi
  popl %esi
  popl %ebx
  popl %ebp
  ret
)");

#else
#error "DLL calls need an x86 or x86-64 build"
#endif

namespace {

// Faults of the called code's own making; anything else (breakpoints, C++
// exceptions, stack overflow) goes on to the handlers above.
bool IsFault(DWORD code) {
  switch (code) {
    case EXCEPTION_ACCESS_VIOLATION:
    case EXCEPTION_ILLEGAL_INSTRUCTION:
    case EXCEPTION_PRIV_INSTRUCTION:
    case EXCEPTION_INT_DIVIDE_BY_ZERO:
    case EXCEPTION_ARRAY_BOUNDS_EXCEEDED:
    case EXCEPTION_DATATYPE_MISALIGNMENT:
    case EXCEPTION_IN_PAGE_ERROR:
      return true;
    default:
      return false;
  }
}

constexpr DWORD kUnwinding = 0x2 | 0x4;  // EH_UNWINDING | EH_EXIT_UNWIND
constexpr DWORD kDirectionFlag = 0x400;

}  // namespace

extern "C" EXCEPTION_DISPOSITION zelk_dll_fault_handler(EXCEPTION_RECORD* record, void* frame,
                                                        CONTEXT* context, void*) {
  if ((record->ExceptionFlags & kUnwinding) != 0 || !IsFault(record->ExceptionCode)) {
    return ExceptionContinueSearch;
  }
  auto base = reinterpret_cast<std::uintptr_t>(frame);
#if defined(__x86_64__)
  // frame is the thunk's rbp.
  auto* result = *reinterpret_cast<zelk::os::NativeCallResult**>(base - 8);
  context->Rbp = base;
  context->Rsp = base - 184;
  context->Rip = reinterpret_cast<DWORD64>(zelk_dll_thunk_resume);
#else
  // frame is the handler record at ebp-20.
  auto* result = *reinterpret_cast<zelk::os::NativeCallResult**>(base + 40);
  context->Ebp = static_cast<DWORD>(base + 20);
  context->Esp = static_cast<DWORD>(base);
  context->Eip = reinterpret_cast<DWORD>(zelk_dll_thunk_resume);
#endif
  context->EFlags &= ~kDirectionFlag;
  result->fault = record->ExceptionCode;
  return ExceptionContinueExecution;
}

namespace zelk::os {

void CallLibraryFunction(void* function, const void* area, std::size_t bytes, bool floatReturn,
                         NativeCallResult* result) {
  *result = NativeCallResult{};
  zelk_dll_thunk(function, area, bytes, result, floatReturn ? 1 : 0);
}

}  // namespace zelk::os
