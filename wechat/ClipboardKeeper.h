// CClipboardKeeper: keeps what the operator had on the clipboard (text, a picture, or
// nothing) across the inserts and sends that paste through it, and puts it back afterwards.
//
// The first input operation of a run takes a copy of the clipboard; each operation's end
// (re)starts a short timer on the owner window, and each new operation stops it, so a reply
// sent item by item (timer 3, 10 ms apart) is one run. When the timer fires with no
// operation running, the copy goes back on the clipboard. Placing it waits, as every
// placing does, until the client fetched the item pasted last, so the reply is never cut
// short; if the client never fetches it, the reply stays on the clipboard and the copy is
// dropped (logged). The owner routes WM_TIMER kTimerId to OnTimer.
#pragma once

#include "platform/win32/Win32Types.h"
#include "wechat/WebchatInputObserver.h"

#include <string>
#include <vector>

class CClipboardKeeper : public IWebchatInputObserver {
 public:
  static constexpr UINT_PTR kTimerId = 6;
  // How long after the last operation of a run the clipboard is put back: well above the
  // gap between the items of a reply, well below the time an operator takes to paste.
  static constexpr UINT kRestoreDelayMs = 400;

  explicit CClipboardKeeper(HWND owner) : m_hWndOwner(owner) {}

  void OnInputBegin() override;
  void OnInputEnd() override;
  // The restore timer fired; puts the copy back unless an operation is running.
  void OnTimer();
  // Puts the copy back at once (the frame closes); nothing while an operation runs.
  void Restore();

  bool IsHolding() const { return m_bHolding; }

 private:
  enum class EKind { kNothing, kText, kPicture };
  void TakeCopy();

  HWND m_hWndOwner;
  int m_nRunning = 0;
  bool m_bHolding = false;
  EKind m_eKind = EKind::kNothing;
  std::u16string m_strText;
  int m_nWidth = 0;
  int m_nHeight = 0;
  std::vector<std::uint32_t> m_vecPixels;
};
