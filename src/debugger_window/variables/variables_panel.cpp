#include "debugger_window/variables/variables_panel.h"

namespace zelk::window {
namespace {

// Placeholder until the grids are in: an empty child window.
class EmptyPanel final : public VariablesPanel {
 public:
  explicit EmptyPanel(HWND parent) {
    window_ = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, parent, nullptr,
                              GetModuleHandleW(nullptr), nullptr);
  }
  ~EmptyPanel() override {
    if (window_ != nullptr) DestroyWindow(window_);
  }
  HWND Window() const override { return window_; }
  void SetBounds(const RECT& r) override {
    MoveWindow(window_, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
  }
  void Refresh(THensuFmt&) override {}
  void Clear() override {}
  void SetFileNames(std::vector<std::u16string>) override {}
  void OnFrameSelected(std::function<void(SourceLine)>) override {}
  HWND GlobalGrid() const override { return nullptr; }
  HWND LocalGrid() const override { return nullptr; }
  HWND CallStackList() const override { return nullptr; }
  HWND WatchList() const override { return nullptr; }

 private:
  HWND window_ = nullptr;
};

}  // namespace

std::unique_ptr<VariablesPanel> VariablesPanel::Create(HWND parent, DebugEngine& engine) {
  (void)engine;
  return std::make_unique<EmptyPanel>(parent);
}

}  // namespace zelk::window
