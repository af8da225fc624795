#include "runtime/core/interpreter.h"

#include "foundation/script_log.h"
#include "platform/dialogs.h"
#include "runtime/core/report_error.h"
#include "runtime/driver/console_host.h"
#include "runtime/vars/declaration_sink.h"

namespace zelk {
namespace {

ConsoleHost consoleHost;

// The address of a thread-local object tells live threads apart without
// hashing the thread id on every call.
std::uintptr_t CurrentThreadKey() {
  thread_local const char tag = 0;
  return reinterpret_cast<std::uintptr_t>(&tag);
}

}  // namespace

Interpreter::Interpreter() : host_(&consoleHost) {
  declarationSink_ = InstallDeclarationSink(*this);
  preprocessor.AddResetHook([this] { ResetForRun(); });
  // The main thread's caches are emptied with the table; TakeStatementKinds
  // sizes them once it is built, so that they are not held beside the block
  // matchers' index.
  preprocessor.AddRowCountHook([this](int) { records[0].Size(0); });
  frontEndErrors.setCallback([this](const std::u16string& message, const std::u16string&) {
    // The statement is the front end's current one, which the location shows.
    ReportFrontEndError(*this, message);
  });
  SetMainThread();
}

Interpreter::~Interpreter() = default;

void Interpreter::ResetForRun() {
  run.errorFlag = 0;
  run.abortLevel = 0;
  run.exitExitFlag = false;
  run.exitCode = 0;
  run.checkPhase = false;
  options = ScriptOptions{};
  global.vars.Clear();
  global.hashNames.Clear();
  global.hashTables.clear();
  global.tryErrMsg.clear();
  global.tryErrLine.clear();
  global.withTarget = Value();
  global.withStack.clear();
  // The old rows are about to go: nothing may point into them.
  global.stmtTexts = {};
  global.exitFlag = 0;
  global.breakCount = 0;
  global.continueCount = 0;
  global.curOffset = 0;
  global.baseIndex = 0;
  global.tryDepth = 0;
  global.tryErrFlag = 0;
  global.moduleName.clear();
  global.loopStack.clear();
  global.tryStack.clear();
  declared.privateFlags.clear();
  declared.hashPrivateFlags.clear();
  declared.constNames.Clear();
  declared.constValues.clear();
  declared.textBlockNames.Clear();
  declared.textBlockTexts.clear();
  declared.dllNames.Clear();
  declared.dllDeclarations.clear();
  dll.Clear();
  // No restart keeps the print window's text yet: every run starts it empty.
  print.lines.clear();
  print.windowLines = 0;
  // Hidden by LOGPRINT(FALSE) for one run only.
  os::AllowPrintWindow();
  for (auto& record : records) record.Size(0);
  SetMainThread();
}

void Interpreter::TakeStatementKinds() {
  // Declarations of a module are registered in it; the run starts outside.
  global.moduleName.clear();
  records[0].kinds = table.StmtKinds;
  records[0].tokens.clear();
  records[0].tokens.resize(table.StmtKinds.size());
  records[0].splits.assign(table.StmtKinds.size(), AssignSplit{});
  records[0].evaluated.assign(table.StmtKinds.size(), 0);
  debugWatch.SizeRows(table.StmtKinds.size());
}

int Interpreter::PrintLineLimit() const {
  return options.logLines > 0 ? options.logLines : LogLimit();
}

bool Interpreter::IsMainThread() const {
  return mainThread_.load() == CurrentThreadKey();
}

void Interpreter::SetMainThread() {
  mainThread_ = CurrentThreadKey();
}

}  // namespace zelk
