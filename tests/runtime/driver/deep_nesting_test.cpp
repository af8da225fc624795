// Whole runs of scripts that nest deeper than a 2 MB stack (a script
// thread's) holds in every build: built-in and user calls in one expression,
// the same texts through EVAL, and defaults that call their own function.
// Each must end in a clear message at its line, never in a crash.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "foundation/text_file.h"
#include "platform/platform.h"
#include "platform/stack.h"
#include "runtime/driver/run_driver.h"
#include "support/interpreter_test.h"

namespace zelk {
namespace {

constexpr std::size_t kSmallStack = 2 << 20;
constexpr int kDepth = 20000;
const std::u16string kExpressionTooDeep = u"The expression is nested too deeply";

std::string Narrow(std::u16string_view s) {
  std::string out;
  for (char16_t c : s) out += c < 0x80 ? static_cast<char>(c) : '?';
  return out;
}

// NAME(NAME(...1...)) nested depth times.
std::u16string Nested(std::u16string_view name, int depth) {
  std::u16string text;
  for (int i = 0; i < depth; ++i) (text += name) += u'(';
  text += u'1';
  text.append(static_cast<std::size_t>(depth), u')');
  return text;
}

class DeepNestingTest : public InterpreterTest {
 protected:
  // Runs the script on a small stack; the exit status.
  int Run(const std::vector<std::u16string>& lines) {
    const std::u16string path = os::TempFolder() + u"\\zelk-deep-nesting-test.zls";
    EXPECT_TRUE(SaveTextFile(path, lines, kEncodingUtf8));
    int status = -1;
    os::RunOnThreadWithStack(kSmallStack, [&] {
      interp.SetMainThread();  // errors are shown by the main thread
      status = RunScriptFile(interp, path, {});
    });
    return status;
  }
  // The one error shown: its message, and the line it names.
  void ExpectError(std::u16string_view message, std::u16string_view line) {
    ASSERT_EQ(1u, host.errors.size());
    const std::u16string& shown = host.errors[0];
    EXPECT_TRUE(shown.starts_with(std::u16string(message) + u"\rat line " + std::u16string(line)))
        << Narrow(shown.substr(0, 200));
  }
};

TEST_F(DeepNestingTest, TheCheckStopsNestedCalls) {
  EXPECT_EQ(1, Run({u"PRINT " + Nested(u"ABS", kDepth)}));
  ExpectError(kExpressionTooDeep, u"1:");
  host.errors.clear();
  EXPECT_EQ(1, Run({u"X = 1", u"PRINT " + Nested(u"F", kDepth), u"FUNCTION F(x)", u"RESULT = x",
                    u"FEND"}));
  ExpectError(kExpressionTooDeep, u"2:");
  EXPECT_TRUE(host.printed.empty());
}

TEST_F(DeepNestingTest, EvalOfDeepTextIsCaught) {
  EXPECT_EQ(
      0, Run({u"S = \"" + Nested(u"ABS", kDepth) + u"\"", u"T = \"" + Nested(u"F", kDepth) + u"\"",
              u"TRY", u"  PRINT EVAL(S)", u"EXCEPT", u"  PRINT TRY_ERRMSG", u"ENDTRY", u"TRY",
              u"  PRINT EVAL(T)", u"EXCEPT", u"  PRINT TRY_ERRMSG", u"ENDTRY",
              u"PRINT EVAL(\"" + Nested(u"ABS", 20) + u"\")", u"FUNCTION F(x)", u"RESULT = x",
              u"FEND"}));
  EXPECT_TRUE(host.errors.empty()) << Narrow(host.errors.empty() ? u"" : host.errors[0]);
  ASSERT_EQ(3u, host.printed.size());
  EXPECT_EQ(kExpressionTooDeep, host.printed[0]);
  EXPECT_TRUE(host.printed[1] == kExpressionTooDeep ||
              host.printed[1].starts_with(u"Calls are nested too deeply"))
      << Narrow(host.printed[1]);
  EXPECT_EQ(u"1", host.printed[2]);
  // Without a TRY the run ends at the line.
  host.printed.clear();
  EXPECT_EQ(
      1, Run({u"S = \"" + Nested(u"ABS", kDepth) + u"\"", u"PRINT EVAL(S)", u"PRINT \"never\""}));
  ExpectError(kExpressionTooDeep, u"2:");
  EXPECT_TRUE(host.printed.empty());
}

TEST_F(DeepNestingTest, DefaultsCallingTheirOwnFunction) {
  // A passed argument leaves the default alone; the check must not loop.
  EXPECT_EQ(0, Run({u"PRINT F(5)", u"PRINT G(6)", u"FUNCTION F(a = F())", u"RESULT = a", u"FEND",
                    u"FUNCTION G(b = H())", u"RESULT = b", u"FEND", u"FUNCTION H(c = G())",
                    u"RESULT = c", u"FEND"}));
  EXPECT_TRUE(host.errors.empty()) << Narrow(host.errors.empty() ? u"" : host.errors[0]);
  EXPECT_EQ((std::vector<std::u16string>{u"5", u"6"}), host.printed);
  // The default used: an endless recursion at run time.
  host.printed.clear();
  EXPECT_EQ(1, Run({u"PRINT G()", u"FUNCTION G(b = H())", u"RESULT = b", u"FEND",
                    u"FUNCTION H(c = G())", u"RESULT = c", u"FEND"}));
  ASSERT_EQ(1u, host.errors.size());
  EXPECT_TRUE(host.errors[0].starts_with(u"Calls are nested too deeply (endless recursion?): "))
      << Narrow(host.errors[0]);
  EXPECT_TRUE(host.printed.empty());
}

}  // namespace
}  // namespace zelk
