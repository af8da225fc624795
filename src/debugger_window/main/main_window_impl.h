// The main window's state, shared by the files that implement it: creation
// and layout (main_window.cpp), run control (run_control.cpp), scripts and
// tabs (script_tabs.cpp), the tool bar (toolbar.cpp).
#pragma once

#include <windows.h>

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "debugger_window/editor/source_editor.h"
#include "debugger_window/main/main_window.h"
#include "debugger_window/main/run_bridge.h"
#include "debugger_window/main/window_layout.h"
#include "debugger_window/variables/variables_panel.h"
#include "frontend/assembly.h"
#include "runtime/core/interpreter.h"

namespace zelk::window {

// Which buttons are enabled.
enum class ButtonLayout { kStartUp, kIdle, kRunning, kStepping, kPaused };

// The five run keys, in the order of their settings.
enum HotkeyIndex { kKeyStop, kKeyRun, kKeyPause, kKeyStepIn, kKeyStepOver, kHotkeyCount };

class MainWindow {
 public:
  MainWindow(Interpreter& interp, bool quitOnClose);
  ~MainWindow();

  bool Create(int show);
  HWND hwnd() const { return hwnd_; }

  // --- scripts and tabs (script_tabs.cpp) ---
  bool OpenScript(const std::u16string& command);
  void OpenUntitled();
  void AddTab(const std::u16string& path);
  void RemoveTabs();
  void Load();
  bool Save();
  void DropFiles(HDROP drop);
  bool AnyModified() const;
  void UpdateModifiedMarks();
  void CheckFiles();
  void SelectTab(int index);
  void FunctionChosen();
  void WidenFunctionList();
  void Search(bool downward);
  void SyncBreakpoints(int file);
  void WriteEditorCopies();
  void DeleteEditorCopies();
  SourceEditor* ActiveEditor() const;

  // --- run control (run_control.cpp) ---
  void StartRun(bool stopOnEntry);
  int TraceSetting() const;
  void Run();
  void Step(bool over);
  void StepOut();
  void EnterPause();
  void StopRun();
  void ApplyLayout(ButtonLayout layout);
  void SetRunTitle(const std::u16string& suffix);
  void OnStopped(StopReason reason);
  void OnTraceLine(int file, int line);
  void OnRunEnded();
  void OnPrintReady();
  void ShowLine(int file, int line);
  void ClearCurrentLine();
  void TraceChanged();
  bool HandleKey(WPARAM key, bool shift, bool alt);
  bool ButtonEnabled(int id) const;

  // --- tool bar and menus (toolbar.cpp) ---
  void CreateToolbar();
  void LayoutToolbar(int width);
  void ShowMenu(int buttonId);
  void MenuCommand(int command);
  void LaunchTool(const std::u16string& commandLine);
  void OpenHelp(const std::u16string& path);
  void ApplyTransparency();
  void FadeForegroundWindow();
  void RestoreFadedWindows();

  // --- layout (main_window.cpp) ---
  void Layout();
  void MoveSplitter(int id, int delta);
  void ShowStatus(const std::u16string& text);
  bool Close();
  void SaveLayout();

  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);

  Interpreter& interp_;
  bool quitOnClose_;
  HWND hwnd_ = nullptr;
  std::unique_ptr<RunBridge> bridge_;
  std::unique_ptr<VariablesPanel> panel_;

  // Controls.
  HWND buttons_[7] = {};  // Load, Save, Run, Pause, Stop, Step In, Step Over
  HWND trace_ = nullptr, traceValue_ = nullptr, traceSpin_ = nullptr;
  HWND functions_ = nullptr;
  HWND searchText_ = nullptr, searchUp_ = nullptr, searchDown_ = nullptr;
  HWND scriptMenuButton_ = nullptr, optionMenuButton_ = nullptr, helpMenuButton_ = nullptr;
  HWND tabs_ = nullptr;
  HWND print_ = nullptr;
  HWND splitters_[3] = {};
  HWND tooltip_ = nullptr;
  HFONT font_ = nullptr;
  HFONT printFont_ = nullptr;

  // Editors, one per tab; tab i shows source file i.
  std::vector<std::unique_ptr<SourceEditor>> editors_;
  std::vector<std::u16string> filePaths_;  // full paths by file index
  std::vector<NavigationEntry> navigation_;
  std::vector<std::u16string> copies_;  // "<path>$$$" copies written for the run
  int activeTab_ = 0;

  // The script.
  std::u16string scriptPath_;  // "" before one was opened
  std::u16string scriptName_;
  std::u16string openCommand_;
  std::vector<std::u16string> params_;
  bool restartRequested_ = false;
  bool startedByRun_ = false;  // the run came from Run, not from a step
  bool untitled_ = true;       // tab 0 shows the untitled file

  // Run state as the buttons show it.
  ButtonLayout layout_ = ButtonLayout::kStartUp;
  int currentFile_ = -1;
  int currentLine_ = -1;
  int lastTraceValue_ = 100;
  bool startingRun_ = false;
  bool timerBusy_ = false;  // a save or the file check runs: the timer waits
  int fileUpdateMessageMs_ = 1600;

  std::vector<std::u16string> debugScripts_;  // the DbgScript menu
  bool debugScriptsRead_ = false;
  AppearanceSettings appearance_;
  int transparencyMode_ = 0;
  int transparencyValue_ = 120;
  std::vector<HWND> fadedWindows_;
  HWND lastForeground_ = nullptr;
  RECT lastForegroundRect_{};

  std::array<int, kHotkeyCount> hotkeys_{};  // virtual-key codes, 0 = none
  PanelSizes sizes_;
};

}  // namespace zelk::window
