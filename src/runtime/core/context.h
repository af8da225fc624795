// The execution context of one running body (THensuFmt): where it stands in
// the statement table, its exit/break/continue state, its loop, TRY and WITH
// stacks, and its variables.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "foundation/hashed_str_list.h"
#include "foundation/zhash.h"
#include "runtime/core/value.h"

namespace zelk {

class Interpreter;
using TUZHash = TUZHashOf<Value>;

// The variables of one context. Each array variable keeps all its elements
// flat in row-major order; a scalar has exactly one element.
struct VariableTable {
  explicit VariableTable(bool caseSensitive) : names(caseSensitive) {}
  TUHashedStrList names;
  std::vector<std::vector<Value>> values;
  std::vector<std::vector<std::int32_t>> bounds;  // empty for a scalar; -1 = no elements
  int count() const { return names.Count(); }
  void Clear() {
    names.Clear();
    values.clear();
    bounds.clear();
  }
};

struct THensuFmt {
  // The main program's table ignores ASCII case; calls, handlers and threads
  // compare with case.
  THensuFmt(Interpreter& interp, bool caseSensitiveNames)
      : interp(&interp), vars(caseSensitiveNames), hashNames(caseSensitiveNames) {}

  Interpreter* interp;

  std::uint8_t exitFlag = 0;
  std::int32_t breakCount = 0;
  std::int32_t continueCount = 0;
  std::uint8_t evalMark = 0;
  std::uint8_t lookupFailed = 0;
  std::int32_t checkLoopDepth = 0;
  std::int32_t threadNumber = 0;
  // The thread record this context runs with: 0 the main thread, slot + 1 a
  // script thread. Inherited by the contexts of its calls.
  std::uint8_t recordIndex = 0;
  // The context whose call made this one (null for the main program and the
  // module initialisers' caller) and the number of calls below it.
  const THensuFmt* caller = nullptr;
  std::int32_t callDepth = 0;
  std::int32_t curOffset = 0;  // the current row, counted from baseIndex
  std::int32_t baseIndex = 0;  // statement index of the body's header row
  std::int32_t imageX = -999999;
  std::int32_t imageY = -999999;
  double timeStamp = 0;
  std::int32_t tryDepth = 0;
  std::uint8_t tryErrFlag = 0;
  std::u16string tryErrMsg;
  std::u16string tryErrLine;
  // An error met too deep in the stack for a TRY part of this context to run
  // there: 1 while the row unwinds (exitFlag), 2 while the executor reports it
  // again at the row; deferredAt is the row it happened at.
  std::uint8_t deferredError = 0;
  std::int32_t deferredAt = 0;
  std::u16string moduleName;
  Value withTarget;
  std::vector<Value> withStack;
  std::vector<std::int32_t> loopStack;
  std::vector<std::u16string> tryStack;
  // Set around the evaluation of a FOR-IN collection: built-ins that fill a
  // result array then write NAME_TMP, and name it in lastResultArray.
  bool collectionPending = false;
  std::u16string lastResultArray;

  VariableTable vars;
  // The first layoutNames names of vars are RESULT and the parameters of the
  // routine at layoutHeader, bound last time: a later call of that routine
  // binds into them by place. -1: no such layout.
  std::int32_t layoutHeader = -1;
  std::int32_t layoutNames = 0;
  std::uint64_t layoutVersion = 0;  // the names' version whenever they are just the layout
  TUHashedStrList hashNames;
  std::vector<std::unique_ptr<TUZHash>> hashTables;

  // The body's rows from its header (entry 0) up to, not including, its FEND.
  // A view into the statement table, which does not change during a run.
  std::span<const std::u16string> stmtTexts;

  int Row() const { return baseIndex + curOffset; }

  // Back to the state of a new call's context, keeping the storage of the
  // containers. Every field above is reset here.
  void ResetForCall() {
    ResetAllButVariables();
    vars.Clear();
    vars.names.setCaseSensitive(true);
    layoutHeader = -1;
    layoutNames = 0;
    layoutVersion = 0;
  }
  void ResetAllButVariables() {
    exitFlag = 0;
    breakCount = 0;
    continueCount = 0;
    evalMark = 0;
    lookupFailed = 0;
    checkLoopDepth = 0;
    threadNumber = 0;
    recordIndex = 0;
    caller = nullptr;
    callDepth = 0;
    curOffset = 0;
    baseIndex = 0;
    imageX = -999999;
    imageY = -999999;
    timeStamp = 0;
    tryDepth = 0;
    tryErrFlag = 0;
    tryErrMsg.clear();
    tryErrLine.clear();
    deferredError = 0;
    deferredAt = 0;
    moduleName.clear();
    loopStack.clear();
    collectionPending = false;
    lastResultArray.clear();
    // Most calls open no WITH or TRY and make no hash table.
    if (!withTarget.IsEmpty() || !withStack.empty() || !tryStack.empty() || hashNames.Count() > 0 ||
        !hashNames.caseSensitive() || !hashTables.empty()) {
      ResetBlocksAndTables();
    }
    stmtTexts = {};
  }
  [[gnu::noinline]] void ResetBlocksAndTables() {
    withTarget = Value();
    withStack.clear();
    tryStack.clear();
    if (hashNames.Count() > 0 || !hashNames.caseSensitive()) {
      hashNames.Clear();
      hashNames.setCaseSensitive(true);
    }
    hashTables.clear();
  }
};

}  // namespace zelk
