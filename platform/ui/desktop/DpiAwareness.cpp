// Own
#include "platform/ui/desktop/DpiAwareness.h"

// Project
#include "platform/ui/desktop/Monitors_p.h"

// Qt
#include <QScreen>

HRESULT SetProcessDpiAwareness(int /*value*/) {
  return 0;
}

HRESULT GetDpiForMonitor(HMONITOR hMonitor, int /*dpiType*/, UINT* dpiX, UINT* dpiY) {
  QScreen* screen = DuiLib::ScreenOfMonitor(hMonitor);
  if (!dpiX || !dpiY || !screen) return static_cast<HRESULT>(0x80070057L);  // E_INVALIDARG
  const double dpi = screen->logicalDotsPerInch() * screen->devicePixelRatio();
  *dpiX = *dpiY = static_cast<UINT>(dpi + 0.5);
  return 0;
}
