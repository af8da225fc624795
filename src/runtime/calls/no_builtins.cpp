#include "runtime/calls/builtin_library.h"

namespace zelk {
namespace {

class EmptyLibrary final : public BuiltinLibrary {
 public:
  int Find(std::u16string_view) const override { return -1; }
  bool IsMath(int) const override { return false; }
  Value Call(int, std::u16string_view, THensuFmt&, bool* failed) const override {
    if (failed) *failed = true;
    return Value::FailedByte();
  }
  Value CallMath(int number, std::u16string_view text, THensuFmt& context,
                 bool* failed) const override {
    return Call(number, text, context, failed);
  }
  bool CheckCall(int, std::u16string_view, THensuFmt&) const override { return false; }
  bool ReadConstant(std::u16string_view, double*) const override { return false; }
  bool ReadNumericSpecial(std::u16string_view, double*) const override { return false; }
  std::u16string TextSpecial(std::u16string_view, const Interpreter&) const override { return {}; }
  bool IsSpecialName(std::u16string_view) const override { return false; }
};

}  // namespace

const BuiltinLibrary& NoBuiltins() {
  static const EmptyLibrary library;
  return library;
}

}  // namespace zelk
