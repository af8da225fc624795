// The script dialog family: MSGBOX, INPUT, SLCTBOX, POPUPMENU, FUKIDASI and
// BALLOON, LOGPRINT. Arguments are shaped here; the windows belong to the
// platform and always open on the main thread.
#include <mutex>
#include <string>
#include <vector>

#include "builtins/arrays/expand_arguments.h"
#include "builtins/builtin_family.h"
#include "builtins/builtin_table.h"
#include "builtins/dialogs/dialog_texts.h"
#include "builtins/dialogs/main_thread_call.h"
#include "foundation/messages.h"
#include "foundation/paths.h"
#include "platform/dialogs.h"
#include "runtime/core/interpreter.h"

namespace zelk {
namespace {

// Reported at the call's line where the platform has no windows.
bool Available(BuiltinCall& call) {
  if (os::DialogsAvailable()) return true;
  std::u16string message(call.name);
  message += Msg(u" is not available on this platform", u" はこのプラットフォームでは使えません");
  call.Fail(message);
  return false;
}

os::DialogLook LookOf(const THensuFmt& context) {
  const Interpreter& interp = *context.interp;
  os::DialogLook look;
  look.caption = interp.options.dialogTitle;
  if (look.caption.empty()) {
    look.caption = u"ZELK - " + FileNamePart(interp.assembly.mainPath());
  }
  if (interp.options.dialogFontSet) {
    look.fontName = interp.options.dialogFontName;
    look.fontSize = interp.options.dialogFontSize;
  }
  look.japanese = JapaneseMessages();
  return look;
}

int WholeAt(const BuiltinArgs& args, int i) {
  const std::int64_t v = args.whole[static_cast<std::size_t>(i)];
  if (v > INT32_MAX) return INT32_MAX;
  if (v < INT32_MIN) return INT32_MIN;
  return static_cast<int>(v);
}

// x, y as the script gave them: (-1, -1) asks for the last place.
os::DialogPlace PlaceAt(int x, int y) {
  if (x == -1 && y == -1) return {os::DialogPlace::kLast, 0, 0};
  return {os::DialogPlace::kAt, x, y};
}

// The source texts of the arguments from position first on.
std::vector<std::u16string> SourceTexts(std::u16string_view argumentText, int first) {
  std::vector<std::u16string> sources;
  std::u16string_view rest = argumentText;
  for (int i = 0; !TrimArgument(rest).empty(); ++i) {
    std::u16string_view argument = CutArgument(&rest);
    if (i >= first) sources.emplace_back(argument);
  }
  return sources;
}

void BuiltinMsgbox(BuiltinCall& call) {
  if (!Available(call)) return;
  const BuiltinArgs& a = call.args;
  std::u16string text = a.text[0];
  int buttons = WholeAt(a, 1);
  if (buttons <= 0) buttons = os::kButtonOk;
  const bool hasX = a.count > 2 && !a.text[2].empty();
  const bool hasY = a.count > 3 && !a.text[3].empty();
  const int x = hasX ? WholeAt(a, 2) : os::kNoDialogPosition;
  const int y = hasY ? WholeAt(a, 3) : os::kNoDialogPosition;
  os::DialogPlace place;
  if (x != os::kNoDialogPosition || y != os::kNoDialogPosition) place = PlaceAt(x, y);
  const int focus = WholeAt(a, 4);
  const std::vector<os::TextSpan> links = dialogs::PrepareMessage(&text, WholeAt(a, 5) != 0);
  const os::DialogLook look = LookOf(call.context);
  int pressed = os::kButtonCancel;
  if (!dialogs::RunOnMainThread(call.context, [&] {
        pressed = os::ShowMessageDialog(look, text, buttons, focus, links, place);
      })) {
    return;
  }
  call.result = Value::Int(pressed);
}

void BuiltinInput(BuiltinCall& call) {
  if (!Available(call)) return;
  const BuiltinArgs& a = call.args;
  const bool password = a.count >= 3 && WholeAt(a, 2) != 0;
  os::DialogPlace place;
  if (a.count >= 5) place = PlaceAt(WholeAt(a, 3), WholeAt(a, 4));
  const os::DialogLook look = LookOf(call.context);
  bool entered = false;
  std::u16string text;
  if (!dialogs::RunOnMainThread(call.context, [&] {
        entered = os::ShowInputDialog(look, a.text[0], a.text[1], password, place, &text);
      })) {
    return;
  }
  call.result = entered ? dialogs::InputResult(std::move(text)) : Value();
}

void BuiltinSlctbox(BuiltinCall& call) {
  if (!Available(call)) return;
  const int type = WholeAt(call.args, 0);
  const int timeout = WholeAt(call.args, 1);
  const std::vector<std::u16string> sources = SourceTexts(call.argumentText, 2);
  // Each argument alone, so that the first two can be told apart as a position.
  std::vector<std::vector<std::u16string>> perArgument(sources.size());
  std::vector<bool> literal(sources.size());
  for (std::size_t k = 0; k < sources.size(); ++k) {
    if (!ExpandArgumentList(&perArgument[k], std::span(&sources[k], 1), true, call.context)) {
      call.failed = true;
      return;
    }
    literal[k] = !sources[k].empty() && sources[k][0] == u'"';
  }
  const dialogs::SelectionTexts texts = dialogs::ShapeSelection(perArgument, literal, type);
  os::DialogPlace place;
  if (texts.x != os::kNoDialogPosition && texts.y != os::kNoDialogPosition) {
    place = PlaceAt(texts.x, texts.y);
  }
  const os::DialogLook look = LookOf(call.context);
  os::SelectionAnswer answer;
  if (!dialogs::RunOnMainThread(call.context, [&] {
        answer = os::ShowSelectionDialog(look, texts.message, texts.choices, type, timeout, place);
      })) {
    return;
  }
  call.result = dialogs::SelectionResult(answer, texts.choices, type);
}

// Held for the whole of POPUPMENU (and SCKEY, which sends keys to menus).
std::recursive_mutex& KeyMenuLock() {
  static std::recursive_mutex lock;
  return lock;
}

void BuiltinPopupmenu(BuiltinCall& call) {
  if (!Available(call)) return;
  std::lock_guard<std::recursive_mutex> guard(KeyMenuLock());
  call.result = Value::Int(-1);
  const BuiltinArgs& a = call.args;
  const bool atCursor = a.count < 3 || a.text[1].empty() || a.text[2].empty();
  const std::u16string source = a.text[0];
  std::vector<std::u16string> texts;
  if (!ExpandArgumentList(&texts, std::span(&source, 1), false, call.context)) {
    call.failed = true;
    return;
  }
  std::u16string menuText;
  for (std::size_t k = 0; k < texts.size(); ++k) {
    if (k > 0) menuText += u'\r';
    menuText += texts[k];
  }
  if (menuText.empty()) return;
  std::vector<os::MenuEntry> entries;
  int chosen = os::kNoDialogPosition;
  if (dialogs::ParseMenuText(menuText, call.context.interp->options, &entries)) {
    if (!dialogs::RunOnMainThread(call.context, [&] {
          chosen = os::ShowPopupMenu(menuText, entries, WholeAt(a, 1), WholeAt(a, 2), atCursor);
        })) {
      return;
    }
  }
  if (chosen == os::kNoDialogPosition) {
    call.Fail(u"PopupMenu: Parameter Error");
    return;
  }
  call.result = Value::Int(chosen);
}

void BuiltinFukidasi(BuiltinCall& call) {
  if (!Available(call)) return;
  const BuiltinArgs& a = call.args;
  const Interpreter& interp = *call.context.interp;
  os::BalloonLook look;
  look.direction = WholeAt(a, 3);
  look.fontSize = WholeAt(a, 4);
  look.fontName = a.text[5];
  look.textColour = WholeAt(a, 6);
  look.backColour = WholeAt(a, 7);
  look.transparency = WholeAt(a, 8);
  look.smoothing = WholeAt(a, 9);
  look.ownedByDesktop = interp.options.fixBalloon;
  if (interp.options.dialogFontSet) look.defaultFontName = interp.options.dialogFontName;
  const int owner = CallerIndex(call.context);
  dialogs::RunOnMainThread(call.context, [&] {
    if (a.text[0].empty()) {
      os::HideBalloon(owner);
    } else {
      os::ShowBalloon(owner, a.text[0], WholeAt(a, 1), WholeAt(a, 2), look);
    }
  });
}

void BuiltinLogprint(BuiltinCall& call) {
  if (!Available(call)) return;
  const BuiltinArgs& a = call.args;
  Interpreter& interp = *call.context.interp;
  os::PrintWindowRequest request;
  request.show = WholeAt(a, 0) != 0;
  request.place = a.count >= 3;
  request.x = WholeAt(a, 1);
  request.y = WholeAt(a, 2);
  request.size = a.count >= 5;
  request.width = WholeAt(a, 3);
  request.height = WholeAt(a, 4);
  request.caption = u"ZELK - " + FileNamePart(interp.assembly.mainPath());
  dialogs::RunOnMainThread(call.context, [&] {
    const std::vector<std::u16string> lines(interp.print.lines.begin(), interp.print.lines.end());
    os::ShowPrintWindow(request, lines);
  });
}

}  // namespace

void AddDialogBuiltins(BuiltinBranchTable& table) {
  table.Set(u"MSGBOX", BuiltinMsgbox);
  table.Set(u"INPUT", BuiltinInput);
  table.Set(u"SLCTBOX", BuiltinSlctbox);
  table.Set(u"POPUPMENU", BuiltinPopupmenu);
  table.Set(u"FUKIDASI", BuiltinFukidasi);
  table.Set(u"BALLOON", BuiltinFukidasi);
  table.Set(u"LOGPRINT", BuiltinLogprint);
}

}  // namespace zelk
