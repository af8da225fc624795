// The Debug Adapter Protocol server: a client (VS Code, or any other) drives
// a run of one script through the debug engine. Messages come in through
// read and go out through write; the script runs on a thread of its own.
#pragma once

#include <cstddef>
#include <functional>
#include <string_view>

namespace zelk {

class Interpreter;

namespace dap {

// Reads at most size bytes into the buffer, waiting for some; 0 at the end.
using ReadBytes = std::function<std::size_t(char* buffer, std::size_t size)>;
// Writes bytes; called from more than one thread, never at the same time.
using WriteBytes = std::function<void(std::string_view bytes)>;

// Serves one session until the client disconnects or the input ends;
// returns the process exit status (0).
int Serve(Interpreter& interp, const ReadBytes& read, const WriteBytes& write);

}  // namespace dap
}  // namespace zelk
