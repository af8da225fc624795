// The text area of a source editor: a window of its own that draws the
// lines with their colour runs and handles the caret, the selection, keys,
// mouse, scrolling, the clipboard, undo and redo. Only the visible lines are
// laid out and drawn, so a file of any length opens at once, and a line is
// coloured again only after it changed.
//
// For other programs (screen readers, test drivers, scripts) the window
// answers the text messages of a standard edit control: WM_GETTEXT, EM_GETSEL,
// EM_LINEFROMCHAR and the like, with CR LF between lines.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "debugger/editing/text_buffer.h"
#include "debugger/syntax/appearance_settings.h"
#include "debugger/syntax/colour_runs.h"

namespace zelk::window {

class CodeViewOwner {
 public:
  virtual ~CodeViewOwner() = default;
  // After each replacement of text, those of undo and redo included.
  virtual void OnTextChange(const LineChange& change) = 0;
  // The first visible line, the line height or the number of lines changed.
  virtual void OnViewMoved() = 0;
  // The context menu is asked for at screen; byKeyboard: by a key, so it
  // belongs to the caret rather than to the mouse.
  virtual void OnContextMenu(POINT screen, bool byKeyboard) = 0;
  virtual void OnHelpKey() = 0;
};

class CodeView {
 public:
  static constexpr wchar_t kClassName[] = L"ZelkCodeView";
  static constexpr int kLeftMargin = 8;

  CodeView(HWND parent, CodeViewOwner* owner, const AppearanceSettings& look);
  ~CodeView();
  CodeView(const CodeView&) = delete;
  CodeView& operator=(const CodeView&) = delete;

  HWND Window() const { return hwnd_; }
  const TextBuffer& Buffer() const { return buffer_; }
  TextBuffer& Buffer() { return buffer_; }

  // New fonts and colours: measures again and colours every line again.
  void SetAppearance(const AppearanceSettings& look);
  const AppearanceSettings& Appearance() const { return look_; }
  // New text without history; caret at the start.
  void SetLines(std::vector<std::u16string> lines);

  // The colour runs a line is shown with.
  const ColourRuns& Runs(int line) const;
  // How many lines were coloured since the view was made (a measure of work).
  long long ColouredLines() const { return colouredLines_; }

  int LineHeight() const { return lineHeight_; }
  // Pixels from the top of a row to the top of its text.
  int TextOffset() const { return textOffset_; }
  int FirstVisibleLine() const { return firstLine_; }
  int VisibleLines() const;  // rows wholly inside the window, at least 1
  void ScrollToLine(int first);

  Selection GetSelection() const { return selection_; }
  // Selects (clamped) and brings the caret into view.
  void Select(Selection selection);
  // Scrolls so that line is visible; when it lies above the view, linesAbove
  // more lines above it are shown too.
  void ScrollLineIntoView(int line, int linesAbove);
  TextPos PosFromPoint(POINT client) const;
  POINT PointFromPos(TextPos pos) const;  // top left of the place, client pixels

  void SetReadOnly(bool on) { readOnly_ = on; }
  bool ReadOnly() const { return readOnly_; }

  bool CanUndo() const { return !readOnly_ && buffer_.CanUndo(); }
  bool CanRedo() const { return !readOnly_ && buffer_.CanRedo(); }
  void Undo();
  void Redo();
  void Cut();
  void Copy();
  void Paste();
  void Clear();
  void SelectAll();
  // Replaces the selection with text, as typing or pasting would.
  void ReplaceSelection(std::u16string_view text, EditKind kind);

  void BeginUpdate();
  void EndUpdate();

 private:
  struct LineInfo {
    ColourRuns runs;
    int width = -1;  // pixels; -1 until measured
    bool dirty = false;
  };

  static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  LRESULT Handle(UINT msg, WPARAM wp, LPARAM lp);
  LRESULT HandleEditMessage(UINT msg, WPARAM wp, LPARAM lp, bool* handled);

  // Text changes (code_view.cpp).
  void OnBufferChange(const LineChange& change);
  void RecolourDirtyLines();
  void Type(char16_t c);
  void DeleteBackward();
  void DeleteForward();

  // Caret and keys (code_view.cpp).
  void MoveCaret(TextPos to, bool extend, bool keepColumnX = false);
  void OnKeyDown(WPARAM key);
  TextPos WordLeft(TextPos pos) const;
  TextPos WordRight(TextPos pos) const;
  TextPos CharLeft(TextPos pos) const;
  TextPos CharRight(TextPos pos) const;
  void OnMouseDown(LPARAM lp, bool doubleClick);
  void OnMouseMove(LPARAM lp);
  void OnScroll(int bar, int code);
  void OnWheel(int delta);
  bool NearTheEnd() const;
  void ScrollColumnsTo(int x);

  // Layout and drawing (code_view_paint.cpp).
  void CreateFonts();
  void DeleteFonts();
  void Measure();
  int Advance(std::u16string_view line, std::size_t i, int x) const;
  int ColumnX(int line, int column) const;
  int ColumnAtX(int line, int x) const;
  int LineWidth(int line);
  int MaxLineWidth();
  void Paint(HDC dc, const RECT& area);
  void PaintRow(HDC dc, int row, int width);
  void UpdateCaret();
  void UpdateScrollBars();
  void InvalidateLines(int first, int last);  // last < 0: to the bottom

  HWND hwnd_ = nullptr;
  CodeViewOwner* owner_;
  AppearanceSettings look_;
  TextBuffer buffer_;
  std::vector<LineInfo> lines_;  // parallel to the buffer's lines
  int dirtyFrom_ = 0;            // lines_ may be dirty from here
  int dirtyTo_ = -1;             // to here
  bool recolourPosted_ = false;
  long long colouredLines_ = 0;

  Selection selection_;
  int caretX_ = -1;  // the column's pixel x kept by Up and Down; -1 none
  bool readOnly_ = false;
  bool focused_ = false;
  bool dragging_ = false;
  int wheelRest_ = 0;
  int updateDepth_ = 0;

  int firstLine_ = 0;
  int scrollX_ = 0;
  HFONT fonts_[4] = {};  // indexed by style: bold 1, italic 2
  int baseHeight_ = 16;  // the font's own line height
  int lineHeight_ = 16;
  int textOffset_ = 0;
  int charWidth_ = 8;
  int tabPixels_ = 32;
  HDC measureDc_ = nullptr;
  mutable std::unordered_map<char32_t, int> wideAdvances_;
};

}  // namespace zelk::window
