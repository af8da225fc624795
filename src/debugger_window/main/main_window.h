// The debugger's main window: the run controls on top, one editor tab per
// source file, and on the right the variable views above the print window.
#pragma once

#include <windows.h>

#include <string>

#include "runtime/core/interpreter.h"

namespace zelk::window {

inline constexpr wchar_t kMainWindowClass[] = L"ZelkDebugger";

// Identifiers of the main window's controls (GetDlgItem finds them).
enum : int {
  kIdLoad = 1001,
  kIdSave,
  kIdRun,
  kIdPause,
  kIdStop,
  kIdStepIn,
  kIdStepOver,
  kIdTrace,
  kIdTraceValue,
  kIdTraceSpin,
  kIdFunctions,
  kIdSearchText,
  kIdSearchUp,
  kIdSearchDown,
  kIdScriptMenu,
  kIdOptionMenu,
  kIdHelpMenu,
  kIdTabs,
  kIdPrint,
  kIdSplitterMain,    // between the tabs and the right panel
  kIdSplitterGlobal,  // below the global variables
  kIdSplitterPrint,   // above the print window
};

// WM_COMMAND identifiers of the menu items: Cross Reference, Transparent
// Window, Font / Color, Zls2Exe; Debugger Help, ZELK Help, .INI/.LOG Folder,
// About; then the DbgScript scripts.
enum : int {
  kFirstMenuCommand = 2001,
  kCmdXRef = kFirstMenuCommand,
  kCmdTransparency,
  kCmdFontColour,
  kCmdZls2Exe,
  kCmdDebuggerHelp,
  kCmdZelkHelp,
  kCmdIniFolder,
  kCmdAbout,
  kCmdScriptBase = 2100,  // + index of the script
  kLastMenuCommand = kCmdScriptBase + 63,
};

// Messages other programs may send.
enum : UINT {
  kMsgRunScript = 0x8002,  // as the Run button
  kMsgHotkey = 0x8014,     // wParam virtual key, lParam 256 key down / 260 system key down
  kMsgGoToLine = 0x805C,   // wParam 1-based line in the active tab
};

// Creates and shows the window; scriptCommand (the first command-line
// argument, "" for none) is opened. The window frees itself when destroyed;
// PostQuitMessage follows its destruction when quitOnClose.
HWND CreateMainWindow(Interpreter& interp, const std::u16string& scriptCommand, int show,
                      bool quitOnClose);

// The window sees keys before its controls do: call for every message the
// loop takes; true when the message was a run key and is done.
bool PreviewKey(const MSG& msg);

}  // namespace zelk::window
