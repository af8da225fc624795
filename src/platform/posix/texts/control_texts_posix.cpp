// No Windows desktop here: the text built-ins refuse before they get this
// far, and these answers ("nothing found") keep any other caller harmless.
#include "platform/control_texts.h"

namespace zelk::os {

bool ReadClipboardText(std::u16string* text) {
  text->clear();
  return false;
}
bool WriteClipboardText(std::u16string_view) {
  return false;
}
WindowHandle TextControlOf(WindowHandle, TextControl, int, bool, const std::atomic<int>*) {
  return 0;
}
std::u16string ControlText(WindowHandle) {
  return {};
}
void CursorOnControl(WindowHandle) {}
void WriteControlText(WindowHandle, WindowHandle, std::u16string_view, SendMode) {}
bool StatusPartText(WindowHandle, int, bool, bool, const std::atomic<int>*, std::u16string*) {
  return false;
}
void CollectItems(WindowHandle, const ItemListQuery&, std::vector<std::u16string>*) {}
bool SelectedEntries(WindowHandle, int, int, const std::atomic<int>*, std::u16string*) {
  return false;
}
WindowHandle WindowAtScreenPoint(int, int) {
  return 0;
}
bool IsPopupWindow(WindowHandle) {
  return false;
}
bool CaptureDrawnText(WindowHandle, int, int, std::u16string*) {
  return false;
}

}  // namespace zelk::os
