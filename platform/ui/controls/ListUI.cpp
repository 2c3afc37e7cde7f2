#include "platform/ui/controls/ListUI.h"

#include "platform/ui/core/AttributeParser.h"
#include "platform/ui/core/AttributeTable_p.h"
#include "platform/ui/core/PaintManagerUI.h"
#include "platform/ui/core/RenderEngine.h"
#include "platform/ui/core/ScrollBarUI.h"
#include "platform/win32/Input.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace DuiLib {
namespace {

constexpr int kWheelDelta = 120;  // one notch of a wheel (WHEEL_DELTA)
constexpr int kWheelLines = 3;    // lines a notch scrolls (the desktop default)

IListItemUI* listItemOf(CControlUI* control) {
  return control ? static_cast<IListItemUI*>(control->GetInterface(DUI_CTR_LISTITEM)) : nullptr;
}

}  // namespace

CListUI::CListUI() {
  m_pList = new CListBodyUI(this);
  m_pHeader = new CListHeaderUI;
  // Qualified: the virtual Add of a list would send them into the body.
  CVerticalLayoutUI::AddAt(m_pHeader, 0);
  CVerticalLayoutUI::AddAt(m_pList, 1);
}

LPCTSTR CListUI::GetClass() const {
  return "ListUI";
}

LPVOID CListUI::GetInterface(LPCTSTR pstrName) {
  if (pstrName && std::strcmp(pstrName, DUI_CTR_LIST) == 0) return this;
  if (pstrName && std::strcmp(pstrName, "IList") == 0) return static_cast<IListOwnerUI*>(this);
  if (pstrName && std::strcmp(pstrName, "IListOwner") == 0) return static_cast<IListOwnerUI*>(this);
  return CVerticalLayoutUI::GetInterface(pstrName);
}

UINT CListUI::GetControlFlags() const {
  return UIFLAG_TABSTOP;
}

CControlUI* CListUI::GetItemAt(int iIndex) const {
  return m_pList->GetItemAt(iIndex);
}
int CListUI::GetItemIndex(CControlUI* pControl) const {
  // A list item knows its own index (kept by ReindexFrom); checking it first makes the look-up
  // constant-time for the trees of thousands of nodes that add node after node.
  if (IListItemUI* item = listItemOf(pControl)) {
    const int index = item->GetIndex();
    if (index >= 0 && index < m_pList->GetCount() && m_pList->GetItemAt(index) == pControl)
      return index;
  }
  return m_pList->GetItemIndex(pControl);
}
int CListUI::GetCount() const {
  return m_pList->GetCount();
}

bool CListUI::SetItemIndex(CControlUI* pControl, int iIndex) {
  const int old = m_pList->GetItemIndex(pControl);
  if (old < 0 || !m_pList->SetItemIndex(pControl, iIndex)) return false;
  ReindexFrom(std::min(old, iIndex));
  if (m_iCurSel == old)
    m_iCurSel = iIndex;
  else if (old < m_iCurSel && iIndex >= m_iCurSel)
    --m_iCurSel;
  else if (old > m_iCurSel && iIndex <= m_iCurSel)
    ++m_iCurSel;
  return true;
}

void CListUI::ReindexFrom(int iFirst) {
  for (int i = std::max(0, iFirst); i < m_pList->GetCount(); ++i)
    if (IListItemUI* item = listItemOf(m_pList->GetItemAt(i))) item->SetIndex(i);
}

bool CListUI::Add(CControlUI* pControl) {
  return AddAt(pControl, GetCount());
}

bool CListUI::AddAt(CControlUI* pControl, int iIndex) {
  if (!pControl) return false;
  // A header given in the skin replaces the built-in one.
  if (pControl->GetInterface(DUI_CTR_LISTHEADER)) {
    if (m_pHeader != pControl) {
      CVerticalLayoutUI::Remove(m_pHeader);
      m_pHeader = static_cast<CListHeaderUI*>(pControl);
      CVerticalLayoutUI::AddAt(m_pHeader, 0);
    }
    return true;
  }
  if (!m_pList->AddAt(pControl, iIndex)) return false;
  if (IListItemUI* item = listItemOf(pControl)) {
    item->SetOwner(this);
    item->SetIndex(iIndex);
  }
  ReindexFrom(iIndex + 1);
  if (m_iCurSel >= iIndex) ++m_iCurSel;
  return true;
}

bool CListUI::Remove(CControlUI* pControl, bool bDoNotDestroy) {
  const int index = m_pList->GetItemIndex(pControl);
  if (index < 0) {
    if (pControl == m_pHeader) return false;  // the header stays
    return CVerticalLayoutUI::Remove(pControl, bDoNotDestroy);
  }
  return CListUI::RemoveAt(index, bDoNotDestroy);
}

bool CListUI::RemoveAt(int iIndex, bool bDoNotDestroy) {
  if (!m_pList->RemoveAt(iIndex, bDoNotDestroy)) return false;
  ReindexFrom(iIndex);
  if (iIndex == m_iCurSel) {
    // The selection moves to the next selectable item, as in DuiLib.
    m_iCurSel = -1;
    const int next = FindSelectable(std::min(iIndex, GetCount() - 1), false);
    if (next >= 0) SelectItem(next, false, false);
  } else if (iIndex < m_iCurSel) {
    --m_iCurSel;
  }
  return true;
}

void CListUI::RemoveAll() {
  m_iCurSel = -1;
  m_pList->RemoveAll();
}

int CListUI::FindSelectable(int iIndex, bool bForward) const {
  const int count = GetCount();
  if (count == 0) return -1;
  iIndex = std::clamp(iIndex, 0, count - 1);
  auto selectable = [this](int i) {
    CControlUI* item = GetItemAt(i);
    return item && item->IsVisible() && item->IsEnabled() && listItemOf(item);
  };
  for (int i = iIndex; i >= 0 && i < count; i += bForward ? 1 : -1)
    if (selectable(i)) return i;
  for (int i = iIndex; i >= 0 && i < count; i += bForward ? -1 : 1)
    if (selectable(i)) return i;
  return -1;
}

bool CListUI::SelectItem(int iIndex, bool bTakeFocus, bool bTriggerEvent) {
  if (iIndex == m_iCurSel) return true;
  const int oldSel = m_iCurSel;
  if (m_iCurSel >= 0) {
    if (IListItemUI* item = listItemOf(GetItemAt(m_iCurSel))) item->Select(false, bTriggerEvent);
    m_iCurSel = -1;
  }
  if (iIndex < 0) return false;
  CControlUI* control = GetItemAt(iIndex);
  IListItemUI* item = listItemOf(control);
  if (!control || !item || !control->IsVisible() || !control->IsEnabled()) return false;
  m_iCurSel = iIndex;
  if (!item->Select(true, bTriggerEvent)) {
    m_iCurSel = -1;
    return false;
  }
  EnsureVisible(m_iCurSel);
  if (bTakeFocus) control->SetFocus();
  if (m_pManager && bTriggerEvent)
    m_pManager->SendNotify(this, DUI_MSGTYPE_ITEMSELECT, static_cast<WPARAM>(m_iCurSel), oldSel);
  return true;
}

void CListUI::EnsureVisible(int iIndex) {
  if (m_iCurSel < 0 || !m_pManager) return;
  CControlUI* item = GetItemAt(iIndex);
  if (!item) return;
  m_pManager->UpdateLayout();
  const RECT& body = m_pList->GetPos();
  const RECT inset = m_pList->GetInset();
  const RECT& rc = item->GetPos();
  const int top = body.top + inset.top;
  int bottom = body.bottom - inset.bottom;
  if (CScrollBarUI* bar = m_pList->GetHorizontalScrollBar(); bar && bar->IsVisible())
    bottom -= bar->GetBarSize();
  if (rc.top >= top && rc.bottom <= bottom) return;
  const int dy = rc.top < top ? rc.top - top : rc.bottom - bottom;
  Scroll(0, dy);
}

void CListUI::Scroll(int dx, int dy) {
  if (dx == 0 && dy == 0) return;
  const SIZE pos = m_pList->GetScrollPos();
  m_pList->SetScrollPos(SIZE{pos.cx + dx, pos.cy + dy});
}

SIZE CListUI::GetScrollPos() const {
  return m_pList->GetScrollPos();
}
SIZE CListUI::GetScrollRange() const {
  return m_pList->GetScrollRange();
}
void CListUI::SetScrollPos(SIZE szPos) {
  m_pList->SetScrollPos(szPos);
}
void CListUI::LineUp() {
  m_pList->LineUp();
}
void CListUI::LineDown() {
  m_pList->LineDown();
}
void CListUI::PageUp() {
  m_pList->PageUp();
}
void CListUI::PageDown() {
  m_pList->PageDown();
}
void CListUI::HomeUp() {
  m_pList->HomeUp();
}
void CListUI::EndDown() {
  if (m_pManager) m_pManager->UpdateLayout();
  m_pList->EndDown();
}
void CListUI::EnableScrollBar(bool bEnableVertical, bool bEnableHorizontal) {
  m_pList->EnableScrollBar(bEnableVertical, bEnableHorizontal);
}
CScrollBarUI* CListUI::GetVerticalScrollBar() const {
  return m_pList->GetVerticalScrollBar();
}
CScrollBarUI* CListUI::GetHorizontalScrollBar() const {
  return m_pList->GetHorizontalScrollBar();
}

void CListUI::SetPos(RECT rc, bool bNeedInvalidate) {
  // The header takes what it needs (nothing when hidden or empty), the body the rest.
  CControlUI::SetPos(rc, bNeedInvalidate);
  const RECT client{rc.left + m_rcInset.left, rc.top + m_rcInset.top, rc.right - m_rcInset.right,
                    rc.bottom - m_rcInset.bottom};
  int headerHeight = 0;
  if (m_pHeader->IsVisible() && m_pHeader->GetCount() > 0) {
    const SIZE wanted =
        m_pHeader->EstimateSize(SIZE{client.right - client.left, client.bottom - client.top});
    headerHeight =
        std::min<int>(wanted.cy > 0 ? wanted.cy : 24, std::max<int>(0, client.bottom - client.top));
  }
  if (m_pHeader->IsVisible())
    m_pHeader->SetPos(RECT{client.left, client.top, client.right, client.top + headerHeight},
                      false);
  m_pList->SetPos(RECT{client.left, client.top + headerHeight, client.right,
                       std::max(client.top + headerHeight, client.bottom)},
                  false);
}

void CListUI::DoEvent(TEventUI& event) {
  if (event.Type == UIEVENT_KEYDOWN && IsKeyboardEnabled()) {
    switch (event.chKey) {
      case VK_UP:
        SelectItem(FindSelectable(m_iCurSel - 1, false), true);
        return;
      case VK_DOWN:
        SelectItem(FindSelectable(m_iCurSel + 1, true), true);
        return;
      case VK_HOME:
        SelectItem(FindSelectable(0, true), true);
        return;
      case VK_END:
        SelectItem(FindSelectable(GetCount() - 1, false), true);
        return;
      case VK_RETURN:
        if (m_iCurSel >= 0) GetItemAt(m_iCurSel)->Activate();
        return;
      case VK_PRIOR:
        PageUp();
        return;
      case VK_NEXT:
        PageDown();
        return;
      default:
        break;
    }
  }
  if (event.Type == UIEVENT_SCROLLWHEEL) {
    CScrollBarUI* bar = m_pList->GetVerticalScrollBar();
    if (bar && bar->IsVisible() && bar->IsEnabled()) {
      // Three lines a notch, as desktop lists scroll; a fine-grained wheel sends a fraction
      // of a notch (delta below 120) and still moves one step.
      const int notches = std::max(1, std::abs(static_cast<int>(event.lParam)) / kWheelDelta);
      for (int line = 0; line < kWheelLines * notches; ++line) {
        if (LOWORD(event.wParam) == 0)
          LineUp();
        else
          LineDown();
      }
      return;
    }
    // Nothing to scroll here: the containers around may.
    CControlUI::DoEvent(event);
    return;
  }
  CVerticalLayoutUI::DoEvent(event);
}

void CListUI::SetAttribute(LPCTSTR pstrName, LPCTSTR pstrValue) {
  using C = CListUI;
  static const TAttributeSetter<C> table[] = {
      {"header",
       [](C& c, const char* v) {
         c.m_pHeader->SetVisible(std::strcmp(v, "hidden") != 0);
         return true;
       }},
      {"headerbkimage",
       [](C& c, const char* v) {
         c.m_pHeader->SetBkImage(v);
         return true;
       }},
      {"itemfont", [](C& c, const char* v) { return ParseAttrInt(v, c.m_ListInfo.nFont); }},
      {"itemalign",
       [](C& c, const char* v) {
         UINT& style = c.m_ListInfo.uTextStyle;
         style &= ~(DT_LEFT | DT_CENTER | DT_RIGHT);
         if (std::strstr(v, "center"))
           style |= DT_CENTER;
         else if (std::strstr(v, "right"))
           style |= DT_RIGHT;
         return true;
       }},
      {"itemendellipsis",
       [](C& c, const char* v) {
         bool b;
         if (!ParseAttrBool(v, b)) return false;
         if (b)
           c.m_ListInfo.uTextStyle |= DT_END_ELLIPSIS;
         else
           c.m_ListInfo.uTextStyle &= ~DT_END_ELLIPSIS;
         return true;
       }},
      {"itemtextpadding",
       [](C& c, const char* v) { return ParseAttrRect(v, c.m_ListInfo.rcTextPadding); }},
      {"itemtextcolor",
       [](C& c, const char* v) { return ParseAttrColor(v, c.m_ListInfo.dwTextColor); }},
      {"itembkcolor",
       [](C& c, const char* v) { return ParseAttrColor(v, c.m_ListInfo.dwBkColor); }},
      {"itembkimage",
       [](C& c, const char* v) {
         c.m_ListInfo.sBkImage = v;
         return true;
       }},
      {"itemaltbk",
       [](C& c, const char* v) { return ParseAttrBool(v, c.m_ListInfo.bAlternateBk); }},
      {"itemselectedtextcolor",
       [](C& c, const char* v) { return ParseAttrColor(v, c.m_ListInfo.dwSelectedTextColor); }},
      {"itemselectedbkcolor",
       [](C& c, const char* v) { return ParseAttrColor(v, c.m_ListInfo.dwSelectedBkColor); }},
      {"itemselectedimage",
       [](C& c, const char* v) {
         c.m_ListInfo.sSelectedImage = v;
         return true;
       }},
      {"itemhottextcolor",
       [](C& c, const char* v) { return ParseAttrColor(v, c.m_ListInfo.dwHotTextColor); }},
      {"itemhotbkcolor",
       [](C& c, const char* v) { return ParseAttrColor(v, c.m_ListInfo.dwHotBkColor); }},
      {"itemhotimage",
       [](C& c, const char* v) {
         c.m_ListInfo.sHotImage = v;
         return true;
       }},
      {"itemdisabledtextcolor",
       [](C& c, const char* v) { return ParseAttrColor(v, c.m_ListInfo.dwDisabledTextColor); }},
      {"itemdisabledbkcolor",
       [](C& c, const char* v) { return ParseAttrColor(v, c.m_ListInfo.dwDisabledBkColor); }},
      {"itemdisabledimage",
       [](C& c, const char* v) {
         c.m_ListInfo.sDisabledImage = v;
         return true;
       }},
      {"itemlinecolor",
       [](C& c, const char* v) { return ParseAttrColor(v, c.m_ListInfo.dwLineColor); }},
      {"itemshowhtml",
       [](C& c, const char* v) { return ParseAttrBool(v, c.m_ListInfo.bShowHtml); }},
      {"inset",
       [](C& c, const char* v) {
         RECT rc;
         if (!ParseAttrRect(v, rc)) return false;
         c.m_pList->SetInset(rc);
         return true;
       }},
      {"childpadding",
       [](C& c, const char* v) {
         int n;
         if (!ParseAttrInt(v, n)) return false;
         c.m_pList->SetChildPadding(n);
         return true;
       }},
  };
  if (ApplyFromTable(*this, table, pstrName, pstrValue)) {
    Invalidate();
    return;
  }
  CVerticalLayoutUI::SetAttribute(pstrName, pstrValue);
}

LPCTSTR CListBodyUI::GetClass() const {
  return "ListBodyUI";
}

void CListBodyUI::DoEvent(TEventUI& event) {
  // Keys, clicks and the wheel on the body belong to the list.
  if (!m_pOwner) {
    CVerticalLayoutUI::DoEvent(event);
    return;
  }
  m_pOwner->DoEvent(event);
}

CListHeaderUI::CListHeaderUI() {
  SetFixedHeight(0);
}

LPCTSTR CListHeaderUI::GetClass() const {
  return "ListHeaderUI";
}

LPVOID CListHeaderUI::GetInterface(LPCTSTR pstrName) {
  if (pstrName && std::strcmp(pstrName, DUI_CTR_LISTHEADER) == 0) return this;
  return CHorizontalLayoutUI::GetInterface(pstrName);
}

SIZE CListHeaderUI::EstimateSize(SIZE szAvailable) {
  if (m_cxyFixed.cy != 0 || GetCount() == 0)
    return SIZE{m_cxyFixed.cx, GetCount() == 0 ? 0 : m_cxyFixed.cy};
  // Without a height of its own the header is as high as its first item wants.
  SIZE sz = GetItemAt(0)->EstimateSize(szAvailable);
  return SIZE{m_cxyFixed.cx, sz.cy > 0 ? sz.cy : 24};
}

LPCTSTR CListHeaderItemUI::GetClass() const {
  return "ListHeaderItemUI";
}

LPVOID CListHeaderItemUI::GetInterface(LPCTSTR pstrName) {
  if (pstrName && std::strcmp(pstrName, "ListHeaderItem") == 0) return this;
  return CControlUI::GetInterface(pstrName);
}

void CListHeaderItemUI::SetAttribute(LPCTSTR pstrName, LPCTSTR pstrValue) {
  if (pstrName && std::strcmp(pstrName, "textcolor") == 0) {
    if (!ParseAttrColor(pstrValue, m_dwTextColor)) LogBadAttribute(pstrName, pstrValue);
    return;
  }
  if (pstrName && std::strcmp(pstrName, "font") == 0) {
    if (!ParseAttrInt(pstrValue, m_iFont)) LogBadAttribute(pstrName, pstrValue);
    return;
  }
  CControlUI::SetAttribute(pstrName, pstrValue);
}

void CListHeaderItemUI::PaintText(QPainter* painter) {
  CRenderEngine::DrawText(painter, m_pManager, m_rcItem, m_sText, m_dwTextColor, m_iFont,
                          DT_SINGLELINE | DT_VCENTER | DT_CENTER);
}

}  // namespace DuiLib
