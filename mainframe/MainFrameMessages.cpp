// The frame's message handling: the pre-message filter, the window messages, the custom
// messages of the copy manager and the menus, the repaint work and the timers.
#include "mainframe/MainFrameWnd.h"

#include "chrome/CoverWnd.h"
#include "chrome/MenuWnd.h"
#include "chrome/ShadowFrameWnd.h"
#include "mainframe/WebchatElementUI.h"
#include "mainframe/WebchatListUI.h"
#include "mainframe/WebchatMan.h"
#include "mainframe/WebchatRowHint.h"
#include "wechat/ClipboardKeeper.h"
#include "platform/log/Log.h"
#include "platform/win32/DebugOutput.h"
#include "platform/win32/WindowPost.h"
#include "server/ConnServer.h"
#include "server/SignInValues.h"

#include <strings.h>

#include <memory>
#include <mutex>
#include <string>

using namespace DuiLib;

namespace {

constexpr UINT_PTR kTimerScrollList = 2;
constexpr UINT_PTR kTimerTipPoll = 4;
constexpr UINT kTipPollMs = 20 * 60 * 1000;

// The tip last read from the server (process-wide, replaced when the text differs).
std::mutex s_tipMutex;
std::string s_strTip;

}  // namespace

// The discovery threads' reports: the frame owns the key and the profile on delivery; a
// report the frame never gets is freed by the queue.
void CMainFrameWnd::OnWeChatUI(void* context, const std::string& key, HWND loginWnd, HWND mainWnd) {
  auto* self = static_cast<CMainFrameWnd*>(context);
  if (mainWnd)
    win32::PostOwned(self->GetHWND(), WM_USER_MSG_MAINFRAME_WECHATMAINUIGOT,
                     std::make_unique<std::string>(key), reinterpret_cast<LPARAM>(mainWnd));
  else if (loginWnd)
    win32::PostOwned(self->GetHWND(), WM_USER_MSG_MAINFRAME_WECHATLOGINUIGOT,
                     std::make_unique<std::string>(key), reinterpret_cast<LPARAM>(loginWnd));
}

void CMainFrameWnd::OnWeChatCfg(void* context, const std::string& key, const WECHATCFGDATA& cfg) {
  auto* self = static_cast<CMainFrameWnd*>(context);
  win32::PostOwned(self->GetHWND(), WM_USER_MSG_MAINFRAME_WECHATCFGDATAGOT,
                   std::make_unique<std::string>(key), std::make_unique<WECHATCFGDATA>(cfg));
}

LRESULT CMainFrameWnd::MessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled) {
  switch (uMsg) {
    case WM_NCLBUTTONDOWN:
      HidePopups();
      CMenuWnd::CloseAll();
      break;
    case WM_KEYDOWN:
      if (wParam == VK_ESCAPE || OnSwitchKey(wParam) ||
          (m_pShortcutPanel && m_pShortcutPanel->OnKey(wParam))) {
        bHandled = true;
        return 0;
      }
      break;
    case WM_TIMER:
      OnTimer(wParam);
      break;
    case WM_LBUTTONDOWN:
      OnLButtonDown(POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
      break;
    case WM_RBUTTONUP:
      ShowShortcutMenu(POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
      break;
    default:
      break;
  }
  return WindowImplBase::MessageHandler(uMsg, wParam, lParam, bHandled);
}

LRESULT CMainFrameWnd::HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) {
  switch (uMsg) {
    case WM_MOVE:
    case WM_SIZE:
      if (m_pShadowFrame && m_pShadowFrame->GetHWND()) {
        RECT rc{};
        ::GetWindowRect(m_hWnd, &rc);
        ::SetWindowPos(m_pShadowFrame->GetHWND(), nullptr, rc.left, rc.top, rc.right - rc.left,
                       rc.bottom - rc.top, SWP_NOZORDER | SWP_NOACTIVATE);
      }
      break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      HidePopups();
      break;
    case WM_COPYDATA:
      OnCopyData(wParam, lParam);
      break;
    case WM_RBUTTONDOWN:
      m_bRButtonDown = true;
      break;
    case WM_RBUTTONUP:
      m_bRButtonDown = false;
      break;
    default:
      break;
  }
  return WindowImplBase::HandleMessage(uMsg, wParam, lParam);
}

// The answer to an outside updater: show its text, then tell "AutoUpdate" "0".
void CMainFrameWnd::OnCopyData(WPARAM, LPARAM lParam) {
  const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
  if (!data || !data->lpData) return;
  const std::string text(static_cast<const char*>(data->lpData), data->cbData);
  ::MessageBoxA(m_hWnd, text.c_str(), "Update", MB_OK);
  if (HWND updater = ::FindWindowA(nullptr, "AutoUpdate")) {
    char answer = '0';
    COPYDATASTRUCT reply{0, 1, &answer};
    ::SendMessageA(updater, WM_COPYDATA, reinterpret_cast<WPARAM>(m_hWnd),
                   reinterpret_cast<LPARAM>(&reply));
  }
}

LRESULT CMainFrameWnd::HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM lParam,
                                           BOOL& bHandled) {
  switch (uMsg) {
    case WM_PAINT: {
      LRESULT result = 0;
      m_PaintManager.MessageHandler(uMsg, wParam, lParam, result);
      bHandled = TRUE;
      DoRepaintWork();
      return result;
    }
    case WM_USER_MSG_MAINFRAME_WECHATLOGINUIGOT:
    case WM_USER_MSG_MAINFRAME_WECHATMAINUIGOT:
      OnWeChatWindowFound(uMsg, wParam, lParam);
      break;
    case WM_USER_MSG_MAINFRAME_WECHATCFGDATAGOT:
      OnWeChatProfile(wParam, lParam);
      break;
    case WM_USER_MSG_MAINFRAME_WECHATEXIT:
      OnWebchatExit();
      break;
    case WM_USER_MSG_MAINFRAME_WECHATSELECTED:
      OnWeChatSelected(reinterpret_cast<HWND>(wParam));
      break;
    case WM_MENU_COMMAND:
      OnMenu(static_cast<int>(wParam));
      break;
    default:
      if (IsTrayMessage(uMsg, wParam)) OnTrayIcon(LOWORD(static_cast<DWORD_PTR>(lParam)));
      break;
  }
  return WindowImplBase::HandleCustomMessage(uMsg, wParam, lParam, bHandled);
}

void CMainFrameWnd::DoRepaintWork() {
  if (!m_pWebchatMan || !m_pWebchatList) return;
  const RECT rc = m_pWebchatMan->GetPos();
  if (rc.left != m_rcWebchatMan.left || rc.top != m_rcWebchatMan.top ||
      rc.right != m_rcWebchatMan.right || rc.bottom != m_rcWebchatMan.bottom) {
    m_pWebchatMan->SetPos(rc);
    m_rcWebchatMan = rc;
  }
  if (CControlUI* row = m_pWebchatList->GetItemAt(m_pWebchatList->GetCurSel())) {
    const std::string key = row->GetName().str();
    const std::string line =
        "Tandem_paint, listWeID:" + key + "   GetCurrWeChat: " + m_pWebchatMan->GetCurrWeChat();
    ::OutputDebugStringA(line.c_str());
    WECHATRUNDATA data;
    if (m_pWebchatMan->GetWeChatRunData(data, key)) SetCoverWndPos(data.hLoginWnd, data.hMainWnd);
  }
  ReleaseWebChats();
  // Attributes are only set when they change: setting one re-lays the window out.
  CControlUI* right = m_PaintManager.FindControl("mainframe_right");
  CControlUI* tip = m_PaintManager.FindControl("public_tip");
  if (right && tip) {
    const int h = right->GetHeight();
    const SIZE xy = tip->GetFixedXY();
    if (xy.cx != 4 || xy.cy != h - 148 || tip->GetFixedWidth() != 272 ||
        tip->GetFixedHeight() != 148)
      tip->SetAttribute("pos",
                        ("4," + std::to_string(h - 148) + ",276," + std::to_string(h)).c_str());
  }
  if (m_pShortcutPanel) m_pShortcutPanel->UpdateEmptyState();
}

void CMainFrameWnd::OnTimer(UINT_PTR nId) {
  if (nId == CShortcutPanel::kSendTimerId) {
    OnShortcutTimer();
    return;
  }
  if (nId == CWebchatRowHint::kTimerId) {
    RefreshRowHints();
    return;
  }
  if (nId == CClipboardKeeper::kTimerId) {
    OnClipboardTimer();
    return;
  }
  if (nId != kTimerScrollList && nId != kTimerTipPoll) return;
  ::KillTimer(m_hWnd, nId);
  if (nId == kTimerScrollList)
    ScrollListToEnd();
  else
    PollTip();
}

void CMainFrameWnd::ScrollListToEnd() {
  if (m_pWebchatList) m_pWebchatList->EndDown();
}

void CMainFrameWnd::PollTip() {
  CConnServer conn;
  const std::string text = conn.GetTipsMessage(GetLoginToken().c_str());
  {
    std::lock_guard<std::mutex> lock(s_tipMutex);
    if (strcasecmp(text.c_str(), s_strTip.c_str()) != 0) s_strTip = text;
  }
  if (text.empty()) return;  // polling ends until the next start
  TC_LOG(TC_LOG_INFO, "tip: " << text);
  ShowTipWindow(text);
  ::SetTimer(m_hWnd, kTimerTipPoll, kTipPollMs, nullptr);
}
