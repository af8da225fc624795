#include "runtime/vars/variables.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "foundation/date_time.h"
#include "foundation/messages.h"
#include "foundation/script_log.h"
#include "runtime/core/interpreter.h"
#include "support/interpreter_test.h"
#include "support/test_builtins.h"

namespace zelk {
namespace {

TEST(IndexesToIntegersTest, NumbersTruncatedTowardZero) {
  std::vector<std::int32_t> ints;
  ASSERT_TRUE(IndexesToIntegers({u"5", u"1.9", u"-1.5", u"", u"1E+2", u"$10", u" 7 "}, &ints));
  EXPECT_EQ((std::vector<std::int32_t>{5, 1, -1, 0, 100, 16, 7}), ints);
  ASSERT_TRUE(IndexesToIntegers({u"2147483647", u"-2147483648", u"-2100000000"}, &ints));
  EXPECT_EQ(-2100000000, ints[2]);  // the no-number mark of the conversion is a number too
}

TEST(IndexesToIntegersTest, NoNumberOrOutOfRangeFails) {
  std::vector<std::int32_t> ints;
  std::u16string failure;
  EXPECT_FALSE(IndexesToIntegers({u"1", u"abc"}, &ints, &failure));
  EXPECT_NE(std::u16string::npos, failure.find(u"abc"));
  EXPECT_FALSE(IndexesToIntegers({u"2147483648"}, &ints));
  EXPECT_FALSE(IndexesToIntegers({u"-1E+10"}, &ints));
  EXPECT_FALSE(IndexesToIntegers({u"True"}, &ints));
}

TEST(SizeFromInitializersTest, FirstBoundFromTheListLength) {
  std::u16string target = u"A[]";
  ASSERT_TRUE(SizeFromInitializers(&target, u"1, 2, 3"));
  EXPECT_EQ(u"A[2]", target);
  target = u"A[]";
  ASSERT_TRUE(SizeFromInitializers(&target, u"1, 2, 3,"));  // a trailing comma adds one
  EXPECT_EQ(u"A[3]", target);
  target = u"A[][2]";
  ASSERT_TRUE(SizeFromInitializers(&target, u"1,2,3,4,5,6,7"));
  EXPECT_EQ(u"A[2,2]", target);
  target = u"A[][1][1]";
  ASSERT_TRUE(SizeFromInitializers(&target, u"1,2,3,4"));
  EXPECT_EQ(u"A[0,1,1]", target);
  // Commas inside literals, calls and brackets do not count.
  target = u"A[ ]";
  ASSERT_TRUE(SizeFromInitializers(&target, u"\"a,b\", F(1, 2), B[1, 2]"));
  EXPECT_EQ(u"A[2]", target);
}

TEST(SizeFromInitializersTest, GivenFirstBoundOrBadLaterBound) {
  std::u16string target = u"A[5][2]";
  ASSERT_TRUE(SizeFromInitializers(&target, u"1, 2"));
  EXPECT_EQ(u"A[5][2]", target);
  target = u"A";
  ASSERT_TRUE(SizeFromInitializers(&target, u"1, 2"));
  EXPECT_EQ(u"A", target);
  for (const char16_t* bad : {u"A[2][]", u"A[][]", u"A[][-1]", u"A[][X]"}) {
    target = bad;
    EXPECT_FALSE(SizeFromInitializers(&target, u"1, 2"));
  }
}

TEST(CheckReservedTest, ReservedWords) {
  Interpreter interp;
  UseBuiltins(interp);  // TRUE and the G_ names come from the built-in library
  EXPECT_EQ(u"Is a reserved word: TRUE", CheckReserved(interp, u"TRUE"));
  EXPECT_EQ(u"Is a reserved word: g_time_zz2", CheckReserved(interp, u"g_time_zz2"));
  for (const char16_t* name :
       {u"NULL", u"NOTHING", u"EMPTY", u"FALSE", u"AND", u"OR", u"XOR", u"MOD", u"RESULT",
        u"TRY_ERRMSG", u"TRY_ERRLINE", u"COM_ERR_FLG", u"G_IMG_X", u"G_IMG_Y", u"G_TIME_YY",
        u"G_TIME_WW", u"G_TIME_YY4", u"G_TIME_NN2"}) {
    EXPECT_FALSE(CheckReserved(interp, name).empty());
  }
  EXPECT_EQ(u"", CheckReserved(interp, u"TRUEX"));
  EXPECT_EQ(u"", CheckReserved(interp, u"G_TIME"));
  EXPECT_EQ(u"", CheckReserved(interp, u"PARAM_STR"));
}

TEST(IsNumberValueTest, TextFormIsANumber) {
  EXPECT_TRUE(IsNumberValue(Value::Double(1e20), false, false));
  EXPECT_FALSE(IsNumberValue(Value::Double(1e20), false, true));  // 1E20 has no exponent sign
  EXPECT_TRUE(IsNumberValue(Value::String(u" 12 "), false, false));
  EXPECT_FALSE(IsNumberValue(Value::String(u" 12 "), true, false));
  EXPECT_FALSE(IsNumberValue(Value(), false, false));
  EXPECT_FALSE(IsNumberValue(Value::Boolean(true), false, false));
  EXPECT_FALSE(IsNumberValue(Value::ArrayOf({}), false, false));
}

// An interpreter with no script: the main context is the global scope, and a
// second context stands for a running function.
class VariablesTest : public InterpreterTest {
 protected:
  // The last error shown, and a clean slate for the next.
  std::u16string TakeError() {
    std::u16string last = host.errors.empty() ? u"" : host.errors.back();
    host.errors.clear();
    interp.run.errorFlag = 0;
    return last.substr(0, last.find(u'\r'));
  }
  std::u16string Text(THensuFmt& context, std::u16string_view name) {
    return GetValue(context, name).Text();
  }
  int Declare(THensuFmt& context, std::u16string_view declaration) {
    EXPECT_TRUE(CreateVariable(context, context.vars, declaration));
    return context.vars.names.IndexOf(declaration.substr(0, declaration.find(u'[')));
  }

  THensuFmt& main = interp.global;
  THensuFmt function{interp, true};
};

TEST_F(VariablesTest, FlatIndexIsRowMajorOverTheGivenIndices) {
  int v = Declare(main, u"A[2][3]");
  EXPECT_EQ(12u, main.vars.values[static_cast<std::size_t>(v)].size());
  EXPECT_EQ(0, FlatIndex(main, main.vars, v, {}));
  EXPECT_EQ(6, FlatIndex(main, main.vars, v, {1, 2}));
  EXPECT_EQ(11, FlatIndex(main, main.vars, v, {2, 3}));
  EXPECT_EQ(2, FlatIndex(main, main.vars, v, {2}));         // only the first n dimensions
  EXPECT_EQ(-1, FlatIndex(main, main.vars, v, {1, 1, 0}));  // a nested array
  EXPECT_EQ(u"", TakeError());
  EXPECT_EQ(-999999, FlatIndex(main, main.vars, v, {3, 0}));
  EXPECT_EQ(u"It exceeded array: A", TakeError());
  EXPECT_EQ(-999999, FlatIndex(main, main.vars, v, {0, -1}));
  EXPECT_EQ(u"It exceeded array: A", TakeError());

  int params = Declare(main, u"PARAM_STR[1]");
  EXPECT_EQ(-1, FlatIndex(main, main.vars, params, {5}));
  EXPECT_EQ(u"", TakeError());
}

TEST_F(VariablesTest, CreateVariableKeepsFlatPositions) {
  int v = Declare(function, u"A[3]");
  auto& elements = function.vars.values[static_cast<std::size_t>(v)];
  for (int i = 0; i < 4; ++i) elements[static_cast<std::size_t>(i)] = Value::Double(i);
  EXPECT_EQ(v, Declare(function, u"A[1][2]"));
  EXPECT_EQ((std::vector<std::int32_t>{1, 2}), function.vars.bounds[static_cast<std::size_t>(v)]);
  ASSERT_EQ(6u, function.vars.values[static_cast<std::size_t>(v)].size());
  EXPECT_EQ(u"3", Text(function, u"A[1][0]"));
  EXPECT_TRUE(GetValue(function, u"A[1][2]").IsEmpty());
  EXPECT_EQ(v, Declare(function, u"A[1]"));
  EXPECT_EQ(u"1", Text(function, u"A[1]"));
  // A plain declaration of an existing name changes nothing.
  EXPECT_EQ(v, Declare(function, u"A"));
  EXPECT_EQ(2u, function.vars.values[static_cast<std::size_t>(v)].size());
  // Bounds are expressions.
  SetValue(function, u"N", Value::Double(4));
  int w = Declare(function, u"B[N - 1, N]");
  EXPECT_EQ((std::vector<std::int32_t>{3, 4}), function.vars.bounds[static_cast<std::size_t>(w)]);
  EXPECT_EQ(u"", TakeError());
}

TEST_F(VariablesTest, CreateVariableRefusesBadBounds) {
  EXPECT_FALSE(CreateVariable(function, function.vars, u"A[-2]"));
  EXPECT_EQ(u"Index of the array is wrong", TakeError());
  EXPECT_FALSE(CreateVariable(function, function.vars, u"A[100000][100000]"));
  EXPECT_EQ(u"Index of the array is wrong", TakeError());
  EXPECT_FALSE(CreateVariable(function, function.vars, u"A[\"x\"]"));
  EXPECT_EQ(u"Analysis: 'x' is not a valid index", TakeError());
  EXPECT_EQ(-1, function.vars.names.IndexOf(u"A"));
  EXPECT_TRUE(CreateVariable(function, function.vars, u"E[-1]"));
  EXPECT_TRUE(function.vars.values[0].empty());
}

TEST_F(VariablesTest, ResultArrays) {
  ResetArray(function, u"ALL_IMG_X");
  EXPECT_EQ(1, AppendElement(function, u"ALL_IMG_X", Value::Double(10)));
  EXPECT_EQ(2, AppendElement(function, u"ALL_IMG_X", Value::Double(20)));
  EXPECT_EQ(u"20", Text(function, u"ALL_IMG_X[1]"));
  ResetArray(function, u"ALL_IMG_X");
  int v = function.vars.names.IndexOf(u"ALL_IMG_X");
  EXPECT_TRUE(function.vars.values[static_cast<std::size_t>(v)].empty());
  EXPECT_EQ((std::vector<std::int32_t>{-1}), function.vars.bounds[static_cast<std::size_t>(v)]);
  // A scalar or a multi-dimensional array becomes a one-dimensional result.
  Declare(function, u"G[1][1]");
  EXPECT_EQ(5, AppendElement(function, u"G", Value::String(u"five")));
  EXPECT_EQ(u"five", Text(function, u"G[4]"));
  EXPECT_EQ(1, AppendElement(function, u"NEW", Value::Double(1)));
}

TEST_F(VariablesTest, LookupOrderLocalGlobalSpecialsConstants) {
  SetValue(main, u"X", Value::String(u"global"));
  SetValue(main, u"ONLY", Value::Double(1));
  EXPECT_EQ(interp.global.vars.count(), static_cast<int>(interp.declared.privateFlags.size()));
  // In a function a new name is local; an existing global is written.
  SetValue(function, u"X", Value::String(u"written"));
  SetValue(function, u"LOCAL", Value::Double(2));
  EXPECT_EQ(u"written", Text(main, u"X"));
  EXPECT_EQ(-1, main.vars.names.IndexOf(u"LOCAL"));
  EXPECT_EQ(u"2", Text(function, u"LOCAL"));
  // A local shadows the global of the same name.
  CreateVariable(function, function.vars, u"X");
  SetValue(function, u"X", Value::String(u"local"));
  EXPECT_EQ(u"local", Text(function, u"X"));
  EXPECT_EQ(u"written", Text(main, u"X"));
  EXPECT_EQ(u"1", Text(function, u"ONLY"));
  // The main program's table ignores case.
  EXPECT_EQ(u"1", Text(main, u"only"));

  EXPECT_TRUE(GetValue(function, u"TRUE").AsBoolean());
  EXPECT_EQ(kVtBoolean, GetValue(function, u"FALSE").type());
  EXPECT_TRUE(GetValue(function, u"NULL").IsNull());
  EXPECT_TRUE(GetValue(function, u"NOTHING").IsNothing());
  EXPECT_TRUE(GetValue(function, u"EMPTY").IsEmpty());
  EXPECT_EQ(u"False", Text(function, u"COM_ERR_FLG"));
  EXPECT_EQ(kVtInteger, GetValue(function, u"G_IMG_X").type());

  interp.declared.constNames.Add(u"LIMIT");
  interp.declared.constValues.push_back(Value::Double(10));
  interp.declared.textBlockNames.Add(u"MEMO");
  interp.declared.textBlockTexts.push_back(u"line 1\r\nline 2");
  EXPECT_EQ(u"10", Text(function, u"LIMIT"));
  EXPECT_EQ(u"line 1\r\nline 2", Text(function, u"MEMO"));
  EXPECT_EQ(u"", TakeError());
}

TEST_F(VariablesTest, UndefinedNames) {
  Value v = GetValue(function, u"NOWHERE");
  EXPECT_EQ(kVtByte, v.type());
  EXPECT_EQ(1, function.lookupFailed);
  EXPECT_EQ(u"It isn't defined: NOWHERE", TakeError());
  function.lookupFailed = 0;
  GetValue(function, u"NOWHERE", true);
  EXPECT_EQ(1, function.lookupFailed);
  EXPECT_EQ(u"", TakeError());

  SetValue(function, u"ARR[1]", Value::Double(1));
  EXPECT_EQ(u"ARR[1]: Array without declaration", TakeError());
  SetValue(function, u"NEWNAME", Value::Double(1), false, true);  // no-create
  EXPECT_EQ(-1, function.vars.names.IndexOf(u"NEWNAME"));
  EXPECT_EQ(u"", TakeError());
}

TEST_F(VariablesTest, NothingHappensAfterAnError) {
  SetValue(function, u"A", Value::Double(1));
  interp.run.errorFlag = 1;
  EXPECT_EQ(kVtByte, GetValue(function, u"A").type());
  SetValue(function, u"A", Value::Double(2));
  SetValue(function, u"B", Value::Double(2));
  DeclareLocal(function, u"C");
  interp.run.errorFlag = 0;
  EXPECT_EQ(u"1", Text(function, u"A"));
  EXPECT_EQ(-1, function.vars.names.IndexOf(u"B"));
  EXPECT_EQ(-1, function.vars.names.IndexOf(u"C"));
}

TEST_F(VariablesTest, IndexAndDimensionErrors) {
  Declare(function, u"A[2][2]");
  GetValue(function, u"A");
  EXPECT_EQ(u"Does not match the number of dimensions: A", TakeError());
  EXPECT_EQ(kVtByte, GetValue(function, u"A", true).type());  // quiet
  EXPECT_EQ(u"", TakeError());
  SetValue(function, u"A[1]", Value::Double(1));
  EXPECT_EQ(u"Does not match the number of dimensions: A", TakeError());
  GetValue(function, u"A[3][0]");
  EXPECT_EQ(u"It exceeded array: A", TakeError());
  GetValue(function, u"A[\"x\"][0]");
  EXPECT_EQ(u"a type isn't correct. or overflow.", TakeError());
  SetValue(function, u"A[0][\"x\"]", Value::Double(1));
  EXPECT_EQ(u"Analysis: 'x' is not a valid index", TakeError());
  GetValue(function, u"A[0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0]");
  EXPECT_EQ(u"hjgnbukai:more than 16 indexes", TakeError());
  // An index that is no text (an array) cannot address anything.
  SetValue(function, u"ARR", Value::ArrayOf({Value::Double(1)}));
  GetValue(function, u"A[ARR][0]");
  EXPECT_EQ(u"Dimension of array:Invalid variant type conversion", TakeError());
}

TEST_F(VariablesTest, ElementModeCountsFlatElements) {
  Declare(function, u"A[1][1]");
  SetValue(function, u"A[3]", Value::String(u"last"), true);
  EXPECT_EQ(u"last", Text(function, u"A[1][1]"));
  SetValue(function, u"A[4]", Value::Double(1), true);
  EXPECT_EQ(u"It exceeded array", TakeError());
}

TEST_F(VariablesTest, NestedArraysInAScalar) {
  Value inner1 = Value::ArrayOf({Value::Double(1), Value::Double(2)});
  Value inner2 = Value::ArrayOf({Value::Double(3), Value::Double(4)});
  Value outer = Value::ArrayOf({inner1, inner2});
  SetValue(function, u"X", outer);
  EXPECT_EQ(u"3", Text(function, u"X[1][0]"));
  EXPECT_EQ(u"3", Text(function, u"X[1, 0]"));
  EXPECT_TRUE(GetValue(function, u"X[1]").IsArray());
  SetValue(function, u"X[1][1]", Value::String(u"new"));
  EXPECT_EQ(u"new", Text(function, u"X[1][1]"));
  // The values the array was built from are untouched.
  EXPECT_EQ(4, inner2.AsArray()->items[1].AsDouble());
  EXPECT_EQ(4, outer.AsArray()->items[1].AsArray()->items[1].AsDouble());

  GetValue(function, u"X[1][5]");
  EXPECT_EQ(u"GetValue:Variant or safe array index out of bounds", TakeError());
  function.lookupFailed = 0;
  GetValue(function, u"X[1][5]", true);
  EXPECT_EQ(1, function.lookupFailed);
  EXPECT_EQ(u"", TakeError());
  SetValue(function, u"X[7][0]", Value::Double(1));
  EXPECT_EQ(u"PutValue:Variant or safe array index out of bounds", TakeError());
  GetValue(function, u"X[0][0][0]");
  EXPECT_EQ(u"Does not match the number of dimensions: X", TakeError());

  // A scalar holding a two-dimensional array is indexed directly.
  auto* cell = new ArrayCell;
  cell->bounds = {{0, 2}, {0, 2}};
  for (int i = 0; i < 4; ++i) cell->items.push_back(Value::Double(i));
  SetValue(function, u"M", Value::Array(cell));
  EXPECT_EQ(u"2", Text(function, u"M[0][1]"));
  SetValue(function, u"M[1, 1]", Value::Double(9));
  EXPECT_EQ(u"9", Text(function, u"M[1][1]"));
  GetValue(function, u"M[1]");
  EXPECT_EQ(u"Does not match the number of dimensions: M", TakeError());
}

TEST_F(VariablesTest, NestedArraysInArrayElements) {
  Declare(function, u"A[2]");
  SetValue(function, u"A[0]", Value::ArrayOf({Value::Double(1), Value::Double(2)}));
  SetValue(function, u"A[2]",
           Value::ArrayOf({Value::Double(5), Value::ArrayOf({Value::String(u"x")})}));
  EXPECT_EQ(u"2", Text(function, u"A[0][1]"));
  EXPECT_EQ(u"5", Text(function, u"A[2][0]"));
  EXPECT_EQ(u"x", Text(function, u"A[2][1][0]"));
  SetValue(function, u"A[2][1][0]", Value::String(u"y"));
  EXPECT_EQ(u"y", Text(function, u"A[2][1][0]"));
  // Element 1 holds no array.
  GetValue(function, u"A[1][0]");
  EXPECT_EQ(u"Does not match the number of dimensions: A", TakeError());
  // Element 0 is not the whole of an array variable.
  auto* cell = new ArrayCell;
  cell->bounds = {{0, 1}, {0, 1}};
  cell->items.push_back(Value::String(u"two-dimensional"));
  SetValue(function, u"A[0]", Value::Array(cell));
  GetValue(function, u"A[1][0]");
  EXPECT_EQ(u"Does not match the number of dimensions: A", TakeError());
}

TEST_F(VariablesTest, ModuleQualification) {
  SetValue(main, u"M.COUNT", Value::Double(1));
  SetValue(main, u"COUNT", Value::Double(2));
  function.moduleName = u"M";
  EXPECT_EQ(u"1", Text(function, u"COUNT"));
  EXPECT_EQ(u"1", Text(function, u"THIS.COUNT"));
  EXPECT_EQ(u"1", Text(function, u"M.COUNT"));
  EXPECT_EQ(u"2", Text(main, u"COUNT"));
  EXPECT_EQ(-1, FindGlobal(function, u"GLOBAL.COUNT", GlobalTable::kVariables));

  main.withTarget = Value::String(u"M");
  EXPECT_EQ(u"1", Text(main, u".COUNT"));
  main.withTarget = Value::Double(1);
  EXPECT_EQ(-1, FindGlobal(main, u".COUNT", GlobalTable::kVariables));
  main.withTarget = Value();
  SetValue(function, u"THIS.COUNT", Value::Double(5));
  EXPECT_EQ(u"5", Text(main, u"M.COUNT"));
  EXPECT_EQ(-1, FindGlobal(main, u"X", GlobalTable::kDllDeclarations));
}

TEST_F(VariablesTest, TimeNamesReadTheTimeStamp) {
  DateTimeParts t;
  t.year = 2024;
  t.month = 3;
  t.day = 3;  // a Sunday
  t.hour = 4;
  t.minute = 5;
  t.second = 6;
  t.millisecond = 7;
  function.timeStamp = EncodeDateTime(t);
  EXPECT_EQ(0, GetValue(function, u"G_TIME_WW").AsInt());
  Value year = GetValue(function, u"G_TIME_YY");
  EXPECT_EQ(kVtWord, year.type());
  EXPECT_EQ(2024, year.AsInt());
  EXPECT_EQ(u"2024", Text(function, u"G_TIME_YY4"));
  EXPECT_EQ(u"24", Text(function, u"G_TIME_YY2"));
  EXPECT_EQ(u"03", Text(function, u"G_TIME_MM2"));
  EXPECT_EQ(u"03", Text(function, u"G_TIME_DD2"));
  EXPECT_EQ(u"04", Text(function, u"G_TIME_HH2"));
  EXPECT_EQ(u"05", Text(function, u"G_TIME_NN2"));
  EXPECT_EQ(u"06", Text(function, u"G_TIME_SS2"));
  EXPECT_EQ(u"007", Text(function, u"G_TIME_ZZ2"));
  EXPECT_EQ(u"7", Text(function, u"G_TIME_ZZ"));
  EXPECT_EQ(u"5", Text(function, u"G_TIME_NN"));
}

TEST_F(VariablesTest, DimStatement) {
  DeclareLocal(function, u"S = 1 + 2, T, U = \"u\", A[] = 1, 2, (3 + 4),");
  EXPECT_EQ(u"3", Text(function, u"S"));
  EXPECT_TRUE(GetValue(function, u"T").IsEmpty());
  EXPECT_EQ(u"u", Text(function, u"U"));
  EXPECT_EQ(u"7", Text(function, u"A[2]"));
  EXPECT_TRUE(GetValue(function, u"A[3]").IsEmpty());
  DeclareLocal(function, u"B[][N] = 1, 2, 3");  // N is not defined yet
  EXPECT_EQ(u"It isn't defined: N", TakeError());
  SetValue(function, u"N", Value::Double(1));
  DeclareLocal(function, u"B[][N] = 1, 2, 3");
  EXPECT_EQ(u"3", Text(function, u"B[1][0]"));
  DeclareLocal(function, u"C[1] = 1, 2, 3");
  EXPECT_EQ(u"It exceeded array", TakeError());
  EXPECT_EQ(u"2", Text(function, u"C[1]"));
  DeclareLocal(function, u"D[1][] = 1");
  EXPECT_EQ(u"Index of the array is wrong", TakeError());
}

TEST_F(VariablesTest, PublicDeclarations) {
  EXPECT_EQ(u"", DeclareGlobal(interp, u"TOTAL = 2 * 3", false, false));
  EXPECT_EQ(u"6", Text(function, u"TOTAL"));
  EXPECT_EQ(u"", DeclareGlobal(interp, u"LIST[] = \"a\", \"b\"", false, false));
  EXPECT_EQ(u"b", Text(function, u"LIST[1]"));
  EXPECT_EQ(u"", DeclareGlobal(interp, u"P, Q[2]", false, false));
  EXPECT_EQ(u"", DeclareGlobal(interp, u"M.HIDDEN", true, true));
  int hidden = main.vars.names.IndexOf(u"M.HIDDEN");
  ASSERT_GE(hidden, 0);
  EXPECT_EQ(1, interp.declared.privateFlags[static_cast<std::size_t>(hidden)]);
  EXPECT_EQ(0,
            interp.declared.privateFlags[static_cast<std::size_t>(main.vars.names.IndexOf(u"P"))]);

  // The same declaration again is accepted and initialises again.
  EXPECT_EQ(u"", DeclareGlobal(interp, u"TOTAL = 7", false, false));
  EXPECT_EQ(u"7", Text(function, u"TOTAL"));
  EXPECT_EQ(u"", DeclareGlobal(interp, u"Q[2]", false, false));
  EXPECT_EQ(u"It has already been defined: Q", DeclareGlobal(interp, u"Q[3]", false, false));
  EXPECT_EQ(u"It has already been defined: M.HIDDEN",
            DeclareGlobal(interp, u"M.HIDDEN", true, true));
  interp.options.optPublic = true;
  EXPECT_EQ(u"It has already been defined: P", DeclareGlobal(interp, u"P", false, false));
  interp.options.optPublic = false;

  EXPECT_EQ(u"Is a reserved word: NULL", DeclareGlobal(interp, u"NULL", false, false));
  EXPECT_EQ(u"variable name which is not right: A+B", DeclareGlobal(interp, u"A+B", false, false));
  EXPECT_EQ(u"SyntaxError-7", DeclareGlobal(interp, u"Z =", false, false));
  EXPECT_EQ(u"Index of the array is wrong:R", DeclareGlobal(interp, u"R[2][] = 1", false, false));
  EXPECT_EQ(u"It exceeded array", DeclareGlobal(interp, u"S[0] = 1, 2", false, false));
  interp.declared.constNames.Add(u"C");
  interp.declared.constValues.push_back(Value::Double(1));
  EXPECT_EQ(u"It has already been defined: C", DeclareGlobal(interp, u"C", false, false));
  EXPECT_TRUE(host.errors.empty());
}

TEST_F(VariablesTest, ConstAndTextBlockDefinitions) {
  EXPECT_EQ(u"", DefineConst(interp, u"A = 1"));
  EXPECT_EQ(u"", DefineConst(interp, u"B = A + 1, C = \"x, y\""));
  EXPECT_EQ(u"2", Text(function, u"B"));
  EXPECT_EQ(u"x, y", Text(function, u"C"));
  EXPECT_EQ(u"", DefineConst(interp, u"A = 1"));
  EXPECT_EQ(u"It is multiplex definition: A", DefineConst(interp, u"A = 2"));
  EXPECT_EQ(u"It is multiplex definition: A", DefineConst(interp, u"A = \"1\""));
  EXPECT_EQ(u"SyntaxError-1", DefineConst(interp, u"D"));
  EXPECT_EQ(u"SyntaxError-1", DefineConst(interp, u"= 1"));
  EXPECT_EQ(u"SyntaxError-1", DefineConst(interp, u"D ="));
  EXPECT_EQ(u"SyntaxError-1", DefineConst(interp, u"D \"=\""));
  EXPECT_EQ(u"Is a reserved word: TRUE", DefineConst(interp, u"TRUE = 1"));
  SetValue(main, u"V", Value::Double(1));
  EXPECT_EQ(u"It has already been defined: V", DefineConst(interp, u"V = 1"));

  EXPECT_EQ(u"", DefineTextBlock(interp, u"MEMO"));
  SetTextBlockText(interp, u"MEMO", u"text");
  EXPECT_EQ(u"text", Text(function, u"MEMO"));
  EXPECT_EQ(u"It has already been defined: MEMO", DefineTextBlock(interp, u"MEMO"));
  EXPECT_EQ(u"It has already been defined: A", DefineTextBlock(interp, u"A"));
  EXPECT_EQ(u"It has already been defined: V", DefineTextBlock(interp, u"V"));
  EXPECT_EQ(u"Is a reserved word: EMPTY", DefineTextBlock(interp, u"EMPTY"));
  EXPECT_EQ(u"It has already been defined: MEMO", DefineConst(interp, u"MEMO = 1"));
  EXPECT_EQ(u"It has already been defined: MEMO", DeclareGlobal(interp, u"MEMO", false, false));
}

TEST_F(VariablesTest, DeclarationsInsideAModuleNameMembers) {
  main.moduleName = u"M";  // the front end sets it while it reads a module
  EXPECT_EQ(u"", DefineConst(interp, u"M.A = 1, B = A + 1"));
  EXPECT_EQ(u"", DeclareGlobal(interp, u"M.V = B * 10", true, true));
  EXPECT_EQ(u"", DeclareGlobal(interp, u"W", false, false));
  main.moduleName.clear();
  EXPECT_EQ(u"2", Text(function, u"M.B"));
  EXPECT_EQ(u"20", Text(function, u"M.V"));
  EXPECT_GE(main.vars.names.IndexOf(u"M.W"), 0);
  EXPECT_EQ(-1, interp.declared.constNames.IndexOf(u"B"));
}

TEST_F(VariablesTest, JapaneseMessages) {
  SetJapaneseMessages(true);
  EXPECT_EQ(u"TRUE は予約語です", CheckReserved(interp, u"TRUE"));
  EXPECT_EQ(u"", DefineConst(interp, u"A = 1"));
  EXPECT_EQ(u"A: 多重定義です", DefineConst(interp, u"A = 2"));
  EXPECT_EQ(u"A は既に定義されています", DefineTextBlock(interp, u"A"));
  EXPECT_EQ(u"変数: A は既に定義されています", DeclareGlobal(interp, u"A", false, false));
  EXPECT_EQ(u"", DeclareGlobal(interp, u"G[1]", false, false));
  EXPECT_EQ(u"グローバル変数: G は既に定義されています(次元数が違う)",
            DeclareGlobal(interp, u"G[2]", false, false));
  interp.options.optPublic = true;
  EXPECT_EQ(u"グローバル変数: G は既に定義されています",
            DeclareGlobal(interp, u"G[1]", false, false));
  EXPECT_EQ(u"正しくない変数名です: X!", DeclareGlobal(interp, u"X!", false, false));
  EXPECT_EQ(u"配列のインデックスが間違っています:Y",
            DeclareGlobal(interp, u"Y[1][] = 1", false, false));
  EXPECT_EQ(u"設定値の数が配列をオーバーしてます",
            DeclareGlobal(interp, u"Z[0] = 1, 2", false, false));
  SetValue(function, u"H[0]", Value::Double(1));
  EXPECT_EQ(u"H[0]：宣言のない配列です", TakeError());
  SetJapaneseMessages(false);
}

// A script thread grows a global array while another reads it: the reads
// never see a vector half-moved.
TEST_F(VariablesTest, GlobalArrayUnderConcurrentGrowth) {
  ResetArray(main, u"SHARED");
  AppendElement(main, u"SHARED", Value::Double(7));
  std::atomic<bool> done{false};
  std::thread writer([&] {
    for (int i = 0; i < 2000; ++i) AppendElement(main, u"SHARED", Value::Double(i));
    done = true;
  });
  int reads = 0;
  while (!done || reads == 0) {
    EXPECT_EQ(7, GetValue(function, u"SHARED[0]").AsDouble());
    ++reads;
  }
  writer.join();
  EXPECT_EQ(u"", TakeError());
}

}  // namespace
}  // namespace zelk
