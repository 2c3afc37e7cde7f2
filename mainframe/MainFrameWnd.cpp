#include "mainframe/MainFrameWnd.h"

#include "app/Settings.h"
#include "chrome/CoverWnd.h"
#include "chrome/DPI.h"
#include "chrome/Dwm.h"
#include "chrome/MenuWnd.h"
#include "chrome/ShadowFrameWnd.h"
#include "mainframe/WebchatElementUI.h"
#include "mainframe/WebchatListUI.h"
#include "mainframe/WebchatMan.h"
#include "mainframe/WebchatRowHint.h"
#include "wechat/ClipboardKeeper.h"
#include "platform/log/Log.h"
#include "server/SignInValues.h"
#include "windows/WindowKit.h"

#include <strings.h>

#include <cstdio>

using namespace DuiLib;

namespace {

constexpr const char* kTitle = "Orvo客服-电商版";
constexpr UINT_PTR kTimerScrollList = 2;
constexpr UINT_PTR kTimerTipPoll = 4;
constexpr UINT kFirstTipPollMs = 3000;
// The vendor's web site and support chat, opened by "website" and "kfqq".
constexpr const char* kWebsiteAddress = "https://www.orvo.cn/";
constexpr const char* kSupportChatAddress = "https://www.orvo.cn/support";

bool sameName(const CDuiString& name, const char* text) {
  return strcasecmp(name.GetData(), text) == 0;
}

}  // namespace

DUI_BEGIN_MESSAGE_MAP(CMainFrameWnd, WindowImplBase)
DUI_ON_MSGTYPE(DUI_MSGTYPE_CLICK, CMainFrameWnd::OnClick)
DUI_ON_MSGTYPE(DUI_MSGTYPE_LINK, CMainFrameWnd::OnLink)
DUI_END_MESSAGE_MAP()

CMainFrameWnd::CMainFrameWnd()
    : m_pKickedList(std::make_unique<CWebchatListUI>(nullptr)),
      m_pDwm(std::make_unique<CDwm>()),
      m_pDPI(std::make_unique<CDPI>()) {}

CMainFrameWnd::~CMainFrameWnd() {
  m_pShadow.reset();
  // The overlay and the cover are windows of ours owned by the frame: they went with it.
  ReleaseWebChats();
  m_pKickedList.reset();
  RemoveTrayIcon();
}

UINT CMainFrameWnd::GetClassStyle() const {
  return CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
}

LONG CMainFrameWnd::GetStyle() {
  return WindowImplBase::GetStyle() | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
}

CControlUI* CMainFrameWnd::CreateControl(LPCTSTR pstrClass) {
  if (strcasecmp(pstrClass, "WebChat") == 0) {
    if (!m_pWebchatMan) {
      m_pWebchatMan = new CWebchatMan(this);
      CWebchatMan::InitEnv(&CMainFrameWnd::OnWeChatUI, &CMainFrameWnd::OnWeChatCfg, this);
    }
    return m_pWebchatMan;
  }
  if (strcasecmp(pstrClass, "WebchatList") == 0) {
    m_pWebchatList = new CWebchatListUI(this);
    return m_pWebchatList;
  }
  return nullptr;
}

void CMainFrameWnd::InitWindow() {
  TC_TRACE("CMainFrameWnd::InitWindow()");
  m_pShadow = std::make_unique<CWndShadow>();
  m_pShadow->Create(m_hWnd);
  m_pShadow->SetImage("shadow.png", RECT{12, 12, 12, 12});
  if (m_pDwm->DwmSetWindowAttribute) {
    const DWORD policy = DWMNCRP_ENABLED;
    m_pDwm->DwmSetWindowAttribute(m_hWnd, DWMWA_TRANSITIONS_FORCEDISABLED, &policy, 4);
  }
  m_pShadowFrame = new CShadowFrameWnd;
  m_pShadowFrame->Create(m_hWnd, "", WS_DISABLED | WS_OVERLAPPEDWINDOW, 0, 0, 0, 0, 0);
  m_pCoverWnd = new CCoverWnd;
  m_pCoverWnd->Create(m_hWnd, "", WS_CHILD | WS_DISABLED, 0, 0, 0, 0, 0);
  AddTrayIcon(m_hWnd, kTitle);

  AddWebChat();

  const TSignInValues signIn = GetSignInValues();
  if (CControlUI* account = m_PaintManager.FindControl("account")) account->SetText(GetLastUser());
  if (CControlUI* version = m_PaintManager.FindControl("version"))
    version->SetText(("V" + GetVersion()).c_str());
  if (CControlUI* website = m_PaintManager.FindControl("website"))
    website->SetText(signIn.strWebsite.c_str());
  if (CControlUI* kfqq = m_PaintManager.FindControl("kfqq")) kfqq->SetText(signIn.strQQ.c_str());
  if (!signIn.strNotice.empty()) {
    if (CControlUI* tip = m_PaintManager.FindControl("public_tip")) tip->SetVisible(true);
    if (CControlUI* text = m_PaintManager.FindControl("public_text"))
      text->SetText(signIn.strNotice.c_str());
  }
  StyleListScrollBar();
  InitShortcutPanel();
  InitSwitchKeys();
  InitClipboardKeeper();
  ::SetTimer(m_hWnd, kTimerTipPoll, kFirstTipPollMs, nullptr);
}

// The list's thin scroll bar: every part cut from one strip of 16x16 cells.
void CMainFrameWnd::StyleListScrollBar() {
  if (!m_pWebchatList) return;
  CScrollBarUI* bar = m_pWebchatList->GetVerticalScrollBar();
  if (!bar) return;
  bar->SetAttribute("width", "2");
  bar->SetAttribute("showbutton1", "false");
  bar->SetAttribute("showbutton2", "false");
  struct TPart {
    const char* prefix;
    int top;
  };
  static constexpr TPart kParts[] = {{"bk", 162}, {"thumb", 126}, {"rail", 144}};
  static constexpr const char* kStates[] = {"normal", "hot", "pushed", "disabled"};
  for (const TPart& part : kParts) {
    for (int state = 0; state < 4; ++state) {
      char value[160];
      std::snprintf(value, sizeof value,
                    "file = 'wechatlist_scrollbar.bmp' source = '%d,%d,%d,%d' corner = "
                    "'2,2,2,2' mask = '#FFFF00FF'",
                    state * 18, part.top, state * 18 + 16, part.top + 16);
      const std::string name = std::string(part.prefix) + kStates[state] + "image";
      bar->SetAttribute(name.c_str(), value);
    }
  }
}

void CMainFrameWnd::Notify(TNotifyUI& msg) {
  TC_TRACE("CMainFrameWnd::Notify()");
  if (NotifyShortcutPanel(msg)) return;
  const CDuiString name = msg.pSender ? msg.pSender->GetName() : CDuiString();
  if (msg.sType == DUI_MSGTYPE_CLICK) {
    if (sameName(name, "kick_off")) {
      KickoffWebChat(static_cast<CWebchatElementUI*>(msg.pSender->GetParent()));
    } else if (sameName(name, "add_webchat")) {
      AddWebChat();
    } else if (sameName(name, "maxbtn")) {
      SendMessage(WM_SYSCOMMAND, SC_MAXIMIZE, 0);
      msg.pSender->SetVisible(false);
    } else if (sameName(name, "restorebtn")) {
      SendMessage(WM_SYSCOMMAND, SC_RESTORE, 0);
      msg.pSender->SetVisible(false);
    } else if (sameName(name, "minbtn")) {
      SendMessage(WM_SYSCOMMAND, SC_MINIMIZE, 0);
    } else if (sameName(name, "closebtn")) {
      // Into the notification area: hidden, and off the taskbar.
      ShowWindow(false, true);
      ::SetWindowLongA(m_hWnd, GWL_EXSTYLE, WS_EX_TOOLWINDOW);
    }
  } else if (msg.sType == DUI_MSGTYPE_KILLFOCUS && sameName(name, "shortcut_tip")) {
    if (msg.pSender->IsVisible()) msg.pSender->SetVisible(false);
  }
  WindowImplBase::Notify(msg);
}

void CMainFrameWnd::OnClick(TNotifyUI& msg) {
  TC_TRACE("CMainFrameWnd::OnClick()");
  if (!msg.pSender) return;
  const CDuiString name = msg.pSender->GetName();
  if (sameName(name, "menbtn")) {
    ToggleTopMenu(msg.pSender);
  } else if (sameName(name, "shortcut_tip_btn")) {
    if (CControlUI* tip = m_PaintManager.FindControl("shortcut_tip"))
      tip->SetVisible(!tip->IsVisible());
  } else if (sameName(name, "modify_password_btn")) {
    OpenMyCenter(kMyCenterPasswordPage);
  } else if (sameName(name, "about_btn")) {
    OpenMyCenter(kMyCenterAboutPage);
  } else if (sameName(name, "checkupdate_btn")) {
    CheckForUpdate();
  } else if (sameName(name, "feekback_btn")) {
    OpenFeedback();
  } else if (sameName(name, "exit_btn")) {
    Close(kFrameCloseAsking);
  } else if (sameName(name, "public_tip_close")) {
    if (CControlUI* tip = m_PaintManager.FindControl("public_tip")) tip->SetVisible(false);
  } else if (sameName(name, "website")) {
    if (*kWebsiteAddress)
      ::ShellExecuteA(nullptr, "open", kWebsiteAddress, nullptr, nullptr, SW_SHOWNORMAL);
  } else if (sameName(name, "kfqq")) {
    if (*kSupportChatAddress)
      ::ShellExecuteA(nullptr, "open", kSupportChatAddress, nullptr, nullptr, SW_SHOWNORMAL);
  }
}

void CMainFrameWnd::OnLink(TNotifyUI& msg) {
  // This label is the design's, fixed word for word.
  TC_TRACE("CMainFrameWnd::OnClick()");
  auto* text = msg.pSender ? static_cast<CTextUI*>(msg.pSender->GetInterface("Text")) : nullptr;
  if (!text) return;
  const CDuiString link = text->GetLinkContent(msg.ptMouse);
  if (!link.IsEmpty()) OpenWebAddress(link.str());
}

void CMainFrameWnd::ToggleTopMenu(CControlUI* pButton) {
  CControlUI* menu = m_PaintManager.FindControl("top_menu");
  if (!menu) return;
  if (menu->IsVisible()) {
    menu->SetVisible(false);
    return;
  }
  menu->SetVisible(true);
  const RECT& b = pButton->GetPos();
  menu->SetPos(RECT{b.left - 79, b.bottom + 2, b.left + 33, b.bottom + 146});
}

void CMainFrameWnd::HidePopups() {
  for (const char* name : {"shortcut_tip", "top_menu"})
    if (CControlUI* popup = m_PaintManager.FindControl(name))
      if (popup->IsVisible()) popup->SetVisible(false);
}

void CMainFrameWnd::HideIfOutside(const char* name, POINT pt) {
  CControlUI* popup = m_PaintManager.FindControl(name);
  if (!popup || !popup->IsVisible()) return;
  const RECT& rc = popup->GetPos();
  if (pt.x < rc.left || pt.x >= rc.right || pt.y < rc.top || pt.y >= rc.bottom)
    popup->SetVisible(false);
}

void CMainFrameWnd::OnLButtonDown(POINT pt) {
  CMenuWnd::CloseAll();  // a click on the frame is a click outside every open menu
  HideIfOutside("top_menu", pt);
  HideIfOutside("shortcut_tip", pt);
}

LRESULT CMainFrameWnd::OnClose(UINT, WPARAM wParam, LPARAM, BOOL& bHandled) {
  TC_TRACE("CMainFrameWnd::OnClose()");
  if (wParam != kFrameCloseNow && ::MessageBoxA(m_hWnd, "请确认是否退出？", "确认",
                                                MB_ICONQUESTION | MB_OKCANCEL) == IDCANCEL) {
    bHandled = TRUE;
    return 0;
  }
  bHandled = FALSE;
  return 0;
}

LRESULT CMainFrameWnd::OnDestroy(UINT, WPARAM, LPARAM, BOOL& bHandled) {
  TC_TRACE("CMainFrameWnd::OnDestroy()");
  ReleaseShortcutPanel();
  ReleaseClipboardKeeper();
  ::PostQuitMessage(0);
  bHandled = FALSE;
  return 0;
}

LRESULT CMainFrameWnd::OnSysCommand(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) {
  WindowImplBase::OnSysCommand(uMsg, wParam, lParam, bHandled);
  return 0;
}

LRESULT CMainFrameWnd::OnKeyDown(UINT, WPARAM wParam, LPARAM, BOOL& bHandled) {
  bHandled = wParam == VK_ESCAPE;  // Escape never closes the frame
  return 0;
}

void CMainFrameWnd::OnFinalMessage(HWND hWnd) {
  CloseWebchats();
  DestroyMsgWnd();
  WindowImplBase::OnFinalMessage(hWnd);
  delete this;
}

void CMainFrameWnd::OnMenu(int nCommand) {
  TC_TRACE("CMainFrameWnd::OnMenu()");
  if (nCommand == kTrayMenuExit)
    Close(kFrameCloseAsking);
  else if (m_pShortcutPanel)
    m_pShortcutPanel->OnMenu(nCommand);
}

void CMainFrameWnd::ShowFrameFromTray() {
  ::ShowWindow(m_hWnd, ::IsIconic(m_hWnd) ? SW_RESTORE : SW_SHOW);
  if (!(::GetWindowLongA(m_hWnd, GWL_EXSTYLE) & WS_EX_APPWINDOW)) {
    ::ShowWindow(m_hWnd, SW_HIDE);
    ::SetWindowLongA(m_hWnd, GWL_EXSTYLE, WS_EX_APPWINDOW);
    ::ShowWindow(m_hWnd, SW_SHOW);
  }
  ::BringWindowToTop(m_hWnd);
  ::SetForegroundWindow(m_hWnd);
  ::SetActiveWindow(m_hWnd);
}

void CMainFrameWnd::OnTrayIcon(UINT mouseMessage) {
  if (mouseMessage == WM_RBUTTONUP)
    ShowTrayMenu();
  else if (mouseMessage == WM_LBUTTONDOWN)
    ShowFrameFromTray();
}

void CMainFrameWnd::ShowTrayMenu() {
  POINT pt{};
  ::GetCursorPos(&pt);
  auto* menu = new CMenuWnd(m_hWnd, &m_PaintManager);
  menu->Init(nullptr, "traymenu.xml", "xml", pt);
}
