// The frame's copy operations: adding, kicking off and stopping copies, the manager's
// reports (window found, profile read, copy gone), the row labels and the cover window.
#include "mainframe/MainFrameWnd.h"

#include "app/Settings.h"
#include "chrome/CoverWnd.h"
#include "mainframe/WebchatElementUI.h"
#include "mainframe/WebchatListUI.h"
#include "mainframe/WebchatMan.h"
#include "platform/hook/MouseHook.h"
#include "platform/log/Log.h"
#include "platform/win32/Files.h"
#include "platform/win32/Guid.h"
#include "server/ConnServer.h"
#include "server/SignInValues.h"

#include <strings.h>

#include <cstdio>
#include <memory>
#include <vector>

using namespace DuiLib;

namespace {

constexpr UINT_PTR kTimerScrollList = 2;
constexpr const char* kAddCaption = "添加微信";

bool sameRect(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

}  // namespace

std::string CMainFrameWnd::MakeInstanceKey() {
  GUID guid{};
  CoCreateGuid(&guid);
  char key[40];
  std::snprintf(key, sizeof key, "%08X-%04X-%04x-%02X%02X-%02X%02X%02X%02X%02X%02X", guid.Data1,
                guid.Data2, guid.Data3, guid.Data4[0], guid.Data4[1], guid.Data4[2], guid.Data4[3],
                guid.Data4[4], guid.Data4[5], guid.Data4[6], guid.Data4[7]);
  return key;
}

std::string CMainFrameWnd::MakeFaceFileName(const std::string& key40, const std::string& weChatId) {
  std::string name = key40 + weChatId;
  if (name.empty()) return MakeInstanceKey();
  // The name comes from the account's own files: it must stay a plain name inside Faces/.
  for (char& c : name) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '/' || c == '\\' || byte < 0x20 || byte == 0x7F) c = '_';
  }
  if (name == "." || name == "..") return MakeInstanceKey();
  for (std::size_t at = name.find(".."); at != std::string::npos; at = name.find("..", at))
    name.replace(at, 2, "__");
  return name;
}

void CMainFrameWnd::UpdateCounter() {
  CControlUI* counter = m_PaintManager.FindControl("webchats_numbs");
  if (!counter || !m_pWebchatList) return;
  char text[32];
  std::snprintf(text, sizeof text, "%d/%d", m_pWebchatList->GetCount(), GetWechatQuantity());
  counter->SetText(text);
  TC_LOG(TC_LOG_DEBUG, "webchats_numbs: " << text);
}

void CMainFrameWnd::AddWebChat() {
  TC_TRACE("CMainFrameWnd::AddWebChat()");
  if (!m_pWebchatList || !m_pWebchatMan) {
    TC_LOG(TC_LOG_ERROR, "webchatlist or webchatman is null in CMainFrameWnd::AddWebChat().");
    return;
  }
  if (m_pWebchatList->GetCount() >= GetWechatQuantity()) {
    ::MessageBoxA(m_hWnd, "微信数已经到达系统设置的最大值.", kAddCaption, MB_ICONEXCLAMATION);
    return;
  }
  std::vector<DWORD> outside;
  if (m_pWebchatMan->IsHasWeChatRunByWeChatPC(outside) &&
      ::MessageBoxA(m_hWnd, "独立运行的PC版微信会影响软件的正常运行,是否加入并继续.", kAddCaption,
                    MB_OKCANCEL | MB_ICONEXCLAMATION) == IDCANCEL)
    return;
  SetAddWebchatEnable(false);
  if (CControlUI* row = m_pWebchatList->GetItemAt(m_pWebchatList->GetCurSel())) {
    WECHATRUNDATA data;
    if (m_pWebchatMan->GetWeChatRunData(data, row->GetName().str())) {
      if (data.hLoginWnd) ::ShowWindow(data.hLoginWnd, SW_HIDE);
      if (data.hMainWnd) ::ShowWindow(data.hMainWnd, SW_HIDE);
    }
  }
  m_strAddingWeChat = MakeInstanceKey();
  m_pWebchatMan->RunWeChat(m_strAddingWeChat.c_str());
  m_pWebchatMan->SwitchWeChat(m_strAddingWeChat.c_str());
  WECHATRUNDATA added;
  if (m_pWebchatMan->GetWeChatRunData(added, m_strAddingWeChat))
    TC_LOG(TC_LOG_INFO, "copy " << m_strAddingWeChat << ": process " << added.dwProcessId
                                << ", row " << m_pWebchatList->GetCount() + 1);
  m_pWebchatList->AddWebChatItem(m_strAddingWeChat.c_str());
  ScrollListToEnd();
  ::SetTimer(m_hWnd, kTimerScrollList, 1, nullptr);
  UpdateCounter();
}

void CMainFrameWnd::KickoffWebChat(CWebchatElementUI* pEntry) {
  TC_TRACE("CMainFrameWnd::KickoffWebChat()");
  if (m_pWebchatList && m_pWebchatMan && pEntry && m_pKickedList) {
    const int index = m_pWebchatList->GetItemIndex(pEntry);
    const std::string key = pEntry->GetName().str();
    m_pWebchatMan->StopWeChat(key.c_str());
    // Destroyed by the next ReleaseWebChats: the entry's own button may be raising this click.
    if (index >= 0 && m_pWebchatList->Remove(pEntry, true)) m_pKickedList->Add(pEntry);
    for (int j = std::max(index, 0); j < m_pWebchatList->GetCount(); ++j)
      if (CWebchatElementUI* row = m_pWebchatList->GetWebchatItemAt(j)) row->SetNumber(j + 1);
    UpdateCounter();
    if (strcasecmp(key.c_str(), m_strAddingWeChat.c_str()) == 0) SetAddWebchatEnable(true);
  }
  if (m_pWebchatList && m_pWebchatList->GetCount() == 0) AddWebChat();
}

void CMainFrameWnd::ReleaseWebChats() {
  if (m_pKickedList) m_pKickedList->RemoveAll();
}

void CMainFrameWnd::CloseWebchats() {
  TC_TRACE("CMainFrameWnd::CloseWebchats()");
  if (!m_pWebchatList || !m_pWebchatMan) return;
  for (int i = 0; i < m_pWebchatList->GetCount(); ++i)
    m_pWebchatMan->StopWeChat(m_pWebchatList->GetItemAt(i)->GetName().GetData());
}

void CMainFrameWnd::OnWebchatExit() {
  TC_TRACE("CMainFrameWnd::OnWebchatExit()");
  if (!m_pWebchatList || !m_pWebchatMan) return;
  // Read and emptied under the manager's lock: a discovery thread may be queueing a key.
  for (const std::string& key : m_pWebchatMan->TakeClosedWeChats())
    if (CWebchatElementUI* row = m_pWebchatList->FindWebchatItem(key)) KickoffWebChat(row);
}

void CMainFrameWnd::SetAddWebchatEnable(bool bEnable) {
  TC_TRACE("CMainFrameWnd::SetAddWebchatEnable()");
  if (CControlUI* add = m_PaintManager.FindControl("add_webchat")) add->SetEnabled(bEnable);
}

void CMainFrameWnd::SetCoverWndPos(HWND hLoginWnd, HWND hMainWnd) {
  TC_TRACE("CMainFrameWnd::SetCoverWndPos()");
  if (!m_pWebchatMan) return;
  const RECT r = m_pWebchatMan->GetPos();
  RECT q{};
  if (m_pWebchatList && m_pWebchatList->GetCurSel() >= 0) {
    if (hMainWnd) {
      q = RECT{r.right - 130, r.top, r.right, r.top + 30};
    } else if (hLoginWnd) {
      RECT w{};
      ::GetWindowRect(hLoginWnd, &w);
      const LONG left = r.left + ((r.right - r.left) - (w.right - w.left)) / 2;
      const LONG top = r.top + ((r.bottom - r.top) - (w.bottom - w.top)) / 2;
      q = RECT{left, top, left + 280, top + 30};
    }
  }
  if (!m_pCoverWnd || !m_pCoverWnd->GetHWND()) return;
  const HWND cover = m_pCoverWnd->GetHWND();
  if (q.right <= q.left || q.bottom <= q.top) {
    // No copy window to cover: nothing is drawn over the empty area.
    m_rcCover = q;
    if (::IsWindowVisible(cover)) ::ShowWindow(cover, SW_HIDE);
    return;
  }
  if (!sameRect(q, m_rcCover) || !::IsWindowVisible(cover)) {
    m_rcCover = q;
    ::SetWindowPos(cover, nullptr, q.left, q.top, q.right - q.left, q.bottom - q.top,
                   SWP_SHOWWINDOW | SWP_NOACTIVATE);
  } else {
    // The copy's host may have been shown, raised or re-embedded over the cover since (a
    // modal window, a kick-off): the cover goes back on top even where nothing moved.
    ::SetWindowPos(cover, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
}

void CMainFrameWnd::OnWeChatWindowFound(UINT uMsg, WPARAM wParam, LPARAM lParam) {
  TC_LOG(TC_LOG_DEBUG,
         "WM_USER_MSG_MAINFRAME_WECHATLOGINUIGOT or WM_USER_MSG_MAINFRAME_WECHATMAINUIGOT.");
  const std::unique_ptr<std::string> key(reinterpret_cast<std::string*>(wParam));
  const HWND window = reinterpret_cast<HWND>(lParam);
  fnhookmouse(key->c_str(), ::GetWindowThreadProcessId(window, nullptr));
  if (uMsg == WM_USER_MSG_MAINFRAME_WECHATLOGINUIGOT)
    SetCoverWndPos(window, nullptr);
  else
    SetCoverWndPos(nullptr, window);
  SetAddWebchatEnable(true);
}

void CMainFrameWnd::OnWeChatSelected(HWND hMainWnd) {
  if (!hMainWnd || !m_pWebchatMan || !m_pWebchatList) {
    TC_LOG(TC_LOG_ERROR, "Webchatman or webchatlist is null.");
    return;
  }
  for (int i = 0; i < m_pWebchatList->GetCount(); ++i) {
    WECHATRUNDATA data;
    if (m_pWebchatMan->GetWeChatRunData(data, m_pWebchatList->GetItemAt(i)->GetName().str()) &&
        data.hMainWnd == hMainWnd) {
      m_pWebchatList->SelectItem(i, false, false);
      return;
    }
  }
}

void CMainFrameWnd::OnWeChatProfile(WPARAM wParam, LPARAM lParam) {
  const std::unique_ptr<std::string> key(reinterpret_cast<std::string*>(wParam));
  const std::unique_ptr<WECHATCFGDATA> cfg(reinterpret_cast<WECHATCFGDATA*>(lParam));
  // Every 8-bit string is UTF-8 here: the profile's slots need no conversion.
  const std::string faceName = MakeFaceFileName(cfg->strKey40, cfg->strWeChatId);
  TC_LOGF(TC_LOG_INFO, "%s wechat id: %s, face1: %s, face2: %s, face3: %s, face4: %s.",
          key->c_str(), cfg->strWeChatId.c_str(), cfg->strFace1.c_str(), cfg->strFace2.c_str(),
          cfg->strFace3.c_str(), cfg->strFace4.c_str());
  const std::string faces = std::string(GetUserDataFolder().GetData()) + "Faces/";
  ::CreateDirectoryA(faces.c_str(), nullptr);
  const std::string facePath = faces + faceName;
  CConnServer conn;
  if (!cfg->strFace1.empty()) conn.DownloadFile(cfg->strFace1.c_str(), facePath.c_str());

  CWebchatElementUI* row = m_pWebchatList ? m_pWebchatList->FindWebchatItem(*key) : nullptr;
  if (!row) return;
  CDuiString id = cfg->strWeChatId.c_str();
  CDuiString remark;
  if (conn.GetRemarkInfo(&id, GetLoginToken().c_str(), &remark) == kConnRefused) {
    ::MessageBoxA(m_hWnd, conn.m_strResultMsg.GetData(), "失败", MB_ICONERROR);
    remark.Empty();
  } else {
    m_pWebchatList->m_mapRemarks[cfg->strWeChatId] = remark.str();
  }
  if (remark.IsEmpty()) {
    row->m_pTitleLabel->SetText(cfg->strNickname.c_str());
    row->m_pTitleLabel->SetToolTip(cfg->strNickname.c_str());
  } else {
    row->m_pTitleLabel->SetText(remark);
    row->m_pTitleLabel->SetToolTip(remark);
    row->m_pTitleLabel->SetUserData(id);
  }
  TC_LOG(TC_LOG_DEBUG, *key << " row titled: " << row->m_pTitleLabel->GetText().str());
  if (::PathFileExistsA(facePath.c_str())) row->m_pFaceBtn->SetBkImage(facePath.c_str());
  row->m_pNumLabel->SetTextColor(kWebchatSelectedColor);
  row->SetUserData(cfg->strWeChatId.c_str());
  TC_LOGF(TC_LOG_INFO, "%s wechat id: %s, Nickname: %s. FacePath: %s", key->c_str(), id.GetData(),
          remark.GetData(), facePath.c_str());
}
