#include "platform/win32/window_utils.h"

#include <objbase.h>
#include <shlobj.h>

#include <cwchar>
#include <memory>

#include "platform/platform.h"
#include "platform/win32/wide_text.h"

namespace zelk::win {
namespace {

constexpr int kMaxWindowText = 300;
constexpr int kMaxDroppedName = 1200;
// DWMWA_EXTENDED_FRAME_BOUNDS; dwmapi.h is not included because the DLL is
// loaded at run time (it is missing or a stub on some systems).
constexpr DWORD kExtendedFrameBounds = 9;

using DwmGetWindowAttributeFn = HRESULT(WINAPI*)(HWND, DWORD, PVOID, DWORD);

DwmGetWindowAttributeFn DwmGetWindowAttributeProc() {
  static const DwmGetWindowAttributeFn proc = []() -> DwmGetWindowAttributeFn {
    // A full system path, so no dwmapi.dll next to a script is picked up.
    wchar_t path[MAX_PATH + 16];
    UINT n = GetSystemDirectoryW(path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return nullptr;
    wcscpy(path + n, L"\\dwmapi.dll");
    HMODULE dll = LoadLibraryW(path);
    if (!dll) return nullptr;
    // Through void*: a direct cast between function types draws a warning.
    return reinterpret_cast<DwmGetWindowAttributeFn>(
        reinterpret_cast<void*>(GetProcAddress(dll, "DwmGetWindowAttribute")));
  }();
  return proc;
}

struct ComRelease {
  void operator()(IUnknown* p) const { p->Release(); }
};
template <class T>
using ComPtr = std::unique_ptr<T, ComRelease>;

// COM for the calling thread, when the caller has not set it up already.
class ComScope {
 public:
  ComScope() : hr_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
  ~ComScope() {
    // RPC_E_CHANGED_MODE: the thread already has COM (multi-threaded); not ours to end.
    if (SUCCEEDED(hr_)) CoUninitialize();
  }
  ComScope(const ComScope&) = delete;
  ComScope& operator=(const ComScope&) = delete;

 private:
  HRESULT hr_;
};

}  // namespace

std::u16string WindowTitle(HWND wnd) {
  wchar_t buf[kMaxWindowText + 1];
  int n = GetWindowTextW(wnd, buf, kMaxWindowText + 1);
  return n > 0 ? FromW(buf, static_cast<std::size_t>(n)) : u"";
}

std::u16string WindowClassName(HWND wnd) {
  wchar_t buf[kMaxWindowText + 1];
  int n = GetClassNameW(wnd, buf, kMaxWindowText + 1);
  return n > 0 ? FromW(buf, static_cast<std::size_t>(n)) : u"";
}

bool DwmFrameBounds(HWND wnd, RECT* bounds) {
  DwmGetWindowAttributeFn get = DwmGetWindowAttributeProc();
  if (!get) return false;
  RECT r{};
  if (FAILED(get(wnd, kExtendedFrameBounds, &r, sizeof r))) return false;
  *bounds = r;
  return true;
}

RECT VisibleWindowRect(HWND wnd) {
  RECT r{};
  if (DwmFrameBounds(wnd, &r)) return r;
  if (!GetWindowRect(wnd, &r)) r = RECT{};
  return r;
}

SIZE InvisibleBorder(HWND wnd) {
  RECT outer, frame;
  if (!GetWindowRect(wnd, &outer) || !DwmFrameBounds(wnd, &frame)) return SIZE{0, 0};
  LONG w = (outer.right - outer.left) - (frame.right - frame.left);
  LONG h = (outer.bottom - outer.top) - (frame.bottom - frame.top);
  if (w < 0 || h < 0) return SIZE{0, 0};
  return SIZE{w, h};
}

Placement PlacementForFrame(SIZE border, int x, int y, int cx, int cy) {
  // The border is shared by left and right; the top takes what the bottom leaves.
  int halfWidth = border.cx / 2;
  return Placement{x - halfWidth, y - (border.cy - halfWidth), cx + border.cx, cy + border.cy};
}

bool PlaceWindow(HWND wnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
  Placement p{x, y, cx, cy};
  constexpr UINT kNoSizeNoMove = SWP_NOSIZE | SWP_NOMOVE;
  if ((flags & kNoSizeNoMove) != kNoSizeNoMove)
    p = PlacementForFrame(InvisibleBorder(wnd), x, y, cx, cy);
  return SetWindowPos(wnd, insertAfter, p.x, p.y, p.cx, p.cy, flags) != 0;
}

POINT ClampToDesktop(const RECT& desktop, int left, int top, int width, int height) {
  // 64-bit sums: a far-off wanted position must not wrap around.
  long long x = left, y = top;
  if (x + width > desktop.right) x = static_cast<long long>(desktop.right) - width;
  if (y + height > desktop.bottom) y = static_cast<long long>(desktop.bottom) - height;
  if (x < desktop.left) x = desktop.left;
  if (y < desktop.top) y = desktop.top;
  return POINT{static_cast<LONG>(x), static_cast<LONG>(y)};
}

bool MoveFormOnScreen(HWND form, int left, int top) {
  RECT r;
  if (!GetWindowRect(form, &r)) return false;
  int x = GetSystemMetrics(SM_XVIRTUALSCREEN), y = GetSystemMetrics(SM_YVIRTUALSCREEN);
  RECT desktop{x, y, x + GetSystemMetrics(SM_CXVIRTUALSCREEN),
               y + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
  POINT p = ClampToDesktop(desktop, left, top, r.right - r.left, r.bottom - r.top);
  return SetWindowPos(form, nullptr, p.x, p.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE) !=
         0;
}

void PumpMessages(int n) {
  for (int i = 0; i < n; ++i) {
    Sleep(0);
    os::ProcessMessages();
  }
}

bool ResolveShortcut(std::u16string& path, std::u16string* arguments) {
  if (arguments) arguments->clear();
  ComScope com;
  SHFILEINFOW info{};
  if (!SHGetFileInfoW(W(path), 0, &info, sizeof info, SHGFI_ATTRIBUTES) ||
      !(info.dwAttributes & SFGAO_LINK))
    return false;

  IShellLinkW* rawLink = nullptr;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                              reinterpret_cast<void**>(&rawLink))))
    return false;
  ComPtr<IShellLinkW> link(rawLink);
  IPersistFile* rawFile = nullptr;
  if (FAILED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&rawFile))))
    return false;
  ComPtr<IPersistFile> file(rawFile);
  if (FAILED(file->Load(W(path), STGM_READ))) return false;

  wchar_t target[MAX_PATH] = {};
  // S_FALSE: the link points at something that is not a file (no path to run).
  if (link->GetPath(target, MAX_PATH, nullptr, 0) != S_OK) return false;
  wchar_t args[MAX_PATH] = {};
  if (FAILED(link->GetArguments(args, MAX_PATH))) args[0] = L'\0';
  target[MAX_PATH - 1] = args[MAX_PATH - 1] = L'\0';
  // '?' cannot stand in a file name: it marks characters lost in an ANSI copy
  // of the path (all that Wine writes into a link). The ID list keeps them.
  if (wcschr(target, L'?')) {
    PIDLIST_ABSOLUTE items = nullptr;
    wchar_t exact[MAX_PATH];
    if (SUCCEEDED(link->GetIDList(&items)) && items) {
      if (SHGetPathFromIDListW(items, exact)) wcscpy(target, exact);
      CoTaskMemFree(items);
    }
  }

  path = FromW(target, wcslen(target));
  if (arguments && args[0] != L'\0') *arguments = u" " + FromW(args, wcslen(args));
  return true;
}

std::u16string DroppedFileNames(HDROP drop, bool all) {
  std::u16string names;
  if (!drop) return names;
  UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
  if (!all && count > 1) count = 1;
  wchar_t buf[kMaxDroppedName + 1];
  for (UINT i = 0; i < count; ++i) {
    if (i > 0) names += u'\t';
    buf[0] = L'\0';
    if (DragQueryFileW(drop, i, buf, kMaxDroppedName + 1) == 0) continue;
    buf[kMaxDroppedName] = L'\0';
    // The length from the text itself: the count returned for a cut name differs by system.
    names += FromW(buf, wcslen(buf));
  }
  return names;
}

int ShowMessageBox(HWND owner, const std::u16string& text, const std::u16string& caption,
                   UINT type) {
  return MessageBoxW(owner, W(text), caption.empty() ? nullptr : W(caption), type);
}

}  // namespace zelk::win
