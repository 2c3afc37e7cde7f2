// The mouse hook: tells the main frame which chat-client copy the operator works in.
// After fnhookmouse(key, threadId), a click into (or the keyboard focus moving to) a window
// of that copy's process posts 0x406 to the frame's window, with the copy's main window
// (the top-level client window the click landed in) in wParam. The frame's window is the
// top-level window of ours that holds the clicked window, or the one given to
// SetMouseHookTarget.
#pragma once

#include "platform/win32/PrivateMessages.h"
#include "platform/win32/Win32Types.h"

// threadId is the copy's thread (GetWindowThreadProcessId: the process id here). A second
// call for the same key replaces its process. Returns 0, or -1 for a null or empty key.
int fnhookmouse(const char* key, DWORD threadId);
// Drops the key's hook; returns 0, or -1 when the key was not hooked.
int fnunhookmouse(const char* key);

namespace hook {

// The window that receives 0x406; null lets the hook find it (see above).
void SetMouseHookTarget(HWND frame);
// Stops the watcher thread and drops every hook (also done at exit).
void ShutdownMouseHook();
// Waits at most timeoutMs until the watcher listens: its events are selected on the X server
// and it has seen the current focus, so that a click or a focus change from then on is
// reported. False when nothing is hooked, or the watcher has no X server or no XInput2.
bool WaitUntilMouseHookListens(DWORD timeoutMs);

}  // namespace hook
