// The system's private window messages, menu command ids and modal results, each named
// once. The messages lie in the range that platform/win32/PrivateMessages.h reserves; the
// numbers are the design's (the stand-in client, the hook and the tests rely on them).
#pragma once

#include "platform/win32/PrivateMessages.h"

// ---- Messages to the main frame. Payloads allocated with new belong to the receiver
// (win32::PostOwned frees one that is never delivered).

// new std::string key, the copy's login window
inline constexpr UINT WM_USER_MSG_MAINFRAME_WECHATLOGINUIGOT = WM_USER + 0x02;
// new std::string key, the copy's main window
inline constexpr UINT WM_USER_MSG_MAINFRAME_WECHATMAINUIGOT = WM_USER + 0x03;
// new std::string key, new WECHATCFGDATA
inline constexpr UINT WM_USER_MSG_MAINFRAME_WECHATCFGDATAGOT = WM_USER + 0x04;
// 0, 0: a copy's main window has gone; read GetClosedWeChats()
inline constexpr UINT WM_USER_MSG_MAINFRAME_WECHATEXIT = WM_USER + 0x05;
// the clicked copy's main window, 0: sent by the mouse hook
inline constexpr UINT WM_USER_MSG_MAINFRAME_WECHATSELECTED = WM_USER_MSG_MOUSEHOOK_WECHATSELECTED;
// A menu's choice, posted to the menu's owner: the command id (below) in wParam.
inline constexpr UINT WM_MENU_COMMAND = WM_USER + 0xFF;

// ---- Menu command ids, as the menu skins give them.

// "shortcut_menu.xml", on a message of the quick-message tree
inline constexpr int kMenuSendShortcut = 4001;
inline constexpr int kMenuCiteShortcut = 4002;
inline constexpr int kMenuEditShortcut = 4003;
inline constexpr int kMenuDeleteShortcut = 4004;
// "shortcut_group_menu.xml", on a group
inline constexpr int kMenuAddShortcut = 5001;
inline constexpr int kMenuImportShortcuts = 5002;
inline constexpr int kMenuRenameGroup = 5003;
inline constexpr int kMenuDeleteGroup = 5004;
// The tray icon's menu
inline constexpr int kTrayMenuExit = 301;

// ---- Modal results: what a window gives Close, and its ShowModal returns.

// Most windows close with 1, whatever the operator did.
inline constexpr UINT kModalClosed = 1;
// The login window tells whether the operator signed in.
inline constexpr UINT kLoginSignedIn = 1;
inline constexpr UINT kLoginCancelled = 0;
// WM_CLOSE's wParam to the main frame: 0 asks the operator first, 1 closes at once.
inline constexpr UINT kFrameCloseAsking = 0;
inline constexpr UINT kFrameCloseNow = 1;

namespace window_ids_detail {
constexpr bool InRange(UINT msg) {
  return msg >= WM_PRIVATE_FIRST && msg <= WM_PRIVATE_LAST;
}
static_assert(InRange(WM_USER_MSG_MAINFRAME_WECHATLOGINUIGOT) &&
              InRange(WM_USER_MSG_MAINFRAME_WECHATEXIT) && InRange(WM_MENU_COMMAND));
static_assert(WM_USER_MSG_MAINFRAME_WECHATEXIT < WM_USER_MSG_MOUSEHOOK_WECHATSELECTED &&
                  WM_USER_MSG_MOUSEHOOK_WECHATSELECTED < WM_MENU_COMMAND,
              "the system's messages keep clear of the platform's");
}  // namespace window_ids_detail
