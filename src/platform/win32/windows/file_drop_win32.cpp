// DROPFILE's drag: the shell's data object for the items, carried by
// DoDragDrop to the point under the cursor and let go at once. The target
// receives the drop as from Explorer, whichever way it takes files.
#include <windows.h>
// After windows.h.
#include <ole2.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/file_drop.h"
#include "platform/win32/remote_memory.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/window_utils.h"

namespace zelk::os {
namespace {

using win::W;

// Lets go at once: the drop happens wherever the cursor stands; Esc or the
// right button cancels.
class DropSource final : public IDropSource {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (iid == IID_IUnknown || iid == IID_IDropSource) {
      *out = static_cast<IDropSource*>(this);
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  // Lives on the caller's stack for the one drag.
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }

  HRESULT STDMETHODCALLTYPE QueryContinueDrag(BOOL escape, DWORD keys) override {
    if (escape || (GetAsyncKeyState(VK_RBUTTON) & 0x8000)) return DRAGDROP_S_CANCEL;
    if (keys & MK_LBUTTON) return S_OK;
    return DRAGDROP_S_DROP;
  }
  HRESULT STDMETHODCALLTYPE GiveFeedback(DWORD) override { return DRAGDROP_S_USEDEFAULTCURSORS; }
};

std::u16string Reason(HRESULT hr) {
  wchar_t* text = nullptr;
  const DWORD n = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, static_cast<DWORD>(hr), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::u16string reason;
  if (n > 0 && text) reason = win::FromW(text, n);
  if (text) LocalFree(text);
  while (!reason.empty() && (reason.back() == u'\r' || reason.back() == u'\n')) reason.pop_back();
  char code[16];
  std::snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(hr));
  if (reason.empty()) return std::u16string(code, code + std::char_traits<char>::length(code));
  return reason;
}

// Item lists from the shell allocator, freed with it.
struct ItemLists {
  std::vector<PCUITEMID_CHILD> items;
  ~ItemLists() {
    for (PCUITEMID_CHILD item : items) CoTaskMemFree(const_cast<ITEMIDLIST*>(item));
  }
};

template <typename T>
struct Held {
  T* p = nullptr;
  ~Held() {
    if (p) p->Release();
  }
};

// The shell's data object for names in folder; null with *error on failure.
IDataObject* DataObjectFor(const std::u16string& folder, const std::vector<std::u16string>& names,
                           std::u16string* error) {
  Held<IShellFolder> desktop;
  HRESULT hr = SHGetDesktopFolder(&desktop.p);
  if (FAILED(hr)) {
    *error = Reason(hr);
    return nullptr;
  }
  std::u16string path = folder;
  PIDLIST_RELATIVE folderItem = nullptr;
  hr = desktop.p->ParseDisplayName(nullptr, nullptr, const_cast<wchar_t*>(W(path)), nullptr,
                                   &folderItem, nullptr);
  if (FAILED(hr)) {
    *error = folder + u": " + Reason(hr);
    return nullptr;
  }
  Held<IShellFolder> parent;
  hr = desktop.p->BindToObject(folderItem, nullptr, IID_IShellFolder,
                               reinterpret_cast<void**>(&parent.p));
  CoTaskMemFree(folderItem);
  if (FAILED(hr)) {
    *error = folder + u": " + Reason(hr);
    return nullptr;
  }
  ItemLists lists;
  for (const std::u16string& name : names) {
    std::u16string copy = name;
    PIDLIST_RELATIVE item = nullptr;
    hr = parent.p->ParseDisplayName(nullptr, nullptr, const_cast<wchar_t*>(W(copy)), nullptr, &item,
                                    nullptr);
    if (FAILED(hr)) {
      *error = name + u": " + Reason(hr);
      return nullptr;
    }
    lists.items.push_back(item);
  }
  IDataObject* data = nullptr;
  hr = parent.p->GetUIObjectOf(nullptr, static_cast<UINT>(lists.items.size()), lists.items.data(),
                               IID_IDataObject, nullptr, reinterpret_cast<void**>(&data));
  if (FAILED(hr)) {
    *error = Reason(hr);
    return nullptr;
  }
  return data;
}

// The screen point of a drop, from the client area's own origin (the frame
// may have borders on every side). False when the point lies beyond it.
bool DropPoint(HWND window, const FileDrop& drop, POINT* at) {
  const RECT frame = win::VisibleWindowRect(window);
  RECT client{};
  GetClientRect(window, &client);
  const int cw = client.right, ch = client.bottom;
  POINT origin{0, 0};
  ClientToScreen(window, &origin);
  if (!drop.atPoint) {
    *at = {origin.x + cw / 2, origin.y + ch / 2};
  } else {
    if (drop.x > cw || drop.y > ch) return false;
    *at = {origin.x + drop.x, origin.y + drop.y};
  }
  // Kept on the desktop, and above the taskbar when the window starts above it.
  const int left = GetSystemMetrics(SM_XVIRTUALSCREEN);
  const int top = GetSystemMetrics(SM_YVIRTUALSCREEN);
  const int width = GetSystemMetrics(SM_CXVIRTUALSCREEN);
  const int height = GetSystemMetrics(SM_CYVIRTUALSCREEN);
  if (at->x < left) at->x = left;
  if (at->x > left + width - 1) at->x = left + width - 1;
  if (at->y < top) at->y = top;
  if (at->y > top + height - 1) at->y = top + height - 1;
  APPBARDATA bar{};
  bar.cbSize = sizeof bar;
  if (SHAppBarMessage(ABM_GETTASKBARPOS, &bar) && bar.rc.top > top && at->y >= bar.rc.top &&
      at->y < bar.rc.bottom && frame.top < bar.rc.top) {
    at->y = bar.rc.top - 1;
  }
  return true;
}

// Wine's drag carries files only to windows that registered a drop target;
// one that merely accepts files (WM_DROPFILES) is passed by.
bool UnderWine() {
  static const bool wine =
      GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
  return wine;
}

bool HasDropTarget(HWND window) {
  for (HWND w = window; w; w = GetParent(w)) {
    if (GetPropW(w, L"OleDropTargetInterface") || GetPropW(w, L"WineMarshalledDropTarget")) {
      return true;
    }
  }
  return false;
}

// The full paths of the items; false with *error when one does not exist.
bool ItemPaths(const FileDrop& drop, std::vector<std::u16string>* paths, std::u16string* error) {
  std::u16string folder = drop.folder;
  if (!folder.empty() && folder.back() != u'\\' && folder.back() != u'/') folder += u'\\';
  for (const std::u16string& name : drop.names) {
    const std::u16string joined = folder + name;
    wchar_t full[32768];
    const DWORD n = GetFullPathNameW(W(joined), 32768, full, nullptr);
    if (n == 0 || n >= 32768 || GetFileAttributesW(full) == INVALID_FILE_ATTRIBUTES) {
      *error = name + u": " + Reason(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
      return false;
    }
    paths->push_back(win::FromW(full, n));
  }
  return true;
}

// The drop as WM_DROPFILES to the window under the point that accepts files:
// the DROPFILES block is written into the target's own memory, where
// DragQueryFile reads it (a fixed-memory HDROP is its address). Sent, so that
// the block outlives the reading; left behind if the target does not answer.
void SendFileDrop(POINT at, const std::vector<std::u16string>& paths) {
  HWND target = WindowFromPoint(at);
  while (target && !(GetWindowLongPtrW(target, GWL_EXSTYLE) & WS_EX_ACCEPTFILES)) {
    target = GetAncestor(target, GA_PARENT);
    if (target == GetDesktopWindow()) target = nullptr;
  }
  if (!target) return;
  std::u16string names;
  for (const std::u16string& path : paths) {
    names += path;
    names += u'\0';
  }
  names += u'\0';
  names += u'\0';
  DROPFILES header{};
  header.pFiles = sizeof header;
  header.pt = at;
  ScreenToClient(target, &header.pt);
  header.fNC = FALSE;
  header.fWide = TRUE;
  const std::size_t bytes = sizeof header + names.size() * sizeof(char16_t);
  win::RemoteMemory memory(target, bytes);
  if (!memory.valid() || !memory.Write(0, &header, sizeof header) ||
      !memory.Write(sizeof header, names.data(), names.size() * sizeof(char16_t))) {
    return;
  }
  DWORD_PTR answer = 0;
  if (!SendMessageTimeoutW(target, WM_DROPFILES, static_cast<WPARAM>(memory.address()), 0,
                           SMTO_NORMAL, 30000, &answer) &&
      IsWindow(target)) {
    memory.Abandon();
  }
}

}  // namespace

DropOutcome DropFiles(WindowHandle window, const FileDrop& drop, std::u16string* error) {
  HWND h = reinterpret_cast<HWND>(window);
  if (IsIconic(h)) {
    ShowWindow(h, SW_SHOW);
    ShowWindow(h, SW_SHOWNORMAL);
  }
  POINT saved{};
  GetCursorPos(&saved);
  // The drag needs OLE on this thread; a thread already in the multithreaded
  // apartment cannot drag.
  const HRESULT ole = OleInitialize(nullptr);
  if (FAILED(ole)) {
    *error = Reason(ole);
    return DropOutcome::kFailed;
  }
  DropOutcome outcome = DropOutcome::kDropped;
  Held<IDataObject> data;
  data.p = DataObjectFor(drop.folder, drop.names, error);
  POINT at{};
  if (!data.p) {
    outcome = DropOutcome::kFailed;
  } else {
    ForceActivate(window, false);
    std::vector<std::u16string> paths;
    if (!DropPoint(h, drop, &at)) {
      outcome = DropOutcome::kOutside;
    } else if (UnderWine() && !HasDropTarget(WindowFromPoint(at))) {
      if (ItemPaths(drop, &paths, error)) {
        SendFileDrop(at, paths);
      } else {
        outcome = DropOutcome::kFailed;
      }
    } else {
      SetCursorPos(at.x, at.y);
      DropSource source;
      DWORD effect = DROPEFFECT_NONE;
      const HRESULT hr = DoDragDrop(data.p, &source, DROPEFFECT_COPY, &effect);
      if (FAILED(hr)) {
        *error = Reason(hr);
        outcome = DropOutcome::kFailed;
      }
      SetCursorPos(saved.x, saved.y);
    }
  }
  // Released before OLE goes.
  if (data.p) data.p->Release();
  data.p = nullptr;
  OleUninitialize();
  return outcome;
}

}  // namespace zelk::os
