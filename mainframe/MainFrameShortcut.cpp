// The frame's side of the quick-message panel: it hosts CShortcutPanel (the tree, the send
// queue on timer 3, the menus, import and search) and handles the double click, which either
// renames an account in the list or sends the quick message under the mouse.
#include "mainframe/MainFrameWnd.h"

#include "chrome/MenuWnd.h"
#include "mainframe/WebchatElementUI.h"
#include "mainframe/WebchatListUI.h"
#include "mainframe/WebchatMan.h"
#include "platform/log/Log.h"
#include "server/ConnServer.h"
#include "server/SignInValues.h"
#include "shortcut/ShortcutPanel.h"
#include "windows/ContactNoteDlg.h"

#include <string>

using namespace DuiLib;

namespace {

constexpr const char* kNotLoggedIn = "[未登录]";

bool contains(const RECT& rc, POINT pt) {
  return pt.x >= rc.left && pt.x < rc.right && pt.y >= rc.top && pt.y < rc.bottom;
}

}  // namespace

void CMainFrameWnd::InitShortcutPanel() {
  auto* tree = static_cast<CTreeViewUI*>(m_PaintManager.FindControl(CShortcutPanel::kTreeName));
  if (!tree) return;
  IShortcutPanelHost& host = *this;
  m_pShortcutPanel = std::make_unique<CShortcutPanel>(host, tree);
  m_pShortcutPanel->Init();
}

void CMainFrameWnd::ReleaseShortcutPanel() {
  ::KillTimer(m_hWnd, CShortcutPanel::kSendTimerId);
  m_pShortcutPanel.reset();  // stops the list thread and an import before the tree goes
}

bool CMainFrameWnd::NotifyShortcutPanel(TNotifyUI& msg) {
  if (msg.sType == DUI_MSGTYPE_ITEMDBCLICK) {
    OnItemDBClick(msg);
    return true;
  }
  return m_pShortcutPanel && m_pShortcutPanel->Notify(msg, m_bRButtonDown);
}

void CMainFrameWnd::OnItemDBClick(TNotifyUI& msg) {
  TC_TRACE("CMainFrameWnd::OnItemDBClick");
  const POINT pt = msg.ptMouse;
  if (m_pWebchatList && contains(m_pWebchatList->GetPos(), pt) && msg.pSender) {
    // Rows of the account list are the only items of that list.
    if (m_pWebchatList->GetItemIndex(msg.pSender) < 0) return;
    auto* entry = static_cast<CWebchatElementUI*>(msg.pSender);
    if (entry->m_pTitleLabel && entry->m_pTitleLabel->GetText() != kNotLoggedIn)
      EditContactNote(entry);
    return;
  }
  CControlUI* tree = m_PaintManager.FindControl(CShortcutPanel::kTreeName);
  if (tree && contains(tree->GetPos(), pt) && m_pShortcutPanel) m_pShortcutPanel->SendShortcut();
}

void CMainFrameWnd::EditContactNote(CWebchatElementUI* pEntry) {
  CLabelUI* label = pEntry->m_pTitleLabel;
  const CDuiString oldName = label->GetText();
  CContactNoteDlg dlg(oldName);
  dlg.Create(m_hWnd, "",
             WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_CAPTION | WS_SYSMENU,
             0);
  dlg.CenterWindow();
  dlg.ShowModal();
  const CDuiString newName = dlg.m_strNote;
  if (newName == oldName || newName.IsEmpty()) return;
  label->SetText(newName);
  label->SetToolTip(newName);
  const CDuiString weChatId = pEntry->GetUserData();
  if (weChatId.IsEmpty()) return;
  CDuiString remarkId = label->GetUserData().IsEmpty() ? CDuiString("0") : label->GetUserData();
  m_pWebchatList->m_mapRemarks[weChatId.str()] = newName.str();
  m_pWebchatList->SaveRemarks();
  CConnServer conn;
  if (conn.EditRemarkInfo(&remarkId, weChatId, newName, GetLoginToken().c_str()) != 0) {
    ::MessageBoxA(m_hWnd, conn.m_strResultMsg.GetData(), "错误", MB_ICONERROR);
    return;
  }
  label->SetUserData(remarkId);
}

void CMainFrameWnd::ShowShortcutMenu(POINT pt) {
  const char* menu = m_pShortcutPanel ? m_pShortcutPanel->ContextMenuAt(pt) : nullptr;
  if (!menu) return;
  POINT screen = pt;
  ::ClientToScreen(m_hWnd, &screen);
  auto* popup = new CMenuWnd(m_hWnd, &m_PaintManager);
  popup->Init(nullptr, menu, "xml", screen);
}

void CMainFrameWnd::OnShortcutTimer() {
  ::KillTimer(m_hWnd, CShortcutPanel::kSendTimerId);
  if (m_pShortcutPanel) m_pShortcutPanel->OnSendTimer();
}

HWND CMainFrameWnd::PanelOwner() {
  return m_hWnd;
}

CWebchatEngine* CMainFrameWnd::PanelManager() {
  return m_pWebchatMan ? &m_pWebchatMan->Engine() : nullptr;
}

bool CMainFrameWnd::HasAccountList() {
  return m_pWebchatList != nullptr;
}

std::string CMainFrameWnd::SelectedAccountKey() {
  if (!m_pWebchatList) return {};
  CControlUI* row = m_pWebchatList->GetItemAt(m_pWebchatList->GetCurSel());
  return row ? row->GetName().str() : std::string();
}

void CMainFrameWnd::StartSendTimer(UINT milliseconds) {
  ::SetTimer(m_hWnd, CShortcutPanel::kSendTimerId, milliseconds, nullptr);
}

void CMainFrameWnd::ShowImportProgress(int done, int total) {
  CControlUI* strip = m_PaintManager.FindControl("shortcut_import");
  CControlUI* tip = m_PaintManager.FindControl("shortcut_import_tip");
  auto* bar = static_cast<CProgressUI*>(m_PaintManager.FindControl("shortcut_import_progress"));
  if (!strip) return;
  strip->SetVisible(done >= 0);
  if (done < 0) return;
  const std::string text = total == 0
                               ? "正在读取表格..."
                               : "正在导入 " + std::to_string(done) + "/" + std::to_string(total);
  if (tip) tip->SetText(text.c_str());
  if (bar) bar->SetValue(total > 0 ? done * 100 / total : 0);
}
