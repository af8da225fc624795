// POSACC's view of the window under a point.
#include <windows.h>

#include "platform/control_texts.h"
#include "platform/win32/texts/text_controls.h"
#include "platform/win32/window_utils.h"

namespace zelk::os {

WindowHandle WindowAtScreenPoint(int x, int y) {
  return reinterpret_cast<WindowHandle>(WindowFromPoint(POINT{x, y}));
}

bool IsPopupWindow(WindowHandle window) {
  HWND h = reinterpret_cast<HWND>(window);
  if (!IsWindow(h)) return false;
  const std::u16string cls = win::UpperClass(h);
  if (win::WindowTitle(h).empty() && (cls == u"#32768" || cls == u"BASEBAR")) return true;
  return cls.find(u"POPUP") != cls.npos || cls.find(u"UI TOOL WINDOW") != cls.npos ||
         cls == u"MOZILLADROPSHADOWWINDOWCLASS" || cls == u"DV2CONTROLHOST";
}

}  // namespace zelk::os
