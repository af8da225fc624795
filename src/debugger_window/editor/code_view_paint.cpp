// The code view's fonts, layout and drawing.
#include "debugger_window/editor/code_view.h"

#include <imm.h>

#include <algorithm>

#include "base/code_points.h"

namespace zelk::window {
namespace {

const wchar_t* Wide(const std::u16string& text) {
  return reinterpret_cast<const wchar_t*>(text.c_str());
}

}  // namespace

void CodeView::CreateFonts() {
  DeleteFonts();
  HDC screen = GetDC(nullptr);
  const int height = -MulDiv(look_.fontSize, GetDeviceCaps(screen, LOGPIXELSY), 72);
  ReleaseDC(nullptr, screen);
  for (int style = 0; style < 4; ++style) {
    LOGFONTW font{};
    font.lfHeight = height;
    font.lfWeight = (style & kStyleBold) ? FW_BOLD : FW_NORMAL;
    font.lfItalic = (style & kStyleItalic) ? TRUE : FALSE;
    font.lfCharSet = DEFAULT_CHARSET;
    font.lfQuality = DEFAULT_QUALITY;
    font.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
    lstrcpynW(font.lfFaceName, Wide(look_.fontName), LF_FACESIZE);
    fonts_[style] = CreateFontIndirectW(&font);
  }
}

void CodeView::DeleteFonts() {
  for (HFONT& font : fonts_) {
    if (font) DeleteObject(font);
    font = nullptr;
  }
}

void CodeView::Measure() {
  if (!measureDc_) measureDc_ = CreateCompatibleDC(nullptr);
  SelectObject(measureDc_, fonts_[0]);
  TEXTMETRICW metrics{};
  GetTextMetricsW(measureDc_, &metrics);
  SIZE size{};
  GetTextExtentPoint32W(measureDc_, L"M", 1, &size);
  charWidth_ = std::max<int>(1, size.cx);
  baseHeight_ = std::max<int>(1, metrics.tmHeight + metrics.tmExternalLeading);
  const int extra = static_cast<int>(look_.lineSpacePercent * 0.01 * baseHeight_);
  lineHeight_ = baseHeight_ + extra;
  textOffset_ = extra;
  tabPixels_ = std::max(1, look_.tabWidth * charWidth_);
  wideAdvances_.clear();
  for (LineInfo& info : lines_) info.width = -1;
}

// The advance of the code unit at i of line when it starts at pixel x: tabs
// reach the next tab stop, a surrogate pair's width goes to its first half.
int CodeView::Advance(std::u16string_view line, std::size_t i, int x) const {
  const char16_t c = line[i];
  if (c == u'\t') return tabPixels_ - x % tabPixels_;
  if (c < 0x80) return charWidth_;
  if (IsLowSurrogate(c) && i > 0 && IsHighSurrogate(line[i - 1])) return 0;
  char32_t code = c;
  int units = 1;
  if (IsHighSurrogate(c) && i + 1 < line.size() && IsLowSurrogate(line[i + 1])) {
    code = 0x10000 + ((static_cast<char32_t>(c) - 0xD800) << 10) + (line[i + 1] - 0xDC00);
    units = 2;
  }
  auto it = wideAdvances_.find(code);
  if (it != wideAdvances_.end()) return it->second;
  SIZE size{};
  GetTextExtentPoint32W(measureDc_, reinterpret_cast<const wchar_t*>(&line[i]), units, &size);
  const int width = std::max<int>(1, size.cx);
  wideAdvances_.emplace(code, width);
  return width;
}

int CodeView::ColumnX(int line, int column) const {
  const std::u16string& text = buffer_.Line(line);
  const auto end = std::min(text.size(), static_cast<std::size_t>(std::max(column, 0)));
  int x = 0;
  for (std::size_t i = 0; i < end; ++i) x += Advance(text, i, x);
  return x;
}

int CodeView::ColumnAtX(int line, int x) const {
  const std::u16string& text = buffer_.Line(line);
  int left = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const int advance = Advance(text, i, left);
    if (advance == 0) continue;
    if (x < left + advance / 2) return static_cast<int>(i);
    left += advance;
  }
  return static_cast<int>(text.size());
}

int CodeView::LineWidth(int line) {
  LineInfo& info = lines_[static_cast<std::size_t>(line)];
  if (info.width < 0) info.width = ColumnX(line, buffer_.LineLength(line));
  return info.width;
}

int CodeView::MaxLineWidth() {
  int widest = 0;
  for (int line = 0; line < buffer_.LineCount(); ++line) widest = std::max(widest, LineWidth(line));
  return widest;
}

void CodeView::Paint(HDC dc, const RECT& area) {
  RECT client;
  GetClientRect(hwnd_, &client);
  const int width = client.right;
  if (width <= 0 || lineHeight_ <= 0) return;
  // Each row is drawn off screen and copied, so nothing flickers.
  HDC row = CreateCompatibleDC(dc);
  HBITMAP bitmap = CreateCompatibleBitmap(dc, width, lineHeight_);
  HGDIOBJ oldBitmap = SelectObject(row, bitmap);
  for (int r = area.top / lineHeight_; r * lineHeight_ < area.bottom; ++r) {
    PaintRow(row, r, width);
    BitBlt(dc, 0, r * lineHeight_, width, lineHeight_, row, 0, 0, SRCCOPY);
  }
  SelectObject(row, oldBitmap);
  DeleteObject(bitmap);
  DeleteDC(row);
}

void CodeView::PaintRow(HDC dc, int r, int width) {
  RECT rect{0, 0, width, lineHeight_};
  HBRUSH background = CreateSolidBrush(look_.background);
  FillRect(dc, &rect, background);
  DeleteObject(background);
  const int line = firstLine_ + r;
  if (line >= buffer_.LineCount()) return;
  const std::u16string& text = buffer_.Line(line);
  const int length = static_cast<int>(text.size());
  const int left = kLeftMargin - scrollX_;

  // Advances of every code unit, tabs drawn as blanks.
  std::vector<int> dx(text.size());
  std::vector<int> xs(text.size() + 1);
  for (std::size_t i = 0; i < text.size(); ++i) {
    dx[i] = Advance(text, i, xs[i]);
    xs[i + 1] = xs[i] + dx[i];
  }
  std::u16string shown = text;
  std::replace(shown.begin(), shown.end(), u'\t', u' ');

  // The selection on this line; a selected line break shows as a blank.
  const TextPos selStart = selection_.Start(), selEnd = selection_.End();
  int from = 0, to = 0;
  if (!selection_.Empty() && selStart.line <= line && line <= selEnd.line) {
    from = selStart.line == line ? selStart.column : 0;
    to = selEnd.line == line ? selEnd.column : length;
    int x1 = left + xs[static_cast<std::size_t>(from)];
    int x2 = left + xs[static_cast<std::size_t>(to)] + (selEnd.line > line ? charWidth_ : 0);
    RECT sel{x1, 0, x2, lineHeight_};
    FillRect(dc, &sel, GetSysColorBrush(COLOR_HIGHLIGHT));
  }

  // Segments end at run and selection borders.
  std::vector<int> cuts = {0, length, from, to};
  const ColourRuns& runs = lines_[static_cast<std::size_t>(line)].runs;
  std::vector<int> classOf(text.size() + 1, kPlainWord);
  for (const ColourRun& run : runs) {
    const int a = std::clamp(run.start, 0, length),
              b = std::clamp(run.start + run.length, 0, length);
    for (int i = a; i < b; ++i) classOf[static_cast<std::size_t>(i)] = run.wordClass;
    cuts.push_back(a);
    cuts.push_back(b);
  }
  std::sort(cuts.begin(), cuts.end());
  cuts.erase(std::unique(cuts.begin(), cuts.end()), cuts.end());

  // Only the columns in view are drawn: a pasted line may be very long.
  const int firstShown = std::max<int>(
      0, static_cast<int>(std::upper_bound(xs.begin(), xs.end(), -left) - xs.begin()) - 2);
  const int lastShown = std::min<int>(
      length,
      static_cast<int>(std::upper_bound(xs.begin(), xs.end(), width - left) - xs.begin()) + 1);

  SetBkMode(dc, TRANSPARENT);
  for (std::size_t k = 0; k + 1 < cuts.size(); ++k) {
    const int a = std::max(cuts[k], firstShown), b = std::min(cuts[k + 1], lastShown);
    if (a < 0 || b > length || a >= b) continue;
    const int x = left + xs[static_cast<std::size_t>(a)];
    if (x > width || left + xs[static_cast<std::size_t>(b)] < 0) continue;
    const int wordClass = classOf[static_cast<std::size_t>(a)];
    const ClassLook look = wordClass == kPlainWord
                               ? ClassLook{look_.textColour, 0}
                               : look_.classes[static_cast<std::size_t>(wordClass)];
    const bool selected = a >= from && b <= to && from < to;
    SelectObject(dc, fonts_[look.style & 3]);
    SetTextColor(dc, selected ? GetSysColor(COLOR_HIGHLIGHTTEXT) : look.colour);
    ExtTextOutW(dc, x, textOffset_, 0, nullptr, reinterpret_cast<const wchar_t*>(shown.c_str()) + a,
                static_cast<UINT>(b - a), dx.data() + a);
  }
}

void CodeView::UpdateCaret() {
  if (!focused_) return;
  const POINT at = PointFromPos(selection_.caret);
  SetCaretPos(at.x, at.y + textOffset_);
  using SetWindowFn = BOOL(WINAPI*)(HIMC, LPCOMPOSITIONFORM);
  using GetContextFn = HIMC(WINAPI*)(HWND);
  using ReleaseContextFn = BOOL(WINAPI*)(HWND, HIMC);
  // The input method is loaded only where there is one.
  static HMODULE imm = LoadLibraryW(L"imm32.dll");
  if (!imm) return;
  static auto getContext =
      reinterpret_cast<GetContextFn>(reinterpret_cast<void*>(GetProcAddress(imm, "ImmGetContext")));
  static auto setWindow = reinterpret_cast<SetWindowFn>(
      reinterpret_cast<void*>(GetProcAddress(imm, "ImmSetCompositionWindow")));
  static auto release = reinterpret_cast<ReleaseContextFn>(
      reinterpret_cast<void*>(GetProcAddress(imm, "ImmReleaseContext")));
  if (!getContext || !setWindow || !release) return;
  if (HIMC context = getContext(hwnd_)) {
    COMPOSITIONFORM form{};
    form.dwStyle = CFS_POINT;
    form.ptCurrentPos = {at.x, at.y + textOffset_};
    setWindow(context, &form);
    release(hwnd_, context);
  }
}

void CodeView::UpdateScrollBars() {
  if (!hwnd_) return;
  RECT client;
  GetClientRect(hwnd_, &client);
  SCROLLINFO info{};
  info.cbSize = sizeof info;
  info.fMask = SIF_ALL | SIF_DISABLENOSCROLL;
  info.nMin = 0;
  info.nMax = std::max(0, buffer_.LineCount() - 1);
  info.nPage = static_cast<UINT>(VisibleLines());
  info.nPos = firstLine_;
  SetScrollInfo(hwnd_, SB_VERT, &info, TRUE);
  info.nMax = kLeftMargin + MaxLineWidth() + charWidth_;
  info.nPage = static_cast<UINT>(std::max<LONG>(1, client.right));
  info.nPos = scrollX_;
  SetScrollInfo(hwnd_, SB_HORZ, &info, TRUE);
}

void CodeView::InvalidateLines(int first, int last) {
  if (!hwnd_ || updateDepth_ > 0) return;
  RECT client;
  GetClientRect(hwnd_, &client);
  RECT rect = client;
  rect.top = std::max(0, (first - firstLine_) * lineHeight_);
  if (last >= 0) rect.bottom = std::min<LONG>(client.bottom, (last - firstLine_ + 1) * lineHeight_);
  if (rect.top < rect.bottom) InvalidateRect(hwnd_, &rect, FALSE);
}

TextPos CodeView::PosFromPoint(POINT client) const {
  const int row = client.y < 0 ? -1 - (-client.y - 1) / lineHeight_ : client.y / lineHeight_;
  const int line = std::clamp(firstLine_ + row, 0, buffer_.LineCount() - 1);
  return {line, ColumnAtX(line, client.x - kLeftMargin + scrollX_)};
}

POINT CodeView::PointFromPos(TextPos pos) const {
  pos = buffer_.Clamp(pos);
  return {kLeftMargin - scrollX_ + ColumnX(pos.line, pos.column),
          (pos.line - firstLine_) * lineHeight_};
}

}  // namespace zelk::window
