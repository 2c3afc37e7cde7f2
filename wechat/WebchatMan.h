// CWebchatMan: starts, adopts, tracks, embeds and stops copies of the chat client, and types
// replies into them.
//
// Each copy is known by an instance key chosen by the caller. Per copy the manager keeps one
// WECHATRUNDATA and runs one discovery thread that watches the desktop for the copy's login
// and main windows (every 500 ms, and at once when the desktop reports a new window). A found
// window is recorded, embedded into the manager's window when the copy is current (hidden
// otherwise) and reported through the callbacks given to InitEnv; the thread reads the
// account profile when the main window appears and queues the key and posts
// WM_USER_MSG_MAINFRAME_WECHATEXIT to the owner when that window is destroyed.
//
// Threads: every public operation runs in the GUI thread; the discovery threads take the
// same recursive lock (m_csLock) to record windows. Callbacks are always called without it.
// No discovery thread outlives the manager: stopping a copy signals its thread and joins it
// outside the lock; one that does not end within a second is joined at destruction.
#pragma once

#include "excel/ExcelReader.h"
#include "platform/ui/core/ContainerUI.h"
#include "platform/ui/window/WindowImplBase.h"
#include "platform/win32/Sync.h"
#include "wechat/WebchatData.h"
#include "wechat/WebchatInputObserver.h"

#include <string>
#include <vector>

// (context, key, login window, main window): a copy's window was found.
using PFN_WECHATUICALLBACK = void (*)(void* context, const std::string& key, HWND loginWnd,
                                      HWND mainWnd);
// (context, key, profile): the account profile of a copy whose main window was found.
using PFN_WECHATCFGCALLBACK = void (*)(void* context, const std::string& key,
                                       const WECHATCFGDATA& cfg);

// The manager is a child window of the main frame (class "webchat", skin "webchat.xml"), in
// which the current copy's window is shown, and the layout control that places it.
class CWebchatMan : public DuiLib::WindowImplBase, public DuiLib::CContainerUI {
 public:
  // pMainWnd: the main frame, whose window gets the manager's messages and holds the
  // manager's window. Null makes a manager without a window (it can still read spreadsheets).
  explicit CWebchatMan(DuiLib::WindowImplBase* pMainWnd);
  // A manager embedding into hostWnd and posting to ownerWnd (either may be null); for
  // callers that provide the windows themselves (tests, tools).
  CWebchatMan(HWND ownerWnd, HWND hostWnd);
  ~CWebchatMan() override;
  CWebchatMan(const CWebchatMan&) = delete;
  CWebchatMan& operator=(const CWebchatMan&) = delete;

  // Process-wide set-up: the callbacks (null: nothing is called), the client's executable
  // path from the registry and the data folder.
  static void InitEnv(PFN_WECHATUICALLBACK uiCallback, PFN_WECHATCFGCALLBACK cfgCallback,
                      void* context);
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
  // The key of the copy whose window is shown in the manager, or empty.
  std::string GetCurrWeChat();
  // Keys of copies whose main window went away, queued for the owner.
  std::vector<std::string> GetClosedWeChats();
  // Empties the queue (under the lock); TakeClosedWeChats reads and empties it at once.
  void ClearClosedWeChats();
  std::vector<std::string> TakeClosedWeChats();
  // Outside copies: appends the first one's process id; true when one was found.
  bool IsHasWeChatRunByWeChatPC(std::vector<DWORD>& processIds);

  // Moves the manager to rect (in the owner's client coordinates) and re-places the
  // current copy's window.
  void SetPos(RECT rect, bool bNeedInvalidate = true) override;

  // Input into the copy's main window (GUI thread). Each makes the key current.
  bool InputTextVec(const char* key, std::vector<INPUTDATA> items);
  void SendCurrText(const char* key);
  bool SendImageByCopy(const char* key, const char* imagePath);

  // Quick replies from a spreadsheet (see CExcelReader).
  static std::vector<WECHATKUAIJIEDATA> ReadExcelContent(const std::string& path);

  // Where the picture of an input item is converted before it goes to the clipboard.
  static std::string GetTempBitmapPath();
  // Told around every input operation; null (the default) for none. Not owned.
  void SetInputObserver(IWebchatInputObserver* observer) { m_pInputObserver = observer; }

  // The thread procedure of a copy's discovery thread (argument: a FINDUITHREADPARAM).
  static DWORD __FindWehChatUIThreadProcess(LPVOID param);

 protected:
  HWND GetHostWnd() const { return m_hWndHost; }
  HWND GetOwnerWnd() const { return m_hWndOwner; }

  // Window hooks: keys are swallowed; timers are left to the default handling.
  LPCTSTR GetWindowClassName() const override { return "webchat"; }
  DuiLib::CDuiString GetSkinFolder() override { return "skin/"; }
  DuiLib::CDuiString GetSkinFile() override { return "webchat.xml"; }
  LRESULT OnKeyDown(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) override;
  LRESULT MessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled) override;
  LRESULT HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) override;

 private:
  struct TLingeringThread {
    HANDLE hThread;
    HANDLE hStopEvent;
  };

  void __NtfWeChatLoginUIHwnd(const std::string& key, HWND hWnd);
  void __NtfWeChatMainUIHwnd(const std::string& key, HWND hWnd);
  void __ShowWeChatUI(const WECHATRUNDATA& data);
  void __WindowPosOrSizeChange();
  // Queues the key and posts the exit message; false when there is no owner window.
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

  HWND m_hWndOwner = nullptr;
  HWND m_hWndHost = nullptr;
  IWebchatInputObserver* m_pInputObserver = nullptr;
  RECT m_rcPos{};
  CRITICAL_SECTION m_csLock;
  std::vector<WECHATRUNDATA> m_vecRunData;
  std::string m_strCurrWeChat;
  std::vector<std::string> m_vecClosedWeChat;
  std::vector<TLingeringThread> m_vecLingering;
};
