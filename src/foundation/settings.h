// The program's settings files (section/key text files parsed by the program
// itself) and the start-up routine that fixes where they live.
#pragma once

#include <string>

namespace zelk {

struct AppPathSet {
  std::u16string programFolder;     // with trailing '\'
  std::u16string settingsFileName;  // executable name with ".INI"
  std::u16string settingsFolder;    // AppData\ZELK
  std::u16string settingsFile;
  std::u16string productSettingsFile;  // settingsFolder\ZELK.INI
  std::u16string logFileName;          // executable name with ".LOG", upper-cased
};

const AppPathSet& AppPaths();

// Once at start-up: message language, paths, and the move of settings that
// older installations kept beside the program.
void SetupPaths();
// The same with the executable path and application-data folder given (tests).
void SetupPathsFrom(const std::u16string& executablePath, const std::u16string& appDataFolder);

// The settings file, or ResolvePath(explicitPath) when one is given.
std::u16string SettingsPath(const std::u16string& explicitPath);
std::u16string IniRead(const std::u16string& section, const std::u16string& key,
                       const std::u16string& explicitPath = u"");
void IniWrite(const std::u16string& section, const std::u16string& key, const std::u16string& value,
              const std::u16string& explicitPath = u"");
// An empty key deletes the whole section.
void IniDelete(const std::u16string& section, const std::u16string& key,
               const std::u16string& explicitPath = u"");
std::u16string ProductIniRead(const std::u16string& section, const std::u16string& key);

}  // namespace zelk
