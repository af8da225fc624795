// What an open command names: the script file and the parameters for the
// script ("C:\x\main.zls p1 "p 2"" or a name without extension).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zelk::window {

struct ScriptCommand {
  std::u16string path;
  std::vector<std::u16string> params;
};

// The path runs up to and including the first ".ZLS" (any case); a command
// without one is a file name whose extension becomes .ZLS. A leading .\ or
// ..\ is the program folder (with its trailing '\') or its parent. The rest
// is split on blanks outside quotes; -rN words are dropped, and quotes
// removed from the others.
ScriptCommand ParseScriptCommand(std::u16string_view command, std::u16string_view programFolder);

}  // namespace zelk::window
