// CWebchatMan's input into a copy's main window: acting like a user, it brings the window to
// the front, clicks into the message box near its bottom right, clears the box and pastes or
// types each item. Sending (Alt+S) is a separate step. The fixed waits give the client time
// to handle each key before the next one.
#include "wechat/WebchatMan.h"

#include "platform/log/Log.h"
#include "platform/win32/Bitmap.h"
#include "platform/win32/Clipboard.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/DesktopBackend.h"
#include "platform/win32/Files.h"
#include "platform/win32/Input.h"
#include "platform/win32/Window.h"

#include <cstring>

namespace {

constexpr int kClickFromRight = 120;
constexpr int kClickFromBottom = 56;
constexpr DWORD kClearWaitMs = 20;
constexpr DWORD kPasteWaitMs = 50;
constexpr DWORD kActivateWaitMs = 20;
// How long the send shortcut waits for the client to fetch a pasted item.
constexpr DWORD kFetchTimeoutMs = 3000;

void Press(BYTE vk) {
  ::keybd_event(vk, 0, 0, 0);
}
void Release(BYTE vk) {
  ::keybd_event(vk, 0, KEYEVENTF_KEYUP, 0);
}

// Ctrl+A, Delete with a pause inside each press (text input).
void SelectAllAndDelete() {
  Press(VK_CONTROL);
  Press('A');
  ::Sleep(kClearWaitMs);
  Release('A');
  Release(VK_CONTROL);
  Press(VK_DELETE);
  ::Sleep(kClearWaitMs);
  Release(VK_DELETE);
}

// Ctrl+A, Delete with one pause after them (picture input).
void SelectAllAndDeleteThenWait() {
  Press(VK_CONTROL);
  Press('A');
  Release('A');
  Release(VK_CONTROL);
  Press(VK_DELETE);
  Release(VK_DELETE);
  ::Sleep(kClearWaitMs);
}

// A fixed wait during which this process serves the clipboard, so that the client fetches
// a pasted item within the wait rather than after it.
void WaitServingClipboard(DWORD milliseconds) {
  const DWORD start = ::GetTickCount();
  if (win32::DesktopBackend* desktop = win32::GetDesktopBackend())
    desktop->WaitClipboardFetched(milliseconds);
  const DWORD elapsed = ::GetTickCount() - start;
  if (elapsed < milliseconds) ::Sleep(milliseconds - elapsed);
}

void PasteKeys() {
  Press(VK_CONTROL);
  Press('V');
  WaitServingClipboard(kPasteWaitMs);
  Release('V');
  Release(VK_CONTROL);
}

void SendKeys() {
  // A paste is complete only once the client has fetched the clipboard; send after that.
  if (win32::DesktopBackend* desktop = win32::GetDesktopBackend())
    desktop->WaitClipboardFetched(kFetchTimeoutMs);
  Press(VK_MENU);
  Press('S');
  Release('S');
  Release(VK_MENU);
}

void ClickMessageBox(HWND mainWnd, const RECT& rect) {
  LPARAM point = MAKELPARAM((rect.right - rect.left) - kClickFromRight,
                            (rect.bottom - rect.top) - kClickFromBottom);
  ::SendMessageA(mainWnd, WM_LBUTTONDOWN, 0, point);
  ::SendMessageA(mainWnd, WM_LBUTTONUP, 0, point);
}

}  // namespace

void CWebchatMan::SetCurrent(const char* key) {
  ::EnterCriticalSection(&m_csLock);
  m_strCurrWeChat = key ? key : "";
  ::LeaveCriticalSection(&m_csLock);
}

bool CWebchatMan::ActivateWeChat(const std::string& key, HWND& mainWnd, bool waitAroundClick) {
  WECHATRUNDATA data;
  if (!__FindWeChatRunData(data, key) || !data.hMainWnd) return false;
  mainWnd = data.hMainWnd;
  RECT rect{};
  ::GetWindowRect(mainWnd, &rect);
  ::SwitchToThisWindow(mainWnd, TRUE);
  if (waitAroundClick) ::Sleep(kActivateWaitMs);
  ClickMessageBox(mainWnd, rect);
  if (waitAroundClick) ::Sleep(kActivateWaitMs);
  return true;
}

bool CWebchatMan::PasteText(const std::u16string& text) {
  if (!::OpenClipboard(m_hWndHost)) return false;
  ::EmptyClipboard();
  const SIZE_T bytes = (text.size() + 1) * sizeof(char16_t);
  HGLOBAL memory = ::GlobalAlloc(GMEM_DDESHARE, bytes);
  void* target = memory ? ::GlobalLock(memory) : nullptr;
  if (!target) {
    if (memory) ::GlobalFree(memory);
    ::CloseClipboard();
    return false;
  }
  std::memcpy(target, text.c_str(), bytes);
  ::GlobalUnlock(memory);
  bool placed = ::SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
  if (!placed) ::GlobalFree(memory);
  ::CloseClipboard();
  if (placed) PasteKeys();
  return placed;
}

bool CWebchatMan::TypeText(HWND mainWnd, const std::u16string& text) {
  if (text.empty()) return false;
  for (char16_t unit : text) ::SendMessageW(mainWnd, WM_CHAR, unit, 0);
  return true;
}

bool CWebchatMan::PutImageOnClipboard(const std::string& path) {
  if (path.empty() || !::PathFileExistsW(Utf8ToWide(path).c_str())) return false;
  const std::string bmpPath = GetTempBitmapPath();
  if (!win32::ConvertImageFileToBmp(path, bmpPath)) return false;
  HANDLE bitmap = ::LoadImageA(nullptr, bmpPath.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE);
  if (!bitmap) return false;
  if (!::OpenClipboard(nullptr)) {
    ::DeleteObject(bitmap);
    return false;
  }
  ::EmptyClipboard();
  bool placed = ::SetClipboardData(CF_BITMAP, bitmap) != nullptr;
  ::CloseClipboard();
  if (!placed) ::DeleteObject(bitmap);
  return placed;
}

bool CWebchatMan::InputTextVec(const char* key, std::vector<INPUTDATA> items) {
  TC_TRACE("CWebchatMan::InputTextVec()");
  ::EnterCriticalSection(&m_csLock);
  SetCurrent(key);
  HWND mainWnd = nullptr;
  if (!ActivateWeChat(m_strCurrWeChat, mainWnd, false)) {
    ::LeaveCriticalSection(&m_csLock);
    return false;
  }
  SelectAllAndDelete();
  bool result = true;
  for (const INPUTDATA& item : items) {
    bool done = false;
    switch (item.nType) {
      case 0:
        done = PasteText(item.strText);
        break;
      case 1:
        done = TypeText(mainWnd, item.strText);
        break;
      case 2:
        done = PutImageOnClipboard(WideToUtf8(item.strText));
        if (done) PasteKeys();
        break;
      default:
        break;
    }
    result = result && done;
  }
  ::LeaveCriticalSection(&m_csLock);
  return result;
}

void CWebchatMan::SendCurrText(const char* key) {
  TC_TRACE("CWebchatMan::SendCurrText");
  ::EnterCriticalSection(&m_csLock);
  SetCurrent(key);
  HWND mainWnd = nullptr;
  if (ActivateWeChat(m_strCurrWeChat, mainWnd, false)) SendKeys();
  ::LeaveCriticalSection(&m_csLock);
}

bool CWebchatMan::SendImageByCopy(const char* key, const char* imagePath) {
  TC_TRACE("CWebchatMan::SendImageByCopy");
  if (!imagePath || !PutImageOnClipboard(imagePath)) return false;
  ::EnterCriticalSection(&m_csLock);
  SetCurrent(key);
  HWND mainWnd = nullptr;
  bool activated = ActivateWeChat(m_strCurrWeChat, mainWnd, true);
  if (activated) {
    SelectAllAndDeleteThenWait();
    PasteKeys();
    SendKeys();
  }
  ::LeaveCriticalSection(&m_csLock);
  return activated;
}
