// CCoverWnd: a small disabled child window of the main frame laid over a strip of the
// embedded chat window (its caption buttons), so that the operator cannot close or move the
// client from inside the frame. Window class "UIShadowFrame", skin "coverwnd.xml".
//
// Stacking: the cover and the manager's window are sibling native windows of the frame, and
// the client's window lives inside the manager's; SetWindowPos without SWP_NOZORDER raises
// the cover above the manager's window, and so above the client.
#pragma once

#include "platform/ui/UIlib.h"

class CCoverWnd : public DuiLib::WindowImplBase {
 protected:
  LPCTSTR GetWindowClassName() const override { return "UIShadowFrame"; }
  DuiLib::CDuiString GetSkinFolder() override { return "skin/"; }
  DuiLib::CDuiString GetSkinFile() override { return "coverwnd.xml"; }
};
