// What the portable core needs from the operating system. Each function has
// one implementation for Windows (win32/) and one for POSIX hosts (posix/).
// Paths are always written the Windows way; the POSIX side maps them onto its
// own file system (either separator, case-insensitive component match).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace zelk::os {

// Folders, without trailing separator.
std::u16string ExecutablePath();
std::u16string AppDataFolder();  // per-user roaming application data
std::u16string CurrentFolder();
bool SetCurrentFolder(const std::u16string& path);
std::u16string TempFolder();
std::u16string WindowsFolder();
std::u16string SystemFolder();

// The system's default language identifier (0x411 on a Japanese system).
std::uint16_t SystemDefaultLanguage();

// ANSI code page: the system's own on Windows, Latin-1 (28591) elsewhere.
unsigned AnsiCodePage();
std::u16string AnsiToText(std::string_view bytes);
// False when some character has no exact form in the ANSI code page.
bool TextToAnsi(std::u16string_view text, std::string* bytes);

// Case-significant comparison under the user's locale; <0, 0, >0.
int CompareLocale(std::u16string_view a, std::u16string_view b);

// Local date and time as a day count since 1899-12-30 with the time of day as fraction.
double Now();

bool FileExists(const std::u16string& path);  // a file, not a folder
bool FolderExists(const std::u16string& path);
bool CreateFolder(const std::u16string& path);  // one level
bool CopyFileNoOverwrite(const std::u16string& from, const std::u16string& to);
bool DeleteFile(const std::u16string& path);
// Last write time as a local date-time value; 0 when unknown.
double FileModificationTime(const std::u16string& path);

// An open file. Closing happens when the handle is destroyed.
class File {
 public:
  virtual ~File() = default;
  virtual bool ReadAll(std::string* bytes) = 0;
  // Rewinds, writes the bytes and cuts the file behind them. Room for more
  // bytes than the file holds is reserved first, so that a full disk fails
  // with the old content intact.
  virtual bool Rewrite(std::string_view bytes) = 0;
};

enum class OpenHow {
  kRead,             // existing file, reading
  kReadWriteCreate,  // reading and writing, created when missing
  kCreateTruncate,   // created or emptied, writing
};
// exclusive: no sharing with other openers. Null on failure; *error says why.
std::unique_ptr<File> OpenFile(const std::u16string& path, OpenHow how, bool exclusive,
                               std::string* error);

// Names (without folder) of the entries matching a wildcard path such as
// "C:\\dir\\*.tmp", folders included, "." and ".." left out.
std::vector<std::u16string> FindFiles(const std::u16string& pattern);

// Writes bytes as the whole new content of path without putting the old one
// at risk: they go to a new file beside it, which replaces path only once it
// is complete. Fails with path as it was when the folder is missing, path is
// read-only or held by an exclusive opener, or the write fails.
bool ReplaceFileContent(const std::u16string& path, std::string_view bytes, std::string* error);

// One entry of a folder listing. Times are 100 ns ticks since 1601 (UTC);
// only their order matters to callers.
struct FolderEntry {
  std::u16string name;
  bool folder = false;
  bool hidden = false;  // POSIX: the name begins with '.', as Wine shows it
  std::uint64_t size = 0;
  std::int64_t created = 0;
  std::int64_t written = 0;
  std::int64_t accessed = 0;
};
// The entries matching a wildcard path, as FindFiles, with their attributes.
std::vector<FolderEntry> ListFolder(const std::u16string& pattern);

// LCMapString with the system default locale; *ok false when the mapping failed.
std::u16string MapString(std::u16string_view text, unsigned flags, bool* ok);

void SleepMs(int ms);
// One pass of window-message processing (nothing on POSIX).
void ProcessMessages();

// Ctrl+C (SIGINT; on Windows the console's Ctrl+C and Ctrl+Break events): the
// first one calls handler, which may only store to lock-free atomics, and the
// program goes on; a second one ends the program as if no handler were set.
void OnInterrupt(void (*handler)());

// The program's command line as UTF-16 arguments (argv[0] included).
std::vector<std::u16string> CommandLineArgs(int argc, char** argv);

// Reads what standard input has, at most size bytes, waiting until there is
// something; 0 at its end or on an error. Bytes as they come, untranslated.
std::size_t ReadStdin(char* buffer, std::size_t size);

// The path of an existing file as the file system names it: absolute, and
// with the letter case of its entries (a Windows-form path on POSIX becomes
// the native one). The path itself when the file cannot be found.
std::u16string RealPath(const std::u16string& path);

// Writes UTF-8 to standard output or standard error, unbuffered.
void WriteStdout(std::string_view utf8);
void WriteStderr(std::string_view utf8);

// The status a program returns from main for a script's exit code. POSIX
// keeps only 8 bits: a code outside 0..255 becomes 255, so that no failure
// reads as success (256 would be 0). Windows keeps the code.
int ProcessExitStatus(int code);

}  // namespace zelk::os
