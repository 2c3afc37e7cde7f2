#include "chrome/DPI.h"

int CDPI::s_nScaleFactorSDA = 0;

namespace {
constexpr UINT kDefaultDpi = 96;
}  // namespace

CDPI::CDPI() {
  SetProcessDpiAwareness = &::SetProcessDpiAwareness;
  GetDpiForMonitor = &::GetDpiForMonitor;

  UINT dpiX = kDefaultDpi;
  UINT dpiY = kDefaultDpi;
  if (GetDpiForMonitor) {
    HMONITOR monitor = MonitorFromPoint(POINT{1, 1}, MONITOR_DEFAULTTONEAREST);
    if (GetDpiForMonitor(monitor, MDT_EFFECTIVE_DPI, &dpiX, &dpiY) != 0) dpiX = kDefaultDpi;
  }
  m_nScaleFactor = GetScaleForDpi(dpiX);
  if (s_nScaleFactorSDA == 0) s_nScaleFactorSDA = m_nScaleFactor;

  if (SetProcessDpiAwareness) {
    if (SetProcessDpiAwareness(PROCESS_PER_MONITOR_DPI_AWARE) == 0) m_nAwareness = 2;
  } else if (SetProcessDPIAware && SetProcessDPIAware()) {
    m_nAwareness = 1;
  }
}

int CDPI::GetScaleForDpi(UINT dpi) const {
  // MulDiv(dpi, 100, 96): rounded to the nearest percent.
  return static_cast<int>((static_cast<long long>(dpi) * 100 + kDefaultDpi / 2) / kDefaultDpi);
}

int CDPI::Scale(int x) const {
  return x * m_nScaleFactor / 100;
}
