// The frame's side of keyboard switching and of the rows' tips (the chord of each row and
// what its copy costs), both in classes of their own.
#include "mainframe/MainFrameWnd.h"

#include "mainframe/WebchatListUI.h"
#include "mainframe/WebchatRowHint.h"
#include "mainframe/WebchatSwitchKeys.h"
#include "platform/log/Log.h"
#include "platform/ui/window/KeyState.h"

void CMainFrameWnd::InitSwitchKeys() {
  if (!CWebchatSwitchKeys::GrabFor(m_hWnd))
    TC_LOG(TC_LOG_INFO, "switching keys work only while the frame itself has the focus");
  m_pRowHint = std::make_unique<CWebchatRowHint>();
  RefreshRowHints();
  ::SetTimer(m_hWnd, CWebchatRowHint::kTimerId, CWebchatRowHint::kRefreshMs, nullptr);
}

// A chord selects its row as a click on the row does (the copy is switched, the list
// notified).
bool CMainFrameWnd::OnSwitchKey(WPARAM vk) {
  if (!m_pWebchatList) return false;
  const bool ctrl = ::GetKeyState(VK_CONTROL) < 0;
  const bool shift = ::GetKeyState(VK_SHIFT) < 0;
  const bool alt = ::GetKeyState(VK_MENU) < 0;
  const int row =
      CWebchatSwitchKeys::TargetRow(static_cast<UINT>(vk), ctrl, shift, alt,
                                    m_pWebchatList->GetCount(), m_pWebchatList->GetCurSel());
  if (row == CWebchatSwitchKeys::kNoRow) return false;
  m_pWebchatList->SelectItem(row, false, true);
  RefreshRowHints();
  return true;
}

void CMainFrameWnd::RefreshRowHints() {
  if (m_pRowHint && m_pWebchatList && m_pWebchatMan)
    m_pRowHint->Refresh(*m_pWebchatList, *m_pWebchatMan);
}
