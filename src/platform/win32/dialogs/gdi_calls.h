// The few GDI calls the dialog windows make, loaded from gdi32.dll when first
// needed: the platform layer's programs do not all link GDI.
#pragma once

#include <windows.h>

namespace zelk::win {

struct GdiCalls {
  decltype(&::CreateFontW) CreateFontW = nullptr;
  decltype(&::DeleteObject) DeleteObject = nullptr;
  decltype(&::SelectObject) SelectObject = nullptr;
  decltype(&::GetDeviceCaps) GetDeviceCaps = nullptr;
  decltype(&::GetTextMetricsW) GetTextMetricsW = nullptr;
  decltype(&::SetTextColor) SetTextColor = nullptr;
  decltype(&::SetBkColor) SetBkColor = nullptr;
  decltype(&::SetBkMode) SetBkMode = nullptr;
  decltype(&::CreateSolidBrush) CreateSolidBrush = nullptr;
  decltype(&::CreatePen) CreatePen = nullptr;
  decltype(&::Polyline) Polyline = nullptr;
  decltype(&::CreatePolygonRgn) CreatePolygonRgn = nullptr;
  decltype(&::GetStockObject) GetStockObject = nullptr;
  bool loaded = false;
};

// Every pointer set, or loaded false (then no window is made).
const GdiCalls& Gdi();

}  // namespace zelk::win
