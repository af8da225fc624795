// The editor's context menus (text and gutter) and its help lookup in
// zelk.chm.
#pragma once

#include <windows.h>

#include <string>

namespace zelk::window {

enum class EditorCommand { kNone, kUndo, kRedo, kCut, kCopy, kPaste, kDelete, kSelectAll, kHelp };

struct EditorMenuState {
  bool canUndo = false;
  bool canRedo = false;
  bool canCut = false;  // Cut and Delete
  bool canCopy = false;
  bool canPaste = false;
  bool hasText = false;
  std::u16string helpWord;  // the caption names it when not empty
};

// Shows the menu at screen and returns the chosen command.
EditorCommand ShowEditorMenu(HWND owner, POINT screen, const EditorMenuState& state);

// The gutter's menu for one line: "Condition..." (enabled when the line can
// hold a breakpoint, checked when its breakpoint has a condition). True
// when it was chosen.
bool ShowGutterMenu(HWND owner, POINT screen, bool canHold, bool hasCondition);

// The help word of the letters at column of line and the help to show for
// it: "" when there is none, else the word, with ",MATHFUNC" behind a
// mathematical function.
std::u16string HelpTopicWord(std::u16string_view line, int column);

// Opens zelk.chm from the program folder for the top-level window of
// window: its contents without a word, else the index entry and the topic of
// the word (up to its first comma). A missing help file is reported.
void OpenHelp(HWND window, const std::u16string& topicWord);

}  // namespace zelk::window
