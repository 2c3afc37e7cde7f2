#include "windows/ContactNoteDlg.h"

#include "app/WindowIds.h"
#include "windows/WindowKit.h"

using namespace DuiLib;

void CContactNoteDlg::InitWindow() {
  if (CControlUI* edit = m_PaintManager.FindControl("edit_contact_note")) edit->SetText(m_strNote);
}

void CContactNoteDlg::Notify(TNotifyUI& msg) {
  if (msg.sType == DUI_MSGTYPE_LINK) {
    OpenClickedLink(msg);
    return;
  }
  WindowImplBase::Notify(msg);
}

void CContactNoteDlg::OnClick(TNotifyUI& msg) {
  const std::string name = msg.pSender ? msg.pSender->GetName().str() : std::string();
  if (name == "btn_contactnote_ok") {
    if (CControlUI* edit = m_PaintManager.FindControl("edit_contact_note"))
      m_strNote = edit->GetText();
    Close(kModalClosed);
  } else if (name == "closebtn") {
    Close(kModalClosed);
  }
}

LRESULT CContactNoteDlg::MessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled) {
  // Escape does not throw the note away.
  if (uMsg == WM_KEYDOWN && wParam == VK_ESCAPE) {
    bHandled = true;
    return TRUE;
  }
  return WindowImplBase::MessageHandler(uMsg, wParam, lParam, bHandled);
}
