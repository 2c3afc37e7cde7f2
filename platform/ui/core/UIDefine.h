// Constants and plain records of the UI library: notification type texts, control events,
// find flags, text styles and the notification record itself.
#pragma once

#include "platform/ui/core/DuiString.h"
#include "platform/win32/Window.h"

// DuiLib's text pointer types: 8-bit UTF-8 here (the same aliases as window/WindowWnd.h).
using LPCTSTR = const char*;
using LPTSTR = char*;

namespace DuiLib {

class CControlUI;

// Notification types, as the system's windows compare them.
inline constexpr const char* DUI_MSGTYPE_MENU = "menu";
inline constexpr const char* DUI_MSGTYPE_LINK = "link";
inline constexpr const char* DUI_MSGTYPE_TIMER = "timer";
inline constexpr const char* DUI_MSGTYPE_CLICK = "click";
inline constexpr const char* DUI_MSGTYPE_RETURN = "return";
inline constexpr const char* DUI_MSGTYPE_SCROLL = "scroll";
inline constexpr const char* DUI_MSGTYPE_DROPDOWN = "dropdown";
inline constexpr const char* DUI_MSGTYPE_SETFOCUS = "setfocus";
inline constexpr const char* DUI_MSGTYPE_KILLFOCUS = "killfocus";
inline constexpr const char* DUI_MSGTYPE_ITEMCLICK = "itemclick";
inline constexpr const char* DUI_MSGTYPE_TABSELECT = "tabselect";
inline constexpr const char* DUI_MSGTYPE_ITEMSELECT = "itemselect";
inline constexpr const char* DUI_MSGTYPE_ITEMEXPAND = "itemexpand";
inline constexpr const char* DUI_MSGTYPE_WINDOWINIT = "windowinit";
inline constexpr const char* DUI_MSGTYPE_BUTTONDOWN = "buttondown";
inline constexpr const char* DUI_MSGTYPE_MOUSEENTER = "mouseenter";
inline constexpr const char* DUI_MSGTYPE_MOUSELEAVE = "mouseleave";
inline constexpr const char* DUI_MSGTYPE_TEXTCHANGED = "textchanged";
inline constexpr const char* DUI_MSGTYPE_HEADERCLICK = "headerclick";
inline constexpr const char* DUI_MSGTYPE_ITEMDBCLICK = "itemdbclick";
inline constexpr const char* DUI_MSGTYPE_SHOWACTIVEX = "showactivex";
inline constexpr const char* DUI_MSGTYPE_ITEMCOLLAPSE = "itemcollapse";
inline constexpr const char* DUI_MSGTYPE_ITEMACTIVATE = "itemactivate";
inline constexpr const char* DUI_MSGTYPE_VALUECHANGED = "valuechanged";
inline constexpr const char* DUI_MSGTYPE_SELECTCHANGED = "selectchanged";

// Control class names (tags of the skin and GetClass()/GetInterface() answers).
inline constexpr const char* DUI_CTR_CONTROL = "Control";
inline constexpr const char* DUI_CTR_CONTAINER = "Container";
inline constexpr const char* DUI_CTR_VERTICALLAYOUT = "VerticalLayout";
inline constexpr const char* DUI_CTR_HORIZONTALLAYOUT = "HorizontalLayout";
inline constexpr const char* DUI_CTR_TABLAYOUT = "TabLayout";
inline constexpr const char* DUI_CTR_LABEL = "Label";
inline constexpr const char* DUI_CTR_TEXT = "Text";
inline constexpr const char* DUI_CTR_BUTTON = "Button";
inline constexpr const char* DUI_CTR_OPTION = "Option";
inline constexpr const char* DUI_CTR_CHECKBOX = "CheckBox";
inline constexpr const char* DUI_CTR_EDIT = "Edit";
inline constexpr const char* DUI_CTR_RICHEDIT = "RichEdit";
inline constexpr const char* DUI_CTR_PROGRESS = "Progress";
inline constexpr const char* DUI_CTR_SCROLLBAR = "ScrollBar";
inline constexpr const char* DUI_CTR_LIST = "List";
inline constexpr const char* DUI_CTR_LISTHEADER = "ListHeader";
inline constexpr const char* DUI_CTR_LISTBODY = "ListBody";
inline constexpr const char* DUI_CTR_LISTITEM = "ListItem";
inline constexpr const char* DUI_CTR_LISTCONTAINERELEMENT = "ListContainerElement";
inline constexpr const char* DUI_CTR_TREEVIEW = "TreeView";
inline constexpr const char* DUI_CTR_TREENODE = "TreeNode";

// Control events (TEventUI::Type).
enum {
  UIEVENT__FIRST = 1,
  UIEVENT__KEYBEGIN,
  UIEVENT_KEYDOWN,
  UIEVENT_KEYUP,
  UIEVENT_CHAR,
  UIEVENT_SYSKEY,
  UIEVENT__KEYEND,
  UIEVENT__MOUSEBEGIN,
  UIEVENT_MOUSEMOVE,
  UIEVENT_MOUSELEAVE,
  UIEVENT_MOUSEENTER,
  UIEVENT_MOUSEHOVER,
  UIEVENT_BUTTONDOWN,
  UIEVENT_BUTTONUP,
  UIEVENT_RBUTTONDOWN,
  UIEVENT_RBUTTONUP,
  UIEVENT_DBLCLICK,
  UIEVENT_CONTEXTMENU,
  UIEVENT_SCROLLWHEEL,
  UIEVENT__MOUSEEND,
  UIEVENT_KILLFOCUS,
  UIEVENT_SETFOCUS,
  UIEVENT_WINDOWSIZE,
  UIEVENT_SETCURSOR,
  UIEVENT_TIMER,
  UIEVENT_NOTIFY,
  UIEVENT_COMMAND,
  UIEVENT__LAST,
};

// FindControl flags.
inline constexpr UINT UIFIND_ALL = 0x00000000;
inline constexpr UINT UIFIND_VISIBLE = 0x00000001;
inline constexpr UINT UIFIND_ENABLED = 0x00000002;
inline constexpr UINT UIFIND_HITTEST = 0x00000004;
inline constexpr UINT UIFIND_TOP_FIRST = 0x00000008;
inline constexpr UINT UIFIND_ME_FIRST = 0x80000000;

// Control flags (GetControlFlags).
inline constexpr UINT UIFLAG_TABSTOP = 0x00000001;
inline constexpr UINT UIFLAG_SETCURSOR = 0x00000002;
inline constexpr UINT UIFLAG_WANTRETURN = 0x00000004;

// Control states.
inline constexpr UINT UISTATE_FOCUSED = 0x00000001;
inline constexpr UINT UISTATE_SELECTED = 0x00000002;
inline constexpr UINT UISTATE_DISABLED = 0x00000004;
inline constexpr UINT UISTATE_HOT = 0x00000008;
inline constexpr UINT UISTATE_PUSHED = 0x00000010;
inline constexpr UINT UISTATE_READONLY = 0x00000020;
inline constexpr UINT UISTATE_CAPTURED = 0x00000040;

// Text styles ("textstyle" values are these numbers, as the Win32 DrawText flags).
inline constexpr int DT_TOP = 0x00000000;
inline constexpr int DT_LEFT = 0x00000000;
inline constexpr int DT_CENTER = 0x00000001;
inline constexpr int DT_RIGHT = 0x00000002;
inline constexpr int DT_VCENTER = 0x00000004;
inline constexpr int DT_BOTTOM = 0x00000008;
inline constexpr int DT_WORDBREAK = 0x00000010;
inline constexpr int DT_SINGLELINE = 0x00000020;
inline constexpr int DT_NOPREFIX = 0x00000800;
inline constexpr int DT_CALCRECT = 0x00000400;
inline constexpr int DT_END_ELLIPSIS = 0x00008000;

// Keyboard state flags in TEventUI::wKeyState.
inline constexpr WORD UIKEYSTATE_SHIFT = 0x0004;
inline constexpr WORD UIKEYSTATE_CONTROL = 0x0008;

// One event delivered to a control (mouse, keyboard, focus, timer).
struct TEventUI {
  int Type = 0;
  CControlUI* pSender = nullptr;
  DWORD dwTimestamp = 0;
  POINT ptMouse{0, 0};
  char16_t chKey = 0;
  WORD wKeyState = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
};

// One notification, handed to every INotifyUI of the window.
struct tagTNotifyUI {
  CDuiString sType;
  CDuiString sVirtualWnd;
  CControlUI* pSender = nullptr;
  DWORD dwTimestamp = 0;
  POINT ptMouse{0, 0};
  WPARAM wParam = 0;
  LPARAM lParam = 0;
};
using TNotifyUI = tagTNotifyUI;

class INotifyUI {
 public:
  virtual ~INotifyUI() = default;
  virtual void Notify(TNotifyUI& msg) = 0;
};

// A window message seen before the library handles it; set bHandled to stop it there.
class IMessageFilterUI {
 public:
  virtual ~IMessageFilterUI() = default;
  virtual LRESULT MessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled) = 0;
};

// Walks the control tree for FindControl; returns the control that ends the walk, or null.
using FINDCONTROLPROC = CControlUI* (*)(CControlUI*, void*);

}  // namespace DuiLib
