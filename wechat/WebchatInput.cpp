// CWebchatEngine's input into a copy's main window: acting like a user, it brings the window to
// the front, clicks into the message box near its bottom right, clears the box and pastes or
// types each item. Sending (Alt+S) is a separate step. The fixed waits give the client time
// to handle each key before the next one. Trace labels keep the design's words
// ("CWebchatMan::InputTextVec()", ...): the manager forwards these operations here.
#include "wechat/WebchatEngine.h"

#include "app/Settings.h"
#include "platform/log/Log.h"
#include "platform/win32/Bitmap.h"
#include "platform/win32/Clipboard.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/DesktopBackend.h"
#include "platform/win32/Files.h"
#include "platform/win32/Input.h"
#include "platform/win32/Window.h"

#include <cstring>
#include <string_view>
#include <vector>

namespace {

// Tells the observer that an input operation runs, for as long as the scope lives.
class CInputScope {
 public:
  explicit CInputScope(IWebchatInputObserver* observer) : m_pObserver(observer) {
    if (m_pObserver) m_pObserver->OnInputBegin();
  }
  ~CInputScope() {
    if (m_pObserver) m_pObserver->OnInputEnd();
  }
  CInputScope(const CInputScope&) = delete;
  CInputScope& operator=(const CInputScope&) = delete;

 private:
  IWebchatInputObserver* m_pObserver;
};

constexpr int kClickFromRight = 120;
constexpr int kClickFromBottom = 56;
constexpr DWORD kClearWaitMs = 20;
constexpr DWORD kPasteWaitMs = 50;
constexpr DWORD kActivateWaitMs = 20;

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

// A paste is complete only once the client has fetched the clipboard. False when the
// client has not fetched the last pasted item within the limit (it is busy or hung).
bool WaitForLastPaste() {
  win32::DesktopBackend* desktop = win32::GetDesktopBackend();
  if (!desktop || desktop->WaitClipboardFetched(win32::kPasteFetchLimitMs)) return true;
  TC_LOG(TC_LOG_ERROR,
         "the client did not fetch the pasted item within " << win32::kPasteFetchLimitMs << " ms");
  return false;
}

// Sends only a complete message: a paste the client has not fetched yet would arrive after
// the send, in the next message.
bool SendKeys() {
  if (!WaitForLastPaste()) {
    TC_LOG(TC_LOG_ERROR, "the send shortcut is not pressed: the message box is not complete");
    return false;
  }
  Press(VK_MENU);
  Press('S');
  Release('S');
  Release(VK_MENU);
  return true;
}

// Key names of the new-line setting. Invariant: modifiers first; each name once.
struct TKeyName {
  std::string_view name;
  BYTE vk;
  bool modifier;
};
constexpr TKeyName kKeyNames[] = {
    {"Ctrl", VK_CONTROL, true},   {"Shift", VK_SHIFT, true},   {"Alt", VK_MENU, true},
    {"Return", VK_RETURN, false}, {"Enter", VK_RETURN, false},
};
constexpr BYTE kDefaultNewLine[] = {VK_CONTROL, VK_RETURN};

// "Ctrl+Return" -> {VK_CONTROL, VK_RETURN}: modifiers, then one key. Empty for a text that
// is not such a chord.
std::vector<BYTE> ParseChord(const std::string& text) {
  std::vector<BYTE> keys;
  bool haveKey = false;
  for (std::size_t start = 0; start <= text.size();) {
    const std::size_t plus = std::min(text.find('+', start), text.size());
    const std::string_view part(text.data() + start, plus - start);
    const TKeyName* found = nullptr;
    for (const TKeyName& key : kKeyNames) {
      if (key.name == part) found = &key;
    }
    if (!found || haveKey) return {};  // unknown name, or something after the key
    keys.push_back(found->vk);
    haveKey = !found->modifier;
    start = plus + 1;
  }
  return haveKey ? keys : std::vector<BYTE>{};
}

// The client's new line in the box, for a typed "\n" (the chord a Win32 WM_CHAR of 0x0A
// stands for); Return would send the half-typed message.
std::vector<BYTE> NewLineChord() {
  const std::string setting = GetNewLineKey();
  std::vector<BYTE> chord = ParseChord(setting);
  if (!setting.empty() && chord.empty())
    TC_LOG(TC_LOG_WARN, "sys.cfg NewLineKey \"" << setting << "\" is not a key such as "
                                                << "\"Ctrl+Return\"; Ctrl+Return is used");
  if (chord.empty()) chord.assign(std::begin(kDefaultNewLine), std::end(kDefaultNewLine));
  return chord;
}

void PressChord(const std::vector<BYTE>& chord) {
  for (BYTE vk : chord) Press(vk);
  for (auto it = chord.rbegin(); it != chord.rend(); ++it) Release(*it);
}

void ClickMessageBox(HWND mainWnd, const RECT& rect) {
  LPARAM point = MAKELPARAM((rect.right - rect.left) - kClickFromRight,
                            (rect.bottom - rect.top) - kClickFromBottom);
  ::SendMessageA(mainWnd, WM_LBUTTONDOWN, 0, point);
  ::SendMessageA(mainWnd, WM_LBUTTONUP, 0, point);
}

}  // namespace

void CWebchatEngine::SetCurrent(const char* key) {
  ::EnterCriticalSection(&m_csLock);
  m_strCurrWeChat = key ? key : "";
  ::LeaveCriticalSection(&m_csLock);
}

bool CWebchatEngine::ActivateWeChat(const std::string& key, HWND& mainWnd, bool waitAroundClick) {
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

bool CWebchatEngine::PasteText(const std::u16string& text) {
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

bool CWebchatEngine::TypeText(HWND mainWnd, const std::u16string& text) {
  if (text.empty()) return false;
  bool typed = true;
  std::vector<BYTE> newLine;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u'\n') {
      if (newLine.empty()) newLine = NewLineChord();
      PressChord(newLine);
      continue;
    }
    // A window procedure returns 0 for a character it took.
    if (::SendMessageW(mainWnd, WM_CHAR, text[i], 0) == 0) continue;
    TC_LOG(TC_LOG_ERROR, "character " << i << " (U+" << std::hex << int(text[i])
                                      << ") of a typed item could not be typed");
    typed = false;
  }
  // The client has handled the typed keys, and the keys borrowed for them are given back.
  if (win32::DesktopBackend* desktop = win32::GetDesktopBackend();
      desktop && !desktop->FinishTyping()) {
    TC_LOG(TC_LOG_ERROR, "the client did not confirm the typed item in time");
    typed = false;
  }
  return typed;
}

bool CWebchatEngine::PutImageOnClipboard(const std::string& path) {
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

bool CWebchatEngine::InputTextVec(const char* key, std::vector<INPUTDATA> items) {
  // This label is the design's, fixed word for word.
  TC_TRACE("CWebchatMan::InputTextVec()");
  const CInputScope scope(m_pInputObserver);
  ::EnterCriticalSection(&m_csLock);
  SetCurrent(key);
  HWND mainWnd = nullptr;
  if (!ActivateWeChat(m_strCurrWeChat, mainWnd, false)) {
    ::LeaveCriticalSection(&m_csLock);
    return false;
  }
  SelectAllAndDelete();
  bool result = true;
  bool pasted = false;
  for (std::size_t index = 0; index < items.size(); ++index) {
    const INPUTDATA& item = items[index];
    bool done = false;
    switch (item.nType) {
      case 0:
        done = PasteText(item.strText);
        pasted = pasted || done;
        break;
      case 1:
        done = TypeText(mainWnd, item.strText);
        break;
      case 2:
        done = PutImageOnClipboard(WideToUtf8(item.strText));
        if (done) PasteKeys();
        pasted = pasted || done;
        break;
      default:
        break;
    }
    if (!done)
      TC_LOG(TC_LOG_ERROR, "item " << index << " (type " << item.nType << ") of the reply to "
                                   << m_strCurrWeChat << " did not go in");
    result = result && done;
  }
  // Every item is in only once the client has fetched the last pasted one.
  if (pasted && !WaitForLastPaste()) {
    TC_LOG(TC_LOG_ERROR,
           "the last pasted item of the reply to " << m_strCurrWeChat << " was not fetched");
    result = false;
  }
  ::LeaveCriticalSection(&m_csLock);
  return result;
}

void CWebchatEngine::SendCurrText(const char* key) {
  // This label is the design's, fixed word for word.
  TC_TRACE("CWebchatMan::SendCurrText");
  const CInputScope scope(m_pInputObserver);
  ::EnterCriticalSection(&m_csLock);
  SetCurrent(key);
  HWND mainWnd = nullptr;
  if (ActivateWeChat(m_strCurrWeChat, mainWnd, false)) SendKeys();
  ::LeaveCriticalSection(&m_csLock);
}

bool CWebchatEngine::SendImageByCopy(const char* key, const char* imagePath) {
  // This label is the design's, fixed word for word.
  TC_TRACE("CWebchatMan::SendImageByCopy");
  const CInputScope scope(m_pInputObserver);
  if (!imagePath || !PutImageOnClipboard(imagePath)) return false;
  ::EnterCriticalSection(&m_csLock);
  SetCurrent(key);
  HWND mainWnd = nullptr;
  bool sent = ActivateWeChat(m_strCurrWeChat, mainWnd, true);
  if (sent) {
    SelectAllAndDeleteThenWait();
    PasteKeys();
    sent = SendKeys();
  }
  ::LeaveCriticalSection(&m_csLock);
  return sent;
}
