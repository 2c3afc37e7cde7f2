// CMenuWnd: a pop-up menu window built from a menu file of the skin folder ("Menu" holds
// "MenuElement" items; nested items form sub-menus). It posts WM_MENU_COMMAND (0x4FF) with
// the chosen item's id to the owner's window after it has closed, and deletes itself.
//
// Every open menu window is in one process-wide observer list. A choice, the focus leaving
// for a window that is neither a menu nor the menus' owner, or a click on the owner (the owner
// calls CloseAll) closes them all; entering an item closes the sub-menus opened below its
// menu. Only the root menu reports the choice, so one choice posts exactly one 0x4FF however
// many sub-menus were open.
//
// The owner taking the focus is no reason to close: a window manager hands the owner the
// focus it asked for when it gets round to it (a frame just brought back from the tray, say),
// which may be after a menu opened for it has taken the focus.
//
//   auto* menu = new CMenuWnd(frameHwnd, &paintManager);
//   menu->Init(nullptr, "traymenu.xml", "xml", cursorPoint);
#pragma once

#include "app/WindowIds.h"
#include "platform/ui/UIlib.h"

#include <string>

class CMenuElementUI;
class CMenuUI;

// Broadcast kinds.
inline constexpr int kMenuCloseAll = 1;
inline constexpr int kMenuCloseBelow = 2;  // close the menus opened below hWnd's menu
inline constexpr int kMenuChoose = 3;      // nId chosen: remember it and close

struct TMenuNotice {
  int nKind = 0;
  HWND hWnd = nullptr;
  int nId = -1;
};

class CMenuWnd : public DuiLib::WindowImplBase {
 public:
  CMenuWnd(HWND hOwner, DuiLib::CPaintManagerUI* pOwnerManager);

  // pOwnerElement: the item whose sub-menu this is (null for a root menu); pt in screen
  // coordinates. The window shows itself at once.
  void Init(CMenuElementUI* pOwnerElement, const char* xml, const char* skinType, POINT pt);

  static void Broadcast(const TMenuNotice& notice);
  static void CloseAll();
  static bool IsMenuWindow(HWND hWnd);
  // True for the window a root menu was opened for, or its top-level window.
  static bool IsOwnerWindow(HWND hWnd);
  static int OpenCount();

  // hooks
  DuiLib::CControlUI* CreateControl(LPCTSTR pstrClass) override;
  LRESULT OnCreate(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) override;
  LRESULT OnKillFocus(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) override;
  LRESULT MessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled) override;
  LRESULT HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) override;
  void OnFinalMessage(HWND hWnd) override;

 protected:
  LPCTSTR GetWindowClassName() const override { return "MenuWnd"; }
  DuiLib::CDuiString GetSkinFolder() override { return "skin/"; }
  DuiLib::CDuiString GetSkinFile() override { return m_sXml.c_str(); }

 private:
  void Receive(const TMenuNotice& notice);
  bool IsBelow(HWND hMenu) const;
  void PlaceRoot();
  void BuildSubMenu();
  void PlaceSubMenu();

  HWND m_hOwner;
  DuiLib::CPaintManagerUI* m_pOwnerManager;
  CMenuElementUI* m_pOwnerElement = nullptr;
  CMenuUI* m_pLayout = nullptr;
  std::string m_sXml;
  std::string m_sSkinType;
  POINT m_ptBase{};
  int m_nChosenId = -1;
  bool m_bClosing = false;
};
