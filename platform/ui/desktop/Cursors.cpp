// Own
#include "platform/ui/desktop/Cursors.h"

// Project
#include "platform/ui/core/WindowSystem_p.h"

// Qt
#include <QCoreApplication>
#include <QCursor>
#include <QWidget>

// Standard
#include <cstdint>

namespace {

Qt::CursorShape ShapeOf(HCURSOR cursor) {
  switch (reinterpret_cast<std::uintptr_t>(cursor)) {
    case 32513:
      return Qt::IBeamCursor;
    case 32514:
      return Qt::WaitCursor;
    case 32515:
      return Qt::CrossCursor;
    case 32642:
      return Qt::SizeFDiagCursor;
    case 32643:
      return Qt::SizeBDiagCursor;
    case 32644:
      return Qt::SizeHorCursor;
    case 32645:
      return Qt::SizeVerCursor;
    case 32646:
      return Qt::SizeAllCursor;
    case 32648:
      return Qt::ForbiddenCursor;
    case 32649:
      return Qt::PointingHandCursor;
    default:
      return Qt::ArrowCursor;
  }
}

HCURSOR CursorOf(Qt::CursorShape shape) {
  for (std::uintptr_t id :
       {32513u, 32514u, 32515u, 32642u, 32643u, 32644u, 32645u, 32646u, 32648u, 32649u})
    if (ShapeOf(reinterpret_cast<HCURSOR>(id)) == shape) return reinterpret_cast<HCURSOR>(id);
  return reinterpret_cast<HCURSOR>(static_cast<std::uintptr_t>(32512));
}

}  // namespace

BOOL GetCursorPos(LPPOINT lpPoint) {
  if (!lpPoint || !QCoreApplication::instance()) return FALSE;
  const QPoint p = QCursor::pos();
  *lpPoint = POINT{p.x(), p.y()};
  return TRUE;
}

BOOL SetCursorPos(int x, int y) {
  if (!QCoreApplication::instance()) return FALSE;
  QCursor::setPos(x, y);
  return TRUE;
}

HCURSOR LoadCursorA(HINSTANCE /*hInstance*/, LPCSTR lpCursorName) {
  const auto id = reinterpret_cast<std::uintptr_t>(lpCursorName);
  return id >= 32512 && id <= 32649 ? reinterpret_cast<HCURSOR>(id) : nullptr;
}

HCURSOR SetCursor(HCURSOR hCursor) {
  DuiLib::IWindowSystem& windows = DuiLib::WindowSystem();
  if (!windows.IsGuiThread()) return nullptr;
  QWidget* host = windows.MouseWidget();
  if (!host) return nullptr;
  const HCURSOR previous = CursorOf(host->cursor().shape());
  host->setCursor(ShapeOf(hCursor));
  return previous;
}
