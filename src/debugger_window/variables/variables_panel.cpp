#include "debugger_window/variables/variables_panel.h"

#include <commctrl.h>

#include <algorithm>
#include <mutex>
#include <optional>

#include "debugger/views/value_edit.h"
#include "debugger/views/views_snapshot.h"
#include "debugger_window/variables/value_dialog.h"
#include "debugger_window/variables/variable_grid.h"
#include "foundation/messages.h"

namespace zelk::window {
namespace {

constexpr wchar_t kClassName[] = L"ZelkVariablesPanel";
constexpr UINT kShowSnapshot = WM_APP + 0x31;  // a copy from the interpreter's thread waits
constexpr int kSplitterHeight = 4;
constexpr int kSplitterMinimum = 50;
constexpr int kGlobalHeight = 240;
constexpr int kTabHeight = 24;
constexpr int kWatchBarHeight = 24;

enum ControlId {
  kGlobalGridId = 1001,
  kLocalGridId,
  kTabsId,
  kCallStackId,
  kWatchListId,
  kWatchEditId,
  kWatchAddId,
};

enum Page { kLocalPage, kCallStackPage, kWatchPage };

const wchar_t* Wide(const std::u16string& text) {
  return reinterpret_cast<const wchar_t*>(text.c_str());
}

std::u16string Decimal(int n) {
  const std::string digits = std::to_string(n);
  return std::u16string(digits.begin(), digits.end());
}

HWND MakeList(HWND parent, int id, const std::u16string& name,
              std::initializer_list<std::u16string> columns) {
  HWND list = CreateWindowExW(
      WS_EX_CLIENTEDGE, WC_LISTVIEWW, Wide(name),
      WS_CHILD | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_NOSORTHEADER, 0,
      0, 0, 0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr),
      nullptr);
  SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
  SendMessageW(list, WM_SETFONT, SendMessageW(parent, WM_GETFONT, 0, 0), FALSE);
  int index = 0;
  for (const std::u16string& caption : columns) {
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.pszText = const_cast<wchar_t*>(Wide(caption));
    column.cx = 100;
    SendMessageW(list, LVM_INSERTCOLUMNW, index++, reinterpret_cast<LPARAM>(&column));
  }
  return list;
}

void SetCell(HWND list, int row, int column, const std::u16string& text) {
  LVITEMW item{};
  item.mask = LVIF_TEXT;
  item.iItem = row;
  item.iSubItem = column;
  item.pszText = const_cast<wchar_t*>(Wide(text));
  if (column == 0) {
    SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
  } else {
    SendMessageW(list, LVM_SETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
  }
}

// Two columns sharing the width, the first one narrower.
void FitTwoColumns(HWND list, int firstPercent) {
  RECT client;
  GetClientRect(list, &client);
  const int first = client.right * firstPercent / 100;
  SendMessageW(list, LVM_SETCOLUMNWIDTH, 0, first);
  SendMessageW(list, LVM_SETCOLUMNWIDTH, 1,
               client.right - first - 1 > 0 ? client.right - first - 1 : 0);
}

class Panel final : public VariablesPanel {
 public:
  Panel(HWND parent, DebugEngine& engine);
  ~Panel() override;

  HWND Window() const override { return window_; }
  void SetBounds(const RECT& bounds) override;
  void Refresh(THensuFmt& context) override;
  void Clear() override;
  void SetFileNames(std::vector<std::u16string> names) override { files_ = std::move(names); }
  void OnFrameSelected(std::function<void(SourceLine)> handler) override {
    onFrame_ = std::move(handler);
  }
  HWND GlobalGrid() const override { return global_->Window(); }
  HWND LocalGrid() const override { return local_->Window(); }
  HWND CallStackList() const override { return callStack_; }
  HWND WatchList() const override { return watchList_; }
  int GlobalHeight() const override { return globalHeight_; }
  void SetGlobalHeight(int height) override {
    globalHeight_ = height;
    Layout();
  }

 private:
  static LRESULT CALLBACK Proc(HWND, UINT, WPARAM, LPARAM);
  static LRESULT CALLBACK EditProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Notify(const NMHDR& header);
  void Layout();
  void ShowPage(int page);
  void Show(ViewsSnapshot snapshot);
  void ShowFrames();
  void ShowWatches();
  void Edit(const VariableGrid& grid, const VariableRow& row);
  void SelectFrame(int frame);
  void AddWatch();
  void RemoveWatch(int index);
  void EvaluateWatchesNow();
  std::vector<std::u16string> WatchTexts() const;
  std::u16string FrameLine(const Frame& frame) const;

  DebugEngine& engine_;
  HWND window_ = nullptr;
  DWORD uiThread_ = 0;
  std::unique_ptr<VariableGrid> global_;
  std::unique_ptr<VariableGrid> local_;
  HWND tabs_ = nullptr;
  HWND callStack_ = nullptr;
  HWND watchList_ = nullptr;
  HWND watchEdit_ = nullptr;
  HWND watchAdd_ = nullptr;
  int page_ = kLocalPage;
  int globalHeight_ = kGlobalHeight;  // as wanted (dragged or from the settings)
  int shownGlobal_ = kGlobalHeight;   // within the panel's present height
  HFONT font_ = nullptr;
  bool dragging_ = false;
  int dragOffset_ = 0;

  // What the views show: the contexts are only used after ContextIsLive.
  THensuFmt* globalContext_ = nullptr;
  THensuFmt* localContext_ = nullptr;
  int frame_ = 0;  // the call stack's frame the local grid shows
  std::vector<Frame> frames_;
  std::vector<WatchRow> watchRows_;
  std::vector<std::u16string> files_;
  std::function<void(SourceLine)> onFrame_;

  mutable std::mutex mutex_;
  std::vector<std::u16string> watches_;   // guarded: read by Refresh on any thread
  std::optional<ViewsSnapshot> pending_;  // guarded: posted, not yet shown
};

Panel::Panel(HWND parent, DebugEngine& engine) : engine_(engine), uiThread_(GetCurrentThreadId()) {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSW type{};
  if (!GetClassInfoW(instance, kClassName, &type)) {
    type.lpfnWndProc = Proc;
    type.hInstance = instance;
    type.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    type.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    type.lpszClassName = kClassName;
    RegisterClassW(&type);
  }
  window_ =
      CreateWindowExW(WS_EX_CONTROLPARENT, kClassName, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN,
                      0, 0, 0, 0, parent, nullptr, instance, this);
  HFONT font = reinterpret_cast<HFONT>(SendMessageW(parent, WM_GETFONT, 0, 0));
  if (font == nullptr) font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  SendMessageW(window_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);

  global_ = std::make_unique<VariableGrid>(window_, kGlobalGridId, u"Global", 0);
  tabs_ =
      CreateWindowExW(0, WC_TABCONTROLW, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_TABSTOP,
                      0, 0, 0, 0, window_, reinterpret_cast<HMENU>(kTabsId), instance, nullptr);
  SendMessageW(tabs_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  const std::u16string pages[] = {Msg(u"Local", u"ローカル"), Msg(u"Call Stack", u"呼び出し履歴"),
                                  Msg(u"Watch", u"ウォッチ")};
  for (int i = 0; i < 3; ++i) {
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = const_cast<wchar_t*>(Wide(pages[i]));
    SendMessageW(tabs_, TCM_INSERTITEMW, i, reinterpret_cast<LPARAM>(&item));
  }
  local_ = std::make_unique<VariableGrid>(window_, kLocalGridId, u"Local", 1);
  callStack_ = MakeList(window_, kCallStackId, pages[1],
                        {Msg(u"Routine", u"ルーチン"), Msg(u"Line", u"行")});
  watchList_ =
      MakeList(window_, kWatchListId, pages[2], {Msg(u"Expression", u"式"), Msg(u"Value", u"値")});
  watchEdit_ =
      CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"", WS_CHILD | WS_TABSTOP | ES_AUTOHSCROLL, 0, 0,
                      0, 0, window_, reinterpret_cast<HMENU>(kWatchEditId), instance, nullptr);
  SendMessageW(watchEdit_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  SetWindowSubclass(watchEdit_, EditProc, 1, reinterpret_cast<DWORD_PTR>(this));
  watchAdd_ = CreateWindowExW(0, L"BUTTON", Wide(Msg(u"Add", u"追加")),
                              WS_CHILD | WS_TABSTOP | BS_PUSHBUTTON, 0, 0, 0, 0, window_,
                              reinterpret_cast<HMENU>(kWatchAddId), instance, nullptr);
  SendMessageW(watchAdd_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);

  for (VariableGrid* grid : {global_.get(), local_.get()}) {
    grid->OnEdit([this, grid](const VariableRow& row) { Edit(*grid, row); });
  }
  ShowPage(kLocalPage);
}

Panel::~Panel() {
  if (IsWindow(window_)) {
    SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
    RemoveWindowSubclass(watchEdit_, EditProc, 1);
    DestroyWindow(window_);
  }
}

void Panel::SetBounds(const RECT& bounds) {
  MoveWindow(window_, bounds.left, bounds.top, bounds.right - bounds.left,
             bounds.bottom - bounds.top, TRUE);
  Layout();
}

void Panel::Layout() {
  if (!watchAdd_) return;  // WM_SIZE while the children are made
  RECT client;
  GetClientRect(window_, &client);
  const int width = client.right;
  const int height = client.bottom;
  // Both parts keep more than the splitter's minimum where there is room.
  const int most = height - kSplitterHeight - kSplitterMinimum - 1;
  // A window made small for a moment keeps the wanted height for later.
  shownGlobal_ = std::max(std::min(globalHeight_, most), kSplitterMinimum + 1);
  global_->Place(0, 0, width, shownGlobal_);
  const int tabsTop = shownGlobal_ + kSplitterHeight;
  MoveWindow(tabs_, 0, tabsTop, width, kTabHeight, TRUE);
  const int top = tabsTop + kTabHeight;
  const int rest = height - top > 0 ? height - top : 0;
  local_->Place(0, top, width, rest);
  MoveWindow(callStack_, 0, top, width, rest, TRUE);
  FitTwoColumns(callStack_, 50);
  const int addWidth = 52;
  MoveWindow(watchEdit_, 0, top, width - addWidth > 0 ? width - addWidth : 0, kWatchBarHeight,
             TRUE);
  MoveWindow(watchAdd_, width - addWidth, top, addWidth, kWatchBarHeight, TRUE);
  MoveWindow(watchList_, 0, top + kWatchBarHeight, width,
             rest - kWatchBarHeight > 0 ? rest - kWatchBarHeight : 0, TRUE);
  FitTwoColumns(watchList_, 45);
}

void Panel::ShowPage(int page) {
  page_ = page;
  SendMessageW(tabs_, TCM_SETCURSEL, page, 0);
  ShowWindow(local_->Window(), page == kLocalPage ? SW_SHOW : SW_HIDE);
  ShowWindow(callStack_, page == kCallStackPage ? SW_SHOW : SW_HIDE);
  for (HWND control : {watchList_, watchEdit_, watchAdd_}) {
    ShowWindow(control, page == kWatchPage ? SW_SHOW : SW_HIDE);
  }
}

std::vector<std::u16string> Panel::WatchTexts() const {
  std::lock_guard lock(mutex_);
  return watches_;
}

void Panel::Refresh(THensuFmt& context) {
  std::vector<std::u16string> watches;
  {
    std::lock_guard lock(mutex_);
    if (!watches_.empty()) watches = watches_;
  }
  ViewsSnapshot snapshot = CaptureViews(engine_, context, 0, watches);
  if (GetCurrentThreadId() == uiThread_) {
    Show(std::move(snapshot));
    return;
  }
  bool post = false;
  {
    std::lock_guard lock(mutex_);
    post = !pending_.has_value();
    pending_ = std::move(snapshot);
  }
  if (post) PostMessageW(window_, kShowSnapshot, 0, 0);
}

void Panel::Clear() {
  {
    std::lock_guard lock(mutex_);
    pending_.reset();
  }
  global_->Clear();
  local_->Clear();
  globalContext_ = localContext_ = nullptr;
  frame_ = 0;
  frames_.clear();
  ShowFrames();
  watchRows_.clear();
  ShowWatches();
}

void Panel::Show(ViewsSnapshot snapshot) {
  global_->Show(std::move(snapshot.globals));
  local_->Show(std::move(snapshot.locals));
  globalContext_ = snapshot.global;
  localContext_ = snapshot.local;
  frame_ = 0;
  frames_ = std::move(snapshot.frames);
  ShowFrames();
  watchRows_ = std::move(snapshot.watches);
  ShowWatches();
}

std::u16string Panel::FrameLine(const Frame& frame) const {
  if (frame.where.line < 0) return u"";
  std::u16string file;
  if (frame.where.file >= 0 && static_cast<std::size_t>(frame.where.file) < files_.size()) {
    file = files_[static_cast<std::size_t>(frame.where.file)];
    const std::size_t slash = file.find_last_of(u"\\/");
    if (slash != std::u16string::npos) file.erase(0, slash + 1);
    file += u" ";
  }
  return file + Decimal(frame.where.line + 1);
}

void Panel::ShowFrames() {
  SendMessageW(callStack_, WM_SETREDRAW, FALSE, 0);
  SendMessageW(callStack_, LVM_DELETEALLITEMS, 0, 0);
  for (std::size_t i = 0; i < frames_.size(); ++i) {
    const int row = static_cast<int>(i);
    SetCell(callStack_, row, 0, frames_[i].name);
    SetCell(callStack_, row, 1, FrameLine(frames_[i]));
  }
  SendMessageW(callStack_, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(callStack_, nullptr, TRUE);
}

// One row per watch expression; values from the last evaluation when they
// belong to the same expression.
void Panel::ShowWatches() {
  const std::vector<std::u16string> watches = WatchTexts();
  SendMessageW(watchList_, WM_SETREDRAW, FALSE, 0);
  SendMessageW(watchList_, LVM_DELETEALLITEMS, 0, 0);
  for (std::size_t i = 0; i < watches.size(); ++i) {
    const int row = static_cast<int>(i);
    SetCell(watchList_, row, 0, watches[i]);
    std::u16string value;
    if (i < watchRows_.size() && watchRows_[i].expression == watches[i]) {
      value = watchRows_[i].failed ? u"<" + watchRows_[i].value + u">" : watchRows_[i].value;
    }
    SetCell(watchList_, row, 1, value);
  }
  SendMessageW(watchList_, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(watchList_, nullptr, TRUE);
}

void Panel::EvaluateWatchesNow() {
  const std::vector<std::u16string> watches = WatchTexts();
  THensuFmt* context = localContext_;
  const int frame = frame_;
  std::vector<WatchRow> rows;
  const bool done = engine_.WhilePaused([&] {
    if (!ContextIsLive(engine_, globalContext_, context)) return;
    rows = EvaluateWatches(engine_, *context, frame, watches);
  });
  if (done && rows.size() == watches.size()) watchRows_ = std::move(rows);
  ShowWatches();
}

void Panel::AddWatch() {
  const int length = GetWindowTextLengthW(watchEdit_);
  std::u16string text(static_cast<std::size_t>(length) + 1, u'\0');
  GetWindowTextW(watchEdit_, reinterpret_cast<wchar_t*>(text.data()), length + 1);
  text.resize(static_cast<std::size_t>(length));
  const std::size_t first = text.find_first_not_of(u" \t");
  if (first == std::u16string::npos) return;
  text = text.substr(first, text.find_last_not_of(u" \t") - first + 1);
  {
    std::lock_guard lock(mutex_);
    watches_.push_back(text);
  }
  SetWindowTextW(watchEdit_, L"");
  EvaluateWatchesNow();
}

void Panel::RemoveWatch(int index) {
  {
    std::lock_guard lock(mutex_);
    if (index < 0 || static_cast<std::size_t>(index) >= watches_.size()) return;
    watches_.erase(watches_.begin() + index);
  }
  if (static_cast<std::size_t>(index) < watchRows_.size()) {
    watchRows_.erase(watchRows_.begin() + index);
  }
  ShowWatches();
}

void Panel::SelectFrame(int frame) {
  if (frame < 0 || static_cast<std::size_t>(frame) >= frames_.size()) return;
  THensuFmt* context = frames_[static_cast<std::size_t>(frame)].context;
  const std::vector<std::u16string> watches = WatchTexts();
  std::optional<ViewsSnapshot> fresh;
  engine_.WhilePaused([&] {
    if (!ContextIsLive(engine_, globalContext_, context)) return;
    fresh = CaptureViews(engine_, *context, frame, watches);
  });
  if (!fresh) return;
  local_->Show(std::move(fresh->locals));
  localContext_ = context;
  frame_ = frame;
  watchRows_ = std::move(fresh->watches);
  ShowWatches();
  if (onFrame_) onFrame_(frames_[static_cast<std::size_t>(frame)].where);
}

// A double-click on a scalar while the run is paused: the value box, then
// the new value straight into the variable, and the views again.
void Panel::Edit(const VariableGrid& grid, const VariableRow& row) {
  if (!engine_.Paused()) return;
  const bool isLocal = grid.Tag() == 1;
  THensuFmt* target = isLocal ? localContext_ : globalContext_;
  std::u16string text;
  bool found = false;
  engine_.WhilePaused([&] {
    if (!ContextIsLive(engine_, globalContext_, target)) return;
    Value value;
    found = ScalarValue(*target, row.index, &value);
    if (found) text = EditText(value);
  });
  if (!found) return;
  bool escaped = false;
  const std::u16string boxed = EscapeForEdit(text, &escaped);
  HWND owner = GetAncestor(window_, GA_ROOT);
  const std::optional<std::u16string> typed = AskValue(
      owner, isLocal ? u"Local" : u"Global", row.name, boxed, KindDescription(row.kind, row.value));
  if (!typed) return;
  const Value value = EditedValue(*typed, row.kind, escaped, [owner](const KindQuestion& q) {
    return AskKindChoice(owner, q);
  });
  // The run may have gone on while the box was open: write only into a
  // context of the stop it waits in now.
  const std::vector<std::u16string> watches = WatchTexts();
  THensuFmt* shown = localContext_;
  const int frame = frame_;
  std::optional<ViewsSnapshot> fresh;
  engine_.WhilePaused([&] {
    if (!ContextIsLive(engine_, globalContext_, target) ||
        !ContextIsLive(engine_, globalContext_, shown)) {
      return;
    }
    if (WriteVariable(*target, row.index, value)) {
      fresh = CaptureViews(engine_, *shown, frame, watches);
    }
  });
  if (!fresh) return;
  global_->Show(std::move(fresh->globals));
  local_->Show(std::move(fresh->locals));
  watchRows_ = std::move(fresh->watches);
  ShowWatches();
}

LRESULT CALLBACK Panel::EditProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                 DWORD_PTR data) {
  if (message == WM_CHAR && wParam == VK_RETURN) {
    reinterpret_cast<Panel*>(data)->AddWatch();
    return 0;
  }
  if (message == WM_GETDLGCODE && wParam == VK_RETURN) return DLGC_WANTALLKEYS;
  return DefSubclassProc(window, message, wParam, lParam);
}

LRESULT Panel::Notify(const NMHDR& header) {
  LRESULT result = 0;
  if (!local_) return 0;
  if (global_->HandleNotify(header, &result) || local_->HandleNotify(header, &result)) {
    return result;
  }
  if (header.hwndFrom == tabs_ && header.code == TCN_SELCHANGE) {
    ShowPage(static_cast<int>(SendMessageW(tabs_, TCM_GETCURSEL, 0, 0)));
  } else if (header.hwndFrom == callStack_ && header.code == LVN_ITEMCHANGED) {
    const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
    if ((change.uNewState & LVIS_SELECTED) != 0 && (change.uOldState & LVIS_SELECTED) == 0) {
      SelectFrame(change.iItem);
    }
  } else if (header.hwndFrom == watchList_ && header.code == LVN_KEYDOWN) {
    const auto& key = reinterpret_cast<const NMLVKEYDOWN&>(header);
    if (key.wVKey == VK_DELETE) {
      RemoveWatch(static_cast<int>(SendMessageW(watchList_, LVM_GETNEXTITEM, -1, LVNI_SELECTED)));
    }
  }
  return 0;
}

LRESULT Panel::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case kShowSnapshot: {
      std::optional<ViewsSnapshot> snapshot;
      {
        std::lock_guard lock(mutex_);
        snapshot.swap(pending_);
      }
      if (snapshot) Show(std::move(*snapshot));
      return 0;
    }
    case WM_NOTIFY:
      return Notify(*reinterpret_cast<const NMHDR*>(lParam));
    case WM_COMMAND:
      if (LOWORD(wParam) == kWatchAddId && HIWORD(wParam) == BN_CLICKED) AddWatch();
      return 0;
    case WM_SIZE:
      Layout();
      return 0;
    case WM_SETFONT:
      font_ = reinterpret_cast<HFONT>(wParam);
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(font_);
    case WM_SETCURSOR: {
      POINT at;
      GetCursorPos(&at);
      ScreenToClient(window_, &at);
      if (at.y >= shownGlobal_ && at.y < shownGlobal_ + kSplitterHeight) {
        SetCursor(LoadCursorW(nullptr, IDC_SIZENS));
        return TRUE;
      }
      break;
    }
    case WM_LBUTTONDOWN: {
      const int y = static_cast<short>(HIWORD(lParam));
      if (y >= shownGlobal_ && y < shownGlobal_ + kSplitterHeight) {
        dragging_ = true;
        dragOffset_ = y - shownGlobal_;
        SetCapture(window_);
      }
      return 0;
    }
    case WM_MOUSEMOVE:
      if (dragging_) {
        globalHeight_ = static_cast<short>(HIWORD(lParam)) - dragOffset_;
        Layout();
        globalHeight_ = shownGlobal_;
      }
      return 0;
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED:
      if (dragging_) {
        dragging_ = false;
        if (message == WM_LBUTTONUP) ReleaseCapture();
      }
      return 0;
    default:
      break;
  }
  return DefWindowProcW(window_, message, wParam, lParam);
}

LRESULT CALLBACK Panel::Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    auto* panel = static_cast<Panel*>(create->lpCreateParams);
    panel->window_ = window;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(panel));
  }
  auto* panel = reinterpret_cast<Panel*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (panel == nullptr) return DefWindowProcW(window, message, wParam, lParam);
  return panel->Handle(message, wParam, lParam);
}

}  // namespace

std::unique_ptr<VariablesPanel> VariablesPanel::Create(HWND parent, DebugEngine& engine) {
  return std::make_unique<Panel>(parent, engine);
}

}  // namespace zelk::window
