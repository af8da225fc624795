#include "platform/win32/remote_memory.h"

#include <gtest/gtest.h>

#include <cstring>

namespace zelk::win {
namespace {

HWND OwnMessageWindow() {
  static HWND window = CreateWindowExW(0, L"STATIC", L"remote memory test", 0, 0, 0, 0, 0,
                                       HWND_MESSAGE, nullptr, GetModuleHandleW(nullptr), nullptr);
  return window;
}

TEST(RemoteMemory, WritesAndReadsBackWithinItsSize) {
  RemoteMemory memory(OwnMessageWindow(), 64);
  ASSERT_TRUE(memory.valid());
  EXPECT_EQ(sizeof(void*) == 8, memory.target64()) << "our own process has our width";
  const char text[] = "list view item";
  ASSERT_TRUE(memory.Write(8, text, sizeof text));
  char back[sizeof text] = {};
  ASSERT_TRUE(memory.Read(8, back, sizeof back));
  EXPECT_STREQ(text, back);
  ASSERT_TRUE(memory.Clear(8, 4));
  ASSERT_TRUE(memory.Read(8, back, sizeof back));
  EXPECT_EQ(0, std::memcmp(back, "\0\0\0\0 view item", 15));

  EXPECT_FALSE(memory.Write(60, text, 8)) << "past the end";
  EXPECT_FALSE(memory.Read(65, back, 0)) << "offset past the end";
  EXPECT_FALSE(memory.Write(8, text, static_cast<std::size_t>(-1))) << "size that wraps";
}

TEST(RemoteMemory, NoWindowGivesNoMemory) {
  RemoteMemory memory(nullptr, 64);
  EXPECT_FALSE(memory.valid());
  char byte = 0;
  EXPECT_FALSE(memory.Read(0, &byte, 1));
  EXPECT_FALSE(memory.Write(0, &byte, 1));
}

}  // namespace
}  // namespace zelk::win
