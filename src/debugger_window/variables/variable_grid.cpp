#include "debugger_window/variables/variable_grid.h"

#include <commctrl.h>

#include <string>

#include "debugger/views/value_edit.h"

namespace zelk::window {
namespace {

constexpr COLORREF kCompositeBackground = RGB(245, 245, 245);

// The cell the mouse was last over, shared by both grids so that moving from
// one to the other counts as a change.
const VariableGrid* lastGrid = nullptr;
int lastRow = -1;
int lastColumn = -1;

const wchar_t* Wide(const std::u16string& text) {
  return reinterpret_cast<const wchar_t*>(text.c_str());
}

std::u16string Decimal(int n) {
  const std::string digits = std::to_string(n);
  return std::u16string(digits.begin(), digits.end());
}

void AddColumn(HWND list, int index, const std::u16string& caption) {
  LVCOLUMNW column{};
  column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
  column.pszText = const_cast<wchar_t*>(Wide(caption));
  column.cx = 0;
  column.iSubItem = index;
  SendMessageW(list, LVM_INSERTCOLUMNW, index, reinterpret_cast<LPARAM>(&column));
}

int ColumnWidth(HWND list, int column) {
  return static_cast<int>(SendMessageW(list, LVM_GETCOLUMNWIDTH, column, 0));
}

// Tooltips show CR only as a line break when it comes with LF.
std::u16string TipLines(const std::u16string& hint) {
  std::u16string out;
  for (char16_t c : hint) {
    out += c;
    if (c == u'\r') out += u'\n';
  }
  return out;
}

}  // namespace

VariableGrid::VariableGrid(HWND parent, int id, const std::u16string& header, int tag) : tag_(tag) {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  list_ = CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, Wide(header),
                          WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_CLIPSIBLINGS | LVS_REPORT |
                              LVS_OWNERDATA | LVS_SINGLESEL | LVS_SHOWSELALWAYS,
                          0, 0, 0, 0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                          instance, nullptr);
  SendMessageW(list_, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES,
               LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
  HFONT font = reinterpret_cast<HFONT>(SendMessageW(parent, WM_GETFONT, 0, 0));
  if (font == nullptr) font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  SendMessageW(list_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  AddColumn(list_, 0, header);
  AddColumn(list_, 1, u"Value");
  AddColumn(list_, 2, u"");
  SetRowHeight();
  SetWindowSubclass(list_, ListProc, 1, reinterpret_cast<DWORD_PTR>(this));

  tip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                         WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT, CW_USEDEFAULT,
                         CW_USEDEFAULT, CW_USEDEFAULT, list_, nullptr, instance, nullptr);
  TOOLINFOW tool{};
  tool.cbSize = TTTOOLINFOW_V2_SIZE;
  tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  tool.hwnd = list_;
  tool.uId = reinterpret_cast<UINT_PTR>(list_);
  tool.lpszText = const_cast<wchar_t*>(L"");
  SendMessageW(tip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  SendMessageW(tip_, TTM_SETMAXTIPWIDTH, 0, 600);
  Clear();
}

VariableGrid::~VariableGrid() {
  if (lastGrid == this) lastGrid = nullptr;
  if (IsWindow(list_)) RemoveWindowSubclass(list_, ListProc, 1);
  if (IsWindow(tip_)) DestroyWindow(tip_);
  if (rowHeight_ != nullptr) ImageList_Destroy(rowHeight_);
}

// Rows are twice the font's size in points high; a list view takes its row
// height from its small image list.
void VariableGrid::SetRowHeight() {
  HFONT font = reinterpret_cast<HFONT>(SendMessageW(list_, WM_GETFONT, 0, 0));
  LOGFONTW look{};
  GetObjectW(font, sizeof(look), &look);
  HDC dc = GetDC(list_);
  const int dpi = GetDeviceCaps(dc, LOGPIXELSY);
  ReleaseDC(list_, dc);
  int points = look.lfHeight < 0 ? MulDiv(-look.lfHeight, 72, dpi) : 8;
  if (points < 6) points = 6;
  rowHeight_ = ImageList_Create(1, 2 * points, ILC_COLOR, 0, 1);
  SendMessageW(list_, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(rowHeight_));
}

void VariableGrid::Show(std::vector<VariableRow> rows) {
  rows_ = std::move(rows);
  RECT before;
  GetClientRect(list_, &before);
  SendMessageW(list_, LVM_SETITEMCOUNT, rows_.size() + 1, LVSICF_NOSCROLL);
  InvalidateRect(list_, nullptr, FALSE);
  RECT after;
  GetClientRect(list_, &after);
  // The vertical scroll bar came or went.
  if (after.right != before.right) FitColumns();
  if (lastGrid == this) {
    lastRow = -1;  // the next mouse move builds the hint from the new rows
  }
}

void VariableGrid::Clear() {
  Show({});
  hint_.clear();
  TOOLINFOW tool{};
  tool.cbSize = TTTOOLINFOW_V2_SIZE;
  tool.hwnd = list_;
  tool.uId = reinterpret_cast<UINT_PTR>(list_);
  tool.lpszText = const_cast<wchar_t*>(L"");
  SendMessageW(tip_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
}

void VariableGrid::Place(int x, int y, int width, int height) {
  MoveWindow(list_, x, y, width, height, TRUE);
  FitColumns();
}

void VariableGrid::FitColumns() {
  RECT client;
  GetClientRect(list_, &client);
  const int half = client.right / 2 - 1;
  SendMessageW(list_, LVM_SETCOLUMNWIDTH, 0, half > 0 ? half : 0);
  SendMessageW(list_, LVM_SETCOLUMNWIDTH, 1, half > 0 ? half : 0);
  SendMessageW(list_, LVM_SETCOLUMNWIDTH, 2, 0);
  KeepNameColumnInView();
}

// The name column never scrolls out of view: scrolled as far as the value
// column's start, the grid goes back to its left edge.
void VariableGrid::KeepNameColumnInView() {
  SCROLLINFO info{};
  info.cbSize = sizeof(info);
  info.fMask = SIF_POS;
  if (!GetScrollInfo(list_, SB_HORZ, &info)) return;
  if (info.nPos > 0 && info.nPos >= ColumnWidth(list_, 0)) {
    SendMessageW(list_, LVM_SCROLL, -info.nPos, 0);
  }
}

int VariableGrid::CellAt(POINT at, int* column) const {
  LVHITTESTINFO hit{};
  hit.pt = at;
  const int row =
      static_cast<int>(SendMessageW(list_, LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
  *column = hit.iSubItem;
  if (row < 0 || (hit.flags & LVHT_ONITEM) == 0) return -1;
  return row;
}

std::u16string VariableGrid::HintText() const {
  return hint_;
}

void VariableGrid::MouseMoved(POINT at) {
  int column = -1;
  const int row = CellAt(at, &column);
  if (lastGrid == this && row == lastRow && column == lastColumn) return;
  lastGrid = this;
  lastRow = row;
  lastColumn = column;
  SendMessageW(tip_, TTM_POP, 0, 0);
  hint_.clear();
  if (row >= 0 && static_cast<std::size_t>(row) < rows_.size()) {
    hint_ = VariableHint(rows_[static_cast<std::size_t>(row)]);
  }
  const std::u16string text = TipLines(hint_);
  TOOLINFOW tool{};
  tool.cbSize = TTTOOLINFOW_V2_SIZE;
  tool.hwnd = list_;
  tool.uId = reinterpret_cast<UINT_PTR>(list_);
  tool.lpszText = const_cast<wchar_t*>(Wide(text));
  SendMessageW(tip_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
}

LRESULT CALLBACK VariableGrid::ListProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                        UINT_PTR, DWORD_PTR data) {
  auto* grid = reinterpret_cast<VariableGrid*>(data);
  switch (message) {
    case WM_MOUSEMOVE:
      grid->MouseMoved({static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))});
      break;
    case WM_NOTIFY: {
      // The kind column keeps its width 0: its divider cannot be dragged.
      const auto* header = reinterpret_cast<const NMHEADERW*>(lParam);
      const UINT code = header->hdr.code;
      if ((code == HDN_BEGINTRACKW || code == HDN_BEGINTRACKA || code == HDN_DIVIDERDBLCLICKW ||
           code == HDN_DIVIDERDBLCLICKA) &&
          header->iItem == 2) {
        return TRUE;
      }
      if (code == HDN_ENDTRACKW || code == HDN_ENDTRACKA) {
        const LRESULT result = DefSubclassProc(window, message, wParam, lParam);
        PostMessageW(window, WM_HSCROLL, MAKEWPARAM(SB_ENDSCROLL, 0), 0);
        return result;
      }
      break;
    }
    case WM_HSCROLL: {
      const LRESULT result = DefSubclassProc(window, message, wParam, lParam);
      grid->KeepNameColumnInView();
      return result;
    }
    default:
      break;
  }
  return DefSubclassProc(window, message, wParam, lParam);
}

void VariableGrid::DrawCell(HDC dc, int row, int column, bool selected) {
  RECT cell{};
  cell.top = column;
  cell.left = LVIR_BOUNDS;
  if (!SendMessageW(list_, LVM_GETSUBITEMRECT, row, reinterpret_cast<LPARAM>(&cell))) return;
  // Column 0's rectangle is the whole row.
  if (column == 0) cell.right = cell.left + ColumnWidth(list_, 0);
  if (cell.right <= cell.left) return;
  const bool haveRow = static_cast<std::size_t>(row) < rows_.size();
  const VariableRow* data = haveRow ? &rows_[static_cast<std::size_t>(row)] : nullptr;
  COLORREF back = GetSysColor(COLOR_WINDOW);
  COLORREF fore = GetSysColor(COLOR_WINDOWTEXT);
  if (selected) {
    back = GetSysColor(COLOR_HIGHLIGHT);
    fore = GetSysColor(COLOR_HIGHLIGHTTEXT);
  } else if (data != nullptr && data->kind == kCompositeKind) {
    back = kCompositeBackground;
  }
  SetBkColor(dc, back);
  ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &cell, nullptr, 0, nullptr);
  if (data == nullptr) return;
  const std::u16string& text = column == 0 ? data->name : data->value;
  RECT inner = cell;
  inner.left += 2;
  SetTextColor(dc, fore);
  SetBkMode(dc, TRANSPARENT);
  DrawTextW(dc, Wide(text), static_cast<int>(text.size()), &inner,
            DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
}

LRESULT VariableGrid::CustomDraw(NMLVCUSTOMDRAW& draw) {
  switch (draw.nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
      return CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT: {
      const int row = static_cast<int>(draw.nmcd.dwItemSpec);
      const bool selected =
          (SendMessageW(list_, LVM_GETITEMSTATE, row, LVIS_SELECTED) & LVIS_SELECTED) != 0;
      HFONT font = reinterpret_cast<HFONT>(SendMessageW(list_, WM_GETFONT, 0, 0));
      HGDIOBJ old = SelectObject(draw.nmcd.hdc, font);
      DrawCell(draw.nmcd.hdc, row, 0, selected);
      DrawCell(draw.nmcd.hdc, row, 1, selected);
      SelectObject(draw.nmcd.hdc, old);
      return CDRF_SKIPDEFAULT;
    }
    default:
      return CDRF_DODEFAULT;
  }
}

void VariableGrid::EditRow(int row) {
  if (row < 0 || static_cast<std::size_t>(row) >= rows_.size()) return;
  const VariableRow& data = rows_[static_cast<std::size_t>(row)];
  // Arrays and hash tables are not changed in place.
  if (data.name.empty() || data.kind < 0 || !onEdit_) return;
  const VariableRow copy = data;  // the handler refills the rows
  onEdit_(copy);
}

bool VariableGrid::HandleNotify(const NMHDR& header, LRESULT* result) {
  if (header.hwndFrom != list_) return false;
  *result = 0;
  switch (header.code) {
    case LVN_GETDISPINFOW: {
      auto& info = const_cast<NMLVDISPINFOW&>(reinterpret_cast<const NMLVDISPINFOW&>(header));
      LVITEMW& item = info.item;
      if ((item.mask & LVIF_TEXT) == 0 || item.pszText == nullptr || item.cchTextMax <= 0) break;
      std::u16string text;
      if (item.iItem >= 0 && static_cast<std::size_t>(item.iItem) < rows_.size()) {
        const VariableRow& row = rows_[static_cast<std::size_t>(item.iItem)];
        text = item.iSubItem == 0 ? row.name : item.iSubItem == 1 ? row.value : Decimal(row.kind);
      }
      const std::size_t room = static_cast<std::size_t>(item.cchTextMax) - 1;
      if (text.size() > room) text.resize(room);
      text.copy(reinterpret_cast<char16_t*>(item.pszText), text.size());
      item.pszText[text.size()] = 0;
      return true;
    }
    case NM_CUSTOMDRAW:
      *result =
          CustomDraw(const_cast<NMLVCUSTOMDRAW&>(reinterpret_cast<const NMLVCUSTOMDRAW&>(header)));
      return true;
    case NM_DBLCLK: {
      POINT at;
      GetCursorPos(&at);
      ScreenToClient(list_, &at);
      int column = -1;
      EditRow(CellAt(at, &column));
      return true;
    }
    case NM_RETURN:
      // Enter on the selected row, for the keyboard.
      EditRow(static_cast<int>(SendMessageW(list_, LVM_GETNEXTITEM, -1, LVNI_SELECTED)));
      return true;
    default:
      break;
  }
  return false;
}

}  // namespace zelk::window
