#include "builtins/items/item_names.h"

#include <memory>

#include "base/text_scan.h"
#include "builtins/windows/window_search.h"

namespace zelk {
namespace {

std::u16string_view TrimLeadingBlanks(std::u16string_view text) {
  while (!text.empty() && text.front() == u' ') text.remove_prefix(1);
  return text;
}

}  // namespace

ItemName::ItemName(std::u16string_view name, bool shortMatch) : short_(shortMatch) {
  const std::u16string given = shortMatch ? std::u16string(name) : Trim(name);
  plain_ = UpperText(given);
  plainHalf_ = HalfWidth(plain_);
  caption_ = UpperText(NormalizeCaption(given));
  captionHalf_ = HalfWidth(caption_);
}

bool ItemName::Compare(const std::u16string& text, const std::u16string& name,
                       const std::u16string& halfName) const {
  if (short_) {
    if (text.find(name) != std::u16string::npos) return true;
    return HalfWidth(text).find(halfName) != std::u16string::npos;
  }
  if (text == name) return true;
  // Full-width letters and kana equal their narrow forms; most texts are
  // plain ASCII and need no second form.
  return HalfWidth(text) == halfName;
}

bool ItemName::Matches(std::u16string_view text, bool caption) const {
  if (caption) return Compare(UpperText(NormalizeCaption(text)), caption_, captionHalf_);
  return Compare(UpperText(TrimView(text)), plain_, plainHalf_);
}

os::ItemNameMatch ItemName::Matcher() const {
  auto self = std::make_shared<ItemName>(*this);
  return [self](std::u16string_view text, bool caption) { return self->Matches(text, caption); };
}

bool SplitPath(std::u16string_view name, std::vector<std::u16string>* parts) {
  parts->clear();
  std::u16string part;
  auto finish = [&] {
    std::u16string_view kept = TrimLeadingBlanks(part);
    if (!kept.empty()) parts->emplace_back(kept);
    part.clear();
  };
  for (std::size_t i = 0; i < name.size(); ++i) {
    if (name[i] != u'\\') {
      part += name[i];
    } else if (i + 1 < name.size() && name[i + 1] == u'\\') {
      part += u'\\';
      ++i;
    } else {
      finish();
    }
  }
  finish();
  if (parts->size() > kMaxPathParts) {
    parts->clear();
    return false;
  }
  return true;
}

std::vector<std::u16string> SplitAtTabs(std::u16string_view name, bool shortMatch) {
  std::vector<std::u16string> names;
  std::size_t start = 0;
  while (start <= name.size()) {
    std::size_t end = name.find(u'\t', start);
    if (end == std::u16string_view::npos) end = name.size();
    std::u16string_view one = name.substr(start, end - start);
    if (!shortMatch) one = TrimView(one);
    if (!one.empty()) names.emplace_back(one);
    start = end + 1;
  }
  return names;
}

}  // namespace zelk
