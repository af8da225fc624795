#include "frontend/options.h"

#include <climits>
#include <cmath>
#include <unordered_map>

#include "base/numbers.h"
#include "base/text_scan.h"
#include "foundation/messages.h"

namespace zelk {
namespace {

enum class ValueForm { kNone, kText, kNumber };

struct OptionWord {
  OptionName name;
  ValueForm form;
};

const std::unordered_map<std::u16string_view, OptionWord>& OptionWords() {
  static const std::unordered_map<std::u16string_view, OptionWord> words = {
      {u"EXPLICIT", {OptionName::kExplicit, ValueForm::kNone}},
      {u"SAMESTR", {OptionName::kSameStr, ValueForm::kNone}},
      {u"OPTPUBLIC", {OptionName::kOptPublic, ValueForm::kNone}},
      {u"OPTFINALLY", {OptionName::kOptFinally, ValueForm::kNone}},
      {u"SPECIALCHAR", {OptionName::kSpecialChar, ValueForm::kNone}},
      {u"SHORTCIRCUIT", {OptionName::kShortCircuit, ValueForm::kNone}},
      {u"ONLYSAPI", {OptionName::kOnlySapi, ValueForm::kNone}},
      {u"ROUNDVALUE", {OptionName::kRoundValue, ValueForm::kNone}},
      {u"DLGNOFORM", {OptionName::kDlgNoForm, ValueForm::kNone}},
      {u"FIXBALLOON", {OptionName::kFixBalloon, ValueForm::kNone}},
      {u"TOPSTOPFORM", {OptionName::kTopStopForm, ValueForm::kNone}},
      {u"NOSTOPHOTKEY", {OptionName::kNoStopHotkey, ValueForm::kNone}},
      {u"DLGTITLE", {OptionName::kDlgTitle, ValueForm::kText}},
      {u"LOGFILE", {OptionName::kLogFile, ValueForm::kNumber}},
      {u"LOGPATH", {OptionName::kLogPath, ValueForm::kText}},
      {u"LOGLINES", {OptionName::kLogLines, ValueForm::kNumber}},
      {u"DEFAULTFONT", {OptionName::kDefaultFont, ValueForm::kText}},
      {u"POSITION", {OptionName::kPosition, ValueForm::kText}},
  };
  return words;
}

// A number text (quotes allowed) rounded half to even into *out; false when it
// is no number or does not fit.
bool ReadRounded(std::u16string_view text, int* out, bool* integral = nullptr) {
  double n = TextToNumber(Trim(Unquote(Trim(text))));
  if (n == kNotANumber || !std::isfinite(n)) return false;
  double rounded = std::nearbyint(n);
  if (rounded < INT_MIN || rounded > INT_MAX) return false;
  if (integral) *integral = rounded == n;
  *out = static_cast<int>(rounded);
  return true;
}

// "x, y" or x alone with y as the next piece of the list, which is then used
// up (*found tells whether more pieces follow).
void ReadPosition(std::u16string_view value, std::u16string& rest, char16_t* found,
                  OptionSetting* setting) {
  std::u16string text = Unquote(value);
  std::u16string xText;
  std::u16string yText;
  std::size_t comma = text.find(u',');
  if (comma != std::u16string::npos) {
    xText = text.substr(0, comma);
    yText = text.substr(comma + 1);
  } else {
    xText = text;
    if (*found != 0) yText = CutTokenAt(rest, u",", {.quotes = true}, found);
  }
  setting->valid = ReadRounded(xText, &setting->number) && ReadRounded(yText, &setting->number2);
}

}  // namespace

bool ParseOptions(std::u16string_view text, std::vector<OptionSetting>* settings) {
  std::u16string rest(text);
  // An empty piece (an OPTION row naming nothing, a stray comma) is unknown.
  char16_t found = 0;
  do {
    std::u16string piece = Trim(CutTokenAt(rest, u",", {.quotes = true}, &found));
    int eq = PosOutside(u"=", piece, false, false);
    std::u16string name =
        UpperAscii(Trim(std::u16string_view(piece).substr(0, eq > 0 ? eq - 1 : piece.size())));
    std::u16string value =
        eq > 0 ? Trim(std::u16string_view(piece).substr(static_cast<std::size_t>(eq))) : u"";
    auto known = OptionWords().find(name);
    if (known == OptionWords().end()) return false;
    const OptionWord& word = known->second;
    // A flag takes no value; the others need one.
    if ((word.form == ValueForm::kNone) != (eq == 0)) {
      // POSITION's errors are ignored, its value included.
      if (word.name != OptionName::kPosition) return false;
    }
    OptionSetting setting;
    setting.name = word.name;
    switch (word.name) {
      case OptionName::kDlgTitle:
        setting.text = Unquote(value);
        break;
      case OptionName::kLogPath:
        setting.text = value;
        break;
      case OptionName::kLogFile:
        if (!ReadRounded(value, &setting.number)) return false;
        break;
      case OptionName::kLogLines: {
        bool integral = false;
        if (!ReadRounded(value, &setting.number, &integral) || !integral || setting.number < 0) {
          return false;
        }
        break;
      }
      case OptionName::kDefaultFont: {
        std::u16string font = Unquote(value);
        std::size_t comma = font.find(u',');
        setting.text = Trim(std::u16string_view(font).substr(0, comma));
        if (comma == std::u16string::npos ||
            !ReadRounded(std::u16string_view(font).substr(comma + 1), &setting.number)) {
          setting.number = -1;
          settings->push_back(std::move(setting));
          return false;
        }
        break;
      }
      case OptionName::kPosition:
        if (eq > 0) {
          ReadPosition(value, rest, &found, &setting);
        } else {
          setting.valid = false;
        }
        break;
      default:
        break;
    }
    settings->push_back(std::move(setting));
  } while (found != 0);
  return true;
}

std::u16string OptionSyntaxErrorMessage() {
  return Msg(u"OPTION:SyntaxError", u"OPTION指定に間違いがあります");
}

}  // namespace zelk
