// CWebchatEngine: starts, adopts, tracks, embeds and stops copies of the chat client, and types
// replies into them. It knows no UI library: the window it embeds copies into is a plain
// handle, and what it reports goes to the process-wide callbacks of InitEnv and to an
// IWebchatEngineSink. CWebchatMan (mainframe/WebchatMan.h) is the window and layout control
// above it; the input sequences are in WebchatInput.cpp.
//
// Each copy is known by an instance key chosen by the caller. Per copy the engine keeps one
// WECHATRUNDATA in m_vecRunData and runs one discovery thread (__FindWehChatUIThreadProcess)
// that watches the desktop for the copy's login and main windows (every 500 ms, and at once
// when the desktop reports a new window). A found window is recorded, embedded into the host
// window when the copy is current (hidden otherwise) and reported through the callbacks given
// to InitEnv; the thread reads the account profile when the main window appears, and queues
// the key and tells the sink when that window is destroyed.
//
// Threads: every public operation runs in the GUI thread; the discovery threads take the
// same recursive lock (m_csLock) to record windows. Callbacks and the sink are always called
// without it. No discovery thread outlives the engine: stopping a copy signals its thread and
// joins it outside the lock; one that does not end within a second is joined at destruction.
#pragma once

#include "platform/win32/Sync.h"
#include "wechat/WebchatData.h"
#include "wechat/WebchatEngineSink.h"
#include "wechat/WebchatInputObserver.h"

#include <string>
#include <vector>

// (context, key, login window, main window): a copy's window was found.
using PFN_WECHATUICALLBACK = void (*)(void* context, const std::string& key, HWND loginWnd,
                                      HWND mainWnd);
// (context, key, profile): the account profile of a copy whose main window was found.
using PFN_WECHATCFGCALLBACK = void (*)(void* context, const std::string& key,
                                       const WECHATCFGDATA& cfg);

class CWebchatEngine {
 public:
  // sink: told when a copy's main window goes away (null: nobody is, and the discovery thread
  // keeps watching). hostWnd: the window the current copy is shown in (null: none). Neither
  // is owned; both outlive the engine.
  CWebchatEngine(IWebchatEngineSink* sink, HWND hostWnd);
  ~CWebchatEngine();
  CWebchatEngine(const CWebchatEngine&) = delete;
  CWebchatEngine& operator=(const CWebchatEngine&) = delete;

  // Process-wide set-up: the callbacks (null: nothing is called), the client's executable
  // path from the registry and the data folder.
  static void InitEnv(PFN_WECHATUICALLBACK uiCallback, PFN_WECHATCFGCALLBACK cfgCallback,
                      void* context);
  // Whether the client is installed: its executable, as InitEnv read it, exists.
  static bool IsWeChatInstalled();
  static std::string GetWeChatExePath();
  // The data folder as last found (each profile read searches again on its own copy).
  static std::string GetWeChatCfgDir();

  // Starts a copy under the key, or adopts one started outside; false when the key is
  // already recorded or the start fails.
  bool RunWeChat(const char* key);
  // Ends the copy's thread and process; false when no record had the key.
  bool StopWeChat(const char* key);
  // Makes the key current and shows its copy, if recorded.
  void SwitchWeChat(const char* key);
  bool GetWeChatRunData(WECHATRUNDATA& data, const std::string& key);
  // The key of the copy whose window is shown in the host window, or empty.
  std::string GetCurrWeChat();
  // Keys of copies whose main window went away, queued for the sink's owner.
  std::vector<std::string> GetClosedWeChats();
  // Empties the queue (under the lock); TakeClosedWeChats reads and empties it at once.
  void ClearClosedWeChats();
  std::vector<std::string> TakeClosedWeChats();
  // Outside copies: appends the first one's process id; true when one was found.
  bool IsHasWeChatRunByWeChatPC(std::vector<DWORD>& processIds);

  // Where the host window now is (in its parent's client coordinates): the current copy's
  // window is centred in it again.
  void SetPos(RECT rect);

  // Input into the copy's main window (GUI thread). Each makes the key current.
  bool InputTextVec(const char* key, std::vector<INPUTDATA> items);
  void SendCurrText(const char* key);
  bool SendImageByCopy(const char* key, const char* imagePath);

  // Where the picture of an input item is converted before it goes to the clipboard.
  static std::string GetTempBitmapPath();
  // Told around every input operation; null (the default) for none. Not owned.
  void SetInputObserver(IWebchatInputObserver* observer) { m_pInputObserver = observer; }

  // The thread procedure of a copy's discovery thread (argument: a FINDUITHREADPARAM).
  static DWORD __FindWehChatUIThreadProcess(LPVOID param);

 private:
  struct TLingeringThread {
    HANDLE hThread;
    HANDLE hStopEvent;
  };

  void __NtfWeChatLoginUIHwnd(const std::string& key, HWND hWnd);
  void __NtfWeChatMainUIHwnd(const std::string& key, HWND hWnd);
  void __ShowWeChatUI(const WECHATRUNDATA& data);
  void __WindowPosOrSizeChange();
  // Queues the key and tells the sink; false when there is no sink.
  bool __NtfWeChatExit(const std::string& key);

  bool __FindWeChatRunData(WECHATRUNDATA& data, const std::string& key);
  void __SetWeChatRunData(const WECHATRUNDATA& data);
  bool __RemoveWeChatRunData(WECHATRUNDATA& data, const std::string& key);
  void __ClearWeChatRunData(WECHATRUNDATA& data);
  void __ClearAllWeChatRunData();
  bool __IsHasWeChatRunByWeChatPC(std::vector<DWORD>& processIds);

  // Waits for a stopped copy's thread; one that does not end in time is kept for the
  // destructor, together with the stop event it waits on.
  void JoinStoppedThread(WECHATRUNDATA& data);
  void JoinLingeringThreads(DWORD milliseconds);
  bool StartProcess(HANDLE& process, DWORD& processId);

  // Input helpers; the caller holds m_csLock.
  bool ActivateWeChat(const std::string& key, HWND& mainWnd, bool waitAroundClick);
  bool PasteText(const std::u16string& text);
  bool TypeText(HWND mainWnd, const std::u16string& text);
  static bool PutImageOnClipboard(const std::string& path);
  void SetCurrent(const char* key);

  IWebchatEngineSink* const m_pSink;
  const HWND m_hWndHost;
  IWebchatInputObserver* m_pInputObserver = nullptr;
  RECT m_rcPos{};
  CRITICAL_SECTION m_csLock;
  std::vector<WECHATRUNDATA> m_vecRunData;
  std::string m_strCurrWeChat;
  std::vector<std::string> m_vecClosedWeChat;
  std::vector<TLingeringThread> m_vecLingering;
};
