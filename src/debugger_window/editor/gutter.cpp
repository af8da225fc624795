#include "debugger_window/editor/gutter.h"

#include <algorithm>
#include <string>

#include "platform/win32/window_class.h"

namespace zelk::window {

Gutter::Gutter(HWND parent, std::function<void(int y)> onClick,
               std::function<void(int y, POINT screen)> onMenu)
    : onClick_(std::move(onClick)), onMenu_(std::move(onMenu)) {
  win::RegisterWindowClass(kClassName, &Gutter::Proc, IDC_ARROW);
  CreateWindowExW(0, kClassName, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0, 0, width_, 0,
                  parent, nullptr, GetModuleHandleW(nullptr), this);
}

Gutter::~Gutter() {
  if (hwnd_) DestroyWindow(hwnd_);
  if (font_) DeleteObject(font_);
}

LRESULT CALLBACK Gutter::Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* gutter = reinterpret_cast<Gutter*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  switch (msg) {
    case WM_NCCREATE:
      gutter = static_cast<Gutter*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
      gutter->hwnd_ = hwnd;
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(gutter));
      break;
    case WM_NCDESTROY:
      if (gutter) gutter->hwnd_ = nullptr;
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
      break;
    case WM_PAINT:
      if (gutter) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        gutter->Paint(dc);
        EndPaint(hwnd, &ps);
        return 0;
      }
      break;
    case WM_PRINTCLIENT:
      if (gutter) gutter->Paint(reinterpret_cast<HDC>(wp));
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_LBUTTONDOWN:
      if (gutter && gutter->onClick_) gutter->onClick_(static_cast<short>(HIWORD(lp)));
      return 0;
    case WM_CONTEXTMENU:
      // Only the mouse names a row: the gutter never has the focus.
      if (gutter && gutter->onMenu_ && lp != -1) {
        POINT at{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
        POINT client = at;
        ScreenToClient(hwnd, &client);
        gutter->onMenu_(client.y, at);
      }
      return 0;
    default:
      break;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

void Gutter::SetFont(const AppearanceSettings& look) {
  if (font_) DeleteObject(font_);
  HDC dc = GetDC(nullptr);
  LOGFONTW font{};
  font.lfHeight = -MulDiv(look.fontSize, GetDeviceCaps(dc, LOGPIXELSY), 72);
  font.lfWeight = FW_NORMAL;
  font.lfCharSet = DEFAULT_CHARSET;
  font.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
  lstrcpynW(font.lfFaceName, reinterpret_cast<const wchar_t*>(look.fontName.c_str()), LF_FACESIZE);
  font_ = CreateFontIndirectW(&font);
  HGDIOBJ old = SelectObject(dc, font_);
  SIZE size{};
  GetTextExtentPoint32W(dc, L"88888", 5, &size);
  width_ = size.cx + 2;
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc, &metrics);
  textHeight_ = metrics.tmHeight;
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  if (hwnd_) InvalidateRect(hwnd_, nullptr, FALSE);
}

void Gutter::Update(State state) {
  const bool same = state.firstLine == state_.firstLine && state.lineCount == state_.lineCount &&
                    state.lineHeight == state_.lineHeight &&
                    state.textOffset == state_.textOffset &&
                    state.currentLine == state_.currentLine && state.marks == state_.marks &&
                    state.conditioned == state_.conditioned;
  state_ = std::move(state);
  if (same || !hwnd_) return;
  InvalidateRect(hwnd_, nullptr, FALSE);
  const std::u16string text = Description();
  SetWindowTextW(hwnd_, reinterpret_cast<const wchar_t*>(text.c_str()));
}

std::u16string Gutter::Description() const {
  std::string text = "breakpoints: ";
  bool first = true;
  for (std::size_t line = 0; line < state_.marks.size(); ++line) {
    if (!state_.marks[line]) continue;
    text += (first ? "" : ",") + std::to_string(line + 1);
    first = false;
  }
  text += "; current: " +
          (state_.currentLine < 0 ? std::string("none") : std::to_string(state_.currentLine + 1));
  text += "; first: " + std::to_string(state_.firstLine + 1);
  text += "; line height: " + std::to_string(state_.lineHeight);
  std::string conditions;
  for (std::size_t line = 0; line < state_.conditioned.size(); ++line) {
    if (state_.conditioned[line])
      conditions += (conditions.empty() ? "" : ",") + std::to_string(line + 1);
  }
  if (!conditions.empty()) text += "; conditions: " + conditions;
  return std::u16string(text.begin(), text.end());
}

void Gutter::Paint(HDC dc) {
  RECT client;
  GetClientRect(hwnd_, &client);
  const int lineHeight = std::max(1, state_.lineHeight);
  // The number sits in the middle of the row's text part, below the extra spacing.
  const int offset =
      std::max(0, (lineHeight - state_.textOffset - textHeight_) / 2) + state_.textOffset;
  HGDIOBJ oldFont = SelectObject(dc, font_);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(0, 0, 0));
  for (int r = 0; r * lineHeight < client.bottom; ++r) {
    const int line = state_.firstLine + r;
    const bool exists = line < state_.lineCount;
    const bool current = exists && line == state_.currentLine;
    const bool mark = exists && line < static_cast<int>(state_.marks.size()) &&
                      state_.marks[static_cast<std::size_t>(line)];
    const COLORREF colour = mark && current ? kBreakpointAndCurrent
                            : mark          ? kBreakpoint
                            : current       ? kCurrentLine
                                            : kBackground;
    RECT row{0, r * lineHeight, client.right, (r + 1) * lineHeight};
    HBRUSH brush = CreateSolidBrush(colour);
    FillRect(dc, &row, brush);
    DeleteObject(brush);
    if (!exists) continue;
    if (mark && line < static_cast<int>(state_.conditioned.size()) &&
        state_.conditioned[static_cast<std::size_t>(line)]) {
      // A condition shows as a dark bar at the row's left edge.
      RECT bar{0, row.top, kConditionBarWidth, row.bottom};
      HBRUSH dark = CreateSolidBrush(kConditionBar);
      FillRect(dc, &bar, dark);
      DeleteObject(dark);
    }
    wchar_t number[16];
    const int length = wsprintfW(number, L"%5d", line + 1);
    TextOutW(dc, 0, row.top + offset, number, length);
  }
  SelectObject(dc, oldFont);
}

}  // namespace zelk::window
