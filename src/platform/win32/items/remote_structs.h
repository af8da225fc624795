// The control structures as the target process lays them out. A pointer
// field is P: std::uint32_t for a 32-bit target, std::uint64_t for a 64-bit
// one, so natural alignment gives each the padding its compiler gives it,
// whatever the width of this program.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zelk::win {

template <typename P>
struct RemoteNmhdr {
  P hwndFrom;
  P idFrom;
  std::uint32_t code;
};

template <typename P>
struct RemoteTcItem {
  std::uint32_t mask;
  std::uint32_t state;
  std::uint32_t stateMask;
  P text;
  std::int32_t textMax;
  std::int32_t image;
  P param;
};

template <typename P>
struct RemoteTvItem {
  std::uint32_t mask;
  P item;
  std::uint32_t state;
  std::uint32_t stateMask;
  P text;
  std::int32_t textMax;
  std::int32_t image;
  std::int32_t selectedImage;
  std::int32_t children;
  P param;
};

template <typename P>
struct RemoteLvItem {
  std::uint32_t mask;
  std::int32_t item;
  std::int32_t subItem;
  std::uint32_t state;
  std::uint32_t stateMask;
  P text;
  std::int32_t textMax;
  std::int32_t image;
  P param;
  std::int32_t indent;
};

template <typename P>
struct RemoteLvFindInfo {
  std::uint32_t flags;
  P text;
  P param;
  std::int32_t x;
  std::int32_t y;
  std::uint32_t direction;
};

template <typename P>
struct RemoteTbButton {
  std::int32_t bitmap;
  std::int32_t command;
  std::uint8_t state;
  std::uint8_t style;
  std::uint8_t reserved[2];  // 6 on 64-bit targets: the alignment of data supplies the rest
  P data;
  P string;
};

// The layouts the two kinds of target expect (offsets from the headers).
static_assert(sizeof(RemoteNmhdr<std::uint32_t>) == 12 && sizeof(RemoteNmhdr<std::uint64_t>) == 24);
static_assert(offsetof(RemoteTcItem<std::uint32_t>, text) == 12 &&
              offsetof(RemoteTcItem<std::uint64_t>, text) == 16 &&
              offsetof(RemoteTcItem<std::uint64_t>, param) == 32);
static_assert(offsetof(RemoteTvItem<std::uint32_t>, text) == 16 &&
              offsetof(RemoteTvItem<std::uint64_t>, item) == 8 &&
              offsetof(RemoteTvItem<std::uint64_t>, text) == 24 &&
              offsetof(RemoteTvItem<std::uint64_t>, children) == 44 &&
              sizeof(RemoteTvItem<std::uint64_t>) == 56 &&
              sizeof(RemoteTvItem<std::uint32_t>) == 40);
static_assert(offsetof(RemoteLvItem<std::uint32_t>, text) == 20 &&
              offsetof(RemoteLvItem<std::uint64_t>, text) == 24 &&
              offsetof(RemoteLvItem<std::uint64_t>, textMax) == 32 &&
              offsetof(RemoteLvItem<std::uint64_t>, param) == 40);
static_assert(sizeof(RemoteLvFindInfo<std::uint32_t>) == 24 &&
              sizeof(RemoteLvFindInfo<std::uint64_t>) == 40 &&
              offsetof(RemoteLvFindInfo<std::uint64_t>, x) == 24);
static_assert(sizeof(RemoteTbButton<std::uint32_t>) == 20 &&
              sizeof(RemoteTbButton<std::uint64_t>) == 32 &&
              offsetof(RemoteTbButton<std::uint64_t>, data) == 16);

}  // namespace zelk::win
