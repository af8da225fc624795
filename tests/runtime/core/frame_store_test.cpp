#include "runtime/core/frame_store.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "runtime/core/interpreter.h"

namespace zelk {
namespace {

// A context as a finished call may leave it: state of every kind set.
void Dirty(THensuFmt& frame) {
  frame.exitFlag = 1;
  frame.breakCount = 2;
  frame.continueCount = 3;
  frame.callDepth = 7;
  frame.curOffset = 5;
  frame.baseIndex = 9;
  frame.tryDepth = 1;
  frame.tryErrFlag = 1;
  frame.tryErrMsg = u"failed";
  frame.deferredError = 2;
  frame.moduleName = u"MOD";
  frame.withTarget = Value::Int(4);
  frame.withStack.push_back(Value::Int(4));
  frame.loopStack.push_back(3);
  frame.tryStack.push_back(u"2 1");
  frame.imageX = 10;
  frame.vars.names.Add(u"x");
  frame.vars.values.emplace_back(1, Value::Int(1));
  frame.vars.bounds.emplace_back();
  frame.vars.names.Add(u"big");
  frame.vars.values.emplace_back(1000, Value::Int(2));
  frame.vars.bounds.push_back({999});
  frame.hashNames.Add(u"h");
  frame.hashTables.push_back(std::make_unique<TUZHash>());
}

TEST(FrameStoreTest, AContextGivenBackComesBackAsANewCallsContext) {
  Interpreter interp;
  FrameStore store;
  std::unique_ptr<THensuFmt> first = store.Take(interp);
  THensuFmt* address = first.get();
  Dirty(*first);
  store.Give(std::move(first));

  std::unique_ptr<THensuFmt> again = store.Take(interp);
  EXPECT_EQ(again.get(), address);  // reused, not made anew
  const THensuFmt fresh(interp, true);
  EXPECT_EQ(again->exitFlag, fresh.exitFlag);
  EXPECT_EQ(again->breakCount, 0);
  EXPECT_EQ(again->continueCount, 0);
  EXPECT_EQ(again->callDepth, 0);
  EXPECT_EQ(again->curOffset, 0);
  EXPECT_EQ(again->baseIndex, 0);
  EXPECT_EQ(again->tryDepth, 0);
  EXPECT_EQ(again->tryErrFlag, 0);
  EXPECT_TRUE(again->tryErrMsg.empty());
  EXPECT_EQ(again->deferredError, 0);
  EXPECT_TRUE(again->moduleName.empty());
  EXPECT_TRUE(again->withTarget.IsEmpty());
  EXPECT_TRUE(again->withStack.empty());
  EXPECT_TRUE(again->loopStack.empty());
  EXPECT_TRUE(again->tryStack.empty());
  EXPECT_EQ(again->imageX, fresh.imageX);
  EXPECT_EQ(again->vars.count(), 0);
  EXPECT_TRUE(again->vars.values.empty());
  EXPECT_TRUE(again->vars.bounds.empty());
  EXPECT_EQ(again->vars.names.IndexOf(u"x"), -1);
  EXPECT_EQ(again->hashNames.Count(), 0);
  EXPECT_TRUE(again->hashTables.empty());
  // Names of a call compare with case.
  EXPECT_TRUE(again->vars.names.caseSensitive());
  EXPECT_TRUE(again->hashNames.caseSensitive());
}

TEST(FrameStoreTest, KeepsTheStorageOfScalarsButNotOfLargeArrays) {
  Interpreter interp;
  FrameStore store;
  std::unique_ptr<THensuFmt> frame = store.Take(interp);
  Dirty(*frame);
  const Value* scalarStorage = frame->vars.values[0].data();
  store.Give(std::move(frame));

  std::vector<Value> kept = store.TakeElements();
  EXPECT_TRUE(kept.empty());
  EXPECT_EQ(kept.data(), scalarStorage);
  // The thousand elements were let go: nothing more is kept.
  EXPECT_EQ(store.TakeElements().capacity(), 0u);
}

TEST(FrameStoreTest, ContextsInUseAreDistinct) {
  Interpreter interp;
  FrameStore store;
  std::unique_ptr<THensuFmt> outer = store.Take(interp);
  std::unique_ptr<THensuFmt> inner = store.Take(interp);
  EXPECT_NE(outer.get(), inner.get());
  store.Give(std::move(inner));
  store.Give(std::move(outer));
  store.Give(nullptr);  // a context a script thread took along
  std::unique_ptr<THensuFmt> a = store.Take(interp);
  std::unique_ptr<THensuFmt> b = store.Take(interp);
  EXPECT_NE(a.get(), b.get());
}

}  // namespace
}  // namespace zelk
