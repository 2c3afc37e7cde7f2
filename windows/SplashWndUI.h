// The splash: shown for about a second while the version check and the chat-client check
// run once. Its modal result is 2 when start-up may go on; its close button (or an accepted
// update, which posts the quit message) ends start-up.
#pragma once

#include "platform/ui/UIlib.h"
#include "windows/WindowKit.h"

class CSplashWndUI : public DuiLib::WindowImplBase {
 public:
  static constexpr UINT kGoOn = 2;
  static constexpr UINT_PTR kCheckTimer = 2;

  CSplashWndUI() = default;

  void InitWindow() override;
  LRESULT MessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled) override;
  void OnFinalMessage(HWND hWnd) override;

  void SetDeleteOnFinal(bool remove) { m_bDeleteOnFinal = remove; }

 protected:
  LPCTSTR GetWindowClassName() const override { return "SplashWndUI"; }
  DuiLib::CDuiString GetSkinFolder() override { return SkinFolder(); }
  DuiLib::CDuiString GetSkinFile() override { return "SplashWnd.xml"; }

 private:
  void OnClick(DuiLib::TNotifyUI& msg) override;
  void OnTimer();

  bool m_bDeleteOnFinal = true;
};
