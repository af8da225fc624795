#include "debugger_window/editor/file_change_check.h"

#include <algorithm>
#include <memory>

#include "foundation/messages.h"
#include "platform/platform.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/window_class.h"
#include "platform/win32/window_utils.h"

namespace zelk::window {

using win::W;

namespace {

constexpr int kBalloonLimitMs = 59999;
constexpr int kPadding = 8;
constexpr COLORREF kBalloonBack = RGB(255, 255, 225);

// A note that shows its window text, lines split at CR, and takes no focus.
class Balloon {
 public:
  Balloon(HWND debugger, const std::u16string& text) {
    win::RegisterWindowClass(kFileBalloonClass, &Balloon::Proc, IDC_ARROW, kBalloonBack);
    std::u16string shown = text;
    std::replace(shown.begin(), shown.end(), u'\r', u'\n');
    RECT area{0, 0, 0, 0};
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    DrawTextW(dc, W(shown), -1, &area, DT_CALCRECT | DT_NOPREFIX);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    RECT frame{};
    GetWindowRect(debugger, &frame);
    hwnd_ = CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, kFileBalloonClass,
                            W(text), WS_POPUP | WS_BORDER, frame.left, frame.top,
                            area.right + 2 * kPadding + 2, area.bottom + 2 * kPadding + 2, debugger,
                            nullptr, GetModuleHandleW(nullptr), nullptr);
    ShowWindow(hwnd_, SW_SHOWNOACTIVATE);
    UpdateWindow(hwnd_);
    shownAt_ = GetTickCount64();
  }
  ~Balloon() {
    if (hwnd_) DestroyWindow(hwnd_);
  }
  Balloon(const Balloon&) = delete;
  Balloon& operator=(const Balloon&) = delete;

  // Keeps the window responsive until ms have passed since the balloon came.
  void StayFor(int ms) const {
    while (GetTickCount64() - shownAt_ < static_cast<ULONGLONG>(ms)) {
      os::SleepMs(50);
      os::ProcessMessages();
    }
  }

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_PAINT) {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      std::u16string text(static_cast<std::size_t>(GetWindowTextLengthW(hwnd)) + 1, u'\0');
      text.resize(static_cast<std::size_t>(GetWindowTextW(
          hwnd, reinterpret_cast<wchar_t*>(text.data()), static_cast<int>(text.size()))));
      std::replace(text.begin(), text.end(), u'\r', u'\n');
      RECT client;
      GetClientRect(hwnd, &client);
      InflateRect(&client, -kPadding, -kPadding);
      HGDIOBJ old = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
      SetBkMode(dc, TRANSPARENT);
      DrawTextW(dc, W(text), -1, &client, DT_NOPREFIX);
      SelectObject(dc, old);
      EndPaint(hwnd, &ps);
      return 0;
    }
    if (msg == WM_MOUSEACTIVATE) return MA_NOACTIVATE;
    return DefWindowProcW(hwnd, msg, wp, lp);
  }

  HWND hwnd_ = nullptr;
  ULONGLONG shownAt_ = 0;
};

}  // namespace

std::u16string ReloadQuestion() {
  return Msg(u"File has been updated in the external.\rAre you sure you want to update?",
             u"外部にてファイルが更新されました。\r更新してもよろしいですか？");
}

std::u16string FileUpdatedText(const std::u16string& path) {
  return u"ZELK Debugger\r" + path + u"\r" + Msg(u"File was updated", u"ファイルが更新されました");
}

bool CheckChangedFiles(HWND debugger, const std::vector<SourceEditor*>& editors, int balloonMs,
                       const std::function<std::vector<SourceEditor*>()>& reopen) {
  const auto changed = std::find_if(editors.begin(), editors.end(),
                                    [](SourceEditor* e) { return e && e->TakeDiskChange(); });
  if (changed == editors.end()) return false;
  const bool modified = std::any_of(editors.begin(), editors.end(),
                                    [](SourceEditor* e) { return e && e->IsModified(); });
  std::unique_ptr<Balloon> balloon;
  if (modified) {
    if (win::ShowMessageBox(debugger, ReloadQuestion(), kFileCheckCaption,
                            MB_OKCANCEL | MB_ICONQUESTION) != IDOK) {
      return false;
    }
  } else if (balloonMs > 0) {
    balloon = std::make_unique<Balloon>(debugger, FileUpdatedText((*changed)->FilePath()));
    for (int pass = 0; pass < 40; ++pass) os::ProcessMessages();
  }
  std::vector<std::vector<KeptBreakpoint>> kept;
  kept.reserve(editors.size());
  for (SourceEditor* editor : editors) {
    kept.push_back(editor ? editor->SaveAnchors() : std::vector<KeptBreakpoint>{});
  }
  // The old editors are gone after this.
  const std::vector<SourceEditor*> fresh = reopen();
  for (std::size_t i = 0; i < fresh.size() && i < kept.size(); ++i) {
    if (fresh[i]) fresh[i]->RestoreAnchors(kept[i]);
  }
  if (balloon) balloon->StayFor(std::min(balloonMs, kBalloonLimitMs));
  return true;
}

}  // namespace zelk::window
