// The run pipeline: assembly, preprocessing, the pre-run check, the main
// program and the end-of-run release, for a run without the debugger's windows.
#pragma once

#include <string>
#include <vector>

#include "runtime/interpreter.h"

namespace zelk {

// Makes the main file's folder the current folder, against which relative
// CALLs resolve; returns the path by which the main file is then named.
std::u16string EnterScriptFolder(const std::u16string& mainPath);
// Assembles the script from disk with the main file's folder as current
// folder, preprocesses it and checks it. False when nothing may run: the user
// has been told why.
bool PrepareRun(Interpreter& interp, const std::u16string& mainPath);
// The first syntax-error marker of the table, reported with its file and
// line; false when there is none.
bool ReportFirstMarker(Interpreter& interp);
// Runs the body of __MAIN__ in the global context with the parameters as PARAM_STR.
void RunMainProgram(Interpreter& interp, const std::vector<std::u16string>& params);
// Runs a script file from start to end. Returns the process exit status: 0
// after a normal end, the EXITEXIT code, or 1 after an error that ended the run.
int RunScriptFile(Interpreter& interp, const std::u16string& mainPath,
                  const std::vector<std::u16string>& params);

}  // namespace zelk
