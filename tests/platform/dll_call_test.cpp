#include "platform/dll_call.h"

#include <gtest/gtest.h>

namespace zelk::os {
namespace {

TEST(DllCallPlatform, WhatThisHostOffers) {
#ifdef _WIN32
  EXPECT_TRUE(DllCallsAvailable());
#else
  // No Windows libraries: the runtime reports the call instead.
  EXPECT_FALSE(DllCallsAvailable());
  LibraryCache cache;
  EXPECT_EQ(nullptr, cache.Load(u"kernel32.dll"));
#endif
  EXPECT_EQ(static_cast<int>(sizeof(void*)), NativeDllAbi().pointerBytes);
  EXPECT_EQ(0u, LibraryTextLength(nullptr, true));
  static const char16_t kWide[] = u"four";
  EXPECT_EQ(4u, LibraryTextLength(kWide, true));
  EXPECT_EQ(3u, LibraryTextLength("abc", false));
}

}  // namespace
}  // namespace zelk::os
