// CShadowFrameWnd: the dimming overlay laid over the main frame while a modal child window
// is open (window class "UIShadowFrame", skin "shadowmainframe.xml", 50 of 255 opaque).
//
// A translucent window needs a compositing manager on X11. Without one (Xvfb, plain window
// managers) a window of opacity 50 is drawn fully opaque and would black out the frame, so
// the overlay then stays hidden, as CWndShadow does for the drop shadow: ShowOverlay shows
// it only where CWndShadow::IsEnabled() says translucency works.
#pragma once

#include "platform/ui/UIlib.h"

class CShadowFrameWnd : public DuiLib::WindowImplBase {
 public:
  void InitWindow() override;
  // Shows or hides the overlay; showing does nothing where translucency is unavailable.
  void ShowOverlay(bool bShow);
  static bool CanDim();

 protected:
  LPCTSTR GetWindowClassName() const override { return "UIShadowFrame"; }
  DuiLib::CDuiString GetSkinFolder() override { return "skin/"; }
  DuiLib::CDuiString GetSkinFile() override { return "shadowmainframe.xml"; }
  // Input never reaches the overlay (it is disabled): nothing to filter.
  LRESULT MessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled) override;
};
