#include "platform/ui/core/RenderEngine.h"

#include "platform/ui/core/UIImage.h"
#include "platform/ui/core/PaintManagerUI.h"
#include "platform/ui/core/RenderQt_p.h"
#include "platform/ui/core/UIDefine.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace DuiLib {

QColor ToQColor(DWORD argb) {
  return QColor::fromRgba(static_cast<QRgb>(argb));
}

QColor ToTextColor(DWORD argb) {
  if ((argb & 0xFF000000u) == 0) argb |= 0xFF000000u;
  return ToQColor(argb);
}

QRect ToQRect(const RECT& rc) {
  return QRect(rc.left, rc.top, std::max<LONG>(0, rc.right - rc.left),
               std::max<LONG>(0, rc.bottom - rc.top));
}

QFont ToQFont(const TFontInfo& info) {
  QFont font;
  if (!info.sFontName.IsEmpty()) font.setFamily(QString::fromUtf8(info.sFontName.GetData()));
  font.setPixelSize(std::max(1, info.iSize));
  font.setBold(info.bBold);
  font.setUnderline(info.bUnderline);
  font.setItalic(info.bItalic);
  return font;
}

QFont FontOf(CPaintManagerUI* manager, int iFont) {
  if (!manager) {
    QFont font;
    font.setPixelSize(12);
    return font;
  }
  return ToQFont(manager->GetFontInfo(iFont));
}

int ToQtAlignment(UINT uStyle) {
  int flags = 0;
  if (uStyle & DT_CENTER)
    flags |= Qt::AlignHCenter;
  else if (uStyle & DT_RIGHT)
    flags |= Qt::AlignRight;
  else
    flags |= Qt::AlignLeft;
  if (uStyle & DT_VCENTER)
    flags |= Qt::AlignVCenter;
  else if (uStyle & DT_BOTTOM)
    flags |= Qt::AlignBottom;
  else
    flags |= Qt::AlignTop;
  if ((uStyle & DT_WORDBREAK) && !(uStyle & DT_SINGLELINE)) flags |= Qt::TextWordWrap;
  return flags;
}

void CRenderEngine::DrawColor(QPainter* painter, const RECT& rc, DWORD color) {
  if (!painter || (color & 0xFF000000u) == 0) return;
  painter->fillRect(ToQRect(rc), ToQColor(color));
}

void CRenderEngine::DrawRect(QPainter* painter, const RECT& rc, int size, DWORD color) {
  if (!painter || size <= 0) return;
  painter->save();
  QPen pen(ToTextColor(color));
  pen.setWidth(size);
  pen.setJoinStyle(Qt::MiterJoin);
  painter->setPen(pen);
  painter->setBrush(Qt::NoBrush);
  const qreal half = size / 2.0;
  painter->drawRect(
      QRectF(rc.left + half, rc.top + half, rc.right - rc.left - size, rc.bottom - rc.top - size));
  painter->restore();
}

void CRenderEngine::DrawRoundRect(QPainter* painter, const RECT& rc, int size, int width,
                                  int height, DWORD color) {
  if (!painter || size <= 0) return;
  painter->save();
  painter->setRenderHint(QPainter::Antialiasing);
  QPen pen(ToTextColor(color));
  pen.setWidth(size);
  painter->setPen(pen);
  painter->setBrush(Qt::NoBrush);
  const qreal half = size / 2.0;
  painter->drawRoundedRect(
      QRectF(rc.left + half, rc.top + half, rc.right - rc.left - size, rc.bottom - rc.top - size),
      width / 2.0, height / 2.0);
  painter->restore();
}

bool CRenderEngine::DrawImageString(QPainter* painter, CPaintManagerUI*, const RECT& rcItem,
                                    const RECT& rcPaint, LPCSTR pStrImage, LPCSTR pStrModify) {
  if (!painter || !pStrImage || !*pStrImage) return false;
  std::string image(pStrImage);
  if (pStrModify && *pStrModify) {
    // Keys of the modifier come later and so override the image's own.
    if (image.find('=') == std::string::npos) image = "file='" + image + "'";
    image += " ";
    image += pStrModify;
  }
  const RECT paint = (rcPaint.right > rcPaint.left) ? rcPaint : rcItem;
  return ::DuiLib::DrawImageString(*painter, rcItem, paint, image.c_str(),
                                   CPaintManagerUI::GetResourcePath().str());
}

void CRenderEngine::DrawText(QPainter* painter, CPaintManagerUI* manager, const RECT& rc,
                             LPCSTR pstrText, DWORD dwTextColor, int iFont, UINT uStyle) {
  if (!painter || !pstrText || !*pstrText) return;
  const QRect box = ToQRect(rc);
  if (box.isEmpty()) return;
  painter->save();
  const QFont font = FontOf(manager, iFont);
  painter->setFont(font);
  painter->setPen(ToTextColor(dwTextColor));
  QString text = QString::fromUtf8(pstrText);
  if (uStyle & DT_SINGLELINE) text.replace(QLatin1Char('\n'), QLatin1Char(' '));
  if ((uStyle & DT_END_ELLIPSIS) && !(uStyle & DT_WORDBREAK))
    text = QFontMetrics(font).elidedText(text, Qt::ElideRight, box.width());
  painter->drawText(box, ToQtAlignment(uStyle), text);
  painter->restore();
}

SIZE CRenderEngine::MeasureText(CPaintManagerUI* manager, LPCSTR pstrText, int iFont, UINT uStyle,
                                int maxWidth) {
  const QFontMetrics metrics(FontOf(manager, iFont));
  const QString text = QString::fromUtf8(pstrText ? pstrText : "");
  QRect bounds;
  if ((uStyle & DT_WORDBREAK) && maxWidth > 0)
    bounds = metrics.boundingRect(QRect(0, 0, maxWidth, 100000), Qt::TextWordWrap, text);
  else
    bounds = metrics.boundingRect(QRect(0, 0, 100000, 100000), 0, text);
  return SIZE{bounds.width(), std::max(bounds.height(), metrics.height())};
}

}  // namespace DuiLib
