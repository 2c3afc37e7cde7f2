// The settings accessors: one free function per key. None caches a value; every call
// reads or writes the file.
#pragma once

#include "platform/ui/core/DuiString.h"

#include <string>

using DuiLib::CDuiString;

// The program folder ("/.../", the executable's folder unless SetProgramFolder said otherwise).
std::string GetProgramFolder();
void SetProgramFolder(const std::string& folder);

CDuiString GetWebServer();  // sys.cfg (program) SYSTEM/WebServer
std::string GetVersion();   // sys.cfg (program) SYSTEM/VERSION
// sys.cfg (program) SYSTEM/NewLineKey: the chat client's key for a new line inside its
// message box, pressed for a typed "\n" ("Ctrl+Return" when unset; see CWebchatEngine).
std::string GetNewLineKey();
// sys.cfg (program) SYSTEM/KeepClipboard: "0" lets a reply stay on the clipboard; anything
// else, or unset, puts the operator's own content back after each insert or send.
bool GetKeepClipboard();
CDuiString GetLastUser();  // user.dat (per-user) LOGIN/LastUser
void SetLastUser(const char* name);
CDuiString GetUserPwd();  // user.dat (per-user) LOGIN/UserPwd
void SetUserPwd(const char* password);
// Removes the remembered password from user.dat.
void ClearUserPwd();
bool IsRememberPassword();  // user.dat (program) OPTION/AutoPlay > 0

// The per-user data folder ".../orvo2/": created (mode 0700) by GetUserDataFolder, only
// formed by GetUserDataPath. Empty when it cannot be had.
CDuiString GetUserDataFolder();
CDuiString GetUserDataPath();

// Local files of the quick-message library and the account list, both in the per-user data
// folder (the program folder may be read-only and is shared by every user). The tree
// snapshot is "mfls.xml"; the account remarks have a file of their own, "remarks.xml", so
// that neither writer replaces the other's content. Empty when the folder cannot be had.
std::string GetShortcutSnapshotPath();
std::string GetRemarkFilePath();

// The per-user log.cfg, made from the program folder's template on first use.
CDuiString GetLogConfigPath();
