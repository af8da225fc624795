#include "foundation/script_log.h"

#include <climits>
#include <cmath>
#include <deque>
#include <mutex>
#include <vector>

#include "base/numbers.h"
#include "base/text_scan.h"
#include "foundation/date_time.h"
#include "foundation/paths.h"
#include "foundation/settings.h"
#include "foundation/text_file.h"
#include "platform/platform.h"

namespace zelk {
namespace {

constexpr std::size_t kMaxLineLength = 64000;
constexpr int kDefaultLimit = 2000;
constexpr int kMaxLimit = 100000;
constexpr long long kNoMinute = LLONG_MIN;

// Recursive: loading and saving process window messages, and a handler may
// log in between.
std::recursive_mutex logLock;
int logMode = 0;
std::u16string logPathOption;
std::deque<std::u16string> logLines;
bool dirty = false;
int limit = 0;  // 0: not read yet
long long lastFlushMinute = kNoMinute;
SpecialNameExpander expander = nullptr;

std::u16string WithoutTrailingSeparator(std::u16string folder) {
  if (!folder.empty() && (folder.back() == u'\\' || folder.back() == u'/')) folder.pop_back();
  return folder;
}

// Plain special folder names only; an expression of several terms needs the
// interpreter's evaluator, and without it the setting counts as unusable.
std::u16string ExpandPlainName(const std::u16string& text) {
  int plusSigns = 0;
  for (char16_t c : text) plusSigns += c == u'+';
  if (plusSigns >= 2) return u"";
  std::u16string name = UpperAscii(Trim(text));
  if (name == u"GET_APPDATA_DIR") return os::AppDataFolder();
  if (name == u"GET_CUR_DIR") return os::CurrentFolder();
  if (name == u"GET_WIN_DIR") return os::WindowsFolder();
  if (name == u"GET_SYS_DIR") return os::SystemFolder();
  if (name == u"GET_TEMP_DIR") return os::TempFolder();
  if (name == u"GET_ZELK_DIR") return WithoutTrailingSeparator(FolderPart(os::ExecutablePath()));
  return u"";
}

std::u16string DefaultLogPath() {
  return AppPaths().settingsFolder + u"\\" + AppPaths().logFileName;
}

long long CurrentMinute() {
  return static_cast<long long>(std::floor(os::Now() * 1440.0));
}

// The log continues across runs: an empty buffer picks up the file first.
void LoadExisting() {
  std::u16string path = LogFilePath();
  if (!os::FileExists(path)) return;
  std::vector<std::u16string> lines;
  int encoding = kEncodingDetect;
  if (!LoadTextFile(path, &lines, &encoding)) return;
  logLines.assign(std::make_move_iterator(lines.begin()), std::make_move_iterator(lines.end()));
}

}  // namespace

void SetLogOptions(int mode, const std::u16string& path) {
  std::lock_guard<std::recursive_mutex> guard(logLock);
  logMode = mode;
  logPathOption = path;
  if (mode & 4) logLines.clear();
}

void SetLogPathExpander(SpecialNameExpander e) {
  std::lock_guard<std::recursive_mutex> guard(logLock);
  expander = e;
}

std::u16string LogFilePath() {
  std::lock_guard<std::recursive_mutex> guard(logLock);
  if (!logPathOption.empty()) return logPathOption;
  std::u16string path = IniRead(u"SET", u"LogPath");
  if (UpperAscii(path).find(u"GET_") != std::u16string::npos) {
    path = (expander ? expander : ExpandPlainName)(path);
  }
  if (path.empty()) return DefaultLogPath();
  if (path.back() == u'\\' || path.back() == u'/') return path + AppPaths().logFileName;
  if (os::FolderExists(path)) return path + u"\\" + AppPaths().logFileName;
  return path;
}

int LogLimit() {
  std::lock_guard<std::recursive_mutex> guard(logLock);
  if (limit > 0) return limit;
  std::u16string text = ProductIniRead(u"SET", u"LogLines");
  std::size_t cut = text.find_first_of(u", \t");
  if (cut != std::u16string::npos) text.resize(cut);
  double n = TextToNumber(text);
  // Fractions are dropped; anything below one line is no usable limit.
  if (n == kNotANumber || !std::isfinite(n) || n < 1) {
    limit = kDefaultLimit;
  } else if (n > kMaxLimit) {
    limit = kMaxLimit;
  } else {
    limit = static_cast<int>(n);
  }
  return limit;
}

void LogLine(const std::u16string& text) {
  std::lock_guard<std::recursive_mutex> guard(logLock);
  const int form = logMode & 3;
  if (form == 1) return;
  if (logLines.empty() && !(logMode & 4)) LoadExisting();

  std::u16string line;
  if (form == 0) line = FormatLogTime(os::Now(), false) + u"  ";
  if (form == 3) line = FormatLogTime(os::Now(), true) + u"  ";
  if (text.size() > kMaxLineLength) {
    line.append(text, 0, kMaxLineLength);
    line += u"...";
  } else {
    line += text;
  }

  const std::size_t keep = static_cast<std::size_t>(LogLimit());
  while (!logLines.empty() && logLines.size() >= keep) logLines.pop_front();
  logLines.push_back(std::move(line));
  dirty = true;
}

void FlushLog() {
  std::lock_guard<std::recursive_mutex> guard(logLock);
  lastFlushMinute = CurrentMinute();
  if (!dirty) return;
  std::vector<std::u16string> lines(logLines.begin(), logLines.end());
  // A failed write stays dirty, so the next flush tries again.
  if (SaveTextFile(LogFilePath(), lines, kEncodingUtf8)) dirty = false;
}

void FlushLogEveryMinute() {
  std::lock_guard<std::recursive_mutex> guard(logLock);
  long long minute = CurrentMinute();
  if (lastFlushMinute == kNoMinute) {
    lastFlushMinute = minute;
    return;
  }
  if (minute != lastFlushMinute) FlushLog();
}

void ResetLog() {
  std::lock_guard<std::recursive_mutex> guard(logLock);
  logLines.clear();
  dirty = false;
  limit = 0;
  lastFlushMinute = kNoMinute;
}

}  // namespace zelk
