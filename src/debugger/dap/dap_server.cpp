#include "debugger/dap/dap_server.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "base/text_scan.h"
#include "base/utf.h"
#include "debugger/breakpoint_lines.h"
#include "debugger/dap/message_reader.h"
#include "debugger/debug_engine.h"
#include "debugger/variable_view.h"
#include "foundation/text_file.h"
#include "platform/platform.h"
#include "runtime/control/execute.h"
#include "runtime/core/interpreter.h"
#include "runtime/core/run_host.h"
#include "runtime/driver/run_driver.h"

namespace zelk::dap {
namespace {

using json = nlohmann::json;

std::string U8(std::u16string_view text) {
  return TextToUtf8(text);
}
std::u16string U16(const std::string& text) {
  return Utf8ToText(text);
}

// A string member of a JSON object, or "" when it is missing or no string.
std::string StringOf(const json& object, const char* key) {
  if (!object.is_object()) return "";
  auto it = object.find(key);
  return it != object.end() && it->is_string() ? it->get<std::string>() : "";
}

std::optional<std::int64_t> IntegerOf(const json& object, const char* key) {
  if (!object.is_object()) return std::nullopt;
  auto it = object.find(key);
  if (it == object.end() || !it->is_number()) return std::nullopt;
  return it->get<std::int64_t>();
}

// Thread ids are the thread records plus one: 1 the main thread, 2 script
// thread 0, and so on.
int ThreadOf(const json& args) {
  const std::int64_t id = IntegerOf(args, "threadId").value_or(0);
  return id >= 1 && id <= kThreadRecords ? static_cast<int>(id - 1) : -1;
}

bool FlagOf(const json& object, const char* key) {
  if (!object.is_object()) return false;
  auto it = object.find(key);
  return it != object.end() && it->is_boolean() && it->get<bool>();
}

// The dialog's CR line breaks become the client's.
std::string Lines(std::u16string_view text) {
  std::string out = U8(text);
  std::string fixed;
  for (std::size_t i = 0; i < out.size(); ++i) {
    if (out[i] == '\r') {
      fixed += '\n';
      if (i + 1 < out.size() && out[i + 1] == '\n') ++i;
    } else {
      fixed += out[i];
    }
  }
  return fixed + "\n";
}

// Paths compare as the file system names them, ignoring case and separator.
std::u16string PathKey(const std::u16string& path) {
  std::u16string key = UpperAscii(os::RealPath(path));
  for (char16_t& c : key) {
    if (c == u'/') c = u'\\';
  }
  return key;
}

const char* ReasonName(StopReason reason) {
  switch (reason) {
    case StopReason::kEntry:
      return "entry";
    case StopReason::kStep:
      return "step";
    case StopReason::kBreakpoint:
      return "breakpoint";
    case StopReason::kPause:
      return "pause";
    case StopReason::kException:
      return "exception";
  }
  return "step";
}

// What a variablesReference stands for while the run is paused.
struct Handle {
  enum class Kind { kScope, kVariable, kArrayValue };
  Kind kind = Kind::kScope;
  int frame = 0;
  bool global = false;
  VariableRow row;  // kVariable
  Value array;      // kArrayValue
};

class Session final : public RunHost, public DebugFrontEnd {
 public:
  Session(Interpreter& interp, const WriteBytes& write)
      : interp_(interp), write_(write), engine_(interp, *this) {
    interp_.setHost(this);
  }
  ~Session() override {
    StopAndJoin();
    interp_.setHost(nullptr);
  }

  // Returns false when the session is over.
  bool HandleMessage(const std::string& body);
  void InputEnded() { StopAndJoin(); }

  // RunHost
  void PrintLine(const std::u16string& text) override {
    Event("output", {{"category", "stdout"}, {"output", Lines(text)}});
  }
  void ShowError(const std::u16string& text) override {
    Event("output", {{"category", "stderr"}, {"output", Lines(text)}});
    engine_.ErrorStop(text);
  }
  bool AskAbort(const std::u16string& text) override {
    Event("output", {{"category", "stderr"}, {"output", Lines(text)}});
    return true;
  }
  void DebugHook(THensuFmt& context, bool atEnd) override { engine_.Hook(context, atEnd); }
  void SettleBeforeDialog() override {}
  void ShowErrorRow(THensuFmt& context) override { engine_.ErrorAt(context); }
  void ThreadStarted(int thread) override {
    engine_.ThreadStarted(thread);
    Event("thread", {{"reason", "started"}, {"threadId", thread + 1}});
  }
  void ThreadEnded(int thread) override {
    engine_.ThreadEnded(thread);
    Event("thread", {{"reason", "exited"}, {"threadId", thread + 1}});
  }
  void RunPrepared() override {
    engine_.RunPrepared();
    // A stop that came while the run was starting: its table is ready now,
    // and preprocessing forgot the stop.
    if (stopRequested_) engine_.Stop();
  }

  // DebugFrontEnd
  void Stopped(StopReason reason, const std::u16string& text) override {
    {
      std::lock_guard lock(handlesMutex_);
      handles_.clear();
    }
    json body = {{"reason", ReasonName(reason)},
                 {"threadId", engine_.StoppedThread() + 1},
                 {"allThreadsStopped", true}};
    if (!text.empty()) {
      body["text"] = U8(text);
      body["description"] = U8(text);
    }
    Event("stopped", body);
  }
  void Log(const std::u16string& text) override {
    Event("output", {{"category", "console"}, {"output", Lines(text)}});
  }

 private:
  void Send(json message) {
    std::lock_guard lock(writeMutex_);
    message["seq"] = ++seq_;
    const std::string body = message.dump(-1, ' ', false, json::error_handler_t::replace);
    write_("Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body);
  }
  void Event(const char* name, json body = json::object()) {
    Send({{"type", "event"}, {"event", name}, {"body", std::move(body)}});
  }
  void Respond(const json& request, json body = json::object()) {
    Send({{"type", "response"},
          {"request_seq", request.value("seq", 0)},
          {"command", StringOf(request, "command")},
          {"success", true},
          {"body", std::move(body)}});
  }
  void Fail(const json& request, const std::string& message) {
    Send({{"type", "response"},
          {"request_seq", request.is_object() ? request.value("seq", 0) : 0},
          {"command", request.is_object() ? StringOf(request, "command") : ""},
          {"success", false},
          {"message", message},
          {"body", {{"error", {{"id", 1}, {"format", message}}}}}});
  }

  void Initialize(const json& request);
  void Launch(const json& request, const json& args);
  void SetBreakpoints(const json& request, const json& args);
  void ConfigurationDone(const json& request);
  void Threads(const json& request);
  void StackTrace(const json& request, const json& args);
  void Scopes(const json& request, const json& args);
  void Variables(const json& request, const json& args);
  void SetVariable(const json& request, const json& args);
  void Evaluate(const json& request, const json& args);
  void RequestStop() {
    stopRequested_ = true;
    engine_.Stop();
  }
  void StopAndJoin();

  int NewHandle(Handle handle) {
    std::lock_guard lock(handlesMutex_);
    handles_.push_back(std::move(handle));
    return static_cast<int>(handles_.size());
  }
  std::optional<Handle> HandleOf(std::int64_t reference) {
    std::lock_guard lock(handlesMutex_);
    if (reference < 1 || static_cast<std::size_t>(reference) > handles_.size()) return std::nullopt;
    return handles_[static_cast<std::size_t>(reference - 1)];
  }
  // A variable as DAP shows it; composites get a handle for their children.
  json VariableJson(int frame, bool global, const VariableRow& row, std::size_t total);
  json ElementJson(int frame, bool global, const ElementRow& element);
  THensuFmt* ScopeContext(const Handle& handle);

  Interpreter& interp_;
  WriteBytes write_;
  DebugEngine engine_;
  std::mutex writeMutex_;
  std::int64_t seq_ = 0;

  // The launch: the script and how it runs.
  bool launched_ = false;
  std::u16string program_;
  std::vector<std::u16string> params_;
  bool stopOnEntry_ = false;
  int trace_ = kTraceOff;
  std::vector<std::u16string> fileKeys_;  // per file index
  std::vector<std::u16string> filePaths_;
  std::thread run_;
  std::atomic<bool> running_{false};
  std::atomic<bool> stopRequested_{false};

  std::mutex handlesMutex_;
  std::vector<Handle> handles_;
};

bool Session::HandleMessage(const std::string& body) {
  json request = json::parse(body, nullptr, false);
  if (request.is_discarded() || !request.is_object()) {
    Fail(json(), "The message is no JSON object");
    return true;
  }
  if (StringOf(request, "type") != "request") return true;  // responses to our requests: none sent
  const std::string command = StringOf(request, "command");
  const json noArgs = json::object();
  const json& args = request.contains("arguments") && request["arguments"].is_object()
                         ? request["arguments"]
                         : noArgs;
  try {
    if (command == "initialize") {
      Initialize(request);
    } else if (command == "launch") {
      Launch(request, args);
    } else if (command == "setBreakpoints") {
      SetBreakpoints(request, args);
    } else if (command == "setExceptionBreakpoints") {
      Respond(request, {{"breakpoints", json::array()}});
    } else if (command == "configurationDone") {
      ConfigurationDone(request);
    } else if (command == "threads") {
      Threads(request);
    } else if (command == "stackTrace") {
      StackTrace(request, args);
    } else if (command == "scopes") {
      Scopes(request, args);
    } else if (command == "variables") {
      Variables(request, args);
    } else if (command == "setVariable") {
      SetVariable(request, args);
    } else if (command == "evaluate") {
      Evaluate(request, args);
      // The response goes out before the run moves on, so that it comes
      // before the next stop's event.
    } else if (command == "continue") {
      Respond(request, {{"allThreadsContinued", true}});
      engine_.Continue();
    } else if (command == "next") {
      Respond(request);
      engine_.StepOver(ThreadOf(args));
    } else if (command == "stepIn") {
      Respond(request);
      engine_.StepIn(ThreadOf(args));
    } else if (command == "stepOut") {
      Respond(request);
      engine_.StepOut(ThreadOf(args));
    } else if (command == "pause") {
      Respond(request);
      engine_.Pause();
    } else if (command == "terminate") {
      RequestStop();
      Respond(request);
    } else if (command == "disconnect") {
      StopAndJoin();
      Respond(request);
      return false;
    } else {
      Fail(request, "Unknown request: " + command);
    }
  } catch (const std::exception& e) {
    Fail(request, std::string("The request could not be carried out: ") + e.what());
  }
  return true;
}

void Session::Initialize(const json& request) {
  Respond(request, {{"supportsConfigurationDoneRequest", true},
                    {"supportsConditionalBreakpoints", true},
                    {"supportsHitConditionalBreakpoints", true},
                    {"supportsLogPoints", true},
                    {"supportsSetVariable", true},
                    {"supportsEvaluateForHovers", true},
                    {"supportsTerminateRequest", true},
                    {"supportsStepBack", false},
                    {"supportsRestartRequest", false},
                    {"supportsFunctionBreakpoints", false},
                    {"supportsExceptionOptions", false},
                    {"supportsDelayedStackTraceLoading", false}});
}

void Session::Launch(const json& request, const json& args) {
  if (launched_) return Fail(request, "A script was launched already");
  const std::string cwd = StringOf(args, "cwd");
  if (!cwd.empty() && !os::SetCurrentFolder(U16(cwd))) {
    return Fail(request, "The folder cannot be entered: " + cwd);
  }
  const std::string program = StringOf(args, "program");
  if (program.empty()) return Fail(request, "launch needs a program: the script to run");
  program_ = U16(program);
  if (!os::FileExists(program_)) return Fail(request, "The script does not exist: " + program);
  program_ = os::RealPath(program_);
  if (args.contains("args") && args["args"].is_array()) {
    for (const json& a : args["args"]) {
      if (a.is_string()) params_.push_back(U16(a.get<std::string>()));
    }
  }
  stopOnEntry_ = FlagOf(args, "stopOnEntry");
  if (auto trace = IntegerOf(args, "trace")) {
    trace_ = static_cast<int>(std::clamp<std::int64_t>(*trace, -1, 10000));
  }
  // The files of the script, as the run will number them.
  ScriptAssembly& assembly = interp_.assembly;
  assembly.setMainPath(EnterScriptFolder(program_));
  if (!assembly.AssembleScript()) {
    return Fail(request, "The script could not be assembled: " + program);
  }
  // The main file is named as the run names it (relative to its folder).
  for (const TsvFileJyho& file : assembly.sourceFiles()) {
    const std::u16string path = filePaths_.empty() ? program_ : file.path;
    filePaths_.push_back(os::RealPath(path));
    fileKeys_.push_back(PathKey(path));
  }
  launched_ = true;
  Respond(request);
  Event("initialized");
}

void Session::SetBreakpoints(const json& request, const json& args) {
  const json source = args.value("source", json::object());
  const std::u16string path = U16(StringOf(source, "path"));
  const std::u16string key = PathKey(path);
  int file = -1;
  for (std::size_t i = 0; i < fileKeys_.size(); ++i) {
    if (fileKeys_[i] == key) file = static_cast<int>(i);
  }
  std::vector<std::u16string> lines;
  if (file >= 0) {
    int encoding = kEncodingDetect;
    LoadTextFile(filePaths_[static_cast<std::size_t>(file)], &lines, &encoding);
  }
  json result = json::array();
  std::vector<BreakpointRequest> breakpoints;
  const json requested = args.value("breakpoints", json::array());
  for (const json& bp : requested) {
    const std::int64_t line = IntegerOf(bp, "line").value_or(0);
    json answer = {{"verified", false}, {"line", line}};
    if (file < 0) {
      answer["message"] = "This file is not part of the launched script";
    } else {
      const int at = NextBreakpointLine(lines, static_cast<int>(line) - 1);
      if (at < 0) {
        answer["message"] = "No statement on or after this line";
      } else {
        answer["verified"] = true;
        answer["line"] = at + 1;
        answer["source"] = {{"path", U8(filePaths_[static_cast<std::size_t>(file)])}};
        breakpoints.push_back({at, U16(StringOf(bp, "condition")),
                               U16(StringOf(bp, "hitCondition")), U16(StringOf(bp, "logMessage"))});
      }
    }
    answer["id"] = static_cast<std::int64_t>(result.size()) + 1;
    result.push_back(answer);
  }
  if (file >= 0) engine_.SetBreakpoints(file, breakpoints);
  Respond(request, {{"breakpoints", result}});
}

void Session::ConfigurationDone(const json& request) {
  if (!launched_) return Fail(request, "configurationDone before launch");
  if (running_) return Respond(request);
  Respond(request);
  running_ = true;
  run_ = std::thread([this] {
    interp_.SetMainThread();
    engine_.RunStarting(stopOnEntry_);
    engine_.SetTrace(trace_);
    const int status = stopRequested_ ? kStoppedStatus : RunScriptFile(interp_, program_, params_);
    engine_.RunEnded();
    Event("exited", {{"exitCode", status}});
    Event("terminated");
    running_ = false;
  });
}

void Session::StopAndJoin() {
  RequestStop();
  if (run_.joinable()) run_.join();
}

void Session::Threads(const json& request) {
  json list = json::array();
  for (int thread : engine_.Threads()) {
    const std::string name = thread == 0 ? "main" : "thread " + std::to_string(thread - 1);
    list.push_back({{"id", thread + 1}, {"name", name}});
  }
  Respond(request, {{"threads", list}});
}

void Session::StackTrace(const json& request, const json& args) {
  const std::vector<Frame> frames = engine_.AllFrames();
  if (frames.empty()) return Fail(request, "The run is not paused");
  const int wanted = ThreadOf(args) >= 0 ? ThreadOf(args) : engine_.StoppedThread();
  json list = json::array();
  for (std::size_t k = 0; k < frames.size(); ++k) {
    const Frame& f = frames[k];
    if (f.thread != wanted) continue;
    json frame = {{"id", k + 1},
                  {"name", U8(f.name == u"__MAIN__" ? u"main" : f.name)},
                  {"line", f.where.line + 1},
                  {"column", 1}};
    if (f.where.file >= 0 && static_cast<std::size_t>(f.where.file) < filePaths_.size()) {
      const std::u16string& path = filePaths_[static_cast<std::size_t>(f.where.file)];
      frame["source"] = {{"name", U8(path.substr(path.find_last_of(u"\\/") + 1))},
                         {"path", U8(path)}};
    }
    list.push_back(frame);
  }
  Respond(request, {{"stackFrames", list}, {"totalFrames", list.size()}});
}

void Session::Scopes(const json& request, const json& args) {
  const int frame = static_cast<int>(IntegerOf(args, "frameId").value_or(1)) - 1;
  if (frame < 0 || static_cast<std::size_t>(frame) >= engine_.AllFrames().size()) {
    return Fail(request, "No such frame");
  }
  Handle local{Handle::Kind::kScope, frame, false, {}, {}};
  Handle global{Handle::Kind::kScope, frame, true, {}, {}};
  Respond(request, {{"scopes", json::array({{{"name", "Local"},
                                             {"variablesReference", NewHandle(local)},
                                             {"expensive", false}},
                                            {{"name", "Global"},
                                             {"variablesReference", NewHandle(global)},
                                             {"expensive", false}}})}});
}

THensuFmt* Session::ScopeContext(const Handle& handle) {
  if (handle.global) return &interp_.global;
  const std::vector<Frame> frames = engine_.AllFrames();
  if (handle.frame < 0 || static_cast<std::size_t>(handle.frame) >= frames.size()) return nullptr;
  return frames[static_cast<std::size_t>(handle.frame)].context;
}

json Session::VariableJson(int frame, bool global, const VariableRow& row, std::size_t total) {
  std::u16string name = row.name;
  if (const std::size_t cut = name.find_first_of(u"[-"); cut != std::u16string::npos) {
    name.resize(cut);
  }
  json v = {{"name", U8(name)}, {"value", U8(row.value)}, {"variablesReference", 0}};
  if (row.kind == kCompositeKind) {
    v["type"] = row.isHashTable ? "hash table" : "array";
    Handle handle{Handle::Kind::kVariable, frame, global, row, {}};
    v["variablesReference"] = NewHandle(handle);
    if (row.isHashTable) {
      v["namedVariables"] = total;
    } else {
      v["indexedVariables"] = total;
    }
  } else {
    v["type"] = U8(KindName(row.kind));
  }
  return v;
}

json Session::ElementJson(int frame, bool global, const ElementRow& element) {
  json v = {{"name", U8(element.name)},
            {"value", U8(FormatPrintValue(element.value, true))},
            {"type", U8(KindName(element.value.type()))},
            {"variablesReference", 0}};
  if (element.value.IsArray() && element.value.AsArray() != nullptr) {
    Handle handle{Handle::Kind::kArrayValue, frame, global, {}, element.value};
    v["variablesReference"] = NewHandle(handle);
    v["indexedVariables"] = element.value.AsArray()->items.size();
  }
  return v;
}

void Session::Variables(const json& request, const json& args) {
  const auto handle = HandleOf(IntegerOf(args, "variablesReference").value_or(0));
  if (!handle) return Fail(request, "No such variables reference (the run went on)");
  const std::size_t start =
      static_cast<std::size_t>(std::max<std::int64_t>(0, IntegerOf(args, "start").value_or(0)));
  const std::int64_t wanted = IntegerOf(args, "count").value_or(0);
  const std::size_t count = wanted > 0 ? static_cast<std::size_t>(wanted) : SIZE_MAX;
  json list = json::array();
  const bool ran = engine_.WhilePaused([&] {
    THensuFmt* context = ScopeContext(*handle);
    if (context == nullptr) return;
    std::size_t total = 0;
    switch (handle->kind) {
      case Handle::Kind::kScope:
        for (const VariableRow& row : VariableRows(*context)) {
          if (row.kind == kCompositeKind) ElementRows(*context, row, 0, 0, &total);
          list.push_back(VariableJson(handle->frame, handle->global, row, total));
        }
        break;
      case Handle::Kind::kVariable:
        for (const ElementRow& e : ElementRows(*context, handle->row, start, count, &total)) {
          list.push_back(ElementJson(handle->frame, handle->global, e));
        }
        break;
      case Handle::Kind::kArrayValue:
        for (const ElementRow& e : ArrayValueElements(handle->array, start, count, &total)) {
          list.push_back(ElementJson(handle->frame, handle->global, e));
        }
        break;
    }
  });
  if (!ran) return Fail(request, "The run is not paused");
  Respond(request, {{"variables", list}});
}

void Session::SetVariable(const json& request, const json& args) {
  const auto handle = HandleOf(IntegerOf(args, "variablesReference").value_or(0));
  if (!handle || handle->kind != Handle::Kind::kScope) {
    return Fail(request, "Only variables that hold one value can be changed");
  }
  const std::u16string name = U16(StringOf(args, "name"));
  const std::u16string text = U16(StringOf(args, "value"));
  std::string failure;
  json answer;
  const bool ran = engine_.WhilePaused([&] {
    THensuFmt* context = ScopeContext(*handle);
    if (context == nullptr) return;
    const std::vector<VariableRow> rows = VariableRows(*context);
    const VariableRow* row = nullptr;
    for (const VariableRow& r : rows) {
      if (!r.isHashTable && UpperAscii(r.name) == UpperAscii(name)) row = &r;
    }
    if (row == nullptr || row->kind == kCompositeKind) {
      failure = "Only variables that hold one value can be changed";
      return;
    }
    Value value;
    std::u16string message;
    if (!engine_.Evaluate(handle->frame, text, &value, &message)) {
      failure = U8(message);
      return;
    }
    if (!WriteVariable(*context, row->index, value)) {
      failure = "The variable cannot be changed";
      return;
    }
    answer = {{"value", U8(FormatPrintValue(value, true))}, {"type", U8(KindName(value.type()))}};
  });
  if (!ran) return Fail(request, "The run is not paused");
  if (!failure.empty()) return Fail(request, failure);
  Respond(request, answer);
}

void Session::Evaluate(const json& request, const json& args) {
  const int frame = static_cast<int>(IntegerOf(args, "frameId").value_or(1)) - 1;
  const std::u16string text = U16(StringOf(args, "expression"));
  std::string failure;
  json answer;
  const bool ran = engine_.WhilePaused([&] {
    Value value;
    std::u16string message;
    if (!engine_.Evaluate(frame, text, &value, &message)) {
      failure = U8(message);
      return;
    }
    answer = {{"result", U8(FormatPrintValue(value, true))},
              {"type", U8(KindName(value.type()))},
              {"variablesReference", 0}};
    if (value.IsArray() && value.AsArray() != nullptr) {
      answer["variablesReference"] =
          NewHandle(Handle{Handle::Kind::kArrayValue, frame, false, {}, value});
      answer["indexedVariables"] = value.AsArray()->items.size();
    }
  });
  if (!ran) return Fail(request, "Expressions are evaluated while the run is paused");
  if (!failure.empty()) return Fail(request, failure);
  Respond(request, answer);
}

}  // namespace

int Serve(Interpreter& interp, const ReadBytes& read, const WriteBytes& write) {
  Session session(interp, write);
  MessageReader reader;
  std::vector<char> buffer(64 * 1024);
  for (;;) {
    std::string body, error;
    const MessageReader::Result result = reader.Next(&body, &error);
    if (result == MessageReader::Result::kMessage) {
      if (!session.HandleMessage(body)) return 0;
      continue;
    }
    if (result == MessageReader::Result::kBadFrame) continue;  // skipped; the next may be fine
    const std::size_t got = read(buffer.data(), buffer.size());
    if (got == 0) break;
    reader.Feed(std::string_view(buffer.data(), got));
  }
  session.InputEnded();
  return 0;
}

}  // namespace zelk::dap
