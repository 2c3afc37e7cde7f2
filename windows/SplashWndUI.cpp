#include "windows/SplashWndUI.h"

#include "platform/log/Log.h"
#include "app/Settings.h"
#include "wechat/WebchatEngine.h"
#include "windows/UpdateCheck.h"

using namespace DuiLib;

namespace {

constexpr UINT kSplashMs = 1000;

}  // namespace

void CSplashWndUI::InitWindow() {
  if (CControlUI* version = m_PaintManager.FindControl("splash_version"))
    version->SetText(("版本 " + GetVersion()).c_str());
  ::SetTimer(m_hWnd, kCheckTimer, kSplashMs, nullptr);
}

LRESULT CSplashWndUI::MessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled) {
  if (uMsg == WM_KEYDOWN && wParam == VK_ESCAPE) {
    bHandled = true;
    return TRUE;
  }
  // Timers reach the filters first; the library's own handling follows.
  if (uMsg == WM_TIMER) OnTimer();
  return WindowImplBase::MessageHandler(uMsg, wParam, lParam, bHandled);
}

void CSplashWndUI::OnTimer() {
  TC_TRACE("CSplashWndUI::OnTimer()");
  ::KillTimer(m_hWnd, kCheckTimer);
  CheckUpdate(m_hWnd);
  CWebchatEngine::InitEnv(nullptr, nullptr, nullptr);
  if (!CWebchatEngine::IsWeChatInstalled())
    ::MessageBoxA(m_hWnd, "系统监测到未安装微信客户端，微信的功能将无法使用.", "警告",
                  MB_ICONWARNING);
  Close(kGoOn);
}

void CSplashWndUI::OnClick(TNotifyUI& msg) {
  if (msg.pSender && msg.pSender->GetName() == "closebtn") ::PostQuitMessage(0);
}

void CSplashWndUI::OnFinalMessage(HWND hWnd) {
  WindowImplBase::OnFinalMessage(hWnd);
  if (m_bDeleteOnFinal) delete this;
}
