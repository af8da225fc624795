#include "foundation/settings.h"

#include <exception>
#include <vector>

#include "base/text_scan.h"
#include "foundation/messages.h"
#include "foundation/paths.h"
#include "foundation/text_file.h"
#include "platform/platform.h"

namespace zelk {
namespace {

AppPathSet paths;

void PauseBeforeRetry() {
  os::SleepMs(100);
  for (int i = 0; i < 100; ++i) os::ProcessMessages();
}

// Name without its last extension, keeping the case as written.
std::u16string BaseName(const std::u16string& fileName) {
  std::size_t dot = fileName.rfind(u'.');
  return dot == std::u16string::npos ? fileName : fileName.substr(0, dot);
}

bool SameName(std::u16string_view a, std::u16string_view b) {
  return UpperAscii(Trim(a)) == UpperAscii(Trim(b));
}

bool IsBlankLine(const std::u16string& line) {
  return Trim(line).empty();
}

bool HeaderName(const std::u16string& line, std::u16string* name) {
  std::u16string t = Trim(line);
  if (t.size() < 2 || t.front() != u'[' || t.back() != u']') return false;
  *name = Trim(std::u16string_view(t).substr(1, t.size() - 2));
  return true;
}

bool IsHeader(const std::u16string& line) {
  std::u16string name;
  return HeaderName(line, &name);
}

// Key and value of a key line; a line without '=' has the empty key and the
// whole line as its value.
std::u16string KeyOf(const std::u16string& line) {
  std::size_t eq = line.find(u'=');
  return eq == std::u16string::npos ? std::u16string() : Trim(line.substr(0, eq));
}

std::u16string ValueOf(const std::u16string& line) {
  std::size_t eq = line.find(u'=');
  return eq == std::u16string::npos ? Trim(line) : Trim(line.substr(eq + 1));
}

int FindSection(const std::vector<std::u16string>& lines, const std::u16string& section) {
  std::u16string name;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (HeaderName(lines[i], &name) && SameName(name, section)) return static_cast<int>(i);
  }
  return -1;
}

// One behind the section's last line: the next header or the end.
int SectionEnd(const std::vector<std::u16string>& lines, int header) {
  int i = header + 1;
  while (i < static_cast<int>(lines.size()) && !IsHeader(lines[static_cast<std::size_t>(i)])) ++i;
  return i;
}

int FindKey(const std::vector<std::u16string>& lines, int header, int end,
            const std::u16string& key) {
  for (int i = header + 1; i < end; ++i) {
    const std::u16string& line = lines[static_cast<std::size_t>(i)];
    if (!IsBlankLine(line) && SameName(KeyOf(line), key)) return i;
  }
  return -1;
}

std::u16string ReadFrom(const std::u16string& path, const std::u16string& section,
                        const std::u16string& key) {
  for (int attempt = 0; attempt < 3; ++attempt) {
    if (attempt > 0) PauseBeforeRetry();
    try {
      if (!os::FileExists(path)) return u"";
      std::vector<std::u16string> lines;
      int encoding = kEncodingDetect;
      // The text-file layer has already retried a locked file.
      if (!LoadTextFile(path, &lines, &encoding)) return u"";
      int header = FindSection(lines, section);
      if (header < 0) return u"";
      int line = FindKey(lines, header, SectionEnd(lines, header), key);
      if (line < 0) return u"";
      return Unquote(ValueOf(lines[static_cast<std::size_t>(line)]));
    } catch (const std::exception&) {
      // try again
    }
  }
  return u"";
}

}  // namespace

const AppPathSet& AppPaths() {
  return paths;
}

void SetupPaths() {
  SetupPathsFrom(os::ExecutablePath(), os::AppDataFolder());
}

void SetupPathsFrom(const std::u16string& executablePath, const std::u16string& appDataFolder) {
  // Numbers are formatted and parsed with '.' by the core itself, whatever the
  // locale, so only the message language is chosen here.
  SetJapaneseMessages((os::SystemDefaultLanguage() & 0x3FF) == 0x11);

  std::u16string exeName = FileNamePart(executablePath);
  std::u16string base = BaseName(exeName);
  paths.programFolder = FolderPart(executablePath);
  paths.settingsFileName = base + u".INI";
  paths.logFileName = UpperAscii(base + u".Log");
  std::u16string appData = appDataFolder;
  if (!appData.empty() && (appData.back() == u'\\' || appData.back() == u'/')) appData.pop_back();
  paths.settingsFolder = appData + u"\\ZELK";
  paths.settingsFile = paths.settingsFolder + u"\\" + paths.settingsFileName;
  paths.productSettingsFile = paths.settingsFolder + u"\\ZELK.INI";

  if (os::FileExists(paths.settingsFile)) return;
  if (!os::FolderExists(paths.settingsFolder)) os::CreateFolder(paths.settingsFolder);
  // Older installations kept their settings beside the program.
  std::u16string oldFile = paths.programFolder + paths.settingsFileName;
  if (paths.programFolder.empty() || !os::FileExists(oldFile)) return;
  // The old file goes only once its copy is safely in place.
  if (!os::CopyFileNoOverwrite(oldFile, paths.settingsFile) &&
      !os::FileExists(paths.settingsFile)) {
    return;
  }
  os::DeleteFile(oldFile);
  if (paths.settingsFileName == u"ZELK.INI") os::DeleteFile(paths.programFolder + u"ZELK.LOG");
}

std::u16string SettingsPath(const std::u16string& explicitPath) {
  return explicitPath.empty() ? paths.settingsFile : ResolvePath(explicitPath);
}

std::u16string IniRead(const std::u16string& section, const std::u16string& key,
                       const std::u16string& explicitPath) {
  return ReadFrom(SettingsPath(explicitPath), section, key);
}

std::u16string ProductIniRead(const std::u16string& section, const std::u16string& key) {
  return ReadFrom(paths.productSettingsFile, section, key);
}

void IniWrite(const std::u16string& section, const std::u16string& key, const std::u16string& value,
              const std::u16string& explicitPath) {
  try {
    std::u16string path = SettingsPath(explicitPath);
    if (path.empty()) return;
    std::vector<std::u16string> lines;
    int encoding = kEncodingAnsiOrUtf8;
    // A file that exists but cannot be read is left alone: writing a fresh
    // one would lose every other setting in it.
    if (os::FileExists(path) && !LoadTextFile(path, &lines, &encoding)) return;
    if (encoding == kEncodingAnsiOrUtf8) {
      std::string ansi;
      if (!os::TextToAnsi(section + key + value, &ansi)) encoding = kEncodingUtf8;
    }

    std::u16string keyLine = Trim(key) + u"=" + value;
    int header = FindSection(lines, section);
    if (header < 0) {
      lines.push_back(u"[" + section + u"]");
      lines.push_back(keyLine);
    } else {
      int end = SectionEnd(lines, header);
      int line = FindKey(lines, header, end, key);
      if (line >= 0) {
        lines[static_cast<std::size_t>(line)] = keyLine;
      } else if (end == static_cast<int>(lines.size())) {
        lines.push_back(keyLine);
      } else {
        // Under the section's last line, not after the blank lines that set
        // the next section apart.
        int at = end;
        for (int stepped = 0;
             stepped < 3 && at - 1 > header && IsBlankLine(lines[static_cast<std::size_t>(at - 1)]);
             ++stepped) {
          --at;
        }
        lines.insert(lines.begin() + at, keyLine);
      }
    }
    SaveTextFile(path, lines, encoding);
  } catch (const std::exception&) {
    // Settings that cannot be written are skipped.
  }
}

void IniDelete(const std::u16string& section, const std::u16string& key,
               const std::u16string& explicitPath) {
  try {
    std::u16string path = SettingsPath(explicitPath);
    if (!os::FileExists(path)) return;
    std::vector<std::u16string> lines;
    int encoding = kEncodingAnsiOrUtf8;
    if (!LoadTextFile(path, &lines, &encoding)) return;
    int header = FindSection(lines, section);
    if (header < 0) return;
    int end = SectionEnd(lines, header);
    if (!key.empty()) {
      int line = FindKey(lines, header, end, key);
      if (line < 0) return;
      lines.erase(lines.begin() + line);
    } else {
      // The header and its key lines go; blank lines stay.
      std::vector<std::u16string> kept;
      kept.reserve(lines.size());
      for (int i = 0; i < static_cast<int>(lines.size()); ++i) {
        const std::u16string& line = lines[static_cast<std::size_t>(i)];
        if (i >= header && i < end && !IsBlankLine(line)) continue;
        kept.push_back(line);
      }
      lines.swap(kept);
    }
    SaveTextFile(path, lines, encoding);
  } catch (const std::exception&) {
    // Settings that cannot be written are skipped.
  }
}

}  // namespace zelk
