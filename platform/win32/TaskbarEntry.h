// Whether a top-level window of ours has a taskbar entry, as others read it from the X server:
// the _NET_WM_STATE_SKIP_TASKBAR atom in the window's _NET_WM_STATE.
//
// A tool window (WS_EX_TOOLWINDOW) has no taskbar entry on Windows; Qt's Tool flag does not
// say so to X, so the state is written here. The property is the client's to write while the
// window is unmapped (the window manager reads it at the next map); the manager is asked as
// well (it may be mapping the window already), by a _NET_WM_STATE client message to the root. Some
// managers (openbox) erase _NET_WM_STATE when they let a window go; the owner then writes it again
// when it sees the property change (StateChangedWindow).
#pragma once

namespace win32 {

// Adds or removes the skip-taskbar state of the X window; writes only when it changes.
// Nothing happens without an X display.
void SetSkipTaskbar(unsigned long nativeId, bool skip);

// The same for _NET_WM_STATE_MODAL: a window that blocks its owner (WM_TRANSIENT_FOR) says
// so, and the window manager keeps it above the owner and passes the owner's activation on.
void SetModalState(unsigned long nativeId, bool modal);

// Given an event of the GUI connection (an xcb_generic_event_t): the window whose
// _NET_WM_STATE changed, or 0 for any other event.
unsigned long StateChangedWindow(const void* xcbEvent);

// Given an event of the GUI connection: the window a pointer button was pressed in, or 0.
unsigned long PressedWindow(const void* xcbEvent);

}  // namespace win32
