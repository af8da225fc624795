// The interpreter (TUScript): the statement table and name tables of one run,
// the global context, the run words, the script's options and the per-thread
// records. One lives as long as the program; every run prepares it anew.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "foundation/hashed_str_list.h"
#include "frontend/assembly.h"
#include "frontend/preprocess.h"
#include "frontend/registrar.h"
#include "frontend/statement_table.h"
#include "runtime/calls/builtin_library.h"
#include "runtime/calls/com_events.h"
#include "runtime/calls/dll_state.h"
#include "runtime/core/block_heads.h"
#include "runtime/core/context.h"
#include "runtime/core/debug_watch.h"
#include "runtime/core/file_table.h"
#include "runtime/core/frame_store.h"
#include "runtime/core/run_host.h"
#include "runtime/core/value.h"
#include "runtime/expr/token_cache.h"
#include "runtime/threads/main_thread_calls.h"
#include "runtime/threads/script_threads.h"

namespace zelk {

// Run states of the run-state word.
enum RunState : int { kRunIdle = 0, kRunRunning = 2, kRunPaused = 3 };

// What OPTION rows set for one run; everything starts afresh with each run.
struct ScriptOptions {
  bool explicitDeclarations = false;  // EXPLICIT
  bool sameStr = false;               // SAMESTR: comparisons honour case
  bool optPublic = false;             // OPTPUBLIC
  bool optFinally = false;            // OPTFINALLY
  bool specialChar = false;           // SPECIALCHAR: plain <#CR> forms stay
  bool shortCircuit = false;          // SHORTCIRCUIT
  bool onlySapi = false;
  bool roundValue = false;  // ROUNDVALUE: no 15-digit rounding
  bool dlgNoForm = false;
  bool fixBalloon = false;
  std::u16string dialogTitle;    // DLGTITLE, special characters expanded; "" the default
  int logMode = 0;               // LOGFILE
  std::u16string logPath;        // LOGPATH, resolved; "" the configured log
  int logLines = 0;              // LOGLINES; 0: the configured limit
  std::u16string savedLogLines;  // the limit before the first LOGLINES, as text
  // DEFAULTFONT: the script dialogs' font for this run.
  bool dialogFontSet = false;
  std::u16string dialogFontName;
  int dialogFontSize = 0;
  // POSITION: the stop form's place (the print window follows it).
  bool positionSet = false;
  int positionX = 0;
  int positionY = 0;
};

// The '=' of an assignment row, found once: the 0-based position, with
// kPlainTarget set when the target is a plain name, the blanks on each side
// of it, and the length of the row's text it was found in (kNoSplit: not
// yet). Twelve bytes a row: a million-row table keeps one per row.
struct AssignSplit {
  static constexpr std::uint32_t kNoSplit = UINT32_MAX;
  static constexpr std::uint32_t kPlainTarget = 0x80000000u;
  std::uint32_t length = kNoSplit;
  std::uint32_t position = 0;
  std::uint16_t blanksBefore = 0;
  std::uint16_t blanksAfter = 0;
};

// Per-thread record: slot 0 the main thread, 1..64 script threads. Each has
// its own copy of the kind codes (rows are classified on first execution) and
// its own token cache.
struct ThreadRecord {
  std::vector<std::int32_t> kinds;
  std::vector<std::unique_ptr<TokenList>> tokens;  // per statement index
  std::vector<AssignSplit> splits;                 // per statement index
  // Per statement index: 1 once an expression has been evaluated there
  // without a token list. Lists are recorded from a row's second evaluation
  // on, so rows that run only once keep no tokens. An index beyond the
  // vector records at once.
  std::vector<std::uint8_t> evaluated;
  // COM failures of this thread: ignored after COM_ERR_IGN; COM_ERR_FLG.
  std::uint8_t comErrIgnore = 0;
  std::uint8_t comErrFlag = 0;
  // Variable storage of this thread's calls, reused from call to call; it
  // outlives a run.
  FrameStore frames;
  // Per statement index, filled as block heads first run (sized on first use).
  std::vector<BlockHead> blockHeads;
  void Size(int rows) {
    blockHeads.clear();
    kinds.assign(static_cast<std::size_t>(rows), 0);
    tokens.clear();
    tokens.resize(static_cast<std::size_t>(rows));
    splits.assign(static_cast<std::size_t>(rows), AssignSplit{});
    evaluated.assign(static_cast<std::size_t>(rows), 0);
    comErrIgnore = 0;
    comErrFlag = 0;
  }
};

inline constexpr int kThreadRecords = 65;

// The pre-run check's tests, used instead of reading names, calling and
// reading COM members while the check phase is on. The checker installs them;
// each reports its own errors. Without them names count as Byte 1 and calls
// and member reads as Byte 1, untested.
struct CheckPhaseTests {
  // The placeholder value of a name (Byte 1, or a special name's value).
  Value (*name)(std::u16string_view name, THensuFmt& context) = nullptr;
  void (*call)(std::u16string_view callText, THensuFmt& context) = nullptr;
  void (*comMember)(std::u16string_view text, THensuFmt& context) = nullptr;
};

// The run words: the state of the current run that every part of the
// interpreter reads and the debugger watches from another thread.
struct RunWords {
  std::atomic<int> runState{kRunIdle};
  std::atomic<int> abortLevel{0};
  std::atomic<std::uint8_t> errorFlag{0};
  bool exitExitFlag = false;
  int exitCode = 0;
  bool checkPhase = false;  // the pre-run check is walking the definitions
  CheckPhaseTests checkPhaseTests;
  // Main thread only: milliseconds between the last built-in call's return
  // and the start of the current one (0..999), and that return's tick count.
  int lastCallGap = 0;
  std::uint64_t lastCallReturnTick = 0;
  // Set while the debugger evaluates a text of its own (a watch, a
  // breakpoint's condition): errors are written here instead of being shown
  // or handed to a TRY, and only end that evaluation.
  std::u16string* quietErrors = nullptr;
};

// What the run's declarations add to the global scope besides variables.
struct GlobalDeclarations {
  std::vector<std::uint8_t> privateFlags;      // per global variable: module-level DIM
  std::vector<std::uint8_t> hashPrivateFlags;  // per global hash table: module-level HASHTBL
  TUHashedStrList constNames{false};
  std::vector<Value> constValues;
  TUHashedStrList textBlockNames{false};
  std::vector<std::u16string> textBlockTexts;
  // DEF_DLL declarations: names (MODULE.NAME inside a module) and, at the
  // same position, the declaration text with "[ ]" written "[]".
  TUHashedStrList dllNames{false};
  std::vector<std::u16string> dllDeclarations;
};

// The print-line buffer: the print window's lines, oldest first, at most
// Interpreter::PrintLineLimit() of them; windowLines counts what the window holds.
struct PrintBuffer {
  std::deque<std::u16string> lines;
  int windowLines = 0;
};

class Interpreter {
 public:
  Interpreter();
  ~Interpreter();
  Interpreter(const Interpreter&) = delete;
  Interpreter& operator=(const Interpreter&) = delete;

  // The program around the run; a console host unless the debugger sets its own.
  RunHost& host() { return *host_; }
  void setHost(RunHost* host) { host_ = host; }
  // The built-in library the program installed; none knows no built-in.
  const BuiltinLibrary& builtins() const { return *builtins_; }
  void setBuiltins(const BuiltinLibrary* library) { builtins_ = library ? library : &NoBuiltins(); }

  // Front end.
  ScriptAssembly assembly;
  StatementTable table;
  DefinitionTables definitions;
  FrontEndErrors frontEndErrors;
  Preprocessor preprocessor{table, definitions, frontEndErrors};

  // Global scope: the main program's context and the interpreter-wide tables.
  THensuFmt global{*this, false};
  GlobalDeclarations declared;
  // Global variables and hash tables; re-entrant for the thread that holds it.
  std::recursive_mutex variableLock;
  // Script threads alive. While it is 0 the main thread alone touches the
  // global tables and may skip variableLock; raised before a thread starts,
  // lowered after its last variable access.
  std::atomic<int> scriptThreadsRunning{0};
  // Whether the calling thread may touch the global tables without the lock.
  bool SoleThread() const { return scriptThreadsRunning.load(std::memory_order_acquire) == 0; }

  ThreadRecord records[kThreadRecords];
  // Serialises the print-line buffer, the host's output and its error display
  // between threads.
  std::recursive_mutex hostLock;

  PrintBuffer print;
  // The script's open files; the run's clean-up frees them unwritten.
  FileTable files;
  // DEF_DLL libraries and prepared declarations; the run's clean-up frees them.
  DllState dll;
  // OPTION LOGLINES for this run, else the configured log line limit.
  int PrintLineLimit() const;

  RunWords run;
  ScriptOptions options;
  // Rows whose execution calls the host's debug hook.
  DebugWatch debugWatch;
  // Work script threads hand to the main thread.
  MainThreadCalls mainCalls{debugWatch};

  // Script parameters of the run (PARAM_STR of the main program).
  std::vector<std::u16string> scriptParams;

  // The thread record of the calling thread (0 on the main thread).
  ThreadRecord& RecordOf(const THensuFmt& context) { return records[context.recordIndex]; }
  bool IsMainThread() const;
  void SetMainThread();
  // Forgets everything of the last run; preprocessing calls it first.
  void ResetForRun();
  // After preprocessing: the main thread's record takes the table's kind
  // codes, which the executor refines as rows are first run.
  void TakeStatementKinds();

  // OLEEVENT's connections; the run's clean-up disconnects them.
  EventSinks eventSinks;

  // The script threads; after the tables they use, so that they end first.
  ScriptThreads threads{*this};

 private:
  RunHost* host_;
  const BuiltinLibrary* builtins_ = &NoBuiltins();
  std::unique_ptr<DeclarationSink> declarationSink_;
  std::atomic<std::uintptr_t> mainThread_{0};
};

}  // namespace zelk
