// LCMapString's case, kana and width conversions, as far as the string
// built-ins use them, following what Windows does. Case covers Latin-1,
// Latin Extended-A, basic Greek and Cyrillic and the full-width Latin letters;
// width covers ASCII, the Latin-1 currency signs and katakana with their sound
// marks.
#include <cstddef>
#include <iterator>

#include "platform/platform.h"

namespace zelk::os {
namespace {

enum : unsigned {
  kLowerCase = 0x100,
  kUpperCase = 0x200,
  kHiragana = 0x100000,
  kKatakana = 0x200000,
  kHalfWidth = 0x400000,
  kFullWidth = 0x800000,
  kKnownFlags = kLowerCase | kUpperCase | kHiragana | kKatakana | kHalfWidth | kFullWidth,
};

// Lower-case letters lowerFirst..lowerLast have their capitals delta below.
struct OffsetRange {
  char16_t lowerFirst, lowerLast, delta;
};
constexpr OffsetRange kOffsetRanges[] = {
    {0x0061, 0x007A, 0x20}, {0x00E0, 0x00F6, 0x20}, {0x00F8, 0x00FE, 0x20}, {0x03AD, 0x03AF, 0x25},
    {0x03B1, 0x03C1, 0x20}, {0x03C3, 0x03CB, 0x20}, {0x03CD, 0x03CE, 0x3F}, {0x0430, 0x044F, 0x20},
    {0x0450, 0x045F, 0x50}, {0xFF41, 0xFF5A, 0x20},
};

// Ranges where capital and small letter alternate, the capital on the even
// code (or on the odd one with upperOdd).
struct AlternatingRange {
  char16_t first, last;
  bool upperOdd;
};
constexpr AlternatingRange kAlternatingRanges[] = {
    {0x0100, 0x012F, false}, {0x0132, 0x0137, false}, {0x0139, 0x0148, true},
    {0x014A, 0x0177, false}, {0x0179, 0x017E, true},  {0x0460, 0x0481, false},
    {0x048A, 0x04BF, false}, {0x04C1, 0x04CE, true},  {0x04D0, 0x052F, false},
};

struct CasePair {
  char16_t lower, upper;
};
constexpr CasePair kCasePairs[] = {
    {0x00FF, 0x0178}, {0x03AC, 0x0386}, {0x03CC, 0x038C}, {0x04CF, 0x04C0}};

char16_t ToUpper(char16_t c) {
  for (const OffsetRange& r : kOffsetRanges) {
    if (c >= r.lowerFirst && c <= r.lowerLast) return c - r.delta;
  }
  for (const AlternatingRange& r : kAlternatingRanges) {
    if (c >= r.first && c <= r.last && (c & 1) != r.upperOdd) return c - 1;
  }
  for (const CasePair& p : kCasePairs) {
    if (c == p.lower) return p.upper;
  }
  if (c == 0x03C2) return 0x03A3;  // final sigma
  return c;
}

char16_t ToLower(char16_t c) {
  for (const OffsetRange& r : kOffsetRanges) {
    if (c >= r.lowerFirst - r.delta && c <= r.lowerLast - r.delta) return c + r.delta;
  }
  for (const AlternatingRange& r : kAlternatingRanges) {
    if (c >= r.first && c <= r.last && (c & 1) == r.upperOdd) return c + 1;
  }
  for (const CasePair& p : kCasePairs) {
    if (c == p.upper) return p.lower;
  }
  return c;
}

// Full-width forms of the half-width katakana U+FF61..U+FF9F, in order. The
// sound marks widen to their combining forms.
constexpr char16_t kHalfKanaToFull[] = {
    0x3002, 0x300C, 0x300D, 0x3001, 0x30FB, 0x30F2, 0x30A1, 0x30A3, 0x30A5, 0x30A7, 0x30A9,
    0x30E3, 0x30E5, 0x30E7, 0x30C3, 0x30FC, 0x30A2, 0x30A4, 0x30A6, 0x30A8, 0x30AA, 0x30AB,
    0x30AD, 0x30AF, 0x30B1, 0x30B3, 0x30B5, 0x30B7, 0x30B9, 0x30BB, 0x30BD, 0x30BF, 0x30C1,
    0x30C4, 0x30C6, 0x30C8, 0x30CA, 0x30CB, 0x30CC, 0x30CD, 0x30CE, 0x30CF, 0x30D2, 0x30D5,
    0x30D8, 0x30DB, 0x30DE, 0x30DF, 0x30E0, 0x30E1, 0x30E2, 0x30E4, 0x30E6, 0x30E8, 0x30E9,
    0x30EA, 0x30EB, 0x30EC, 0x30ED, 0x30EF, 0x30F3, 0x3099, 0x309A,
};
constexpr char16_t kHalfKanaFirst = 0xFF61;
constexpr char16_t kHalfVoicedMark = 0xFF9E;
constexpr char16_t kHalfSemiVoicedMark = 0xFF9F;

// Narrow and wide forms outside the ASCII block. The backslash has none: it
// stands for the yen sign in Japanese fonts and is left alone both ways.
struct WidthPair {
  char16_t narrow, wide;
};
constexpr WidthPair kWidthPairs[] = {
    {0x00A2, 0xFFE0}, {0x00A3, 0xFFE1}, {0x00AC, 0xFFE2}, {0x00AF, 0xFFE3}, {0x00A6, 0xFFE4},
    {0x00A5, 0xFFE5}, {0x20A9, 0xFFE6}, {0x2985, 0xFF5F}, {0x2986, 0xFF60},
};
// Half-width symbols that only widen.
constexpr WidthPair kWidenOnly[] = {
    {0xFFE8, 0x2502}, {0xFFE9, 0x2190}, {0xFFEA, 0x2191}, {0xFFEB, 0x2192},
    {0xFFEC, 0x2193}, {0xFFED, 0x25A0}, {0xFFEE, 0x25CB},
};

// Voiced katakana that are not simply their base + 1.
struct VoicedPair {
  char16_t base, voiced;
};
constexpr VoicedPair kOtherVoiced[] = {
    {0x30A6, 0x30F4}, {0x30EF, 0x30F7}, {0x30F0, 0x30F8},
    {0x30F1, 0x30F9}, {0x30F2, 0x30FA}, {0x30FD, 0x30FE},
};

// The ha row: ha, hi, fu, he, ho.
bool IsHaRow(char16_t c) {
  return c >= 0x30CF && c <= 0x30DB && (c - 0x30CF) % 3 == 0;
}

// The katakana that base becomes with a half-width sound mark; 0 if none.
char16_t Voiced(char16_t base, char16_t mark) {
  if (mark == kHalfSemiVoicedMark) return IsHaRow(base) ? base + 2 : 0;
  if (mark != kHalfVoicedMark) return 0;
  // Ka to chi alternate with their voiced forms; tsu, te, to and the ha row
  // are followed by them.
  if ((base >= 0x30AB && base <= 0x30C1 && (base & 1) == 1) || base == 0x30C4 || base == 0x30C6 ||
      base == 0x30C8 || IsHaRow(base)) {
    return base + 1;
  }
  for (const VoicedPair& p : kOtherVoiced) {
    if (p.base == base) return p.voiced;
  }
  return 0;
}

// Splits a voiced katakana into base and half-width mark; false for others.
bool Unvoice(char16_t c, char16_t* base, char16_t* mark) {
  for (char16_t m : {kHalfVoicedMark, kHalfSemiVoicedMark}) {
    for (char16_t b : {static_cast<char16_t>(c - 1), static_cast<char16_t>(c - 2)}) {
      if (Voiced(b, m) == c) {
        *base = b;
        *mark = m;
        return true;
      }
    }
  }
  for (const VoicedPair& p : kOtherVoiced) {
    if (p.voiced == c) {
      *base = p.base;
      *mark = kHalfVoicedMark;
      return true;
    }
  }
  return false;
}

char16_t HalfKanaOf(char16_t full) {
  if (full == 0x309B) return kHalfVoicedMark;  // spacing sound marks
  if (full == 0x309C) return kHalfSemiVoicedMark;
  for (std::size_t i = 0; i < std::size(kHalfKanaToFull); ++i) {
    if (kHalfKanaToFull[i] == full) return static_cast<char16_t>(kHalfKanaFirst + i);
  }
  return 0;
}

std::u16string ToFullWidth(std::u16string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    char16_t c = text[i];
    if (c == u' ') {
      c = 0x3000;
    } else if (c >= 0x21 && c <= 0x7E && c != u'\\') {
      c = static_cast<char16_t>(c - 0x21 + 0xFF01);
    } else if (c == 0x309B || c == 0x309C) {
      c = c - 2;  // the spacing sound marks become combining ones
    } else if (c >= kHalfKanaFirst && c <= kHalfSemiVoicedMark) {
      c = kHalfKanaToFull[c - kHalfKanaFirst];
      char16_t voiced = i + 1 < text.size() ? Voiced(c, text[i + 1]) : 0;
      if (voiced) {
        c = voiced;
        ++i;
      }
    } else {
      for (const WidthPair& p : kWidthPairs) {
        if (p.narrow == c) c = p.wide;
      }
      for (const WidthPair& p : kWidenOnly) {
        if (p.narrow == c) c = p.wide;
      }
    }
    out.push_back(c);
  }
  return out;
}

std::u16string ToHalfWidth(std::u16string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (char16_t c : text) {
    char16_t base, mark;
    if (c == 0x3000) {
      out.push_back(u' ');
    } else if (c >= 0xFF01 && c <= 0xFF5E && c != 0xFF3C) {
      out.push_back(static_cast<char16_t>(c - 0xFF01 + 0x21));
    } else if (char16_t half = HalfKanaOf(c)) {
      out.push_back(half);
    } else if (Unvoice(c, &base, &mark)) {
      char16_t halfBase = HalfKanaOf(base);
      out.push_back(halfBase ? halfBase : base);
      out.push_back(mark);
    } else {
      for (const WidthPair& p : kWidthPairs) {
        if (p.wide == c) c = p.narrow;
      }
      out.push_back(c);
    }
  }
  return out;
}

// Hiragana U+3041..U+3096 and the iteration marks sit 0x60 below katakana.
char16_t ToHiragana(char16_t c) {
  if ((c >= 0x30A1 && c <= 0x30F6) || c == 0x30FD || c == 0x30FE) return c - 0x60;
  return c;
}
char16_t ToKatakana(char16_t c) {
  if ((c >= 0x3041 && c <= 0x3096) || c == 0x309D || c == 0x309E) return c + 0x60;
  return c;
}

bool ValidFlags(unsigned flags) {
  if (flags == 0 || (flags & ~kKnownFlags) != 0) return false;
  auto both = [flags](unsigned a, unsigned b) { return (flags & a) && (flags & b); };
  return !both(kLowerCase, kUpperCase) && !both(kHiragana, kKatakana) &&
         !both(kHalfWidth, kFullWidth);
}

}  // namespace

std::u16string MapString(std::u16string_view text, unsigned flags, bool* ok) {
  *ok = ValidFlags(flags);
  if (!*ok) return {};
  // Widening first lets half-width katakana take part in the kana change;
  // narrowing last lets hiragana become half-width katakana.
  std::u16string out = flags & kFullWidth ? ToFullWidth(text) : std::u16string(text);
  for (char16_t& c : out) {
    if (flags & kHiragana) c = ToHiragana(c);
    if (flags & kKatakana) c = ToKatakana(c);
  }
  if (flags & kHalfWidth) out = ToHalfWidth(out);
  for (char16_t& c : out) {
    if (flags & kUpperCase) c = ToUpper(c);
    if (flags & kLowerCase) c = ToLower(c);
  }
  return out;
}

}  // namespace zelk::os
