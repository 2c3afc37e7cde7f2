// The frame's side of keeping the operator's clipboard: the keeper watches the manager's
// input operations and runs its restore timer on the frame. "KeepClipboard=0" in sys.cfg
// leaves it out, and a reply then stays on the clipboard.
#include "mainframe/MainFrameWnd.h"

#include "app/Settings.h"
#include "mainframe/WebchatMan.h"
#include "wechat/ClipboardKeeper.h"

void CMainFrameWnd::InitClipboardKeeper() {
  if (!m_pWebchatMan || !GetKeepClipboard()) return;
  m_pClipboardKeeper = std::make_unique<CClipboardKeeper>(m_hWnd);
  m_pWebchatMan->SetInputObserver(m_pClipboardKeeper.get());
}

void CMainFrameWnd::ReleaseClipboardKeeper() {
  if (m_pWebchatMan) m_pWebchatMan->SetInputObserver(nullptr);
  ::KillTimer(m_hWnd, CClipboardKeeper::kTimerId);
  m_pClipboardKeeper.reset();
}

void CMainFrameWnd::OnClipboardTimer() {
  if (m_pClipboardKeeper)
    m_pClipboardKeeper->OnTimer();
  else
    ::KillTimer(m_hWnd, CClipboardKeeper::kTimerId);
}
