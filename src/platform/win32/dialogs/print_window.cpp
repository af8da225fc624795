// The print window of a run without the debugger (LOGPRINT shows it with
// what the run printed so far), and the stop form, which only has to exist.
#include <memory>
#include <mutex>

#include "platform/dialogs.h"
#include "platform/win32/dialogs/dialog_frame.h"
#include "platform/win32/window_class.h"
#include "platform/windowing.h"

namespace zelk::os {
namespace {

const wchar_t kPrintClass[] = L"TFLogPrint_zelk";
const wchar_t kStopClass[] = L"TFTeisi";
constexpr int kDefaultWidth = 400;
constexpr int kDefaultHeight = 300;
constexpr int kEditId = 10;

struct PrintWindow {
  HWND window = nullptr;
  HWND edit = nullptr;
  DWORD thread = 0;
  bool placed = false;
  std::unique_ptr<win::Font> font;
  bool mayShow = true;  // LOGPRINT(FALSE) keeps later lines from showing it
};

PrintWindow& ThePrintWindow() {
  static PrintWindow print;
  return print;
}

LRESULT CALLBACK PrintProc(HWND w, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SIZE: {
      HWND edit = GetDlgItem(w, kEditId);
      if (edit) MoveWindow(edit, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
      return 0;
    }
    case WM_CLOSE:
      ShowWindow(w, SW_HIDE);
      return 0;
    default:
      return DefWindowProcW(w, message, wParam, lParam);
  }
}

std::mutex& PrintLock() {
  static std::mutex lock;
  return lock;
}

// The window when it exists and belongs to this thread; null otherwise (a
// window of an earlier thread is gone with it).
PrintWindow* LivePrintWindow() {
  PrintWindow& p = ThePrintWindow();
  if (p.window == nullptr || !IsWindow(p.window) || p.thread != GetCurrentThreadId()) {
    return nullptr;
  }
  return &p;
}

std::u16string Joined(const std::vector<std::u16string>& lines) {
  std::u16string text;
  for (const std::u16string& line : lines) {
    text += line;
    text += u"\r\n";
  }
  return text;
}

void SetText(const PrintWindow& p, const std::u16string& text) {
  SetWindowTextW(p.edit, reinterpret_cast<const wchar_t*>(text.c_str()));
  SendMessageW(p.edit, EM_SETSEL, text.size(), text.size());
  SendMessageW(p.edit, EM_SCROLLCARET, 0, 0);
}

}  // namespace

void AllowPrintWindow() {
  std::lock_guard<std::mutex> guard(PrintLock());
  ThePrintWindow().mayShow = true;
}

void AppendPrintWindow(const std::u16string& line) {
  std::lock_guard<std::mutex> guard(PrintLock());
  const PrintWindow* p = LivePrintWindow();
  if (p == nullptr) return;
  const std::u16string text = line + u"\r\n";
  const LRESULT end = GetWindowTextLengthW(p->edit);
  SendMessageW(p->edit, EM_SETSEL, end, end);
  SendMessageW(p->edit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
  SendMessageW(p->edit, EM_SCROLLCARET, 0, 0);
  if (p->mayShow && !IsWindowVisible(p->window)) ShowWindow(p->window, SW_SHOWNOACTIVATE);
}

void ReplacePrintWindowText(const std::vector<std::u16string>& lines) {
  std::lock_guard<std::mutex> guard(PrintLock());
  if (const PrintWindow* p = LivePrintWindow()) SetText(*p, Joined(lines));
}

void ShowPrintWindow(const PrintWindowRequest& request, const std::vector<std::u16string>& lines) {
  std::lock_guard<std::mutex> guard(PrintLock());
  PrintWindow& p = ThePrintWindow();
  if (p.window && (!IsWindow(p.window) || p.thread != GetCurrentThreadId())) p = PrintWindow{};
  p.mayShow = request.show;
  if (p.window == nullptr) {
    if (!request.show) return;
    win::RegisterWindowClass(kPrintClass, PrintProc, IDC_ARROW, GetSysColor(COLOR_WINDOW));
    p.window = CreateWindowExW(WS_EX_TOPMOST, kPrintClass,
                               reinterpret_cast<const wchar_t*>(request.caption.c_str()),
                               WS_OVERLAPPEDWINDOW, 0, 0, kDefaultWidth, kDefaultHeight, nullptr,
                               nullptr, GetModuleHandleW(nullptr), nullptr);
    if (p.window == nullptr) return;
    SetOwnWindow(OwnWindow::kPrintWindow, reinterpret_cast<WindowHandle>(p.window));
    p.thread = GetCurrentThreadId();
    p.font = std::make_unique<win::Font>(u"Courier New", 9);
    p.edit = CreateWindowExW(0, L"EDIT", L"",
                             WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE |
                                 ES_READONLY | ES_AUTOVSCROLL | ES_AUTOHSCROLL,
                             0, 0, 10, 10, p.window,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(kEditId)),
                             GetModuleHandleW(nullptr), nullptr);
    if (p.font->handle()) {
      SendMessageW(p.edit, WM_SETFONT, reinterpret_cast<WPARAM>(p.font->handle()), 0);
    }
    // Later lines are appended: the edit's own limit would drop them.
    SendMessageW(p.edit, EM_SETLIMITTEXT, 0, 0);
  }
  SetWindowTextW(p.window, reinterpret_cast<const wchar_t*>(request.caption.c_str()));
  SetText(p, Joined(lines));
  RECT r;
  GetWindowRect(p.window, &r);
  int x = r.left, y = r.top, w = r.right - r.left, h = r.bottom - r.top;
  if (request.place) {
    x = request.x;
    y = request.y;
    p.placed = true;
  }
  if (request.size) {
    w = request.width;
    h = request.height;
  }
  if (!p.placed && request.show) {
    // The first showing without a place puts it at the right of the screen.
    const RECT area = win::PrimaryWorkArea();
    x = area.right - w;
    y = area.top;
    p.placed = true;
  }
  SetWindowPos(p.window, nullptr, x, y, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
  ShowWindow(p.window, request.show ? SW_SHOWNOACTIVATE : SW_HIDE);
  if (request.show) UpdateWindow(p.window);
}

std::uintptr_t PrintWindowHandle() {
  const PrintWindow& p = ThePrintWindow();
  return p.window && IsWindow(p.window) ? reinterpret_cast<std::uintptr_t>(p.window) : 0;
}

std::uintptr_t StopFormWindow() {
  static std::mutex lock;
  static HWND stop = nullptr;
  std::lock_guard<std::mutex> guard(lock);
  if (stop == nullptr || !IsWindow(stop)) {
    win::RegisterWindowClass(kStopClass, DefWindowProcW, IDC_ARROW, GetSysColor(COLOR_WINDOW));
    stop = CreateWindowExW(0, kStopClass, L"STOP", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
    SetOwnWindow(OwnWindow::kStopForm, reinterpret_cast<WindowHandle>(stop));
  }
  return reinterpret_cast<std::uintptr_t>(stop);
}

}  // namespace zelk::os
