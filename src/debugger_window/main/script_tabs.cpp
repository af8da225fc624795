// Scripts in the window: opening one with a tab per source file, loading,
// saving, dropped files, the function list and the search box.
#include <windows.h>
// After windows.h, which they need.
#include <commctrl.h>
#include <commdlg.h>

#include <algorithm>

#include "base/text_scan.h"
#include "debugger_window/editor/file_change_check.h"
#include "debugger_window/main/main_texts.h"
#include "debugger_window/main/main_window_impl.h"
#include "debugger_window/main/open_dialog.h"
#include "debugger_window/main/script_command.h"
#include "foundation/paths.h"
#include "foundation/settings.h"
#include "platform/platform.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/window_utils.h"
#include "runtime/driver/run_driver.h"

namespace zelk::window {

using win::W;

namespace {

constexpr char16_t kTempSuffix[] = u"$$$";
constexpr char16_t kUntitledName[] = u"_$$$_.ZLS";
constexpr std::size_t kMaxTabs = 256;

// The tab caption of a file: its name without the .ZLS extension.
std::u16string TabCaption(const std::u16string& path) {
  std::u16string name = FileNamePart(path);
  if (EndsWith(UpperAscii(name), u".ZLS")) name.resize(name.size() - 4);
  return name;
}

void SetTabCaption(HWND tabs, int index, const std::u16string& caption) {
  TCITEMW item{};
  item.mask = TCIF_TEXT;
  item.pszText = const_cast<wchar_t*>(W(caption));
  SendMessageW(tabs, TCM_SETITEMW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
}

std::u16string TabCaptionOf(HWND tabs, int index) {
  wchar_t buffer[MAX_PATH + 2] = {};
  TCITEMW item{};
  item.mask = TCIF_TEXT;
  item.pszText = buffer;
  item.cchTextMax = MAX_PATH + 1;
  SendMessageW(tabs, TCM_GETITEMW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
  return std::u16string(reinterpret_cast<const char16_t*>(buffer));
}

std::u16string WindowText(HWND control) {
  std::u16string text(static_cast<std::size_t>(GetWindowTextLengthW(control)) + 1, u'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(
      control, reinterpret_cast<wchar_t*>(text.data()), static_cast<int>(text.size()))));
  return text;
}

std::u16string UntitledPath() {
  return os::TempFolder() + kUntitledName;
}

}  // namespace

SourceEditor* MainWindow::ActiveEditor() const {
  if (activeTab_ < 0 || static_cast<std::size_t>(activeTab_) >= editors_.size()) return nullptr;
  return editors_[static_cast<std::size_t>(activeTab_)].get();
}

// Tab i gets an editor on path (which may not exist yet).
void MainWindow::AddTab(const std::u16string& path) {
  const int index = static_cast<int>(editors_.size());
  std::unique_ptr<SourceEditor> editor = SourceEditor::Create(hwnd_);
  editor->LoadFile(path);
  editor->OnBreakpointsChanged([this, index] { SyncBreakpoints(index); });
  editors_.push_back(std::move(editor));
  filePaths_.push_back(path);
  const std::u16string caption = TabCaption(path);
  TCITEMW item{};
  item.mask = TCIF_TEXT;
  item.pszText = const_cast<wchar_t*>(W(caption));
  SendMessageW(tabs_, TCM_INSERTITEMW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
}

void MainWindow::RemoveTabs() {
  // The engine forgets the breakpoints of the files that go.
  for (std::size_t i = 0; i < editors_.size(); ++i) {
    bridge_->engine().SetBreakpoints(static_cast<int>(i), {});
  }
  for (auto& editor : editors_) DestroyWindow(editor->Window());
  editors_.clear();
  filePaths_.clear();
  SendMessageW(tabs_, TCM_DELETEALLITEMS, 0, 0);
  activeTab_ = 0;
  currentFile_ = currentLine_ = -1;
}

void MainWindow::OpenUntitled() {
  const std::u16string path = UntitledPath();
  DeleteFileW(W(path));  // a left-over of an earlier session
  AddTab(path);
  untitled_ = true;
  SelectTab(0);
}

bool MainWindow::OpenScript(const std::u16string& command) {
  if (bridge_->Active()) return false;
  openCommand_ = command;
  restartRequested_ = false;
  const ScriptCommand parsed = ParseScriptCommand(command, AppPaths().programFolder);
  scriptPath_ = parsed.path;
  if (!os::FileExists(scriptPath_)) {
    ShowStatus(texts::kFileNotFound + scriptPath_);
    return false;
  }
  scriptPath_ = os::RealPath(scriptPath_);
  scriptName_ = FileNamePart(scriptPath_);
  SetRunTitle(u"");
  params_ = parsed.params;

  HCURSOR cursor = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
  ApplyLayout(ButtonLayout::kStartUp);
  EnableWindow(tabs_, FALSE);
  RemoveTabs();
  SendMessageW(functions_, CB_RESETCONTENT, 0, 0);
  navigation_.clear();
  SetWindowTextW(print_, L"");
  panel_->Clear();
  untitled_ = false;

  bool ok = false;
  ScriptAssembly& assembly = interp_.assembly;
  assembly.setMainPath(EnterScriptFolder(scriptPath_));
  if (assembly.AssembleScript() && !assembly.sourceFiles().empty()) {
    std::vector<std::u16string> names;
    for (const TsvFileJyho& file : assembly.sourceFiles()) {
      if (editors_.size() >= kMaxTabs) break;
      AddTab(editors_.empty() ? scriptPath_ : file.path);
      names.push_back(FileNamePart(filePaths_.back()));
    }
    panel_->SetFileNames(std::move(names));
    navigation_ = assembly.navigation();
    for (const NavigationEntry& entry : navigation_) {
      SendMessageW(functions_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(W(entry.caption)));
    }
    SendMessageW(functions_, CB_SETCURSEL, 0, 0);
    ApplyLayout(ButtonLayout::kIdle);
    ok = true;
  } else {
    // Tab 0 stays, empty, and nothing can run.
    AddTab(scriptPath_);
    editors_.front()->LoadFile(u"");
    editors_.front()->SetReadOnly(true);
  }
  EnableWindow(tabs_, TRUE);
  SelectTab(0);
  SetCursor(cursor);
  return ok;
}

void MainWindow::Load() {
  if (AnyModified() && win::ShowMessageBox(hwnd_, texts::DiscardCurrent(), texts::kCaption,
                                           MB_OKCANCEL | MB_ICONQUESTION) != IDOK) {
    return;
  }
  const std::u16string chosen = SelectScriptFile(hwnd_);
  if (!chosen.empty()) OpenScript(chosen);
}

bool MainWindow::Save() {
  if (timerBusy_) return false;
  timerBusy_ = true;  // the editors process messages while they save
  EnableWindow(buttons_[kIdSave - kIdLoad], FALSE);
  bool ok = true;
  for (std::size_t i = 0; i < editors_.size() && ok; ++i) {
    SourceEditor& editor = *editors_[i];
    if (!editor.IsModified()) continue;
    if (i == 0 && untitled_) {
      if (editor.LineCount() == 0 || (editor.LineCount() == 1 && editor.Lines().front().empty())) {
        continue;
      }
      wchar_t name[MAX_PATH * 2] = {};
      OPENFILENAMEW dialog{};
      dialog.lStructSize = sizeof(dialog);
      dialog.hwndOwner = hwnd_;
      dialog.lpstrFilter = L"ZelkScript Files (*.zls)\0*.zls\0";
      dialog.lpstrFile = name;
      dialog.nMaxFile = MAX_PATH * 2;
      dialog.lpstrDefExt = L"ZELK";
      dialog.Flags = OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
      if (!GetSaveFileNameW(&dialog)) break;
      std::u16string path(reinterpret_cast<const char16_t*>(name));
      const std::size_t dot = path.find_last_of(u'.');
      const std::size_t slash = path.find_last_of(u"\\/");
      if (dot != std::u16string::npos && (slash == std::u16string::npos || dot > slash)) {
        path.resize(dot);
      }
      path += u".ZLS";
      if (os::FileExists(path) &&
          win::ShowMessageBox(hwnd_, texts::Overwrite(), texts::kConfirmCaption,
                              MB_YESNO | MB_ICONQUESTION) != IDYES) {
        break;
      }
      if (editor.SaveFile(path, true)) {
        ShowStatus(texts::WriteFailed());
        ok = false;
        break;
      }
      untitled_ = false;
      scriptPath_ = path;
      scriptName_ = FileNamePart(path);
      filePaths_[0] = path;
      SetTabCaption(tabs_, 0, TabCaption(path));
      SetRunTitle(u"");
      continue;
    }
    if (editor.SaveFile(u"", false)) {
      ShowStatus(texts::WriteFailed());
      ok = false;
    }
  }
  timerBusy_ = false;
  UpdateModifiedMarks();
  return ok;
}

void MainWindow::DropFiles(HDROP drop) {
  std::u16string path = win::DroppedFileNames(drop, false);
  DragFinish(drop);
  if (bridge_->Active() || path.empty()) return;
  std::u16string arguments;
  win::ResolveShortcut(path, &arguments);
  if (!EndsWith(UpperAscii(path), u".ZLS")) {
    ShowStatus(texts::NotAScript());
    return;
  }
  if (AnyModified() && win::ShowMessageBox(hwnd_, texts::DiscardCurrent(), texts::kCaption,
                                           MB_OKCANCEL | MB_ICONQUESTION) != IDOK) {
    return;
  }
  // A path with blanks stays one name: the command's path ends at ".ZLS".
  OpenScript(path + arguments);
}

bool MainWindow::AnyModified() const {
  return std::any_of(editors_.begin(), editors_.end(),
                     [](const auto& editor) { return editor->IsModified(); });
}

// Every second: modified tabs carry a '*', Save follows, and an edited
// untitled tab becomes a script that can run.
void MainWindow::UpdateModifiedMarks() {
  bool any = false;
  for (std::size_t i = 0; i < editors_.size(); ++i) {
    const int index = static_cast<int>(i);
    const std::u16string caption = TabCaptionOf(tabs_, index);
    const bool starred = !caption.empty() && caption[0] == u'*';
    if (editors_[i]->IsModified()) {
      any = true;
      if (!starred) SetTabCaption(tabs_, index, u"*" + caption);
      if (i == 0 && untitled_ && scriptPath_.empty() && !bridge_->Active()) {
        scriptPath_ = filePaths_[0];
        if (layout_ == ButtonLayout::kStartUp) ApplyLayout(ButtonLayout::kIdle);
      }
    } else if (starred) {
      SetTabCaption(tabs_, index, caption.substr(1));
    }
  }
  EnableWindow(buttons_[kIdSave - kIdLoad], any);
}

// Files written by other programs are opened again, with their breakpoints;
// only while idle and in front, so that nothing changes under a run.
void MainWindow::CheckFiles() {
  if (timerBusy_ || bridge_->Active() || untitled_ || editors_.empty() ||
      GetForegroundWindow() != hwnd_) {
    return;
  }
  timerBusy_ = true;
  std::vector<SourceEditor*> editors;
  for (auto& editor : editors_) editors.push_back(editor.get());
  const bool reopened = CheckChangedFiles(hwnd_, editors, fileUpdateMessageMs_, [this] {
    std::vector<SourceEditor*> fresh;
    if (OpenScript(openCommand_)) {
      for (auto& editor : editors_) fresh.push_back(editor.get());
    }
    return fresh;
  });
  if (reopened) {
    for (std::size_t i = 0; i < editors_.size(); ++i) SyncBreakpoints(static_cast<int>(i));
  }
  timerBusy_ = false;
}

void MainWindow::SelectTab(int index) {
  if (index < 0 || static_cast<std::size_t>(index) >= editors_.size()) return;
  activeTab_ = index;
  if (TabCtrl_GetCurSel(tabs_) != index) TabCtrl_SetCurSel(tabs_, index);
  Layout();
}

void MainWindow::FunctionChosen() {
  const LRESULT chosen = SendMessageW(functions_, CB_GETCURSEL, 0, 0);
  if (chosen < 0 || static_cast<std::size_t>(chosen) >= navigation_.size()) return;
  const NavigationEntry& entry = navigation_[static_cast<std::size_t>(chosen)];
  SelectTab(entry.fileIndex);
  SourceEditor* editor = ActiveEditor();
  if (editor == nullptr) return;
  editor->BeginUpdate();
  // Upward from the last line: the last occurrence, shown near the top.
  editor->GoToLine(editor->LineCount() - 1);
  if (editor->Find(false, entry.text, false) < 0) editor->GoToLine(0);
  editor->EndUpdate();
}

void MainWindow::WidenFunctionList() {
  HDC dc = GetDC(functions_);
  HGDIOBJ old = SelectObject(dc, font_);
  int widest = 0;
  for (const NavigationEntry& entry : navigation_) {
    SIZE size{};
    GetTextExtentPoint32W(dc, W(entry.caption), static_cast<int>(entry.caption.size()), &size);
    widest = std::max<int>(widest, size.cx);
  }
  SelectObject(dc, old);
  ReleaseDC(functions_, dc);
  int width = widest + 6;
  const LRESULT visible = SendMessageW(functions_, CB_GETMINVISIBLE, 0, 0);
  if (static_cast<LRESULT>(navigation_.size()) > visible) width += GetSystemMetrics(SM_CXVSCROLL);
  SendMessageW(functions_, CB_SETDROPPEDWIDTH, static_cast<WPARAM>(width), 0);
}

void MainWindow::Search(bool downward) {
  SourceEditor* editor = ActiveEditor();
  if (editor == nullptr) return;
  std::u16string selected = editor->SelectedText();
  selected = selected.substr(0, selected.find(u'\r'));
  if (!Trim(selected).empty()) SetWindowTextW(searchText_, W(selected));
  editor->Find(downward, WindowText(searchText_), true);
  SetFocus(editor->TextWindow());
}

void MainWindow::SyncBreakpoints(int file) {
  if (file < 0 || static_cast<std::size_t>(file) >= editors_.size()) return;
  const SourceEditor& editor = *editors_[static_cast<std::size_t>(file)];
  const std::vector<bool>& marks = editor.BreakpointMarks();
  std::vector<BreakpointRequest> requests;
  for (std::size_t line = 0; line < marks.size(); ++line) {
    if (!marks[line]) continue;
    const int at = static_cast<int>(line);
    requests.push_back({at, editor.BreakpointCondition(at), u"", u""});
  }
  bridge_->engine().SetBreakpoints(file, requests);
}

// The run reads each modified file from its "<path>$$$" copy.
void MainWindow::WriteEditorCopies() {
  DeleteEditorCopies();
  for (std::size_t i = 0; i < editors_.size(); ++i) {
    if (!editors_[i]->IsModified()) continue;
    const std::u16string copy = filePaths_[i] + kTempSuffix;
    if (!editors_[i]->SaveFile(copy, false)) copies_.push_back(copy);
  }
}

void MainWindow::DeleteEditorCopies() {
  for (const std::u16string& copy : copies_) DeleteFileW(W(copy));
  copies_.clear();
}

}  // namespace zelk::window
