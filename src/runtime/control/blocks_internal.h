// Pieces shared by the block handlers: reading the head texts the block
// matcher wrote, running the rows of a part, the truth of a condition, and the
// unwinding of rows a jump skips.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "platform/stack.h"
#include "runtime/control/blocks.h"
#include "runtime/core/block_heads.h"
#include "runtime/core/context.h"
#include "runtime/core/interpreter.h"
#include "runtime/core/value.h"
#include "runtime/expr/evaluate.h"

namespace zelk {

struct ScriptOptions;

namespace blocks {

// The prefixes of the handlers' own failures.
inline constexpr const char16_t* kIfbPrefix = u"IFB-ENDIF: ";
inline constexpr const char16_t* kSelectPrefix = u"SELECT-SELEND: ";
inline constexpr const char16_t* kForPrefix = u"FOR-NEXT: ";
inline constexpr const char16_t* kWhilePrefix = u"WHILE-WEND: ";
inline constexpr const char16_t* kRepeatPrefix = u"REPEAT-UNTIL: ";
inline constexpr const char16_t* kTryPrefix = u"TRY: ";

// A decimal integer as the block matcher writes offsets ("12", "-7").
bool ParseInteger(std::u16string_view text, std::int32_t* out);
// Cuts the last backtick-separated field off *text and reads it as an
// integer. Offsets never hold a backtick, so this is right even when the
// fields before them hold backticks inside literals.
bool CutLastOffset(std::u16string_view* text, std::int32_t* offset);
// Cuts the n offsets (at most BlockHead::kMaxOffsets) the block matcher
// appended to the head row at offset: *text becomes the text before them and
// out[0..n-1] the offsets from left to right. A row of the statement table is
// read once per thread; false when its offsets cannot be read.
bool ReadHeadOffsets(THensuFmt& context, std::int32_t offset, int n, std::u16string_view* text,
                     std::int32_t* out);
// ReadHeadOffsets, inline for a head this thread has read before.
inline bool HeadOffsets(THensuFmt& context, std::int32_t offset, int n, std::u16string_view* text,
                        std::int32_t* out) {
  const std::size_t at = static_cast<std::size_t>(offset);
  // Negative offsets and indexes turn into sizes no table has.
  const auto index =
      static_cast<std::size_t>(static_cast<std::int64_t>(context.baseIndex) + offset);
  const Interpreter& interp = *context.interp;
  const std::vector<BlockHead>& heads = interp.records[context.recordIndex].blockHeads;
  if (n <= BlockHead::kMaxOffsets && at < context.stmtTexts.size() && index < heads.size() &&
      index < interp.table.StmtTexts.size()) {
    const std::u16string& row = context.stmtTexts[at];
    const BlockHead& kept = heads[index];
    // Only the statement table's own rows are kept: a body may run other texts.
    if (row.data() == interp.table.StmtTexts[index].data() && kept.headLength != 0 &&
        kept.headLength <= row.size()) {
      *text = std::u16string_view(row).substr(0, kept.headLength - 1);
      for (int i = 0; i < n; ++i) out[i] = kept.offsets[i];
      return true;
    }
  }
  return ReadHeadOffsets(context, offset, n, text, out);
}
// Splits text at the backticks outside literals into exactly n fields; when
// that fails (an unbalanced quote), at every backtick.
bool SplitFields(std::u16string_view text, std::size_t n, std::u16string_view* fields);

// The text of the row at curOffset (empty outside the body).
std::u16string_view RowText(const THensuFmt& context, std::int32_t offset);
// The kind of the row at offset in this thread's record, or -1.
std::int32_t RowKind(THensuFmt& context, std::int32_t offset);
// A target offset that lies inside the body, after the head.
inline bool TargetInBody(const THensuFmt& context, std::int32_t head, std::int32_t target) {
  return target > head && static_cast<std::size_t>(target) < context.stmtTexts.size();
}
// A head text that cannot be read: its marker's message, or prefix + "SyntaxError".
void ReportBadHead(THensuFmt& context, const char16_t* prefix);
// An unexpected failure inside a handler, reported as prefix + message.
void ReportHandlerFailure(THensuFmt& context, const char16_t* prefix, const char* what);

// exitFlag, a pending BREAK or CONTINUE, or errorFlag: the part stops.
inline bool Stopping(const THensuFmt& context) {
  return context.exitFlag != 0 || context.breakCount > 0 || context.continueCount > 0 ||
         context.interp->run.errorFlag != 0;
}
// A stop request seen between rows (a loop with an empty body never reaches
// the executor's own test): FINALLY parts under OPTION OPTFINALLY, exitFlag.
bool AbortRequested(THensuFmt& context);
// Runs the row at curOffset. A row that did not advance without any reason to
// stop (it cannot run in this thread) ends the body rather than spinning.
void RunRow(THensuFmt& context);
// The debugger's stop before a row that executes nothing (NEXT, CASE, ...).
void HookAt(THensuFmt& context, std::int32_t offset);

// Evaluates a condition at the current row. False when the handler must
// return at once: the error was reported, or a TRY took it and moved curOffset.
inline bool EvaluateCondition(THensuFmt& context, std::u16string_view text, bool* truth) {
  Value value;
  if (!Evaluate(text, context, &value, true)) return false;
  // A comparison, the common condition, gives a Boolean.
  *truth = value.IsBoolean() ? value.AsBoolean() : IsTrue(value, context.interp->options);
  return true;
}

// Rows from..to-1 are skipped by a jump: the WITH blocks they close are
// closed. A WITH row among them opens a block that never ran.
void UnwindWith(THensuFmt& context, std::int32_t from, std::int32_t to);
// A loop at head, closed at closer, is being left or continued with a jump:
// WITH blocks up to the closer close, and TRY entries opened inside the loop
// that are still open are dropped.
void UnwindLoopRest(THensuFmt& context, std::int32_t head, std::int32_t closer);
// The end of every loop handler: one BREAK level taken, curOffset on the
// closer. When an error taken by a TRY moved curOffset past the closer, the
// loop only steps back so that its caller's step lands where the TRY left it.
void FinishLoop(THensuFmt& context, std::int32_t head, std::int32_t closer);

// Blocks nest by recursion: false (after a report) when the stack has no
// room for one more, rather than letting it overflow.
bool ReportNoRoomForBlock(THensuFmt& context);
inline bool RoomForBlock(THensuFmt& context) {
  return !os::StackIsLow(os::StackUse::kBlock) || ReportNoRoomForBlock(context);
}

// The jump of the row being run was cancelled (an error in a FINALLY part it
// ran was taken by an EXCEPT): RunRow clears the pending counts when the row
// returns with curOffset at landing. A null context forgets it.
void CancelPendingJump(const THensuFmt* context, std::int32_t landing);

}  // namespace blocks
}  // namespace zelk
