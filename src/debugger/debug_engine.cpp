#include "debugger/debug_engine.h"

#include <chrono>

#include "base/text_scan.h"
#include "base/utf.h"
#include "foundation/messages.h"
#include "frontend/statement_table.h"
#include "platform/platform.h"
#include "runtime/control/blocks.h"
#include "runtime/control/execute.h"
#include "runtime/driver/run_driver.h"
#include "runtime/expr/evaluate.h"

namespace zelk {
namespace {

// How long the paused run sleeps between looks at its state when nobody
// wakes it (a window's handlers run inside ProcessMessages instead).
constexpr auto kPauseSlice = std::chrono::milliseconds(50);
constexpr int kTraceSlice = 50;

// Per thread of the run: inside the hook (a query may run there at once),
// and evaluating for the debugger (the rows it runs are not hooked).
thread_local int inHook = 0;
thread_local bool evaluating = false;

class Evaluating {
 public:
  Evaluating() : saved_(evaluating) { evaluating = true; }
  ~Evaluating() { evaluating = saved_; }
  Evaluating(const Evaluating&) = delete;
  Evaluating& operator=(const Evaluating&) = delete;

 private:
  bool saved_;
};

class InHook {
 public:
  InHook() { ++inHook; }
  ~InHook() { --inHook; }
  InHook(const InHook&) = delete;
  InHook& operator=(const InHook&) = delete;
};

// A row's reference with a 0-based line; line 0 (a header) is no line.
SourceLine LineOfReference(LineRef ref) {
  if (ref.empty() || ref.line <= 0) return {};
  return {ref.file, ref.line - 1};
}

// The routine a header row starts: "FUNCTION NAME(...)" gives NAME.
std::u16string RoutineName(std::u16string_view header) {
  header = TrimView(header);
  const std::size_t blank = header.find(u' ');
  if (blank == std::u16string_view::npos) return std::u16string(header);
  std::u16string_view rest = TrimView(header.substr(blank + 1));
  return std::u16string(TrimView(rest.substr(0, rest.find(u'('))));
}

}  // namespace

DebugEngine::DebugEngine(Interpreter& interp, DebugFrontEnd& front)
    : interp_(interp), front_(front) {}

DebugEngine::~DebugEngine() {
  interp_.debugWatch.SetEvery(false);
}

// --- interpreter side -------------------------------------------------------

void DebugEngine::RunStarting(bool stopOnEntry) {
  std::lock_guard lock(mutex_);
  step_ = stopOnEntry ? Step::kIn : Step::kNone;
  stepThread_ = -1;
  reporting_ = -1;
  stoppedThread_ = 0;
  threads_.clear();
  held_.clear();
  entryPending_ = stopOnEntry;
  stepBase_ = stepDepth_ = currentBase_ = -1;
  currentDepth_ = 0;
  current_ = {};
  prepared_ = false;
  rowLines_.clear();
  lineRows_.clear();
  frames_.clear();
  errorContext_ = nullptr;
  for (auto& [file, lines] : breakpoints_) {
    for (auto& [line, bp] : lines) bp.hits = 0;
  }
  UpdateWatch();
}

void DebugEngine::RunPrepared() {
  std::lock_guard lock(mutex_);
  const auto& refs = interp_.table.StmtLines;
  rowLines_.resize(refs.size());
  lineRows_.clear();
  for (std::size_t row = 0; row < refs.size(); ++row) {
    rowLines_[row] = LineOfReference(refs[row]);
    if (rowLines_[row].line >= 0) {
      lineRows_[{rowLines_[row].file, rowLines_[row].line}].push_back(
          static_cast<std::int32_t>(row));
    }
  }
  prepared_ = true;
  for (const auto& [file, lines] : breakpoints_) MarkRows(file);
}

void DebugEngine::RunEnded() {
  std::lock_guard lock(mutex_);
  prepared_ = false;
  step_ = Step::kNone;
  entryPending_ = false;
  frames_.clear();
  errorContext_ = nullptr;
  interp_.debugWatch.SetEvery(false);
}

SourceLine DebugEngine::LineOfRow(std::int32_t row) const {
  if (row < 0 || static_cast<std::size_t>(row) >= rowLines_.size()) return {};
  return rowLines_[static_cast<std::size_t>(row)];
}

bool DebugEngine::Stopping() const {
  return interp_.run.abortLevel > 0 || interp_.run.runState == kRunIdle;
}

void DebugEngine::ThreadStarted(int thread) {
  std::lock_guard lock(mutex_);
  threads_.push_back(thread);
}

void DebugEngine::ThreadEnded(int thread) {
  std::lock_guard lock(mutex_);
  std::erase(threads_, thread);
  // A step in a thread that has ended goes on wherever the run goes on.
  if (stepThread_ == thread) {
    stepThread_ = -1;
    if (step_ != Step::kNone) step_ = Step::kIn;
    stepBase_ = -1;
  }
}

std::vector<int> DebugEngine::Threads() const {
  std::lock_guard lock(mutex_);
  std::vector<int> list{0};
  list.insert(list.end(), threads_.begin(), threads_.end());
  return list;
}

int DebugEngine::StoppedThread() const {
  std::lock_guard lock(mutex_);
  return stoppedThread_;
}

void DebugEngine::Hook(THensuFmt& context, bool atEnd) {
  if (evaluating) return;
  InHook hooked;
  if (context.exitFlag != 0 || context.breakCount > 0 || context.continueCount > 0 ||
      interp_.run.errorFlag != 0 || interp_.run.abortLevel > 0) {
    return;
  }
  const std::int32_t row = context.Row();
  const auto& refs = interp_.table.StmtLines;
  const std::vector<std::int32_t>& kinds = interp_.RecordOf(context).kinds;
  // A one-line IF became several rows of one line: it stops once, at the
  // statement that runs.
  if (row >= 0 && static_cast<std::size_t>(row) + 1 < refs.size() &&
      static_cast<std::size_t>(row) < kinds.size() &&
      kinds[static_cast<std::size_t>(row)] == kKindIfb &&
      refs[static_cast<std::size_t>(row)] == refs[static_cast<std::size_t>(row) + 1]) {
    return;
  }
  StopReason reason = StopReason::kStep;
  std::u16string text;
  bool stop = CheckStop(context, atEnd, &reason, &text);
  front_.ProcessMessages();
  if (!stop && interp_.run.runState == kRunPaused && !Stopping()) {
    // The pause button (or another thread's stop): the thread stops at the
    // row it reached.
    std::lock_guard lock(mutex_);
    if (reporting_ < 0) {
      stepBase_ = atEnd ? -1 : context.baseIndex;
      stepDepth_ = context.callDepth;
      const SourceLine at = LineOfRow(row);
      if (at.line >= 0) current_ = at;
    }
    stop = true;
    reason = StopReason::kPause;
  }
  if (stop) {
    HoldStopped(context, reason, text);
  } else if (const int delay = traceDelay_.load(); delay != kTraceOff) {
    SourceLine at;
    {
      std::lock_guard lock(mutex_);
      at = LineOfRow(row);
    }
    // Rows without a source line are not traced.
    if (at.line >= 0) {
      if (delay >= 0) front_.TraceLine(at);
      front_.RefreshViews(context);
      TraceDelay(delay, context.recordIndex == 0);
    }
  }
  std::lock_guard lock(mutex_);
  UpdateWatch();
}

bool DebugEngine::CheckStop(THensuFmt& context, bool atEnd, StopReason* reason,
                            std::u16string* text) {
  std::unique_lock lock(mutex_);
  const std::int32_t base = context.baseIndex;
  const std::int32_t depth = context.callDepth;
  currentBase_ = base;
  currentDepth_ = depth;
  // A step goes on in its own thread; the others only meet breakpoints.
  const Step step =
      stepThread_ < 0 || stepThread_ == context.recordIndex ? step_.load() : Step::kNone;
  // Step Over runs through other bodies, and through deeper calls of its own
  // body (recursion), without stopping, breakpoints there included.
  if (step == Step::kOver && stepBase_ >= 0) {
    if (base != stepBase_ || depth > stepDepth_) return false;
    stepBase_ = -1;  // a row without a line still consumes the target
  }
  if (step == Step::kOut && depth >= stepDepth_) return false;
  const SourceLine at = LineOfRow(context.Row());
  if (at.line < 0) return false;  // rows without a source line never stop
  current_ = at;
  bool stop = false;
  if (step != Step::kNone) {
    stop = true;
    *reason = entryPending_ ? StopReason::kEntry : StopReason::kStep;
    entryPending_ = false;
  } else {
    auto file = breakpoints_.find(at.file);
    if (file != breakpoints_.end() && file->second.count(at.line)) {
      lock.unlock();
      stop = BreakpointStops(context, at, text);
      lock.lock();
      *reason = StopReason::kBreakpoint;
    }
  }
  if (stop) {
    stepBase_ = atEnd ? -1 : base;
    stepDepth_ = depth;
    step_ = Step::kNone;
    stepThread_ = -1;
  }
  return stop;
}

bool DebugEngine::BreakpointStops(THensuFmt& context, SourceLine at, std::u16string* text) {
  BreakpointRequest request;
  bool hitUnderstood = true;
  {
    std::lock_guard lock(mutex_);
    const Breakpoint& bp = breakpoints_[at.file][at.line];
    request = bp.request;
    hitUnderstood = request.hitCondition.empty() || bp.hit.has_value();
  }
  if (!request.condition.empty()) {
    Value value;
    std::u16string message;
    bool ok;
    {
      Evaluating quiet;
      ok = EvaluateQuietly(request.condition, context, &value, &message);
    }
    if (!ok) {
      *text =
          Msg(u"The breakpoint's condition failed: ", u"ブレークポイントの条件が評価できません: ") +
          request.condition + u": " + message;
      front_.Log(*text);
      return true;
    }
    if (!blocks::IsTrue(value, interp_.options)) return false;
  }
  {
    std::lock_guard lock(mutex_);
    Breakpoint& bp = breakpoints_[at.file][at.line];
    ++bp.hits;
    if (bp.hit && !bp.hit->StopsAt(bp.hits)) return false;
  }
  if (!hitUnderstood) {
    *text =
        Msg(u"The hit count is not understood: ", u"ヒット条件が不明です: ") + request.hitCondition;
    front_.Log(*text);
    return true;
  }
  if (!request.logMessage.empty()) {
    front_.Log(ExpandLogMessage(context, request.logMessage));
    return false;
  }
  return true;
}

// "text {expression} text": each braced part is replaced by the display text
// of its value, or by its error message.
std::u16string DebugEngine::ExpandLogMessage(THensuFmt& context, const std::u16string& message) {
  std::u16string out;
  std::size_t i = 0;
  while (i < message.size()) {
    const std::size_t open = message.find(u'{', i);
    const std::size_t close =
        open == std::u16string::npos ? std::u16string::npos : message.find(u'}', open + 1);
    if (close == std::u16string::npos) {
      out.append(message, i, std::u16string::npos);
      break;
    }
    out.append(message, i, open - i);
    Value value;
    std::u16string error;
    bool ok;
    {
      Evaluating quiet;
      ok = EvaluateQuietly(std::u16string_view(message).substr(open + 1, close - open - 1), context,
                           &value, &error);
    }
    out += ok ? FormatPrintValue(value, true) : u"<" + error + u">";
    i = close + 1;
  }
  return out;
}

void DebugEngine::HoldStopped(THensuFmt& context, StopReason reason, const std::u16string& text) {
  const int thread = context.recordIndex;
  bool report = false;
  {
    std::lock_guard lock(mutex_);
    // A thread that stops while the run is held with another's reported stop
    // waits silently, its frames after the reported ones; any other stop is
    // reported (also one that comes while the last stop's thread still leaves).
    report = !(reporting_ >= 0 && interp_.run.runState == kRunPaused);
    std::vector<Frame> frames = SnapshotFrames(context, report);
    if (report) {
      reporting_ = thread;
      stoppedThread_ = thread;
      frames_.insert(frames_.begin(), frames.begin(), frames.end());
    } else {
      frames_.insert(frames_.end(), frames.begin(), frames.end());
    }
    held_[thread] = Held{context.baseIndex, context.callDepth};
    ++holding_;
  }
  interp_.run.runState = kRunPaused;
  if (report) {
    front_.RefreshViews(context);
    front_.Stopped(reason, text);
  }
  PauseLoop(thread == 0);
  std::lock_guard lock(mutex_);
  --holding_;
  held_.erase(thread);
  std::erase_if(frames_, [&](const Frame& f) { return f.thread == thread; });
  if (reporting_ == thread) reporting_ = -1;
  UpdateWatch();
}

void DebugEngine::PauseLoop(bool mainThread) {
  std::unique_lock lock(mutex_);
  UpdateWatch();
  std::uint64_t seen = wakes_;
  for (;;) {
    while (!tasks_.empty()) {
      std::function<void()>* work = tasks_.front();
      tasks_.pop_front();
      lock.unlock();
      (*work)();
      lock.lock();
      *work = nullptr;  // done
      tasksDone_.notify_all();
    }
    if (interp_.run.runState != kRunPaused || interp_.run.abortLevel > 0) break;
    lock.unlock();
    front_.ProcessMessages();
    // Script threads may wait for the main thread (a dialog) while it is held.
    if (mainThread) interp_.mainCalls.Serve();
    lock.lock();
    // Every held thread sees each wake-up.
    if (wakes_ == seen && tasks_.empty()) wake_.wait_for(lock, kPauseSlice);
    seen = wakes_;
  }
}

void DebugEngine::TraceDelay(int ms, bool mainThread) {
  if (mainThread) interp_.mainCalls.Serve();
  if (ms <= 0) {
    front_.ProcessMessages();
    return;
  }
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  std::unique_lock lock(mutex_);
  std::uint64_t seen = wakes_;
  for (;;) {
    if (interp_.run.abortLevel > 0 || interp_.run.errorFlag != 0 ||
        interp_.run.runState == kRunPaused) {
      break;
    }
    const auto now = std::chrono::steady_clock::now();
    if (now >= until) break;
    lock.unlock();
    front_.ProcessMessages();
    if (mainThread) interp_.mainCalls.Serve();
    lock.lock();
    if (wakes_ == seen) {
      wake_.wait_for(lock, std::min<std::chrono::steady_clock::duration>(
                               until - now, std::chrono::milliseconds(kTraceSlice)));
    }
    seen = wakes_;
  }
  lock.unlock();
  front_.ProcessMessages();
}

void DebugEngine::ErrorAt(THensuFmt& context) {
  errorContext_ = &context;
}

void DebugEngine::ErrorStop(const std::u16string& message) {
  THensuFmt* context = errorContext_;
  errorContext_ = nullptr;
  if (context == nullptr || evaluating) return;
  {
    std::lock_guard lock(mutex_);
    const SourceLine at = LineOfRow(context->Row());
    if (at.line >= 0) current_ = at;
  }
  if (front_.HoldAtErrors()) {
    HoldStopped(*context, StopReason::kException, message);
    return;
  }
  {
    std::lock_guard lock(mutex_);
    frames_ = SnapshotFrames(*context, true);
    stoppedThread_ = context->recordIndex;
  }
  front_.RefreshViews(*context);
  front_.Stopped(StopReason::kException, message);
}

std::vector<Frame> DebugEngine::SnapshotFrames(THensuFmt& context, bool reported) const {
  std::vector<Frame> frames;
  const std::vector<std::u16string>& rows = interp_.table.StmtTexts;
  for (const THensuFmt* c = &context; c != nullptr; c = c->caller) {
    Frame frame;
    frame.context = const_cast<THensuFmt*>(c);
    frame.thread = context.recordIndex;
    const auto header = static_cast<std::size_t>(c->baseIndex);
    frame.name = header < rows.size() ? RoutineName(rows[header]) : u"";
    frame.where = c == &context && reported ? current_ : LineOfRow(c->Row());
    frames.push_back(std::move(frame));
  }
  return frames;
}

// --- controls ---------------------------------------------------------------

void DebugEngine::Resume(Step step, int thread) {
  std::lock_guard lock(mutex_);
  step_ = step;
  stepThread_ = -1;
  if (step != Step::kNone) {
    // The step starts where its thread is held.
    stepThread_ = thread >= 0 ? thread : stoppedThread_;
    auto held = held_.find(stepThread_);
    if (held != held_.end() && stepThread_ != reporting_) {
      stepBase_ = held->second.base;
      stepDepth_ = held->second.depth;
    }
  }
  if (interp_.run.runState == kRunPaused) interp_.run.runState = kRunRunning;
  ++wakes_;
  wake_.notify_all();
  UpdateWatch();
}

void DebugEngine::Continue() {
  Resume(Step::kNone, -1);
}
void DebugEngine::StepIn(int thread) {
  Resume(Step::kIn, thread);
}
void DebugEngine::StepOver(int thread) {
  Resume(Step::kOver, thread);
}
void DebugEngine::StepOut(int thread) {
  Resume(Step::kOut, thread);
}

void DebugEngine::Pause() {
  std::lock_guard lock(mutex_);
  if (interp_.run.runState != kRunRunning) return;
  step_ = Step::kNone;
  interp_.run.runState = kRunPaused;
  ++wakes_;  // a trace delay ends at once
  wake_.notify_all();
  UpdateWatch();
}

void DebugEngine::Stop() {
  StopRun(interp_);
  std::lock_guard lock(mutex_);
  step_ = Step::kNone;
  entryPending_ = false;
  ++wakes_;
  wake_.notify_all();
  UpdateWatch();
}

void DebugEngine::SetTrace(int delayMs) {
  traceDelay_ = delayMs;
  std::lock_guard lock(mutex_);
  ++wakes_;
  wake_.notify_all();
  UpdateWatch();
}

bool DebugEngine::Paused() const {
  std::lock_guard lock(mutex_);
  return holding_ > 0;
}

// Every row goes to the hook while a step, the pause, a trace or the first
// stop is pending; otherwise only breakpoint rows do. Called with the lock.
void DebugEngine::UpdateWatch() {
  interp_.debugWatch.SetEvery(step_ != Step::kNone || entryPending_ ||
                              traceDelay_.load() != kTraceOff ||
                              interp_.run.runState == kRunPaused);
}

// --- breakpoints ------------------------------------------------------------

void DebugEngine::SetBreakpoints(int file, const std::vector<BreakpointRequest>& requests) {
  std::lock_guard lock(mutex_);
  std::map<int, Breakpoint> lines;
  for (const BreakpointRequest& request : requests) {
    if (request.line < 0) continue;
    Breakpoint bp;
    bp.request = request;
    if (!request.hitCondition.empty())
      bp.hit = HitCondition::Parse(TextToUtf8(request.hitCondition));
    lines[request.line] = std::move(bp);
  }
  // Rows of lines that lose their breakpoint are cleared, those of the new
  // ones set.
  if (prepared_) {
    for (const auto& [line, bp] : breakpoints_[file]) {
      auto rows = lineRows_.find({file, line});
      if (rows == lineRows_.end()) continue;
      for (std::int32_t row : rows->second)
        interp_.debugWatch.SetRow(static_cast<std::size_t>(row), false);
    }
  }
  if (lines.empty()) {
    breakpoints_.erase(file);
  } else {
    breakpoints_[file] = std::move(lines);
  }
  if (prepared_) MarkRows(file);
}

// Called with the lock.
void DebugEngine::MarkRows(int file) {
  auto lines = breakpoints_.find(file);
  if (lines == breakpoints_.end()) return;
  for (const auto& [line, bp] : lines->second) {
    auto rows = lineRows_.find({file, line});
    if (rows == lineRows_.end()) continue;
    for (std::int32_t row : rows->second)
      interp_.debugWatch.SetRow(static_cast<std::size_t>(row), true);
  }
}

// --- queries ----------------------------------------------------------------

bool DebugEngine::WhilePaused(const std::function<void()>& work) {
  if (inHook > 0) {
    // A held thread (a front end's handler run at its stop): the run waits.
    if (!Paused()) return false;
    work();
    return true;
  }
  std::function<void()> task = work;
  std::unique_lock lock(mutex_);
  if (holding_ == 0) return false;
  tasks_.push_back(&task);
  ++wakes_;
  wake_.notify_all();
  tasksDone_.wait(lock, [&] { return !task; });
  return true;
}

std::vector<Frame> DebugEngine::Frames() const {
  std::lock_guard lock(mutex_);
  std::vector<Frame> frames;
  for (const Frame& f : frames_) {
    if (f.thread != stoppedThread_) break;
    frames.push_back(f);
  }
  return frames;
}

std::vector<Frame> DebugEngine::AllFrames() const {
  std::lock_guard lock(mutex_);
  return frames_;
}

bool DebugEngine::Evaluate(int frame, std::u16string_view text, Value* value,
                           std::u16string* message) {
  THensuFmt* context = nullptr;
  {
    std::lock_guard lock(mutex_);
    if (frame < 0 || static_cast<std::size_t>(frame) >= frames_.size()) {
      *message = Msg(u"The run is not paused", u"実行は一時停止していません");
      return false;
    }
    context = frames_[static_cast<std::size_t>(frame)].context;
  }
  Evaluating quiet;
  return EvaluateQuietly(text, *context, value, message);
}

}  // namespace zelk
