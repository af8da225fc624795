// The text fixture (tests/fixtures/fixture_texts.cpp) as a process a test
// starts, reads the log of, and ends.
#pragma once
#ifdef _WIN32

#include <windows.h>

#include "../windows/fixture_window.h"

namespace zelk::testing_desktop {

class TextsFixture : public FixtureWindow {
 public:
  // className, when given, is the class the fixture registers for its window.
  explicit TextsFixture(const std::wstring& title, const std::wstring& className = L"")
      : FixtureWindow(title, L"fixture_texts.exe",
                      className.empty() ? L"" : L"\"" + className + L"\"") {}
};

}  // namespace zelk::testing_desktop

#endif  // _WIN32
