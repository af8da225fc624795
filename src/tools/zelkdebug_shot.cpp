// Takes a picture of the debugger as a person would see it: starts
// ZelkDebug.exe (from this program's folder) with the script, and
//   with LINE     clicks the gutter beside that 1-based line, presses Run
//                 and waits until the run stops there;
//   with --font   opens the font and colour dialog;
// then saves the window (or the dialog) as a 24-bit BMP and closes the
// debugger. Exit status 0, or 1 with the reason on standard error.
//
//   zelkdebug_shot SCRIPT.zls [LINE | --font] OUT.bmp
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr wchar_t kMainClass[] = L"ZelkDebugger";
constexpr int kRunButton = 1003;
constexpr int kFontCommand = 2003;

int Fail(const char* why) {
  std::fprintf(stderr, "zelkdebug_shot: %s\n", why);
  return 1;
}

struct Search {
  DWORD process;
  const wchar_t* cls;
  const wchar_t* title;  // null: any
  HWND found;
};

BOOL CALLBACK FindTop(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<Search*>(param);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  wchar_t cls[64] = {}, title[128] = {};
  GetClassNameW(window, cls, 64);
  GetWindowTextW(window, title, 128);
  if (process == search->process && IsWindowVisible(window) && std::wstring(cls) == search->cls &&
      (search->title == nullptr || std::wstring(title) == search->title)) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

BOOL CALLBACK FindGutter(HWND window, LPARAM param) {
  wchar_t cls[32] = {};
  GetClassNameW(window, cls, 32);
  if (std::wstring(cls) == L"ZelkGutter" && IsWindowVisible(window)) {
    *reinterpret_cast<HWND*>(param) = window;
    return FALSE;
  }
  return TRUE;
}

HWND WaitFor(DWORD process, const wchar_t* cls, const wchar_t* title, int ms) {
  for (int waited = 0; waited < ms; waited += 50) {
    Search search{process, cls, title, nullptr};
    EnumWindows(FindTop, reinterpret_cast<LPARAM>(&search));
    if (search.found) return search.found;
    Sleep(50);
  }
  return nullptr;
}

std::wstring Text(HWND window) {
  wchar_t buffer[512] = {};
  SendMessageTimeoutW(window, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(buffer), SMTO_BLOCK, 2000,
                      nullptr);
  return buffer;
}

int Number(const std::wstring& text, const std::wstring& key) {
  const std::size_t at = text.find(key + L": ");
  if (at == std::wstring::npos) return -1;
  return _wtoi(text.c_str() + at + key.size() + 2);
}

bool SaveBitmap(HWND window, const std::wstring& path) {
  RECT r;
  GetWindowRect(window, &r);
  const int width = r.right - r.left, height = r.bottom - r.top;
  if (width <= 0 || height <= 0) return false;
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;  // bottom-up, as BMP files are
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(dc, bitmap);
  BitBlt(dc, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
  GdiFlush();
  const DWORD stride = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
  const DWORD size = stride * static_cast<DWORD>(height);
  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof(file) + sizeof(info.bmiHeader);
  file.bfSize = file.bfOffBits + size;
  bool ok = false;
  if (FILE* out = _wfopen(path.c_str(), L"wb")) {
    ok = std::fwrite(&file, sizeof(file), 1, out) == 1 &&
         std::fwrite(&info.bmiHeader, sizeof(info.bmiHeader), 1, out) == 1 &&
         std::fwrite(bits, size, 1, out) == 1;
    ok = std::fclose(out) == 0 && ok;
  }
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  return ok;
}

}  // namespace

int main() {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (argv == nullptr || argc < 3 || argc > 4) {
    std::fprintf(stderr, "usage: zelkdebug_shot SCRIPT.zls [LINE | --font] OUT.bmp\n");
    return 2;
  }
  const std::wstring script = argv[1];
  const std::wstring what = argc == 4 ? argv[2] : L"";
  const std::wstring out = argv[argc - 1];
  const int line = what.empty() || what == L"--font" ? 0 : _wtoi(what.c_str());
  if (!what.empty() && what != L"--font" && line <= 0) return Fail("LINE is a line number from 1");

  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring program = self;
  program = program.substr(0, program.find_last_of(L"\\/") + 1) + L"ZelkDebug.exe";
  std::wstring command = L"\"" + program + L"\" \"" + script + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process)) {
    return Fail("ZelkDebug.exe cannot be started");
  }
  WaitForInputIdle(process.hProcess, 10000);
  int status = 0;
  HWND main = WaitFor(process.dwProcessId, kMainClass, nullptr, 10000);
  HWND shot = main;
  if (main == nullptr) {
    status = Fail("the debugger's window did not appear");
  } else {
    SetForegroundWindow(main);
    Sleep(800);
    if (line > 0) {
      HWND gutter = nullptr;
      EnumChildWindows(main, FindGutter, reinterpret_cast<LPARAM>(&gutter));
      const std::wstring text = gutter ? Text(gutter) : L"";
      const int height = Number(text, L"line height");
      const int first = Number(text, L"first");
      if (height <= 0 || first <= 0) {
        status = Fail("no gutter to click");
      } else {
        const int y = (line - first) * height + height / 2;
        SendMessageW(gutter, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, y));
        SendMessageW(gutter, WM_LBUTTONUP, 0, MAKELPARAM(4, y));
        SendMessageW(GetDlgItem(main, kRunButton), BM_CLICK, 0, 0);
        int waited = 0;
        while (Number(Text(gutter), L"current") != line && waited < 20000) {
          Sleep(50);
          waited += 50;
        }
        if (waited >= 20000) status = Fail("the run did not stop on LINE");
        Sleep(500);
      }
    } else if (what == L"--font") {
      PostMessageW(main, WM_COMMAND, kFontCommand, 0);
      shot = WaitFor(process.dwProcessId, L"#32770", L"Option", 5000);
      if (shot == nullptr) status = Fail("the font dialog did not appear");
      Sleep(500);
    }
    if (status == 0 && !SaveBitmap(shot, out)) status = Fail("the picture could not be written");
    if (shot != main && shot != nullptr) PostMessageW(shot, WM_COMMAND, IDCANCEL, 0);
    Sleep(200);
    PostMessageW(main, WM_CLOSE, 0, 0);
  }
  if (WaitForSingleObject(process.hProcess, 5000) != WAIT_OBJECT_0) {
    TerminateProcess(process.hProcess, 1);
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return status;
}
