// What DEF_DLL calls keep during a run: the libraries loaded and the
// declarations already taken apart (with the function found for each), so
// that a call in a loop neither parses nor looks up again. Shared by the
// run's threads; cleared when a run is prepared and when it ends.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/dll_call.h"
#include "runtime/calls/dll_declaration.h"

namespace zelk {

struct PreparedDll {
  std::u16string text;  // the declaration text it was made from
  DllDeclaration declaration;
  std::u16string error;  // the split's message; "" when it split
  std::atomic<void*> function{nullptr};
};

class DllState {
 public:
  os::LibraryCache libraries;
  // The prepared form of declaration number index with this text; made anew
  // when a later DEF_DLL changed the text.
  std::shared_ptr<PreparedDll> Prepare(int index, const std::u16string& text);
  // Frees the libraries and forgets the declarations.
  void Clear();

 private:
  std::mutex lock_;
  std::vector<std::shared_ptr<PreparedDll>> prepared_;
};

}  // namespace zelk
