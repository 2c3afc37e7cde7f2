#include "chrome/MenuWnd.h"

#include "chrome/MenuElementUI.h"
#include "chrome/MenuUI.h"
#include "platform/log/Log.h"

#include <strings.h>

#include <algorithm>
#include <vector>

using namespace DuiLib;

namespace {

// The open menu windows, oldest first (GUI thread only).
std::vector<CMenuWnd*> s_observers;

RECT workAreaAt(POINT pt) {
  MONITORINFO info;
  if (::GetMonitorInfoA(::MonitorFromPoint(pt, MONITOR_DEFAULTTONEAREST), &info))
    return info.rcWork;
  return RECT{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
}

}  // namespace

CMenuWnd::CMenuWnd(HWND hOwner, CPaintManagerUI* pOwnerManager)
    : m_hOwner(hOwner), m_pOwnerManager(pOwnerManager) {}

void CMenuWnd::Init(CMenuElementUI* pOwnerElement, const char* xml, const char* skinType,
                    POINT pt) {
  m_pOwnerElement = pOwnerElement;
  m_sXml = xml ? xml : "";
  m_sSkinType = skinType ? skinType : "";
  m_ptBase = pt;
  s_observers.push_back(this);
  const HWND parent = pOwnerElement ? pOwnerElement->GetMenuHwnd() : m_hOwner;
  if (!Create(parent, "", WS_POPUP, WS_EX_TOOLWINDOW | WS_EX_TOPMOST, 0, 0, 0, 0)) {
    s_observers.erase(std::find(s_observers.begin(), s_observers.end(), this));
    delete this;
    return;
  }
  HWND top = m_hOwner;
  while (top && ::GetWindow(top, GW_OWNER)) top = ::GetWindow(top, GW_OWNER);
  ::ShowWindow(m_hWnd, SW_SHOW);
  if (top) ::SendMessageA(top, WM_NCACTIVATE, TRUE, 0);
}

CControlUI* CMenuWnd::CreateControl(LPCTSTR pstrClass) {
  if (strcasecmp(pstrClass, "Menu") == 0) return new CMenuUI;
  if (strcasecmp(pstrClass, "MenuElement") == 0) return new CMenuElementUI;
  return nullptr;
}

LRESULT CMenuWnd::OnCreate(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) {
  if (!m_pOwnerElement) {
    WindowImplBase::OnCreate(uMsg, wParam, lParam, bHandled);
    PlaceRoot();
    return 0;
  }
  m_PaintManager.Init(m_hWnd);
  m_PaintManager.AddPreMessageFilter(this);
  BuildSubMenu();
  m_PaintManager.AddNotifier(this);
  PlaceSubMenu();
  return 0;
}

// Opens right-down from the point, to the left or upwards where the work area ends.
void CMenuWnd::PlaceRoot() {
  const SIZE size = m_PaintManager.GetInitSize();
  RECT rc{m_ptBase.x, m_ptBase.y, m_ptBase.x + size.cx, m_ptBase.y + size.cy};
  const RECT work = workAreaAt(m_ptBase);
  if (rc.right > work.right) {
    rc.right = m_ptBase.x;
    rc.left = m_ptBase.x - size.cx;
  }
  if (rc.bottom > work.bottom) {
    rc.bottom = m_ptBase.y;
    rc.top = m_ptBase.y - size.cy;
  }
  ::SetForegroundWindow(m_hWnd);
  ::SetWindowPos(m_hWnd, HWND_TOPMOST, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top,
                 SWP_SHOWWINDOW);
}

// The sub-menu borrows its owner item's children until it closes.
void CMenuWnd::BuildSubMenu() {
  m_pLayout = new CMenuUI;
  if (CPaintManagerUI* ownerManager = m_pOwnerElement->GetManager())
    if (LPCTSTR defaults = ownerManager->GetDefaultAttributeList("Menu"))
      m_pLayout->ApplyAttributeList(defaults);
  m_pLayout->SetBkColor(0xFFFFFFFF);
  m_pLayout->SetBorderColor(0xFF85E4FF);
  m_pLayout->SetBorderSize(0);
  std::vector<CControlUI*> items;
  for (int i = 0; i < m_pOwnerElement->GetCount(); ++i)
    if (m_pOwnerElement->GetItemAt(i)->GetInterface("MenuElement"))
      items.push_back(m_pOwnerElement->GetItemAt(i));
  for (CControlUI* item : items) {
    m_pOwnerElement->Remove(item, true);
    item->SetVisible(true);
    m_pLayout->Add(item);
  }
  m_PaintManager.AttachDialog(m_pLayout);
}

void CMenuWnd::PlaceSubMenu() {
  constexpr int kMargin = 4;
  SIZE size{0, kMargin};
  for (int i = 0; i < m_pLayout->GetCount(); ++i) {
    const SIZE item = m_pLayout->GetItemAt(i)->EstimateSize(SIZE{9999, 9999});
    size.cx = std::max<LONG>(size.cx, std::max<LONG>(item.cx, 120));
    size.cy += item.cy > 0 ? item.cy : 28;
  }
  size.cx += kMargin;
  RECT owner = m_pOwnerElement->GetPos();
  POINT topLeft{owner.left, owner.top};
  POINT bottomRight{owner.right, owner.bottom};
  ::ClientToScreen(m_pOwnerElement->GetMenuHwnd(), &topLeft);
  ::ClientToScreen(m_pOwnerElement->GetMenuHwnd(), &bottomRight);
  RECT menu{};
  ::GetWindowRect(m_pOwnerElement->GetMenuHwnd(), &menu);
  const RECT work = workAreaAt(topLeft);
  RECT rc{menu.right, topLeft.y, menu.right + size.cx, topLeft.y + size.cy};
  if (rc.right > work.right) {
    rc.right = menu.left;
    rc.left = menu.left - size.cx;
  }
  if (rc.bottom > work.bottom) {
    rc.bottom = bottomRight.y;
    rc.top = bottomRight.y - size.cy;
  }
  if (rc.top < work.top) {
    rc.bottom += work.top - rc.top;
    rc.top = work.top;
  }
  if (rc.left < work.left) {
    rc.right += work.left - rc.left;
    rc.left = work.left;
  }
  ::SetWindowPos(m_hWnd, HWND_TOPMOST, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top,
                 SWP_SHOWWINDOW);
}

void CMenuWnd::Broadcast(const TMenuNotice& notice) {
  const std::vector<CMenuWnd*> open(s_observers.rbegin(), s_observers.rend());
  for (CMenuWnd* menu : open)
    if (std::find(s_observers.begin(), s_observers.end(), menu) != s_observers.end())
      menu->Receive(notice);
}

void CMenuWnd::CloseAll() {
  Broadcast(TMenuNotice{kMenuCloseAll, nullptr, -1});
}

bool CMenuWnd::IsMenuWindow(HWND hWnd) {
  return hWnd && std::any_of(s_observers.begin(), s_observers.end(),
                             [hWnd](CMenuWnd* menu) { return menu->GetHWND() == hWnd; });
}

bool CMenuWnd::IsOwnerWindow(HWND hWnd) {
  if (!hWnd) return false;
  for (CMenuWnd* menu : s_observers) {
    if (menu->m_pOwnerElement) continue;
    HWND top = menu->m_hOwner;
    if (top == hWnd) return true;
    while (top && ::GetParent(top)) top = ::GetParent(top);
    if (top == hWnd) return true;
  }
  return false;
}

int CMenuWnd::OpenCount() {
  return static_cast<int>(s_observers.size());
}

// True when this menu was opened (directly or not) from the menu window hMenu.
bool CMenuWnd::IsBelow(HWND hMenu) const {
  for (CMenuElementUI* owner = m_pOwnerElement; owner;) {
    const HWND parent = owner->GetMenuHwnd();
    if (parent == hMenu) return true;
    auto* parentMenu = static_cast<CMenuWnd*>(CWindowWnd::FromHandle(parent));
    owner = parentMenu ? parentMenu->m_pOwnerElement : nullptr;
  }
  return false;
}

void CMenuWnd::Receive(const TMenuNotice& notice) {
  if (m_bClosing) return;
  switch (notice.nKind) {
    case kMenuCloseAll:
      break;
    case kMenuCloseBelow:
      if (!IsBelow(notice.hWnd)) return;
      break;
    case kMenuChoose:
      if (!m_pOwnerElement && notice.nId != -1) m_nChosenId = notice.nId;
      break;
    default:
      return;
  }
  m_bClosing = true;
  Close();
}

LRESULT CMenuWnd::OnKillFocus(UINT, WPARAM wParam, LPARAM, BOOL& bHandled) {
  bHandled = TRUE;
  const auto to = reinterpret_cast<HWND>(wParam);
  if (IsMenuWindow(to) || IsOwnerWindow(to)) return 0;
  TC_LOG(TC_LOG_DEBUG, "menus close: the focus left for window " << to);
  CloseAll();
  return 0;
}

LRESULT CMenuWnd::MessageHandler(UINT uMsg, WPARAM wParam, LPARAM, bool& bHandled) {
  switch (uMsg) {
    case WM_KEYDOWN:
      if (wParam == VK_ESCAPE) {
        m_bClosing = true;
        Close();
      }
      bHandled = true;
      return 0;
    case WM_CONTEXTMENU:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_RBUTTONDBLCLK:
      bHandled = true;
      return 0;
    default:
      return 0;
  }
}

LRESULT CMenuWnd::HandleCustomMessage(UINT uMsg, WPARAM, LPARAM, BOOL& bHandled) {
  bHandled = uMsg == WM_CONTEXTMENU || uMsg == WM_RBUTTONDOWN || uMsg == WM_RBUTTONUP ||
             uMsg == WM_RBUTTONDBLCLK;
  return 0;
}

void CMenuWnd::OnFinalMessage(HWND hWnd) {
  s_observers.erase(std::remove(s_observers.begin(), s_observers.end(), this), s_observers.end());
  if (m_pOwnerElement && m_pLayout) {
    while (m_pLayout->GetCount() > 0) {
      CControlUI* item = m_pLayout->GetItemAt(0);
      m_pLayout->Remove(item, true);
      m_pOwnerElement->Add(item);
    }
    m_pOwnerElement->m_pSubMenuWnd = nullptr;
    m_pOwnerElement->Select(false, false);
    m_pOwnerElement->Invalidate();
  }
  WindowImplBase::OnFinalMessage(hWnd);
  if (m_nChosenId != -1 && m_pOwnerManager)
    ::PostMessageA(m_pOwnerManager->GetPaintWindow(), WM_MENU_COMMAND,
                   static_cast<WPARAM>(m_nChosenId), 0);
  delete this;
}
