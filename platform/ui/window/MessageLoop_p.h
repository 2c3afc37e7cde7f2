// Internal side of the message loops: the posted-message queue, sends from other threads,
// timers and work handed to the GUI thread.
#pragma once

#include "platform/ui/window/MessageLoop.h"
#include "platform/win32/WindowPost.h"

#include <functional>
#include <memory>

namespace DuiLib {

// Any thread. Queues the message; delivered in order on the GUI thread. WM_QUIT is a quit.
void QueueMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
// Any thread. Queues the parcel behind the window's messages; destroyed after delivery or
// when it is dropped.
void QueueParcel(HWND hwnd, std::unique_ptr<win32::PostedParcel> parcel);
// Any thread. Drops what is queued for a window that has gone (its parcels destroyed).
void DropQueuedMessages(HWND hwnd);
// Any thread. Runs the window's handler on the GUI thread and returns its result; blocks the
// calling thread until then. 0 when the window is not (or no longer) there.
LRESULT SendToWindow(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
// Any thread. fn runs later on the GUI thread.
void RunOnGuiThread(std::function<void()> fn);

// GUI thread (other threads are handed over). A timer is keyed by window and id; setting an
// existing one restarts it with the new period.
UINT_PTR StartWindowTimer(HWND hwnd, UINT_PTR id, UINT elapseMs);
bool StopWindowTimer(HWND hwnd, UINT_PTR id);
void StopWindowTimers(HWND hwnd);

// A window has gone: the nested loops waiting for it end.
void NotifyWindowGone(HWND hwnd);
// A posted WM_CLOSE carries the result of the window's modal loop (CWindowWnd::Close).
void NoteModalResult(HWND hwnd, UINT result);
// The pre-translate hook (null when none).
PreTranslateHook GetPreTranslateHook();

}  // namespace DuiLib
