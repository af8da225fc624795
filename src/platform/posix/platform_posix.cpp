// The operating-system layer on POSIX hosts. Scripts name files the Windows
// way, so paths are mapped here: '\' and '/' both separate, a drive prefix
// stands for the root, and each component that does not exist as written is
// matched without regard to letter case.
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "base/utf.h"
#include "platform/ole_date.h"
#include "platform/platform.h"
#include "platform/posix/native_path.h"

namespace zelk::os {
namespace {

std::u16string EnvFolder(const char* name, const char* fallback) {
  const char* v = std::getenv(name);
  std::string s = (v && *v) ? v : fallback;
  while (s.size() > 1 && s.back() == '/') s.pop_back();
  return Utf8ToText(s);
}

double OleDateFromTime(std::time_t t) {
  std::tm tm{};
  localtime_r(&t, &tm);
  return OleDateFromFields(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min,
                           tm.tm_sec);
}

bool StatPath(const std::u16string& path, struct stat* st) {
  return ::stat(NativePath(path).c_str(), st) == 0;
}

// The read-only attribute as Wine shows it: no write permission for anyone.
// Checked by itself, because a superuser's open would not be refused.
bool ReadOnlyMode(const struct stat& st) {
  return !S_ISDIR(st.st_mode) && (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

bool WriteAllTo(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

class PosixFile final : public File {
 public:
  explicit PosixFile(int fd) : fd_(fd) {}
  ~PosixFile() override { ::close(fd_); }

  bool ReadAll(std::string* bytes) override {
    bytes->clear();
    if (::lseek(fd_, 0, SEEK_SET) < 0) return false;
    // Room for the whole file at once: growing by doubling would need up to
    // twice its size.
    struct stat st;
    if (::fstat(fd_, &st) == 0 && st.st_size > 0) {
      bytes->reserve(static_cast<std::size_t>(st.st_size));
    }
    char buf[65536];
    for (;;) {
      ssize_t n = ::read(fd_, buf, sizeof buf);
      if (n < 0) {
        if (errno == EINTR) continue;
        return false;
      }
      if (n == 0) return true;
      bytes->append(buf, static_cast<std::size_t>(n));
    }
  }

  bool Rewrite(std::string_view bytes) override {
    struct stat st;
    if (::fstat(fd_, &st) != 0) return false;
    if (static_cast<off_t>(bytes.size()) > st.st_size) {
      int rc = ::posix_fallocate(fd_, 0, static_cast<off_t>(bytes.size()));
      // File systems without allocation get the growth written as zeros.
      if (rc == EOPNOTSUPP || rc == EINVAL)
        rc = WriteZerosFrom(st.st_size, bytes.size()) ? 0 : ENOSPC;
      if (rc != 0) {
        // Whatever was allocated goes again; the content was not touched.
        const int undone = ::ftruncate(fd_, st.st_size);
        static_cast<void>(undone);
        return false;
      }
    }
    if (::lseek(fd_, 0, SEEK_SET) < 0) return false;
    if (!WriteAllTo(fd_, bytes)) return false;
    return ::ftruncate(fd_, static_cast<off_t>(bytes.size())) == 0;
  }

 private:
  bool WriteZerosFrom(off_t from, std::size_t size) {
    if (::lseek(fd_, from, SEEK_SET) < 0) return false;
    static const std::string zeros(65536, '\0');
    for (auto left = size - static_cast<std::size_t>(from); left > 0;) {
      const std::size_t chunk = std::min(left, zeros.size());
      if (!WriteAllTo(fd_, std::string_view(zeros).substr(0, chunk))) return false;
      left -= chunk;
    }
    return true;
  }

  int fd_;
};

// Case-insensitive match of '*' and '?' wildcards, as the Windows shell does.
bool WildcardMatch(std::u16string_view pattern, std::u16string_view name) {
  auto fold = [](char16_t c) { return (c >= u'a' && c <= u'z') ? char16_t(c - 32) : c; };
  std::size_t p = 0, n = 0, starP = std::u16string_view::npos, starN = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == u'?' || fold(pattern[p]) == fold(name[n]))) {
      ++p;
      ++n;
    } else if (p < pattern.size() && pattern[p] == u'*') {
      starP = p++;
      starN = n;
    } else if (starP != std::u16string_view::npos) {
      p = starP + 1;
      n = ++starN;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && (pattern[p] == u'*' || pattern[p] == u'.')) ++p;
  return p == pattern.size();
}

}  // namespace

std::u16string ExecutablePath() {
  char buf[PATH_MAX];
  ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return u"";
  return Utf8ToText(std::string_view(buf, static_cast<std::size_t>(n)));
}

std::u16string AppDataFolder() {
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  if (xdg && *xdg) return EnvFolder("XDG_CONFIG_HOME", "/tmp");
  std::u16string home = EnvFolder("HOME", "/tmp");
  return home == u"/" ? u"/.config" : home + u"/.config";
}

std::u16string CurrentFolder() {
  char buf[PATH_MAX];
  if (!::getcwd(buf, sizeof buf)) return u"";
  return Utf8ToText(buf);
}

bool SetCurrentFolder(const std::u16string& path) {
  return ::chdir(NativePath(path).c_str()) == 0;
}

std::u16string TempFolder() {
  return EnvFolder("TMPDIR", "/tmp");
}
std::u16string WindowsFolder() {
  return u"/usr";
}
std::u16string SystemFolder() {
  return u"/usr/lib";
}

std::uint16_t SystemDefaultLanguage() {
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* v = std::getenv(name);
    if (v && *v) return std::strncmp(v, "ja", 2) == 0 ? 0x411 : 0x409;
  }
  return 0x409;
}

unsigned AnsiCodePage() {
  return 28591;
}

std::u16string AnsiToText(std::string_view bytes) {
  std::u16string out(bytes.size(), u'\0');
  for (std::size_t i = 0; i < bytes.size(); ++i) out[i] = static_cast<unsigned char>(bytes[i]);
  return out;
}

bool TextToAnsi(std::u16string_view text, std::string* bytes) {
  bytes->resize(text.size());
  bool exact = true;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] > 0xFF) {
      (*bytes)[i] = '?';
      exact = false;
    } else {
      (*bytes)[i] = static_cast<char>(text[i]);
    }
  }
  return exact;
}

// Letters compare alphabetically first; case only breaks ties, small before
// capital, which is how the Windows locale comparison orders words.
int CompareLocale(std::u16string_view a, std::u16string_view b) {
  auto fold = [](char16_t c) { return (c >= u'a' && c <= u'z') ? char16_t(c - 32) : c; };
  std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    if (fold(a[i]) != fold(b[i])) return fold(a[i]) < fold(b[i]) ? -1 : 1;
  }
  if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
  for (std::size_t i = 0; i < n; ++i) {
    if (a[i] != b[i]) return a[i] > b[i] ? -1 : 1;  // 'a' (0x61) before 'A' (0x41)
  }
  return 0;
}

double Now() {
  timespec ts{};
  ::clock_gettime(CLOCK_REALTIME, &ts);
  return OleDateFromTime(ts.tv_sec) + (ts.tv_nsec / 1e9) / 86400.0;
}

bool FileExists(const std::u16string& path) {
  struct stat st;
  return StatPath(path, &st) && !S_ISDIR(st.st_mode);
}

bool FolderExists(const std::u16string& path) {
  struct stat st;
  return StatPath(path, &st) && S_ISDIR(st.st_mode);
}

bool CreateFolder(const std::u16string& path) {
  return ::mkdir(NativePath(path).c_str(), 0777) == 0;
}

bool CopyFileNoOverwrite(const std::u16string& from, const std::u16string& to) {
  int in = ::open(NativePath(from).c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return false;
  PosixFile source(in);
  std::string bytes;
  if (!source.ReadAll(&bytes)) return false;
  int out = ::open(NativePath(to).c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (out < 0) return false;
  bool ok = WriteAllTo(out, bytes);
  ::close(out);
  return ok;
}

bool DeleteFile(const std::u16string& path) {
  return ::unlink(NativePath(path).c_str()) == 0;
}

double FileModificationTime(const std::u16string& path) {
  struct stat st;
  if (!StatPath(path, &st)) return 0;
  return OleDateFromTime(st.st_mtime);
}

std::unique_ptr<File> OpenFile(const std::u16string& path, OpenHow how, bool exclusive,
                               std::string* error) {
  int flags = O_CLOEXEC;
  switch (how) {
    case OpenHow::kRead:
      flags |= O_RDONLY;
      break;
    case OpenHow::kReadWriteCreate:
      flags |= O_RDWR | O_CREAT;
      break;
    case OpenHow::kCreateTruncate:
      flags |= O_RDWR | O_CREAT;
      break;
  }
  std::string native = NativePath(path);
  struct stat st;
  if (::stat(native.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) {
      if (error) *error = "Is a directory";
      return nullptr;
    }
    if (how != OpenHow::kRead && ReadOnlyMode(st)) {
      if (error) *error = std::strerror(EACCES);
      return nullptr;
    }
  }
  int fd = ::open(native.c_str(), flags, 0666);
  if (fd < 0) {
    if (error) *error = std::strerror(errno);
    return nullptr;
  }
  // Sharing as Windows knows it: an exclusive opener shuts everyone else out.
  if (::flock(fd, (exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB) != 0) {
    if (error) *error = "The file is in use by another process";
    ::close(fd);
    return nullptr;
  }
  if (how == OpenHow::kCreateTruncate && ::ftruncate(fd, 0) != 0) {
    if (error) *error = std::strerror(errno);
    ::close(fd);
    return nullptr;
  }
  return std::make_unique<PosixFile>(fd);
}

std::vector<std::u16string> FindFiles(const std::u16string& pattern) {
  std::vector<std::u16string> names;
  std::size_t cut = pattern.find_last_of(u"\\/");
  std::u16string folder = cut == std::u16string::npos ? u"." : pattern.substr(0, cut + 1);
  std::u16string namePattern = cut == std::u16string::npos ? pattern : pattern.substr(cut + 1);
  DIR* dir = ::opendir(NativePath(folder).c_str());
  if (!dir) return names;
  while (dirent* entry = ::readdir(dir)) {
    std::u16string name = Utf8ToText(entry->d_name);
    if (name == u"." || name == u"..") continue;
    if (WildcardMatch(namePattern, name)) names.push_back(std::move(name));
  }
  ::closedir(dir);
  return names;
}

bool ReplaceFileContent(const std::u16string& path, std::string_view bytes, std::string* error) {
  auto fail = [error](const char* why) {
    if (error) *error = why;
    return false;
  };
  std::string native = NativePath(path);
  struct stat st;
  bool exists = ::lstat(native.c_str(), &st) == 0;
  if (exists && S_ISLNK(st.st_mode)) {
    // A link is written through to its target, not replaced by a file.
    char target[PATH_MAX];
    if (::realpath(native.c_str(), target) != nullptr) native = target;
    exists = ::stat(native.c_str(), &st) == 0;
  }
  int probe = -1;
  if (exists) {
    if (S_ISDIR(st.st_mode)) return fail("Is a directory");
    if (ReadOnlyMode(st)) return fail(std::strerror(EACCES));
    // As a write in place would: a read-only file or an exclusive opener
    // shuts the write out. The shared lock holds until the swap is done.
    probe = ::open(native.c_str(), O_WRONLY | O_CLOEXEC);
    if (probe < 0) return fail(std::strerror(errno));
    if (::flock(probe, LOCK_SH | LOCK_NB) != 0) {
      ::close(probe);
      return fail("The file is in use by another process");
    }
  }
  static std::atomic<unsigned> serial{0};
  const std::size_t slash = native.rfind('/');
  const std::string temp =
      (slash == std::string::npos ? std::string() : native.substr(0, slash + 1)) + ".zelk-" +
      std::to_string(::getpid()) + "-" + std::to_string(serial.fetch_add(1)) + ".tmp";
  const mode_t mode = exists ? (st.st_mode & 07777) : 0666;
  int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
  if (fd < 0) {
    std::string why = std::strerror(errno);
    if (probe >= 0) ::close(probe);
    return fail(why.c_str());
  }
  if (exists) {
    // The new file takes the old one's owner and permissions, as far as the
    // user may hand them on; a refusal leaves the user's own.
    const int owned = ::fchown(fd, st.st_uid, st.st_gid);
    const int moded = ::fchmod(fd, mode);
    static_cast<void>(owned + moded);
  }
  bool ok = WriteAllTo(fd, bytes);
  std::string why = ok ? "" : std::strerror(errno);
  if (::close(fd) != 0 && ok) {
    ok = false;
    why = std::strerror(errno);
  }
  if (ok && ::rename(temp.c_str(), native.c_str()) != 0) {
    ok = false;
    why = std::strerror(errno);
  }
  if (!ok) ::unlink(temp.c_str());
  if (probe >= 0) ::close(probe);
  return ok ? true : fail(why.c_str());
}

std::vector<FolderEntry> ListFolder(const std::u16string& pattern) {
  std::vector<FolderEntry> entries;
  const std::size_t cut = pattern.find_last_of(u"\\/");
  const std::u16string folder = cut == std::u16string::npos ? u"." : pattern.substr(0, cut + 1);
  const std::u16string namePattern =
      cut == std::u16string::npos ? pattern : pattern.substr(cut + 1);
  const std::string nativeFolder = NativePath(folder);
  DIR* dir = ::opendir(nativeFolder.c_str());
  if (!dir) return entries;
  auto ticks = [](const timespec& t) {
    constexpr std::int64_t kEpochDifference = 11644473600;  // 1601 to 1970, seconds
    return (static_cast<std::int64_t>(t.tv_sec) + kEpochDifference) * 10000000 + t.tv_nsec / 100;
  };
  while (dirent* found = ::readdir(dir)) {
    std::u16string name = Utf8ToText(found->d_name);
    if (name == u"." || name == u".." || !WildcardMatch(namePattern, name)) continue;
    const std::string full =
        nativeFolder + (nativeFolder.ends_with('/') ? "" : "/") + found->d_name;
    FolderEntry entry;
    struct stat st;
    if (::stat(full.c_str(), &st) == 0 || ::lstat(full.c_str(), &st) == 0) {
      entry.folder = S_ISDIR(st.st_mode);
      entry.size = entry.folder ? 0 : static_cast<std::uint64_t>(st.st_size);
      entry.written = ticks(st.st_mtim);
      entry.accessed = ticks(st.st_atim);
      entry.created = ticks(st.st_ctim);
#ifdef STATX_BTIME
      struct statx sx;
      if (::statx(AT_FDCWD, full.c_str(), 0, STATX_BTIME, &sx) == 0 &&
          (sx.stx_mask & STATX_BTIME)) {
        entry.created = ticks(timespec{static_cast<time_t>(sx.stx_btime.tv_sec),
                                       static_cast<long>(sx.stx_btime.tv_nsec)});
      }
#endif
    }
    entry.hidden = name[0] == u'.';
    entry.name = std::move(name);
    entries.push_back(std::move(entry));
  }
  ::closedir(dir);
  return entries;
}

void SleepMs(int ms) {
  if (ms <= 0) {
    ::sched_yield();
    return;
  }
  timespec ts{ms / 1000, (ms % 1000) * 1000000L};
  while (::nanosleep(&ts, &ts) != 0 && errno == EINTR) {
  }
}

void ProcessMessages() {}

std::vector<std::u16string> CommandLineArgs(int argc, char** argv) {
  std::vector<std::u16string> args;
  for (int i = 0; i < argc; ++i) args.push_back(Utf8ToText(argv[i]));
  return args;
}

std::size_t ReadStdin(char* buffer, std::size_t size) {
  for (;;) {
    const ssize_t got = read(STDIN_FILENO, buffer, size);
    if (got >= 0) return static_cast<std::size_t>(got);
    if (errno != EINTR) return 0;
  }
}

std::u16string RealPath(const std::u16string& path) {
  char resolved[PATH_MAX];
  if (realpath(NativePath(path).c_str(), resolved) == nullptr) return path;
  return Utf8ToText(resolved);
}

void WriteStdout(std::string_view utf8) {
  WriteAllTo(1, utf8);
}
void WriteStderr(std::string_view utf8) {
  WriteAllTo(2, utf8);
}

int ProcessExitStatus(int code) {
  return code >= 0 && code <= 255 ? code : 255;
}

}  // namespace zelk::os
