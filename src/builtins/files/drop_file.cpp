// DROPFILE: files of a folder dropped onto another program's window, as if
// dragged there from Explorer.
#include <span>
#include <string>
#include <vector>

#include "base/numbers.h"
#include "base/text_scan.h"
#include "builtins/arrays/expand_arguments.h"
#include "builtins/builtin_table.h"
#include "builtins/dialogs/main_thread_call.h"
#include "builtins/files/file_functions.h"
#include "builtins/windows/window_ids.h"
#include "platform/file_drop.h"
#include "platform/platform.h"
#include "platform/windowing.h"

namespace zelk {
namespace {

// The source texts of the arguments from position first (0-based) on.
std::vector<std::u16string> SourceTexts(std::u16string_view argumentText, int first) {
  std::vector<std::u16string> sources;
  std::u16string_view rest = argumentText;
  for (int i = 0; !TrimArgument(rest).empty(); ++i) {
    std::u16string_view argument = CutArgument(&rest);
    if (i >= first) sources.emplace_back(argument);
  }
  return sources;
}

// A number given as such: one text from a non-literal argument.
bool IsPositionNumber(const std::vector<std::u16string>& texts, const std::u16string& source) {
  return texts.size() == 1 && !(!source.empty() && source[0] == u'"') &&
         IsNumberText(texts[0], false, false);
}

int ToInt(const std::u16string& text) {
  const double n = TextToNumber(Trim(text));
  if (n > 2147483647.0) return 2147483647;
  if (n < -2147483648.0) return -2147483647 - 1;
  return static_cast<int>(n);
}

}  // namespace

void BuiltinDropfile(BuiltinCall& call) {
  call.result = Value();
  if (!RequireDesktop(call)) return;
  const std::int64_t id = call.args.whole[0];
  const std::uintptr_t window =
      id < 0 || id > 0x7FFFFFFF ? 0 : WindowOfId(static_cast<int>(id), call.context);
  if (window == 0 || !os::IsWindowShown(window)) return;

  // Each argument alone, so that the first two can be told apart as a point.
  const std::vector<std::u16string> sources = SourceTexts(call.argumentText, 1);
  std::vector<std::vector<std::u16string>> perArgument(sources.size());
  for (std::size_t k = 0; k < sources.size(); ++k) {
    if (!ExpandArgumentList(&perArgument[k], std::span(&sources[k], 1), true, call.context)) {
      call.failed = true;
      return;
    }
  }
  os::FileDrop drop;
  std::size_t first = 0;
  if (sources.size() >= 2 && IsPositionNumber(perArgument[0], sources[0]) &&
      IsPositionNumber(perArgument[1], sources[1])) {
    drop.atPoint = true;
    drop.x = ToInt(perArgument[0][0]);
    drop.y = ToInt(perArgument[1][0]);
    first = 2;
  }
  bool folder = true;
  for (std::size_t k = first; k < perArgument.size(); ++k) {
    for (const std::u16string& text : perArgument[k]) {
      if (folder) {
        drop.folder = text;
        folder = false;
      } else if (std::u16string name = Trim(text); !name.empty()) {
        drop.names.push_back(std::move(name));
      }
    }
  }
  if (drop.folder.empty()) drop.folder = os::CurrentFolder();

  os::DropOutcome outcome = os::DropOutcome::kDropped;
  std::u16string error;
  if (!dialogs::RunOnMainThread(
          call.context, [&] { outcome = os::DropFiles(window, drop, &error); }, false)) {
    return;
  }
  if (outcome == os::DropOutcome::kFailed) call.Fail(u"DropFile:" + error);
}

}  // namespace zelk
