// One source file in an editor: a text area with syntax colouring, a
// line-number gutter that shows breakpoints and the current line, its own
// undo and redo, and a context menu. The main window puts one in each tab.
//
// What the main window does with it:
// - at start-up SetAppearance(ReadAppearanceSettings()); after an OK of
//   ShowFontDialog SetAppearance again and Recolour() every editor; at the
//   end WriteAppearanceSettings;
// - SetReadOnly(true) while a script runs, false after it stopped;
// - Create(tab parent), LoadFile, then place and show Window();
// - OnBreakpointsChanged: read BreakpointMarks() and BreakpointCondition()
//   and hand them to the engine (a condition is an expression; the run stops
//   there only when it is true);
// - every second, while idle and in front, CheckChangedFiles (see
//   file_change_check.h), which asks or shows the balloon, reopens the
//   script and gives each tab its breakpoints back (it processes messages:
//   stop the timer meanwhile, and during a save too);
// - SaveFile writes in the file's own encoding and takes the new time of
//   the file as its own, so the check does not report the program's save.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "debugger/breakpoint_lines.h"
#include "debugger/editing/kept_breakpoints.h"
#include "debugger/syntax/appearance_settings.h"

namespace zelk::window {

class SourceEditor {
 public:
  // A child window of parent, hidden until the owner places and shows it.
  static std::unique_ptr<SourceEditor> Create(HWND parent);
  virtual ~SourceEditor() = default;

  virtual HWND Window() const = 0;

  // Loads the file (its encoding is kept for saving) and colours it; false
  // when it cannot be read, and the editor is then empty.
  virtual bool LoadFile(const std::u16string& path) = 0;
  // Colours the present text again (after the appearance settings changed).
  virtual void Recolour() = 0;
  // Writes the lines in the file's encoding to path ("" = the file's own
  // path); true when writing failed. asNewName makes path the file's path.
  virtual bool SaveFile(const std::u16string& path, bool asNewName) = 0;
  virtual const std::u16string& FilePath() const = 0;  // upper-cased

  virtual std::vector<std::u16string> Lines() const = 0;
  virtual int LineCount() const = 0;
  virtual std::u16string SelectedText() const = 0;
  virtual bool IsModified() const = 0;
  virtual void SetReadOnly(bool on) = 0;
  virtual void BeginUpdate() = 0;
  virtual void EndUpdate() = 0;

  // The current-line mark: line < 0 means the last line; select marks it as
  // the current line. ClearHighlight removes the mark.
  virtual void HighlightLine(int line, bool select) = 0;
  virtual void ClearHighlight() = 0;
  // Case-insensitive search from the caret without wrap-around; the line of
  // the match or -1.
  virtual int Find(bool downward, std::u16string_view text, bool selectMatch) = 0;
  // Puts the caret at the start of the line without selecting it.
  virtual void GoToLine(int line) = 0;

  // Breakpoints, one mark per line (0-based lines).
  virtual bool HasBreakpoint(int line) const = 0;
  virtual void ToggleBreakpoint(int line) = 0;
  virtual const std::vector<bool>& BreakpointMarks() const = 0;
  virtual void SetBreakpointMarks(std::vector<bool> marks) = 0;
  // Called after the user set or removed a breakpoint, or an edit moved them.
  virtual void OnBreakpointsChanged(std::function<void()> handler) = 0;

  // The appearance editors use from now on: new editors take it, and
  // Recolour applies it to an existing one.
  static void SetAppearance(const AppearanceSettings& look);

  // Called after every change of the text (typing, undo, paste...).
  virtual void OnTextChanged(std::function<void()> handler) = 0;
  // The colour runs a line is shown with, as "class,start,length," texts.
  virtual std::u16string LineRuns(int line) const = 0;
  virtual int CurrentLine() const = 0;  // the highlighted line, -1 none
  virtual int CaretLine() const = 0;
  virtual int FirstVisibleLine() const = 0;
  virtual int LineHeight() const = 0;  // pixels per line, gutter and text alike
  virtual int FileEncoding() const = 0;
  // The text area (it answers WM_GETTEXT and the edit messages) and the
  // gutter (its window text lists the breakpoints and the current line).
  virtual HWND TextWindow() const = 0;
  virtual HWND GutterWindow() const = 0;

  // True once when the file on disk was written by someone else since the
  // editor loaded or saved it; the new time is then taken as known.
  virtual bool TakeDiskChange() = 0;
  // The breakpoints with their conditions, anchored to the nearest FUNCTION
  // or PROCEDURE line above, to give them back after the file is reloaded
  // (into the new editor of the same tab). RestoreAnchors leaves the editor
  // unmodified.
  virtual std::vector<KeptBreakpoint> SaveAnchors() const = 0;
  virtual void RestoreAnchors(const std::vector<KeptBreakpoint>& kept) = 0;

  // Conditional breakpoints, also set through the gutter's context menu
  // ("Condition..."): the expression of the line's breakpoint, "" for none.
  virtual std::u16string BreakpointCondition(int line) const = 0;
  // Sets a breakpoint with this condition on the line ("" keeps the
  // breakpoint and drops its condition); false when the line can hold no
  // breakpoint.
  virtual bool SetBreakpointCondition(int line, const std::u16string& condition) = 0;
};

}  // namespace zelk::window
