// The call thunk against our own test library (zelk_test_dll.dll, built next
// to the tests): arguments in every position, floating returns, cdecl, and
// faults that come back as their code.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <thread>
#include <vector>

#include "platform/dll_call.h"

namespace zelk::os {
namespace {

class DllThunk : public testing::Test {
 protected:
  void SetUp() override {
    library_ = cache_.Load(u"zelk_test_dll.dll");
    ASSERT_NE(nullptr, library_) << "zelk_test_dll.dll beside the test program";
  }
  void* Function(const char* name) {
    void* f = FindLibraryFunction(library_, name);
    EXPECT_NE(nullptr, f) << name;
    return f;
  }

  // An area of this machine's slots: 4 bytes each in the 32-bit build (two
  // for 8-byte values), 8 in the 64-bit one.
  struct Area {
    std::vector<std::uint8_t> bytes;
    void Put(const void* p, std::size_t n) {
      std::size_t slot = sizeof(void*);
      std::size_t at = bytes.size();
      bytes.resize(at + (n + slot - 1) / slot * slot);
      std::memcpy(bytes.data() + at, p, n);
    }
    template <typename T>
    void Put(T value) {
      Put(&value, sizeof value);
    }
  };

  LibraryCache cache_;
  void* library_ = nullptr;
};

double FloatingResult(const NativeCallResult& r) {
#ifdef _WIN64
  double d;
  std::memcpy(&d, &r.xmm0, 8);
  return d;
#else
  long double x;
  std::memcpy(&x, r.x87, 10);
  return static_cast<double>(x);
#endif
}

TEST_F(DllThunk, ArgumentsInEveryPosition) {
  Area area;
  area.Put<std::uint32_t>(1);  // BYTE
  area.Put<std::uint32_t>(2);  // WORD
  area.Put<std::int32_t>(3);   // INT
  area.Put<std::uint32_t>(4);  // DWORD
  area.Put<std::int64_t>(5);   // LONGLONG
  area.Put<float>(3.0f);       // FLOAT, past the registers in the 64-bit build
  area.Put<double>(0.5);       // DOUBLE
  area.Put<std::uint32_t>(7);  // BYTE
  NativeCallResult r;
  CallLibraryFunction(Function("ZtMix"), area.bytes.data(), area.bytes.size(), true, &r);
  EXPECT_EQ(0u, r.fault);
  EXPECT_EQ(7000054324.5, FloatingResult(r));

  Area none;
  CallLibraryFunction(Function("ZtAllBits"), none.bytes.data(), 0, false, &r);
  EXPECT_EQ(0xFFFFFFFFu, static_cast<std::uint32_t>(r.integer));

  Area big;
  big.Put<std::int64_t>(0x123456789LL);
  CallLibraryFunction(Function("ZtTwice64"), big.bytes.data(), big.bytes.size(), false, &r);
  EXPECT_EQ(0x2468ACF12LL, static_cast<std::int64_t>(r.integer)) << "edx:eax or rax";
}

TEST_F(DllThunk, CdeclCallsLeaveTheStackAsItWas) {
  Area area;
  for (std::int32_t v : {6, 1, 2, 3, 4, 5, 6}) area.Put(v);
  void* sum = Function("ZtSumCdecl");
  std::int64_t total = 0;
  for (int i = 0; i < 10000; ++i) {
    NativeCallResult r;
    CallLibraryFunction(sum, area.bytes.data(), area.bytes.size(), false, &r);
    total += static_cast<std::int32_t>(r.integer);
  }
  EXPECT_EQ(210000, total);
}

TEST_F(DllThunk, AFaultComesBackAsItsCode) {
  Area area;
  area.Put<std::intptr_t>(16);
  void* fault = Function("ZtFault");
  // Values the caller keeps in registers across the call must survive it.
  volatile double kept = 1.5;
  std::int64_t counter = 0;
  for (int i = 0; i < 3; ++i) {
    NativeCallResult r;
    CallLibraryFunction(fault, area.bytes.data(), area.bytes.size(), false, &r);
    EXPECT_EQ(static_cast<std::uint32_t>(EXCEPTION_ACCESS_VIOLATION), r.fault);
    counter += i;
  }
  EXPECT_EQ(3, counter);
  EXPECT_EQ(1.5, kept);
  // The thread's exception handling still works afterwards.
  bool caught = false;
  try {
    throw 7;
  } catch (int) {
    caught = true;
  }
  EXPECT_TRUE(caught);
  Area two;
  two.Put<std::int32_t>(40);
  two.Put<std::int32_t>(2);
  NativeCallResult r;
  CallLibraryFunction(Function("ZtAddInts"), two.bytes.data(), two.bytes.size(), false, &r);
  EXPECT_EQ(0u, r.fault);
  EXPECT_EQ(42, static_cast<std::int32_t>(r.integer));
}

TEST_F(DllThunk, LibrariesLoadOnceAcrossThreads) {
  LibraryCache shared;
  std::vector<void*> seen(8);
  std::vector<std::thread> threads;
  for (std::size_t t = 0; t < seen.size(); ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 200; ++i)
        seen[t] = shared.Load(t % 2 ? u"zelk_test_dll.dll" : u"kernel32.dll");
    });
  }
  for (auto& thread : threads) thread.join();
  for (std::size_t t = 0; t < seen.size(); ++t) {
    EXPECT_EQ(seen[t % 2], seen[t]);
    EXPECT_NE(nullptr, seen[t]);
  }
  EXPECT_EQ(nullptr, shared.Load(u"no_such_library.dll"));
  // A bad pointer reads as no text, not as a crash.
  EXPECT_EQ(0u, LibraryTextLength(reinterpret_cast<const void*>(16), true));
}

}  // namespace
}  // namespace zelk::os
