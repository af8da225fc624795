// The top bar: the seven run buttons, trace, the function list, the search
// box and the Script, Option and Help menus; and the companion tools.
#include <windows.h>
// After windows.h, which they need.
#include <commctrl.h>

#include <algorithm>

#include "base/text_scan.h"
#include "debugger_window/main/main_texts.h"
#include "debugger_window/main/main_window_impl.h"
#include "debugger_window/main/tool_icons.h"
#include "debugger_window/options/appearance_dialogs.h"
#include "foundation/paths.h"
#include "foundation/settings.h"
#include "platform/platform.h"
#include "platform/win32/wide_text.h"

namespace zelk::window {

using win::W;

namespace {

constexpr int kBarHeight = 24;
constexpr int kRunButtonWidth = 42;
constexpr int kMenuButtonWidth = 52;

constexpr const char16_t* kButtonHints[7] = {
    u"Load (Alt+L)", u"Save (Alt+S)", u"Run", u"Pause", u"Stop", u"Step In", u"Step Over"};

// Pause and Stop act when the mouse button goes down, not on the click.
LRESULT CALLBACK PressSubclass(HWND button, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                               DWORD_PTR owner) {
  if (message == WM_LBUTTONDOWN && IsWindowEnabled(button)) {
    auto* window = reinterpret_cast<MainWindow*>(owner);
    if (GetDlgCtrlID(button) == kIdPause) {
      window->EnterPause();
    } else {
      window->StopRun();
    }
  }
  return DefSubclassProc(button, message, wParam, lParam);
}

void AddTip(HWND tooltip, HWND owner, HWND control, const std::u16string& text) {
  TOOLINFOW info{};
  info.cbSize = sizeof(info);
  info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  info.hwnd = owner;
  info.uId = reinterpret_cast<UINT_PTR>(control);
  info.lpszText = const_cast<wchar_t*>(W(text));
  SendMessageW(tooltip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info));
}

constexpr int kMaxDebugScripts = kLastMenuCommand - kCmdScriptBase + 1;

std::u16string Quoted(const std::u16string& text) {
  return u"\"" + text + u"\"";
}

}  // namespace

void MainWindow::CreateToolbar() {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  auto make = [&](const wchar_t* cls, const std::u16string& text, int id, DWORD style) {
    HWND control =
        CreateWindowExW(0, cls, W(text), WS_CHILD | WS_VISIBLE | style, 0, 0, 10, 10, hwnd_,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    return control;
  };
  tooltip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, 0,
                             0, 0, 0, hwnd_, nullptr, instance, nullptr);
  SendMessageW(tooltip_, TTM_SETDELAYTIME, TTDT_INITIAL, 200);
  SendMessageW(tooltip_, TTM_SETDELAYTIME, TTDT_AUTOPOP, 30000);  // the most a tip stays
  SendMessageW(tooltip_, TTM_SETMAXTIPWIDTH, 0, 400);

  // The run keys' function keys go into their hints.
  const int keyOfButton[7] = {0,
                              0,
                              hotkeys_[kKeyRun],
                              hotkeys_[kKeyPause],
                              hotkeys_[kKeyStop],
                              hotkeys_[kKeyStepIn],
                              hotkeys_[kKeyStepOver]};
  for (int i = 0; i < 7; ++i) {
    buttons_[i] = make(L"BUTTON", kButtonHints[i], kIdLoad + i, BS_OWNERDRAW | WS_DISABLED);
    AddTip(tooltip_, hwnd_, buttons_[i], kButtonHints[i] + HotkeyHint(keyOfButton[i]));
  }
  SetWindowSubclass(buttons_[kIdPause - kIdLoad], PressSubclass, 1,
                    reinterpret_cast<DWORD_PTR>(this));
  SetWindowSubclass(buttons_[kIdStop - kIdLoad], PressSubclass, 1,
                    reinterpret_cast<DWORD_PTR>(this));

  trace_ = make(L"BUTTON", u"&Trace", kIdTrace, BS_AUTOCHECKBOX | WS_TABSTOP);
  traceValue_ = make(L"EDIT", u"100", kIdTraceValue, WS_BORDER | ES_RIGHT | WS_DISABLED);
  traceSpin_ = CreateWindowExW(0, UPDOWN_CLASSW, nullptr,
                               WS_CHILD | WS_VISIBLE | WS_DISABLED | UDS_SETBUDDYINT |
                                   UDS_ALIGNRIGHT | UDS_ARROWKEYS | UDS_NOTHOUSANDS,
                               0, 0, 0, 0, hwnd_,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(kIdTraceSpin)),
                               instance, nullptr);
  SendMessageW(traceSpin_, UDM_SETBUDDY, reinterpret_cast<WPARAM>(traceValue_), 0);
  SendMessageW(traceSpin_, UDM_SETRANGE32, static_cast<WPARAM>(-1), 10000);
  UDACCEL step{0, 100};
  SendMessageW(traceSpin_, UDM_SETACCEL, 1, reinterpret_cast<LPARAM>(&step));
  SendMessageW(traceSpin_, UDM_SETPOS32, 0, 100);
  AddTip(tooltip_, hwnd_, trace_, u"DeLay: ms");
  AddTip(tooltip_, hwnd_, traceValue_, u"DeLay: ms");

  functions_ = make(WC_COMBOBOXW, u"", kIdFunctions, CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP);
  AddTip(tooltip_, hwnd_, functions_, u"Function&Procedure");
  searchText_ = make(L"EDIT", u"", kIdSearchText, WS_BORDER | ES_AUTOHSCROLL | WS_TABSTOP);
  searchUp_ = make(L"BUTTON", u"\u25B3", kIdSearchUp, BS_PUSHBUTTON);
  searchDown_ = make(L"BUTTON", u"\u25BD", kIdSearchDown, BS_PUSHBUTTON);
  AddTip(tooltip_, hwnd_, searchText_, u"Search");
  scriptMenuButton_ = make(L"BUTTON", u"&Script", kIdScriptMenu, BS_PUSHBUTTON);
  optionMenuButton_ = make(L"BUTTON", u"&Option", kIdOptionMenu, BS_PUSHBUTTON);
  helpMenuButton_ = make(L"BUTTON", u"&Help", kIdHelpMenu, BS_PUSHBUTTON);
}

void MainWindow::LayoutToolbar(int width) {
  auto place = [](HWND control, int x, int y, int w, int h) {
    SetWindowPos(control, nullptr, x, y, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
  };
  int x = 0;
  for (HWND button : buttons_) {
    place(button, x, 0, kRunButtonWidth, kBarHeight);
    x += kRunButtonWidth;
  }
  x += 6;
  place(trace_, x, 2, 60, kBarHeight - 4);
  x += 62;
  place(traceValue_, x, 2, 56, kBarHeight - 4);
  SendMessageW(traceSpin_, UDM_SETBUDDY, reinterpret_cast<WPARAM>(traceValue_), 0);
  x += 56 + 8;
  const int right = width - 3 * kMenuButtonWidth;
  const int rest = std::max(0, right - x - 8);
  // The function list and the search box share what is left, 3 : 2.
  const int comboWidth = std::max(80, rest * 3 / 5 - 4);
  place(functions_, x, 1, comboWidth, 300);
  x += comboWidth + 4;
  const int searchWidth = std::max(60, right - x - 2 * 22 - 4);
  place(searchText_, x, 2, searchWidth, kBarHeight - 4);
  x += searchWidth;
  place(searchUp_, x, 1, 22, kBarHeight - 2);
  place(searchDown_, x + 22, 1, 22, kBarHeight - 2);
  place(scriptMenuButton_, right, 0, kMenuButtonWidth, kBarHeight);
  place(optionMenuButton_, right + kMenuButtonWidth, 0, kMenuButtonWidth, kBarHeight);
  place(helpMenuButton_, right + 2 * kMenuButtonWidth, 0, kMenuButtonWidth, kBarHeight);
}

void MainWindow::ShowMenu(int buttonId) {
  HMENU menu = CreatePopupMenu();
  if (buttonId == kIdOptionMenu) {
    AppendMenuW(menu, MF_STRING, kCmdXRef, L"Cross Reference");
    AppendMenuW(menu, MF_STRING, kCmdTransparency, L"Transparent Window...");
    AppendMenuW(menu, MF_STRING, kCmdFontColour, L"Font / Color...");
    AppendMenuW(menu, MF_STRING, kCmdZls2Exe, L"Zls2Exe");
  } else if (buttonId == kIdHelpMenu) {
    AppendMenuW(menu, MF_STRING, kCmdDebuggerHelp, L"Debugger Help");
    AppendMenuW(menu, MF_STRING, kCmdZelkHelp, L"ZELK Help");
    AppendMenuW(menu, MF_STRING, kCmdIniFolder, L".INI/.LOG Folder");
    AppendMenuW(menu, MF_STRING, kCmdAbout, L"About");
  } else {
    if (!debugScriptsRead_) {
      debugScriptsRead_ = true;
      const std::u16string folder = AppPaths().programFolder + u"DbgScript\\";
      for (const std::u16string& name : os::FindFiles(folder + u"*.ZLS")) {
        if (debugScripts_.size() >= kMaxDebugScripts) break;
        debugScripts_.push_back(folder + FileNamePart(name));
      }
    }
    for (std::size_t i = 0; i < debugScripts_.size(); ++i) {
      std::u16string caption = FileNamePart(debugScripts_[i]);
      caption = caption.substr(0, caption.find_last_of(u'.'));
      std::replace(caption.begin(), caption.end(), u'_', u' ');
      AppendMenuW(menu, MF_STRING, kCmdScriptBase + static_cast<int>(i), W(caption));
    }
    if (debugScripts_.empty()) AppendMenuW(menu, MF_STRING | MF_GRAYED, 0, L"DbgScript");
  }
  HWND button = GetDlgItem(hwnd_, buttonId);
  EnableWindow(button, FALSE);
  POINT at;
  GetCursorPos(&at);
  const int chosen = TrackPopupMenuEx(menu, TPM_RETURNCMD | TPM_NONOTIFY | TPM_LEFTALIGN, at.x,
                                      at.y, hwnd_, nullptr);
  EnableWindow(button, TRUE);
  DestroyMenu(menu);
  if (chosen != 0) MenuCommand(chosen);
}

void MainWindow::MenuCommand(int command) {
  const std::u16string folder = AppPaths().programFolder;
  switch (command) {
    case kCmdXRef:
    case kCmdZls2Exe:
      if (AnyModified()) {
        ShowStatus(texts::SaveBeforeTool());
      } else {
        LaunchTool(Quoted(folder + (command == kCmdXRef ? u"XRef.exe" : u"Zls2Exe.exe")) + u" " +
                   Quoted(scriptPath_));
      }
      break;
    case kCmdTransparency:
      if (ShowTransparencyDialog(hwnd_, &transparencyMode_, &transparencyValue_)) {
        ApplyTransparency();
      }
      break;
    case kCmdFontColour:
      if (ShowFontDialog(hwnd_, appearance_)) {
        SourceEditor::SetAppearance(appearance_);
        if (OpenClipboard(hwnd_)) {
          EmptyClipboard();
          CloseClipboard();
        }
        for (auto& editor : editors_) editor->Recolour();
      }
      break;
    case kCmdDebuggerHelp:
    case kCmdZelkHelp:
      OpenHelp(folder + (command == kCmdDebuggerHelp ? u"Vantor.chm" : u"zelk.chm"));
      break;
    case kCmdIniFolder:
      LaunchTool(u"explorer.exe /n,/select, " + Quoted(AppPaths().settingsFile));
      break;
    case kCmdAbout:
      ShowAbout(hwnd_);
      break;
    default:
      if (command >= kCmdScriptBase &&
          command < kCmdScriptBase + static_cast<int>(debugScripts_.size())) {
        LaunchTool(Quoted(folder + u"ZELK.exe") + u" " +
                   Quoted(debugScripts_[static_cast<std::size_t>(command - kCmdScriptBase)]));
      }
      break;
  }
}

void MainWindow::LaunchTool(const std::u16string& commandLine) {
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  std::u16string mutableLine = commandLine;
  if (CreateProcessW(nullptr, const_cast<wchar_t*>(W(mutableLine)), nullptr, nullptr, FALSE,
                     CREATE_DEFAULT_ERROR_MODE, nullptr, nullptr, &startup, &process)) {
    WaitForInputIdle(process.hProcess, 2000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return;
  }
  MessageBeep(MB_OK);
  ShowStatus(commandLine + u"\r" + texts::CannotStart());
}

void MainWindow::OpenHelp(const std::u16string& path) {
  // The help viewer is loaded only when asked for.
  using HtmlHelpFn = HWND(WINAPI*)(HWND, LPCWSTR, UINT, DWORD_PTR);
  static HtmlHelpFn htmlHelp = [] {
    HMODULE module = LoadLibraryW(L"hhctrl.ocx");
    return module ? reinterpret_cast<HtmlHelpFn>(
                        reinterpret_cast<void*>(GetProcAddress(module, "HtmlHelpW")))
                  : nullptr;
  }();
  if (!os::FileExists(path) || htmlHelp == nullptr) {
    ShowStatus(path + u"\r" + texts::CannotStart());
    return;
  }
  constexpr UINT kDisplayToc = 1;
  htmlHelp(hwnd_, W(path), kDisplayToc, 0);
}

void MainWindow::ApplyTransparency() {
  LONG_PTR style = GetWindowLongPtrW(hwnd_, GWL_EXSTYLE);
  if (transparencyMode_ == 1) {
    SetWindowLongPtrW(hwnd_, GWL_EXSTYLE, style | WS_EX_LAYERED);
    SetLayeredWindowAttributes(hwnd_, 0, static_cast<BYTE>(255 - transparencyValue_), LWA_ALPHA);
  } else if (style & WS_EX_LAYERED) {
    SetWindowLongPtrW(hwnd_, GWL_EXSTYLE, style & ~WS_EX_LAYERED);
  }
  RestoreFadedWindows();
}

}  // namespace zelk::window
