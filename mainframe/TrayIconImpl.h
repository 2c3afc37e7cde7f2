// CTrayIconImpl<T>: the notification-area icon of a window class T (a CWindowWnd). The icon
// reports mouse actions as the registered message "WM_TRAYICON" with wParam = the icon id
// and lParam = the mouse message; T handles it in its HandleCustomMessage.
#pragma once

#include "platform/ui/desktop/NotifyIcon.h"
#include "platform/win32/Bitmap.h"
#include "platform/win32/Window.h"

#include <cstring>

template <typename T>
class CTrayIconImpl {
 public:
  static constexpr UINT kTrayIconId = 107;  // the program icon's resource id

  CTrayIconImpl() : m_uTrayMessage(::RegisterWindowMessageA("WM_TRAYICON")) {}
  ~CTrayIconImpl() { RemoveTrayIcon(); }
  CTrayIconImpl(const CTrayIconImpl&) = delete;
  CTrayIconImpl& operator=(const CTrayIconImpl&) = delete;

  // Adds the icon for hWnd with the tip; false where the desktop has no notification area
  // (the icon is still remembered and can be removed).
  bool AddTrayIcon(HWND hWnd, const char* tip) {
    m_nid = NOTIFYICONDATAA{};
    m_nid.cbSize = 508;
    m_nid.hWnd = hWnd;
    m_nid.uID = kTrayIconId;
    m_nid.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    m_nid.uCallbackMessage = m_uTrayMessage;
    m_nid.hIcon = ::LoadIconA(nullptr, MAKEINTRESOURCEA(kTrayIconId));
    std::strncpy(m_nid.szTip, tip, sizeof m_nid.szTip - 1);
    m_bInstalled = true;
    return ::Shell_NotifyIconA(NIM_ADD, &m_nid) != FALSE;
  }

  void RemoveTrayIcon() {
    if (!m_bInstalled) return;
    m_nid.uFlags = 0;
    ::Shell_NotifyIconA(NIM_DELETE, &m_nid);
    m_bInstalled = false;
  }

  UINT GetTrayMessage() const { return m_uTrayMessage; }
  bool IsTrayMessage(UINT uMsg, WPARAM wParam) const {
    return uMsg == m_uTrayMessage && wParam == kTrayIconId;
  }

 protected:
  UINT m_uTrayMessage;
  NOTIFYICONDATAA m_nid{};
  bool m_bInstalled = false;
};
