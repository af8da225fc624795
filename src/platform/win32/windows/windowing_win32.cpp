// Windows listing, states and placement through user32.
#include <windows.h>

#include <array>
#include <atomic>
#include <cwchar>

#include "base/text_scan.h"
#include "platform/platform.h"
#include "platform/win32/window_utils.h"
#include "platform/windowing.h"

namespace zelk::os {
namespace {

constexpr unsigned kUpperCase = 0x00000200;  // LCMAP_UPPERCASE

HWND H(WindowHandle w) {
  return reinterpret_cast<HWND>(w);
}
WindowHandle W(HWND h) {
  return reinterpret_cast<WindowHandle>(h);
}

std::array<std::atomic<WindowHandle>, kOwnWindowKinds> ownWindows{};

// The interpreter's own windows and its balloon, which listings leave out.
bool IsOwn(HWND h) {
  if (!h) return false;
  for (OwnWindow kind : {OwnWindow::kInterpreter, OwnWindow::kMainWindow, OwnWindow::kApplication,
                         OwnWindow::kStopForm, OwnWindow::kBalloon}) {
    if (ownWindows[static_cast<std::size_t>(kind)].load(std::memory_order_relaxed) == W(h)) {
      return true;
    }
  }
  return false;
}

std::u16string Upper(const std::u16string& text) {
  bool ok = false;
  std::u16string upper = MapString(text, kUpperCase, &ok);
  return ok ? upper : UpperAscii(text);
}

bool EmptyRect(HWND h) {
  const RECT r = win::VisibleWindowRect(h);
  return r.right - r.left <= 0 || r.bottom - r.top <= 0;
}

bool HasTopChild(HWND h) {
  return GetWindow(h, GW_CHILD) != nullptr;
}

struct Listing {
  std::vector<ListedWindow>* out;
  const std::atomic<int>* stop;
};

BOOL CALLBACK ListOne(HWND h, LPARAM data) {
  auto& listing = *reinterpret_cast<Listing*>(data);
  if (listing.stop && listing.stop->load(std::memory_order_relaxed) != 0) return FALSE;
  if (IsOwn(h)) return TRUE;
  std::u16string cls = Upper(Trim(win::WindowClassName(h)));
  if (cls == u"IME" || cls == u"CSPTHREADTASK WINDOW" || cls == u"CSPNOTIFY NOTIFY WINDOW") {
    return TRUE;
  }
  std::u16string title = Upper(Trim(win::WindowTitle(h)));
  const bool visible = IsWindowVisible(h) != 0;
  if (title.empty()) {
    if (!visible && GetParent(h)) return TRUE;
    if (cls == u"SYSSHADOW" || cls == u"MS_WINNOTE") return TRUE;
    if (EmptyRect(h)) return TRUE;
  }
  if (cls == u"THINTWINDOW" || cls == u"TOOLTIPS_CLASS32") return TRUE;
  if (title == u"ZELK ABOUT" && cls == u"TFVER") return TRUE;
  if (!visible) {
    if (!IsWindowEnabled(h)) return TRUE;
    if (GetWindow(h, GW_OWNER) && !HasTopChild(h)) return TRUE;
    if ((title == u"DDE SERVER WINDOW" && cls == u"OLEDDEWNDCLASS") ||
        (title.empty() && cls == u"WORKERW") ||
        (title == u"GDI+ WINDOW" && cls == u"GDI+ HOOK WINDOW CLASS") ||
        title == u"MSP PNP NOTIFICATION WINDOW") {
      return TRUE;
    }
  }
  listing.out->push_back(ListedWindow{W(h), std::move(title), std::move(cls), visible});
  return TRUE;
}

int FramePart(int lo, int hi) {
  return hi - lo;
}

}  // namespace

bool HasDesktop() {
  return true;
}

void SetOwnWindow(OwnWindow which, WindowHandle window) {
  ownWindows[static_cast<std::size_t>(which)].store(window);
}

WindowHandle OwnWindowHandle(OwnWindow which) {
  return ownWindows[static_cast<std::size_t>(which)].load();
}

std::vector<ListedWindow> ListWindows(WindowHandle parent, const std::atomic<int>* stop) {
  std::vector<ListedWindow> out;
  Listing listing{&out, stop};
  if (parent == 0) {
    EnumWindows(ListOne, reinterpret_cast<LPARAM>(&listing));
  } else if (IsWindow(H(parent))) {
    EnumChildWindows(H(parent), ListOne, reinterpret_cast<LPARAM>(&listing));
  }
  return out;
}

WindowHandle ForegroundWindow() {
  return W(GetForegroundWindow());
}

bool IsWindowAlive(WindowHandle window) {
  return window != 0 && IsWindow(H(window));
}

bool IsWindowShown(WindowHandle window) {
  return window != 0 && IsWindowVisible(H(window));
}

WindowHandle ParentWindow(WindowHandle window) {
  return window ? W(GetParent(H(window))) : 0;
}

WindowHandle ControlUnderCursor() {
  POINT p{};
  if (!GetCursorPos(&p)) return 0;
  return W(WindowFromPoint(p));
}

WindowHandle TopWindowOf(WindowHandle window, bool stopAtMdiChild) {
  HWND h = H(window);
  if (!h) return 0;
  for (int step = 0; step < 100; ++step) {
    if (stopAtMdiChild && (GetWindowLongPtrW(h, GWL_EXSTYLE) & WS_EX_MDICHILD)) break;
    // A visible top-level window is what the user sees as the window.
    if (!(GetWindowLongPtrW(h, GWL_STYLE) & WS_CHILD) && IsWindowVisible(h)) break;
    HWND parent = GetParent(h);
    if (!parent || EmptyRect(parent)) break;
    h = parent;
  }
  return W(h);
}

bool WaitIdle(WindowHandle window) {
  ProcessMessages();
  bool failed = false;
  if (IsWindow(H(window)) && !IsOwn(H(window))) {
    DWORD_PTR answer = 0;
    failed = SendMessageTimeoutW(H(window), WM_NULL, 0, 0, 0, 8000, &answer) == 0;
  }
  ProcessMessages();
  return failed;
}

bool IsBusy(WindowHandle window, int ms) {
  if (!IsWindow(H(window))) return false;
  DWORD_PTR answer = 0;
  return SendMessageTimeoutW(H(window), WM_NULL, 0, 0, SMTO_ABORTIFHUNG, static_cast<UINT>(ms),
                             &answer) == 0;
}

ScreenRect VisibleRect(WindowHandle window) {
  const RECT r = win::VisibleWindowRect(H(window));
  return ScreenRect{r.left, r.top, FramePart(r.left, r.right), FramePart(r.top, r.bottom)};
}

ScreenRect ClientArea(WindowHandle window) {
  RECT r{};
  POINT origin{0, 0};
  if (!GetClientRect(H(window), &r) || !ClientToScreen(H(window), &origin)) return ScreenRect{};
  return ScreenRect{origin.x, origin.y, r.right - r.left, r.bottom - r.top};
}

std::u16string WindowText(WindowHandle window) {
  return win::WindowTitle(H(window));
}

std::u16string WindowClass(WindowHandle window) {
  return win::WindowClassName(H(window));
}

bool IsMinimized(WindowHandle window) {
  return IsIconic(H(window)) != 0;
}

bool IsMaximized(WindowHandle window) {
  return IsZoomed(H(window)) != 0;
}

bool IsMdiChild(WindowHandle window) {
  return (GetWindowLongPtrW(H(window), GWL_EXSTYLE) & WS_EX_MDICHILD) != 0;
}

std::uint32_t ProcessIdOf(WindowHandle window) {
  DWORD pid = 0;
  if (window) GetWindowThreadProcessId(H(window), &pid);
  return pid;
}

bool IsProcess64(WindowHandle window) {
  const DWORD pid = ProcessIdOf(window);
  if (pid == 0) return false;
  SYSTEM_INFO info{};
  GetNativeSystemInfo(&info);
  if (info.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_INTEL) return false;
  HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
  if (!process) return false;
  BOOL wow = FALSE;
  const bool known = IsWow64Process(process, &wow) != 0;
  CloseHandle(process);
  return known && !wow;
}

std::u16string ProcessPathOf(WindowHandle window) {
  const DWORD pid = ProcessIdOf(window);
  if (pid == 0) return u"";
  // The full image name serves 32- and 64-bit targets alike from either side.
  HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
  if (!process) return u"";
  wchar_t path[1025];
  DWORD size = 1024;
  std::u16string result;
  if (QueryFullProcessImageNameW(process, 0, path, &size)) {
    result.assign(reinterpret_cast<const char16_t*>(path), size);
  }
  CloseHandle(process);
  return result;
}

std::u16string JavaWindowCheck(WindowHandle window, bool* isJava) {
  *isJava = false;
  using IsJavaWindowFn = BOOL(__cdecl*)(HWND);
  using ContextFn = BOOL(__cdecl*)(HWND, long*, std::int64_t*);
  static HMODULE bridge = [] {
    HMODULE dll = LoadLibraryW(sizeof(void*) == 8 ? L"WindowsAccessBridge-64.dll"
                                                  : L"WindowsAccessBridge-32.dll");
    if (!dll) dll = LoadLibraryW(L"WindowsAccessBridge.dll");
    return dll;
  }();
  if (!bridge) return u"Not Found: WindowsAccessBridge.DLL";
  auto isJavaWindow = reinterpret_cast<IsJavaWindowFn>(
      reinterpret_cast<void*>(GetProcAddress(bridge, "isJavaWindow")));
  auto context = reinterpret_cast<ContextFn>(
      reinterpret_cast<void*>(GetProcAddress(bridge, "getAccessibleContextFromHWND")));
  if (!isJavaWindow || !context) return u"Not Found: WindowsAccessBridge.DLL";
  if (!isJavaWindow(H(window))) return u"";
  long vm = 0;
  std::int64_t accessible = 0;
  if (!context(H(window), &vm, &accessible)) return u"NG: GetAccessibleContextFromHWND()";
  *isJava = true;
  return u"";
}

void ShowWindowAs(WindowHandle window, ShowAs how) {
  static constexpr int kCommands[] = {SW_HIDE,          SW_SHOW, SW_MINIMIZE,
                                      SW_SHOWMAXIMIZED, SW_SHOW, SW_SHOWNORMAL};
  ShowWindow(H(window), kCommands[static_cast<int>(how)]);
  if (how == ShowAs::kNormal) ShowWindow(H(window), SW_SHOWNORMAL);
}

void PostWindowMessage(WindowHandle window, std::uint32_t message, std::intptr_t wparam,
                       std::intptr_t lparam) {
  PostMessageW(H(window), message, static_cast<WPARAM>(wparam), static_cast<LPARAM>(lparam));
}

void PostClose(WindowHandle window, bool quit) {
  if (quit) {
    PostMessageW(H(window), WM_QUIT, 0, 0);
  } else {
    PostMessageW(H(window), WM_SYSCOMMAND, SC_CLOSE, 0);
  }
}

void PlaceWindow(WindowHandle window, ZOrder order, const ScreenRect& rect, Placing placing) {
  HWND after = order == ZOrder::kTopmost     ? HWND_TOPMOST
               : order == ZOrder::kNoTopmost ? HWND_NOTOPMOST
                                             : HWND_TOP;
  UINT flags = 0;
  if (!placing.move) flags |= SWP_NOMOVE;
  if (!placing.size) flags |= SWP_NOSIZE;
  if (!placing.activate) flags |= SWP_NOACTIVATE;
  win::PlaceWindow(H(window), after, rect.x, rect.y, rect.width, rect.height, flags);
}

namespace {

bool PopupShowing() {
  if (!AnyPopup()) return false;
  HWND menu = FindWindowW(L"#32768", nullptr);
  if (menu && IsWindowVisible(menu)) return true;
  HWND fore = GetForegroundWindow();
  if (!fore) return false;
  const std::u16string cls = Upper(win::WindowClassName(fore));
  return cls == u"BASEBAR" || cls.find(u"POPUP") != cls.npos ||
         cls.find(u"UI TOOL WINDOW") != cls.npos || cls == u"SYSSHADOW";
}

void BringToFront(HWND h) {
  HWND fore = GetForegroundWindow();
  if (fore != h) {
    const DWORD foreThread = GetWindowThreadProcessId(fore, nullptr);
    const DWORD ownThread = GetWindowThreadProcessId(h, nullptr);
    const bool attach = fore && foreThread != ownThread;
    if (attach) AttachThreadInput(foreThread, ownThread, TRUE);
    SetForegroundWindow(h);
    if (attach) AttachThreadInput(foreThread, ownThread, FALSE);
  }
  BringWindowToTop(h);
}

}  // namespace

void ForceActivate(WindowHandle window, bool respectPopups) {
  HWND h = H(window);
  if (!IsWindow(h)) return;
  if (respectPopups && PopupShowing()) return;
  BringToFront(h);
  if (GetForegroundWindow() != h) {
    DWORD saved = 0;
    SystemParametersInfoW(SPI_GETFOREGROUNDLOCKTIMEOUT, 0, &saved, 0);
    SystemParametersInfoW(SPI_SETFOREGROUNDLOCKTIMEOUT, 0, nullptr, 0);
    ProcessMessages();
    BringToFront(h);
    if (GetForegroundWindow() != h) {
      ProcessMessages();
      if (HWND own = H(OwnWindowHandle(OwnWindow::kMainWindow))) BringToFront(own);
      ProcessMessages();
      BringToFront(h);
    }
    SystemParametersInfoW(SPI_SETFOREGROUNDLOCKTIMEOUT, 0,
                          reinterpret_cast<void*>(static_cast<UINT_PTR>(saved)), 0);
  }
  if (GetWindowLongPtrW(h, GWL_EXSTYLE) & WS_EX_MDICHILD) {
    HWND top = h;
    for (int i = 0; i < 3 && GetParent(top); ++i) top = GetParent(top);
    BringToFront(top);
  }
}

WindowHandle MenuOf(WindowHandle window) {
  HWND h = H(window);
  if (HMENU menu = GetMenu(h)) return reinterpret_cast<WindowHandle>(menu);
  HWND parent = GetParent(h);
  HWND popup = FindWindowW(L"#32768", nullptr);
  if (popup && IsWindowVisible(popup) && (!parent || parent == GetForegroundWindow())) {
    constexpr UINT kGetHmenu = 0x01E1;  // MN_GETHMENU
    return static_cast<WindowHandle>(SendMessageW(popup, kGetHmenu, 0, 0));
  }
  return 0;
}

WindowHandle SystemMenuOf(WindowHandle window) {
  return reinterpret_cast<WindowHandle>(GetSystemMenu(H(window), FALSE));
}

void Pump(int n) {
  win::PumpMessages(n);
}

void SleepPumping(int ms) {
  while (ms > 0) {
    const int slice = ms > 50 ? 50 : ms;
    Sleep(static_cast<DWORD>(slice));
    ProcessMessages();
    ms -= slice;
  }
}

}  // namespace zelk::os
