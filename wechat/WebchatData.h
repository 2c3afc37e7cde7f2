// The records the copies engine (CWebchatEngine) keeps and hands out. The messages the main
// frame is posted about its copies (by its callbacks, and by CWebchatMan on an exit) are
// named in app/WindowIds.h.
#pragma once

#include "app/WindowIds.h"
#include "platform/win32/Win32Types.h"
#include "platform/win32/Window.h"

#include <string>

// Window classes of the client's two top-level windows.
inline constexpr const char* kWeChatLoginWndClass = "WeChatLoginWndForPC";
inline constexpr const char* kWeChatMainWndClass = "WeChatMainWndForPC";

// One running copy of the client. Copied by value in and out of the engine under its lock.
struct WECHATRUNDATA {
  std::string strKey;
  HANDLE hProcess = INVALID_HANDLE_VALUE;
  DWORD dwProcessId = 0;
  HWND hLoginWnd = nullptr;
  HWND hMainWnd = nullptr;
  HANDLE hStopEvent = INVALID_HANDLE_VALUE;
  HANDLE hThread = INVALID_HANDLE_VALUE;
  LONG nLoginWidth = 0;
  LONG nLoginHeight = 0;

  // The window that is shown for the copy: the main window once known, else the login window.
  HWND DisplayWnd() const { return hMainWnd ? hMainWnd : hLoginWnd; }
};

// The account profile of a copy: raw bytes of each value as the client stores them (UTF-8).
struct WECHATCFGDATA {
  std::string strWeChatId;
  std::string strNickname;
  std::string strKey30;
  std::string strKey32;
  std::string strKey4A;
  std::string strKey34;
  std::string strKey40;
  std::string strFace1;
  std::string strKey48;
  std::string strFace2;
  std::string strFace3;
  std::string strKey46;
  std::string strFace4;
  std::string strKey10;

  static constexpr int kSlotCount = 14;
  // Slots in the client's order (0 = strWeChatId ... 13 = strKey10).
  std::string& Slot(int index);
  const std::string& Slot(int index) const;

  // The first non-empty avatar address, or empty.
  std::string GetFace() const {
    for (const std::string* face : {&strFace1, &strFace2, &strFace3, &strFace4})
      if (!face->empty()) return *face;
    return {};
  }
};

// One item of a reply: 0 text pasted, 1 text typed, 2 image file (path in strText) pasted.
struct INPUTDATA {
  std::u16string strText;
  int nType = 0;
};

class CWebchatEngine;

// Start record of a discovery thread; the thread copies it and deletes it.
struct FINDUITHREADPARAM {
  std::string strKey;
  DWORD dwProcessId = 0;
  HANDLE hStopEvent = INVALID_HANDLE_VALUE;
  CWebchatEngine* pMan = nullptr;
};

inline std::string& WECHATCFGDATA::Slot(int index) {
  return const_cast<std::string&>(static_cast<const WECHATCFGDATA*>(this)->Slot(index));
}

inline const std::string& WECHATCFGDATA::Slot(int index) const {
  const std::string* slots[kSlotCount] = {
      &strWeChatId, &strNickname, &strKey30, &strKey32, &strKey4A, &strKey34, &strKey40,
      &strFace1,    &strKey48,    &strFace2, &strFace3, &strKey46, &strFace4, &strKey10};
  return *slots[index];
}
