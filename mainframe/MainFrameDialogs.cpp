// The frame's modal child windows (personal centre, feedback), the version check from the
// menu and the tip window.
#include "mainframe/MainFrameWnd.h"

#include "app/Settings.h"
#include "chrome/ShadowFrameWnd.h"
#include "platform/log/Log.h"
#include "server/SignInValues.h"
#include "windows/FeedBackWnd.h"
#include "windows/MsgWnd.h"
#include "windows/MyCenterWnd.h"
#include "windows/UpdateCheck.h"

#include <algorithm>

using namespace DuiLib;

namespace {

constexpr const char* kTitle = "Orvo客服-电商版";
constexpr DWORD kModalChildStyle =
    WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_CAPTION | WS_SYSMENU;

}  // namespace

// The frame dims behind the modal window (the overlay) for as long as it runs.
void CMainFrameWnd::RunModalChild(WindowImplBase& window) {
  DimForModal(true);
  if (window.Create(m_hWnd, "", kModalChildStyle, 0, 0, 0, 0, 0)) {
    window.CenterWindow();
    window.ShowModal();
  }
  DimForModal(false);
}

// Counted: a modal window may open another one (a box over the editor), and the frame stays
// dimmed until the last one closes.
void CMainFrameWnd::DimForModal(bool dim) {
  if (dim) HidePopups();
  m_nModalDepth = dim ? m_nModalDepth + 1 : std::max(0, m_nModalDepth - 1);
  if (m_pShadowFrame) m_pShadowFrame->ShowOverlay(m_nModalDepth > 0);
}

void CMainFrameWnd::OpenMyCenter(int nPage) {
  TC_TRACE("CMainFrameWnd::OpenMyCenter()");
  CMyCenterWnd center(nPage);
  center.m_strAboutText = GetSignInValues().strAbout.c_str();
  center.m_strPhone = GetLastUser();
  RunModalChild(center);
}

void CMainFrameWnd::OpenFeedback() {
  TC_TRACE("CMainFrameWnd::OpenFeedback()");
  CFeedBackWnd feedback;
  RunModalChild(feedback);
}

void CMainFrameWnd::CheckForUpdate() {
  HidePopups();
  const int result = CheckUpdate(m_hWnd);
  if (result == kUpdateCurrent)
    ::MessageBoxA(m_hWnd, "已是最新版本.", "版本更新", MB_ICONINFORMATION);
  else if (result == kUpdateCheckFailed)
    ::MessageBoxA(m_hWnd, "版本检测失败.", "版本更新", MB_ICONINFORMATION);
}

void CMainFrameWnd::ShowTipWindow(const std::string& text) {
  if (!m_pMsgWnd) {
    m_pMsgWnd = new CMsgWnd();
    if (!m_pMsgWnd->Create(nullptr, kTitle, WS_OVERLAPPEDWINDOW | WS_VISIBLE, CMsgWnd::kExStyle, 0,
                           0, 300, 500)) {
      delete m_pMsgWnd;
      m_pMsgWnd = nullptr;
      return;
    }
  }
  m_pMsgWnd->ShowMessage(text.c_str());
}

void CMainFrameWnd::DestroyMsgWnd() {
  if (!m_pMsgWnd) return;
  if (::IsWindow(m_pMsgWnd->GetHWND())) ::DestroyWindow(m_pMsgWnd->GetHWND());
  delete m_pMsgWnd;
  m_pMsgWnd = nullptr;
}
