// How the editor shows source text: font, tab width, colours and the look of
// each word class, as kept in the SET section of the settings file.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "debugger/syntax/word_tables.h"

namespace zelk {

enum : int { kStyleBold = 1, kStyleItalic = 2 };

// A colour is 0x00BBGGRR, the settings' own byte order (Windows' COLORREF).
struct ClassLook {
  std::uint32_t colour = 0;
  int style = 0;  // kStyleBold | kStyleItalic
  bool operator==(const ClassLook&) const = default;
};

struct AppearanceSettings {
  int tabWidth = 4;  // one of kTabWidthChoices
  std::u16string fontName = u"Courier New";
  int fontSize = 10;  // points, at least 8
  std::uint32_t background = 0xFFFFFF;
  std::uint32_t textColour = 0x000000;
  // Indexed by WordClass; [kPlainWord] is unused.
  std::array<ClassLook, kWordClassCount> classes{};
  // Extra line spacing as a percentage of the line height; 0 for none.
  // Read from the settings, never written.
  double lineSpacePercent = 0;

  // What applies when the settings file has none of the keys.
  static AppearanceSettings Defaults(bool japanese);
  bool operator==(const AppearanceSettings&) const = default;
};

inline constexpr int kTabWidthChoices[] = {2, 4, 6, 8, 10, 12, 16};

// Reads the keys of section SET of the settings file; a missing or unusable
// key, or part of a key, takes its default. Colours may be decimal or
// $-hexadecimal, and the parts of a key are separated by a comma or blanks.
AppearanceSettings ReadAppearanceSettings();
// Writes every key except LineSpace, in decimal.
void WriteAppearanceSettings(const AppearanceSettings& settings);

// The lowest class that looks exactly like wordClass, or plain (0) when it
// looks like plain text: classes that look alike colour alike.
int NormaliseClass(int wordClass, const AppearanceSettings& settings);
// The class of text shown with this colour and style: 0 for the plain look,
// the lowest class with that look, or -1 when no class has it.
int ClassOfLook(std::uint32_t colour, int style, const AppearanceSettings& settings);

}  // namespace zelk
