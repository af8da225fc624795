#include "platform/posix/native_path.h"

#include <dirent.h>
#include <sys/stat.h>

#include "base/utf.h"

namespace zelk::os {
namespace {

bool Exists(const std::string& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0;
}

std::u16string FoldCase(std::u16string s) {
  for (char16_t& c : s) {
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - 32);
  }
  return s;
}

// The entry of folder whose name equals component but for letter case.
bool FindCaseless(const std::string& folder, const std::string& component, std::string* found) {
  DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
  if (!dir) return false;
  const std::u16string want = FoldCase(Utf8ToText(component));
  bool hit = false;
  while (dirent* entry = ::readdir(dir)) {
    if (FoldCase(Utf8ToText(entry->d_name)) == want) {
      *found = entry->d_name;
      hit = true;
      break;
    }
  }
  ::closedir(dir);
  return hit;
}

}  // namespace

std::string NativePath(const std::u16string& path) {
  std::string in = TextToUtf8(path);
  for (char& c : in) {
    if (c == '\\') c = '/';
  }
  if (in.size() >= 2 && in[1] == ':' &&
      ((in[0] >= 'A' && in[0] <= 'Z') || (in[0] >= 'a' && in[0] <= 'z'))) {
    in.erase(0, 2);
    if (in.empty() || in[0] != '/') in.insert(in.begin(), '/');
  }
  if (Exists(in)) return in;

  std::string out = in.starts_with('/') ? "/" : "";
  std::size_t pos = out.size();
  while (pos <= in.size()) {
    std::size_t next = in.find('/', pos);
    if (next == std::string::npos) next = in.size();
    std::string component = in.substr(pos, next - pos);
    pos = next + 1;
    if (component.empty()) continue;
    if (!out.empty() && out.back() != '/') out += '/';
    std::string exact = out + component;
    std::string found;
    if (component != "." && component != ".." && !Exists(exact) &&
        FindCaseless(out, component, &found)) {
      out += found;
    } else {
      out = exact;
    }
  }
  if (out.empty()) out = in;
  return out;
}

}  // namespace zelk::os
