#include "platform/ui/layout/HorizontalLayoutUI.h"

#include "platform/ui/controls/ScrollBarUI.h"
#include "platform/ui/layout/LinearLayout_p.h"

#include <cstring>

namespace DuiLib {

LPCTSTR CHorizontalLayoutUI::GetClass() const { return "HorizontalLayoutUI"; }

LPVOID CHorizontalLayoutUI::GetInterface(LPCTSTR pstrName) {
  if (pstrName && std::strcmp(pstrName, DUI_CTR_HORIZONTALLAYOUT) == 0) return this;
  return CContainerUI::GetInterface(pstrName);
}

void CHorizontalLayoutUI::SetPos(RECT rc, bool bNeedInvalidate) {
  CControlUI::SetPos(rc, bNeedInvalidate);
  const bool vBefore = m_pVerticalScrollBar && m_pVerticalScrollBar->IsVisible();
  const bool hBefore = m_pHorizontalScrollBar && m_pHorizontalScrollBar->IsVisible();
  const RECT client = GetClientRect();
  const TLinearLayoutResult needed =
      LayoutLinear(m_items, client, GetScrollPos(), m_iChildPadding, false, m_rcItem);
  if (false) ProcessScrollBar(client, needed.crossNeeded, needed.mainNeeded);
  else ProcessScrollBar(client, needed.mainNeeded, needed.crossNeeded);
  const bool vAfter = m_pVerticalScrollBar && m_pVerticalScrollBar->IsVisible();
  const bool hAfter = m_pHorizontalScrollBar && m_pHorizontalScrollBar->IsVisible();
  // A scroll bar that appeared or went away changes the client area: lay out once more.
  if ((vBefore != vAfter || hBefore != hAfter) && !m_bScrollProcess) {
    m_bScrollProcess = true;
    SetPos(rc, false);
    m_bScrollProcess = false;
  }
}

}  // namespace DuiLib
