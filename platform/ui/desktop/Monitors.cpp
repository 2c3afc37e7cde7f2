// Own
#include "platform/ui/desktop/Monitors_p.h"

// Qt
#include <QCoreApplication>
#include <QGuiApplication>
#include <QList>
#include <QRect>
#include <QScreen>

// Standard
#include <cstdint>

namespace {

QRect PrimaryScreen(bool workArea) {
  QScreen* screen = QCoreApplication::instance() ? QGuiApplication::primaryScreen() : nullptr;
  if (!screen) return QRect(0, 0, 1024, 768);
  return workArea ? screen->availableGeometry() : screen->geometry();
}

QList<QScreen*> Screens() {
  return QCoreApplication::instance() ? QGuiApplication::screens() : QList<QScreen*>();
}

RECT MonitorRect(const QRect& r) {
  return RECT{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}

// Squared distance from a point to a rectangle (0 inside).
long long DistanceSquared(const QRect& r, const QPoint& p) {
  const long long dx =
      p.x() < r.left() ? r.left() - p.x() : (p.x() > r.right() ? p.x() - r.right() : 0);
  const long long dy =
      p.y() < r.top() ? r.top() - p.y() : (p.y() > r.bottom() ? p.y() - r.bottom() : 0);
  return dx * dx + dy * dy;
}

}  // namespace

namespace DuiLib {

QScreen* ScreenOfMonitor(HMONITOR hMonitor) {
  const QList<QScreen*> screens = Screens();
  const auto index = static_cast<long long>(reinterpret_cast<std::uintptr_t>(hMonitor)) - 1;
  if (index < 0 || index >= screens.size()) return nullptr;
  return screens[static_cast<int>(index)];
}

}  // namespace DuiLib

int GetSystemMetrics(int nIndex) {
  switch (nIndex) {
    case SM_CXSCREEN:
      return PrimaryScreen(false).width();
    case SM_CYSCREEN:
      return PrimaryScreen(false).height();
    case SM_CXFULLSCREEN:
      return PrimaryScreen(true).width();
    case SM_CYFULLSCREEN:
      return PrimaryScreen(true).height();
    case SM_CXVSCROLL:
    case SM_CYHSCROLL:
      return 17;
    case SM_CYCAPTION:
      return 23;
    case SM_CXICON:
    case SM_CYICON:
      return 32;
    case SM_CXSMICON:
    case SM_CYSMICON:
      return 16;
    default:
      return 0;
  }
}

BOOL SystemParametersInfoA(UINT uiAction, UINT /*uiParam*/, LPVOID pvParam, UINT /*fWinIni*/) {
  if (uiAction != SPI_GETWORKAREA || !pvParam) return FALSE;
  const QRect area = PrimaryScreen(true);
  *static_cast<RECT*>(pvParam) =
      RECT{area.left(), area.top(), area.left() + area.width(), area.top() + area.height()};
  return TRUE;
}

HMONITOR MonitorFromPoint(POINT pt, DWORD dwFlags) {
  const QList<QScreen*> screens = Screens();
  const QPoint point(pt.x, pt.y);
  int nearest = -1;
  long long best = -1;
  for (int i = 0; i < screens.size(); ++i) {
    const long long d = DistanceSquared(screens[i]->geometry(), point);
    if (d == 0) return reinterpret_cast<HMONITOR>(static_cast<std::uintptr_t>(i + 1));
    if (best < 0 || d < best) {
      best = d;
      nearest = i;
    }
  }
  if (dwFlags == MONITOR_DEFAULTTONEAREST && nearest >= 0)
    return reinterpret_cast<HMONITOR>(static_cast<std::uintptr_t>(nearest + 1));
  if (dwFlags == MONITOR_DEFAULTTOPRIMARY && !screens.isEmpty()) {
    const int primary = static_cast<int>(screens.indexOf(QGuiApplication::primaryScreen()));
    return reinterpret_cast<HMONITOR>(static_cast<std::uintptr_t>(primary + 1));
  }
  return nullptr;
}

BOOL GetMonitorInfoA(HMONITOR hMonitor, LPMONITORINFO lpmi) {
  QScreen* screen = DuiLib::ScreenOfMonitor(hMonitor);
  if (!lpmi || !screen) return FALSE;
  lpmi->rcMonitor = MonitorRect(screen->geometry());
  lpmi->rcWork = MonitorRect(screen->availableGeometry());
  lpmi->dwFlags = screen == QGuiApplication::primaryScreen() ? MONITORINFOF_PRIMARY : 0;
  return TRUE;
}
