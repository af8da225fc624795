// What the dialog built-ins work out before a window opens and after it has
// closed: the addresses in a message, the pop-up menu's items, the
// selection box's list and its answer as the script receives it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/dialogs.h"
#include "runtime/core/interpreter.h"
#include "runtime/core/value.h"

namespace zelk::dialogs {

// Messages longer than this are cut and end in "...".
inline constexpr std::size_t kMaxMessageLength = 64000;

// Cuts an overlong message, and with detectLinks normalises its line breaks to
// CR LF and returns the places of the http://, https:// and mailto: addresses
// in it (each ends before a blank, quote, closing bracket or comma).
std::vector<os::TextSpan> PrepareMessage(std::u16string* text, bool detectLinks);

// The items of a pop-up menu from its text: pieces cut at CR, "{" opening a
// submenu under the item before, each trailing "}" closing one. False for a
// malformed text (a submenu first, more than 15 levels, closers without an
// opener, an empty caption).
bool ParseMenuText(std::u16string_view menuText, const ScriptOptions& options,
                   std::vector<os::MenuEntry>* entries);

// The selection box's texts: the message and the choices. When the first two
// arguments gave one number each they are the position, else *x and *y are
// kNoDialogPosition. perArgument: the texts each argument gave (empty kept).
struct SelectionTexts {
  std::u16string message;
  std::vector<std::u16string> choices;
  int x = os::kNoDialogPosition;
  int y = os::kNoDialogPosition;
};
SelectionTexts ShapeSelection(const std::vector<std::vector<std::u16string>>& perArgument,
                              const std::vector<bool>& literal, int type);

// What SLCTBOX returns for an answer of the box.
Value SelectionResult(const os::SelectionAnswer& answer, const std::vector<std::u16string>& choices,
                      int type);

// INPUT's text: a number text becomes a narrow string, which `+` adds as a number.
Value InputResult(std::u16string text);

}  // namespace zelk::dialogs
