// A library of our own for the DEF_DLL tests: each function checks or
// answers one kind of argument, so that a wrong layout shows as a wrong
// number. Exported undecorated (--kill-at); stdcall in the 32-bit build
// except where a function says cdecl.
#include <windows.h>

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <cwctype>

#define ZT_EXPORT extern "C" __declspec(dllexport)

// EXTENDED: the x87 form in the 32-bit build, a double in the 64-bit one.
#ifdef _WIN64
using Extended = double;
#else
using Extended = long double;
#endif

ZT_EXPORT int WINAPI ZtAddInts(int a, int b) {
  return a + b;
}

// Every scalar kind in one call, more than four of them, floating ones past
// the register positions: the weighted sum shows any slot out of place.
ZT_EXPORT double WINAPI ZtMix(BYTE b, WORD w, int i, DWORD d, LONGLONG ll, float f, double x,
                              BYTE last) {
  return b + 10.0 * w + 100.0 * i + 1000.0 * d + 10000.0 * static_cast<double>(ll) + f / 2 + x * 4 +
         last * 1e9;
}

ZT_EXPORT float WINAPI ZtHalf(float f) {
  return f / 2;
}
ZT_EXPORT Extended WINAPI ZtThird(Extended e) {
  return e / 3;
}
ZT_EXPORT DWORD WINAPI ZtAllBits() {
  return 0xFFFFFFFFu;
}
ZT_EXPORT int WINAPI ZtMinusOne() {
  return -1;
}
ZT_EXPORT LONGLONG WINAPI ZtTwice64(LONGLONG v) {
  return v * 2;
}
ZT_EXPORT WORD WINAPI ZtWord(WORD w) {
  return static_cast<WORD>(w + 1);
}
ZT_EXPORT BYTE WINAPI ZtByte(BYTE b) {
  return static_cast<BYTE>(b + 1);
}
ZT_EXPORT char WINAPI ZtNextChar(char c) {
  return static_cast<char>(c + 1);
}
ZT_EXPORT wchar_t WINAPI ZtNextWChar(wchar_t c) {
  return static_cast<wchar_t>(c + 1);
}
ZT_EXPORT HWND WINAPI ZtEchoHandle(HWND h) {
  return h;
}
ZT_EXPORT void WINAPI ZtNothing(int) {}

// Strings: lengths, a null pointer, a text handed back.
ZT_EXPORT int WINAPI ZtLengthA(const char* s) {
  return s ? static_cast<int>(strlen(s)) : -1;
}
ZT_EXPORT int WINAPI ZtLengthW(const wchar_t* s) {
  return s ? static_cast<int>(wcslen(s)) : -1;
}
ZT_EXPORT const wchar_t* WINAPI ZtGreetW(const wchar_t* name) {
  static wchar_t text[256];
  swprintf(text, 256, L"Hello, %ls!", name ? name : L"(null)");
  return text;
}
ZT_EXPORT const char* WINAPI ZtGreetA(const char* name) {
  static char text[256];
  snprintf(text, sizeof text, "Hi %s", name ? name : "(null)");
  return text;
}
ZT_EXPORT const wchar_t* WINAPI ZtNullText() {
  return nullptr;
}

// By reference: the function changes what it was given.
ZT_EXPORT void WINAPI ZtDoubleInt(int* p) {
  if (p) *p *= 2;
}
ZT_EXPORT int WINAPI ZtSetDouble(double* p, WORD* w) {
  if (!p) return 0;
  *p = *p + 0.25;
  if (w) *w = 65535;
  return 1;
}
ZT_EXPORT void WINAPI ZtUpperW(wchar_t* s) {
  for (; s && *s; ++s) *s = towupper(*s);
}
ZT_EXPORT void WINAPI ZtShortenA(char* s) {
  if (s && s[0]) s[1] = 0;
}

// Arrays.
ZT_EXPORT int WINAPI ZtSumInts(const int* a, int n) {
  int sum = 0;
  for (int i = 0; i < n; ++i) sum += a[i];
  return sum;
}
ZT_EXPORT void WINAPI ZtSquares(int* a, int n) {
  for (int i = 0; i < n; ++i) a[i] = i * i;
}
ZT_EXPORT void WINAPI ZtScaleDoubles(double* a, int n, double k) {
  for (int i = 0; i < n; ++i) a[i] *= k;
}
ZT_EXPORT void WINAPI ZtBytesUp(BYTE* a, int n) {
  for (int i = 0; i < n; ++i) ++a[i];
}

// Structures: natural alignment, packed, nested, characters inside.
struct ByteInt {
  BYTE b;
  int i;
};
#pragma pack(push, 1)
struct PackedByteInt {
  BYTE b;
  int i;
};
#pragma pack(pop)
struct Mixed {
  BYTE b;
  double d;
  WORD w;
  LONGLONG ll;
  int i;
};
struct Inner {
  int x, y;
};
struct Outer {
  int a;
  Inner* inner;
  BYTE last;
};
struct Named {
  int n;
  wchar_t text[1];
};
struct NamedA {
  WORD n;
  char text[1];
};

ZT_EXPORT int WINAPI ZtByteInt(const ByteInt* s) {
  return s->i * 1000 + s->b;
}
ZT_EXPORT int WINAPI ZtPackedByteInt(const PackedByteInt* s) {
  return s->i * 1000 + s->b;
}
ZT_EXPORT double WINAPI ZtMixed(const Mixed* s) {
  return s->b + s->d * 10 + s->w * 100.0 + static_cast<double>(s->ll) * 1000 + s->i * 1e6;
}
ZT_EXPORT int WINAPI ZtNested(int before, const Outer* o, int after) {
  return before + o->a * 10 + o->inner->x * 100 + o->inner->y * 1000 + o->last * 10000 +
         after * 100000;
}
ZT_EXPORT int WINAPI ZtNamed(const Named* s) {
  return s->n * 100 + static_cast<int>(wcslen(s->text));
}
ZT_EXPORT int WINAPI ZtNamedA(const NamedA* s) {
  return s->n * 100 + static_cast<int>(strlen(s->text));
}
// Writes into a structure whose fields the script takes back.
ZT_EXPORT void WINAPI ZtFillMixed(Mixed* s) {
  s->b = 200;
  s->d = -2.5;
  s->w = 4242;
  s->ll = 1234567890123LL;
  s->i = -7;
}
ZT_EXPORT void WINAPI ZtFillNamed(Named* s) {
  s->n = 99;
  s->text[0] = L'Z';
}

// VARIANT: a pointer to the variant; a VARIANT result goes through a
// pointer passed first.
ZT_EXPORT int WINAPI ZtVariantType(const VARIANT* v) {
  return v ? v->vt : -1;
}
ZT_EXPORT void WINAPI ZtVariantTwice(VARIANT* result, const VARIANT* v) {
  VariantInit(result);
  switch (v->vt) {
    case VT_I4:
      result->vt = VT_I4;
      result->lVal = v->lVal * 2;
      break;
    case VT_R8:
      result->vt = VT_R8;
      result->dblVal = v->dblVal * 2;
      break;
    case VT_BSTR:
      result->vt = VT_I4;
      result->lVal = static_cast<LONG>(SysStringLen(v->bstrVal));
      break;
    case VT_BOOL:
      result->vt = VT_BOOL;
      result->boolVal = v->boolVal ? VARIANT_FALSE : VARIANT_TRUE;
      break;
    default:
      result->vt = VT_NULL;
  }
}
ZT_EXPORT void WINAPI ZtVariantSet(VARIANT* v) {
  v->vt = VT_R8;
  v->dblVal = 6.5;
}

// SAFEARRAY: a pointer to a copy of the descriptor. The data is walked by
// hand: the copy carries no element kind in front of it, so the size and the
// feature flags tell variants (summed as numbers) from 4-byte integers and
// 8-byte doubles. Dimensions * 1000000 + sum; -1 for a null pointer.
ZT_EXPORT double WINAPI ZtSafeArraySum(const SAFEARRAY* psa) {
  if (!psa) return -1;
  ULONG total = 1;
  for (USHORT d = 0; d < psa->cDims; ++d) total *= psa->rgsabound[d].cElements;
  double sum = 0;
  const auto* data = static_cast<const BYTE*>(psa->pvData);
  for (ULONG i = 0; i < total; ++i) {
    const BYTE* at = data + i * psa->cbElements;
    if (psa->fFeatures & FADF_VARIANT) {
      VARIANT number;
      VariantInit(&number);
      if (SUCCEEDED(VariantChangeType(&number, reinterpret_cast<VARIANT*>(const_cast<BYTE*>(at)), 0,
                                      VT_R8))) {
        sum += number.dblVal;
      }
    } else if (psa->cbElements == 4) {
      sum += *reinterpret_cast<const LONG*>(at);
    } else if (psa->cbElements == 8) {
      sum += *reinterpret_cast<const double*>(at);
    }
  }
  return psa->cDims * 1000000.0 + sum;
}

// cdecl, variadic: the caller clears the stack.
ZT_EXPORT int __cdecl ZtSumCdecl(int n, ...) {
  va_list list;
  va_start(list, n);
  int sum = 0;
  for (int i = 0; i < n; ++i) sum += va_arg(list, int);
  va_end(list);
  return sum;
}

// A deliberate fault: writes to the address it is given.
ZT_EXPORT int WINAPI ZtFault(INT_PTR address) {
  *reinterpret_cast<volatile int*>(address) = 1;
  return 0;
}

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) {
  return TRUE;
}
