// Conversions between the library's Win32-shaped values and Qt's, for the .cpp files of the
// controls.
#pragma once

#include "platform/ui/core/PaintManagerUI.h"

#include <QColor>
#include <QFont>
#include <QRect>
#include <QString>

namespace DuiLib {

QColor ToQColor(DWORD argb);
// Text colours ignore a zero alpha (DuiLib drew text opaque).
QColor ToTextColor(DWORD argb);
QRect ToQRect(const RECT& rc);
QFont ToQFont(const TFontInfo& info);
QFont FontOf(CPaintManagerUI* manager, int iFont);
int ToQtAlignment(UINT uStyle);

inline QString ToQString(const char* utf8) {
  return QString::fromUtf8(utf8 ? utf8 : "");
}
inline CDuiString FromQString(const QString& text) {
  return CDuiString(text.toUtf8().toStdString());
}

}  // namespace DuiLib
