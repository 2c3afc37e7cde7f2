#include "windows/MsgWnd.h"

#include "windows/WindowKit.h"

#include <strings.h>

using namespace DuiLib;

namespace {

constexpr UINT kFadeStepMs = 50;
constexpr int kOpacityStep = 3;
constexpr int kRightMargin = 20;

}  // namespace

void CMsgWnd::InitWindow() {
  m_nOpacity = kStartOpacity;
  SetOpacity(static_cast<BYTE>(m_nOpacity));
  PlaceAtCorner();
}

void CMsgWnd::ShowMessage(const char* text) {
  CControlUI* publicText = m_PaintManager.FindControl("public_text");
  if (!publicText) return;
  publicText->SetText(text ? text : "");
  PlaceAtCorner();
  if (m_nOpacity >= 255) return;
  m_nOpacity = kStartOpacity;
  SetOpacity(static_cast<BYTE>(m_nOpacity));
  ::SetTimer(m_hWnd, kFadeTimer, kFadeStepMs, nullptr);
}

void CMsgWnd::PlaceAtCorner() {
  RECT rc{0, 0, 0, 0};
  ::GetWindowRect(m_hWnd, &rc);
  const int width = rc.right - rc.left;
  const int height = rc.bottom - rc.top;
  const int x = ::GetSystemMetrics(SM_CXFULLSCREEN) - width - kRightMargin;
  const int y = ::GetSystemMetrics(SM_CYFULLSCREEN) - height;
  ::SetWindowPos(m_hWnd, HWND_TOPMOST, x, y, width, height, SWP_SHOWWINDOW);
}

void CMsgWnd::FadeStep() {
  m_nOpacity += kOpacityStep;
  if (m_nOpacity > 254) {
    m_nOpacity = 255;
    ::KillTimer(m_hWnd, kFadeTimer);
  }
  SetOpacity(static_cast<BYTE>(m_nOpacity));
}

void CMsgWnd::Notify(TNotifyUI& msg) {
  if (msg.sType == DUI_MSGTYPE_LINK) {
    OpenClickedLink(msg);
    return;
  }
  WindowImplBase::Notify(msg);
}

void CMsgWnd::OnClick(TNotifyUI& msg) {
  if (!msg.pSender || strcasecmp(msg.pSender->GetName(), "closebtn") != 0) return;
  ::KillTimer(m_hWnd, kFadeTimer);
  m_nOpacity = kStartOpacity;
  ShowWindow(false);
}

LRESULT CMsgWnd::MessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled) {
  if (uMsg == WM_KEYDOWN && wParam == VK_ESCAPE) {
    bHandled = true;
    return TRUE;
  }
  return WindowImplBase::MessageHandler(uMsg, wParam, lParam, bHandled);
}

LRESULT CMsgWnd::HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM, BOOL& bHandled) {
  if (uMsg == WM_TIMER && wParam == kFadeTimer) {
    FadeStep();
    return 0;
  }
  bHandled = FALSE;
  return 0;
}
