#include "debugger_window/main/window_layout.h"

#include <algorithm>
#include <cmath>

#include "base/numbers.h"
#include "base/text_scan.h"
#include "foundation/settings.h"

namespace zelk::window {
namespace {

constexpr char16_t kSection[] = u"SET";
constexpr char16_t kVersion[] = u"2.302";

std::u16string Joined(std::initializer_list<int> numbers) {
  std::u16string text;
  for (int n : numbers) {
    if (!text.empty()) text += u',';
    for (char c : std::to_string(n)) text += static_cast<char16_t>(c);
  }
  return text;
}

}  // namespace

std::vector<int> SettingNumbers(std::u16string_view text) {
  std::vector<int> numbers;
  std::u16string rest(text);
  while (!Trim(rest).empty()) {
    const std::u16string part = Trim(CutToken(rest, u" ,", {.skipEmpty = true}));
    double value = 0;
    if (!ParseDecimal(part, &value, DecimalBlanks::kSpacesAndTabs) || std::fabs(value) > 1e9) break;
    numbers.push_back(static_cast<int>(value));
  }
  return numbers;
}

LayoutSettings ReadLayoutSettings() {
  LayoutSettings s;
  const std::u16string version = IniRead(kSection, u"Version");
  if (version.empty()) IniDelete(kSection, u"Font");
  if (version != kVersion) IniWrite(kSection, u"Version", kVersion);

  const std::vector<int> position = SettingNumbers(IniRead(kSection, u"Position"));
  if (position.size() >= 2) {
    s.hasPosition = true;
    s.left = position[0];
    s.top = position[1];
  }
  const std::u16string ratio = IniRead(kSection, u"Ratio");
  if (ratio.find(u",0,") != std::u16string::npos) {
    // A collapsed layout is no layout to come back to.
    IniWrite(kSection, u"Size", u"");
    IniWrite(kSection, u"Ratio", u"");
  } else {
    const std::vector<int> size = SettingNumbers(IniRead(kSection, u"Size"));
    if (size.size() >= 2 && size[0] > 0 && size[1] > 0) {
      s.hasSize = true;
      s.width = size[0];
      s.height = size[1];
    }
    const std::vector<int> parts = SettingNumbers(ratio);
    if (parts.size() >= 3) {
      s.sizes.panelWidth = LimitToMinimum(parts[0]);
      s.sizes.globalHeight = LimitToMinimum(parts[1]);
      s.sizes.printHeight = LimitToMinimum(parts[2]);
    }
  }
  const std::u16string upTime = IniRead(kSection, u"FileUpMsgTime");
  if (upTime.empty()) {
    IniWrite(kSection, u"FileUpMsgTime", u"1600");
  } else {
    const std::vector<int> ms = SettingNumbers(upTime);
    if (!ms.empty() && ms[0] >= 0) s.fileUpdateMessageMs = ms[0];
  }
  return s;
}

void WriteLayoutSettings(int left, int top, int width, int height, const PanelSizes& sizes) {
  IniWrite(kSection, u"Position", Joined({left, top}));
  IniWrite(kSection, u"Size", Joined({width, height}));
  IniWrite(kSection, u"Ratio", Joined({sizes.panelWidth, sizes.globalHeight, sizes.printHeight}));
}

int LimitToMinimum(int size, int minimum) {
  return size <= minimum ? minimum + 1 : size;
}

int LimitGlobalHeight(int height, int panelHeight, int printHeight, int minimum) {
  height = LimitToMinimum(height, minimum);
  const int most = panelHeight - (printHeight + minimum) - 1;
  return height > most ? std::max(most, minimum + 1) : height;
}

int HotkeyCode(std::u16string_view setting) {
  double value = 0;
  if (!ParseDecimal(Trim(setting), &value, DecimalBlanks::kSpacesAndTabs)) return 0;
  if (value < 1 || value > 24) return 0;  // F1..F24
  return static_cast<int>(value) + 111;
}

std::u16string HotkeyHint(int code) {
  if (code < 112) return u"";
  std::u16string hint = u" (F";
  for (char c : std::to_string(code - 111)) hint += static_cast<char16_t>(c);
  return hint + u")";
}

std::array<int, 5> ReadHotkeys() {
  static constexpr const char16_t* kKeys[] = {u"BtnStop", u"BtnRun", u"BtnPause", u"BtnStepIn",
                                              u"BtnStepOver"};
  std::array<int, 5> codes{};
  for (int i = 0; i < 5; ++i) {
    std::u16string value = IniRead(kSection, kKeys[i]);
    if (value.empty()) {
      value = std::u16string(1, static_cast<char16_t>(u'4' + i));
      IniWrite(kSection, kKeys[i], value);
    }
    codes[static_cast<std::size_t>(i)] = HotkeyCode(value);
  }
  return codes;
}

}  // namespace zelk::window
