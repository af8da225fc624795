// The extra field is a child dialog built in memory (no resource file) and
// handed to the system dialog as its template.
#include "debugger_window/main/open_dialog.h"

#include <commdlg.h>

#include <cstdint>
#include <vector>

#include "base/text_scan.h"
#include "foundation/messages.h"
#include "platform/platform.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/window_utils.h"

namespace zelk::window {
namespace {

// A dialog template as the system reads it: WORDs, items DWORD-aligned.
class TemplateWriter {
 public:
  void Word(std::uint16_t w) { words_.push_back(w); }
  void Dword(std::uint32_t d) {
    Word(static_cast<std::uint16_t>(d & 0xFFFF));
    Word(static_cast<std::uint16_t>(d >> 16));
  }
  void Text(const std::u16string& text) {
    for (char16_t c : text) Word(c);
    Word(0);
  }
  void Align() {
    if (words_.size() % 2 != 0) Word(0);
  }
  void Item(std::uint32_t style, short x, short y, short cx, short cy, std::uint16_t id,
            std::uint16_t classAtom, const std::u16string& text) {
    Align();
    Dword(style | WS_CHILD | WS_VISIBLE);
    Dword(0);  // extended style
    Word(static_cast<std::uint16_t>(x));
    Word(static_cast<std::uint16_t>(y));
    Word(static_cast<std::uint16_t>(cx));
    Word(static_cast<std::uint16_t>(cy));
    Word(id);
    Word(0xFFFF);
    Word(classAtom);
    Text(text);
    Word(0);  // no creation data
  }
  // DWORD storage keeps the template aligned as the system expects.
  std::vector<std::uint32_t> Finish() {
    Align();
    std::vector<std::uint32_t> out(words_.size() / 2);
    for (std::size_t i = 0; i < out.size(); ++i) {
      out[i] = words_[2 * i] | (static_cast<std::uint32_t>(words_[2 * i + 1]) << 16);
    }
    return out;
  }

 private:
  std::vector<std::uint16_t> words_;
};

constexpr std::uint16_t kStaticAtom = 0x0082;
constexpr std::uint16_t kEditAtom = 0x0081;

std::vector<std::uint32_t> ParameterTemplate() {
  TemplateWriter t;
  t.Dword(WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | DS_3DLOOK | DS_CONTROL);
  t.Dword(0);  // extended style
  t.Word(2);   // items
  t.Word(0), t.Word(0), t.Word(260), t.Word(20);
  t.Word(0), t.Word(0), t.Word(0);  // no menu, default class, no title
  t.Item(SS_LEFT, 6, 5, 66, 10, kParameterLabelId, kStaticAtom,
         Msg(u"Parameter(&M):", u"パラメータ(&M):"));
  t.Item(WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 74, 3, 180, 13, kParameterEditId, kEditAtom, u"");
  return t.Finish();
}

struct DialogState {
  HWND owner;
  std::u16string parameters;
};

UINT_PTR CALLBACK ParameterHook(HWND dialog, UINT message, WPARAM, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    const auto* request = reinterpret_cast<const OPENFILENAMEW*>(lParam);
    SetWindowLongPtrW(dialog, DWLP_USER, static_cast<LONG_PTR>(request->lCustData));
    return TRUE;
  }
  if (message != WM_NOTIFY) return 0;
  auto* state = reinterpret_cast<DialogState*>(GetWindowLongPtrW(dialog, DWLP_USER));
  if (state == nullptr) return 0;
  const UINT code = reinterpret_cast<const NMHDR*>(lParam)->code;
  if (code == CDN_INITDONE) {
    // The dialog opens at the debugger's top-left corner, not where the
    // system would centre it.
    RECT at;
    if (state->owner && GetWindowRect(state->owner, &at)) {
      SetWindowPos(GetParent(dialog), nullptr, at.left, at.top, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
  } else if (code == CDN_FILEOK) {
    HWND edit = GetDlgItem(dialog, kParameterEditId);
    std::u16string text(static_cast<std::size_t>(GetWindowTextLengthW(edit)) + 1, u'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(
        edit, reinterpret_cast<wchar_t*>(text.data()), static_cast<int>(text.size()))));
    state->parameters = std::u16string(TrimView(text));
  }
  return 0;
}

}  // namespace

std::u16string SelectScriptFile(HWND owner) {
  std::vector<std::uint32_t> layout = ParameterTemplate();
  DialogState state{owner, u""};
  std::u16string folder;
  // A shortcut to a folder opens the dialog again there.
  for (int round = 0; round < 16; ++round) {
    wchar_t name[MAX_PATH * 2] = {};
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = owner;
    // The template handle is the template itself once it is in memory.
    dialog.hInstance = reinterpret_cast<HINSTANCE>(layout.data());
    dialog.lpstrFilter = L"ZelkScript Files\0*.zls\0";
    dialog.lpstrFile = name;
    dialog.nMaxFile = MAX_PATH * 2;
    dialog.lpstrInitialDir = folder.empty() ? nullptr : win::W(folder);
    // Shortcuts come back as themselves: their arguments belong to the command.
    dialog.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_EXPLORER |
                   OFN_ENABLEHOOK | OFN_ENABLETEMPLATEHANDLE | OFN_NODEREFERENCELINKS;
    dialog.lpfnHook = ParameterHook;
    dialog.lCustData = reinterpret_cast<LPARAM>(&state);
    if (!GetOpenFileNameW(&dialog)) return u"";
    std::u16string chosen(reinterpret_cast<const char16_t*>(name));
    std::u16string arguments;
    if (win::ResolveShortcut(chosen, &arguments)) {
      if (os::FolderExists(chosen)) {
        folder = chosen;
        continue;
      }
      chosen += arguments;  // " " and the arguments, when it has any
    }
    if (!state.parameters.empty()) chosen += u" " + state.parameters;
    return chosen;
  }
  return u"";
}

}  // namespace zelk::window
