#include "mainframe/WorkbenchWnd.h"

#include "platform/log/Log.h"
#include "app/Settings.h"
#include "server/ConnServer.h"
#include "server/SignInValues.h"

#include <fstream>
#include <memory>

using namespace DuiLib;

namespace {

// A new instance key: the 36-character GUID text.
std::string MakeInstanceKey() {
  std::ifstream uuid("/proc/sys/kernel/random/uuid");
  std::string key;
  std::getline(uuid, key);
  for (auto& c : key) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return key;
}

}  // namespace

void CWorkbenchWnd::InitWindow() {
  m_pList = static_cast<CListUI*>(m_PaintManager.FindControl("webchat_list"));
  CWebchatMan::InitEnv(&CWorkbenchWnd::OnWeChatUI, &CWorkbenchWnd::OnWeChatCfg, this);
  if (!CWebchatMan::IsWeChatInstalled())
    ShowStatus("系统监测到未安装微信客户端，微信的功能将无法使用.");
  SignIn();
}

CControlUI* CWorkbenchWnd::CreateControl(LPCTSTR pstrClass) {
  if (std::string(pstrClass) == "WebChat") {
    m_pWebchatMan = new CWebchatMan(this);
    return m_pWebchatMan;
  }
  return nullptr;
}

void CWorkbenchWnd::SignIn() {
  const std::string user = GetLastUser().str();
  CConnServer conn;
  if (user.empty() || conn.Login(user.c_str(), GetUserPwd()) != 0) {
    ShowStatus("登录失败：" + conn.m_strResultMsg.str());
    return;
  }
  StoreSignInValues(conn);
  m_nQuota = conn.m_nWechatQuantity;
  ShowStatus("已登录 " + user + "，可开微信数：" + std::to_string(m_nQuota));
}

void CWorkbenchWnd::Notify(TNotifyUI& msg) {
  const std::string name = msg.pSender ? msg.pSender->GetName().str() : std::string();
  if (msg.sType == DUI_MSGTYPE_CLICK && name == "add_webchat") {
    AddWeChat();
    return;
  }
  if (msg.sType == DUI_MSGTYPE_CLICK && name == "kick_off") {
    RemoveCurrentWeChat();
    return;
  }
  if (msg.sType == DUI_MSGTYPE_ITEMSELECT && name == "webchat_list" && m_pList) {
    CControlUI* row = m_pList->GetItemAt(m_pList->GetCurSel());
    if (row) SelectWeChat(row->GetUserData().str());
    return;
  }
  WindowImplBase::Notify(msg);
}

void CWorkbenchWnd::AddWeChat() {
  TC_TRACE("CWorkbenchWnd::AddWeChat()");
  if (!m_pWebchatMan || !m_pList) return;
  if (RowCount() >= m_nQuota) {
    ShowStatus("已达到可开微信数：" + std::to_string(m_nQuota));
    return;
  }
  const std::string key = MakeInstanceKey();
  if (!m_pWebchatMan->RunWeChat(key.c_str())) {
    ShowStatus("微信启动失败");
    return;
  }
  m_pWebchatMan->SwitchWeChat(key.c_str());
  auto* row = new CListLabelElementUI;
  row->SetUserData(key.c_str());
  row->SetText(("[" + std::to_string(RowCount() + 1) + "] 启动中…").c_str());
  row->SetFixedHeight(30);
  m_pList->Add(row);
  m_pList->SelectItem(m_pList->GetCount() - 1, false, false);
}

void CWorkbenchWnd::RemoveCurrentWeChat() {
  if (!m_pWebchatMan) return;
  const std::string key = m_pWebchatMan->GetCurrWeChat();
  if (key.empty()) return;
  m_pWebchatMan->StopWeChat(key.c_str());
  RemoveRow(key);
}

void CWorkbenchWnd::SelectWeChat(const std::string& key) {
  if (m_pWebchatMan && !key.empty() && key != m_pWebchatMan->GetCurrWeChat())
    m_pWebchatMan->SwitchWeChat(key.c_str());
}

int CWorkbenchWnd::RowCount() const {
  return m_pList ? m_pList->GetCount() : 0;
}

void CWorkbenchWnd::SetRowText(const std::string& key, const std::string& text) {
  for (int i = 0; m_pList && i < m_pList->GetCount(); ++i) {
    CControlUI* row = m_pList->GetItemAt(i);
    if (row->GetUserData().str() == key)
      row->SetText(("[" + std::to_string(i + 1) + "] " + text).c_str());
  }
}

void CWorkbenchWnd::RemoveRow(const std::string& key) {
  for (int i = 0; m_pList && i < m_pList->GetCount(); ++i) {
    if (m_pList->GetItemAt(i)->GetUserData().str() == key) {
      m_pList->RemoveAt(i);
      return;
    }
  }
}

void CWorkbenchWnd::ShowStatus(const std::string& text) {
  TC_LOG(TC_LOG_INFO, "workbench: " << text);
  if (CControlUI* status = m_PaintManager.FindControl("status")) status->SetText(text.c_str());
}

void CWorkbenchWnd::OnWeChatUI(void* context, const std::string& key, HWND loginWnd, HWND mainWnd) {
  auto* self = static_cast<CWorkbenchWnd*>(context);
  const UINT msg =
      mainWnd ? WM_USER_MSG_MAINFRAME_WECHATMAINUIGOT : WM_USER_MSG_MAINFRAME_WECHATLOGINUIGOT;
  auto* payload = new std::string(key);
  if (!::PostMessageA(self->GetHWND(), msg, reinterpret_cast<WPARAM>(payload),
                      reinterpret_cast<LPARAM>(mainWnd ? mainWnd : loginWnd)))
    delete payload;
}

void CWorkbenchWnd::OnWeChatCfg(void* context, const std::string& key, const WECHATCFGDATA& cfg) {
  auto* self = static_cast<CWorkbenchWnd*>(context);
  auto* payloadKey = new std::string(key);
  auto* payloadCfg = new WECHATCFGDATA(cfg);
  if (!::PostMessageA(self->GetHWND(), WM_USER_MSG_MAINFRAME_WECHATCFGDATAGOT,
                      reinterpret_cast<WPARAM>(payloadKey), reinterpret_cast<LPARAM>(payloadCfg))) {
    delete payloadKey;
    delete payloadCfg;
  }
}

LRESULT CWorkbenchWnd::HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM lParam,
                                           BOOL& bHandled) {
  bHandled = TRUE;
  switch (uMsg) {
    case WM_USER_MSG_MAINFRAME_WECHATLOGINUIGOT: {
      std::unique_ptr<std::string> key(reinterpret_cast<std::string*>(wParam));
      SetRowText(*key, "[未登录]");
      return 0;
    }
    case WM_USER_MSG_MAINFRAME_WECHATMAINUIGOT: {
      std::unique_ptr<std::string> key(reinterpret_cast<std::string*>(wParam));
      return 0;
    }
    case WM_USER_MSG_MAINFRAME_WECHATCFGDATAGOT: {
      std::unique_ptr<std::string> key(reinterpret_cast<std::string*>(wParam));
      std::unique_ptr<WECHATCFGDATA> cfg(reinterpret_cast<WECHATCFGDATA*>(lParam));
      SetRowText(*key, cfg->strNickname.empty() ? cfg->strWeChatId : cfg->strNickname);
      return 0;
    }
    case WM_USER_MSG_MAINFRAME_WECHATEXIT:
      if (m_pWebchatMan)
        for (const std::string& key : m_pWebchatMan->TakeClosedWeChats()) {
          m_pWebchatMan->StopWeChat(key.c_str());
          RemoveRow(key);
        }
      return 0;
    default:
      bHandled = FALSE;
      return 0;
  }
}

LRESULT CWorkbenchWnd::OnClose(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) {
  // Every copy still running ends with the workbench.
  for (int i = 0; m_pWebchatMan && m_pList && i < m_pList->GetCount(); ++i)
    m_pWebchatMan->StopWeChat(m_pList->GetItemAt(i)->GetUserData().GetData());
  return WindowImplBase::OnClose(uMsg, wParam, lParam, bHandled);
}

void CWorkbenchWnd::OnFinalMessage(HWND hWnd) {
  WindowImplBase::OnFinalMessage(hWnd);
  ::PostQuitMessage(0);
  delete this;
}
