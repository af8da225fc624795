// The operating-system layer on Windows.
// windows.h first: the other system headers need its definitions.
#include <windows.h>

#include <shellapi.h>
#include <shlobj.h>

// The portable names below would otherwise be rewritten by these macros.
#undef DeleteFile

#include <algorithm>
#include <atomic>
#include <stdexcept>
#include <string>

#include "base/utf.h"
#include "platform/ole_date.h"
#include "platform/platform.h"
#include "platform/win32/wide_text.h"

namespace zelk::os {

using win::FromW;
using win::W;

namespace {

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
    // Room for the whole file at once: growing by doubling would need up to
    // twice its size. Beyond what a string holds it is length_error.
    LARGE_INTEGER size{};
    if (GetFileSizeEx(h_, &size) && size.QuadPart > 0) {
      if (static_cast<unsigned long long>(size.QuadPart) >= bytes->max_size()) {
        throw std::length_error("file too large");
      }
      bytes->reserve(static_cast<std::size_t>(size.QuadPart));
    }
    char buf[65536];
    for (;;) {
      DWORD got = 0;
      if (!ReadFile(h_, buf, sizeof buf, &got, nullptr)) return false;
      if (got == 0) return true;
      bytes->append(buf, got);
    }
  }

  bool Rewrite(std::string_view bytes) override {
    LARGE_INTEGER oldSize;
    if (!GetFileSizeEx(h_, &oldSize)) return false;
    if (static_cast<LONGLONG>(bytes.size()) > oldSize.QuadPart && !Reserve(bytes.size(), oldSize)) {
      return false;
    }
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
  // Grows the file to size before its content changes; on failure the old
  // size is restored. The growth is written as zeros: a file system that
  // only extends the file's length (Wine on a full tmpfs) would otherwise
  // run out of room in the middle of the new content.
  bool Reserve(std::size_t size, LARGE_INTEGER oldSize) {
    if (!SetFilePointerEx(h_, oldSize, nullptr, FILE_BEGIN)) return false;
    static const char zeros[65536] = {};
    auto left = static_cast<std::size_t>(static_cast<LONGLONG>(size) - oldSize.QuadPart);
    while (left > 0) {
      DWORD put = 0;
      const DWORD chunk = static_cast<DWORD>(std::min(left, sizeof zeros));
      if (!WriteFile(h_, zeros, chunk, &put, nullptr) || put == 0) {
        if (SetFilePointerEx(h_, oldSize, nullptr, FILE_BEGIN)) SetEndOfFile(h_);
        return false;
      }
      left -= put;
    }
    return true;
  }

  HANDLE h_;
};

std::string SystemMessage(DWORD code) {
  wchar_t buf[512];
  DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                           code, 0, buf, 512, nullptr);
  std::string text = n ? TextToUtf8(FromW(buf, n)) : "error " + std::to_string(code);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return text;
}

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
  // A read-only file is refused for writing here already: Wine run by the
  // superuser would otherwise open it.
  const DWORD found = GetFileAttributesW(W(path));
  if ((access & GENERIC_WRITE) && found != INVALID_FILE_ATTRIBUTES &&
      (found & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) == FILE_ATTRIBUTE_READONLY) {
    if (error) *error = SystemMessage(ERROR_ACCESS_DENIED);
    return nullptr;
  }
  DWORD share = exclusive ? 0 : FILE_SHARE_READ | FILE_SHARE_WRITE;
  HANDLE h = CreateFileW(W(path), access, share, nullptr, creation, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    if (error) *error = SystemMessage(GetLastError());
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

bool ReplaceFileContent(const std::u16string& path, std::string_view bytes, std::string* error) {
  auto fail = [error](DWORD code) {
    if (error) *error = SystemMessage(code);
    return false;
  };
  WIN32_FILE_ATTRIBUTE_DATA old{};
  const bool exists = GetFileAttributesExW(W(path), GetFileExInfoStandard, &old) != 0;
  DWORD attributes = FILE_ATTRIBUTE_NORMAL;
  if (exists) {
    if (old.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return fail(ERROR_ACCESS_DENIED);
    if (old.dwFileAttributes & FILE_ATTRIBUTE_READONLY) return fail(ERROR_ACCESS_DENIED);
    // As a write in place would: an exclusive opener elsewhere shuts it out.
    HANDLE probe =
        CreateFileW(W(path), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (probe == INVALID_HANDLE_VALUE) return fail(GetLastError());
    CloseHandle(probe);
    attributes =
        old.dwFileAttributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED);
    if (attributes == 0) attributes = FILE_ATTRIBUTE_NORMAL;
  }
  static std::atomic<unsigned> serial{0};
  const std::size_t slash = path.find_last_of(u"\\/");
  const std::u16string temp =
      (slash == std::u16string::npos ? std::u16string() : path.substr(0, slash + 1)) + u"~zelk" +
      Utf8ToText(std::to_string(GetCurrentProcessId()) + "-" +
                 std::to_string(serial.fetch_add(1))) +
      u".tmp";
  HANDLE h = CreateFileW(W(temp), GENERIC_WRITE, 0, nullptr, CREATE_NEW, attributes, nullptr);
  if (h == INVALID_HANDLE_VALUE) return fail(GetLastError());
  bool ok = true;
  DWORD code = 0;
  for (std::string_view rest = bytes; ok && !rest.empty();) {
    DWORD put = 0;
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(rest.size(), 1 << 20));
    ok = WriteFile(h, rest.data(), chunk, &put, nullptr) && put != 0;
    rest.remove_prefix(put);
  }
  if (!ok) code = GetLastError();
  // The file keeps the day it was made.
  if (ok && exists) SetFileTime(h, &old.ftCreationTime, nullptr, nullptr);
  if (!CloseHandle(h) && ok) {
    ok = false;
    code = GetLastError();
  }
  if (ok && !MoveFileExW(W(temp), W(path), MOVEFILE_REPLACE_EXISTING)) {
    code = GetLastError();
    ok = false;
    // Another program keeps the file open with sharing (a viewer): it is
    // rewritten in place, with room reserved first.
    if (exists) {
      HANDLE in =
          CreateFileW(W(path), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
      if (in != INVALID_HANDLE_VALUE) ok = Win32File(in).Rewrite(bytes);
    }
  }
  if (!ok) DeleteFileW(W(temp));
  return ok ? true : fail(code);
}

std::vector<FolderEntry> ListFolder(const std::u16string& pattern) {
  std::vector<FolderEntry> entries;
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileExW(W(pattern), FindExInfoBasic, &fd, FindExSearchNameMatch, nullptr, 0);
  if (h == INVALID_HANDLE_VALUE) return entries;
  auto ticks = [](const FILETIME& t) {
    return static_cast<std::int64_t>((static_cast<std::uint64_t>(t.dwHighDateTime) << 32) |
                                     t.dwLowDateTime);
  };
  do {
    FolderEntry entry;
    entry.name = FromW(fd.cFileName);
    if (entry.name == u"." || entry.name == u"..") continue;
    entry.folder = (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    entry.hidden = (fd.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN) != 0;
    entry.size = (static_cast<std::uint64_t>(fd.nFileSizeHigh) << 32) | fd.nFileSizeLow;
    entry.created = ticks(fd.ftCreationTime);
    entry.written = ticks(fd.ftLastWriteTime);
    entry.accessed = ticks(fd.ftLastAccessTime);
    entries.push_back(std::move(entry));
  } while (FindNextFileW(h, &fd));
  FindClose(h);
  return entries;
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
