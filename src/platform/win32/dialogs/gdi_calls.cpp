#include "platform/win32/dialogs/gdi_calls.h"

namespace zelk::win {
namespace {

template <typename F>
bool Load(HMODULE module, const char* name, F* function) {
  *function = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
  return *function != nullptr;
}

GdiCalls LoadGdi() {
  GdiCalls g;
  HMODULE m = LoadLibraryW(L"gdi32.dll");
  if (m == nullptr) return g;
  g.loaded =
      Load(m, "CreateFontW", &g.CreateFontW) && Load(m, "DeleteObject", &g.DeleteObject) &&
      Load(m, "SelectObject", &g.SelectObject) && Load(m, "GetDeviceCaps", &g.GetDeviceCaps) &&
      Load(m, "GetTextMetricsW", &g.GetTextMetricsW) && Load(m, "SetTextColor", &g.SetTextColor) &&
      Load(m, "SetBkColor", &g.SetBkColor) && Load(m, "SetBkMode", &g.SetBkMode) &&
      Load(m, "CreateSolidBrush", &g.CreateSolidBrush) && Load(m, "CreatePen", &g.CreatePen) &&
      Load(m, "Polyline", &g.Polyline) && Load(m, "CreatePolygonRgn", &g.CreatePolygonRgn) &&
      Load(m, "GetStockObject", &g.GetStockObject);
  return g;
}

}  // namespace

const GdiCalls& Gdi() {
  static const GdiCalls calls = LoadGdi();
  return calls;
}

}  // namespace zelk::win
