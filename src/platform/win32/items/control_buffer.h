// The 4096 bytes in a control's process through which the messages that
// carry pointers are sent: the structure at the start, its text at 512.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/win32/remote_memory.h"

namespace zelk::win {

class ControlBuffer {
 public:
  static constexpr std::size_t kBytes = 4096;
  static constexpr std::size_t kTextOffset = 512;

  explicit ControlBuffer(HWND control) : memory_(control, kBytes) {}

  bool valid() const { return memory_.valid(); }
  bool target64() const { return memory_.target64(); }
  LPARAM Address(std::size_t offset = 0) const {
    return static_cast<LPARAM>(memory_.address(offset));
  }
  std::uint64_t TextAddress() const { return memory_.address(kTextOffset); }
  // The target's address of a byte of the buffer, for pointers inside structures.
  std::uint64_t RawAddress(std::size_t offset) const { return memory_.address(offset); }

  template <typename T>
  bool Put(const T& value, std::size_t offset = 0) {
    return memory_.Write(offset, &value, sizeof value);
  }
  template <typename T>
  bool Get(T* value, std::size_t offset = 0) const {
    return memory_.Read(offset, value, sizeof *value);
  }
  // A text and its closing zero at offset.
  bool PutText(std::u16string_view text, std::size_t offset) {
    std::u16string closed(text);
    closed += u'\0';
    return memory_.Write(offset, closed.data(), closed.size() * sizeof(char16_t));
  }
  // Clears the text area's first characters, so a control that writes
  // nothing reads as "".
  bool ClearText() { return memory_.Clear(kTextOffset, 4); }
  // At most chars characters of the text area, up to the first zero.
  std::u16string Text(std::size_t chars) const {
    std::u16string text(chars, u'\0');
    if (chars == 0 || !memory_.Read(kTextOffset, text.data(), chars * sizeof(char16_t))) {
      return u"";
    }
    text.resize(std::char_traits<char16_t>::length(text.c_str()));
    return text;
  }

 private:
  RemoteMemory memory_;
};

}  // namespace zelk::win
