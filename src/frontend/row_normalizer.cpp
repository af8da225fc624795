#include "frontend/row_normalizer.h"

#include "base/text_scan.h"

namespace zelk {
namespace {

constexpr char16_t kIdeographicSpace = u'\u3000';

bool IsRowBlank(char16_t c) {
  return c == u' ' || c == u'\t' || c == kIdeographicSpace;
}

// The given spaces outside literals become blanks (one pass: rows may be long).
std::u16string BlankOut(std::u16string text, std::u16string_view spaces) {
  bool literal = false;
  for (char16_t& c : text) {
    if (c == u'"') {
      literal = !literal;
    } else if (!literal && spaces.find(c) != std::u16string_view::npos) {
      c = u' ';
    }
  }
  return text;
}

std::u16string BlankOutSpaces(const std::u16string& text) {
  if (text.find_first_of(u"\t\u3000") == std::u16string::npos) return text;
  return StripRow(BlankOut(text, u"\t\u3000"));
}

bool ContainsOutside(std::u16string_view text, char16_t c) {
  bool literal = false;
  for (char16_t x : text) {
    if (x == u'"') {
      literal = !literal;
    } else if (x == c && !literal) {
      return true;
    }
  }
  return false;
}

std::u16string Word(const std::u16string& text, size_t from) {
  size_t end = text.find_first_of(u" ;", from);
  if (end == std::u16string::npos) end = text.size();
  return UpperAscii(Trim(std::u16string_view(text).substr(from, end - from)));
}

}  // namespace

std::u16string CutComment(std::u16string_view text) {
  int pos = PosOutside(u"//", text, false, false);
  return std::u16string(pos > 0 ? text.substr(0, pos - 1) : text);
}

std::u16string StripRow(std::u16string_view text) {
  size_t b = 0;
  size_t e = text.size();
  while (b < e && IsRowBlank(text[b])) ++b;
  while (e > b && IsRowBlank(text[e - 1])) --e;
  return std::u16string(text.substr(b, e - b));
}

size_t FindCallWord(std::u16string_view text, bool ideographic) {
  bool literal = false;
  for (size_t i = 0; i + 5 <= text.size(); ++i) {
    char16_t c = text[i];
    if (c == u'"') {
      literal = !literal;
      continue;
    }
    if (literal || (c != u'C' && c != u'c')) continue;
    if (i > 0) {
      char16_t before = text[i - 1];
      if (before != u' ' && before != u';' && !(ideographic && before == kIdeographicSpace)) {
        continue;
      }
    }
    if (UpperAscii(text.substr(i, 4)) != u"CALL") continue;
    char16_t after = text[i + 4];
    if (after == u' ' || (ideographic && after == kIdeographicSpace)) return i;
  }
  return std::u16string::npos;
}

std::u16string RowNormalizer::Normalize(const std::u16string& line) {
  std::u16string cut = CutComment(line);
  if (!inTextBlock_) {
    std::u16string stripped = StripRow(cut);
    if (!stripped.empty() && stripped.back() == u'_') {
      stripped.pop_back();
      pending_ += stripped;
      hasPending_ = true;
      firstWord_.clear();
      plain_.clear();
      return u"";
    }
    if (hasPending_) {
      // A comment line inside a continuation does not end it.
      if (stripped.empty() && StripRow(line).starts_with(u"//")) {
        firstWord_.clear();
        plain_.clear();
        return u"";
      }
      cut = CutComment(pending_ + stripped);
      pending_.clear();
      hasPending_ = false;
    }
  }
  return Finish(std::move(cut), line);
}

std::u16string RowNormalizer::Finish(std::u16string cut, const std::u16string& line) {
  plain_ = StripRow(cut);
  std::u16string row = BlankOutSpaces(plain_);
  firstWord_ = Word(row, 0);

  if (inTextBlock_) {
    if (firstWord_ != u"ENDTEXTBLOCK") {
      firstWord_.clear();
      return line;  // text-block content keeps case, blanks and comments
    }
    inTextBlock_ = false;
  } else if (firstWord_ == u"TEXTBLOCK") {
    inTextBlock_ = true;
    return UpperOutside(row, false);
  }

  if (row.size() >= 8 && UpperAscii(std::u16string_view(row).substr(0, 8)) == u"DEF_DLL ") {
    return u"DEF_DLL" + row.substr(7);  // DLL declarations keep their case
  }

  if (row.starts_with(u"PROCEDURE ")) {
    // The plain form keeps ideographic spaces, which may stand in the path of
    // an include header.
    std::u16string rest = row.size() == plain_.size() ? plain_.substr(10) : row.substr(10);
    return u"PROCEDURE " + UpperOutside(StripRow(BlankOut(rest, u"\t")), false);
  }

  if (ContainsOutside(plain_, kIdeographicSpace)) {
    // File names may contain ideographic spaces: the CALL target keeps them.
    size_t call = FindCallWord(plain_, true);
    if (call != std::u16string::npos) {
      std::u16string head = BlankOutSpaces(plain_.substr(0, call + 4));
      std::u16string target = StripRow(std::u16string_view(plain_).substr(call + 5));
      if (!target.empty()) head += u" " + target;
      return UpperOutside(head, true);
    }
  }

  std::u16string out = UpperOutside(row, true);
  if (numberModules_ && (firstWord_ == u"MODULE" || firstWord_ == u"CLASS")) {
    size_t from = out.find_first_not_of(u' ', out.find_first_of(u" ;"));
    std::u16string name = from == std::u16string::npos ? u"" : Word(out, from);
    if (!name.empty()) {
      std::string number = std::to_string(ModuleNumber(name));
      out += u' ';
      out.append(number.begin(), number.end());
    }
  }
  return out;
}

int RowNormalizer::ModuleNumber(const std::u16string& name) {
  auto [it, added] = moduleNumbers_.try_emplace(name, static_cast<int>(moduleNumbers_.size()));
  return it->second;
}

std::u16string RowNormalizer::EndOfFile(bool* hadPending) {
  *hadPending = hasPending_;
  std::u16string row;
  if (hasPending_) {
    std::u16string text = pending_;
    pending_.clear();
    hasPending_ = false;
    row = Finish(CutComment(text), text);
  }
  inTextBlock_ = false;
  return row;
}

void RowNormalizer::Reset() {
  hasPending_ = false;
  inTextBlock_ = false;
  pending_.clear();
  firstWord_.clear();
  plain_.clear();
  moduleNumbers_.clear();
}

}  // namespace zelk
