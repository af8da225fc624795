// No Windows desktop here: the item built-ins refuse before they get this
// far, and these answers keep any other caller harmless.
#include "platform/control_items.h"

namespace zelk::os {

ItemAnswer FindWin32Item(WindowHandle, const ItemQuery&) {
  return ItemAnswer{};
}
ItemAnswer FindUiAutomationItem(WindowHandle, const ItemQuery&) {
  return ItemAnswer{};
}
ItemAnswer FindAccessibleItem(WindowHandle, const ItemQuery&) {
  return ItemAnswer{};
}
bool ReadSlider(WindowHandle, int, bool, SliderFacts*, const std::atomic<int>*) {
  return false;
}
bool MoveSlider(WindowHandle, int, bool, int, const std::atomic<int>*) {
  return false;
}

}  // namespace zelk::os
