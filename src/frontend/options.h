// OPTION rows: the option list cut into settings, each checked for its name
// and the form of its value. Applying them is the runtime's business.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zelk {

enum class OptionName {
  kExplicit,
  kSameStr,
  kOptPublic,
  kOptFinally,
  kSpecialChar,
  kShortCircuit,
  kOnlySapi,
  kRoundValue,
  kDlgNoForm,
  kFixBalloon,
  kTopStopForm,   // accepted, no effect
  kNoStopHotkey,  // accepted, no effect
  kDlgTitle,      // text: the title without its quotes (special characters not yet expanded)
  kLogFile,       // number: the log mode, rounded
  kLogPath,       // text: the value as written (a literal, or an expression with GET_ names)
  kLogLines,      // number: the line limit
  kDefaultFont,   // text: the font name; number: the size, or -1 when it could not be read
  kPosition,      // number, number2: x and y; valid false when either could not be read
};

struct OptionSetting {
  OptionName name = OptionName::kExplicit;
  std::u16string text;
  int number = 0;
  int number2 = 0;
  bool valid = true;
};

// Cuts the text after OPTION at commas outside literals into settings, in
// order. Returns false at the first unknown name or bad value; the settings
// before it are kept in *settings. A DEFAULTFONT whose size cannot be read is
// kept (with size -1) and is still a failure.
bool ParseOptions(std::u16string_view text, std::vector<OptionSetting>* settings);

// The row marker text for a failed OPTION row (without the error prefix).
std::u16string OptionSyntaxErrorMessage();

}  // namespace zelk
