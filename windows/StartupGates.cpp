#include "windows/StartupGates.h"

#include "platform/log/Log.h"
#include "windows/LoginFrameWnd.h"
#include "windows/SplashWndUI.h"
#include "windows/WindowKit.h"

using namespace DuiLib;

namespace {

constexpr UINT kProgramIcon = 107;

}  // namespace

int ShowSplash() {
  TC_TRACE("::ShowSplash()");
  auto* splash = new CSplashWndUI();
  if (!splash->Create(nullptr, kProductTitle, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 0, 0, 0)) {
    delete splash;
    return 1;
  }
  splash->CenterWindow();
  splash->SetIcon(kProgramIcon);
  return splash->ShowModal() == CSplashWndUI::kGoOn ? 0 : 1;
}

bool ShowLoginWindow() {
  TC_TRACE("::ShowLoginWindow()");
  auto* login = new CLoginFrameWnd();
  if (!login->Create(
          nullptr, kProductTitle,
          WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_CAPTION | WS_SYSMENU, 0, 0,
          0, 0, 0)) {
    delete login;
    return false;
  }
  login->CenterWindow();
  login->SetIcon(kProgramIcon);
  return login->ShowModal() != 0;
}
