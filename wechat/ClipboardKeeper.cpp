#include "wechat/ClipboardKeeper.h"

#include "platform/log/Log.h"
#include "platform/win32/Bitmap.h"
#include "platform/win32/Clipboard.h"
#include "platform/win32/KernelObject.h"
#include "platform/win32/Window.h"

#include <cstring>

void CClipboardKeeper::OnInputBegin() {
  if (m_hWndOwner) ::KillTimer(m_hWndOwner, kTimerId);
  if (m_nRunning++ == 0 && !m_bHolding) TakeCopy();
}

void CClipboardKeeper::OnInputEnd() {
  if (m_nRunning > 0) --m_nRunning;
  if (m_nRunning == 0 && m_bHolding && m_hWndOwner)
    ::SetTimer(m_hWndOwner, kTimerId, kRestoreDelayMs, nullptr);
}

void CClipboardKeeper::OnTimer() {
  if (m_hWndOwner) ::KillTimer(m_hWndOwner, kTimerId);
  Restore();
}

// Text first: what an operator copies from a page or a chat offers text (often beside
// other targets); a picture is kept when there is no text.
void CClipboardKeeper::TakeCopy() {
  m_eKind = EKind::kNothing;
  m_strText.clear();
  m_vecPixels.clear();
  if (!::OpenClipboard(m_hWndOwner)) {
    TC_LOG(TC_LOG_WARN, "the operator's clipboard cannot be read; it is not kept");
    return;
  }
  if (HANDLE text = ::GetClipboardData(CF_UNICODETEXT)) {
    const auto* units = static_cast<const char16_t*>(::GlobalLock(text));
    if (units) {
      m_strText = units;
      m_eKind = EKind::kText;
    }
    ::GlobalUnlock(text);
  } else if (HANDLE bitmap = ::GetClipboardData(CF_BITMAP)) {
    if (const win32::TBitmapPixels* pixels = win32::BitmapPixels(static_cast<HBITMAP>(bitmap))) {
      m_nWidth = pixels->nWidth;
      m_nHeight = pixels->nHeight;
      m_vecPixels = pixels->vecPixels;
      m_eKind = EKind::kPicture;
    }
  }
  ::CloseClipboard();
  m_bHolding = true;
}

void CClipboardKeeper::Restore() {
  if (!m_bHolding || m_nRunning > 0) return;
  m_bHolding = false;
  if (!::OpenClipboard(m_hWndOwner)) {
    TC_LOG(TC_LOG_WARN, "the clipboard is busy; the operator's content is not put back");
    return;
  }
  ::EmptyClipboard();
  HANDLE placed = nullptr;
  if (m_eKind == EKind::kText) {
    const SIZE_T bytes = (m_strText.size() + 1) * sizeof(char16_t);
    HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, bytes);
    if (void* target = memory ? ::GlobalLock(memory) : nullptr) {
      std::memcpy(target, m_strText.c_str(), bytes);
      ::GlobalUnlock(memory);
      placed = ::SetClipboardData(CF_UNICODETEXT, memory);
    }
    if (!placed && memory) ::GlobalFree(memory);
  } else if (m_eKind == EKind::kPicture) {
    win32::TBitmapPixels image;
    image.nWidth = m_nWidth;
    image.nHeight = m_nHeight;
    image.vecPixels = m_vecPixels;
    HBITMAP bitmap = win32::CreateBitmapFromImage(image);
    placed = bitmap ? ::SetClipboardData(CF_BITMAP, bitmap) : nullptr;
    if (!placed && bitmap) ::DeleteObject(bitmap);
  }
  if (m_eKind != EKind::kNothing && !placed)
    TC_LOG(TC_LOG_WARN, "the operator's clipboard was not put back (error "
                            << ::GetLastError() << "); the reply stays on it");
  ::CloseClipboard();  // emptied with nothing placed: left empty, as the operator had it
  m_strText.clear();
  m_vecPixels.clear();
}
