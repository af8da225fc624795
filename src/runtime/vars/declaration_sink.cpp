// What the registrar hands over before the run, put where the runtime keeps
// it: text blocks, constants, PUBLIC and module variables, global hash
// tables, DEF_DLL declarations and OPTION settings.
#include "runtime/vars/declaration_sink.h"

#include <cmath>
#include <memory>
#include <mutex>
#include <string>

#include "base/text_scan.h"
#include "foundation/messages.h"
#include "foundation/script_log.h"
#include "foundation/settings.h"
#include "platform/platform.h"
#include "runtime/core/interpreter.h"
#include "runtime/expr/evaluate.h"
#include "runtime/vars/variables.h"
#include "runtime/vars/variables_internal.h"

namespace zelk {
namespace {

constexpr int kHashCaseCare = 0x1000;
constexpr int kHashSort = 0x2000;

std::u16string Decimal(long long n) {
  std::string digits = std::to_string(n);
  return std::u16string(digits.begin(), digits.end());
}

// One literal and nothing else: taken as written, whatever it holds.
bool IsSingleLiteral(std::u16string_view text) {
  return text.size() >= 2 && text.front() == u'"' && text.back() == u'"' &&
         text.substr(1, text.size() - 2).find(u'"') == std::u16string_view::npos;
}

class RuntimeDeclarationSink final : public DeclarationSink {
 public:
  explicit RuntimeDeclarationSink(Interpreter& interp) : interp_(interp) {}

  std::u16string DefineTextBlock(const std::u16string& name) override {
    return zelk::DefineTextBlock(interp_, name);
  }
  void SetTextBlockText(const std::u16string& name, const std::u16string& text) override {
    zelk::SetTextBlockText(interp_, name, text);
  }
  void SetModuleName(const std::u16string& name) override { interp_.global.moduleName = name; }
  std::u16string DefineConst(const std::u16string& text) override {
    return zelk::DefineConst(interp_, text);
  }
  std::u16string DeclareGlobal(const std::u16string& declaration, bool errorIfDefined,
                               bool isPrivate) override {
    return zelk::DeclareGlobal(interp_, declaration, errorIfDefined, isPrivate);
  }
  std::u16string DeclareGlobalHashTable(const std::u16string& declaration,
                                        bool isPrivate) override {
    return zelk::DeclareGlobalHashTable(interp_, declaration, isPrivate);
  }
  void RegisterDll(const std::u16string& name, const std::u16string& declaration) override {
    if (interp_.declared.dllNames.IndexOf(name) >= 0) return;
    interp_.declared.dllNames.Add(name);
    interp_.declared.dllDeclarations.push_back(declaration);
  }
  bool ApplyOption(const OptionSetting& setting) override;

  // A new run: the log goes back to the configured file and form. A log
  // buffer that belonged to an OPTION LOGPATH file is written there and
  // dropped, so that it never lands in the configured log.
  void ResetLogOptions() {
    if (logPathSet_) {
      FlushLog();
      ResetLog();
      logPathSet_ = false;
    }
    SetLogOptions(0, u"");
  }

 private:
  bool SetLogPath(const std::u16string& written);

  Interpreter& interp_;
  bool logPathSet_ = false;
};

bool RuntimeDeclarationSink::ApplyOption(const OptionSetting& setting) {
  ScriptOptions& options = interp_.options;
  switch (setting.name) {
    case OptionName::kExplicit:
      options.explicitDeclarations = true;
      break;
    case OptionName::kSameStr:
      options.sameStr = true;
      break;
    case OptionName::kOptPublic:
      options.optPublic = true;
      break;
    case OptionName::kOptFinally:
      options.optFinally = true;
      break;
    case OptionName::kSpecialChar:
      options.specialChar = true;
      break;
    case OptionName::kShortCircuit:
      options.shortCircuit = true;
      break;
    case OptionName::kOnlySapi:
      options.onlySapi = true;
      break;
    case OptionName::kRoundValue:
      options.roundValue = true;
      break;
    case OptionName::kDlgNoForm:
      options.dlgNoForm = true;
      break;
    case OptionName::kFixBalloon:
      options.fixBalloon = true;
      break;
    case OptionName::kTopStopForm:
    case OptionName::kNoStopHotkey:
      break;
    case OptionName::kDlgTitle:
      options.dialogTitle = ExpandSpecialChars(setting.text, options);
      break;
    case OptionName::kLogFile:
      options.logMode = setting.number;
      // Bit 4 of the mode empties the log buffer here.
      SetLogOptions(options.logMode, options.logPath);
      break;
    case OptionName::kLogPath:
      return SetLogPath(setting.text);
    case OptionName::kLogLines:
      // The limit before the run's first LOGLINES is what the end of the run restores.
      if (options.savedLogLines.empty()) options.savedLogLines = Decimal(interp_.PrintLineLimit());
      options.logLines = setting.number;
      break;
    case OptionName::kDefaultFont:
      options.dialogFontSet = true;
      options.dialogFontName = setting.text;
      options.dialogFontSize = setting.number;
      return setting.number >= 0;
    case OptionName::kPosition:
      // A position that cannot be read is ignored.
      if (setting.valid) {
        options.positionSet = true;
        options.positionX = setting.number;
        options.positionY = setting.number2;
      }
      break;
  }
  return true;
}

// The log rules: special folder names evaluated, a folder gets the log file's
// name. An empty result is refused.
bool RuntimeDeclarationSink::SetLogPath(const std::u16string& written) {
  std::u16string path;
  if (IsSingleLiteral(written)) {
    path = Unquote(written);
  } else if (UpperAscii(written).find(u"GET_") != std::u16string::npos) {
    Value value;
    if (!Evaluate(written, interp_.global, &value)) return false;
    path = value.Text();
  } else {
    path = Unquote(written);
  }
  path = Trim(path);
  if (path.empty()) return false;
  const std::u16string& fileName = AppPaths().logFileName;
  if (path.back() == u'\\' || path.back() == u'/') {
    path += fileName;
  } else if (os::FolderExists(path)) {
    path += u"\\" + fileName;
  }
  // Lines still pending belong to the old file.
  FlushLog();
  ResetLog();
  interp_.options.logPath = path;
  logPathSet_ = true;
  SetLogOptions(interp_.options.logMode, path);
  return true;
}

}  // namespace

std::unique_ptr<DeclarationSink> InstallDeclarationSink(Interpreter& interp) {
  auto sink = std::make_unique<RuntimeDeclarationSink>(interp);
  RuntimeDeclarationSink* raw = sink.get();
  interp.preprocessor.registrar().setDeclarationSink(raw);
  interp.preprocessor.AddResetHook([raw] { raw->ResetLogOptions(); });
  return sink;
}

std::u16string DeclareGlobalHashTable(Interpreter& interp, std::u16string_view declaration,
                                      bool isPrivate) {
  THensuFmt& main = interp.global;
  int eq = PosOutside(u"=", declaration, false, false);
  std::u16string name =
      Trim(declaration.substr(0, eq > 0 ? static_cast<std::size_t>(eq - 1) : declaration.size()));
  int flags = 0;
  if (eq > 0) {
    std::u16string optionsText = Trim(declaration.substr(static_cast<std::size_t>(eq)));
    Value value;
    if (!Evaluate(optionsText, main, &value)) return vars::EvaluationErrorMessage();
    double number = 0;
    if (!value.ToNumber(&number) || !std::isfinite(number) || number != std::floor(number) ||
        number < 0 || number > (kHashCaseCare | kHashSort) ||
        (static_cast<int>(number) & ~(kHashCaseCare | kHashSort)) != 0) {
      return optionsText + Msg(u": Specified is wrong", u"：指定が間違っています");
    }
    flags = static_cast<int>(number);
  }
  std::lock_guard<std::recursive_mutex> guard(interp.variableLock);
  int slot = main.hashNames.IndexOf(name);
  if (slot >= 0 && static_cast<std::size_t>(slot) < main.hashTables.size()) {
    // A table declared again is emptied and keeps its first options.
    main.hashTables[static_cast<std::size_t>(slot)]->Clear();
    return {};
  }
  main.hashNames.Add(name);
  main.hashTables.push_back(
      std::make_unique<TUZHash>((flags & kHashCaseCare) != 0, (flags & kHashSort) != 0));
  interp.declared.hashPrivateFlags.push_back(isPrivate ? 1 : 0);
  return {};
}

}  // namespace zelk
