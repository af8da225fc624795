// The image built-ins against a real screen: the pattern fixture, another
// process, shows known pictures at known places (see its file for the
// layout); scripts find them, save them and read their pixels.
#ifdef _WIN32
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

#include "platform/screen_image.h"
#include "runtime/expr/evaluate.h"
#include "support/interpreter_test.h"

#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_STATIC
#define STBI_ONLY_JPEG
#define STBI_NO_STDIO
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wunused-parameter"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wimplicit-fallthrough"
#include <stb/stb_image.h>
#pragma GCC diagnostic pop

namespace zelk {
namespace {

namespace fs = std::filesystem;

// Where the fixture puts its windows.
constexpr int kSearchX = 200, kSearchY = 300;
constexpr int kGradientX = 700, kGradientY = 300;

// The fixture's tile T: colour of pixel (i, j) as red, green, blue.
void TileColour(int i, int j, int add, int* r, int* g, int* b) {
  *r = 20 + 13 * i + add;
  *g = 30 + 11 * j + add;
  *b = 40 + (7 * i + 5 * j) % 150 + add;
}

// A 24-bit BMP file, bottom-up rows padded to 4 bytes, written here by hand
// as the format describes it (the reference the saved files are held to).
template <typename Pixel>
std::string Bmp24(int width, int height, Pixel pixel) {
  const int stride = (width * 3 + 3) / 4 * 4;
  auto le = [](std::string& s, unsigned v, int bytes) {
    for (int i = 0; i < bytes; ++i) s.push_back(static_cast<char>(v >> (8 * i) & 255));
  };
  std::string s = "BM";
  le(s, 54 + stride * height, 4);
  le(s, 0, 4);
  le(s, 54, 4);
  le(s, 40, 4);
  le(s, width, 4);
  le(s, height, 4);
  le(s, 1, 2);
  le(s, 24, 2);
  le(s, 0, 4);
  le(s, stride * height, 4);
  le(s, 3780, 4);
  le(s, 3780, 4);
  le(s, 0, 4);
  le(s, 0, 4);
  for (int y = height - 1; y >= 0; --y) {
    for (int x = 0; x < width; ++x) {
      int r, g, b;
      pixel(x, y, &r, &g, &b);
      s.push_back(static_cast<char>(b));
      s.push_back(static_cast<char>(g));
      s.push_back(static_cast<char>(r));
    }
    s.append(static_cast<std::size_t>(stride - width * 3), '\0');
  }
  return s;
}

std::wstring FixturePath() {
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  return (fs::path(self).parent_path() / L"fixture_pattern.exe").wstring();
}

// One fixture process showing a pattern; closed when destroyed.
class Fixture {
 public:
  Fixture(const wchar_t* pattern, int x, int y) {
    std::wstring command = L"\"" + FixturePath() + L"\" " + pattern + L" " + std::to_wstring(x) +
                           L" " + std::to_wstring(y) + L" 120";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                        &process_)) {
      return;
    }
    const std::wstring title = std::wstring(L"ZELK pattern ") + pattern;
    for (int i = 0; i < 500 && !window_; ++i) {
      window_ = FindWindowW(L"ZelkPatternFixture", title.c_str());
      if (!window_) Sleep(10);
    }
    // Shown is not yet painted: give the X server time to draw it.
    for (int i = 0; i < 50 && window_; ++i) {
      RECT r;
      if (IsWindowVisible(window_) && GetWindowRect(window_, &r)) break;
      Sleep(20);
    }
    Sleep(300);
  }
  ~Fixture() {
    if (window_) PostMessageW(window_, WM_CLOSE, 0, 0);
    if (process_.hProcess) {
      if (WaitForSingleObject(process_.hProcess, 5000) != WAIT_OBJECT_0) {
        TerminateProcess(process_.hProcess, 1);
      }
      CloseHandle(process_.hProcess);
      CloseHandle(process_.hThread);
    }
  }
  HWND window() const { return window_; }

 private:
  PROCESS_INFORMATION process_{};
  HWND window_ = nullptr;
};

class ScreenImageTest : public InterpreterTest {
 protected:
  static void SetUpTestSuite() {
    search_ = new Fixture(L"search", kSearchX, kSearchY);
    gradient_ = new Fixture(L"gradient", kGradientX, kGradientY);
  }
  static void TearDownTestSuite() {
    delete search_;
    delete gradient_;
  }

  void SetUp() override {
    InterpreterTest::SetUp();
    interp.SetMainThread();
    ASSERT_NE(search_->window(), nullptr) << "the pattern fixture did not start";
    folder_ = fs::temp_directory_path() /
              ("zelk-images-" + std::to_string(GetCurrentProcessId()) + "-" +
               std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
    fs::create_directories(folder_);
    Write("t.bmp", Bmp24(16, 16, [](int x, int y, int* r, int* g, int* b) {
            TileColour(x, y, 0, r, g, b);
          }));
    // T with its ring in the transparent colour (the corners hold it).
    Write("keyed.bmp", Bmp24(16, 16, [](int x, int y, int* r, int* g, int* b) {
            TileColour(x, y, 0, r, g, b);
            if (x == 0 || y == 0 || x == 15 || y == 15) *r = 255, *g = 0, *b = 255;
          }));
    Write("absent.bmp", Bmp24(16, 16, [](int x, int y, int* r, int* g, int* b) {
            TileColour(15 - x, y, 0, r, g, b);
          }));
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
    InterpreterTest::TearDown();
  }

  std::u16string PathOf(const std::string& name) const { return (folder_ / name).u16string(); }
  void Write(const std::string& name, const std::string& bytes) const {
    std::ofstream(folder_ / name, std::ios::binary) << bytes;
  }
  std::string Read(const std::string& name) const {
    std::ifstream in(folder_ / name, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  }

  // Evaluates an expression; "$F" stands for the folder, as a script text.
  std::string Eval(std::u16string text) {
    for (std::size_t at; (at = text.find(u"$F")) != std::u16string::npos;) {
      text.replace(at, 2, folder_.u16string());
    }
    Value v;
    Evaluate(text, interp.global, &v);
    std::u16string out;
    v.ToText(&out);
    return std::string(out.begin(), out.end());
  }

  static Fixture* search_;
  static Fixture* gradient_;
  fs::path folder_;
};

Fixture* ScreenImageTest::search_ = nullptr;
Fixture* ScreenImageTest::gradient_ = nullptr;

TEST_F(ScreenImageTest, FindsEveryCopyInScreenCoordinates) {
  EXPECT_EQ(Eval(u"CHKIMG(\"$F\\t.bmp\", 0, , , , , -1)"), "3");
  EXPECT_EQ(Eval(u"ALL_IMG_X[0] + \",\" + ALL_IMG_X[1] + \",\" + ALL_IMG_X[2]"), "210,240,270");
  EXPECT_EQ(Eval(u"ALL_IMG_Y[0] + \",\" + ALL_IMG_Y[2]"), "310,310");
  EXPECT_EQ(Eval(u"G_IMG_X + \",\" + G_IMG_Y"), "270,310");
  // n = 2 stops at the second; the last hit is where it stopped.
  EXPECT_EQ(Eval(u"CHKIMG(\"$F\\t.bmp\", 0, , , , , 2)"), "True");
  EXPECT_EQ(Eval(u"G_IMG_X"), "240");
  EXPECT_EQ(Eval(u"CHKIMG(\"$F\\t.bmp\", 0, , , , , 4)"), "False");
  // Only the area between the corners (both inclusive) is searched.
  EXPECT_EQ(Eval(u"CHKIMG(\"$F\\t.bmp\", 0, 235, 300, 300, 340, -1)"), "2");
  EXPECT_EQ(Eval(u"CHKIMG(\"$F\\t.bmp\", 0, 240, 310, 255, 325)"), "True");
  // The third copy needs columns 270..285.
  EXPECT_EQ(Eval(u"CHKIMG(\"$F\\t.bmp\", 0, 241, 310, 284, 325)"), "False");
}

TEST_F(ScreenImageTest, TransparentColourAndToleranceWidenTheMatch) {
  // The ring of the second row's copy differs: only the keyed template finds it.
  EXPECT_EQ(Eval(u"CHKIMG(\"$F\\keyed.bmp\", 1, , , , , -1)"), "4");
  EXPECT_EQ(Eval(u"ALL_IMG_X[3] + \",\" + ALL_IMG_Y[3]"), "210,350");
  EXPECT_EQ(Eval(u"CHKIMG(\"$F\\keyed.bmp\", 0, , , , , -1)"), "0");
  // The third row's copy is 3 brighter in every channel.
  EXPECT_EQ(Eval(u"CHKIMG(\"$F\\t.bmp\", 0, , , , , -1, IMG_MSK_BGR2)"), "4");
  EXPECT_EQ(Eval(u"ALL_IMG_Y[3]"), "390");
  EXPECT_EQ(Eval(u"CHKIMG(\"$F\\t.bmp\", 0, , , , , -1, IMG_MSK_BGR1)"), "3");
  EXPECT_EQ(Eval(u"CHKIMG(\"$F\\keyed.bmp\", 4, , , , , -1, IMG_MSK_BGR2)"), "5");
}

TEST_F(ScreenImageTest, AnAbsentTemplateLeavesNoPosition) {
  EXPECT_EQ(Eval(u"CHKIMG(\"$F\\t.bmp\")"), "True");
  EXPECT_EQ(Eval(u"CHKIMG(\"$F\\absent.bmp\")"), "False");
  EXPECT_EQ(Eval(u"G_IMG_X + \",\" + G_IMG_Y"), "-999999,-999999");
  EXPECT_EQ(Eval(u"CHKIMG(\"$F\\absent.bmp\", 0, , , , , -1)"), "0");
  EXPECT_EQ(Eval(u"LENGTH(ALL_IMG_X)"), "0");
}

TEST_F(ScreenImageTest, SavedBmpIsExactlyWhatTheScreenShows) {
  Eval(u"SAVEIMG(\"$F\\saved\", 0, 210, 310, 16, 16)");
  EXPECT_EQ(Read("saved.bmp"), Read("t.bmp"));
  // A template made from the screen finds its original.
  EXPECT_EQ(Eval(u"CHKIMG(\"$F\\saved.bmp\", 0, , , , , -1)"), "3");
  Eval(u"SAVEIMG(\"$F\\ring\", 0, 210, 350, 16, 16, FALSE, -8)");
  const std::string ring = Read("ring.bmp");
  ASSERT_GT(ring.size(), 54u);
  EXPECT_EQ(ring[28], 8) << "bits per pixel";
}

TEST_F(ScreenImageTest, SavedJpegDecodesCloseToTheScreen) {
  Eval(u"SAVEIMG(\"$F\\gradient\", 0, 700, 300, 64, 48, FALSE, 90)");
  const std::string jpeg = Read("gradient.jpg");
  ASSERT_FALSE(jpeg.empty());
  int w = 0, h = 0, n = 0;
  unsigned char* rgb = stbi_load_from_memory(reinterpret_cast<const unsigned char*>(jpeg.data()),
                                             static_cast<int>(jpeg.size()), &w, &h, &n, 3);
  ASSERT_NE(rgb, nullptr);
  ASSERT_EQ(w, 64);
  ASSERT_EQ(h, 48);
  long total = 0;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const unsigned char* p = rgb + (y * w + x) * 3;
      total += std::abs(p[0] - 4 * x) + std::abs(p[1] - 5 * y) + std::abs(p[2] - 128);
    }
  }
  stbi_image_free(rgb);
  EXPECT_LT(static_cast<double>(total) / (w * h * 3), 3.0);
  // A lower quality makes a smaller file.
  Eval(u"SAVEIMG(\"$F\\poor.jpeg\", 0, 700, 300, 64, 48, FALSE, 10)");
  EXPECT_LT(Read("poor.jpeg").size(), jpeg.size());
}

TEST_F(ScreenImageTest, PeekColorReadsOnePixelInEachLayout) {
  int r, g, b;
  TileColour(1, 2, 0, &r, &g, &b);
  EXPECT_EQ(Eval(u"PEEKCOLOR(211, 312)"), std::to_string(b << 16 | g << 8 | r));
  EXPECT_EQ(Eval(u"PEEKCOLOR(211, 312, COL_RGB)"), std::to_string(r << 16 | g << 8 | b));
  EXPECT_EQ(Eval(u"PEEKCOLOR(211, 312, COL_R) + \",\" + PEEKCOLOR(211, 312, COL_G) + \",\" + "
                 u"PEEKCOLOR(211, 312, COL_B)"),
            std::to_string(r) + "," + std::to_string(g) + "," + std::to_string(b));
  // Through the clipboard: the saved part's own coordinates.
  Eval(u"SAVEIMG(\"\", 0, 210, 310, 16, 16)");
  EXPECT_EQ(Eval(u"PEEKCOLOR(1, 2, COL_RGB, TRUE)"), std::to_string(r << 16 | g << 8 | b));
  EXPECT_EQ(Eval(u"PEEKCOLOR(16, 2, COL_RGB, TRUE)"), "-1");
  EXPECT_EQ(Eval(u"CHKIMG(\"\", 0, , , , , -1)"), "3");
}

// A window of this process under the topmost fixture, painting itself grey-blue.
LRESULT CALLBACK CoveredProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_PRINTCLIENT || msg == WM_PAINT) {
    PAINTSTRUCT ps;
    HDC dc = msg == WM_PAINT ? BeginPaint(wnd, &ps) : reinterpret_cast<HDC>(wp);
    RECT r;
    GetClientRect(wnd, &r);
    HBRUSH brush = CreateSolidBrush(RGB(0x33, 0x66, 0x99));
    FillRect(dc, &r, brush);
    DeleteObject(brush);
    if (msg == WM_PAINT) EndPaint(wnd, &ps);
    return 0;
  }
  return DefWindowProcW(wnd, msg, wp, lp);
}

TEST_F(ScreenImageTest, BackgroundModePrintsACoveredWindow) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = CoveredProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"ZelkCoveredWindow";
  RegisterClassW(&wc);
  HWND covered = CreateWindowExW(0, wc.lpszClassName, L"covered", WS_POPUP | WS_VISIBLE, kSearchX,
                                 kSearchY, 100, 50, nullptr, nullptr, wc.hInstance, nullptr);
  ASSERT_NE(covered, nullptr);
  SetWindowPos(search_->window(), HWND_TOPMOST, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  for (int i = 0; i < 20; ++i) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    Sleep(10);
  }
  os::CaptureRequest request;
  request.window = reinterpret_cast<std::uintptr_t>(covered);
  request.x = 5;
  request.y = 5;
  request.width = 4;
  request.height = 3;
  request.mode = os::CaptureMode::kPrint;
  os::Bitmap printed, copied;
  ASSERT_TRUE(os::CaptureArea(request, &printed));
  request.mode = os::CaptureMode::kScreen;
  ASSERT_TRUE(os::CaptureArea(request, &copied));
  ASSERT_EQ(printed.width, 4);
  ASSERT_EQ(printed.height, 3);
  EXPECT_EQ(printed.Row(2)[3 * 4 + 2], 0x33) << "red of the window's own colour";
  EXPECT_EQ(printed.Row(2)[3 * 4 + 0], 0x99) << "blue of the window's own colour";
  EXPECT_EQ(copied.Row(0)[2], 0x80) << "the screen shows the fixture's grey on top";
  DestroyWindow(covered);
  UnregisterClassW(wc.lpszClassName, wc.hInstance);

  // Another process's window: Wine's PrintWindow draws nothing of it, so
  // only the size is held; on Windows the pixels are its own.
  request.window = reinterpret_cast<std::uintptr_t>(search_->window());
  request.mode = os::CaptureMode::kPrint;
  request.x = 10;
  request.y = 10;
  request.width = 16;
  request.height = 16;
  ASSERT_TRUE(os::CaptureArea(request, &printed));
  EXPECT_EQ(printed.width, 16);
  EXPECT_EQ(printed.height, 16);
}

// Not a pass/fail check: CHKIMG of a 32 x 32 template that is not on a busy
// screen, capture included.
class ScreenImageSpeedTest : public InterpreterTest {};

TEST_F(ScreenImageSpeedTest, AbsentTemplateOnABusyScreen) {
  Fixture noise(L"noise", 0, 0);
  ASSERT_NE(noise.window(), nullptr);
  const fs::path file = fs::temp_directory_path() / "zelk-images-absent32.bmp";
  std::mt19937 rng(99);
  std::ofstream(file, std::ios::binary) << Bmp24(32, 32, [&](int, int, int* r, int* g, int* b) {
    *r = static_cast<int>(rng() & 255);
    *g = static_cast<int>(rng() & 255);
    *b = static_cast<int>(rng() & 255);
  });
  interp.SetMainThread();
  const std::u16string call = u"CHKIMG(\"" + file.u16string() + u"\", 0, , , , , -1)";
  for (int round = 0; round < 3; ++round) {
    const auto start = std::chrono::steady_clock::now();
    Value v;
    Evaluate(call, interp.global, &v);
    const double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    std::u16string text;
    v.ToText(&text);
    EXPECT_EQ(text, u"0");
    std::printf("[ time     ] CHKIMG 32x32 absent on the 1280x1024 noise screen: %.1f ms\n", ms);
  }
  std::error_code ignored;
  fs::remove(file, ignored);
}

}  // namespace
}  // namespace zelk
#endif
