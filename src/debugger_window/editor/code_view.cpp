#include "debugger_window/editor/code_view.h"

#include <richedit.h>
#include <windowsx.h>

#include <algorithm>

#include "base/code_points.h"
#include "debugger/editing/text_search.h"
#include "debugger/syntax/long_lines.h"
#include "platform/win32/window_class.h"

namespace zelk::window {
namespace {

// Posted after an edit: colours the changed lines once the edit is done.
constexpr UINT kRecolourMessage = WM_APP + 0x137;
constexpr UINT_PTR kDragTimer = 1;

bool KeyDown(int key) {
  return GetKeyState(key) < 0;
}

bool IsBlankUnit(char16_t c) {
  return c == u' ' || c == u'\t' || c == u'\u3000';
}

bool IsNameUnit(char16_t c) {
  return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') ||
         c == u'_' || c == u'$' || c == u'@' || c >= 0x80;
}

// The clipboard may be held by another program for a moment.
bool OpenClipboardPatiently(HWND owner) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    if (OpenClipboard(owner)) return true;
    Sleep(3);
  }
  return false;
}

}  // namespace

CodeView::CodeView(HWND parent, CodeViewOwner* owner, const AppearanceSettings& look)
    : owner_(owner), look_(look) {
  win::RegisterWindowClass(kClassName, &CodeView::Proc, IDC_IBEAM, CLR_INVALID, CS_DBLCLKS);
  buffer_.OnChange([this](const LineChange& change) { OnBufferChange(change); });
  lines_.resize(1);
  CreateFonts();
  Measure();
  CreateWindowExW(0, kClassName, L"",
                  WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | WS_TABSTOP | WS_CLIPSIBLINGS, 0,
                  0, 0, 0, parent, nullptr, GetModuleHandleW(nullptr), this);
  UpdateScrollBars();
}

CodeView::~CodeView() {
  if (hwnd_) DestroyWindow(hwnd_);
  DeleteFonts();
  if (measureDc_) DeleteDC(measureDc_);
}

LRESULT CALLBACK CodeView::Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* view = reinterpret_cast<CodeView*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (msg == WM_NCCREATE) {
    view = static_cast<CodeView*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
    view->hwnd_ = hwnd;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(view));
  }
  if (!view) return DefWindowProcW(hwnd, msg, wp, lp);
  if (msg == WM_NCDESTROY) {
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    view->hwnd_ = nullptr;
    return DefWindowProcW(hwnd, msg, wp, lp);
  }
  return view->Handle(msg, wp, lp);
}

LRESULT CodeView::Handle(UINT msg, WPARAM wp, LPARAM lp) {
  bool handled = true;
  LRESULT result = HandleEditMessage(msg, wp, lp, &handled);
  if (handled) return result;
  switch (msg) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd_, &ps);
      Paint(dc, ps.rcPaint);
      EndPaint(hwnd_, &ps);
      return 0;
    }
    case WM_PRINTCLIENT: {
      RECT client;
      GetClientRect(hwnd_, &client);
      Paint(reinterpret_cast<HDC>(wp), client);
      return 0;
    }
    case WM_ERASEBKGND:
      return 1;
    case WM_SIZE:
      ScrollToLine(firstLine_);
      UpdateScrollBars();
      InvalidateRect(hwnd_, nullptr, FALSE);
      owner_->OnViewMoved();
      return 0;
    case WM_SETFOCUS:
      focused_ = true;
      CreateCaret(hwnd_, nullptr, 2, baseHeight_);
      UpdateCaret();
      ShowCaret(hwnd_);
      return 0;
    case WM_KILLFOCUS:
      focused_ = false;
      DestroyCaret();
      return 0;
    case WM_GETDLGCODE:
      return DLGC_WANTALLKEYS | DLGC_WANTARROWS | DLGC_WANTCHARS | DLGC_HASSETSEL;
    case WM_KEYDOWN:
      OnKeyDown(wp);
      return 0;
    case WM_CHAR:
      // Control characters come as key presses; Enter and Backspace there.
      if (wp == u'\t' || (wp >= 32 && wp != 127)) Type(static_cast<char16_t>(wp));
      return 0;
    case WM_IME_STARTCOMPOSITION:
      UpdateCaret();
      break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      OnMouseDown(lp, msg == WM_LBUTTONDBLCLK);
      return 0;
    case WM_MOUSEMOVE:
      OnMouseMove(lp);
      return 0;
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED:
      if (dragging_) {
        dragging_ = false;
        KillTimer(hwnd_, kDragTimer);
        if (msg == WM_LBUTTONUP) ReleaseCapture();
      }
      return 0;
    case WM_TIMER:
      if (wp == kDragTimer && dragging_) {
        POINT at;
        GetCursorPos(&at);
        ScreenToClient(hwnd_, &at);
        RECT client;
        GetClientRect(hwnd_, &client);
        if (at.y < 0) ScrollToLine(firstLine_ - 1);
        if (at.y >= client.bottom) ScrollToLine(firstLine_ + 1);
        OnMouseMove(MAKELPARAM(at.x, at.y));
      }
      return 0;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK:
      return 0;
    case WM_CONTEXTMENU: {
      POINT at{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
      const bool byKeyboard = lp == -1;
      if (byKeyboard) {
        at = PointFromPos(selection_.caret);
        at.y += lineHeight_;
        ClientToScreen(hwnd_, &at);
      }
      owner_->OnContextMenu(at, byKeyboard);
      return 0;
    }
    case WM_VSCROLL:
      OnScroll(SB_VERT, LOWORD(wp));
      return 0;
    case WM_HSCROLL:
      OnScroll(SB_HORZ, LOWORD(wp));
      return 0;
    case WM_MOUSEWHEEL:
      OnWheel(GET_WHEEL_DELTA_WPARAM(wp));
      return 0;
    case kRecolourMessage:
      RecolourDirtyLines();
      return 0;
    default:
      break;
  }
  return DefWindowProcW(hwnd_, msg, wp, lp);
}

// The messages of a standard edit control, with offsets that count CR LF
// between lines as two characters, as WM_GETTEXT returns them.
LRESULT CodeView::HandleEditMessage(UINT msg, WPARAM wp, LPARAM lp, bool* handled) {
  *handled = true;
  switch (msg) {
    case WM_GETTEXTLENGTH:
      return static_cast<LRESULT>(buffer_.AllText().size());
    case WM_GETTEXT: {
      if (wp == 0 || lp == 0) return 0;
      const std::u16string text = buffer_.AllText();
      const std::size_t count = std::min<std::size_t>(text.size(), wp - 1);
      auto* out = reinterpret_cast<char16_t*>(lp);
      std::copy_n(text.data(), count, out);
      out[count] = 0;
      return static_cast<LRESULT>(count);
    }
    case WM_SETTEXT: {
      const auto* text = reinterpret_cast<const char16_t*>(lp);
      if (readOnly_) return FALSE;
      Select({{}, buffer_.End()});
      ReplaceSelection(text ? std::u16string_view(text) : std::u16string_view(), EditKind::kOther);
      return TRUE;
    }
    case EM_GETSEL: {
      const auto start = static_cast<DWORD>(buffer_.Offset(selection_.Start()));
      const auto end = static_cast<DWORD>(buffer_.Offset(selection_.End()));
      if (wp) *reinterpret_cast<DWORD*>(wp) = start;
      if (lp) *reinterpret_cast<DWORD*>(lp) = end;
      return MAKELRESULT(std::min<DWORD>(start, 0xFFFF), std::min<DWORD>(end, 0xFFFF));
    }
    case EM_SETSEL: {
      const auto start = static_cast<int>(wp), end = static_cast<int>(lp);
      if (start < 0) {
        Select({selection_.caret, selection_.caret});
      } else {
        Select({buffer_.PosAtOffset(start), end < 0 ? buffer_.End() : buffer_.PosAtOffset(end)});
      }
      return 0;
    }
    case EM_GETLINECOUNT:
      return buffer_.LineCount();
    case EM_LINEINDEX: {
      const int line = static_cast<int>(wp) < 0 ? selection_.caret.line : static_cast<int>(wp);
      return line < buffer_.LineCount() ? static_cast<LRESULT>(buffer_.Offset({line, 0})) : -1;
    }
    case EM_LINEFROMCHAR:
      return static_cast<int>(wp) < 0 ? selection_.caret.line
                                      : buffer_.PosAtOffset(static_cast<long long>(wp)).line;
    case EM_LINELENGTH:
      return buffer_.LineLength(static_cast<int>(wp) < 0
                                    ? selection_.caret.line
                                    : buffer_.PosAtOffset(static_cast<long long>(wp)).line);
    case EM_GETLINE: {
      const int line = static_cast<int>(wp);
      if (line < 0 || line >= buffer_.LineCount() || lp == 0) return 0;
      auto* out = reinterpret_cast<char16_t*>(lp);
      const std::size_t room = *reinterpret_cast<WORD*>(lp);
      const std::u16string& text = buffer_.Line(line);
      const std::size_t count = std::min(room, text.size());
      std::copy_n(text.data(), count, out);
      return static_cast<LRESULT>(count);
    }
    case EM_GETFIRSTVISIBLELINE:
      return firstLine_;
    case EM_POSFROMCHAR: {
      const POINT at = PointFromPos(buffer_.PosAtOffset(static_cast<long long>(wp)));
      return MAKELRESULT(static_cast<WORD>(at.x), static_cast<WORD>(at.y));
    }
    case EM_CHARFROMPOS: {
      const TextPos pos = PosFromPoint({GET_X_LPARAM(lp), GET_Y_LPARAM(lp)});
      return MAKELRESULT(static_cast<WORD>(buffer_.Offset(pos)), static_cast<WORD>(pos.line));
    }
    case EM_REPLACESEL:
      ReplaceSelection(
          lp ? std::u16string_view(reinterpret_cast<const char16_t*>(lp)) : std::u16string_view(),
          EditKind::kOther);
      return 0;
    case EM_CANUNDO:
      return CanUndo();
    case EM_CANREDO:
      return CanRedo();
    case EM_UNDO:
    case WM_UNDO:
      Undo();
      return TRUE;
    case EM_REDO:
      Redo();
      return TRUE;
    case WM_CUT:
      Cut();
      return 0;
    case WM_COPY:
      Copy();
      return 0;
    case WM_PASTE:
      Paste();
      return 0;
    case WM_CLEAR:
      Clear();
      return 0;
    case EM_SETREADONLY:
      readOnly_ = wp != 0;
      return TRUE;
    case EM_GETMODIFY:
      return buffer_.IsModified();
    case EM_SETMODIFY:
      if (wp) {
        buffer_.SetModified();
      } else {
        buffer_.SetUnmodified();
      }
      return 0;
    case EM_SCROLLCARET:
      ScrollLineIntoView(selection_.caret.line, 0);
      return TRUE;
    case EM_LINESCROLL:
      ScrollToLine(firstLine_ + static_cast<int>(lp));
      return TRUE;
    default:
      *handled = false;
      return 0;
  }
}

void CodeView::SetAppearance(const AppearanceSettings& look) {
  look_ = look;
  CreateFonts();
  Measure();
  for (int line = 0; line < buffer_.LineCount(); ++line) {
    LineInfo& info = lines_[static_cast<std::size_t>(line)];
    info.runs = LineColourRuns(buffer_.Line(line), look_);
    info.dirty = false;
  }
  colouredLines_ += buffer_.LineCount();
  dirtyFrom_ = 0;
  dirtyTo_ = -1;
  if (focused_) {
    DestroyCaret();
    CreateCaret(hwnd_, nullptr, 2, baseHeight_);
    ShowCaret(hwnd_);
  }
  ScrollToLine(firstLine_);
  UpdateScrollBars();
  UpdateCaret();
  if (hwnd_) InvalidateRect(hwnd_, nullptr, FALSE);
  owner_->OnViewMoved();
}

void CodeView::SetLines(std::vector<std::u16string> lines) {
  buffer_.Reset(std::move(lines));
  lines_.assign(static_cast<std::size_t>(buffer_.LineCount()), LineInfo{});
  for (int line = 0; line < buffer_.LineCount(); ++line) {
    lines_[static_cast<std::size_t>(line)].runs = LineColourRuns(buffer_.Line(line), look_);
  }
  colouredLines_ += buffer_.LineCount();
  dirtyFrom_ = 0;
  dirtyTo_ = -1;
  selection_ = {};
  caretX_ = -1;
  firstLine_ = 0;
  scrollX_ = 0;
  UpdateScrollBars();
  UpdateCaret();
  if (hwnd_) InvalidateRect(hwnd_, nullptr, FALSE);
  owner_->OnViewMoved();
}

const ColourRuns& CodeView::Runs(int line) const {
  static const ColourRuns none;
  if (line < 0 || line >= static_cast<int>(lines_.size())) return none;
  return lines_[static_cast<std::size_t>(line)].runs;
}

void CodeView::OnBufferChange(const LineChange& change) {
  const int removed = change.oldLastLine - change.firstLine;
  const int added = change.newLastLine - change.firstLine;
  const auto at = lines_.begin() + change.firstLine + 1;
  lines_.erase(at, at + removed);
  lines_.insert(lines_.begin() + change.firstLine + 1, static_cast<std::size_t>(added), LineInfo{});
  for (int line = change.firstLine; line <= change.newLastLine; ++line) {
    lines_[static_cast<std::size_t>(line)].dirty = true;
    lines_[static_cast<std::size_t>(line)].width = -1;
  }
  // The dirty range only narrows the search; the flags decide.
  if (dirtyTo_ < dirtyFrom_) {
    dirtyFrom_ = change.firstLine;
    dirtyTo_ = change.newLastLine;
  } else {
    if (dirtyTo_ > change.oldLastLine) dirtyTo_ += added - removed;
    dirtyFrom_ = std::min(dirtyFrom_, change.firstLine);
    dirtyTo_ = std::max(dirtyTo_, change.newLastLine);
  }
  if (!recolourPosted_ && hwnd_) {
    recolourPosted_ = PostMessageW(hwnd_, kRecolourMessage, 0, 0) != 0;
  }
  InvalidateLines(change.firstLine, removed == added ? change.newLastLine : -1);
  if (removed != added) ScrollToLine(firstLine_);
  UpdateScrollBars();
  owner_->OnTextChange(change);
  if (removed != added) owner_->OnViewMoved();
}

void CodeView::RecolourDirtyLines() {
  recolourPosted_ = false;
  const int last = std::min(dirtyTo_, buffer_.LineCount() - 1);
  for (int line = std::max(0, dirtyFrom_); line <= last; ++line) {
    LineInfo& info = lines_[static_cast<std::size_t>(line)];
    if (!info.dirty) continue;
    info.dirty = false;
    ColourRuns runs = LineColourRuns(buffer_.Line(line), look_);
    ++colouredLines_;
    if (runs != info.runs) {
      info.runs = std::move(runs);
      InvalidateLines(line, line);
    }
  }
  dirtyFrom_ = 0;
  dirtyTo_ = -1;
}

void CodeView::ReplaceSelection(std::u16string_view text, EditKind kind) {
  if (readOnly_) return;
  const Selection before = selection_;
  const TextPos end = buffer_.Replace(before.Start(), before.End(), text, kind, before);
  selection_ = {end, end};
  caretX_ = -1;
  ScrollLineIntoView(end.line, 0);
  ScrollColumnsTo(ColumnX(end.line, end.column));
  UpdateCaret();
}

void CodeView::Type(char16_t c) {
  if (readOnly_) return;
  // Longer lines would be split when the file is loaded again.
  if (selection_.Empty() && buffer_.LineLength(selection_.caret.line) >= kTypedLineLimit) {
    MessageBeep(MB_OK);
    return;
  }
  ReplaceSelection({&c, 1}, EditKind::kTyping);
}

void CodeView::DeleteBackward() {
  if (readOnly_) return;
  if (!selection_.Empty()) {
    ReplaceSelection(u"", EditKind::kOther);
    return;
  }
  const TextPos from = CharLeft(selection_.caret);
  if (from == selection_.caret) return;
  buffer_.Replace(from, selection_.caret, u"", EditKind::kBackspace, selection_);
  selection_ = {from, from};
  caretX_ = -1;
  ScrollLineIntoView(from.line, 0);
  ScrollColumnsTo(ColumnX(from.line, from.column));
  UpdateCaret();
}

void CodeView::DeleteForward() {
  if (readOnly_) return;
  if (!selection_.Empty()) {
    Clear();
    return;
  }
  const TextPos to = CharRight(selection_.caret);
  if (to == selection_.caret) return;
  buffer_.Replace(selection_.caret, to, u"", EditKind::kDelete, selection_);
  caretX_ = -1;
  UpdateCaret();
}

TextPos CodeView::CharLeft(TextPos pos) const {
  if (pos.column > 0) {
    const std::u16string& text = buffer_.Line(pos.line);
    int column = pos.column - 1;
    if (column > 0 && IsLowSurrogate(text[static_cast<std::size_t>(column)]) &&
        IsHighSurrogate(text[static_cast<std::size_t>(column - 1)])) {
      --column;
    }
    return {pos.line, column};
  }
  if (pos.line == 0) return pos;
  return {pos.line - 1, buffer_.LineLength(pos.line - 1)};
}

TextPos CodeView::CharRight(TextPos pos) const {
  const std::u16string& text = buffer_.Line(pos.line);
  if (pos.column < static_cast<int>(text.size())) {
    int column = pos.column + 1;
    if (column < static_cast<int>(text.size()) &&
        IsHighSurrogate(text[static_cast<std::size_t>(pos.column)]) &&
        IsLowSurrogate(text[static_cast<std::size_t>(column)])) {
      ++column;
    }
    return {pos.line, column};
  }
  if (pos.line + 1 >= buffer_.LineCount()) return pos;
  return {pos.line + 1, 0};
}

TextPos CodeView::WordLeft(TextPos pos) const {
  if (pos.column == 0) return CharLeft(pos);
  const std::u16string& text = buffer_.Line(pos.line);
  int column = pos.column;
  while (column > 0 && IsBlankUnit(text[static_cast<std::size_t>(column - 1)])) --column;
  if (column > 0 && IsNameUnit(text[static_cast<std::size_t>(column - 1)])) {
    while (column > 0 && IsNameUnit(text[static_cast<std::size_t>(column - 1)])) --column;
  } else if (column > 0) {
    --column;
  }
  return {pos.line, column};
}

TextPos CodeView::WordRight(TextPos pos) const {
  const std::u16string& text = buffer_.Line(pos.line);
  if (pos.column >= static_cast<int>(text.size())) return CharRight(pos);
  int start = 0, end = 0;
  WordBounds(text, pos.column, &start, &end);
  int column = end;
  while (column < static_cast<int>(text.size()) &&
         IsBlankUnit(text[static_cast<std::size_t>(column)])) {
    ++column;
  }
  return {pos.line, column};
}

void CodeView::MoveCaret(TextPos to, bool extend, bool keepColumnX) {
  to = buffer_.Clamp(to);
  if (!keepColumnX) caretX_ = -1;
  const Selection old = selection_;
  selection_.caret = to;
  if (!extend) selection_.anchor = to;
  buffer_.EndStep();
  if (!(old == selection_) && (!old.Empty() || !selection_.Empty())) {
    InvalidateLines(std::min(old.Start().line, selection_.Start().line),
                    std::max(old.End().line, selection_.End().line));
  }
  ScrollLineIntoView(to.line, 0);
  ScrollColumnsTo(ColumnX(to.line, to.column));
  UpdateCaret();
}

void CodeView::Select(Selection selection) {
  selection.anchor = buffer_.Clamp(selection.anchor);
  selection.caret = buffer_.Clamp(selection.caret);
  const Selection old = selection_;
  selection_ = selection;
  caretX_ = -1;
  buffer_.EndStep();
  InvalidateLines(std::min(old.Start().line, selection.Start().line),
                  std::max(old.End().line, selection.End().line));
  ScrollLineIntoView(selection.caret.line, 0);
  UpdateCaret();
}

void CodeView::OnKeyDown(WPARAM key) {
  const bool ctrl = KeyDown(VK_CONTROL), shift = KeyDown(VK_SHIFT);
  const TextPos caret = selection_.caret;
  const int page = std::max(1, VisibleLines() - 1);
  auto vertical = [&](int line) {
    if (caretX_ < 0) caretX_ = ColumnX(caret.line, caret.column);
    line = std::clamp(line, 0, buffer_.LineCount() - 1);
    MoveCaret({line, ColumnAtX(line, caretX_)}, shift, true);
  };
  switch (key) {
    case VK_LEFT:
      MoveCaret(ctrl ? WordLeft(caret) : CharLeft(caret), shift);
      break;
    case VK_RIGHT:
      MoveCaret(ctrl ? WordRight(caret) : CharRight(caret), shift);
      break;
    case VK_UP:
      if (ctrl) {
        ScrollToLine(firstLine_ - 1);
      } else {
        vertical(caret.line - 1);
      }
      break;
    case VK_DOWN:
      if (ctrl) {
        ScrollToLine(firstLine_ + 1);
      } else {
        vertical(caret.line + 1);
      }
      break;
    case VK_PRIOR:
      ScrollToLine(firstLine_ - page);
      vertical(caret.line - page);
      break;
    case VK_NEXT:
      if (NearTheEnd()) {
        vertical(buffer_.LineCount() - 1);
        break;
      }
      ScrollToLine(firstLine_ + page);
      vertical(caret.line + page);
      break;
    case VK_HOME:
      MoveCaret(ctrl ? TextPos{} : TextPos{caret.line, 0}, shift);
      break;
    case VK_END:
      // Ctrl+End goes to the start of the last line.
      MoveCaret(ctrl ? TextPos{buffer_.LineCount() - 1, 0}
                     : TextPos{caret.line, buffer_.LineLength(caret.line)},
                shift);
      break;
    case VK_BACK:
      if (!ctrl) DeleteBackward();
      break;
    case VK_DELETE:
      if (shift) {
        Cut();
      } else {
        DeleteForward();
      }
      break;
    case VK_RETURN:
      ReplaceSelection(u"\r\n", EditKind::kOther);
      break;
    case VK_INSERT:
      if (ctrl) Copy();
      if (shift) Paste();
      break;
    default:
      if (!ctrl || KeyDown(VK_MENU)) break;
      switch (key) {
        case 'A':
          SelectAll();
          break;
        case 'C':
          Copy();
          break;
        case 'X':
          Cut();
          break;
        case 'V':
          Paste();
          break;
        case 'Z':
          if (shift) {
            Redo();
          } else {
            Undo();
          }
          break;
        case 'Y':
          Redo();
          break;
        case 'H':
          owner_->OnHelpKey();
          break;
        default:
          break;
      }
  }
}

void CodeView::OnMouseDown(LPARAM lp, bool doubleClick) {
  SetFocus(hwnd_);
  const TextPos pos = PosFromPoint({GET_X_LPARAM(lp), GET_Y_LPARAM(lp)});
  if (doubleClick) {
    int start = 0, end = 0;
    WordBounds(buffer_.Line(pos.line), pos.column, &start, &end);
    Select({{pos.line, start}, {pos.line, end}});
    return;
  }
  MoveCaret(pos, KeyDown(VK_SHIFT));
  dragging_ = true;
  SetCapture(hwnd_);
  SetTimer(hwnd_, kDragTimer, 50, nullptr);
}

void CodeView::OnMouseMove(LPARAM lp) {
  if (!dragging_) return;
  const TextPos pos = PosFromPoint({GET_X_LPARAM(lp), GET_Y_LPARAM(lp)});
  if (pos != selection_.caret) MoveCaret(pos, true);
}

void CodeView::OnScroll(int bar, int code) {
  SCROLLINFO info{};
  info.cbSize = sizeof info;
  info.fMask = SIF_ALL;
  GetScrollInfo(hwnd_, bar, &info);
  if (bar == SB_VERT) {
    const int page = std::max(1, VisibleLines() - 1);
    switch (code) {
      case SB_LINEUP:
        ScrollToLine(firstLine_ - 1);
        break;
      case SB_LINEDOWN:
        ScrollToLine(firstLine_ + 1);
        break;
      case SB_PAGEUP:
        ScrollToLine(firstLine_ - page);
        break;
      case SB_PAGEDOWN:
        if (NearTheEnd()) {
          MoveCaret({buffer_.LineCount() - 1, 0}, false);
        } else {
          ScrollToLine(firstLine_ + page);
        }
        break;
      case SB_THUMBTRACK:
      case SB_THUMBPOSITION:
        ScrollToLine(info.nTrackPos);
        break;
      case SB_TOP:
        ScrollToLine(0);
        break;
      case SB_BOTTOM:
        MoveCaret({buffer_.LineCount() - 1, 0}, false);
        break;
      default:
        break;
    }
    return;
  }
  RECT client;
  GetClientRect(hwnd_, &client);
  switch (code) {
    case SB_LINELEFT:
      ScrollColumnsTo(scrollX_ - charWidth_);
      break;
    case SB_LINERIGHT:
      ScrollColumnsTo(scrollX_ + charWidth_);
      break;
    case SB_PAGELEFT:
      ScrollColumnsTo(scrollX_ - client.right);
      break;
    case SB_PAGERIGHT:
      ScrollColumnsTo(scrollX_ + client.right);
      break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION:
      ScrollColumnsTo(info.nTrackPos);
      break;
    default:
      break;
  }
}

void CodeView::OnWheel(int delta) {
  UINT lines = 3;
  SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
  if (lines > 10) lines = 3;
  wheelRest_ += delta;
  const int notches = wheelRest_ / WHEEL_DELTA;
  wheelRest_ %= WHEEL_DELTA;
  ScrollToLine(firstLine_ - notches * static_cast<int>(lines));
}

// Fewer than two pages below the first visible line: a page down goes to
// the last line instead.
bool CodeView::NearTheEnd() const {
  return buffer_.LineCount() - firstLine_ < 2 * VisibleLines();
}

int CodeView::VisibleLines() const {
  RECT client{};
  if (hwnd_) GetClientRect(hwnd_, &client);
  return std::max(1, static_cast<int>(client.bottom) / lineHeight_);
}

void CodeView::ScrollToLine(int first) {
  first = std::clamp(first, 0, std::max(0, buffer_.LineCount() - VisibleLines()));
  if (first == firstLine_) return;
  firstLine_ = first;
  if (hwnd_ && updateDepth_ == 0) InvalidateRect(hwnd_, nullptr, FALSE);
  UpdateScrollBars();
  UpdateCaret();
  owner_->OnViewMoved();
}

// Keeps pixel x of the text in view (x from the start of the line).
void CodeView::ScrollColumnsTo(int x) {
  RECT client{};
  if (hwnd_) GetClientRect(hwnd_, &client);
  const int visible = std::max<int>(1, client.right - kLeftMargin - charWidth_);
  int target = scrollX_;
  if (x < scrollX_) target = std::max(0, x - visible / 4);
  if (x > scrollX_ + visible) target = x - visible * 3 / 4;
  if (target == scrollX_) return;
  scrollX_ = std::max(0, target);
  if (hwnd_ && updateDepth_ == 0) InvalidateRect(hwnd_, nullptr, FALSE);
  UpdateScrollBars();
  UpdateCaret();
}

void CodeView::ScrollLineIntoView(int line, int linesAbove) {
  int first = firstLine_;
  if (line < firstLine_) {
    first = line - linesAbove;
  } else if (line >= firstLine_ + VisibleLines()) {
    first = line - VisibleLines() + 1;
  }
  ScrollToLine(first);
}

void CodeView::Undo() {
  if (!CanUndo()) return;
  Selection selection;
  buffer_.Undo(&selection);
  Select(selection);
}

void CodeView::Redo() {
  if (!CanRedo()) return;
  Selection selection;
  buffer_.Redo(&selection);
  Select(selection);
}

void CodeView::Copy() {
  if (selection_.Empty() || !OpenClipboardPatiently(hwnd_)) return;
  const std::u16string text = buffer_.Text(selection_.Start(), selection_.End());
  EmptyClipboard();
  if (HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(char16_t))) {
    auto* out = static_cast<char16_t*>(GlobalLock(memory));
    std::copy_n(text.c_str(), text.size() + 1, out);
    GlobalUnlock(memory);
    if (!SetClipboardData(CF_UNICODETEXT, memory)) GlobalFree(memory);
  }
  CloseClipboard();
}

void CodeView::Cut() {
  if (readOnly_ || selection_.Empty()) return;
  Copy();
  ReplaceSelection(u"", EditKind::kOther);
}

void CodeView::Paste() {
  if (readOnly_ || !IsClipboardFormatAvailable(CF_UNICODETEXT) || !OpenClipboardPatiently(hwnd_)) {
    return;
  }
  std::u16string text;
  if (HANDLE memory = GetClipboardData(CF_UNICODETEXT)) {
    if (const auto* data = static_cast<const char16_t*>(GlobalLock(memory))) {
      text = data;
      GlobalUnlock(memory);
    }
  }
  CloseClipboard();
  // The pasted lines are coloured like typed ones, from their text.
  if (!text.empty()) ReplaceSelection(text, EditKind::kOther);
}

void CodeView::Clear() {
  if (readOnly_ || selection_.Empty()) return;
  ReplaceSelection(u"", EditKind::kOther);
}

void CodeView::SelectAll() {
  selection_ = {{}, buffer_.End()};
  buffer_.EndStep();
  if (hwnd_ && updateDepth_ == 0) InvalidateRect(hwnd_, nullptr, FALSE);
  UpdateCaret();
}

void CodeView::BeginUpdate() {
  if (updateDepth_++ == 0 && hwnd_) SendMessageW(hwnd_, WM_SETREDRAW, FALSE, 0);
}

void CodeView::EndUpdate() {
  if (updateDepth_ == 0 || --updateDepth_ > 0 || !hwnd_) return;
  SendMessageW(hwnd_, WM_SETREDRAW, TRUE, 0);
  UpdateScrollBars();
  InvalidateRect(hwnd_, nullptr, FALSE);
}

}  // namespace zelk::window
