#include "platform/ui/core/ScrollBarUI.h"

#include "platform/ui/core/AttributeParser.h"
#include "platform/ui/core/ContainerUI.h"
#include "platform/ui/core/PaintManagerUI.h"
#include "platform/ui/core/RenderEngine.h"

#include <QPainter>

#include <algorithm>
#include <cstring>
#include <string>

namespace DuiLib {
namespace {

constexpr int kDefaultBarSize = 16;
constexpr int kMinThumb = 10;

bool inRect(const RECT& rc, POINT pt) {
  return pt.x >= rc.left && pt.x < rc.right && pt.y >= rc.top && pt.y < rc.bottom;
}

// Attribute prefixes of the image slots, in Part order, and state suffixes in State order.
constexpr const char* kPartNames[] = {"bk", "button1", "button2", "thumb", "rail"};
constexpr const char* kStateNames[] = {"normal", "hot", "pushed", "disabled"};

}  // namespace

CScrollBarUI::CScrollBarUI() {
  m_cxyFixed = SIZE{kDefaultBarSize, 0};
}

LPCTSTR CScrollBarUI::GetClass() const {
  return "ScrollBarUI";
}

LPVOID CScrollBarUI::GetInterface(LPCTSTR pstrName) {
  if (pstrName && std::strcmp(pstrName, DUI_CTR_SCROLLBAR) == 0) return this;
  return CControlUI::GetInterface(pstrName);
}

void CScrollBarUI::SetHorizontal(bool bHorizontal) {
  m_bHorizontal = bHorizontal;
  m_cxyFixed = bHorizontal ? SIZE{0, kDefaultBarSize} : SIZE{kDefaultBarSize, 0};
}

int CScrollBarUI::GetBarSize() const {
  return m_bHorizontal ? m_cxyFixed.cy : m_cxyFixed.cx;
}

void CScrollBarUI::SetScrollRange(int nRange) {
  m_nRange = std::max(0, nRange);
  m_nScrollPos = std::clamp(m_nScrollPos, 0, m_nRange);
  UpdateThumb();
}

void CScrollBarUI::SetScrollPos(int nPos) {
  m_nScrollPos = std::clamp(nPos, 0, m_nRange);
  UpdateThumb();
  Invalidate();
}

void CScrollBarUI::SetLineSize(int nSize) {
  m_nLineSize = std::max(1, nSize);
}

void CScrollBarUI::SetPos(RECT rc, bool bNeedInvalidate) {
  CControlUI::SetPos(rc, bNeedInvalidate);
  UpdateThumb();
}

void CScrollBarUI::UpdateThumb() {
  const RECT& rc = m_rcItem;
  const int thick = GetBarSize();
  if (m_bHorizontal) {
    m_rcButton1 = m_bShowButton1 ? RECT{rc.left, rc.top, rc.left + thick, rc.bottom}
                                 : RECT{rc.left, rc.top, rc.left, rc.bottom};
    m_rcButton2 = m_bShowButton2 ? RECT{rc.right - thick, rc.top, rc.right, rc.bottom}
                                 : RECT{rc.right, rc.top, rc.right, rc.bottom};
  } else {
    m_rcButton1 = m_bShowButton1 ? RECT{rc.left, rc.top, rc.right, rc.top + thick}
                                 : RECT{rc.left, rc.top, rc.right, rc.top};
    m_rcButton2 = m_bShowButton2 ? RECT{rc.left, rc.bottom - thick, rc.right, rc.bottom}
                                 : RECT{rc.left, rc.bottom, rc.right, rc.bottom};
  }
  const int trackStart = m_bHorizontal ? m_rcButton1.right : m_rcButton1.bottom;
  const int trackEnd = m_bHorizontal ? m_rcButton2.left : m_rcButton2.top;
  const int track = std::max(0, trackEnd - trackStart);
  const int view = track;  // the visible part in pixels equals the track length
  int thumb = (m_nRange + view) > 0 ? track * view / (m_nRange + view) : track;
  thumb = std::min(track, std::max(kMinThumb, thumb));
  const int offset = m_nRange > 0 ? (track - thumb) * m_nScrollPos / m_nRange : 0;
  if (m_bHorizontal)
    m_rcThumb = RECT{trackStart + offset, rc.top, trackStart + offset + thumb, rc.bottom};
  else
    m_rcThumb = RECT{rc.left, trackStart + offset, rc.right, trackStart + offset + thumb};
}

void CScrollBarUI::ScrollOwnerTo(int pos) {
  pos = std::clamp(pos, 0, m_nRange);
  if (m_pOwner) {
    SIZE sz = m_pOwner->GetScrollPos();
    if (m_bHorizontal)
      sz.cx = pos;
    else
      sz.cy = pos;
    m_pOwner->SetScrollPos(sz);
  } else {
    SetScrollPos(pos);
  }
}

void CScrollBarUI::DoEvent(TEventUI& event) {
  if (!IsEnabled()) return;
  const int along = m_bHorizontal ? event.ptMouse.x : event.ptMouse.y;
  switch (event.Type) {
    case UIEVENT_BUTTONDOWN:
    case UIEVENT_DBLCLICK:
      if (inRect(m_rcButton1, event.ptMouse)) {
        m_uButton1State |= UISTATE_PUSHED;
        ScrollOwnerTo(m_nScrollPos - m_nLineSize * 3);
      } else if (inRect(m_rcButton2, event.ptMouse)) {
        m_uButton2State |= UISTATE_PUSHED;
        ScrollOwnerTo(m_nScrollPos + m_nLineSize * 3);
      } else if (inRect(m_rcThumb, event.ptMouse)) {
        m_uThumbState |= UISTATE_CAPTURED | UISTATE_PUSHED;
        m_nDragOffset = along - (m_bHorizontal ? m_rcThumb.left : m_rcThumb.top);
      } else {
        const int page = m_bHorizontal ? GetWidth() : GetHeight();
        const int thumbStart = m_bHorizontal ? m_rcThumb.left : m_rcThumb.top;
        ScrollOwnerTo(m_nScrollPos + (along < thumbStart ? -page : page));
      }
      Invalidate();
      return;
    case UIEVENT_MOUSEMOVE:
      if (m_uThumbState & UISTATE_CAPTURED) {
        const int trackStart = m_bHorizontal ? m_rcButton1.right : m_rcButton1.bottom;
        const int trackEnd = m_bHorizontal ? m_rcButton2.left : m_rcButton2.top;
        const int thumb =
            m_bHorizontal ? m_rcThumb.right - m_rcThumb.left : m_rcThumb.bottom - m_rcThumb.top;
        const int free = trackEnd - trackStart - thumb;
        if (free > 0) ScrollOwnerTo((along - m_nDragOffset - trackStart) * m_nRange / free);
      }
      return;
    case UIEVENT_BUTTONUP:
      m_uThumbState &= ~(UISTATE_CAPTURED | UISTATE_PUSHED);
      m_uButton1State &= ~UISTATE_PUSHED;
      m_uButton2State &= ~UISTATE_PUSHED;
      Invalidate();
      return;
    case UIEVENT_MOUSEENTER:
      m_uThumbState |= UISTATE_HOT;
      Invalidate();
      return;
    case UIEVENT_MOUSELEAVE:
      m_uThumbState &= ~UISTATE_HOT;
      Invalidate();
      return;
    case UIEVENT_SCROLLWHEEL:
      if (m_pOwner) m_pOwner->DoEvent(event);
      return;
    default:
      CControlUI::DoEvent(event);
  }
}

bool CScrollBarUI::SetImageAttribute(LPCTSTR pstrName, LPCTSTR pstrValue) {
  // Names are <part><state>image: "thumbhotimage", "bknormalimage", ...
  for (int part = 0; part < kPartCount; ++part) {
    for (int state = 0; state < kStateCount; ++state) {
      const std::string expected = std::string(kPartNames[part]) + kStateNames[state] + "image";
      if (expected != pstrName) continue;
      m_sImages[part][state] = pstrValue;
      Invalidate();
      return true;
    }
  }
  return false;
}

void CScrollBarUI::SetAttribute(LPCTSTR pstrName, LPCTSTR pstrValue) {
  if (!pstrName || !pstrValue) return;
  if (SetImageAttribute(pstrName, pstrValue)) return;
  bool flag = false;
  int number = 0;
  if (std::strcmp(pstrName, "showbutton1") == 0) {
    if (ParseAttrBool(pstrValue, flag))
      m_bShowButton1 = flag, UpdateThumb();
    else
      LogBadAttribute(pstrName, pstrValue);
  } else if (std::strcmp(pstrName, "showbutton2") == 0) {
    if (ParseAttrBool(pstrValue, flag))
      m_bShowButton2 = flag, UpdateThumb();
    else
      LogBadAttribute(pstrName, pstrValue);
  } else if (std::strcmp(pstrName, "linesize") == 0) {
    if (ParseAttrInt(pstrValue, number))
      SetLineSize(number);
    else
      LogBadAttribute(pstrName, pstrValue);
  } else if (std::strcmp(pstrName, "range") == 0) {
    if (ParseAttrInt(pstrValue, number))
      SetScrollRange(number);
    else
      LogBadAttribute(pstrName, pstrValue);
  } else if (std::strcmp(pstrName, "value") == 0) {
    if (ParseAttrInt(pstrValue, number))
      SetScrollPos(number);
    else
      LogBadAttribute(pstrName, pstrValue);
  } else if (std::strcmp(pstrName, "hor") == 0) {
    if (ParseAttrBool(pstrValue, flag))
      SetHorizontal(flag);
    else
      LogBadAttribute(pstrName, pstrValue);
  } else {
    CControlUI::SetAttribute(pstrName, pstrValue);
  }
  // The owner's layout depends on the bar's thickness.
  if (m_pOwner) m_pOwner->NeedUpdate();
}

void CScrollBarUI::PaintPart(QPainter* painter, Part part, const RECT& rc, UINT state) {
  if (rc.right <= rc.left || rc.bottom <= rc.top) return;
  int slot = kNormal;
  if (!IsEnabled())
    slot = kDisabled;
  else if (state & UISTATE_PUSHED)
    slot = kPushed;
  else if (state & UISTATE_HOT)
    slot = kHot;
  const CDuiString& image =
      !m_sImages[part][slot].IsEmpty() ? m_sImages[part][slot] : m_sImages[part][kNormal];
  if (image.IsEmpty()) return;
  CRenderEngine::DrawImageString(painter, m_pManager, rc, rc, image);
}

void CScrollBarUI::DoPaint(QPainter* painter, const RECT& rcPaint) {
  if (!IsVisible()) return;
  painter->save();
  painter->setClipRect(m_rcItem.left, m_rcItem.top, GetWidth(), GetHeight(), Qt::IntersectClip);
  CControlUI::DoPaint(painter, rcPaint);
  const bool hasImages =
      !m_sImages[kThumb][kNormal].IsEmpty() || !m_sImages[kBk][kNormal].IsEmpty();
  if (hasImages) {
    PaintPart(painter, kBk, m_rcItem, 0);
    PaintPart(painter, kButton1, m_rcButton1, m_uButton1State);
    PaintPart(painter, kButton2, m_rcButton2, m_uButton2State);
    PaintPart(painter, kThumb, m_rcThumb, m_uThumbState);
    PaintPart(painter, kRail, m_rcThumb, m_uThumbState);
  } else {
    // A plain rounded thumb on a faint track.
    CRenderEngine::DrawColor(painter, m_rcItem, 0x18000000);
    const DWORD thumbColor =
        (m_uThumbState & (UISTATE_HOT | UISTATE_PUSHED)) ? 0x90000000 : 0x60000000;
    RECT thumb = m_rcThumb;
    if (m_bHorizontal)
      thumb.top += 2, thumb.bottom -= 2;
    else
      thumb.left += 2, thumb.right -= 2;
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(Qt::NoPen);
    painter->setBrush(QColor::fromRgba(thumbColor));
    const qreal radius = std::min(thumb.right - thumb.left, thumb.bottom - thumb.top) / 2.0;
    painter->drawRoundedRect(
        QRectF(thumb.left, thumb.top, thumb.right - thumb.left, thumb.bottom - thumb.top), radius,
        radius);
    painter->restore();
  }
  painter->restore();
}

}  // namespace DuiLib
