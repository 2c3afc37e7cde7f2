// The GUI thread's message loops.
//
// Model: one ordered queue of posted messages for the process, drained on the GUI thread by
// whichever loop runs there (our loops, Qt's dialogs, QCoreApplication::processEvents).
// Loops nest: the main loop (RunMessageLoop) and modal loops (CWindowWnd::ShowModal).
// A quit (PostQuitMessage, or WM_QUIT posted to any window) is queued in order like any
// message and ends the innermost loop running when it is delivered; messages queued behind
// it wait until that loop has returned. A quit that arrives while no loop runs is kept and
// ends the next loop at once, as a pending WM_QUIT does on Windows.
#pragma once

#include "platform/win32/Win32Types.h"

namespace DuiLib {

// Makes sure a QApplication exists (creating one on the calling thread, which becomes the
// GUI thread) and installs the own-window backend into platform/win32. Idempotent; called
// by the first window creation and by CPaintManagerUI::SetInstance.
void InstallOwnWindowBackend();

// Runs the main loop until a quit; returns the quit's exit code.
int RunMessageLoop();

// Runs a nested loop until a quit or until the window hWnd is gone (null: only a quit).
// Returns true when a quit ended it; *exitCode gets the quit's code.
bool RunNestedLoop(HWND hWnd, int* exitCode);

// Number of our loops running now (0 = none).
int MessageLoopDepth();

// Delivers the queued messages that are due now without blocking (tests and waits).
void PumpMessages();

// Called by the UI library for every keyboard message (WM_KEYDOWN/UP, WM_CHAR, WM_SYSKEY*)
// before the window, also for keys typed into child editors (hwnd = the editor's window).
// Returning true swallows the message. CPaintManagerUI::TranslateMessage plugs in here.
using PreTranslateHook = bool (*)(const MSG* msg);
void SetPreTranslateHook(PreTranslateHook hook);

// True on the thread that runs the windows.
bool IsGuiThread();

}  // namespace DuiLib
