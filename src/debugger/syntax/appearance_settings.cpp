#include "debugger/syntax/appearance_settings.h"

#include <algorithm>
#include <cmath>
#include <string_view>
#include <vector>

#include "base/numbers.h"
#include "base/text_scan.h"
#include "foundation/messages.h"
#include "foundation/settings.h"

namespace zelk {
namespace {

constexpr char16_t kSection[] = u"SET";
// The settings keys of the word classes, indexed by WordClass.
constexpr const char16_t* kClassKeys[kWordClassCount] = {
    nullptr, u"Syntax", u"Constant", u"SpecialVar", u"Comment", u"ZELKFunc", u"String"};

// The parts of a numeric key: separated by commas, where a part may be
// empty, or else by blanks.
std::vector<std::u16string> NumberParts(const std::u16string& value) {
  std::vector<std::u16string> parts;
  const bool commas = value.find(u',') != std::u16string::npos;
  std::u16string rest = value;
  while (!rest.empty()) {
    parts.push_back(Trim(CutToken(rest, commas ? u"," : u" \t", {.skipEmpty = !commas})));
  }
  return parts;
}

// A whole number from a settings part ("$FF" is hexadecimal); false when the
// part is missing or no number.
bool PartNumber(const std::vector<std::u16string>& parts, std::size_t i, double* value) {
  if (i >= parts.size() || parts[i].empty()) return false;
  double v = TextToNumber(parts[i]);
  if (v == kNotANumber || !std::isfinite(v)) return false;
  *value = std::trunc(v);
  return true;
}

void ReadColour(const std::vector<std::u16string>& parts, std::size_t i, std::uint32_t* colour) {
  double v = 0;
  if (PartNumber(parts, i, &v) && v >= 0 && v <= 0xFFFFFF) *colour = static_cast<std::uint32_t>(v);
}

void ReadFont(const std::u16string& value, AppearanceSettings* s) {
  if (Trim(value).empty()) return;
  const std::size_t comma = value.find(u',');
  std::u16string name = Trim(value.substr(0, comma));
  if (!name.empty()) s->fontName = std::move(name);
  if (comma == std::u16string::npos) return;
  double size = TrimToNumber(std::u16string_view(value).substr(comma + 1));
  if (size != kNotANumber && std::isfinite(size) && size < 1000) {
    s->fontSize = static_cast<int>(size);
  }
  s->fontSize = std::max(s->fontSize, 8);
}

std::u16string Decimal(long long n) {
  const std::string digits = std::to_string(n);
  return std::u16string(digits.begin(), digits.end());
}

}  // namespace

AppearanceSettings AppearanceSettings::Defaults(bool japanese) {
  AppearanceSettings s;
  // "ＭＳ ゴシック": the Japanese system's fixed-pitch face.
  if (japanese) s.fontName = u"\uFF2D\uFF33 \u30B4\u30B7\u30C3\u30AF";
  s.classes[kSyntaxWord] = {0x000000, kStyleBold};
  s.classes[kConstantWord] = {0xC00000, 0};
  s.classes[kSpecialVariableWord] = {0xE22B8A, 0};
  s.classes[kCommentText] = {0x808000, kStyleItalic};
  s.classes[kBuiltinFunctionWord] = {0x000000, 0};
  s.classes[kStringLiteral] = {0x000000, 0};
  return s;
}

AppearanceSettings ReadAppearanceSettings() {
  AppearanceSettings s = AppearanceSettings::Defaults(JapaneseMessages());
  double tab = TrimToNumber(IniRead(kSection, u"TabWidth"));
  if (std::ranges::find(kTabWidthChoices, tab) != std::end(kTabWidthChoices)) {
    s.tabWidth = static_cast<int>(tab);
  }
  // The product's DefaultFont, shared with the stand-alone interpreter, is
  // the editor's font until the debugger has one of its own.
  ReadFont(ProductIniRead(kSection, u"DefaultFont"), &s);
  ReadFont(IniRead(kSection, u"Font"), &s);
  std::vector<std::u16string> colours = NumberParts(IniRead(kSection, u"Color"));
  ReadColour(colours, 0, &s.background);
  ReadColour(colours, 1, &s.textColour);
  for (int c = 1; c < kWordClassCount; ++c) {
    std::vector<std::u16string> parts = NumberParts(IniRead(kSection, kClassKeys[c]));
    ReadColour(parts, 0, &s.classes[c].colour);
    double style = 0;
    if (PartNumber(parts, 1, &style) && style >= 0 && style <= 3) {
      s.classes[c].style = static_cast<int>(style);
    }
  }
  std::u16string space = Trim(IniRead(kSection, u"LineSpace"));
  if (space.ends_with(u'%')) space.pop_back();
  double percent = TrimToNumber(space);
  if (percent != kNotANumber && std::isfinite(percent) && percent > 0 && percent < 1000) {
    s.lineSpacePercent = percent;
  }
  return s;
}

void WriteAppearanceSettings(const AppearanceSettings& s) {
  IniWrite(kSection, u"TabWidth", Decimal(s.tabWidth));
  IniWrite(kSection, u"Font", s.fontName + u"," + Decimal(s.fontSize));
  IniWrite(kSection, u"Color", Decimal(s.background) + u"," + Decimal(s.textColour));
  for (int c = 1; c < kWordClassCount; ++c) {
    IniWrite(kSection, kClassKeys[c],
             Decimal(s.classes[c].colour) + u"," + Decimal(s.classes[c].style));
  }
}

int NormaliseClass(int wordClass, const AppearanceSettings& s) {
  if (wordClass <= kPlainWord || wordClass >= kWordClassCount) return kPlainWord;
  const ClassLook& look = s.classes[wordClass];
  if (look.colour == s.textColour && look.style == 0) return kPlainWord;
  for (int lower = 1; lower < wordClass; ++lower) {
    if (s.classes[lower] == look) return lower;
  }
  return wordClass;
}

int ClassOfLook(std::uint32_t colour, int style, const AppearanceSettings& s) {
  if (colour == s.textColour && style == 0) return kPlainWord;
  for (int c = 1; c < kWordClassCount; ++c) {
    if (s.classes[c] == ClassLook{colour, style}) return c;
  }
  return -1;
}

}  // namespace zelk
