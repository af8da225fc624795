// Feeds arbitrary bytes to the debug adapter as one client's whole session:
// framing, JSON and requests in any order, with a small script in reach so
// that launches, stops and queries really happen. Every input must end in
// responses: no crash, no hang, no sanitizer report.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "builtins/install.h"
#include "debugger/dap/dap_server.h"
#include "foundation/settings.h"
#include "foundation/user_interface.h"
#include "platform/platform.h"
#include "runtime/core/interpreter.h"
#include "silent_interface.h"

namespace {

struct Setup {
  Setup() {
    zelk::SetUserInterface(&silentUi);
    zelk::SetupPaths();
    folder = zelk::os::TempFolder() + u"/zelk-dap-fuzz";
    zelk::os::CreateFolder(folder);
    zelk::os::SetCurrentFolder(folder);
    auto file = zelk::os::OpenFile(folder + u"/main.zls", zelk::os::OpenHow::kCreateTruncate, false,
                                   nullptr);
    if (file) {
      file->Rewrite(
          "x = 1\nFOR i = 1 TO 3\n  x = F(x)\nNEXT\nPRINT x\nFUNCTION F(a)\n  RESULT = a * 2\n"
          "FEND\n");
    }
  }
  zelk::fuzz::SilentInterface silentUi;
  std::u16string folder;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static Setup setup;
  std::string_view input(reinterpret_cast<const char*>(data), size);
  zelk::Interpreter interp;
  zelk::InstallBuiltins(interp);
  std::size_t at = 0;
  auto read = [&](char* buffer, std::size_t room) -> std::size_t {
    // Small pieces, so that frames arrive split as they do from a pipe.
    std::size_t n = std::min<std::size_t>({room, input.size() - at, 7});
    std::memcpy(buffer, input.data() + at, n);
    at += n;
    return n;
  };
  zelk::dap::Serve(interp, read, [](std::string_view) {});
  return 0;
}
