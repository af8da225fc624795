// What the three modal script dialogs share: the font, text measuring, the
// window with its modal loop, placement on the desktop and the remembered
// corner of each kind of dialog.
#pragma once

#include <windows.h>

#include <string>

#include "platform/dialogs.h"

namespace zelk::win {

// Owns a font; none when GDI is missing.
class Font {
 public:
  Font() = default;
  // size in points; quality as CreateFont takes it.
  Font(const std::u16string& face, int points, bool underline = false,
       DWORD quality = DEFAULT_QUALITY);
  ~Font();
  Font(const Font&) = delete;
  Font& operator=(const Font&) = delete;
  HFONT handle() const { return font_; }
  // The size text takes in this font (CR LF separates lines, TABs expand).
  SIZE Measure(const std::u16string& text) const;
  int LineHeight() const;

 private:
  HFONT font_ = nullptr;
};

// The modal dialogs' window: a caption with a system menu only, stay-on-top.
// Subclasses make their controls in Build and end the loop with Finish.
class ModalDialog {
 public:
  enum Kind { kMessage, kInput, kSelection };
  ModalDialog(Kind kind, const os::DialogLook& look);
  virtual ~ModalDialog();
  ModalDialog(const ModalDialog&) = delete;
  ModalDialog& operator=(const ModalDialog&) = delete;

  // Creates the window, lets Build fill it, places, shows and runs it until
  // Finish; false when no window could be made.
  bool Run(os::DialogPlace place);

 protected:
  // Controls and client size; the window exists, hidden.
  virtual SIZE Build() = 0;
  // A command from a control or the keyboard (IDOK for Enter, IDCANCEL for
  // Esc and the close box).
  virtual void Command(int id, int code, HWND control) = 0;
  virtual LRESULT Other(UINT message, WPARAM wParam, LPARAM lParam);
  void Finish() { done_ = true; }
  HWND window() const { return window_; }
  const Font& font() const { return font_; }
  const os::DialogLook& look() const { return look_; }
  // A child control with this dialog's font.
  HWND Control(const wchar_t* className, const std::u16string& text, DWORD style, int x, int y,
               int width, int height, int id, HWND parent = nullptr);

 private:
  static LRESULT CALLBACK Proc(HWND w, UINT message, WPARAM wParam, LPARAM lParam);
  void Place(os::DialogPlace place, SIZE client);

  Kind kind_;
  os::DialogLook look_;
  Font font_;
  HWND window_ = nullptr;
  bool done_ = false;
};

// The work area of the primary monitor.
RECT PrimaryWorkArea();

}  // namespace zelk::win
