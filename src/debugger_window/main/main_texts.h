// The main window's messages, in the language chosen at start-up.
#pragma once

#include "foundation/messages.h"

namespace zelk::window::texts {

inline constexpr char16_t kCaption[] = u"ZELK Debugger";
inline constexpr char16_t kConfirmCaption[] = u"ZELK Debugger Confirm";

inline const char16_t* Running() {
  return Msg(u"Executing", u"実行中");
}
inline const char16_t* Stopped() {
  return Msg(u"Stop", u"停止");
}
inline const char16_t* ExitWithModified() {
  return Msg(u"There are files in the fix.\rAre you sure you want to exit to discard?",
             u"修正中のファイルがあります。\r破棄して終了してもよろしいですか？");
}
inline const char16_t* SaveBeforeTool() {
  return Msg(u"There are files in the fix.\rPlease save the file.",
             u"修正中のファイルがあります。\r先にファイルの保存をしてください。");
}
inline const char16_t* CannotStart() {
  return Msg(u"Cannot be started", u"起動できません");
}
inline const char16_t* DiscardCurrent() {
  return Msg(u"Are you sure you want to discard the current file?",
             u"現在のファイルを破棄してもよろしいですか？");
}
inline const char16_t* NotAScript() {
  return Msg(u"It is not ZELK file", u"指定外ファイル");
}
inline const char16_t* Overwrite() {
  return Msg(u"Are you sure you want to overwrite it?", u"上書きしてもよろしいですか？");
}
inline const char16_t* WriteFailed() {
  return Msg(u"Failed to write file", u"ファイルの書き込みに失敗しました。");
}
inline constexpr char16_t kFileNotFound[] = u"FILE not found :";

}  // namespace zelk::window::texts
