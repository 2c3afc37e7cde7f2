// The base of the system's windows: a CWindowWnd whose WM_CREATE builds the skin
// (GetSkinFolder + GetSkinFile) into its paint manager, registers itself as notifier and
// pre-message filter, then calls InitWindow.
//
// Message order in HandleMessage (DuiLib's): the pre-message filters (MessageHandler) for
// mouse and timer messages (keys come through the message loop's pre-translate step), then
// the hooks of the switch below (OnCreate, OnClose, OnDestroy, OnNcHitTest, OnSize,
// OnSysCommand, OnKeyDown, ...; each may set bHandled), then HandleCustomMessage, then the
// paint manager, then CWindowWnd's default handling.
#pragma once

#include "platform/ui/window/WindowWnd.h"
#include "platform/ui/builder/DialogBuilder.h"
#include "platform/ui/core/NotifyPump.h"
#include "platform/ui/core/PaintManagerUI.h"

namespace DuiLib {

class WindowImplBase : public CWindowWnd,
                       public CNotifyPump,
                       public INotifyUI,
                       public IMessageFilterUI,
                       public IDialogBuilderCallback {
 public:
  WindowImplBase() = default;
  ~WindowImplBase() override = default;

  virtual void InitWindow() {}
  void OnFinalMessage(HWND hWnd) override;
  void Notify(TNotifyUI& msg) override;
  // Default "click" handling: "closebtn" closes, "minbtn"/"maxbtn"/"restorebtn" send the
  // matching WM_SYSCOMMAND.
  virtual void OnClick(TNotifyUI& msg);

  DUI_DECLARE_MESSAGE_MAP()

 public:
  UINT GetClassStyle() const override;
  CControlUI* CreateControl(LPCTSTR pstrClass) override;
  // Enter does nothing, Escape closes the window.
  LRESULT MessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled) override;
  virtual LRESULT OnClose(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
  virtual LRESULT OnDestroy(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
  virtual LRESULT OnNcActivate(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
  virtual LRESULT OnNcCalcSize(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
  virtual LRESULT OnNcPaint(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
  // Caption area (skin "caption", outside buttons, edits and links): HTCAPTION, so the
  // frameless window is dragged there; the "sizebox" border: the sizing codes.
  virtual LRESULT OnNcHitTest(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
  virtual LRESULT OnGetMinMaxInfo(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
  virtual LRESULT OnMouseWheel(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
  virtual LRESULT OnMouseHover(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
  virtual LRESULT OnSize(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
  virtual LRESULT OnChar(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
  virtual LRESULT OnSysCommand(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
  virtual LRESULT OnCreate(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
  virtual LRESULT OnKeyDown(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
  virtual LRESULT OnKillFocus(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
  virtual LRESULT OnSetFocus(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
  virtual LRESULT OnLButtonDown(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
  virtual LRESULT OnLButtonUp(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
  virtual LRESULT OnMouseMove(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
  LRESULT HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) override;
  virtual LRESULT HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
  // The window style set at creation: the current style without WS_CAPTION.
  virtual LONG GetStyle();

  CPaintManagerUI& GetPaintManager() { return m_PaintManager; }

 protected:
  virtual CDuiString GetSkinFolder() = 0;
  virtual CDuiString GetSkinFile() = 0;
  LPCTSTR GetWindowClassName() const override = 0;
  virtual LRESULT ResponseDefaultKeyEvent(WPARAM wParam);

  CPaintManagerUI m_PaintManager;
};

}  // namespace DuiLib
