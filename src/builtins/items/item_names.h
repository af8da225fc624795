// How the item functions compare a script's item name with the texts of
// controls, and how a menu or tree path is cut into its parts.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/control_items.h"

namespace zelk {

// A path has at most this many parts.
inline constexpr std::size_t kMaxPathParts = 33;

// One wanted name. Texts are compared upper-cased, and again on the
// half-width forms of both sides; captions also after NormalizeCaption.
// shortMatch (CLK_SHORT): a text matches when it contains the name, which
// is then taken as given; otherwise text and name (trimmed) must be equal.
class ItemName {
 public:
  ItemName(std::u16string_view name, bool shortMatch);

  bool Matches(std::u16string_view text, bool caption) const;
  // A matcher for the engine; it keeps its own copy of this name.
  os::ItemNameMatch Matcher() const;

 private:
  bool Compare(const std::u16string& text, const std::u16string& name,
               const std::u16string& halfName) const;

  bool short_;
  std::u16string plain_;  // upper-cased
  std::u16string plainHalf_;
  std::u16string caption_;  // normalised and upper-cased
  std::u16string captionHalf_;
};

// Cuts a menu, tree or split-button name at "\": "\\" stands for one
// backslash inside a part; separators at the start or in a row make no empty
// parts; each part loses its leading blanks. False (parts cleared) when the
// path has more than kMaxPathParts parts.
bool SplitPath(std::u16string_view name, std::vector<std::u16string>* parts);

// Whether name is a path: it holds a "\".
inline bool IsItemPath(std::u16string_view name) {
  return name.find(u'\\') != std::u16string_view::npos;
}

// The names of a multiple selection: the parts between TABs, each trimmed
// unless shortMatch; empty ones left out.
std::vector<std::u16string> SplitAtTabs(std::u16string_view name, bool shortMatch);

}  // namespace zelk
