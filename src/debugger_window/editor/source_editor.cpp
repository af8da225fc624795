#include "debugger_window/editor/source_editor.h"

#include <richedit.h>

#include <algorithm>

#include "base/text_scan.h"
#include "debugger/editing/kept_breakpoints.h"
#include "debugger/editing/marks_follow.h"
#include "debugger/editing/text_search.h"
#include "debugger/syntax/long_lines.h"
#include "debugger_window/editor/code_view.h"
#include "debugger_window/editor/condition_dialog.h"
#include "debugger_window/editor/editor_menu.h"
#include "debugger_window/editor/gutter.h"
#include "foundation/messages.h"
#include "foundation/text_file.h"
#include "platform/platform.h"
#include "platform/win32/window_class.h"

namespace zelk::window {
namespace {

constexpr wchar_t kContainerClass[] = L"ZelkSourceEditor";
constexpr COLORREF kFormColour = RGB(245, 245, 245);
// How long a save waits for the file system to show the file's new time.
constexpr int kSaveTimeWaitMs = 250;

AppearanceSettings& SharedAppearance() {
  static AppearanceSettings look = AppearanceSettings::Defaults(JapaneseMessages());
  return look;
}

class SourceEditorImpl final : public SourceEditor, private CodeViewOwner {
 public:
  explicit SourceEditorImpl(HWND parent);
  ~SourceEditorImpl() override;

  HWND Window() const override { return hwnd_; }
  bool LoadFile(const std::u16string& path) override;
  void Recolour() override;
  bool SaveFile(const std::u16string& path, bool asNewName) override;
  const std::u16string& FilePath() const override { return path_; }

  std::vector<std::u16string> Lines() const override { return view_->Buffer().Lines(); }
  int LineCount() const override { return view_->Buffer().LineCount(); }
  std::u16string SelectedText() const override;
  bool IsModified() const override { return view_->Buffer().IsModified(); }
  void SetReadOnly(bool on) override { view_->SetReadOnly(on); }
  void BeginUpdate() override { view_->BeginUpdate(); }
  void EndUpdate() override { view_->EndUpdate(); }

  void HighlightLine(int line, bool select) override;
  void ClearHighlight() override;
  int Find(bool downward, std::u16string_view text, bool selectMatch) override;
  void GoToLine(int line) override;

  bool HasBreakpoint(int line) const override;
  void ToggleBreakpoint(int line) override;
  const std::vector<bool>& BreakpointMarks() const override { return marks_; }
  void SetBreakpointMarks(std::vector<bool> marks) override;
  void OnBreakpointsChanged(std::function<void()> handler) override {
    onBreakpoints_ = std::move(handler);
  }

  void OnTextChanged(std::function<void()> handler) override { onText_ = std::move(handler); }
  std::u16string LineRuns(int line) const override { return RunsText(view_->Runs(line)); }
  int CurrentLine() const override { return currentLine_; }
  int CaretLine() const override { return view_->GetSelection().caret.line; }
  int FirstVisibleLine() const override { return view_->FirstVisibleLine(); }
  int LineHeight() const override { return view_->LineHeight(); }
  int FileEncoding() const override { return encoding_; }
  HWND TextWindow() const override { return view_->Window(); }
  HWND GutterWindow() const override { return gutter_->Window(); }

  bool TakeDiskChange() override;
  std::vector<KeptBreakpoint> SaveAnchors() const override {
    return KeepBreakpoints(view_->Buffer().Lines(), marks_, conditions_);
  }
  void RestoreAnchors(const std::vector<KeptBreakpoint>& kept) override;
  std::u16string BreakpointCondition(int line) const override;
  bool SetBreakpointCondition(int line, const std::u16string& condition) override;

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  void Layout();
  void UpdateGutter();
  void OnGutterClick(int y);
  void OnGutterMenu(int y, POINT screen);
  void TakeOwnSaveTime();

  void OnTextChange(const LineChange& change) override;
  void OnViewMoved() override { UpdateGutter(); }
  void OnContextMenu(POINT screen, bool byKeyboard) override;
  void OnHelpKey() override;

  HWND hwnd_ = nullptr;
  std::unique_ptr<Gutter> gutter_;
  std::unique_ptr<CodeView> view_;
  std::u16string path_;
  int encoding_ = kEncodingAnsiOrUtf8;
  std::vector<bool> marks_;
  std::vector<std::u16string> conditions_;  // parallel to marks_
  double diskTime_ = 0;                     // the file's time as last seen
  int currentLine_ = -1;
  std::function<void()> onBreakpoints_;
  std::function<void()> onText_;
};

SourceEditorImpl::SourceEditorImpl(HWND parent) {
  win::RegisterWindowClass(kContainerClass, &SourceEditorImpl::Proc, IDC_ARROW, kFormColour);
  CreateWindowExW(0, kContainerClass, L"", WS_CHILD | WS_CLIPCHILDREN, 0, 0, 0, 0, parent, nullptr,
                  GetModuleHandleW(nullptr), this);
  gutter_ = std::make_unique<Gutter>(
      hwnd_, [this](int y) { OnGutterClick(y); },
      [this](int y, POINT screen) { OnGutterMenu(y, screen); });
  gutter_->SetFont(SharedAppearance());
  view_ = std::make_unique<CodeView>(hwnd_, static_cast<CodeViewOwner*>(this), SharedAppearance());
  marks_.assign(1, false);
  conditions_.assign(1, u"");
  Layout();
  UpdateGutter();
}

SourceEditorImpl::~SourceEditorImpl() {
  view_.reset();
  gutter_.reset();
  if (hwnd_) DestroyWindow(hwnd_);
}

LRESULT CALLBACK SourceEditorImpl::Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* editor = reinterpret_cast<SourceEditorImpl*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  switch (msg) {
    case WM_NCCREATE:
      editor = static_cast<SourceEditorImpl*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
      editor->hwnd_ = hwnd;
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(editor));
      break;
    case WM_NCDESTROY:
      if (editor) editor->hwnd_ = nullptr;
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
      break;
    case WM_SIZE:
      if (editor) editor->Layout();
      return 0;
    case WM_SETFOCUS:
      if (editor && editor->view_) SetFocus(editor->view_->Window());
      return 0;
    default:
      break;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

void SourceEditorImpl::Layout() {
  if (!hwnd_ || !gutter_ || !view_) return;
  RECT client;
  GetClientRect(hwnd_, &client);
  const int gutterWidth = gutter_->Width();
  MoveWindow(gutter_->Window(), 0, 0, gutterWidth, client.bottom, TRUE);
  MoveWindow(view_->Window(), gutterWidth, 0, std::max<int>(0, client.right - gutterWidth),
             client.bottom, TRUE);
}

void SourceEditorImpl::UpdateGutter() {
  if (!gutter_ || !view_) return;
  Gutter::State state;
  state.firstLine = view_->FirstVisibleLine();
  state.lineCount = view_->Buffer().LineCount();
  state.lineHeight = view_->LineHeight();
  state.textOffset = view_->TextOffset();
  state.currentLine = currentLine_;
  state.marks = marks_;
  state.conditioned.resize(conditions_.size());
  for (std::size_t line = 0; line < conditions_.size(); ++line) {
    state.conditioned[line] = !conditions_[line].empty();
  }
  gutter_->Update(std::move(state));
}

bool SourceEditorImpl::LoadFile(const std::u16string& path) {
  path_ = UpperAscii(path);
  std::vector<std::u16string> lines;
  int encoding = kEncodingDetect;
  const bool loaded = LoadTextFile(path, &lines, &encoding);
  if (loaded) {
    encoding_ = encoding;
    SplitLongLines(lines);
  } else {
    lines.clear();
    encoding_ = kEncodingAnsiOrUtf8;
  }
  diskTime_ = loaded ? os::FileModificationTime(path) : 0;
  currentLine_ = -1;
  view_->SetLines(std::move(lines));
  marks_.assign(static_cast<std::size_t>(view_->Buffer().LineCount()), false);
  conditions_.assign(marks_.size(), u"");
  UpdateGutter();
  return loaded;
}

void SourceEditorImpl::Recolour() {
  gutter_->SetFont(SharedAppearance());
  view_->SetAppearance(SharedAppearance());
  Layout();
  UpdateGutter();
}

bool SourceEditorImpl::SaveFile(const std::u16string& path, bool asNewName) {
  const std::u16string target = path.empty() ? path_ : path;
  if (!SaveTextFile(target, view_->Buffer().Lines(), encoding_)) return true;
  if (asNewName) {
    path_ = UpperAscii(target);
    view_->Buffer().SetUnmodified();
    TakeOwnSaveTime();
  } else if (UpperAscii(target) == path_) {
    view_->Buffer().SetUnmodified();
    TakeOwnSaveTime();
  }
  return false;
}

// The file system may show a write's time a moment late: wait for it, so
// that the check for changes by other programs does not see our own save.
void SourceEditorImpl::TakeOwnSaveTime() {
  const double before = diskTime_;
  double now = os::FileModificationTime(path_);
  for (int waited = 0; now != 0 && now == before && waited < kSaveTimeWaitMs; waited += 20) {
    os::SleepMs(20);
    os::ProcessMessages();
    now = os::FileModificationTime(path_);
  }
  diskTime_ = now;
}

bool SourceEditorImpl::TakeDiskChange() {
  if (path_.empty()) return false;
  const double now = os::FileModificationTime(path_);
  if (now <= diskTime_) return false;
  diskTime_ = now;
  return true;
}

void SourceEditorImpl::RestoreAnchors(const std::vector<KeptBreakpoint>& kept) {
  PlaceKeptBreakpoints(view_->Buffer().Lines(), kept, &marks_, &conditions_);
  view_->Buffer().SetUnmodified();
  UpdateGutter();
  if (onBreakpoints_) onBreakpoints_();
}

std::u16string SourceEditorImpl::BreakpointCondition(int line) const {
  if (!HasBreakpoint(line) || line >= static_cast<int>(conditions_.size())) return u"";
  return conditions_[static_cast<std::size_t>(line)];
}

bool SourceEditorImpl::SetBreakpointCondition(int line, const std::u16string& condition) {
  if (line < 0 || line >= view_->Buffer().LineCount() ||
      !CanHoldBreakpoint(view_->Buffer().Line(line))) {
    return false;
  }
  const auto count = static_cast<std::size_t>(view_->Buffer().LineCount());
  marks_.resize(count, false);
  conditions_.resize(count);
  const auto at = static_cast<std::size_t>(line);
  if (marks_[at] && conditions_[at] == condition) return true;
  marks_[at] = true;
  conditions_[at] = condition;
  UpdateGutter();
  if (onBreakpoints_) onBreakpoints_();
  return true;
}

void SourceEditorImpl::OnGutterMenu(int y, POINT screen) {
  const int line = view_->FirstVisibleLine() + y / std::max(1, view_->LineHeight());
  if (line < 0 || line >= view_->Buffer().LineCount()) return;
  const bool canHold = CanHoldBreakpoint(view_->Buffer().Line(line));
  std::u16string condition = BreakpointCondition(line);
  if (!ShowGutterMenu(gutter_->Window(), screen, canHold, !condition.empty())) return;
  if (AskBreakpointCondition(hwnd_, line, &condition)) SetBreakpointCondition(line, condition);
}

std::u16string SourceEditorImpl::SelectedText() const {
  const Selection selection = view_->GetSelection();
  return view_->Buffer().Text(selection.Start(), selection.End());
}

void SourceEditorImpl::HighlightLine(int line, bool select) {
  const TextBuffer& buffer = view_->Buffer();
  if (line < 0 || line >= buffer.LineCount()) line = buffer.LineCount() - 1;
  const TextPos start{line, 0};
  if (!select) {
    view_->Select({start, start});
    UpdateGutter();
    return;
  }
  const bool above = line < view_->FirstVisibleLine();
  currentLine_ = line;
  // The whole line with its line break; the caret stays at its start.
  const TextPos end =
      line + 1 < buffer.LineCount() ? TextPos{line + 1, 0} : TextPos{line, buffer.LineLength(line)};
  view_->Select({end, start});
  if (above) view_->ScrollToLine(line - 1);
  UpdateGutter();
}

void SourceEditorImpl::ClearHighlight() {
  currentLine_ = -1;
  const TextPos start = view_->GetSelection().Start();
  view_->Select({start, start});
  UpdateGutter();
}

int SourceEditorImpl::Find(bool downward, std::u16string_view text, bool selectMatch) {
  if (text.empty()) return -1;
  const std::optional<TextPos> match =
      FindInLines(view_->Buffer().Lines(), view_->GetSelection().Start(), text, downward);
  if (!match) return -1;
  const TextPos end{match->line, match->column + static_cast<int>(text.size())};
  view_->Select({selectMatch ? end : *match, *match});
  UpdateGutter();
  return match->line;
}

void SourceEditorImpl::GoToLine(int line) {
  line = std::clamp(line, 0, view_->Buffer().LineCount() - 1);
  view_->Select({{line, 0}, {line, 0}});
  UpdateGutter();
}

bool SourceEditorImpl::HasBreakpoint(int line) const {
  return line >= 0 && line < static_cast<int>(marks_.size()) &&
         marks_[static_cast<std::size_t>(line)];
}

void SourceEditorImpl::ToggleBreakpoint(int line) {
  if (line < 0 || line >= view_->Buffer().LineCount()) return;
  marks_.resize(static_cast<std::size_t>(view_->Buffer().LineCount()), false);
  auto mark = marks_[static_cast<std::size_t>(line)];
  const bool was = mark;
  mark = !was && CanHoldBreakpoint(view_->Buffer().Line(line));
  if (mark == was) return;
  conditions_.resize(marks_.size());
  conditions_[static_cast<std::size_t>(line)].clear();
  UpdateGutter();
  if (onBreakpoints_) onBreakpoints_();
}

void SourceEditorImpl::SetBreakpointMarks(std::vector<bool> marks) {
  marks_ = std::move(marks);
  marks_.resize(static_cast<std::size_t>(view_->Buffer().LineCount()), false);
  conditions_.resize(marks_.size());
  for (std::size_t line = 0; line < marks_.size(); ++line) {
    if (!marks_[line]) conditions_[line].clear();
  }
  UpdateGutter();
}

void SourceEditorImpl::OnGutterClick(int y) {
  const int lineHeight = std::max(1, view_->LineHeight());
  ToggleBreakpoint(view_->FirstVisibleLine() + y / lineHeight);
}

void SourceEditorImpl::OnTextChange(const LineChange& change) {
  const bool moved = FollowChange(marks_, change, view_->Buffer().Lines());
  FollowChangeConditions(conditions_, change, marks_);
  if (currentLine_ >= view_->Buffer().LineCount()) currentLine_ = -1;
  UpdateGutter();
  if (moved && onBreakpoints_) onBreakpoints_();
  if (onText_) onText_();
}

void SourceEditorImpl::OnContextMenu(POINT screen, bool byKeyboard) {
  const Selection selection = view_->GetSelection();
  TextPos at = selection.caret;
  if (!byKeyboard) {
    POINT client = screen;
    ScreenToClient(view_->Window(), &client);
    at = view_->PosFromPoint(client);
  }
  const TextBuffer& buffer = view_->Buffer();
  const bool editable = !view_->ReadOnly();
  EditorMenuState state;
  state.canUndo = view_->CanUndo();
  state.canRedo = view_->CanRedo();
  state.canCut = editable && !selection.Empty();
  state.canCopy = !selection.Empty();
  state.canPaste = editable && IsClipboardFormatAvailable(CF_UNICODETEXT);
  state.hasText = buffer.LineCount() > 1 || buffer.LineLength(0) > 0;
  const std::u16string topic = HelpTopicWord(buffer.Line(at.line), at.column);
  state.helpWord = topic.substr(0, topic.find(u','));
  HWND text = view_->Window();
  // The commands go through the text window's own messages.
  switch (ShowEditorMenu(text, screen, state)) {
    case EditorCommand::kUndo:
      PostMessageW(text, WM_UNDO, 0, 0);
      break;
    case EditorCommand::kRedo:
      PostMessageW(text, EM_REDO, 0, 0);
      break;
    case EditorCommand::kCut:
      PostMessageW(text, WM_CUT, 0, 0);
      break;
    case EditorCommand::kCopy:
      PostMessageW(text, WM_COPY, 0, 0);
      break;
    case EditorCommand::kPaste:
      PostMessageW(text, WM_PASTE, 0, 0);
      break;
    case EditorCommand::kDelete:
      PostMessageW(text, WM_CLEAR, 0, 0);
      break;
    case EditorCommand::kSelectAll:
      view_->SelectAll();
      break;
    case EditorCommand::kHelp:
      OpenHelp(hwnd_, topic);
      break;
    case EditorCommand::kNone:
      break;
  }
}

void SourceEditorImpl::OnHelpKey() {
  const TextPos caret = view_->GetSelection().caret;
  OpenHelp(hwnd_, HelpTopicWord(view_->Buffer().Line(caret.line), caret.column));
}

}  // namespace

std::unique_ptr<SourceEditor> SourceEditor::Create(HWND parent) {
  return std::make_unique<SourceEditorImpl>(parent);
}

void SourceEditor::SetAppearance(const AppearanceSettings& look) {
  SharedAppearance() = look;
}

}  // namespace zelk::window
