#include "debugger_window/main/tool_icons.h"

namespace zelk::window {
namespace {

COLORREF Shade(COLORREF colour, bool enabled) {
  if (enabled) return colour;
  // Disabled pictures are a light grey of their brightness.
  const int grey = (GetRValue(colour) * 30 + GetGValue(colour) * 59 + GetBValue(colour) * 11) / 100;
  const int light = 150 + grey / 3;
  return RGB(light, light, light);
}

void Fill(HDC dc, const POINT* points, int count, COLORREF colour, bool enabled) {
  HBRUSH brush = CreateSolidBrush(Shade(colour, enabled));
  HPEN pen = CreatePen(PS_SOLID, 1, Shade(RGB(40, 40, 40), enabled));
  HGDIOBJ oldBrush = SelectObject(dc, brush);
  HGDIOBJ oldPen = SelectObject(dc, pen);
  Polygon(dc, points, count);
  SelectObject(dc, oldBrush);
  SelectObject(dc, oldPen);
  DeleteObject(brush);
  DeleteObject(pen);
}

void Box(HDC dc, int x, int y, int w, int h, COLORREF colour, bool enabled) {
  const POINT p[] = {{x, y}, {x + w, y}, {x + w, y + h}, {x, y + h}};
  Fill(dc, p, 4, colour, enabled);
}

void Arrow(HDC dc, int x, int y, COLORREF colour, bool enabled) {
  // A downward arrow, 9 wide and 8 high, its tip at (x + 4, y + 8).
  const POINT p[] = {{x + 2, y},     {x + 6, y},     {x + 6, y + 4}, {x + 9, y + 4},
                     {x + 4, y + 9}, {x - 1, y + 4}, {x + 2, y + 4}};
  Fill(dc, p, 7, colour, enabled);
}

}  // namespace

void PaintToolIcon(HDC dc, const RECT& area, ToolIcon icon, bool enabled) {
  // Icons are drawn on a 20 x 16 grid centred in the button.
  const int x = (area.left + area.right) / 2 - 10;
  const int y = (area.top + area.bottom) / 2 - 8;
  switch (icon) {
    case ToolIcon::kLoad: {
      const POINT back[] = {{x + 1, y + 3},  {x + 7, y + 3},   {x + 9, y + 5},
                            {x + 17, y + 5}, {x + 17, y + 14}, {x + 1, y + 14}};
      Fill(dc, back, 6, RGB(230, 180, 60), enabled);
      const POINT front[] = {{x + 4, y + 8}, {x + 20, y + 8}, {x + 17, y + 14}, {x + 1, y + 14}};
      Fill(dc, front, 4, RGB(250, 215, 100), enabled);
      break;
    }
    case ToolIcon::kSave:
      Box(dc, x + 2, y + 1, 15, 14, RGB(50, 90, 170), enabled);
      Box(dc, x + 5, y + 1, 9, 5, RGB(235, 235, 235), enabled);
      Box(dc, x + 5, y + 9, 9, 6, RGB(200, 200, 200), enabled);
      break;
    case ToolIcon::kRun: {
      const POINT p[] = {{x + 5, y + 1}, {x + 17, y + 8}, {x + 5, y + 15}};
      Fill(dc, p, 3, RGB(30, 160, 60), enabled);
      break;
    }
    case ToolIcon::kPause:
      Box(dc, x + 5, y + 2, 4, 12, RGB(40, 90, 200), enabled);
      Box(dc, x + 12, y + 2, 4, 12, RGB(40, 90, 200), enabled);
      break;
    case ToolIcon::kStop:
      Box(dc, x + 4, y + 2, 12, 12, RGB(210, 40, 40), enabled);
      break;
    case ToolIcon::kStepIn:
      // Into the line below.
      Arrow(dc, x + 8, y, RGB(40, 90, 200), enabled);
      Box(dc, x + 3, y + 12, 14, 3, RGB(60, 60, 60), enabled);
      break;
    case ToolIcon::kStepOver: {
      // Over the line: a bridge, then down.
      const POINT p[] = {{x + 2, y + 10}, {x + 2, y + 2}, {x + 14, y + 2},
                         {x + 14, y + 5}, {x + 5, y + 5}, {x + 5, y + 10}};
      Fill(dc, p, 6, RGB(40, 90, 200), enabled);
      Arrow(dc, x + 11, y + 4, RGB(40, 90, 200), enabled);
      Box(dc, x + 1, y + 14, 6, 2, RGB(60, 60, 60), enabled);
      break;
    }
  }
}

void PaintToolButton(const DRAWITEMSTRUCT& item, ToolIcon icon) {
  const bool enabled = (item.itemState & ODS_DISABLED) == 0;
  const bool pressed = (item.itemState & ODS_SELECTED) != 0;
  RECT r = item.rcItem;
  DrawFrameControl(item.hDC, &r, DFC_BUTTON, DFCS_BUTTONPUSH | (pressed ? DFCS_PUSHED : 0));
  if (pressed) OffsetRect(&r, 1, 1);
  PaintToolIcon(item.hDC, r, icon, enabled);
  if (item.itemState & ODS_FOCUS) {
    RECT focus = item.rcItem;
    InflateRect(&focus, -3, -3);
    DrawFocusRect(item.hDC, &focus);
  }
}

}  // namespace zelk::window
