// The window's layout as the settings keep it (Position, Size, Ratio), the
// limits of its splitters, and the run keys (BtnStop ... BtnStepOver).
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace zelk::window {

// The right panel: its width, the global view's height, the print window's
// height (pixels).
struct PanelSizes {
  int panelWidth = 208;
  int globalHeight = 240;
  int printHeight = 247;
};

struct LayoutSettings {
  bool hasPosition = false;
  int left = 0, top = 0;
  bool hasSize = false;
  int width = 0, height = 0;
  PanelSizes sizes;
  int fileUpdateMessageMs = 1600;
};

// Whole numbers of a settings value, separated by blanks or commas; a part
// that is no number ends the list.
std::vector<int> SettingNumbers(std::u16string_view text);

// Reads the keys of section SET: Version (the obsolete Font key goes when it
// is missing), Position, Size, Ratio (a collapsed one, with ",0,", is
// written back empty with Size), FileUpMsgTime (written when missing).
LayoutSettings ReadLayoutSettings();
void WriteLayoutSettings(int left, int top, int width, int height, const PanelSizes& sizes);

// Splitters never let a part shrink to its minimum or below.
inline constexpr int kSplitterMinimum = 50;
int LimitToMinimum(int size, int minimum = kSplitterMinimum);
// The global view leaves the print window and a minimal local view below it.
int LimitGlobalHeight(int height, int panelHeight, int printHeight, int minimum = kSplitterMinimum);

// A run key setting: n is function key n (F1 = 112); 0, negative or no
// number means none. The virtual-key code, or 0.
int HotkeyCode(std::u16string_view setting);
// " (Fn)" for the button's hint, "" without a key.
std::u16string HotkeyHint(int code);
// Reads BtnStop, BtnRun, BtnPause, BtnStepIn, BtnStepOver, writing the
// defaults 4..8 where missing.
std::array<int, 5> ReadHotkeys();

}  // namespace zelk::window
