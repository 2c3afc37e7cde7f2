// Carries out the window calls that other processes of this program send to our windows
// (platform/win32/RemoteWindow.h): it watches the GUI connection's X events and runs each
// request later on the GUI thread, so that a handler may open a modal loop (a message box
// for an updater's WM_COPYDATA) without running inside Qt's event dispatch.
//
// It also keeps the taskbar state of our hidden windows: a window manager that lets a window
// go may erase its _NET_WM_STATE (openbox does), and a hidden tool window must still read as
// having no taskbar entry (platform/win32/TaskbarEntry.h).
#pragma once

#include <QAbstractNativeEventFilter>

namespace DuiLib {

class CRemoteRequestFilter final : public QAbstractNativeEventFilter {
 public:
  bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;
};

}  // namespace DuiLib
