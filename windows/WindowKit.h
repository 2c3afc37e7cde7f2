// Small pieces the gates and the small windows share.
#pragma once

#include "platform/ui/UIlib.h"

#include <memory>
#include <string>

class CConnServer;

// The window title of the splash, login and main windows.
inline constexpr const char* kProductTitle = "Orvo客服-电商版";

// The server's failure as the operator reads it: its message, then ": " and its detail
// when there is one.
std::string ServerFailureText(const CConnServer& conn);

// The drop shadow of the small windows: "shadow.png" with 12-pixel corners.
std::unique_ptr<DuiLib::CWndShadow> MakeWindowShadow(HWND window);

// A "link" notification of a text control: opens the link under the notification's point
// with the desktop's opener when it is a web address (see OpenWebAddress). False when the
// sender has no link there.
bool OpenClickedLink(DuiLib::TNotifyUI& msg);

// Opens an http or https address with the desktop's opener; anything else (a path, file:,
// smb:, javascript:) is refused and logged. False when refused.
bool OpenWebAddress(const std::string& link);

// The label's text shown (made visible) in one step: in red, or in green for news that
// something went through (a code was sent, feedback arrived).
void ShowTip(DuiLib::CPaintManagerUI& manager, const char* tipName, const std::string& text,
             bool good = false);

// The skin folder: "skin/" in the program folder.
DuiLib::CDuiString SkinFolder();
