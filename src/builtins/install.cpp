#include "builtins/install.h"

#include "builtins/builtin_family.h"
#include "builtins/builtins.h"
#include "builtins/constants/constants.h"
#include "runtime/core/interpreter.h"

namespace zelk {
namespace {

class Library final : public BuiltinLibrary {
 public:
  int Find(std::u16string_view name) const override { return FindBuiltin(name); }
  bool IsMath(int number) const override { return IsMathBuiltin(number); }
  Value Call(int number, std::u16string_view argumentText, THensuFmt& context,
             bool* failed) const override {
    return CallBuiltin(number, argumentText, context, failed);
  }
  Value CallMath(int number, std::u16string_view argumentText, THensuFmt& context,
                 bool* failed) const override {
    return CallMathBuiltin(number, argumentText, context, failed);
  }
  bool CheckCall(int number, std::u16string_view argumentText, THensuFmt& context) const override {
    return CheckBuiltinCall(number, argumentText, context);
  }
  bool ReadConstant(std::u16string_view name, double* number) const override {
    const BuiltinConstantTable::Entry* entry = BuiltinConstants().Find(name);
    if (entry) *number = entry->number;
    return entry != nullptr;
  }
  bool ReadNumericSpecial(std::u16string_view name, double* number) const override {
    double special = NumericSpecial(name);
    if (special == kNoNumericSpecial) return false;
    *number = special;
    return true;
  }
  std::u16string TextSpecial(std::u16string_view name, const Interpreter& interp) const override {
    return zelk::TextSpecial(name, &interp);
  }
  bool IsSpecialName(std::u16string_view name) const override { return zelk::IsSpecialName(name); }
};

}  // namespace

const BuiltinLibrary& Builtins() {
  static const Library library;
  return library;
}

void InstallBuiltins(Interpreter& interp) {
  interp.setBuiltins(&Builtins());
}

}  // namespace zelk
