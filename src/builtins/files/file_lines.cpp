// FGET, FPUT and FDELLINE: lines and cells of an open file, in memory until
// FCLOSE writes them.
#include <climits>
#include <mutex>
#include <string>

#include "base/utf.h"
#include "builtins/files/cells.h"
#include "builtins/files/file_functions.h"
#include "foundation/messages.h"
#include "foundation/text_file.h"
#include "runtime/core/interpreter.h"
#include "runtime/core/report_error.h"

namespace zelk {
namespace {

// Line selectors F_LINECOUNT and F_ALLTEXT; column selector F_INSERT.
constexpr std::int64_t kLineCount = -1;
constexpr std::int64_t kAllText = -2;
constexpr std::int64_t kInsert = -1;

// FPUT refuses to pad a file or a line further than this: a mistyped number
// must give a message, not exhaust the memory.
constexpr std::int64_t kMaxNewLines = std::int64_t{1} << 20;
constexpr std::int64_t kMaxColumn = std::int64_t{1} << 20;

std::u16string Decimal(std::int64_t n) {
  return Utf8ToText(std::to_string(n));
}

char16_t SeparatorOf(const FileSlot& slot) {
  return slot.tabSeparated ? u'\t' : u',';
}

// The slot of a script's file ID, or null when the ID is out of range or free.
FileSlot* SlotOf(FileTable& table, std::int64_t id) {
  if (id < 1 || id > kFileSlots) return nullptr;
  FileSlot& slot = table.slots[static_cast<std::size_t>(id - 1)];
  return slot.InUse() ? &slot : nullptr;
}

// A report that waits until the file lock is released.
struct PendingError {
  std::u16string message;
  bool allowTry = true;
};

void ReportPending(const PendingError& error, BuiltinCall& call) {
  if (error.message.empty()) return;
  ReportError(error.message, call.context, false, error.allowTry);
  call.failed = true;
}

// Lines are added up to line number `line`; false (with the message) when
// that is too far beyond the end.
bool PadTo(FileSlot& slot, std::int64_t line, PendingError* error) {
  const auto count = static_cast<std::int64_t>(slot.lines.size());
  if (line - count > kMaxNewLines) {
    error->message = Msg(u"FPUT: the line is too far beyond the end of the file: ",
                         u"FPUT: 行がファイルの終わりから離れすぎています: ") +
                     Decimal(line);
    error->allowTry = false;
    return false;
  }
  if (line > count) slot.lines.resize(static_cast<std::size_t>(line));
  return true;
}

// text is taken over where it becomes a line as it is.
void PutInto(FileSlot& slot, std::u16string& text, std::int64_t line, std::int64_t column,
             int quoteMode, PendingError* error) {
  const char16_t separator = SeparatorOf(slot);
  const auto count = static_cast<std::int64_t>(slot.lines.size());
  if (column > kMaxColumn) {
    error->message =
        Msg(u"FPUT: the column is too large: ", u"FPUT: 列が大きすぎます: ") + Decimal(column);
    error->allowTry = false;
    return;
  }
  if (line == 0) {
    if (column <= 1) {
      slot.lines.push_back(std::move(text));
      return;
    }
    std::u16string added(static_cast<std::size_t>(column - 1), separator);
    added += text;
    slot.lines.push_back(std::move(added));
  } else if (line == kAllText) {
    slot.lines = SplitLines(text);
  } else if (column == kInsert) {
    if (line > count + 1) {
      error->message = Msg(u"FPUT: there is no line ", u"FPUT: 行がありません: ") + Decimal(line);
      error->allowTry = false;
      return;
    }
    slot.lines.insert(slot.lines.begin() + (line - 1), std::move(text));
  } else if (column == 0) {
    if (PadTo(slot, line, error)) slot.lines[static_cast<std::size_t>(line - 1)] = std::move(text);
  } else {
    std::u16string old;
    if (line <= count) old = slot.lines[static_cast<std::size_t>(line - 1)];
    std::u16string replaced =
        PutCell(old, static_cast<int>(column), text, separator, static_cast<int>(quoteMode));
    if (PadTo(slot, line, error)) slot.lines[static_cast<std::size_t>(line - 1)] = replaced;
  }
}

int ClampToInt(std::int64_t n) {
  return n > INT_MAX ? INT_MAX : (n < INT_MIN ? INT_MIN : static_cast<int>(n));
}

}  // namespace

void BuiltinFget(BuiltinCall& call) {
  const BuiltinArgs& a = call.args;
  const std::int64_t line = a.whole[1];
  const std::int64_t column = a.whole[2];
  const int quoteMode = ClampToInt(a.whole[3]);
  if (line < 0) call.result = Value::Int(-1);
  FileTable& table = call.context.interp->files;
  std::lock_guard<std::recursive_mutex> guard(table.lock);
  FileSlot* slot = SlotOf(table, a.whole[0]);
  if (slot == nullptr || line == 0) return;
  const auto count = static_cast<std::int64_t>(slot->lines.size());
  if (line > count) return;
  if (line == kLineCount) {
    call.result = Value::Int(count);
    return;
  }
  if (line < kLineCount) {
    std::u16string all;
    std::size_t size = 0;
    for (const std::u16string& each : slot->lines) size += each.size() + 2;
    all.reserve(size);
    for (const std::u16string& each : slot->lines) {
      all += each;
      all += u"\r\n";
    }
    call.result = Value::String(std::move(all));
    return;
  }
  const std::u16string& lineText = slot->lines[static_cast<std::size_t>(line - 1)];
  std::u16string_view text = lineText;
  if (column > 0) {
    text = ReadCell(lineText, static_cast<int>(line), ClampToInt(column), SeparatorOf(*slot),
                    quoteMode != kQuotesIgnored, &slot->cache);
  }
  bool keepWide = false;
  std::u16string result = ApplyQuoteMode(TrimKeepTabs(text), quoteMode, &keepWide);
  call.result = keepWide ? Value::String(std::move(result)) : FileText(std::move(result));
}

void BuiltinFput(BuiltinCall& call) {
  const BuiltinArgs& a = call.args;
  const std::int64_t line = a.whole[2];
  const std::int64_t column = a.whole[3];
  call.result = Value();
  PendingError error;
  {
    FileTable& table = call.context.interp->files;
    std::lock_guard<std::recursive_mutex> guard(table.lock);
    FileSlot* slot = SlotOf(table, a.whole[0]);
    if (slot == nullptr) {
      error.message = Msg(u"File can't open or File ID is wrong",
                          u"ファイルがオープン出来てない、もしくはファイルIDが違う");
    } else if ((line < 0 && line != kAllText) || column < kInsert) {
      // Nothing to do.
    } else {
      slot->cache.Reset();
      if (slot->encoding == 0) {
        error.message = Msg(u"It can't be written= ", u"書き込む事は出来ません= ") + slot->path;
      } else {
        PutInto(*slot, call.args.text[1], line, column, ClampToInt(a.whole[4]), &error);
      }
    }
  }
  ReportPending(error, call);
}

void BuiltinFdelline(BuiltinCall& call) {
  const std::int64_t line = call.args.whole[1];
  call.result = Value();
  PendingError error;
  {
    FileTable& table = call.context.interp->files;
    std::lock_guard<std::recursive_mutex> guard(table.lock);
    FileSlot* slot = SlotOf(table, call.args.whole[0]);
    if (slot == nullptr) return;
    slot->cache.Reset();
    if (line < 1 || line > static_cast<std::int64_t>(slot->lines.size())) {
      error.message =
          Msg(u"FDELLINE: there is no line ", u"FDELLINE: 行がありません: ") + Decimal(line);
      error.allowTry = false;
    } else {
      slot->lines.erase(slot->lines.begin() + (line - 1));
    }
  }
  ReportPending(error, call);
}

}  // namespace zelk
