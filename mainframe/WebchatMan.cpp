#include "mainframe/WebchatMan.h"

#include "platform/log/Log.h"
#include "platform/win32/Window.h"

CWebchatMan::CWebchatMan(DuiLib::WindowImplBase* pMainWnd) {
  TC_TRACE("CWebchatMan::CWebchatMan()");
  if (pMainWnd) {
    m_hWndOwner = pMainWnd->GetHWND();
    // A child window of the frame from the start (the style older systems reach by
    // re-parenting).
    Create(m_hWndOwner, "WebChatMan", UI_WNDSTYLE_CHILD, 0, 0, 0, 50, 50);
    m_hWndHost = GetHWND();
    if (!m_hWndHost)
      TC_LOG(TC_LOG_ERROR, "The window of the chat-client manager could not be created.");
  }
  m_pEngine = std::make_unique<CWebchatEngine>(SinkFor(m_hWndOwner), m_hWndHost);
}

CWebchatMan::CWebchatMan(HWND ownerWnd, HWND hostWnd)
    : m_hWndOwner(ownerWnd),
      m_hWndHost(hostWnd),
      m_pEngine(std::make_unique<CWebchatEngine>(SinkFor(ownerWnd), hostWnd)) {
  TC_TRACE("CWebchatMan::CWebchatMan()");
}

CWebchatMan::~CWebchatMan() {
  TC_TRACE("CWebchatMan::~CWebchatMan()");
  // Every discovery thread ends before the window it reports to.
  m_pEngine.reset();
}

void CWebchatMan::OnWeChatExit(const std::string&) {
  ::PostMessageA(m_hWndOwner, WM_USER_MSG_MAINFRAME_WECHATEXIT, 0, 0);
}

LRESULT CWebchatMan::OnKeyDown(UINT, WPARAM, LPARAM, BOOL& bHandled) {
  bHandled = TRUE;
  return 1;
}

LRESULT CWebchatMan::MessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled) {
  if (uMsg == WM_KEYDOWN) {
    bHandled = true;  // no key acts on the manager's window (Escape must not close it)
    return 1;
  }
  return WindowImplBase::MessageHandler(uMsg, wParam, lParam, bHandled);
}

LRESULT CWebchatMan::HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) {
  if (uMsg == WM_TIMER) {
    bHandled = FALSE;
    return 0;
  }
  return WindowImplBase::HandleCustomMessage(uMsg, wParam, lParam, bHandled);
}

void CWebchatMan::SetPos(RECT rect, bool bNeedInvalidate) {
  if (m_hWndHost)
    ::SetWindowPos(m_hWndHost, nullptr, rect.left, rect.top, rect.right - rect.left,
                   rect.bottom - rect.top, 0);
  if (m_hWndOwner) CContainerUI::SetPos(rect, bNeedInvalidate);
  if (m_pEngine) m_pEngine->SetPos(rect);  // null only while the window is being made
}
