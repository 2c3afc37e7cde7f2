// The paint manager: one per window. It owns the window's control tree (the root given to
// AttachDialog), the name map behind FindControl, focus, mouse capture and the hot control,
// control timers, notifiers and message filters, the skin's fonts and default attributes,
// and the window's initial size and caption. It turns the window's mouse and keyboard
// messages into control events (TEventUI) and paints the tree with QPainter on WM_PAINT.
//
// Process-wide resources (instance, resource path) live in one shared object; SetInstance,
// SetResourcePath and friends forward to it. Everything here runs on the GUI thread.
#pragma once

#include "platform/ui/core/UIDefine.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

class QPainter;
class QWidget;

namespace DuiLib {

class CWindowWnd;

struct TFontInfo {
  CDuiString sFontName;
  int iSize = 12;
  bool bBold = false;
  bool bUnderline = false;
  bool bItalic = false;
};

class CPaintManagerUI {
 public:
  CPaintManagerUI();
  ~CPaintManagerUI();
  CPaintManagerUI(const CPaintManagerUI&) = delete;
  CPaintManagerUI& operator=(const CPaintManagerUI&) = delete;

  // Binds the manager to a window of ours; the window's WM_PAINT and input messages reach
  // MessageHandler through WindowImplBase (or the window's own HandleMessage).
  void Init(HWND hWnd, LPCSTR pstrName = nullptr);
  HWND GetPaintWindow() const;
  CDuiString GetName() const;

  // Process-wide. SetInstance also makes sure the Qt application object exists.
  static void SetInstance(HINSTANCE hInst);
  static HINSTANCE GetInstance();
  // The program folder, ending with "/".
  static CDuiString GetInstancePath();
  static CDuiString GetCurrentPath();
  // The folder skins and images are read from ("" = the instance path), ending with "/".
  static void SetResourcePath(LPCSTR pStrPath);
  static const CDuiString& GetResourcePath();
  // Runs the main message loop until PostQuitMessage; returns its code.
  static int MessageLoop();
  // Releases the shared resources (image cache); after the main loop.
  static void Term();

  // Skin-given window properties.
  SIZE GetInitSize() const;
  // Before the tree is attached this also sizes the window (the skin's "size").
  void SetInitSize(int cx, int cy);
  RECT& GetSizeBox();
  void SetSizeBox(RECT& rcSizeBox);
  RECT& GetCaptionRect();
  // Whether the point lies in the caption area (left/right insets, top to bottom).
  bool InCaption(POINT pt) const;
  // Controls that take clicks (buttons, edits, scroll bars, list items, links): in the caption
  // area they win the hit test over anything laid over them.
  static bool TakesClicks(CControlUI* control);
  void SetCaptionRect(RECT& rcCaption);
  SIZE GetRoundCorner() const;
  void SetRoundCorner(int cx, int cy);
  SIZE GetMinInfo() const;
  void SetMinInfo(int cx, int cy);
  SIZE GetMaxInfo() const;
  void SetMaxInfo(int cx, int cy);
  // Window opacity 0..255, applied through the window (also when set before it exists).
  void SetOpacity(BYTE nOpacity);
  BYTE GetOpacity() const;
  void SetTransparent(int nOpacity) { SetOpacity(static_cast<BYTE>(nOpacity)); }

  // Fonts of the skin, by index in order of definition; -1 and unknown indexes give the
  // default font.
  // id >= 0 places the font at that index (the skin's <Font id=".."/>); -1 appends.
  int AddFont(const TFontInfo& font, bool bDefault = false, int id = -1);
  const TFontInfo& GetFontInfo(int index) const;
  int GetFontCount() const;
  void SetDefaultFont(const TFontInfo& font);
  // Default attribute lists per control class (the skin's <Default name=".." value=".."/>).
  void AddDefaultAttributeList(LPCSTR pStrControlName, LPCSTR pStrControlAttrList);
  LPCSTR GetDefaultAttributeList(LPCSTR pStrControlName) const;
  DWORD GetDefaultDisabledColor() const { return m_dwDefaultDisabledColor; }
  void SetDefaultDisabledColor(DWORD dwColor) { m_dwDefaultDisabledColor = dwColor; }
  void SetDefaultFontColor(DWORD dwColor) { m_dwDefaultFontColor = dwColor; }
  void SetDefaultLinkFontColor(DWORD dwColor) { m_dwDefaultLinkFontColor = dwColor; }
  DWORD GetDefaultFontColor() const { return m_dwDefaultFontColor; }
  DWORD GetDefaultLinkFontColor() const { return m_dwDefaultLinkFontColor; }

  // Makes pControl the root and lays it out at the next paint (or UpdateLayout).
  bool AttachDialog(CControlUI* pControl);
  CControlUI* GetRoot() const;
  // Registers the names of a control and its children (called when controls join the tree).
  bool InitControls(CControlUI* pControl, CControlUI* pParent = nullptr);
  // Forgets every reference to a control that is going away.
  void ReapObjects(CControlUI* pControl);
  // Detaches a removed control now and deletes it from the event loop, so that a control
  // may remove itself (or its row) while handling its own event.
  void AddDelayedCleanup(CControlUI* pControl);
  // The name map follows a control that is renamed.
  void RenameControl(CControlUI* pControl, const CDuiString& oldName);

  CControlUI* FindControl(POINT pt) const;
  CControlUI* FindControl(LPCSTR pstrName) const;
  CControlUI* FindSubControlByPoint(CControlUI* pParent, POINT pt) const;
  CControlUI* FindSubControlByName(CControlUI* pParent, LPCSTR pstrName) const;
  CControlUI* FindSubControlByClass(CControlUI* pParent, LPCSTR pstrClass, int iIndex = 0);

  // Exclusive option groups ("group" attribute of options), by name.
  bool AddOptionGroup(LPCSTR pStrGroupName, CControlUI* pControl);
  const std::vector<CControlUI*>* GetOptionGroup(LPCSTR pStrGroupName) const;
  void RemoveOptionGroup(LPCSTR pStrGroupName, CControlUI* pControl);
  void RemoveAllOptionGroups();

  CControlUI* GetFocus() const;
  // Moves the focus: "killfocus" for the old control, then "setfocus" for the new one.
  void SetFocus(CControlUI* pControl);
  void SetFocusNeeded(CControlUI* pControl);
  CControlUI* GetHotControl() const { return m_pEventHover; }
  void SetCapture();
  void ReleaseCapture();
  bool IsCaptured() const;
  POINT GetMousePos() const;

  // Control timers: UIEVENT_TIMER with the control's own id in wParam.
  bool SetTimer(CControlUI* pControl, UINT nTimerID, UINT uElapse);
  bool KillTimer(CControlUI* pControl, UINT nTimerID);
  void KillTimer(CControlUI* pControl);
  void RemoveAllTimers();

  bool AddNotifier(INotifyUI* pControl);
  bool RemoveNotifier(INotifyUI* pControl);
  // Synchronous notifications reach every notifier at once, in the order they were added;
  // asynchronous ones are queued and delivered from the event loop.
  void SendNotify(TNotifyUI& Msg, bool bAsync = false);
  void SendNotify(CControlUI* pControl, LPCSTR pstrMessage, WPARAM wParam = 0, LPARAM lParam = 0,
                  bool bAsync = false);

  // Filters run at the start of MessageHandler.
  bool AddMessageFilter(IMessageFilterUI* pFilter);
  bool RemoveMessageFilter(IMessageFilterUI* pFilter);
  // Filters run before the window handles input and timer messages (DuiLib's pre-translate).
  bool AddPreMessageFilter(IMessageFilterUI* pFilter);
  bool RemovePreMessageFilter(IMessageFilterUI* pFilter);
  bool PreMessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lRes);
  // Keyboard messages before any window sees them: the pre-filters of the window's manager
  // and of its ancestors' managers. True swallows the message.
  static bool TranslateMessage(const MSG* pMsg);

  // The library's handling of a window message; true when it consumed the message.
  bool MessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lRes);

  void Invalidate(RECT& rcItem);
  void Invalidate();
  void NeedUpdate();
  bool IsUpdateNeeded() const { return m_bUpdateNeeded; }
  // Lays the tree out now when something changed (the client size, or a control).
  void UpdateLayout();
  // Client size used for layout when the manager has no window (tests, measurements).
  void SetClientSize(int cx, int cy);
  // Paints every visible control intersecting rcPaint.
  void Paint(QPainter* painter, const RECT& rcPaint);

  // The Qt widget of the window (parent of text editors); null without a window.
  QWidget* GetHostWidget() const;
  CWindowWnd* GetWindow() const;

  // Every manager bound to a window, for the gallery and tests.
  static const std::vector<CPaintManagerUI*>& GetPaintManagers();

 private:
  struct Impl;

  void HandleMouse(UINT uMsg, WPARAM wParam, LPARAM lParam);
  void HandleMouseMove(POINT pt, WPARAM wParam);
  // I-beam over edits, a hand over links, the arrow elsewhere.
  void UpdateCursor(POINT pt);
  // WM_MOUSEHOVER: the tool tip of the control under the point (PaintManagerToolTip.cpp).
  void ShowToolTip(POINT pt);
  void HandleButtonDown(int type, POINT pt, WPARAM wParam);
  void HandleButtonUp(int type, POINT pt, WPARAM wParam);
  void HandleWheel(POINT pt, WPARAM wParam);
  bool HandleKey(UINT uMsg, WPARAM wParam);
  void HandlePaint(LPARAM lParam);
  void SendEvent(CControlUI* pControl, int type, POINT pt, WPARAM wParam, LPARAM lParam = 0);
  void FlushAsyncNotify();
  RECT ClientRect() const;

  HWND m_hWndPaint = nullptr;
  CDuiString m_sName;
  CControlUI* m_pRoot = nullptr;
  CControlUI* m_pFocus = nullptr;
  CControlUI* m_pEventHover = nullptr;
  CControlUI* m_pEventClick = nullptr;
  CControlUI* m_pEventKey = nullptr;
  bool m_bMouseCapture = false;
  bool m_bUpdateNeeded = true;
  bool m_bFocusNeeded = false;
  POINT m_ptLastMousePos{-1, -1};
  SIZE m_szInitWindowSize{0, 0};
  SIZE m_szMinWindow{0, 0};
  SIZE m_szMaxWindow{0, 0};
  SIZE m_szRoundCorner{0, 0};
  SIZE m_szClient{0, 0};
  RECT m_rcSizeBox{0, 0, 0, 0};
  RECT m_rcCaption{0, 0, 0, 0};
  RECT m_rcLayout{0, 0, 0, 0};
  BYTE m_nOpacity = 255;
  DWORD m_dwDefaultDisabledColor = 0xFFA7A6AA;
  DWORD m_dwDefaultFontColor = 0xFF000000;
  DWORD m_dwDefaultLinkFontColor = 0xFF0000FF;
  std::vector<TFontInfo> m_aFonts;
  TFontInfo m_DefaultFont;
  std::map<std::string, CDuiString> m_mDefaultAttrs;
  std::map<std::string, std::vector<CControlUI*>> m_mNameHash;
  std::map<std::string, std::vector<CControlUI*>> m_mOptionGroup;
  std::vector<INotifyUI*> m_aNotifiers;
  std::vector<IMessageFilterUI*> m_aMessageFilters;
  std::vector<IMessageFilterUI*> m_aPreMessageFilters;
  std::vector<TNotifyUI> m_aAsyncNotify;
  std::unique_ptr<Impl> m_pImpl;
};

}  // namespace DuiLib
