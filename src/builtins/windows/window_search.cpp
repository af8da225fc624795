#include "builtins/windows/window_search.h"

#include <algorithm>

#include "base/text_scan.h"
#include "platform/platform.h"

namespace zelk {
namespace {

constexpr unsigned kMapUpperCase = 0x00000200;  // LCMAP_UPPERCASE
constexpr unsigned kMapHalfWidth = 0x00400000;  // LCMAP_HALFWIDTH

bool AllAscii(std::u16string_view text) {
  return std::all_of(text.begin(), text.end(), [](char16_t c) { return c < 0x80; });
}

// The window titles' half-width forms, made only for titles that need one.
class HalfForms {
 public:
  explicit HalfForms(const std::vector<os::ListedWindow>& list) : list_(list) {}
  const std::u16string& Of(std::size_t i) {
    const std::u16string& title = list_[i].title;
    if (AllAscii(title)) return title;
    if (forms_.empty()) forms_.resize(list_.size());
    if (!made_.size()) made_.assign(list_.size(), false);
    if (!made_[i]) {
      forms_[i] = HalfWidth(title);
      made_[i] = true;
    }
    return forms_[i];
  }

 private:
  const std::vector<os::ListedWindow>& list_;
  std::vector<std::u16string> forms_;
  std::vector<bool> made_;
};

}  // namespace

std::u16string UpperText(std::u16string_view text) {
  if (AllAscii(text)) return UpperAscii(text);
  bool ok = false;
  std::u16string upper = os::MapString(text, kMapUpperCase, &ok);
  return ok ? upper : UpperAscii(text);
}

std::u16string HalfWidth(std::u16string_view text) {
  if (AllAscii(text)) return std::u16string(text);
  bool ok = false;
  std::u16string half = os::MapString(text, kMapHalfWidth, &ok);
  return ok ? half : std::u16string(text);
}

int FindWindowIn(const std::vector<os::ListedWindow>& list, os::WindowHandle foreground,
                 std::u16string_view title, std::u16string_view className) {
  const std::u16string halfTitle = HalfWidth(title);
  HalfForms forms(list);
  auto classMatches = [&](const os::ListedWindow& w) {
    return className.empty() || std::u16string_view(w.className).starts_with(className);
  };
  auto exact = [&](std::size_t i) { return list[i].title == title || forms.Of(i) == halfTitle; };
  auto partial = [&](std::size_t i) {
    return list[i].title.find(title) != std::u16string::npos ||
           forms.Of(i).find(halfTitle) != std::u16string::npos;
  };
  enum Scope { kForeground, kVisible, kAny };
  auto pass = [&](Scope scope, bool whole) -> int {
    for (std::size_t i = 0; i < list.size(); ++i) {
      const os::ListedWindow& w = list[i];
      if (scope == kForeground && (w.handle != foreground || !w.visible)) continue;
      if (scope == kVisible && !w.visible) continue;
      if (classMatches(w) && (whole ? exact(i) : partial(i))) return static_cast<int>(i);
    }
    return -1;
  };
  // An empty title would be part of every title: only the class passes take it.
  if (!title.empty()) {
    for (auto [scope, whole] :
         {std::pair{kForeground, true}, std::pair{kVisible, true}, std::pair{kForeground, false},
          std::pair{kVisible, false}, std::pair{kAny, true}, std::pair{kAny, false}}) {
      if (const int found = pass(scope, whole); found >= 0) return found;
    }
  }
  if (className.empty()) return -1;
  const bool noTitle = title == kNoTitle;
  if (!noTitle && !title.empty()) return -1;
  for (std::size_t i = 0; i < list.size(); ++i) {
    if (classMatches(list[i]) && (!noTitle || list[i].title.empty())) return static_cast<int>(i);
  }
  return -1;
}

std::u16string NormalizeCaption(std::u16string_view text) {
  if (text.size() <= 2) return std::u16string(text);
  std::u16string s = Trim(text.substr(0, text.find(u'\t')));
  while (!s.empty() && (s.back() == u':' || s.back() == u'.' || s.back() == u' ')) s.pop_back();
  const std::size_t n = s.size();
  if (n > 3 && s[n - 1] == u')' && s[n - 4] == u'(' && (s[n - 3] == u'&' || s[n - 3] == u'_')) {
    s.resize(n - 4);
  }
  std::erase(s, u'&');
  return Trim(s);
}

}  // namespace zelk
