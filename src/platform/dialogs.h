// The script dialogs and small windows the built-ins show: message, input
// and selection boxes, the pop-up menu, balloons, the print window and the
// stop form. Each call runs its window on the calling thread and returns when
// it has closed; only Windows has them (DialogsAvailable).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zelk::os {

// No position: the dialog centres itself.
inline constexpr int kNoDialogPosition = -999999;

bool DialogsAvailable();

// Caption, font and message language shared by the three modal dialogs.
struct DialogLook {
  std::u16string caption;
  std::u16string fontName;  // "" the default (Tahoma)
  int fontSize = 0;         // points; 0 or less the default
  bool japanese = false;
};

// Where a modal dialog opens: centred, at a top-left corner (kept on the
// desktop), or where this kind of dialog was when it last closed.
struct DialogPlace {
  enum Kind { kCentre, kAt, kLast } kind = kCentre;
  int x = 0;
  int y = 0;
};

// Button values of the message dialog.
enum DialogButton : int {
  kButtonOk = 1,
  kButtonCancel = 2,
  kButtonYes = 4,
  kButtonNo = 8,
  kButtonAbort = 16,
  kButtonRetry = 32,
  kButtonIgnore = 64,
};

// The message dialog's buttons in the order they are laid out, with their
// captions in English and Japanese.
struct ButtonText {
  int button;
  const char16_t* english;
  const char16_t* japanese;
};
inline constexpr ButtonText kMessageButtons[] = {
    {kButtonYes, u"Yes", u"はい(&Y)"},
    {kButtonNo, u"No", u"いいえ(&N)"},
    {kButtonOk, u"OK", u"OK"},
    {kButtonCancel, u"Cancel", u"Cancel"},
    {kButtonAbort, u"Abort", u"中止(&A)"},
    {kButtonRetry, u"Retry", u"再試行(&R)"},
    {kButtonIgnore, u"Ignore", u"無視(&I)"},
};

// A part of a text, in characters.
struct TextSpan {
  std::size_t start = 0;
  std::size_t length = 0;
};

// The value of the button pressed; kButtonCancel for Esc and the close box.
// links: parts of text shown as clickable addresses.
int ShowMessageDialog(const DialogLook& look, const std::u16string& text, int buttons,
                      int focusButton, const std::vector<TextSpan>& links, DialogPlace place);

// False when cancelled; else *text is what the edit held.
bool ShowInputDialog(const DialogLook& look, const std::u16string& prompt,
                     const std::u16string& defaultText, bool password, DialogPlace place,
                     std::u16string* text);

// Selection-box types (bits).
enum SelectionType : int {
  kSelectButtons = 1,
  kSelectChecks = 2,
  kSelectRadios = 4,
  kSelectCombo = 8,
  kSelectList = 16,
  kSelectTexts = 64,
  kSelectIndexes = 128,
};

struct SelectionAnswer {
  enum Outcome { kChosen, kClosed, kTimedOut } outcome = kClosed;
  std::vector<int> chosen;  // 0-based choices pressed, checked or selected
};
SelectionAnswer ShowSelectionDialog(const DialogLook& look, const std::u16string& message,
                                    const std::vector<std::u16string>& choices, int type,
                                    int timeoutSeconds, DialogPlace place);

// One item of a pop-up menu; its identifier is its position. parent: the
// item whose submenu holds it, -1 for the top level.
struct MenuEntry {
  std::u16string caption;
  int parent = -1;
};
// The chosen item, -1 when the menu was dismissed, kNoDialogPosition when it
// could not be shown. The menu is rebuilt only when key differs from the last
// call's. atCursor: open at the mouse cursor instead of x, y.
int ShowPopupMenu(const std::u16string& key, const std::vector<MenuEntry>& entries, int x, int y,
                  bool atCursor);

// A speech balloon; owner 0 the main program, 1..64 a script thread's.
struct BalloonLook {
  int direction = 0;  // 1 pointer up, 2 down, 3 left, 4 right, else none
  int fontSize = 0;   // points; 0 the default
  std::u16string fontName;
  int textColour = 0;    // blue-green-red
  int backColour = 0;    // 0 or less: yellow
  int transparency = 0;  // 0 opaque, -1 colour key with outline, -2 without, else 255 - v
  int smoothing = 0;     // 0: no anti-aliasing
  bool ownedByDesktop = false;
  std::u16string defaultFontName;  // the scripts' dialog font, "" Tahoma
  bool operator==(const BalloonLook&) const = default;
};
void ShowBalloon(int owner, const std::u16string& text, int x, int y, const BalloonLook& look);
void HideBalloon(int owner);
void DestroyBalloon(int owner);
// The balloon's window handle, 0 when there is none.
std::uintptr_t BalloonWindow(int owner);

// The stand-alone print window of a run without the debugger: may-show flag,
// then optional place and size; lines replace its text.
struct PrintWindowRequest {
  bool show = false;
  bool place = false;
  int x = 0, y = 0;
  bool size = false;
  int width = 0, height = 0;
  std::u16string caption;
};
void ShowPrintWindow(const PrintWindowRequest& request, const std::vector<std::u16string>& lines);
std::uintptr_t PrintWindowHandle();
// A printed line for the print window, once LOGPRINT has made it: appended,
// and the window shown again when hidden, unless the last LOGPRINT hid it.
// Nothing before.
void AppendPrintWindow(const std::u16string& line);
// A new run: printed lines may show the window again.
void AllowPrintWindow();
// Its text becomes lines (the print-line buffer after a trim).
void ReplacePrintWindowText(const std::vector<std::u16string>& lines);

// The stop form: a window captioned "STOP" of no size, never shown, made on
// the first ask.
std::uintptr_t StopFormWindow();

}  // namespace zelk::os
