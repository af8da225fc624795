// Script files changed by other programs while the debugger shows them:
// the script is opened again and the breakpoints come back to their lines.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "debugger_window/editor/source_editor.h"

namespace zelk::window {

// The question asked when the debugger has unsaved edits, and the balloon's
// text for a file that changed while it had none.
std::u16string ReloadQuestion();
std::u16string FileUpdatedText(const std::u16string& path);
inline constexpr char16_t kFileCheckCaption[] = u"ZELK Debugger";
// The balloon's window class; its window text is what it shows.
inline constexpr wchar_t kFileBalloonClass[] = L"ZelkFileBalloon";

// One pass of the check (the main window runs it every second while no
// script runs and the debugger is in front). The first editor, in tab
// order, whose file was written since it was loaded or saved decides, one
// file per pass: with unsaved edits in some editor the user is asked first
// (Cancel keeps the edits, and the same change is not asked about again);
// otherwise a balloon at the debugger's top left names the file for
// balloonMs milliseconds (none for 0; at most 59999). reopen opens the
// script again and returns the new editors in tab order; each gets the
// breakpoints of the editor that had its tab. True when reopened.
bool CheckChangedFiles(HWND debugger, const std::vector<SourceEditor*>& editors, int balloonMs,
                       const std::function<std::vector<SourceEditor*>()>& reopen);

}  // namespace zelk::window
