// Tool tips. Qt asks when the pointer has rested on the window (QEvent::ToolTip, which the
// window host turns into WM_MOUSEHOVER); the tip shown is that of the control under the
// pointer, or of the nearest container above it that has one, so a row's tip also shows
// over the row's own pictures and labels that have none. The tip stays while the pointer
// stays inside the control that gave it.
#include "platform/ui/core/PaintManagerUI.h"

#include "platform/ui/core/ControlUI.h"

#include <QToolTip>
#include <QWidget>

namespace DuiLib {

void CPaintManagerUI::ShowToolTip(POINT pt) {
  QWidget* widget = GetHostWidget();
  if (!widget) return;
  CControlUI* control = FindControl(pt);
  while (control && control->GetToolTip().IsEmpty()) control = control->GetParent();
  if (!control || control->GetManager() != this) {
    QToolTip::hideText();
    return;
  }
  const RECT& rc = control->GetPos();
  const QRect area(rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top);
  QToolTip::showText(widget->mapToGlobal(QPoint(pt.x, pt.y)),
                     QString::fromUtf8(control->GetToolTip().GetData()), widget, area);
}

}  // namespace DuiLib
