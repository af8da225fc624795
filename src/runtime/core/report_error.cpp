#include "runtime/core/report_error.h"

#include <algorithm>
#include <mutex>
#include <string>

#include "base/text_scan.h"
#include "foundation/messages.h"
#include "foundation/script_log.h"
#include "foundation/user_interface.h"
#include "platform/platform.h"
#include "platform/stack.h"
#include "runtime/control/blocks.h"
#include "runtime/core/interpreter.h"

namespace zelk {
namespace {

constexpr std::size_t kShownMessageLength = 255;

// Source entries stay scrambled in memory; the mask is that of ScrambleSource.
const char16_t kSourceMask = ScrambleSource(std::u16string_view(u"\0", 1))[0];

// Whether the unscrambled entry holds needle outside double quotes; the entry
// is decoded as it is scanned, so that the backward search allocates nothing.
bool ScrambledHasOutsideQuotes(std::u16string_view scrambled, std::u16string_view needle) {
  bool quoted = false;
  for (std::size_t i = 0; i < scrambled.size(); ++i) {
    char16_t c = static_cast<char16_t>(scrambled[i] ^ kSourceMask);
    if (c == u'"') {
      quoted = !quoted;
      continue;
    }
    if (quoted || c != needle[0] || scrambled.size() - i < needle.size()) continue;
    std::size_t k = 1;
    while (k < needle.size() &&
           static_cast<char16_t>(scrambled[i + k] ^ kSourceMask) == needle[k]) {
      ++k;
    }
    if (k == needle.size()) return true;
  }
  return false;
}

bool IsIncludeHeaderSource(std::u16string_view scrambled) {
  return ScrambledHasOutsideQuotes(scrambled, u",PROCEDURE ") &&
         ScrambledHasOutsideQuotes(scrambled, u".ZLS");
}

// The path of the included file whose wrapper row is at row. The file list
// has it as written (the procedure name has its folder punctuation made
// full-width); the row's text is the fallback.
std::u16string IncludePath(const Interpreter& interp, std::size_t row) {
  const auto& lines = interp.table.StmtLines;
  const auto& files = interp.assembly.sourceFiles();
  if (row < lines.size()) {
    int file = lines[row].file;
    if (file > 0 && static_cast<std::size_t>(file) < files.size()) {
      return files[static_cast<std::size_t>(file)].path;
    }
  }
  std::u16string entry = ScrambleSource(interp.table.StmtSources[row]);
  std::size_t blank = entry.find(u' ');
  if (blank == std::u16string::npos) return u"";
  std::size_t open = entry.find(u'(', blank + 1);
  return Trim(std::u16string_view(entry).substr(
      blank + 1, open == std::u16string::npos ? std::u16string::npos : open - blank - 1));
}

// Reporting is not re-entered while a dialog is open (another thread's error,
// or a handler run by the dialog's message loop): the first error ends the run.
std::atomic<bool> errorShowing{false};

class ShowingError {
 public:
  // False when another report is being shown.
  bool Enter() { return entered_ = !errorShowing.exchange(true); }
  ~ShowingError() {
    if (entered_) errorShowing = false;
  }

 private:
  bool entered_ = false;
};

// While the debugger evaluates a text of its own, the first error is noted
// for it and ends that evaluation (errorFlag), and nothing else happens.
bool QuietlyNoted(Interpreter& interp, std::u16string_view message) {
  if (interp.run.quietErrors == nullptr) return false;
  if (interp.run.errorFlag == 0 && interp.run.quietErrors->empty()) {
    *interp.run.quietErrors = HideSyntaxErrorNumber(Trim(message));
  }
  interp.run.errorFlag = 1;
  return true;
}

void SettleUserInterface(Interpreter& interp) {
  // The input lock of the script is released here once input emulation exists.
  interp.host().SettleBeforeDialog();
}

}  // namespace

void RunHost::SettleBeforeDialog() {
  os::SleepMs(20);
  for (int i = 0; i < 20; ++i) os::ProcessMessages();
}

std::u16string ErrorLocation(THensuFmt& context) {
  Interpreter& interp = *context.interp;
  if (context.stmtTexts.empty()) return interp.frontEndErrors.currentStatement();
  const auto& sources = interp.table.StmtSources;
  std::u16string location;
  if (sources.empty()) return location;

  std::size_t start = static_cast<std::size_t>(std::clamp<std::int64_t>(
      context.baseIndex, 0, static_cast<std::int64_t>(sources.size()) - 1));
  for (std::size_t i = start + 1; i-- > 0;) {
    if (IsIncludeHeaderSource(sources[i])) {
      location = IncludePath(interp, i) + u": ";
      break;
    }
  }

  std::int64_t row = static_cast<std::int64_t>(context.baseIndex) + context.curOffset;
  if (row < 0 || row >= static_cast<std::int64_t>(sources.size())) return location;
  std::u16string entry = ScrambleSource(sources[static_cast<std::size_t>(row)]);
  if (entry.find(u"<#_") != std::u16string::npos) {
    entry = ReplaceAll(entry, u"<#_DBL>", u"<#DBL>");
    entry = ReplaceAll(entry, u"<#_CR>", u"<#CR>");
    entry = ReplaceAll(entry, u"<#_TAB>", u"<#TAB>");
  }
  std::size_t cut = entry.find_first_of(u", ");
  std::u16string_view number = std::u16string_view(entry).substr(0, cut);
  std::u16string_view statement = cut == std::u16string::npos
                                      ? std::u16string_view()
                                      : std::u16string_view(entry).substr(cut + 1);
  location += Msg(u"at line ", u"");
  location += number;
  location += Msg(u": ", u"行目: ");
  location += statement;
  return location;
}

std::u16string HideSyntaxErrorNumber(std::u16string text) {
  std::u16string upper = UpperAscii(text);
  std::size_t at = upper.find(u"SYNTAXERROR-");
  if (at == std::u16string::npos) return text;
  text += u"   ";
  std::size_t dash = at + 11;
  text[dash] = u' ';
  for (std::size_t i = dash + 1; i <= dash + 3 && text[i] >= u'0' && text[i] <= u'9'; ++i) {
    text[i] = u' ';
  }
  return Trim(text);
}

void ReportError(std::u16string_view message, THensuFmt& context, bool force, bool allowTry,
                 const std::u16string* where) {
  Interpreter& interp = *context.interp;
  if (QuietlyNoted(interp, message)) return;
  if ((interp.run.errorFlag != 0 && !force) || interp.run.abortLevel >= 1) return;

  std::u16string text = Trim(message);
  std::u16string location = where != nullptr ? *where : ErrorLocation(context);
  context.tryErrMsg = text;
  context.tryErrLine = location;

  if (allowTry) {
    // A TRY part run down here would have no stack left for its own rows.
    if (!context.tryStack.empty() && context.deferredError == 0 &&
        os::StackIsLow(os::StackUse::kBlock)) {
      context.deferredError = 1;
      context.deferredAt = context.curOffset;
      context.exitFlag = 1;
      return;
    }
    if (HandleErrorInTry(context)) return;
    // A TRY open in a calling context: this body ends and the call reports
    // the message again in the caller, where that TRY takes it.
    if (context.tryDepth >= 1) {
      context.tryErrFlag = 1;
      context.exitFlag = 1;
      return;
    }
  }

  std::u16string shown;
  if (text.size() > kShownMessageLength) {
    std::size_t keep = kShownMessageLength;
    // Never cut a surrogate pair in half.
    if (text[keep - 1] >= 0xD800 && text[keep - 1] <= 0xDBFF) --keep;
    shown.assign(text, 0, keep);
    shown += u" ...\r";
  } else {
    shown = text;
  }
  if (!location.empty()) {
    shown += u'\r';
    shown += location;
  }

  ShowingError showing;
  if (!showing.Enter()) return;
  std::int64_t row = static_cast<std::int64_t>(context.baseIndex) + context.curOffset;
  if (!context.stmtTexts.empty() && row >= 0 &&
      row < static_cast<std::int64_t>(interp.table.StmtLines.size())) {
    interp.host().ShowErrorRow(context);
  }
  LogLine(ReplaceAll(shown, u"\r", u"  "));
  shown = HideSyntaxErrorNumber(std::move(shown));
  SettleUserInterface(*context.interp);
  if (context.recordIndex == 0 || interp.threads.Own(context) != nullptr) {
    // Hosts show errors from any thread, one at a time; the main thread need
    // not be free (it may itself wait for the variable lock).
    std::lock_guard lock(interp.hostLock);
    interp.host().ShowError(shown);
  } else {
    ShowMessageBox(u"System Error GetThreadNo");
  }
  interp.run.errorFlag = 1;
}

void ReportDeferredError(THensuFmt& context) {
  const std::u16string message = context.tryErrMsg;
  const std::u16string where = context.tryErrLine;
  context.deferredError = 2;
  context.exitFlag = 0;
  context.curOffset = context.deferredAt;
  ReportError(message, context, false, true, &where);
  context.deferredError = 0;
}

void ReportAndAsk(std::u16string_view message, THensuFmt& context) {
  Interpreter& interp = *context.interp;
  if (QuietlyNoted(interp, message)) return;
  if (interp.run.errorFlag != 0 || interp.run.abortLevel > 0) return;
  std::u16string text = Trim(message);
  context.tryErrMsg = text;
  context.tryErrLine = ErrorLocation(context);
  if (HandleErrorInTry(context)) return;
  if (context.tryDepth > 0) {
    context.tryErrFlag = 1;
    context.exitFlag = 1;
    return;
  }
  ShowingError showing;
  if (!showing.Enter()) return;
  // The input lock of the script is released here once input emulation exists.
  std::lock_guard lock(interp.hostLock);
  if (!context.tryStack.empty()) {
    interp.host().ShowError(text);
    interp.run.errorFlag = 1;
  } else if (interp.host().AskAbort(text + u"\r" +
                                    Msg(u"Do you want to abort?", u"中断しますか？"))) {
    interp.run.errorFlag = 1;
  }
}

void ReportFrontEndError(Interpreter& interp, std::u16string_view message) {
  // A context without rows: the location is the front end's current statement.
  THensuFmt scratch(interp, true);
  ReportError(message, scratch, false, false);
}

}  // namespace zelk
