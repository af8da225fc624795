// The items fixture (tests/fixtures/fixture_items.cpp) as a process a test
// starts, asks for the state of its controls, and ends.
#pragma once
#ifdef _WIN32

#include <windows.h>

#include <chrono>
#include <map>
#include <string>

#include "../windows/fixture_window.h"

namespace zelk::testing_desktop {

class ItemsFixture : public FixtureWindow {
 public:
  explicit ItemsFixture(const std::wstring& title = L"ZELK Fixture Items", int rows = 10,
                        const wchar_t* program = L"fixture_items.exe")
      : FixtureWindow(title, rows, program) {}

  // The controls' state as the program sees it: "listbox" -> "2", ...
  std::map<std::string, std::string> State() const {
    std::map<std::string, std::string> state;
    DWORD_PTR answer = 0;
    if (!SendMessageTimeoutW(window(), WM_APP + 100, 0, 0, SMTO_ABORTIFHUNG, 5000, &answer)) {
      ADD_FAILURE() << "the fixture did not answer";
      return state;
    }
    for (const std::string& line : Lines()) {
      if (line.rfind("STATE ", 0) != 0) continue;
      const std::size_t blank = line.find(' ', 6);
      state[line.substr(6, blank - 6)] = blank == line.npos ? "" : line.substr(blank + 1);
    }
    return state;
  }
  std::string State(const std::string& what) const { return State()[what]; }

  // The log lines since ClearLog that start with prefix, joined with "|".
  std::string NewEvents(const std::string& prefix) const {
    std::string events;
    for (const std::string& line : NewLines()) {
      if (line.rfind(prefix, 0) != 0) continue;
      events += (events.empty() ? "" : "|") + line;
    }
    return events;
  }
  // The same once they are what a test expects, or after 5 s: a click the
  // script posted last may still wait in the program's queue.
  std::string NewEvents(const std::string& prefix, const std::string& expected) const {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    std::string events = NewEvents(prefix);
    while (events != expected && std::chrono::steady_clock::now() < end) {
      Sleep(20);
      events = NewEvents(prefix);
    }
    return events;
  }
};

}  // namespace zelk::testing_desktop

#endif  // _WIN32
