// POFF(P_ZELK_REEXEC, TRUE) ends the run and asks for the script to be run
// again. The program that runs scripts takes the request once the run has
// ended (the debugger presses Run again).
#pragma once

namespace zelk {

class Interpreter;

void RequestRestart(const Interpreter& interp);
// True once after a request for this interpreter; clears it.
bool TakeRestartRequest(const Interpreter& interp);

}  // namespace zelk
