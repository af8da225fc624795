// Path texts in the Windows form that scripts use.
#pragma once

#include <string>
#include <string_view>

namespace zelk {

std::u16string CurrentFolder();
std::u16string TempFolder();
// Per-user roaming application data; with withProductFolder "\ZELK" appended.
std::u16string AppDataFolder(bool withProductFolder);

// The text behind the last '\' or '/' outside literals; the whole text if none.
std::u16string FileNamePart(std::u16string_view path);
// The folder part including its trailing separator ("" when there is none).
std::u16string FolderPart(std::u16string_view path);
// Resolves a bare name, ".\" and one leading "..\" against the current folder.
std::u16string ResolvePath(std::u16string_view path);
// Adds ".ZLS" (before an argument list) and resolves against base, which has no
// trailing separator; an empty base resolves with ResolvePath.
std::u16string ResolveScriptPath(std::u16string_view path, std::u16string_view base);
// Deletes every file matching a wildcard path; true if one deletion succeeded.
bool DeleteMatchingFiles(std::u16string_view pattern);

}  // namespace zelk
