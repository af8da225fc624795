// The font and colour dialog: tab width, the editor font, text and
// background colours, and colour, bold and italic of each word class.
#include "debugger_window/options/appearance_dialogs.h"

#include <commdlg.h>

#include <cmath>
#include <iterator>
#include <string>

#include "base/numbers.h"
#include "base/text_scan.h"
#include "debugger_window/options/dialog_builder.h"
#include "foundation/messages.h"

namespace zelk::window {
namespace {

enum : int {
  kTabList = 100,
  kFontButton,
  kFontLabel,
  // Colour button i has id kColourButton + i and panel kColourPanel + i:
  // 0 text, 1 background, 2..7 the word classes 1..6.
  kColourButton = 200,
  kColourPanel = 300,
  kBoldBox = 400,  // + word class
  kItalicBox = 500,
};
constexpr int kColourCount = 8;

struct FontDialog {
  AppearanceSettings settings;
  COLORREF colours[kColourCount] = {};
};

std::u16string Decimal(int n) {
  const std::string digits = std::to_string(n);
  return std::u16string(digits.begin(), digits.end());
}

// The panel's text names its colour in the settings' own form.
std::u16string ColourText(COLORREF colour) {
  wchar_t text[16];
  wsprintfW(text, L"$%06X", static_cast<unsigned>(colour & 0xFFFFFF));
  return std::u16string(reinterpret_cast<const char16_t*>(text));
}

std::u16string WindowText(HWND window) {
  std::u16string text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, u'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(
      window, reinterpret_cast<wchar_t*>(text.data()), static_cast<int>(text.size()))));
  return text;
}

void SetPanel(HWND dialog, int index, COLORREF colour, FontDialog* state) {
  state->colours[index] = colour;
  HWND panel = GetDlgItem(dialog, kColourPanel + index);
  SetWindowTextW(panel, Wide(ColourText(colour)));
  InvalidateRect(panel, nullptr, TRUE);
}

void Build(HWND dialog, FontDialog* state) {
  const AppearanceSettings& s = state->settings;
  AddControl(dialog, L"STATIC", u"Tab", -1, 16, 16, 40, 20, SS_LEFT);
  HWND tabs = AddControl(dialog, L"COMBOBOX", u"", kTabList, 70, 12, 70, 200,
                         CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP);
  for (int width : kTabWidthChoices) {
    const LRESULT item =
        SendMessageW(tabs, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(Decimal(width))));
    if (width == s.tabWidth) SendMessageW(tabs, CB_SETCURSEL, static_cast<WPARAM>(item), 0);
  }
  AddControl(dialog, L"BUTTON", u"Font", kFontButton, 16, 44, 90, 26, BS_PUSHBUTTON | WS_TABSTOP);
  AddControl(dialog, L"STATIC", s.fontName + u", " + Decimal(s.fontSize), kFontLabel, 116, 49, 150,
             20, SS_LEFT | SS_NOPREFIX);

  const std::u16string classNames[] = {Msg(u"Syntax", u"構文"),
                                       Msg(u"Constant", u"定数"),
                                       Msg(u"Special variable", u"特殊変数"),
                                       Msg(u"Comment", u"コメント"),
                                       Msg(u"ZELK Function", u"ZELK関数"),
                                       Msg(u"String", u"文字列")};
  auto colourRow = [&](int index, const std::u16string& caption, int y) {
    AddControl(dialog, L"BUTTON", caption, kColourButton + index, 16, y, 90, 26,
               BS_PUSHBUTTON | WS_TABSTOP);
    AddControl(dialog, L"STATIC", u"", kColourPanel + index, 116, y + 2, 40, 22,
               SS_OWNERDRAW | SS_NOPREFIX);
  };
  colourRow(0, u"Font Color", 78);
  colourRow(1, u"Background", 110);
  AddControl(dialog, L"STATIC", Msg(u"Bold    Italic", u"太字  斜体"), -1, 170, 146, 100, 18,
             SS_LEFT);
  for (int c = 1; c < kWordClassCount; ++c) {
    const int y = 134 + c * 32;
    colourRow(c + 1, classNames[c - 1], y);
    AddControl(dialog, L"BUTTON", u"", kBoldBox + c, 176, y + 4, 20, 18,
               BS_AUTOCHECKBOX | WS_TABSTOP);
    AddControl(dialog, L"BUTTON", u"", kItalicBox + c, 216, y + 4, 20, 18,
               BS_AUTOCHECKBOX | WS_TABSTOP);
    CheckDlgButton(dialog, kBoldBox + c, (s.classes[c].style & kStyleBold) ? BST_CHECKED : 0);
    CheckDlgButton(dialog, kItalicBox + c, (s.classes[c].style & kStyleItalic) ? BST_CHECKED : 0);
  }
  AddControl(dialog, L"BUTTON", u"&OK", IDOK, 50, 364, 80, 28, BS_DEFPUSHBUTTON | WS_TABSTOP);
  AddControl(dialog, L"BUTTON", u"Cancel", IDCANCEL, 150, 364, 80, 28, BS_PUSHBUTTON | WS_TABSTOP);

  SetPanel(dialog, 0, s.textColour, state);
  SetPanel(dialog, 1, s.background, state);
  for (int c = 1; c < kWordClassCount; ++c) SetPanel(dialog, c + 1, s.classes[c].colour, state);
}

void ChooseFontFor(HWND dialog) {
  HWND label = GetDlgItem(dialog, kFontLabel);
  const std::u16string text = WindowText(label);
  const std::size_t comma = text.find(u',');
  LOGFONTW font{};
  lstrcpynW(font.lfFaceName, Wide(Trim(text.substr(0, comma))), LF_FACESIZE);
  HDC dc = GetDC(dialog);
  const double size = comma == std::u16string::npos ? 10 : TrimToNumber(text.substr(comma + 1));
  font.lfHeight = -MulDiv(static_cast<int>(size), GetDeviceCaps(dc, LOGPIXELSY), 72);
  ReleaseDC(dialog, dc);
  CHOOSEFONTW choose{};
  choose.lStructSize = sizeof choose;
  choose.hwndOwner = dialog;
  choose.lpLogFont = &font;
  choose.Flags = CF_SCREENFONTS | CF_FIXEDPITCHONLY | CF_NOSIMULATIONS | CF_NOVECTORFONTS |
                 CF_LIMITSIZE | CF_INITTOLOGFONTSTRUCT;
  choose.nSizeMin = 8;
  choose.nSizeMax = 48;
  if (!ChooseFontW(&choose)) return;
  const std::u16string face(reinterpret_cast<const char16_t*>(font.lfFaceName));
  SetWindowTextW(label, Wide(face + u", " + Decimal(choose.iPointSize / 10)));
}

void ChooseColourFor(HWND dialog, int index, FontDialog* state) {
  static COLORREF custom[16] = {};
  CHOOSECOLORW choose{};
  choose.lStructSize = sizeof choose;
  choose.hwndOwner = dialog;
  choose.rgbResult = state->colours[index];
  choose.lpCustColors = custom;
  choose.Flags = CC_RGBINIT | CC_FULLOPEN;
  if (!ChooseColorW(&choose)) return;
  // "No colour" counts as black.
  SetPanel(dialog, index, choose.rgbResult == CLR_INVALID ? 0 : choose.rgbResult, state);
}

void Commit(HWND dialog, FontDialog* state) {
  AppearanceSettings& s = state->settings;
  const LRESULT tab = SendDlgItemMessageW(dialog, kTabList, CB_GETCURSEL, 0, 0);
  if (tab >= 0 && tab < static_cast<LRESULT>(std::size(kTabWidthChoices))) {
    s.tabWidth = kTabWidthChoices[tab];
  }
  const std::u16string font = WindowText(GetDlgItem(dialog, kFontLabel));
  const std::size_t comma = font.find(u',');
  const std::u16string face = Trim(font.substr(0, comma));
  if (!face.empty()) s.fontName = face;
  if (comma != std::u16string::npos) {
    const double size = TrimToNumber(font.substr(comma + 1));
    if (size != kNotANumber && size >= 8 && size < 1000) s.fontSize = static_cast<int>(size);
  }
  s.textColour = state->colours[0];
  s.background = state->colours[1];
  for (int c = 1; c < kWordClassCount; ++c) {
    s.classes[c].colour = state->colours[c + 1];
    s.classes[c].style = (IsDlgButtonChecked(dialog, kBoldBox + c) ? kStyleBold : 0) |
                         (IsDlgButtonChecked(dialog, kItalicBox + c) ? kStyleItalic : 0);
  }
}

INT_PTR CALLBACK FontDialogProc(HWND dialog, UINT msg, WPARAM wp, LPARAM lp) {
  auto* state = reinterpret_cast<FontDialog*>(GetWindowLongPtrW(dialog, DWLP_USER));
  switch (msg) {
    case WM_INITDIALOG:
      SetWindowLongPtrW(dialog, DWLP_USER, lp);
      state = reinterpret_cast<FontDialog*>(lp);
      Build(dialog, state);
      PlaceDialog(dialog, 288, 432);
      return TRUE;
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
      const int index = static_cast<int>(item->CtlID) - kColourPanel;
      if (!state || index < 0 || index >= kColourCount) return FALSE;
      HBRUSH brush = CreateSolidBrush(state->colours[index]);
      FillRect(item->hDC, &item->rcItem, brush);
      DeleteObject(brush);
      FrameRect(item->hDC, &item->rcItem, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
      return TRUE;
    }
    case WM_COMMAND: {
      const int id = LOWORD(wp);
      if (id == IDOK) {
        Commit(dialog, state);
        EndDialog(dialog, IDOK);
      } else if (id == IDCANCEL) {
        EndDialog(dialog, IDCANCEL);
      } else if (id == kFontButton) {
        ChooseFontFor(dialog);
      } else if (id >= kColourButton && id < kColourButton + kColourCount) {
        ChooseColourFor(dialog, id - kColourButton, state);
      } else {
        return FALSE;
      }
      return TRUE;
    }
    default:
      return FALSE;
  }
}

}  // namespace

bool ShowFontDialog(HWND owner, AppearanceSettings& settings) {
  // The dialog always starts from the committed settings, so Cancel loses
  // every change made in it.
  FontDialog state{settings};
  if (RunDialog(owner, u"Option", 288, 432, FontDialogProc, reinterpret_cast<LPARAM>(&state)) !=
      IDOK) {
    return false;
  }
  settings = state.settings;
  return true;
}

}  // namespace zelk::window
