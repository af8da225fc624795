#include "debugger_window/editor/editor_menu.h"

#include <htmlhelp.h>

#include "debugger/editing/text_search.h"
#include "debugger/syntax/word_tables.h"
#include "foundation/messages.h"
#include "foundation/user_interface.h"
#include "platform/platform.h"

namespace zelk::window {
namespace {

const wchar_t* Wide(const std::u16string& text) {
  return reinterpret_cast<const wchar_t*>(text.c_str());
}

void Append(HMENU menu, EditorCommand command, const wchar_t* caption, bool enabled) {
  AppendMenuW(menu, MF_STRING | (enabled ? MF_ENABLED : MF_GRAYED), static_cast<UINT_PTR>(command),
              caption);
}

// The folder of the running program, with its trailing backslash.
std::u16string ProgramFolder() {
  const std::u16string path = os::ExecutablePath();
  const std::size_t slash = path.find_last_of(u"\\/");
  return slash == std::u16string::npos ? std::u16string() : path.substr(0, slash + 1);
}

}  // namespace

EditorCommand ShowEditorMenu(HWND owner, POINT screen, const EditorMenuState& state) {
  HMENU menu = CreatePopupMenu();
  Append(menu, EditorCommand::kUndo, L"Undo\tCtrl+Z", state.canUndo);
  Append(menu, EditorCommand::kRedo, L"Redo\tCtrl+Y", state.canRedo);
  AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
  Append(menu, EditorCommand::kCut, L"Cut\tCtrl+X", state.canCut);
  Append(menu, EditorCommand::kCopy, L"Copy\tCtrl+C", state.canCopy);
  Append(menu, EditorCommand::kPaste, L"Paste\tCtrl+V", state.canPaste);
  Append(menu, EditorCommand::kDelete, L"Delete", state.canCut);
  AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
  Append(menu, EditorCommand::kSelectAll, L"Select All     \tCtrl+A", state.hasText);
  AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
  const std::u16string help =
      (state.helpWord.empty() ? u"ZELK Help" : u"Help " + state.helpWord) + u"\tCtrl+H";
  Append(menu, EditorCommand::kHelp, Wide(help), true);
  const int chosen = TrackPopupMenuEx(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY,
                                      screen.x, screen.y, owner, nullptr);
  DestroyMenu(menu);
  return static_cast<EditorCommand>(chosen);
}

bool ShowGutterMenu(HWND owner, POINT screen, bool canHold, bool hasCondition) {
  constexpr UINT kCondition = 1;
  HMENU menu = CreatePopupMenu();
  AppendMenuW(menu,
              MF_STRING | (canHold ? MF_ENABLED : MF_GRAYED) | (hasCondition ? MF_CHECKED : 0),
              kCondition, Wide(Msg(u"Condition...", u"条件...")));
  const UINT chosen = TrackPopupMenuEx(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY,
                                       screen.x, screen.y, owner, nullptr);
  DestroyMenu(menu);
  return chosen == kCondition;
}

std::u16string HelpTopicWord(std::u16string_view line, int column) {
  const std::u16string word = HelpWordAt(line, column);
  switch (IsHelpWord(word)) {
    case 1:
      return word;
    case 2:
      return word + u",MATHFUNC";
    default:
      return {};
  }
}

void OpenHelp(HWND window, const std::u16string& topicWord) {
  const std::u16string file = ProgramFolder() + u"zelk.chm";
  using HtmlHelpFn = HWND(WINAPI*)(HWND, LPCWSTR, UINT, DWORD_PTR);
  static HMODULE viewer = LoadLibraryW(L"hhctrl.ocx");
  static auto htmlHelp = viewer ? reinterpret_cast<HtmlHelpFn>(
                                      reinterpret_cast<void*>(GetProcAddress(viewer, "HtmlHelpW")))
                                : nullptr;
  if (!os::FileExists(file) || !htmlHelp) {
    MessageBeep(MB_ICONERROR);
    ShowMessageBox(file + u"\r" + Msg(u"Cannot be started", u"起動できません"), u"", kMbIconError);
    return;
  }
  HWND top = GetAncestor(window, GA_ROOT);
  if (topicWord.empty()) {
    htmlHelp(top, Wide(file), HH_DISPLAY_TOC, 0);
    return;
  }
  const std::size_t comma = topicWord.find(u',');
  const std::u16string word = topicWord.substr(0, comma);
  htmlHelp(top, Wide(file), HH_DISPLAY_INDEX, reinterpret_cast<DWORD_PTR>(Wide(word)));
  const std::u16string topic =
      file + u"::/_RESOURCE/function.htm#" + (comma == std::u16string::npos ? word : u"MATHFUNC");
  htmlHelp(top, Wide(topic), HH_DISPLAY_TOPIC, 0);
}

}  // namespace zelk::window
