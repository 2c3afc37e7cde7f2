#include "chrome/ShadowFrameWnd.h"

using namespace DuiLib;

namespace {
constexpr BYTE kOverlayOpacity = 50;
}  // namespace

void CShadowFrameWnd::InitWindow() {
  m_PaintManager.SetOpacity(kOverlayOpacity);
}

bool CShadowFrameWnd::CanDim() {
  return CWndShadow::IsEnabled();
}

void CShadowFrameWnd::ShowOverlay(bool bShow) {
  if (!GetHWND()) return;
  if (bShow && !CanDim()) return;
  ShowWindow(bShow, false);
}

LRESULT CShadowFrameWnd::MessageHandler(UINT, WPARAM, LPARAM, bool& bHandled) {
  bHandled = false;
  return 0;
}
