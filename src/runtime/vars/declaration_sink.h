// The runtime side of the registrar: declarations met while the statement
// table is built go into the interpreter's tables, variables and options.
#pragma once

#include <memory>

#include "frontend/registrar.h"

namespace zelk {

class Interpreter;

// Installs a sink on the interpreter's registrar and a reset of what the
// options of the last run changed outside the interpreter (the log). The
// interpreter owns the returned sink.
std::unique_ptr<DeclarationSink> InstallDeclarationSink(Interpreter& interp);

// A global hash table, "NAME" or "NAME = options" with the name qualified,
// declared before the run; an existing one is emptied and keeps its options.
// Returns an error message, or "" when accepted.
std::u16string DeclareGlobalHashTable(Interpreter& interp, std::u16string_view declaration,
                                      bool isPrivate);

}  // namespace zelk
