// The line-number gutter beside the text: one row per visible line with its
// number, red for a breakpoint, blue for the current line, magenta for both;
// a breakpoint with a condition has a dark bar at its left edge.
// Its window text lists what it shows ("breakpoints: 3,7; current: 5; first:
// 1; line height: 16", lines counted from 1, then "; conditions: 7" when
// some breakpoint has a condition), so that screen readers and test drivers
// in other processes can read it.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "debugger/syntax/appearance_settings.h"

namespace zelk::window {

class Gutter {
 public:
  static constexpr wchar_t kClassName[] = L"ZelkGutter";
  static constexpr COLORREF kBackground = RGB(245, 245, 245);
  static constexpr COLORREF kCurrentLine = RGB(166, 202, 240);
  static constexpr COLORREF kBreakpoint = RGB(255, 0, 0);
  static constexpr COLORREF kBreakpointAndCurrent = RGB(255, 0, 255);
  static constexpr COLORREF kConditionBar = RGB(128, 0, 0);
  static constexpr int kConditionBarWidth = 4;

  struct State {
    int firstLine = 0;
    int lineCount = 0;
    int lineHeight = 16;
    int textOffset = 0;  // extra line spacing above the text of a row
    int currentLine = -1;
    std::vector<bool> marks;
    std::vector<bool> conditioned;  // lines whose breakpoint has a condition
  };

  // onClick gets the y of a left-button press, in gutter pixels; onMenu the
  // y and the screen place where the context menu is asked for.
  Gutter(HWND parent, std::function<void(int y)> onClick,
         std::function<void(int y, POINT screen)> onMenu = {});
  ~Gutter();
  Gutter(const Gutter&) = delete;
  Gutter& operator=(const Gutter&) = delete;

  HWND Window() const { return hwnd_; }
  // The font of the numbers; the gutter is as wide as "88888" in it plus 2.
  void SetFont(const AppearanceSettings& look);
  int Width() const { return width_; }
  // Repaints what changed and renews the window text.
  void Update(State state);

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  void Paint(HDC dc);
  std::u16string Description() const;

  HWND hwnd_ = nullptr;
  std::function<void(int)> onClick_;
  std::function<void(int, POINT)> onMenu_;
  HFONT font_ = nullptr;
  int width_ = 40;
  int textHeight_ = 16;
  State state_;
};

}  // namespace zelk::window
