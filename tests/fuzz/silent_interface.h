// The fuzz targets' user interface: messages would only slow the fuzzer
// down, and questions are answered with Cancel.
#pragma once

#include <string>

#include "foundation/user_interface.h"

namespace zelk::fuzz {

class SilentInterface final : public UserInterface {
 public:
  int ShowMessageBox(const std::u16string&, const std::u16string&, unsigned) override {
    return kIdCancel;
  }
  void ShowStatusMessage(const std::u16string&) override {}
};

}  // namespace zelk::fuzz
