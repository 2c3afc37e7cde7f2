// The start-up pieces that need no window: folders, the seed settings, the single-instance
// guard, and the download address of an update.
#pragma once

#include "platform/win32/Win32Types.h"

#include <string>

inline constexpr const char* kSingleInstanceName = "TandemChats20171111";

// Records the program folder, makes the per-user folder and seeds its user.dat from the
// program folder's copy (an existing copy is never overwritten). False when the per-user
// folder cannot be had.
bool PrepareFolders();

// The handle of the new shared block when this is the first instance; null when another
// instance runs (its main frame is brought forward; GetLastError() is ERROR_ALREADY_EXISTS)
// or the block cannot be had (ERROR_ACCESS_DENIED, errno saying why).
HANDLE CheckSingleInstance(const char* name = kSingleInstanceName);

// Brings the first instance's main frame forward; a null handle does nothing.
void BringInstanceWindowForward(HWND hwnd);

// Stores the main frame's handle in the block so that a second start can bring it forward.
void PublishInstanceWindow(HANDLE block, HWND mainFrame);

// The address the browser opens for an update: absolute addresses (http:// or https://, in
// any letter case) as they are, others relative to the server base.
std::string MakeDownloadAddress(const std::string& downUrl, const std::string& webServer);
