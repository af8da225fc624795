// One variable grid: a virtual list view with the name, value and (hidden)
// kind columns, painted by its owner, with the row hints. The panel forwards
// the list view's notifications to HandleNotify.
#pragma once

#include <windows.h>
// commctrl.h needs windows.h first
#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

#include "debugger/variable_view.h"

namespace zelk::window {

class VariableGrid {
 public:
  // header: the name column's caption ("Global", "Local"); tag as the
  // debugger's grids have it: 1 for the local grid, 0 for the global one.
  VariableGrid(HWND parent, int id, const std::u16string& header, int tag);
  ~VariableGrid();
  VariableGrid(const VariableGrid&) = delete;
  VariableGrid& operator=(const VariableGrid&) = delete;

  HWND Window() const { return list_; }
  int Tag() const { return tag_; }
  const std::vector<VariableRow>& Rows() const { return rows_; }

  // The rows, then one empty row.
  void Show(std::vector<VariableRow> rows);
  // Back to one empty row, no hint.
  void Clear();
  void Place(int x, int y, int width, int height);
  // Name and value columns take half of the width each, the kind column none.
  void FitColumns();

  // Called on a double-click (or Enter) on a row that may be edited (a scalar).
  void OnEdit(std::function<void(const VariableRow&)> handler) { onEdit_ = std::move(handler); }
  // True when the notification was the grid's; *result is then its answer.
  bool HandleNotify(const NMHDR& header, LRESULT* result);

  // The hint text the grid shows now ("" for none).
  std::u16string HintText() const;

 private:
  static LRESULT CALLBACK ListProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
  void MouseMoved(POINT at);
  LRESULT CustomDraw(NMLVCUSTOMDRAW& draw);
  void DrawCell(HDC dc, int row, int column, bool selected);
  void KeepNameColumnInView();
  void SetRowHeight();
  int CellAt(POINT at, int* column) const;
  void EditRow(int row);

  HWND list_ = nullptr;
  HWND tip_ = nullptr;
  HIMAGELIST rowHeight_ = nullptr;
  int tag_ = 0;
  std::vector<VariableRow> rows_;
  std::u16string hint_;
  std::function<void(const VariableRow&)> onEdit_;
};

}  // namespace zelk::window
