// The notice pop-up: made once by the main window and reused. ShowMessage puts the text in
// and places the window top-most at the bottom right of the work area; a notice that is new
// (or was closed) fades in from opacity 100 to 255 over about 2.6 seconds, one that is
// already fully shown only gets the new text. Fading needs a compositor; without one the
// window simply appears. "closebtn" hides the window, which stays alive.
#pragma once

#include "platform/ui/UIlib.h"
#include "windows/WindowKit.h"

class CMsgWnd : public DuiLib::WindowImplBase {
 public:
  // The extended style to create it with: a top-most tool window. Changing the top-most
  // state of a made window re-creates its X11 window (its first id, the HWND, then no longer
  // names it outside this process), so it is top-most from the start.
  static constexpr DWORD kExStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST;
  static constexpr int kStartOpacity = 100;
  static constexpr UINT_PTR kFadeTimer = 2;

  CMsgWnd() = default;

  void InitWindow() override;
  void Notify(DuiLib::TNotifyUI& msg) override;
  LRESULT MessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled) override;
  LRESULT HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) override;

  void ShowMessage(const char* text);

  int m_nOpacity = kStartOpacity;

 protected:
  LPCTSTR GetWindowClassName() const override { return "UIMsgWnd"; }
  DuiLib::CDuiString GetSkinFolder() override { return SkinFolder(); }
  DuiLib::CDuiString GetSkinFile() override { return "msgwnd.xml"; }

 private:
  void OnClick(DuiLib::TNotifyUI& msg) override;
  void PlaceAtCorner();
  void FadeStep();
};
