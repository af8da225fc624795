#include "runtime/expr/compiled_expr.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "runtime/core/interpreter.h"
#include "runtime/expr/token_cache.h"
#include "runtime/expr/tokenizer.h"
#include "runtime/vars/variables.h"
#include "support/interpreter_test.h"

namespace zelk {
namespace {

class CompiledExprTest : public InterpreterTest {
 protected:
  // The tokens as the row cache records them.
  std::unique_ptr<TokenList> Tokens(std::u16string_view text) {
    auto list = std::make_unique<TokenList>();
    list->SetExpression(text, true);
    RecordTokens(*list, MemberScope());
    list->complete = true;  // a refused text compiles from what came before it
    return list;
  }
  bool Compiles(std::u16string_view text) { return expr::Compile(*Tokens(text)) != nullptr; }

  // Compiles TEXT (which must compile) and keeps it, with its tokens, for Run.
  expr::CompiledExpr& Keep(std::u16string_view text) {
    lists_.push_back(Tokens(text));
    compiled_.push_back(expr::Compile(*lists_.back()));
    EXPECT_NE(nullptr, compiled_.back()) << "not compiled";
    return *compiled_.back();
  }
  Value Run(expr::CompiledExpr& compiled, THensuFmt& context) {
    Value v;
    EXPECT_EQ(expr::RunOutcome::kDone, expr::RunCompiled(compiled, context, false, {}, &v));
    return v;
  }

  std::vector<std::unique_ptr<TokenList>> lists_;
  std::vector<std::unique_ptr<expr::CompiledExpr>> compiled_;
};

TEST_F(CompiledExprTest, WhatTheTextEvaluatorKeeps) {
  EXPECT_TRUE(Compiles(u"A + B * 2 - -C"));
  EXPECT_TRUE(Compiles(u"!(A < B) OR A MOD 3 = 0"));
  EXPECT_TRUE(Compiles(u"LENGTH(A) + 1"));
  EXPECT_TRUE(Compiles(u"\"text\" + A[1]"));
  // An array result indexed at once, EMPTY compared as such, and what is
  // malformed stay with the text evaluator, which knows their rules.
  EXPECT_FALSE(Compiles(u"SPLIT(A)[1]"));
  EXPECT_FALSE(Compiles(u"EMPTY = A"));
  EXPECT_FALSE(Compiles(u"A = EMPTY"));
  EXPECT_FALSE(Compiles(u"1 +"));
  EXPECT_FALSE(Compiles(u"(1"));
  EXPECT_FALSE(Compiles(u"1 2"));
  EXPECT_FALSE(Compiles(u"-(1)"));
  // More values at once than the form holds.
  EXPECT_TRUE(Compiles(u"1+(2+(3+(4+(5+(6+(7+8))))))"));
  EXPECT_FALSE(Compiles(u"1+(2+(3+(4+(5+(6+(7+(8+9)))))))"));
  // Nesting far beyond any script's is refused, not followed down the stack.
  const std::u16string deep = std::u16string(100000, u'(') + u"1" + std::u16string(100000, u')');
  EXPECT_FALSE(Compiles(deep));
  EXPECT_FALSE(Compiles(std::u16string(100000, u'!') + u"1"));
}

TEST_F(CompiledExprTest, SlotsFollowTheTableTheyRead) {
  THensuFmt& main = interp.global;
  SetValue(main, u"A", Value::Double(2));
  expr::CompiledExpr& sum = Keep(u"A + B");
  SetValue(main, u"B", Value::Double(3));
  EXPECT_EQ(5, Run(sum, main).AsDouble());
  // A write through the ordinary path (as the debugger's grid makes it) is seen.
  SetValue(main, u"A", Value::Double(10));
  EXPECT_EQ(13, Run(sum, main).AsDouble());
  // Names added meanwhile move nothing.
  for (int i = 0; i < 40; ++i)
    SetValue(main, u"N" + std::u16string(1, u'A' + i % 26) + std::u16string(1, u'A' + i / 26),
             Value::Double(i));
  EXPECT_EQ(13, Run(sum, main).AsDouble());

  // Another frame with the same names in another order reads its own.
  THensuFmt frame(interp, true);
  frame.caller = &main;
  ASSERT_TRUE(CreateVariable(frame, frame.vars, u"B"));
  ASSERT_TRUE(CreateVariable(frame, frame.vars, u"A"));
  SetValue(frame, u"B", Value::Double(100));
  SetValue(frame, u"A", Value::Double(1));
  EXPECT_EQ(101, Run(sum, frame).AsDouble());
  EXPECT_EQ(13, Run(sum, main).AsDouble());

  // A scalar turned into an array is no scalar slot any more.
  vars::VarSlot slot;
  EXPECT_NE(nullptr, vars::OwnScalarThrough(main, u"A", slot));
  ASSERT_TRUE(CreateVariable(main, main.vars, u"A[2]"));
  EXPECT_EQ(nullptr, vars::OwnScalarThrough(main, u"A", slot));
}

TEST_F(CompiledExprTest, TheMainTableIsLeftToTheLockWhileThreadsRun) {
  THensuFmt& main = interp.global;
  SetValue(main, u"A", Value::Double(4));
  vars::VarSlot slot;
  EXPECT_NE(nullptr, vars::OwnScalarThrough(main, u"A", slot));
  interp.scriptThreadsRunning = 1;
  EXPECT_EQ(nullptr, vars::OwnScalarThrough(main, u"A", slot));
  // The full lookup still answers.
  EXPECT_EQ(4, Run(Keep(u"A"), main).AsDouble());
  interp.scriptThreadsRunning = 0;
}

TEST_F(CompiledExprTest, AssignmentsStoreIntoTheTargetsOwnScalar) {
  THensuFmt& main = interp.global;
  SetValue(main, u"T", Value::Double(1));
  expr::CompiledExpr& step = Keep(u"T + 1");
  Value v = Value::Double(7);
  EXPECT_TRUE(expr::StoreThroughSlot(step, main, u"T", v));
  EXPECT_EQ(7, GetValue(main, u"T").AsDouble());
  // A name not yet there is created by SetValue, not here.
  Value w = Value::Double(8);
  EXPECT_FALSE(expr::StoreThroughSlot(step, main, u"FRESH", w));
  // A text target declines so that it may grow in place, also when it is
  // read together with the other operand.
  SetValue(main, u"T", Value::String(u"ab"));
  Value r;
  EXPECT_EQ(expr::RunOutcome::kDeclined, expr::RunCompiled(step, main, false, u"T", &r));
  SetValue(main, u"X", Value::Double(1));
  expr::CompiledExpr& three = Keep(u"T + X * 2");
  EXPECT_EQ(expr::RunOutcome::kDeclined, expr::RunCompiled(three, main, false, u"T", &r));
  EXPECT_EQ(u"ab2", Run(three, main).Text());
}

}  // namespace
}  // namespace zelk
