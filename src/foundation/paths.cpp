#include "foundation/paths.h"

#include <cstddef>

#include "base/text_scan.h"
#include "platform/platform.h"

namespace zelk {
namespace {

constexpr std::size_t kNone = std::u16string_view::npos;

bool IsSeparator(char16_t c) {
  return c == u'\\' || c == u'/';
}

// Index of the last '\' or '/' outside literals; npos if none.
std::size_t LastSeparatorOutside(std::u16string_view path) {
  std::size_t last = kNone;
  bool inLiteral = false;
  for (std::size_t i = 0; i < path.size(); ++i) {
    if (path[i] == u'"') inLiteral = !inLiteral;
    if (!inLiteral && IsSeparator(path[i])) last = i;
  }
  return last;
}

// Index of the first '(' outside literals; npos if none.
std::size_t FirstParenOutside(std::u16string_view text) {
  bool inLiteral = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u'"') inLiteral = !inLiteral;
    if (!inLiteral && text[i] == u'(') return i;
  }
  return kNone;
}

std::u16string WithoutTrailingSeparator(std::u16string folder) {
  while (!folder.empty() && IsSeparator(folder.back())) folder.pop_back();
  return folder;
}

// The folder one level above, with its trailing separator; folder itself plus
// a separator when it has no parent to cut to.
std::u16string ParentWithSeparator(const std::u16string& folder) {
  std::size_t cut = folder.find_last_of(u"\\/");
  if (cut == kNone) return folder + u'\\';
  return folder.substr(0, cut + 1);
}

// 1 for a leading ".\", 2 for a leading "..\" (either separator), else 0.
std::size_t DotPrefix(std::u16string_view path) {
  if (path.size() >= 2 && path[0] == u'.' && IsSeparator(path[1])) return 1;
  if (path.size() >= 3 && path[0] == u'.' && path[1] == u'.' && IsSeparator(path[2])) return 2;
  return 0;
}

// Resolves a leading ".\" or "..\" against folder, which has no trailing
// separator; only one ".." is resolved. Other paths come back unchanged.
std::u16string ResolveDots(std::u16string_view path, const std::u16string& folder) {
  switch (DotPrefix(path)) {
    case 1:
      return folder + std::u16string(path.substr(1));
    case 2:
      return ParentWithSeparator(folder) + std::u16string(path.substr(3));
    default:
      return std::u16string(path);
  }
}

bool IsAbsolute(std::u16string_view path) {
  return (!path.empty() && IsSeparator(path[0])) || (path.size() >= 2 && path[1] == u':');
}

}  // namespace

std::u16string CurrentFolder() {
  return os::CurrentFolder();
}

std::u16string TempFolder() {
  return os::TempFolder();
}

std::u16string AppDataFolder(bool withProductFolder) {
  std::u16string folder = os::AppDataFolder();
  if (withProductFolder) folder += u"\\ZELK";
  return folder;
}

std::u16string FileNamePart(std::u16string_view path) {
  std::size_t sep = LastSeparatorOutside(path);
  return std::u16string(sep == kNone ? path : path.substr(sep + 1));
}

std::u16string FolderPart(std::u16string_view path) {
  std::size_t sep = LastSeparatorOutside(path);
  return sep == kNone ? std::u16string() : std::u16string(path.substr(0, sep + 1));
}

std::u16string ResolvePath(std::u16string_view path) {
  // The root comes back as "C:\"; dropping its separator keeps the joins
  // below from doubling it.
  std::u16string cur = WithoutTrailingSeparator(UpperAscii(CurrentFolder()));
  if (LastSeparatorOutside(path) == kNone) return cur + u'\\' + std::u16string(path);
  return ResolveDots(path, cur);
}

std::u16string ResolveScriptPath(std::u16string_view path, std::u16string_view base) {
  std::u16string result(path);
  // The argument list starts at the file name's first '(' and may itself hold
  // brackets or texts such as "x.zls"; folders may hold ".zls" too. So both
  // the ".ZLS" test and the insertion look at the bare file name only.
  std::size_t nameStart = LastSeparatorOutside(path);
  nameStart = nameStart == kNone ? 0 : nameStart + 1;
  std::size_t args = FirstParenOutside(path.substr(nameStart));
  std::size_t nameEnd = args == kNone ? path.size() : nameStart + args;
  if (UpperAscii(path.substr(nameStart, nameEnd - nameStart)).find(u".ZLS") == kNone) {
    result.insert(nameEnd, u".ZLS");
  }
  if (base.empty()) return ResolvePath(result);

  bool inLiteral = false;
  for (char16_t& c : result) {
    if (c == u'"') inLiteral = !inLiteral;
    if (!inLiteral && c == u'/') c = u'\\';
  }
  std::u16string folder = WithoutTrailingSeparator(std::u16string(base));
  if (DotPrefix(result) != 0) return ResolveDots(result, folder);
  if (IsAbsolute(result)) return result;
  return folder + u'\\' + result;
}

bool DeleteMatchingFiles(std::u16string_view pattern) {
  std::u16string folder = FolderPart(pattern);
  bool deleted = false;
  for (const std::u16string& name : os::FindFiles(std::u16string(pattern))) {
    if (name == u"." || name == u"..") continue;
    if (os::DeleteFile(folder + name)) deleted = true;
  }
  return deleted;
}

}  // namespace zelk
