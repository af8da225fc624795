// Item texts of common controls whose messages take pointers (tabs, tree
// views, list views, toolbars, status bars), read through a buffer in the
// control's process. The structures are laid out as the target's bitness
// has them; texts are cut at 256 characters, as the controls are asked.
#pragma once

#include <windows.h>

#include <string>

#include "platform/win32/remote_memory.h"

namespace zelk::win {

class RemoteItems {
 public:
  explicit RemoteItems(HWND control);

  bool valid() const { return memory_.valid(); }

  // Tab caption of index; false when the control does not answer.
  bool TabText(int index, std::u16string* text);
  // Tree node text (trimmed) of item, an HTREEITEM of the target.
  bool TreeText(std::uintptr_t item, std::u16string* text);
  // List-view item text of column (0-based).
  bool ListViewText(int index, int column, std::u16string* text);
  // List-view column header text; false when the column does not exist.
  bool ListViewHeader(int column, std::u16string* text);
  // Toolbar button of index: its command, state and style; false when none.
  bool ToolbarButton(int index, int* command, BYTE* state, BYTE* style);
  // Text of the toolbar button with command; false when it has none.
  bool ToolbarText(int command, std::u16string* text);
  // Status-bar part text and rectangle (client coordinates of the bar).
  bool StatusText(int part, std::u16string* text);
  bool StatusRect(int part, RECT* rect);

 private:
  static constexpr std::size_t kBytes = 4096;
  static constexpr std::size_t kTextAt = 512;
  static constexpr int kTextChars = 256;

  // Sends message with the buffer's address as lParam; the answer (0 when hung).
  LRESULT Send(UINT message, WPARAM wparam, std::size_t offset = 0);
  // Writes a pointer-sized field: 4 or 8 bytes as the target has them.
  void PutPointer(char* record, std::size_t at, std::uint64_t value) const;
  std::u16string TextBack();

  HWND control_;
  RemoteMemory memory_;
};

}  // namespace zelk::win
