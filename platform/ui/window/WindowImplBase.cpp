#include "platform/ui/window/WindowImplBase.h"

#include "platform/log/Log.h"
#include "platform/ui/layout/VerticalLayoutUI.h"

#include <string>

namespace DuiLib {
namespace {

// Messages that come from the input queue on Windows and so pass the pre-message filters:
// mouse (client and non-client) and timers. Keys reach the filters through the message
// loop's pre-translate hook (CPaintManagerUI::TranslateMessage).
bool isQueuedInput(UINT uMsg) {
  return (uMsg >= WM_MOUSEMOVE && uMsg <= WM_MOUSEHWHEEL) ||
         (uMsg >= WM_NCMOUSEMOVE && uMsg <= 0x00A9) || uMsg == WM_TIMER || uMsg == WM_MOUSELEAVE ||
         uMsg == WM_MOUSEHOVER;
}

}  // namespace

DUI_BEGIN_MESSAGE_MAP(WindowImplBase, CNotifyPump)
DUI_ON_MSGTYPE(DUI_MSGTYPE_CLICK, WindowImplBase::OnClick)
DUI_END_MESSAGE_MAP()

void WindowImplBase::OnFinalMessage(HWND) {
  m_PaintManager.RemovePreMessageFilter(this);
  m_PaintManager.RemoveNotifier(this);
  m_PaintManager.RemoveAllTimers();
}

void WindowImplBase::Notify(TNotifyUI& msg) {
  NotifyPump(msg);
}

void WindowImplBase::OnClick(TNotifyUI& msg) {
  if (!msg.pSender) return;
  const CDuiString name = msg.pSender->GetName();
  if (name == "closebtn")
    Close();
  else if (name == "minbtn")
    SendMessage(WM_SYSCOMMAND, SC_MINIMIZE, 0);
  else if (name == "maxbtn")
    SendMessage(WM_SYSCOMMAND, SC_MAXIMIZE, 0);
  else if (name == "restorebtn")
    SendMessage(WM_SYSCOMMAND, SC_RESTORE, 0);
}

UINT WindowImplBase::GetClassStyle() const {
  return CS_DBLCLKS;
}

CControlUI* WindowImplBase::CreateControl(LPCTSTR) {
  return nullptr;
}

LRESULT WindowImplBase::ResponseDefaultKeyEvent(WPARAM wParam) {
  if (wParam == VK_ESCAPE) {
    Close();
    return TRUE;
  }
  return FALSE;
}

LRESULT WindowImplBase::MessageHandler(UINT uMsg, WPARAM wParam, LPARAM, bool&) {
  if (uMsg == WM_KEYDOWN && (wParam == VK_RETURN || wParam == VK_ESCAPE))
    return ResponseDefaultKeyEvent(wParam);
  return FALSE;
}

LRESULT WindowImplBase::OnClose(UINT, WPARAM, LPARAM, BOOL& bHandled) {
  bHandled = FALSE;
  return 0;
}

LRESULT WindowImplBase::OnDestroy(UINT, WPARAM, LPARAM, BOOL& bHandled) {
  bHandled = FALSE;
  return 0;
}

LRESULT WindowImplBase::OnNcActivate(UINT, WPARAM wParam, LPARAM, BOOL& bHandled) {
  if (::IsIconic(m_hWnd)) bHandled = FALSE;
  return wParam == 0 ? TRUE : FALSE;
}

LRESULT WindowImplBase::OnNcCalcSize(UINT, WPARAM, LPARAM, BOOL&) {
  return 0;
}
LRESULT WindowImplBase::OnNcPaint(UINT, WPARAM, LPARAM, BOOL&) {
  return 0;
}

LRESULT WindowImplBase::OnNcHitTest(UINT, WPARAM, LPARAM lParam, BOOL&) {
  POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  ::ScreenToClient(m_hWnd, &pt);
  RECT client{0, 0, 0, 0};
  ::GetClientRect(m_hWnd, &client);
  if (!::IsZoomed(m_hWnd)) {
    const RECT& box = m_PaintManager.GetSizeBox();
    const bool top = pt.y < client.top + box.top;
    const bool bottom = pt.y >= client.bottom - box.bottom;
    const bool left = pt.x < client.left + box.left;
    const bool right = pt.x >= client.right - box.right;
    if (top) return left ? HTTOPLEFT : right ? HTTOPRIGHT : HTTOP;
    if (bottom) return left ? HTBOTTOMLEFT : right ? HTBOTTOMRIGHT : HTBOTTOM;
    if (left) return HTLEFT;
    if (right) return HTRIGHT;
  }
  if (m_PaintManager.InCaption(pt) && !CPaintManagerUI::TakesClicks(m_PaintManager.FindControl(pt)))
    return HTCAPTION;
  return HTCLIENT;
}

LRESULT WindowImplBase::OnGetMinMaxInfo(UINT, WPARAM, LPARAM, BOOL& bHandled) {
  bHandled = FALSE;
  return 0;
}

LRESULT WindowImplBase::OnMouseWheel(UINT, WPARAM, LPARAM, BOOL& bHandled) {
  bHandled = FALSE;
  return 0;
}

LRESULT WindowImplBase::OnMouseHover(UINT, WPARAM, LPARAM, BOOL& bHandled) {
  bHandled = FALSE;
  return 0;
}

LRESULT WindowImplBase::OnSize(UINT, WPARAM, LPARAM, BOOL& bHandled) {
  bHandled = FALSE;
  return 0;
}

LRESULT WindowImplBase::OnChar(UINT, WPARAM, LPARAM, BOOL& bHandled) {
  bHandled = FALSE;
  return 0;
}

LRESULT WindowImplBase::OnSysCommand(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL&) {
  if (wParam == SC_CLOSE) {
    SendMessage(WM_CLOSE);
    return 0;
  }
  const BOOL wasZoomed = ::IsZoomed(m_hWnd);
  const LRESULT result = CWindowWnd::HandleMessage(uMsg, wParam, lParam);
  const BOOL zoomed = ::IsZoomed(m_hWnd);
  if (zoomed != wasZoomed) {
    // The caption shows "restore" while maximised and "maximise" otherwise.
    if (CControlUI* maxButton = m_PaintManager.FindControl("maxbtn"))
      maxButton->SetVisible(!zoomed);
    if (CControlUI* restoreButton = m_PaintManager.FindControl("restorebtn"))
      restoreButton->SetVisible(zoomed);
  }
  return result;
}

LONG WindowImplBase::GetStyle() {
  return static_cast<LONG>(::GetWindowLongA(m_hWnd, GWL_STYLE) & ~static_cast<LONG>(WS_CAPTION));
}

LRESULT WindowImplBase::OnCreate(UINT, WPARAM, LPARAM, BOOL&) {
  ::SetWindowLongA(m_hWnd, GWL_STYLE, GetStyle());
  m_PaintManager.Init(m_hWnd);
  m_PaintManager.AddPreMessageFilter(this);

  std::string folder = GetSkinFolder().str();
  if (folder.empty() || folder[0] != '/')
    folder = CPaintManagerUI::GetInstancePath().str() + folder;
  CPaintManagerUI::SetResourcePath(folder.c_str());

  CDialogBuilder builder;
  CControlUI* root = builder.Create(GetSkinFile(), nullptr, this, &m_PaintManager);
  if (!root) {
    // The window still opens, empty, rather than taking the process down.
    TC_LOG(TC_LOG_ERROR, "window \""
                             << GetWindowClassName() << "\": skin \"" << GetSkinFile().str()
                             << "\" gave no controls: " << builder.GetLastErrorMessage().str());
    root = new CVerticalLayoutUI;
  }
  m_PaintManager.AttachDialog(root);
  m_PaintManager.AddNotifier(this);
  InitWindow();
  return 0;
}

LRESULT WindowImplBase::OnKeyDown(UINT, WPARAM, LPARAM, BOOL& bHandled) {
  bHandled = FALSE;
  return 0;
}

LRESULT WindowImplBase::OnKillFocus(UINT, WPARAM, LPARAM, BOOL& bHandled) {
  bHandled = FALSE;
  return 0;
}

LRESULT WindowImplBase::OnSetFocus(UINT, WPARAM, LPARAM, BOOL& bHandled) {
  bHandled = FALSE;
  return 0;
}

LRESULT WindowImplBase::OnLButtonDown(UINT, WPARAM, LPARAM, BOOL& bHandled) {
  bHandled = FALSE;
  return 0;
}

LRESULT WindowImplBase::OnLButtonUp(UINT, WPARAM, LPARAM, BOOL& bHandled) {
  bHandled = FALSE;
  return 0;
}

LRESULT WindowImplBase::OnMouseMove(UINT, WPARAM, LPARAM, BOOL& bHandled) {
  bHandled = FALSE;
  return 0;
}

LRESULT WindowImplBase::HandleCustomMessage(UINT, WPARAM, LPARAM, BOOL& bHandled) {
  bHandled = FALSE;
  return 0;
}

LRESULT WindowImplBase::HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  if (isQueuedInput(uMsg) && m_PaintManager.PreMessageHandler(uMsg, wParam, lParam, result))
    return result;
  BOOL handled = TRUE;
  switch (uMsg) {
    case WM_CREATE:
      result = OnCreate(uMsg, wParam, lParam, handled);
      break;
    case WM_CLOSE:
      result = OnClose(uMsg, wParam, lParam, handled);
      break;
    case WM_DESTROY:
      result = OnDestroy(uMsg, wParam, lParam, handled);
      break;
    case WM_NCACTIVATE:
      result = OnNcActivate(uMsg, wParam, lParam, handled);
      break;
    case WM_NCCALCSIZE:
      result = OnNcCalcSize(uMsg, wParam, lParam, handled);
      break;
    case WM_NCPAINT:
      result = OnNcPaint(uMsg, wParam, lParam, handled);
      break;
    case WM_NCHITTEST:
      result = OnNcHitTest(uMsg, wParam, lParam, handled);
      break;
    case WM_GETMINMAXINFO:
      result = OnGetMinMaxInfo(uMsg, wParam, lParam, handled);
      break;
    case WM_MOUSEWHEEL:
      result = OnMouseWheel(uMsg, wParam, lParam, handled);
      break;
    case WM_SIZE:
      result = OnSize(uMsg, wParam, lParam, handled);
      break;
    case WM_CHAR:
      result = OnChar(uMsg, wParam, lParam, handled);
      break;
    case WM_SYSCOMMAND:
      result = OnSysCommand(uMsg, wParam, lParam, handled);
      break;
    case WM_KEYDOWN:
      result = OnKeyDown(uMsg, wParam, lParam, handled);
      break;
    case WM_KILLFOCUS:
      result = OnKillFocus(uMsg, wParam, lParam, handled);
      break;
    case WM_SETFOCUS:
      result = OnSetFocus(uMsg, wParam, lParam, handled);
      break;
    case WM_LBUTTONUP:
      result = OnLButtonUp(uMsg, wParam, lParam, handled);
      break;
    case WM_LBUTTONDOWN:
      result = OnLButtonDown(uMsg, wParam, lParam, handled);
      break;
    case WM_MOUSEMOVE:
      result = OnMouseMove(uMsg, wParam, lParam, handled);
      break;
    case WM_MOUSEHOVER:
      result = OnMouseHover(uMsg, wParam, lParam, handled);
      break;
    default:
      handled = FALSE;
      break;
  }
  if (handled) return result;
  result = HandleCustomMessage(uMsg, wParam, lParam, handled);
  if (handled) return result;
  if (m_PaintManager.MessageHandler(uMsg, wParam, lParam, result)) return result;
  return CWindowWnd::HandleMessage(uMsg, wParam, lParam);
}

}  // namespace DuiLib
