// The operating-system layer on Windows.
// windows.h first: the other system headers need its definitions.
#include <windows.h>

#include <shellapi.h>
#include <shlobj.h>

// The portable names below would otherwise be rewritten by these macros.
#undef DeleteFile

#include "base/utf.h"
#include "platform/ole_date.h"
#include "platform/platform.h"

namespace zelk::os {
namespace {

const wchar_t* W(const std::u16string& s) {
  return reinterpret_cast<const wchar_t*>(s.c_str());
}

std::u16string FromW(const wchar_t* s, std::size_t n) {
  return std::u16string(reinterpret_cast<const char16_t*>(s), n);
}
std::u16string FromW(const wchar_t* s) {
  return FromW(s, wcslen(s));
}

std::u16string WithoutTrailingSeparator(std::u16string s) {
  // "C:\" keeps its separator: without it the text names the drive's current folder.
  while (s.size() > 3 && (s.back() == u'\\' || s.back() == u'/')) s.pop_back();
  return s;
}

template <class Getter>
std::u16string FolderFrom(Getter get) {
  wchar_t buf[1200];
  DWORD n = get(buf, 1200);
  if (n == 0 || n >= 1200) return u"";
  return WithoutTrailingSeparator(FromW(buf, n));
}

double OleDateFromSystemTime(const SYSTEMTIME& st) {
  return OleDateFromFields(st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute,
                           st.wSecond + st.wMilliseconds / 1000.0);
}

class Win32File final : public File {
 public:
  explicit Win32File(HANDLE h) : h_(h) {}
  ~Win32File() override { CloseHandle(h_); }

  bool ReadAll(std::string* bytes) override {
    bytes->clear();
    if (SetFilePointer(h_, 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER) return false;
    char buf[65536];
    for (;;) {
      DWORD got = 0;
      if (!ReadFile(h_, buf, sizeof buf, &got, nullptr)) return false;
      if (got == 0) return true;
      bytes->append(buf, got);
    }
  }

  bool Rewrite(std::string_view bytes) override {
    if (SetFilePointer(h_, 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER) return false;
    while (!bytes.empty()) {
      DWORD put = 0;
      DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1 << 20));
      if (!WriteFile(h_, bytes.data(), chunk, &put, nullptr) || put == 0) return false;
      bytes.remove_prefix(put);
    }
    return SetEndOfFile(h_) != 0;
  }

 private:
  HANDLE h_;
};

void WriteHandle(DWORD which, std::string_view utf8) {
  HANDLE h = GetStdHandle(which);
  if (h == nullptr || h == INVALID_HANDLE_VALUE) return;
  DWORD mode;
  if (GetConsoleMode(h, &mode)) {
    std::u16string text = Utf8ToText(utf8);
    DWORD put;
    WriteConsoleW(h, text.c_str(), static_cast<DWORD>(text.size()), &put, nullptr);
    return;
  }
  while (!utf8.empty()) {
    DWORD put = 0;
    if (!WriteFile(h, utf8.data(), static_cast<DWORD>(utf8.size()), &put, nullptr) || put == 0)
      return;
    utf8.remove_prefix(put);
  }
}

}  // namespace

std::u16string ExecutablePath() {
  wchar_t buf[32768];
  DWORD n = GetModuleFileNameW(nullptr, buf, 32768);
  return FromW(buf, n);
}

std::u16string AppDataFolder() {
  wchar_t buf[MAX_PATH];
  if (SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, buf) != S_OK)
    return u"";
  return WithoutTrailingSeparator(FromW(buf));
}

std::u16string CurrentFolder() {
  return FolderFrom([](wchar_t* b, DWORD n) { return GetCurrentDirectoryW(n, b); });
}

bool SetCurrentFolder(const std::u16string& path) {
  return SetCurrentDirectoryW(W(path)) != 0;
}

std::u16string TempFolder() {
  return FolderFrom([](wchar_t* b, DWORD n) { return GetTempPathW(n, b); });
}

std::u16string WindowsFolder() {
  return FolderFrom([](wchar_t* b, DWORD n) { return GetWindowsDirectoryW(b, n); });
}

std::u16string SystemFolder() {
  return FolderFrom([](wchar_t* b, DWORD n) { return GetSystemDirectoryW(b, n); });
}

std::uint16_t SystemDefaultLanguage() {
  return GetSystemDefaultLangID();
}

unsigned AnsiCodePage() {
  return GetACP();
}

std::u16string AnsiToText(std::string_view bytes) {
  if (bytes.empty()) return u"";
  int n = MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  std::u16string out(static_cast<std::size_t>(n), u'\0');
  MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()),
                      reinterpret_cast<wchar_t*>(out.data()), n);
  return out;
}

bool TextToAnsi(std::u16string_view text, std::string* bytes) {
  bytes->clear();
  if (text.empty()) return true;
  const wchar_t* w = reinterpret_cast<const wchar_t*>(text.data());
  int len = static_cast<int>(text.size());
  BOOL usedDefault = FALSE;
  int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, w, len, nullptr, 0, nullptr, nullptr);
  bytes->resize(static_cast<std::size_t>(n));
  WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, w, len, bytes->data(), n, nullptr,
                      &usedDefault);
  // Some code pages map without a default character but not reversibly.
  return !usedDefault && AnsiToText(*bytes) == text;
}

int CompareLocale(std::u16string_view a, std::u16string_view b) {
  return CompareStringW(LOCALE_USER_DEFAULT, 0, reinterpret_cast<const wchar_t*>(a.data()),
                        static_cast<int>(a.size()), reinterpret_cast<const wchar_t*>(b.data()),
                        static_cast<int>(b.size())) -
         2;
}

double Now() {
  SYSTEMTIME st;
  GetLocalTime(&st);
  return OleDateFromSystemTime(st);
}

bool FileExists(const std::u16string& path) {
  DWORD a = GetFileAttributesW(W(path));
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool FolderExists(const std::u16string& path) {
  DWORD a = GetFileAttributesW(W(path));
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool CreateFolder(const std::u16string& path) {
  return CreateDirectoryW(W(path), nullptr) != 0;
}

bool CopyFileNoOverwrite(const std::u16string& from, const std::u16string& to) {
  return CopyFileW(W(from), W(to), TRUE) != 0;
}

bool DeleteFile(const std::u16string& path) {
  return DeleteFileW(W(path)) != 0;
}

double FileModificationTime(const std::u16string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(W(path), GetFileExInfoStandard, &data)) return 0;
  FILETIME local;
  SYSTEMTIME st;
  if (!FileTimeToLocalFileTime(&data.ftLastWriteTime, &local) || !FileTimeToSystemTime(&local, &st))
    return 0;
  return OleDateFromSystemTime(st);
}

std::unique_ptr<File> OpenFile(const std::u16string& path, OpenHow how, bool exclusive,
                               std::string* error) {
  DWORD access = GENERIC_READ, creation = OPEN_EXISTING;
  switch (how) {
    case OpenHow::kRead:
      break;
    case OpenHow::kReadWriteCreate:
      access = GENERIC_READ | GENERIC_WRITE;
      creation = OPEN_ALWAYS;
      break;
    case OpenHow::kCreateTruncate:
      access = GENERIC_READ | GENERIC_WRITE;
      creation = CREATE_ALWAYS;
      break;
  }
  DWORD share = exclusive ? 0 : FILE_SHARE_READ | FILE_SHARE_WRITE;
  HANDLE h = CreateFileW(W(path), access, share, nullptr, creation, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    if (error) {
      DWORD code = GetLastError();
      wchar_t buf[512];
      DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                               code, 0, buf, 512, nullptr);
      *error = n ? TextToUtf8(FromW(buf, n)) : "error " + std::to_string(code);
      while (!error->empty() && (error->back() == '\n' || error->back() == '\r')) error->pop_back();
    }
    return nullptr;
  }
  return std::make_unique<Win32File>(h);
}

std::vector<std::u16string> FindFiles(const std::u16string& pattern) {
  std::vector<std::u16string> names;
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW(W(pattern), &fd);
  if (h == INVALID_HANDLE_VALUE) return names;
  do {
    std::u16string name = FromW(fd.cFileName);
    if (name != u"." && name != u"..") names.push_back(std::move(name));
  } while (FindNextFileW(h, &fd));
  FindClose(h);
  return names;
}

void SleepMs(int ms) {
  Sleep(ms < 0 ? 0 : static_cast<DWORD>(ms));
}

void ProcessMessages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

std::vector<std::u16string> CommandLineArgs(int, char**) {
  std::vector<std::u16string> args;
  int n = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &n);
  if (!argv) return args;
  for (int i = 0; i < n; ++i) args.push_back(FromW(argv[i]));
  LocalFree(argv);
  return args;
}

std::size_t ReadStdin(char* buffer, std::size_t size) {
  HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
  DWORD got = 0;
  if (in == nullptr || in == INVALID_HANDLE_VALUE ||
      !ReadFile(in, buffer, static_cast<DWORD>(size), &got, nullptr)) {
    return 0;
  }
  return got;
}

std::u16string RealPath(const std::u16string& path) {
  constexpr DWORD kMax = 32768;
  std::vector<wchar_t> full(kMax), named(kMax);
  const DWORD length =
      GetFullPathNameW(reinterpret_cast<const wchar_t*>(path.c_str()), kMax, full.data(), nullptr);
  if (length == 0 || length >= kMax) return path;
  // The long form has the entries' own letter case.
  const DWORD namedLength = GetLongPathNameW(full.data(), named.data(), kMax);
  if (namedLength == 0 || namedLength >= kMax) return path;
  return std::u16string(reinterpret_cast<const char16_t*>(named.data()), namedLength);
}

void WriteStdout(std::string_view utf8) {
  WriteHandle(STD_OUTPUT_HANDLE, utf8);
}
void WriteStderr(std::string_view utf8) {
  WriteHandle(STD_ERROR_HANDLE, utf8);
}

int ProcessExitStatus(int code) {
  return code;
}

}  // namespace zelk::os
