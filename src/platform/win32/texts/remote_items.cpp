#include "platform/win32/texts/remote_items.h"

#include <commctrl.h>

#include <cstring>

namespace zelk::win {
namespace {

// Field offsets of the records in a 32-bit and a 64-bit target.
struct Layout {
  std::size_t tabText, tabMax, tabSize;
  std::size_t treeItem, treeText, treeMax, treeSize;
  std::size_t lvSub, lvText, lvMax, lvSize;
  std::size_t colText, colMax, colSize;
  std::size_t tbSize;
};
constexpr Layout k32{12, 16, 28, 4, 16, 20, 40, 8, 20, 24, 64, 12, 16, 44, 20};
constexpr Layout k64{16, 24, 40, 8, 24, 32, 56, 8, 24, 32, 88, 16, 24, 56, 32};

std::u16string Trimmed(std::u16string s) {
  const std::size_t first = s.find_first_not_of(u" \t\r\n");
  if (first == s.npos) return {};
  return s.substr(first, s.find_last_not_of(u" \t\r\n") - first + 1);
}

}  // namespace

RemoteItems::RemoteItems(HWND control) : control_(control), memory_(control, kBytes) {}

LRESULT RemoteItems::Send(UINT message, WPARAM wparam, std::size_t offset) {
  DWORD_PTR answer = 0;
  if (!SendMessageTimeoutW(control_, message, wparam, static_cast<LPARAM>(memory_.address(offset)),
                           SMTO_ABORTIFHUNG, 1000, &answer)) {
    return 0;
  }
  return static_cast<LRESULT>(answer);
}

void RemoteItems::PutPointer(char* record, std::size_t at, std::uint64_t value) const {
  if (memory_.target64()) {
    std::memcpy(record + at, &value, 8);
  } else {
    const std::uint32_t low = static_cast<std::uint32_t>(value);
    std::memcpy(record + at, &low, 4);
  }
}

std::u16string RemoteItems::TextBack() {
  char16_t text[kTextChars + 1] = {};
  if (!memory_.Read(kTextAt, text, kTextChars * sizeof(char16_t))) return {};
  text[kTextChars] = 0;
  return std::u16string(text);
}

bool RemoteItems::TabText(int index, std::u16string* text) {
  if (!valid()) return false;
  const Layout& l = memory_.target64() ? k64 : k32;
  char record[64] = {};
  const UINT mask = TCIF_TEXT;
  std::memcpy(record, &mask, 4);
  PutPointer(record, l.tabText, memory_.address(kTextAt));
  const int max = kTextChars;
  std::memcpy(record + l.tabMax, &max, 4);
  if (!memory_.Clear(kTextAt, kTextChars * 2 + 2) || !memory_.Write(0, record, l.tabSize)) {
    return false;
  }
  if (!Send(TCM_GETITEMW, static_cast<WPARAM>(index))) return false;
  *text = TextBack();
  return true;
}

bool RemoteItems::TreeText(std::uintptr_t item, std::u16string* text) {
  if (!valid()) return false;
  const Layout& l = memory_.target64() ? k64 : k32;
  char record[64] = {};
  const UINT mask = TVIF_TEXT | TVIF_HANDLE;
  std::memcpy(record, &mask, 4);
  PutPointer(record, l.treeItem, item);
  PutPointer(record, l.treeText, memory_.address(kTextAt));
  const int max = kTextChars;
  std::memcpy(record + l.treeMax, &max, 4);
  if (!memory_.Clear(kTextAt, kTextChars * 2 + 2) || !memory_.Write(0, record, l.treeSize)) {
    return false;
  }
  if (!Send(TVM_GETITEMW, 0)) return false;
  *text = Trimmed(TextBack());
  return true;
}

bool RemoteItems::ListViewText(int index, int column, std::u16string* text) {
  if (!valid()) return false;
  const Layout& l = memory_.target64() ? k64 : k32;
  char record[96] = {};
  std::memcpy(record + l.lvSub, &column, 4);
  PutPointer(record, l.lvText, memory_.address(kTextAt));
  const int max = kTextChars;
  std::memcpy(record + l.lvMax, &max, 4);
  if (!memory_.Clear(kTextAt, kTextChars * 2 + 2) || !memory_.Write(0, record, l.lvSize)) {
    return false;
  }
  Send(LVM_GETITEMTEXTW, static_cast<WPARAM>(index));
  *text = TextBack();
  return true;
}

bool RemoteItems::ListViewHeader(int column, std::u16string* text) {
  if (!valid()) return false;
  const Layout& l = memory_.target64() ? k64 : k32;
  char record[64] = {};
  const UINT mask = LVCF_TEXT;
  std::memcpy(record, &mask, 4);
  PutPointer(record, l.colText, memory_.address(kTextAt));
  const int max = kTextChars;
  std::memcpy(record + l.colMax, &max, 4);
  if (!memory_.Clear(kTextAt, kTextChars * 2 + 2) || !memory_.Write(0, record, l.colSize)) {
    return false;
  }
  if (!Send(LVM_GETCOLUMNW, static_cast<WPARAM>(column))) return false;
  *text = TextBack();
  return true;
}

bool RemoteItems::ToolbarButton(int index, int* command, BYTE* state, BYTE* style) {
  if (!valid()) return false;
  const Layout& l = memory_.target64() ? k64 : k32;
  if (!memory_.Clear(0, l.tbSize)) return false;
  if (!Send(TB_GETBUTTON, static_cast<WPARAM>(index))) return false;
  char record[32] = {};
  if (!memory_.Read(0, record, l.tbSize)) return false;
  std::memcpy(command, record + 4, 4);
  *state = static_cast<BYTE>(record[8]);
  *style = static_cast<BYTE>(record[9]);
  return true;
}

bool RemoteItems::ToolbarText(int command, std::u16string* text) {
  if (!valid() || !memory_.Clear(kTextAt, kTextChars * 2 + 2)) return false;
  // The answer is the length; -1 for a button without text. Asking for the
  // length first keeps a long text from overrunning the buffer.
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutW(control_, TB_GETBUTTONTEXTW, static_cast<WPARAM>(command), 0,
                           SMTO_ABORTIFHUNG, 1000, &length) ||
      static_cast<LRESULT>(length) < 0 || length >= static_cast<DWORD_PTR>(kTextChars)) {
    return false;
  }
  Send(TB_GETBUTTONTEXTW, static_cast<WPARAM>(command), kTextAt);
  *text = TextBack();
  return true;
}

bool RemoteItems::StatusText(int part, std::u16string* text) {
  if (!valid()) return false;
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutW(control_, SB_GETTEXTLENGTHW, static_cast<WPARAM>(part), 0,
                           SMTO_ABORTIFHUNG, 1000, &length)) {
    return false;
  }
  // A longer text than the buffer holds is not asked for at all: the
  // message has no size limit of its own.
  if (LOWORD(length) >= kTextChars) {
    text->clear();
    return true;
  }
  if (!memory_.Clear(kTextAt, kTextChars * 2 + 2)) return false;
  Send(SB_GETTEXTW, static_cast<WPARAM>(part), kTextAt);
  *text = Trimmed(TextBack());
  return true;
}

bool RemoteItems::StatusRect(int part, RECT* rect) {
  if (!valid() || !memory_.Clear(0, sizeof(RECT))) return false;
  if (!Send(SB_GETRECT, static_cast<WPARAM>(part))) return false;
  return memory_.Read(0, rect, sizeof(RECT));
}

}  // namespace zelk::win
