// The rolling script log of PRINT and LOGPRINT output.
#pragma once

#include <string>

namespace zelk {

// What the running script chose with its options: the mode of OPTION LOGFILE
// (bits 0-1 the line form, bit 4 starts an empty log) and an explicit path.
void SetLogOptions(int mode, const std::u16string& path);

std::u16string LogFilePath();
void LogLine(const std::u16string& text);
// Writes the in-memory log when it changed since the last flush.
void FlushLog();
// Called by the message pump during a run: flushes when the minute changed.
void FlushLogEveryMinute();
// Lines kept, from LogLines of the product settings (read once).
int LogLimit();
// Forgets the in-memory log and the cached limit (a new script, tests).
void ResetLog();

// Expands special folder names (GET_APPDATA_DIR ...) in a log path; the
// interpreter installs the full expression evaluator once it exists.
using SpecialNameExpander = std::u16string (*)(const std::u16string& text);
void SetLogPathExpander(SpecialNameExpander expander);

}  // namespace zelk
