// What the runtime needs from the built-in function library, which sits in
// the layer above it: the program installs the library into each interpreter
// (Interpreter::setBuiltins). Without one, no name is a built-in.
#pragma once

#include <string>
#include <string_view>

#include "runtime/core/context.h"
#include "runtime/core/value.h"

namespace zelk {

class Interpreter;

class BuiltinLibrary {
 public:
  virtual ~BuiltinLibrary() = default;

  // The built-in's number, or -1. Exact text: script text arrives upper-cased.
  virtual int Find(std::u16string_view name) const = 0;
  // Whether the math evaluator serves the built-in (up to three numbers).
  virtual bool IsMath(int number) const = 0;
  // Runs the built-in with the text between the call's parentheses; *failed
  // is set when the call reported an error.
  virtual Value Call(int number, std::u16string_view argumentText, THensuFmt& context,
                     bool* failed) const = 0;
  virtual Value CallMath(int number, std::u16string_view argumentText, THensuFmt& context,
                         bool* failed) const = 0;
  // The pre-run check of a call; reports the first error found, false then.
  virtual bool CheckCall(int number, std::u16string_view argumentText,
                         THensuFmt& context) const = 0;

  // A built-in constant, as the double scripts receive; false for any other name.
  virtual bool ReadConstant(std::u16string_view name, double* number) const = 0;
  // A live numeric special (screen size, cursor) or a constant.
  virtual bool ReadNumericSpecial(std::u16string_view name, double* number) const = 0;
  // The folder, window-marker and EMPTYPARAM names; "" for any other name.
  virtual std::u16string TextSpecial(std::u16string_view name, const Interpreter& interp) const = 0;
  // A constant, a numeric special or a text special.
  virtual bool IsSpecialName(std::u16string_view name) const = 0;
};

// The library of an interpreter nothing was installed into: it knows no name.
const BuiltinLibrary& NoBuiltins();

}  // namespace zelk
