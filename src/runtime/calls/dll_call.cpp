// Calls of DEF_DLL functions: the declaration found, the arguments evaluated
// (array parameters passed by name) and padded to 64, laid out, the function
// called, its value converted and what it wrote given back to the script.
#include <optional>
#include <string>
#include <vector>

#include "base/text_scan.h"
#include "foundation/hashed_str_list.h"
#include "foundation/messages.h"
#include "platform/dll_call.h"
#include "runtime/calls/call_arguments.h"
#include "runtime/calls/call_target.h"
#include "runtime/calls/calls.h"
#include "runtime/calls/dll_arguments.h"
#include "runtime/calls/dll_state.h"
#include "runtime/core/interpreter.h"
#include "runtime/core/report_error.h"
#include "runtime/vars/variables.h"

namespace zelk {
namespace {

std::u16string Hex(std::uint32_t n) {
  static const char16_t digits[] = u"0123456789ABCDEF";
  std::u16string text(8, u'0');
  for (int i = 7; i >= 0; --i, n >>= 4) text[static_cast<std::size_t>(i)] = digits[n & 15];
  return text;
}

std::u16string FaultText(std::uint32_t code, const std::u16string& name) {
  const bool access = code == 0xC0000005u;
  if (JapaneseMessages()) {
    return u"DLL 関数 " + name +
           (access ? std::u16string(u" の中でアクセス違反が起きました")
                   : u" の中で例外 " + Hex(code) + u" が起きました");
  }
  return (access ? std::u16string(u"Access violation") : u"Exception " + Hex(code)) +
         u" in the DLL function " + name;
}

bool ReturnsText(int code) {
  return code == kDllString || code == kDllPChar || code == kDllWString || code == kDllPWChar;
}

// Array arguments travel through a context of their own, so that the
// language's rules for whole arrays and selected parts apply both ways.
class ArrayArguments {
 public:
  ArrayArguments(THensuFmt& caller, std::span<const std::u16string_view> texts)
      : caller_(caller), texts_(texts) {}

  bool Read(std::size_t argument, std::vector<Value>* elements) {
    if (!scratch_) scratch_.emplace(*caller_.interp, false);
    std::u16string name = Name(argument);
    if (!CopyArrayArgument(texts_[argument], caller_, *scratch_, name, false)) return false;
    const std::vector<Value>& items = Items(name);
    if (HoldsArrayValue(name)) {
      *elements = items[0].AsArray()->items;
    } else {
      *elements = items;
    }
    return true;
  }

  void WriteBack(const DllReadBack& entry, const os::DllAbi& abi) {
    std::u16string name = Name(entry.argument);
    std::vector<Value>& items = Items(name);
    if (HoldsArrayValue(name)) {
      ArrayCell* cell = items[0].MutableArray();
      for (std::size_t i = 0; i < entry.count && i < cell->items.size(); ++i) {
        cell->items[i] = DllReadBackValue(entry, abi, i);
      }
    } else {
      for (std::size_t i = 0; i < entry.count && i < items.size(); ++i) {
        items[i] = DllReadBackValue(entry, abi, i);
      }
    }
    CopyArrayArgument(texts_[entry.argument], caller_, *scratch_, name, true);
  }

 private:
  static std::u16string Name(std::size_t argument) {
    return std::u16string(u"DLLARRAY") + static_cast<char16_t>(u'A' + argument);
  }
  std::vector<Value>& Items(const std::u16string& name) {
    int v = scratch_->vars.names.IndexOf(name);
    return scratch_->vars.values[static_cast<std::size_t>(v)];
  }
  // A variable holding an array value rather than an array variable.
  bool HoldsArrayValue(const std::u16string& name) {
    int v = scratch_->vars.names.IndexOf(name);
    const std::vector<Value>& items = scratch_->vars.values[static_cast<std::size_t>(v)];
    return scratch_->vars.bounds[static_cast<std::size_t>(v)].empty() && items.size() == 1 &&
           items[0].IsArray();
  }

  THensuFmt& caller_;
  std::span<const std::u16string_view> texts_;
  std::optional<THensuFmt> scratch_;
};

Value Failed(std::u16string_view message, THensuFmt& context, bool* failed) {
  ReportError(message, context);
  if (failed) *failed = true;
  return Value::FailedByte();
}

}  // namespace

int FindDllDeclaration(const THensuFmt& context, std::u16string_view name) {
  const TUHashedStrList& names = context.interp->declared.dllNames;
  if (!context.moduleName.empty() && name.find(u'.') == std::u16string_view::npos) {
    int qualified = names.IndexOf(context.moduleName + u"." + std::u16string(name));
    if (qualified >= 0) return qualified;
  }
  return names.IndexOf(name);
}

Value CallDllFunction(int declaration, std::span<const std::u16string_view> argTexts,
                      std::span<Value> argValues, THensuFmt& context, bool* failed) {
  Interpreter& interp = *context.interp;
  const auto index = static_cast<std::size_t>(declaration);
  if (declaration < 0 || index >= interp.declared.dllDeclarations.size()) {
    return Failed(u"SyntaxError-25", context, failed);
  }
  const std::u16string& text = interp.declared.dllDeclarations[index];
  if (!os::DllCallsAvailable()) {
    std::u16string name(TrimView(std::u16string_view(text).substr(0, text.find_first_of(u"( :;"))));
    return Failed(
        Msg(u"DLL function ", u"DLL 関数 ") + name +
            Msg(u" is not available on this platform", u" はこのプラットフォームでは使えません"),
        context, failed);
  }
  std::shared_ptr<PreparedDll> prepared = interp.dll.Prepare(declaration, text);
  if (!prepared->error.empty()) return Failed(prepared->error, context, failed);
  const DllDeclaration& d = prepared->declaration;
  if (d.result.code == kDllUnknown) {
    return Failed(Msg(u"Definition of the return value of DLL is wrong",
                      u"DLLの戻り値の定義が間違っています"),
                  context, failed);
  }

  const os::DllAbi abi = os::NativeDllAbi();
  ArrayArguments arrays(context, argTexts);
  DllArguments arguments;
  DllLayout layout = LayOutDllArguments(
      d, abi, argTexts, argValues,
      [&](std::size_t a, std::vector<Value>* elements) { return arrays.Read(a, elements); },
      &arguments);
  switch (layout) {
    case DllLayout::kDone:
      break;
    case DllLayout::kUnfit:
      return Failed(Msg(u"DLL:Does not fit the type of the argument", u"DLL:引数の型が合いません"),
                    context, failed);
    case DllLayout::kStructureTooLarge:
      // A notice, not an error of the script: the call is left out.
      interp.host().ShowError(
          Msg(u"size of structure is up to 2048byte", u"構造体の大きさは2048バイトまでです"));
      return Value::FailedByte();
    case DllLayout::kReported:
      if (failed) *failed = true;
      return Value::FailedByte();
  }

  void* function = prepared->function.load(std::memory_order_acquire);
  if (!function) {
    void* library = interp.dll.libraries.Load(d.library);
    if (!library) return Failed(u"Not DLL: " + d.library, context, failed);
    function = os::FindLibraryFunction(library, d.exportName);
    if (!function) {
      if (ReturnsText(d.result.code)) return Value::Null();
      return Failed(u"Not DLL Function: " + d.name, context, failed);
    }
    prepared->function.store(function, std::memory_order_release);
  }

  os::NativeCallResult result;
  os::CallLibraryFunction(function, arguments.area, arguments.used, DllFloatReturn(d.result),
                          &result);
  if (result.fault != 0) {
    return Failed(u"KansuCall:" + FaultText(result.fault, d.name), context, failed);
  }
  Value value = arguments.variantResult ? DllVariantAt(arguments.variantResult, abi)
                                        : DllReturnValue(d.result, result, abi);

  for (const DllReadBack& entry : arguments.readBacks) {
    if (entry.kind == DllReadBack::kArray) {
      arrays.WriteBack(entry, abi);
    } else {
      SetValue(context, argTexts[entry.argument], DllReadBackValue(entry, abi, 0), false, true);
    }
    if (interp.run.errorFlag) {
      if (failed) *failed = true;
      break;
    }
  }
  return value;
}

Value RunDllFunction(const DllFunctionTarget& target, const CallSite& site, THensuFmt& context,
                     bool* failed) {
  Interpreter& interp = *context.interp;
  // The declared parameters; an array parameter ("[") takes the argument's name.
  std::vector<std::u16string_view> parameters;
  std::u16string declaration;
  if (static_cast<std::size_t>(target.declaration) < interp.declared.dllDeclarations.size()) {
    declaration = interp.declared.dllDeclarations[static_cast<std::size_t>(target.declaration)];
    std::u16string_view d = declaration;
    std::size_t from = d.find(u'(');
    std::size_t to = d.find(u')');
    if (from != std::u16string_view::npos && to != std::u16string_view::npos && to > from) {
      CutArguments(d.substr(from + 1, to - from - 1), &parameters);
    }
  }
  auto passedAsText = [&](std::size_t r) {
    return r < parameters.size() && parameters[r].find(u'[') != std::u16string_view::npos;
  };
  CallArguments arguments;
  if (!EvaluateArguments(site.arguments, site.mode, passedAsText, context, &arguments, failed)) {
    return Value::FailedByte();
  }
  // A DLL call always gets 64 arguments; missing ones are Byte 0.
  std::vector<std::u16string_view> texts(arguments.texts.span().begin(),
                                         arguments.texts.span().end());
  std::vector<Value> values(arguments.values.span().begin(), arguments.values.span().end());
  if (texts.size() < 64) texts.resize(64);
  if (values.size() < 64) values.resize(64, Value::FailedByte());
  return CallDllFunction(target.declaration, texts, values, context, failed);
}

}  // namespace zelk
