// CDPI: the display scale in percent and the process's DPI awareness. The scale comes from
// the DPI the desktop reports for the monitor nearest (1, 1); Qt 6 is always per-monitor
// aware, so SetProcessDpiAwareness is present and the awareness reached is 2. The function
// that only older systems have (SetProcessDPIAware) stays null.
#pragma once

#include "platform/ui/desktop/DpiAwareness.h"

class CDPI {
 public:
  using PFN_SetProcessDPIAware = BOOL (*)();
  using PFN_SetProcessDpiAwareness = HRESULT (*)(int value);
  using PFN_GetDpiForMonitor = HRESULT (*)(HMONITOR hMonitor, int dpiType, UINT* dpiX, UINT* dpiY);

  CDPI();

  int GetScale() const { return m_nScaleFactor; }
  int GetScaleForDpi(UINT dpi) const;
  // The scale when the first CDPI of the process was made.
  static int GetScaleAtStart() { return s_nScaleFactorSDA; }
  int GetAwareness() const { return m_nAwareness; }
  // Scales a length given at 100 %.
  int Scale(int x) const;

  PFN_SetProcessDPIAware SetProcessDPIAware = nullptr;
  PFN_SetProcessDpiAwareness SetProcessDpiAwareness = nullptr;
  PFN_GetDpiForMonitor GetDpiForMonitor = nullptr;

 private:
  int m_nScaleFactor = 0;
  int m_nAwareness = 0;
  static int s_nScaleFactorSDA;
};
