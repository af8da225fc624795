// A real window holding an editor, files in a private folder, and reading
// back what the windows show.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "debugger/syntax/appearance_settings.h"
#include "debugger_window/editor/source_editor.h"

namespace zelk::window::testing {

// Handles every message waiting, a few rounds so that posted follow-ups run.
void Pump();

// Word classes in colours far apart, so a pixel tells its class.
AppearanceSettings DistinctLook();

std::u16string WindowText(HWND window);

// A picture of a window as it paints itself.
class Snapshot {
 public:
  explicit Snapshot(HWND window);
  int width() const { return width_; }
  int height() const { return height_; }
  COLORREF At(int x, int y) const;
  // The colour of the pixel in the area that differs most from background.
  COLORREF Strongest(const RECT& area, COLORREF background) const;

 private:
  int width_ = 0, height_ = 0;
  std::vector<std::uint32_t> pixels_;
};

class EditorTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Writes bytes to a file of the test's folder and returns its path.
  std::u16string WriteFile(const std::u16string& name, const std::string& bytes);
  std::string ReadFile(const std::u16string& path);
  // The lines as one UTF-8 text with CR LF after each.
  static std::string Utf8(const std::vector<std::u16string>& lines);

  AppearanceSettings look_;
  HWND host_ = nullptr;
  std::unique_ptr<SourceEditor> editor_;
  std::filesystem::path folder_;
};

}  // namespace zelk::window::testing
