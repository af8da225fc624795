// The main window: creation, the message procedure, the layout of its parts
// and the splitters between them, closing, and the user-interface hooks that
// the rest of the program reports through.
#include "debugger_window/main/main_window.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>

#include "debugger/syntax/appearance_settings.h"
#include "debugger_window/main/global_keys.h"
#include "debugger_window/main/main_texts.h"
#include "debugger_window/main/main_window_impl.h"
#include "debugger_window/main/tool_icons.h"
#include "foundation/messages.h"
#include "foundation/user_interface.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/window_utils.h"
#include "platform/windowing.h"

namespace zelk::window {

using win::W;

namespace {

constexpr int kBarHeight = 24;
constexpr int kSplitterSize = 4;
constexpr UINT_PTR kTimerMinute = 1;  // the one-second housekeeping timer
constexpr UINT_PTR kTimerActive = 2;  // fading of other windows during a run
constexpr wchar_t kSplitterClass[] = L"ZelkSplitter";

// Message boxes show a lone CR as a line break, as the messages are written.
std::u16string BoxText(const std::u16string& text) {
  std::u16string out;
  out.reserve(text.size() + 8);
  for (std::size_t i = 0; i < text.size(); ++i) {
    out += text[i];
    if (text[i] == u'\r' && (i + 1 >= text.size() || text[i + 1] != u'\n')) out += u'\n';
  }
  return out;
}

// Message boxes of the front end and the run, owned by the main window.
class WindowInterface final : public UserInterface {
 public:
  explicit WindowInterface(MainWindow& window) : window_(window) {}
  int ShowMessageBox(const std::u16string& text, const std::u16string& caption,
                     unsigned type) override {
    return win::ShowMessageBox(window_.hwnd(), BoxText(text), caption, type);
  }
  void ShowStatusMessage(const std::u16string& text) override {
    if (GetWindowThreadProcessId(window_.hwnd(), nullptr) == GetCurrentThreadId()) {
      window_.ShowStatus(text);
    } else {
      MessageBeep(MB_OK);
      win::ShowMessageBox(window_.hwnd(), BoxText(text), texts::kCaption, MB_OK);
    }
  }

 private:
  MainWindow& window_;
};

std::unique_ptr<WindowInterface> userInterface;

MainWindow* WindowOf(HWND hwnd) {
  return reinterpret_cast<MainWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

LRESULT CALLBACK MainProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* window =
        static_cast<MainWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(window));
    window->hwnd_ = hwnd;
  }
  MainWindow* window = WindowOf(hwnd);
  if (window == nullptr) return DefWindowProcW(hwnd, message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    const bool quit = window->quitOnClose_;
    delete window;
    if (quit) PostQuitMessage(0);
    return DefWindowProcW(hwnd, message, wParam, lParam);
  }
  return window->Handle(message, wParam, lParam);
}

// A splitter tells the main window where the mouse dragged it.
LRESULT CALLBACK SplitterProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_LBUTTONDOWN:
      // Where the bar was taken, so that it moves with the mouse from there.
      SetWindowLongPtrW(hwnd, GWLP_USERDATA,
                        GetDlgCtrlID(hwnd) == kIdSplitterMain ? static_cast<short>(LOWORD(lParam))
                                                              : static_cast<short>(HIWORD(lParam)));
      SetCapture(hwnd);
      return 0;
    case WM_LBUTTONUP:
      ReleaseCapture();
      return 0;
    case WM_MOUSEMOVE:
      if (GetCapture() == hwnd) {
        HWND parent = GetParent(hwnd);
        POINT at{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        MapWindowPoints(hwnd, parent, &at, 1);
        RECT r;
        GetWindowRect(hwnd, &r);
        MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
        const int id = GetDlgCtrlID(hwnd);
        const int grab = static_cast<int>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        const int delta = (id == kIdSplitterMain ? at.x - r.left : at.y - r.top) - grab;
        if (MainWindow* window = WindowOf(parent); window && delta != 0) {
          window->MoveSplitter(id, delta);
        }
      }
      return 0;
    case WM_SETCURSOR:
      SetCursor(
          LoadCursorW(nullptr, GetDlgCtrlID(hwnd) == kIdSplitterMain ? IDC_SIZEWE : IDC_SIZENS));
      return TRUE;
    default:
      return DefWindowProcW(hwnd, message, wParam, lParam);
  }
}

void RegisterClasses() {
  static bool done = false;
  if (done) return;
  done = true;
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES |
                                                      ICC_TAB_CLASSES | ICC_UPDOWN_CLASS};
  InitCommonControlsEx(&controls);
  WNDCLASSEXW main{};
  main.cbSize = sizeof(main);
  main.lpfnWndProc = MainProc;
  main.hInstance = GetModuleHandleW(nullptr);
  main.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  main.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  main.hIcon = LoadIconW(main.hInstance, MAKEINTRESOURCEW(1));
  main.lpszClassName = kMainWindowClass;
  RegisterClassExW(&main);
  WNDCLASSEXW splitter = main;
  splitter.lpfnWndProc = SplitterProc;
  splitter.hIcon = nullptr;
  splitter.hCursor = nullptr;
  splitter.lpszClassName = kSplitterClass;
  RegisterClassExW(&splitter);
}

// Lower-privileged programs may send the run and go-to-line messages and drop files.
void OpenMessageFilter(HWND hwnd) {
  using FilterFn = BOOL(WINAPI*)(HWND, UINT, DWORD, void*);
  auto filter = reinterpret_cast<FilterFn>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"user32.dll"), "ChangeWindowMessageFilterEx")));
  if (filter == nullptr) return;
  constexpr DWORD kAllow = 1;
  constexpr UINT kCopyGlobalData = 0x0049;
  for (UINT message : {UINT{kMsgHotkey}, UINT{kMsgGoToLine}, UINT{WM_DROPFILES}, UINT{WM_COPYDATA},
                       kCopyGlobalData}) {
    filter(hwnd, message, kAllow, nullptr);
  }
}

}  // namespace

MainWindow::MainWindow(Interpreter& interp, bool quitOnClose)
    : interp_(interp), quitOnClose_(quitOnClose) {}

MainWindow::~MainWindow() {
  if (font_) DeleteObject(font_);
  if (printFont_) DeleteObject(printFont_);
}

bool MainWindow::Create(int show) {
  RegisterClasses();
  const LayoutSettings settings = ReadLayoutSettings();
  sizes_ = settings.sizes;
  fileUpdateMessageMs_ = std::min(settings.fileUpdateMessageMs, 59999);
  hotkeys_ = ReadHotkeys();
  appearance_ = ReadAppearanceSettings();
  SourceEditor::SetAppearance(appearance_);

  RECT frame{0, 0, 980, 758};
  AdjustWindowRectEx(&frame, WS_OVERLAPPEDWINDOW, FALSE, WS_EX_ACCEPTFILES);
  int width = frame.right - frame.left, height = frame.bottom - frame.top;
  if (settings.hasSize) {
    width = settings.width;
    height = settings.height;
  }
  // Never larger than the desktop, and wholly on it.
  RECT desktop;
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &desktop, 0);
  width = std::min<int>(width, desktop.right - desktop.left);
  height = std::min<int>(height, desktop.bottom - desktop.top);
  int left = CW_USEDEFAULT, top = 0;
  if (settings.hasPosition) {
    const POINT at = win::ClampToDesktop(desktop, settings.left, settings.top, width, height);
    left = at.x;
    top = at.y;
  }
  CreateWindowExW(WS_EX_ACCEPTFILES, kMainWindowClass, W(texts::kCaption),
                  WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, left, top, width, height, nullptr, nullptr,
                  GetModuleHandleW(nullptr), this);
  if (hwnd_ == nullptr) return false;

  font_ =
      CreateFontW(-11, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                  CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, L"Tahoma");
  printFont_ =
      CreateFontW(-12, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                  CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FIXED_PITCH | FF_MODERN, L"Courier New");
  HINSTANCE instance = GetModuleHandleW(nullptr);
  CreateToolbar();
  tabs_ = CreateWindowExW(
      0, WC_TABCONTROLW, nullptr, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | TCS_FOCUSNEVER, 0, 0,
      10, 10, hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kIdTabs)), instance, nullptr);
  SendMessageW(tabs_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
  for (int i = 0; i < 3; ++i) {
    splitters_[i] = CreateWindowExW(
        0, kSplitterClass, nullptr, WS_CHILD | WS_VISIBLE, 0, 0, 1, 1, hwnd_,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(kIdSplitterMain + i)), instance, nullptr);
  }
  print_ =
      CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", nullptr,
                      WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE | ES_READONLY |
                          ES_AUTOVSCROLL | ES_AUTOHSCROLL | ES_NOHIDESEL,
                      0, 0, 10, 10, hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kIdPrint)),
                      instance, nullptr);
  SendMessageW(print_, WM_SETFONT, reinterpret_cast<WPARAM>(printFont_), FALSE);
  SendMessageW(print_, EM_SETLIMITTEXT, 0, 0);

  bridge_ = std::make_unique<RunBridge>(interp_, hwnd_);
  panel_ = VariablesPanel::Create(hwnd_, bridge_->engine());
  panel_->SetGlobalHeight(sizes_.globalHeight);
  bridge_->SetVariablesPanel(panel_.get());
  panel_->OnFrameSelected([this](SourceLine at) { ShowLine(at.file, at.line); });
  userInterface = std::make_unique<WindowInterface>(*this);
  SetUserInterface(userInterface.get());

  OpenMessageFilter(hwnd_);
  // Window searches leave it out and GET_THISZELK_WIN names it.
  os::SetOwnWindow(os::OwnWindow::kMainWindow, reinterpret_cast<os::WindowHandle>(hwnd_));
  OpenUntitled();
  ApplyLayout(ButtonLayout::kStartUp);
  Layout();
  ShowWindow(hwnd_, show);
  UpdateWindow(hwnd_);
  SetTimer(hwnd_, kTimerMinute, 1000, nullptr);
  return true;
}

void MainWindow::Layout() {
  RECT client;
  GetClientRect(hwnd_, &client);
  const int width = client.right, height = client.bottom;
  LayoutToolbar(width);
  const int bodyHeight = std::max(0, height - kBarHeight);
  // The right panel keeps its width unless the window gets too narrow.
  const int panelWidth = std::max(0, std::min(sizes_.panelWidth, width - kSplitterSize - 60));
  const int panelLeft = width - panelWidth;
  const int printHeight =
      std::max(0, std::min(sizes_.printHeight, bodyHeight - kSplitterSize - 60));
  auto place = [](HWND control, int x, int y, int w, int h) {
    SetWindowPos(control, nullptr, x, y, std::max(0, w), std::max(0, h),
                 SWP_NOZORDER | SWP_NOACTIVATE);
  };
  const int tabsWidth = panelLeft - kSplitterSize;
  place(tabs_, 0, kBarHeight, tabsWidth, bodyHeight);
  place(splitters_[0], tabsWidth, kBarHeight, kSplitterSize, bodyHeight);
  const int printTop = height - printHeight;
  RECT upper{panelLeft, kBarHeight, width, printTop - kSplitterSize};
  if (panel_) panel_->SetBounds(upper);
  place(splitters_[2], panelLeft, printTop - kSplitterSize, panelWidth, kSplitterSize);
  place(print_, panelLeft, printTop, panelWidth, printHeight);
  // The global view's splitter is the panel's own.
  ShowWindow(splitters_[1], SW_HIDE);

  RECT page{0, 0, tabsWidth, bodyHeight};
  TabCtrl_AdjustRect(tabs_, FALSE, &page);
  for (std::size_t i = 0; i < editors_.size(); ++i) {
    HWND editor = editors_[i]->Window();
    SetWindowPos(
        editor, HWND_TOP, page.left, kBarHeight + page.top, page.right - page.left,
        page.bottom - page.top,
        SWP_NOACTIVATE | (static_cast<int>(i) == activeTab_ ? SWP_SHOWWINDOW : SWP_HIDEWINDOW));
  }
}

void MainWindow::MoveSplitter(int id, int delta) {
  RECT client;
  GetClientRect(hwnd_, &client);
  const int bodyHeight = client.bottom - kBarHeight;
  if (id == kIdSplitterMain) {
    int wanted = LimitToMinimum(sizes_.panelWidth - delta);
    // The tabs keep their minimum too.
    wanted =
        std::min(wanted, static_cast<int>(client.right) - kSplitterSize - kSplitterMinimum - 1);
    sizes_.panelWidth = std::max(wanted, kSplitterMinimum + 1);
  } else if (id == kIdSplitterPrint) {
    int wanted = LimitToMinimum(sizes_.printHeight - delta);
    wanted = std::min(wanted, bodyHeight - kSplitterSize - kSplitterMinimum - 1);
    sizes_.printHeight = std::max(wanted, kSplitterMinimum + 1);
  }
  Layout();
}

void MainWindow::ShowStatus(const std::u16string& text) {
  MessageBeep(MB_OK);
  SetForegroundWindow(hwnd_);
  Sleep(20);
  win::PumpMessages(20);
  win::ShowMessageBox(hwnd_, BoxText(text), texts::kCaption, MB_OK);
}

bool MainWindow::Close() {
  if (ButtonEnabled(kIdStop)) StopRun();
  if (AnyModified() &&
      win::ShowMessageBox(hwnd_, BoxText(texts::ExitWithModified()), texts::kCaption,
                          MB_OKCANCEL | MB_ICONQUESTION) != IDOK) {
    return false;
  }
  bridge_->StopAndWait();
  return true;
}

void MainWindow::SaveLayout() {
  WINDOWPLACEMENT placement{};
  placement.length = sizeof(placement);
  GetWindowPlacement(hwnd_, &placement);
  const RECT& r = placement.rcNormalPosition;
  // A collapsed part would bring back a collapsed window: keep the last good one.
  if (r.right - r.left <= 0 || r.bottom - r.top <= 0) return;
  sizes_.globalHeight = panel_->GlobalHeight();
  WriteLayoutSettings(r.left, r.top, r.right - r.left, r.bottom - r.top, sizes_);
}

LRESULT MainWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SIZE:
      if (tabs_) Layout();
      return 0;
    case WM_GETMINMAXINFO: {
      auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
      info->ptMinTrackSize = {520, 300};
      return 0;
    }
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      if (item->CtlID >= kIdLoad && item->CtlID <= kIdStepOver) {
        PaintToolButton(*item, static_cast<ToolIcon>(item->CtlID - kIdLoad));
        return TRUE;
      }
      break;
    }
    case WM_COMMAND: {
      const int id = LOWORD(wParam);
      const int code = HIWORD(wParam);
      switch (id) {
        case kIdLoad:
          if (code == BN_CLICKED) Load();
          return 0;
        case kIdSave:
          if (code == BN_CLICKED) Save();
          return 0;
        case kIdRun:
          if (code == BN_CLICKED) Run();
          return 0;
        case kIdStepIn:
        case kIdStepOver:
          if (code == BN_CLICKED) Step(id == kIdStepOver);
          return 0;
        case kIdTrace:
          if (code == BN_CLICKED) TraceChanged();
          return 0;
        case kIdTraceValue:
          if (code == EN_CHANGE) TraceChanged();
          return 0;
        case kIdFunctions:
          if (code == CBN_SELCHANGE) FunctionChosen();
          if (code == CBN_DROPDOWN) WidenFunctionList();
          return 0;
        case kIdSearchUp:
        case kIdSearchDown:
          if (code == BN_CLICKED) Search(id == kIdSearchDown);
          return 0;
        case kIdScriptMenu:
        case kIdOptionMenu:
        case kIdHelpMenu:
          if (code == BN_CLICKED) ShowMenu(id);
          return 0;
        default:
          // The menus' commands, also for programs that drive the window.
          if (code == 0 && id >= kFirstMenuCommand && id <= kLastMenuCommand) {
            MenuCommand(id);
            return 0;
          }
          break;
      }
      break;
    }
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lParam);
      if (header->idFrom == kIdTabs && header->code == TCN_SELCHANGE) {
        SelectTab(TabCtrl_GetCurSel(tabs_));
        return 0;
      }
      if (header->idFrom == kIdTraceSpin && header->code == UDN_DELTAPOS) {
        auto* change = reinterpret_cast<NMUPDOWN*>(lParam);
        // Upward from -1 the next value is 0, then the steps of 100.
        if (change->iPos == -1 && change->iDelta > 0)
          change->iDelta = 1;
        else if (change->iPos == 0 && change->iDelta < 0)
          change->iDelta = -1;
        return 0;
      }
      break;
    }
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      if (HandleKey(wParam, GetKeyState(VK_SHIFT) < 0, message == WM_SYSKEYDOWN)) return 0;
      break;
    case WM_TIMER:
      if (wParam == kTimerMinute && !timerBusy_) {
        UpdateModifiedMarks();
        CheckFiles();
      }
      if (wParam == kTimerActive) FadeForegroundWindow();
      return 0;
    case WM_DROPFILES:
      DropFiles(reinterpret_cast<HDROP>(wParam));
      return 0;
    case kMsgRunScript:
      Run();
      return 0;
    case kMsgHotkey:
      if (lParam == 256 || lParam == 260) HandleKey(wParam, false, false);
      return 0;
    case kMsgGoToLine:
      if (SourceEditor* editor = ActiveEditor(); editor && wParam >= 1) {
        editor->HighlightLine(static_cast<int>(wParam) - 1, true);
      }
      return 0;
    case kMsgPrintReady:
      OnPrintReady();
      return 0;
    case kMsgStopped:
      OnStopped(static_cast<StopReason>(wParam));
      return 0;
    case kMsgTraceLine:
      OnTraceLine(static_cast<int>(wParam), static_cast<int>(lParam));
      return 0;
    case kMsgRunPrepared:
      for (auto& editor : editors_) editor->SetReadOnly(true);
      return 0;
    case kMsgRunEnded:
      if (wParam == bridge_->Generation() && !startingRun_) OnRunEnded();
      return 0;
    case kMsgShowError: {
      // The line of the error first, then the box; the run waits for it.
      const std::vector<Frame> frames = bridge_->engine().Frames();
      if (!frames.empty()) ShowLine(frames.front().where.file, frames.front().where.line);
      OnPrintReady();
      MessageBeep(MB_ICONHAND);
      win::ShowMessageBox(hwnd_, BoxText(*reinterpret_cast<const std::u16string*>(lParam)),
                          texts::kCaption, MB_OK | MB_ICONERROR);
      return 0;
    }
    case kMsgAskAbort:
      OnPrintReady();
      return win::ShowMessageBox(hwnd_, BoxText(*reinterpret_cast<const std::u16string*>(lParam)),
                                 texts::kCaption, MB_YESNO | MB_ICONQUESTION) == IDYES;
    case WM_CLOSE:
      if (Close()) DestroyWindow(hwnd_);
      return 0;
    case WM_DESTROY:
      KillTimer(hwnd_, kTimerMinute);
      KillTimer(hwnd_, kTimerActive);
      bridge_->StopAndWait();
      StopGlobalRunKeys();
      RestoreFadedWindows();
      SaveLayout();
      WriteAppearanceSettings(appearance_);
      DeleteEditorCopies();
      SetUserInterface(nullptr);
      userInterface.reset();
      os::SetOwnWindow(os::OwnWindow::kMainWindow, 0);
      return 0;
    default:
      break;
  }
  return DefWindowProcW(hwnd_, message, wParam, lParam);
}

HWND CreateMainWindow(Interpreter& interp, const std::u16string& scriptCommand, int show,
                      bool quitOnClose) {
  auto* window = new MainWindow(interp, quitOnClose);
  if (!window->Create(show)) {
    delete window;
    return nullptr;
  }
  HWND hwnd = window->hwnd();
  if (!scriptCommand.empty()) window->OpenScript(scriptCommand);
  return hwnd;
}

bool PreviewKey(const MSG& msg) {
  if (msg.message != WM_KEYDOWN && msg.message != WM_SYSKEYDOWN) return false;
  HWND root = GetAncestor(msg.hwnd, GA_ROOT);
  if (root == nullptr || root == msg.hwnd) return false;
  wchar_t cls[32] = {};
  GetClassNameW(root, cls, 32);
  if (std::wstring_view(cls) != kMainWindowClass) return false;
  MainWindow* window = WindowOf(root);
  return window &&
         window->HandleKey(msg.wParam, GetKeyState(VK_SHIFT) < 0, msg.message == WM_SYSKEYDOWN);
}

}  // namespace zelk::window
