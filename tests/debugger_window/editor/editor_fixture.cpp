#include "editor_fixture.h"

#include <fstream>
#include <iterator>

#include "base/utf.h"

namespace zelk::window::testing {

void Pump() {
  for (int round = 0; round < 4; ++round) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
}

AppearanceSettings DistinctLook() {
  AppearanceSettings look = AppearanceSettings::Defaults(false);
  look.classes[kSyntaxWord] = {RGB(200, 0, 0), kStyleBold};
  look.classes[kConstantWord] = {RGB(0, 0, 220), 0};
  look.classes[kSpecialVariableWord] = {RGB(160, 0, 160), 0};
  look.classes[kCommentText] = {RGB(0, 140, 0), kStyleItalic};
  look.classes[kBuiltinFunctionWord] = {RGB(230, 120, 0), 0};
  look.classes[kStringLiteral] = {RGB(0, 150, 150), 0};
  return look;
}

std::u16string WindowText(HWND window) {
  std::u16string text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, u'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(
      window, reinterpret_cast<wchar_t*>(text.data()), static_cast<int>(text.size()))));
  return text;
}

Snapshot::Snapshot(HWND window) {
  RECT client;
  GetClientRect(window, &client);
  width_ = client.right;
  height_ = client.bottom;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width_;
  info.bmiHeader.biHeight = -height_;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(dc, bitmap);
  SendMessageW(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
  GdiFlush();
  const auto* data = static_cast<const std::uint32_t*>(bits);
  pixels_.assign(data, data + static_cast<std::size_t>(width_) * height_);
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
}

COLORREF Snapshot::At(int x, int y) const {
  const std::uint32_t p = pixels_[static_cast<std::size_t>(y) * width_ + x];
  return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
}

COLORREF Snapshot::Strongest(const RECT& area, COLORREF background) const {
  COLORREF best = background;
  int bestDistance = -1;
  for (int y = std::max<int>(0, area.top); y < std::min<int>(height_, area.bottom); ++y) {
    for (int x = std::max<int>(0, area.left); x < std::min<int>(width_, area.right); ++x) {
      const COLORREF c = At(x, y);
      const int dr = GetRValue(c) - GetRValue(background),
                dg = GetGValue(c) - GetGValue(background),
                db = GetBValue(c) - GetBValue(background);
      const int distance = dr * dr + dg * dg + db * db;
      if (distance > bestDistance) {
        bestDistance = distance;
        best = c;
      }
    }
  }
  return best;
}

void EditorTest::SetUp() {
  look_ = DistinctLook();
  SourceEditor::SetAppearance(look_);
  static const bool registered = [] {
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"ZelkEditorTestHost";
    return RegisterClassW(&wc) != 0;
  }();
  (void)registered;
  host_ = CreateWindowExW(0, L"ZelkEditorTestHost", L"editor test",
                          WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 0, 800, 600, nullptr, nullptr,
                          GetModuleHandleW(nullptr), nullptr);
  ShowWindow(host_, SW_SHOW);
  editor_ = SourceEditor::Create(host_);
  RECT client;
  GetClientRect(host_, &client);
  MoveWindow(editor_->Window(), 0, 0, client.right, client.bottom, TRUE);
  ShowWindow(editor_->Window(), SW_SHOW);
  Pump();
  folder_ = std::filesystem::temp_directory_path() /
            ("zelk_editor_" +
             std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
  std::filesystem::remove_all(folder_);
  std::filesystem::create_directories(folder_);
}

void EditorTest::TearDown() {
  editor_.reset();
  DestroyWindow(host_);
  Pump();
  std::filesystem::remove_all(folder_);
}

std::u16string EditorTest::WriteFile(const std::u16string& name, const std::string& bytes) {
  const std::filesystem::path path = folder_ / std::filesystem::path(name);
  std::ofstream(path, std::ios::binary) << bytes;
  return path.u16string();
}

std::string EditorTest::ReadFile(const std::u16string& path) {
  std::ifstream in{std::filesystem::path(path), std::ios::binary};
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string EditorTest::Utf8(const std::vector<std::u16string>& lines) {
  std::string text;
  for (const std::u16string& line : lines) text += TextToUtf8(line) + "\r\n";
  return text;
}

}  // namespace zelk::window::testing
