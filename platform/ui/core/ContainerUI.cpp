#include "platform/ui/core/ContainerUI.h"

#include "platform/ui/core/AttributeParser.h"
#include "platform/ui/core/AttributeTable_p.h"
#include "platform/ui/core/LinearLayout_p.h"
#include "platform/ui/core/PaintManagerUI.h"
#include "platform/ui/core/ScrollBarUI.h"

#include <QPainter>

#include <algorithm>
#include <cstring>

namespace DuiLib {
namespace {

bool intersects(const RECT& a, const RECT& b) {
  return std::max(a.left, b.left) < std::min(a.right, b.right) &&
         std::max(a.top, b.top) < std::min(a.bottom, b.bottom);
}

bool contains(const RECT& rc, const POINT& pt) {
  return pt.x >= rc.left && pt.x < rc.right && pt.y >= rc.top && pt.y < rc.bottom;
}

}  // namespace

CContainerUI::CContainerUI() = default;

CContainerUI::~CContainerUI() {
  m_bDelayedDestroy = false;
  RemoveAll();
  delete m_pVerticalScrollBar;
  delete m_pHorizontalScrollBar;
}

LPCTSTR CContainerUI::GetClass() const {
  return "ContainerUI";
}

LPVOID CContainerUI::GetInterface(LPCTSTR pstrName) {
  if (pstrName && std::strcmp(pstrName, "IContainer") == 0) return static_cast<IContainerUI*>(this);
  if (pstrName && std::strcmp(pstrName, DUI_CTR_CONTAINER) == 0) return this;
  return CControlUI::GetInterface(pstrName);
}

CControlUI* CContainerUI::GetItemAt(int iIndex) const {
  if (iIndex < 0 || iIndex >= static_cast<int>(m_items.size())) return nullptr;
  return m_items[static_cast<size_t>(iIndex)];
}

int CContainerUI::GetItemIndex(CControlUI* pControl) const {
  const auto it = std::find(m_items.begin(), m_items.end(), pControl);
  return it == m_items.end() ? -1 : static_cast<int>(it - m_items.begin());
}

bool CContainerUI::SetItemIndex(CControlUI* pControl, int iIndex) {
  const int current = CContainerUI::GetItemIndex(pControl);
  if (current < 0 || iIndex < 0 || iIndex >= static_cast<int>(m_items.size())) return false;
  m_items.erase(m_items.begin() + current);
  m_items.insert(m_items.begin() + iIndex, pControl);
  NeedUpdate();
  return true;
}

int CContainerUI::GetCount() const {
  return static_cast<int>(m_items.size());
}

bool CContainerUI::Add(CControlUI* pControl) {
  return AddAt(pControl, GetCount());
}

bool CContainerUI::AddAt(CControlUI* pControl, int iIndex) {
  // m_items directly: subclasses (the list) redefine GetCount and GetItemIndex.
  if (!pControl || iIndex < 0 || iIndex > static_cast<int>(m_items.size()) ||
      std::find(m_items.begin(), m_items.end(), pControl) != m_items.end())
    return false;
  m_items.insert(m_items.begin() + iIndex, pControl);
  if (m_pManager)
    pControl->SetManager(m_pManager, this);
  else
    pControl->SetManager(nullptr, this, false);
  pControl->SetInternVisible(IsVisible());
  NeedUpdate();
  return true;
}

void CContainerUI::DestroyChild(CControlUI* pControl) {
  if (m_bDelayedDestroy && m_pManager)
    m_pManager->AddDelayedCleanup(pControl);
  else
    delete pControl;
}

bool CContainerUI::Remove(CControlUI* pControl, bool bDoNotDestroy) {
  const auto it = std::find(m_items.begin(), m_items.end(), pControl);
  if (it == m_items.end()) return false;
  return CContainerUI::RemoveAt(static_cast<int>(it - m_items.begin()), bDoNotDestroy);
}

bool CContainerUI::RemoveAt(int iIndex, bool bDoNotDestroy) {
  if (iIndex < 0 || iIndex >= static_cast<int>(m_items.size())) return false;
  CControlUI* control = m_items[static_cast<size_t>(iIndex)];
  m_items.erase(m_items.begin() + iIndex);
  NeedUpdate();
  if (m_bAutoDestroy && !bDoNotDestroy) {
    DestroyChild(control);
  } else if (m_pManager) {
    m_pManager->ReapObjects(control);
    control->SetManager(nullptr, nullptr, false);
  }
  return true;
}

void CContainerUI::RemoveAll() {
  while (!m_items.empty()) CContainerUI::RemoveAt(static_cast<int>(m_items.size()) - 1);
  m_items.clear();
  NeedUpdate();
}

void CContainerUI::SetInset(RECT rcInset) {
  m_rcInset = rcInset;
  NeedUpdate();
}

void CContainerUI::SetChildPadding(int iPadding) {
  m_iChildPadding = std::max(0, iPadding);
  NeedUpdate();
}

void CContainerUI::SetVisible(bool bVisible) {
  if (m_bVisible == bVisible) return;
  CControlUI::SetVisible(bVisible);
  for (CControlUI* item : m_items) item->SetInternVisible(IsVisible());
}

void CContainerUI::SetInternVisible(bool bVisible) {
  CControlUI::SetInternVisible(bVisible);
  for (CControlUI* item : m_items) item->SetInternVisible(IsVisible());
}

void CContainerUI::SetEnabled(bool bEnable) {
  if (m_bEnabled == bEnable) return;
  CControlUI::SetEnabled(bEnable);
  if (m_pVerticalScrollBar) m_pVerticalScrollBar->SetEnabled(bEnable);
  if (m_pHorizontalScrollBar) m_pHorizontalScrollBar->SetEnabled(bEnable);
}

void CContainerUI::SetManager(CPaintManagerUI* pManager, CControlUI* pParent, bool bInit) {
  for (CControlUI* item : m_items) item->SetManager(pManager, this, bInit);
  if (m_pVerticalScrollBar) m_pVerticalScrollBar->SetManager(pManager, this, bInit);
  if (m_pHorizontalScrollBar) m_pHorizontalScrollBar->SetManager(pManager, this, bInit);
  CControlUI::SetManager(pManager, pParent, bInit);
}

RECT CContainerUI::GetClientRect() const {
  RECT rc{m_rcItem.left + m_rcInset.left, m_rcItem.top + m_rcInset.top,
          m_rcItem.right - m_rcInset.right, m_rcItem.bottom - m_rcInset.bottom};
  if (m_pVerticalScrollBar && m_pVerticalScrollBar->IsVisible())
    rc.right -= m_pVerticalScrollBar->GetBarSize();
  if (m_pHorizontalScrollBar && m_pHorizontalScrollBar->IsVisible())
    rc.bottom -= m_pHorizontalScrollBar->GetBarSize();
  if (rc.right < rc.left) rc.right = rc.left;
  if (rc.bottom < rc.top) rc.bottom = rc.top;
  return rc;
}

void CContainerUI::PlaceFloatChild(CControlUI* pControl) {
  const RECT& parent = m_rcItem;
  const SIZE xy = pControl->GetFixedXY();
  RECT rc{parent.left + xy.cx, parent.top + xy.cy, 0, 0};
  rc.right = rc.left + pControl->GetFixedWidth();
  rc.bottom = rc.top + pControl->GetFixedHeight();
  pControl->SetPos(rc, false);
}

void CContainerUI::SetPos(RECT rc, bool bNeedInvalidate) {
  CControlUI::SetPos(rc, bNeedInvalidate);
  if (m_items.empty()) return;
  const RECT client = GetClientRect();
  for (CControlUI* item : m_items) {
    if (!item->IsVisible()) continue;
    if (item->IsFloat())
      PlaceFloatChild(item);
    else
      item->SetPos(client, false);
  }
}

void CContainerUI::DoEvent(TEventUI& event) {
  if (event.Type == UIEVENT_SCROLLWHEEL && m_pVerticalScrollBar &&
      m_pVerticalScrollBar->IsVisible() && m_pVerticalScrollBar->IsEnabled()) {
    // LOWORD(wParam): 0 scrolls up a line, 1 down (SB_LINEUP / SB_LINEDOWN).
    if (LOWORD(event.wParam) == 0)
      LineUp();
    else
      LineDown();
    return;
  }
  CControlUI::DoEvent(event);
}

void CContainerUI::DoPaint(QPainter* painter, const RECT& rcPaint) {
  if (!intersects(m_rcItem, rcPaint)) return;
  CControlUI::DoPaint(painter, rcPaint);
  const RECT client = GetClientRect();
  painter->save();
  painter->setClipRect(m_rcItem.left, m_rcItem.top, m_rcItem.right - m_rcItem.left,
                       m_rcItem.bottom - m_rcItem.top, Qt::IntersectClip);
  for (CControlUI* item : m_items) {
    if (!item->IsVisible()) continue;
    const RECT& pos = item->GetPos();
    if (!intersects(pos, rcPaint)) continue;
    if (!item->IsFloat() && !intersects(pos, client)) continue;
    painter->save();
    if (!item->IsFloat())
      painter->setClipRect(client.left, client.top, client.right - client.left,
                           client.bottom - client.top, Qt::IntersectClip);
    item->DoPaint(painter, rcPaint);
    painter->restore();
  }
  painter->restore();
  if (m_pVerticalScrollBar && m_pVerticalScrollBar->IsVisible())
    m_pVerticalScrollBar->DoPaint(painter, rcPaint);
  if (m_pHorizontalScrollBar && m_pHorizontalScrollBar->IsVisible())
    m_pHorizontalScrollBar->DoPaint(painter, rcPaint);
}

void CContainerUI::SetAttribute(LPCTSTR pstrName, LPCTSTR pstrValue) {
  using C = CContainerUI;
  static const TAttributeSetter<C> table[] = {
      {"inset",
       [](C& c, const char* v) {
         RECT rc;
         if (!ParseAttrRect(v, rc)) return false;
         c.SetInset(rc);
         return true;
       }},
      {"childpadding", IntAttribute<C, &C::SetChildPadding>},
      {"mousechild", BoolAttribute<C, &C::SetMouseChildEnabled>},
      {"vscrollbar",
       [](C& c, const char* v) {
         bool b;
         if (!ParseAttrBool(v, b)) return false;
         c.EnableScrollBar(b, c.GetHorizontalScrollBar() != nullptr);
         return true;
       }},
      {"hscrollbar",
       [](C& c, const char* v) {
         bool b;
         if (!ParseAttrBool(v, b)) return false;
         c.EnableScrollBar(c.GetVerticalScrollBar() != nullptr, b);
         return true;
       }},
      {"vscrollbarstyle",
       [](C& c, const char* v) {
         c.EnableScrollBar(true, c.GetHorizontalScrollBar() != nullptr);
         c.GetVerticalScrollBar()->ApplyAttributeList(v);
         return true;
       }},
      {"hscrollbarstyle",
       [](C& c, const char* v) {
         c.EnableScrollBar(c.GetVerticalScrollBar() != nullptr, true);
         c.GetHorizontalScrollBar()->ApplyAttributeList(v);
         return true;
       }},
  };
  if (ApplyFromTable(*this, table, pstrName, pstrValue)) return;
  CControlUI::SetAttribute(pstrName, pstrValue);
}

CControlUI* CContainerUI::FindControl(FINDCONTROLPROC Proc, LPVOID pData, UINT uFlags) {
  if ((uFlags & UIFIND_VISIBLE) && !IsVisible()) return nullptr;
  if ((uFlags & UIFIND_ENABLED) && !IsEnabled()) return nullptr;
  const bool hitTest = (uFlags & UIFIND_HITTEST) != 0;
  const POINT* pt = static_cast<const POINT*>(pData);
  if (hitTest && !contains(m_rcItem, *pt)) return nullptr;
  if ((uFlags & UIFIND_ME_FIRST) && (!hitTest || IsMouseEnabled())) {
    if (CControlUI* found = Proc(this, pData)) return found;
  }
  for (CScrollBarUI* bar : {m_pVerticalScrollBar, m_pHorizontalScrollBar}) {
    if (!bar || (hitTest && !IsMouseEnabled())) continue;
    if (CControlUI* found = bar->FindControl(Proc, pData, uFlags)) return found;
  }
  if (!hitTest || IsMouseChildEnabled()) {
    const RECT client = GetClientRect();
    auto visit = [&](CControlUI* item) -> CControlUI* {
      CControlUI* found = item->FindControl(Proc, pData, uFlags);
      if (found && hitTest && !found->IsFloat() && !item->IsFloat() && !contains(client, *pt))
        return nullptr;
      return found;
    };
    if (uFlags & UIFIND_TOP_FIRST) {
      for (auto it = m_items.rbegin(); it != m_items.rend(); ++it)
        if (CControlUI* found = visit(*it)) return found;
    } else {
      for (CControlUI* item : m_items)
        if (CControlUI* found = visit(item)) return found;
    }
  }
  if (!(uFlags & UIFIND_ME_FIRST) && (!hitTest || IsMouseEnabled())) return Proc(this, pData);
  return nullptr;
}

CControlUI* CContainerUI::FindSubControl(LPCTSTR pstrSubControlName) {
  if (!m_pManager) return nullptr;
  return m_pManager->FindSubControlByName(this, pstrSubControlName);
}

SIZE CContainerUI::GetScrollPos() const {
  SIZE sz{0, 0};
  if (m_pVerticalScrollBar && m_pVerticalScrollBar->IsVisible())
    sz.cy = m_pVerticalScrollBar->GetScrollPos();
  if (m_pHorizontalScrollBar && m_pHorizontalScrollBar->IsVisible())
    sz.cx = m_pHorizontalScrollBar->GetScrollPos();
  return sz;
}

SIZE CContainerUI::GetScrollRange() const {
  SIZE sz{0, 0};
  if (m_pVerticalScrollBar && m_pVerticalScrollBar->IsVisible())
    sz.cy = m_pVerticalScrollBar->GetScrollRange();
  if (m_pHorizontalScrollBar && m_pHorizontalScrollBar->IsVisible())
    sz.cx = m_pHorizontalScrollBar->GetScrollRange();
  return sz;
}

void CContainerUI::SetScrollPos(SIZE szPos) {
  const SIZE range = GetScrollRange();
  szPos.cx = std::clamp<LONG>(szPos.cx, 0, range.cx);
  szPos.cy = std::clamp<LONG>(szPos.cy, 0, range.cy);
  const SIZE old = GetScrollPos();
  if (old.cx == szPos.cx && old.cy == szPos.cy) return;
  if (m_pVerticalScrollBar && m_pVerticalScrollBar->IsVisible())
    m_pVerticalScrollBar->SetScrollPos(szPos.cy);
  if (m_pHorizontalScrollBar && m_pHorizontalScrollBar->IsVisible())
    m_pHorizontalScrollBar->SetScrollPos(szPos.cx);
  // Children move by the difference; float children stay where they are.
  const int dx = szPos.cx - old.cx;
  const int dy = szPos.cy - old.cy;
  for (CControlUI* item : m_items) {
    if (!item->IsVisible() || item->IsFloat()) continue;
    RECT rc = item->GetPos();
    rc.left -= dx;
    rc.right -= dx;
    rc.top -= dy;
    rc.bottom -= dy;
    item->SetPos(rc, false);
  }
  Invalidate();
  if (m_pManager) m_pManager->SendNotify(this, DUI_MSGTYPE_SCROLL, 0, 0);
}

void CContainerUI::LineUp() {
  SetScrollPos(SIZE{GetScrollPos().cx, GetScrollPos().cy - 20});
}
void CContainerUI::LineDown() {
  SetScrollPos(SIZE{GetScrollPos().cx, GetScrollPos().cy + 20});
}
void CContainerUI::LineLeft() {
  SetScrollPos(SIZE{GetScrollPos().cx - 20, GetScrollPos().cy});
}
void CContainerUI::LineRight() {
  SetScrollPos(SIZE{GetScrollPos().cx + 20, GetScrollPos().cy});
}

void CContainerUI::PageUp() {
  const RECT client = GetClientRect();
  SetScrollPos(SIZE{GetScrollPos().cx, GetScrollPos().cy - (client.bottom - client.top)});
}

void CContainerUI::PageDown() {
  const RECT client = GetClientRect();
  SetScrollPos(SIZE{GetScrollPos().cx, GetScrollPos().cy + (client.bottom - client.top)});
}

void CContainerUI::HomeUp() {
  SetScrollPos(SIZE{GetScrollPos().cx, 0});
}
void CContainerUI::EndDown() {
  SetScrollPos(SIZE{GetScrollPos().cx, GetScrollRange().cy});
}

void CContainerUI::EnableScrollBar(bool bEnableVertical, bool bEnableHorizontal) {
  if (bEnableVertical && !m_pVerticalScrollBar) {
    m_pVerticalScrollBar = new CScrollBarUI;
    m_pVerticalScrollBar->SetOwner(this);
    m_pVerticalScrollBar->SetManager(m_pManager, nullptr, false);
    m_pVerticalScrollBar->SetVisible(false);
    if (m_pManager) {
      if (LPCSTR defaults = m_pManager->GetDefaultAttributeList("VScrollBar"))
        m_pVerticalScrollBar->ApplyAttributeList(defaults);
    }
  } else if (!bEnableVertical && m_pVerticalScrollBar) {
    delete m_pVerticalScrollBar;
    m_pVerticalScrollBar = nullptr;
  }
  if (bEnableHorizontal && !m_pHorizontalScrollBar) {
    m_pHorizontalScrollBar = new CScrollBarUI;
    m_pHorizontalScrollBar->SetHorizontal(true);
    m_pHorizontalScrollBar->SetOwner(this);
    m_pHorizontalScrollBar->SetManager(m_pManager, nullptr, false);
    m_pHorizontalScrollBar->SetVisible(false);
  } else if (!bEnableHorizontal && m_pHorizontalScrollBar) {
    delete m_pHorizontalScrollBar;
    m_pHorizontalScrollBar = nullptr;
  }
  NeedUpdate();
}

void CContainerUI::SetPosLinear(RECT rc, bool bNeedInvalidate, bool vertical) {
  CControlUI::SetPos(rc, bNeedInvalidate);
  const bool vBefore = m_pVerticalScrollBar && m_pVerticalScrollBar->IsVisible();
  const bool hBefore = m_pHorizontalScrollBar && m_pHorizontalScrollBar->IsVisible();
  const RECT client = GetClientRect();
  const TLinearLayoutResult needed =
      LayoutLinear(m_items, client, GetScrollPos(), m_iChildPadding, vertical, m_rcItem);
  if (vertical)
    ProcessScrollBar(client, needed.crossNeeded, needed.mainNeeded);
  else
    ProcessScrollBar(client, needed.mainNeeded, needed.crossNeeded);
  const bool vAfter = m_pVerticalScrollBar && m_pVerticalScrollBar->IsVisible();
  const bool hAfter = m_pHorizontalScrollBar && m_pHorizontalScrollBar->IsVisible();
  if ((vBefore != vAfter || hBefore != hAfter) && !m_bScrollProcess) {
    m_bScrollProcess = true;
    SetPos(rc, false);
    m_bScrollProcess = false;
  }
}

void CContainerUI::ProcessScrollBar(RECT rc, int cxRequired, int cyRequired) {
  if (m_pVerticalScrollBar) {
    const int height = rc.bottom - rc.top;
    const bool needed = cyRequired > height;
    const int range = std::max(0, cyRequired - height);
    if (needed) {
      const int barSize = m_pVerticalScrollBar->GetBarSize();
      const int bottom = rc.bottom;
      m_pVerticalScrollBar->SetScrollRange(range);
      m_pVerticalScrollBar->SetPos(RECT{rc.right, rc.top, rc.right + barSize, bottom});
      if (!m_pVerticalScrollBar->IsVisible()) m_pVerticalScrollBar->SetVisible(true);
    } else if (m_pVerticalScrollBar->IsVisible()) {
      m_pVerticalScrollBar->SetScrollRange(0);
      m_pVerticalScrollBar->SetScrollPos(0);
      m_pVerticalScrollBar->SetVisible(false);
    }
  }
  if (m_pHorizontalScrollBar) {
    const int width = rc.right - rc.left;
    const bool needed = cxRequired > width;
    if (needed) {
      const int barSize = m_pHorizontalScrollBar->GetBarSize();
      m_pHorizontalScrollBar->SetScrollRange(cxRequired - width);
      m_pHorizontalScrollBar->SetPos(RECT{rc.left, rc.bottom, rc.right, rc.bottom + barSize});
      if (!m_pHorizontalScrollBar->IsVisible()) m_pHorizontalScrollBar->SetVisible(true);
    } else if (m_pHorizontalScrollBar->IsVisible()) {
      m_pHorizontalScrollBar->SetScrollRange(0);
      m_pHorizontalScrollBar->SetScrollPos(0);
      m_pHorizontalScrollBar->SetVisible(false);
    }
  }
}

}  // namespace DuiLib
