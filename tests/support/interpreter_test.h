// The base of the tests that run statements: an interpreter as the programs
// make it (the built-ins installed), a host that records, and no log lines.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "runtime/core/interpreter.h"
#include "support/recording_host.h"

namespace zelk {

class InterpreterTest : public testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Appends a row to the statement table as preprocessing leaves it, its
  // source line numbered by the row; returns the row.
  int Row(std::u16string text, std::int32_t kind);

  RecordingHost host;
  Interpreter interp;
};

}  // namespace zelk
