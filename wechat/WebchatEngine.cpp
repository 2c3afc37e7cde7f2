// The copies engine: records, processes, discovery threads and embedding (the input
// sequences are in WebchatInput.cpp). Its trace labels keep the design's words
// ("CWebchatMan::RunWeChat()", ...): the manager forwards these operations here.
#include "wechat/WebchatEngine.h"

#include "platform/log/Log.h"
#include "app/Settings.h"
#include "platform/hook/MouseHook.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/DesktopBackend.h"
#include "platform/win32/Files.h"
#include "platform/win32/Process.h"
#include "platform/win32/Registry.h"
#include "platform/win32/Toolhelp.h"
#include "platform/win32/Window.h"
#include "wechat/WeChatDataFolder.h"
#include "wechat/WeChatDetector.h"
#include "wechat/WeChatProfileReader.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <unordered_map>
#include <utility>

#include <strings.h>

namespace {

// Process-wide state set by InitEnv. The data folder is rewritten by profile reads in the
// discovery threads, so every access takes the mutex and works on a copy.
struct TWeChatEnv {
  std::mutex mutex;
  std::string strExePath;
  std::string strCfgDir;
  PFN_WECHATUICALLBACK pfnUi = nullptr;
  PFN_WECHATCFGCALLBACK pfnCfg = nullptr;
  void* pContext = nullptr;
};

TWeChatEnv& Env() {
  static TWeChatEnv env;
  return env;
}

constexpr DWORD kPollMs = 500;
constexpr DWORD kStopWaitMs = 1000;
// A terminated copy is waited for this long so that it is gone (and reaped) when the stop
// returns.
constexpr DWORD kProcessExitWaitMs = 2000;

bool IsValid(HANDLE handle) {
  return handle != nullptr && handle != INVALID_HANDLE_VALUE;
}

void CloseValid(HANDLE& handle) {
  if (IsValid(handle)) ::CloseHandle(handle);
  handle = INVALID_HANDLE_VALUE;
}

// "DisplayIcon" of the client's uninstall key, without the quotes around it.
std::string ReadExePathFromRegistry() {
  HKEY key = nullptr;
  if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE,
                      "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\WeChat", 0,
                      KEY_READ, &key) != ERROR_SUCCESS)
    return {};
  char value[MAX_PATH] = {};
  DWORD type = REG_SZ;
  DWORD count = sizeof(value);
  std::string path;
  if (::RegQueryValueExA(key, "DisplayIcon", nullptr, &type, reinterpret_cast<LPBYTE>(value),
                         &count) == ERROR_SUCCESS &&
      count > 0) {
    count = std::min<DWORD>(count, sizeof(value));
    if (count > 3 && value[0] == '"')
      path.assign(value + 1, count - 3);
    else
      path.assign(value, strnlen(value, count));
  }
  ::RegCloseKey(key);
  // A value that is not quoted counts its terminating zero: keep the text before it.
  path.resize(strnlen(path.c_str(), path.size()));
  return path;
}

// One EnumWindows pass looks for both windows of a copy: the first top-level, unowned,
// visible window of each class that belongs to the process (or a process it started).
// "popupshadow" windows of any process are hidden on the way.
struct TWindowSearch {
  DWORD dwProcessId;
  HWND hLogin;
  HWND hMain;
};

// Whether a window belongs to the copy's process or one it started. A window keeps its
// process for life, so the answer is kept per window (the check reads /proc).
bool BelongsToProcess(HWND hwnd, DWORD processId) {
  thread_local std::unordered_map<HWND, bool> belongs;
  if (auto it = belongs.find(hwnd); it != belongs.end()) return it->second;
  DWORD windowProcess = 0;
  ::GetWindowThreadProcessId(hwnd, &windowProcess);
  if (windowProcess == 0) return false;  // not known yet: ask again next time
  bool answer = win32::IsProcessOrDescendant(windowProcess, processId);
  if (belongs.size() > 256) belongs.clear();
  belongs[hwnd] = answer;
  return answer;
}

BOOL FindWindowProc(HWND hwnd, LPARAM lParam) {
  auto* search = reinterpret_cast<TWindowSearch*>(lParam);
  char className[MAX_PATH] = {};
  ::GetClassNameA(hwnd, className, sizeof(className));
  if (std::strcmp(className, "popupshadow") == 0) ::ShowWindow(hwnd, SW_HIDE);
  // The class is looked at first: it is the cheapest test and rules out most windows.
  const bool isLogin = std::strcmp(className, kWeChatLoginWndClass) == 0;
  const bool isMain = std::strcmp(className, kWeChatMainWndClass) == 0;
  if ((!isLogin || search->hLogin) && (!isMain || search->hMain)) return TRUE;
  if (!BelongsToProcess(hwnd, search->dwProcessId)) return TRUE;
  if (!::IsWindow(hwnd) || ::GetWindow(hwnd, GW_OWNER) != nullptr || !::IsWindowVisible(hwnd))
    return TRUE;
  (isLogin ? search->hLogin : search->hMain) = hwnd;
  return TRUE;
}

TWindowSearch FindProcessWindows(DWORD processId) {
  TWindowSearch search{processId, nullptr, nullptr};
  ::EnumWindows(FindWindowProc, reinterpret_cast<LPARAM>(&search));
  return search;
}

// The profile of the account that just logged in, from a data folder of this read's own.
WECHATCFGDATA ReadLoginProfile() {
  std::string dataFolder = CWeChatDataFolder::FindDataFolder();
  {
    std::lock_guard<std::mutex> lock(Env().mutex);
    Env().strCfgDir = dataFolder;
  }
  return CWeChatProfileReader::ReadProfile(CWeChatDataFolder::LoginAccountFile(dataFolder));
}

void CallUiCallback(const std::string& key, HWND login, HWND main) {
  PFN_WECHATUICALLBACK callback;
  void* context;
  {
    std::lock_guard<std::mutex> lock(Env().mutex);
    callback = Env().pfnUi;
    context = Env().pContext;
  }
  if (callback) callback(context, key, login, main);
}

void CallCfgCallback(const std::string& key, const WECHATCFGDATA& cfg) {
  PFN_WECHATCFGCALLBACK callback;
  void* context;
  {
    std::lock_guard<std::mutex> lock(Env().mutex);
    callback = Env().pfnCfg;
    context = Env().pContext;
  }
  if (callback) callback(context, key, cfg);
}

class CLock {
 public:
  explicit CLock(CRITICAL_SECTION& section) : m_section(section) {
    ::EnterCriticalSection(&m_section);
  }
  ~CLock() { ::LeaveCriticalSection(&m_section); }
  CLock(const CLock&) = delete;
  CLock& operator=(const CLock&) = delete;

 private:
  CRITICAL_SECTION& m_section;
};

}  // namespace

CWebchatEngine::CWebchatEngine(IWebchatEngineSink* sink, HWND hostWnd)
    : m_pSink(sink), m_hWndHost(hostWnd) {
  ::InitializeCriticalSection(&m_csLock);
}

CWebchatEngine::~CWebchatEngine() {
  __ClearAllWeChatRunData();
  ::DeleteCriticalSection(&m_csLock);
}

void CWebchatEngine::InitEnv(PFN_WECHATUICALLBACK uiCallback, PFN_WECHATCFGCALLBACK cfgCallback,
                             void* context) {
  // This label is the design's, fixed word for word.
  TC_TRACE("CWebchatMan::InitEnv()");
  std::string exePath = ReadExePathFromRegistry();
  std::string cfgDir = CWeChatDataFolder::FindDataFolder();
  std::lock_guard<std::mutex> lock(Env().mutex);
  Env().pfnUi = uiCallback;
  Env().pfnCfg = cfgCallback;
  Env().pContext = context;
  if (!exePath.empty()) Env().strExePath = exePath;
  Env().strCfgDir = cfgDir;
}

bool CWebchatEngine::IsWeChatInstalled() {
  // This label is the design's, fixed word for word.
  TC_TRACE("CWebchatMan::IsWeChatInstalled()");
  std::string path = GetWeChatExePath();
  return !path.empty() && ::PathFileExistsW(Utf8ToWide(path).c_str()) == 1;
}

std::string CWebchatEngine::GetWeChatExePath() {
  std::lock_guard<std::mutex> lock(Env().mutex);
  return Env().strExePath;
}

std::string CWebchatEngine::GetWeChatCfgDir() {
  std::lock_guard<std::mutex> lock(Env().mutex);
  return Env().strCfgDir;
}

std::string CWebchatEngine::GetTempBitmapPath() {
  std::string folder = GetUserDataFolder().GetData();
  if (!folder.empty() && folder.back() != '/') folder += '/';
  return folder + "tmpBmp4Input.bmp";
}

bool CWebchatEngine::StartProcess(HANDLE& process, DWORD& processId) {
  std::vector<DWORD> outside;
  if (__IsHasWeChatRunByWeChatPC(outside) && !outside.empty()) {
    processId = outside.front();
    process = ::OpenProcess(PROCESS_ALL_ACCESS, FALSE, processId);
    return true;
  }
  // Quoted, so that a path with blanks stays one program name.
  std::string commandLine = "\"" + GetWeChatExePath() + "\"";
  STARTUPINFOA startup{};
  startup.cb = 68;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_HIDE;
  PROCESS_INFORMATION info{};
  // A group of its own: the program may be a launcher whose descendants own the windows
  // (discovery accepts them), and stopping the copy stops them all.
  if (!::CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE,
                        CREATE_NEW_PROCESS_GROUP, nullptr, nullptr, &startup, &info))
    return false;
  if (IsValid(info.hThread)) ::CloseHandle(info.hThread);
  process = info.hProcess;
  processId = info.dwProcessId;
  return true;
}

bool CWebchatEngine::RunWeChat(const char* key) {
  // This label is the design's, fixed word for word.
  TC_TRACE("CWebchatMan::RunWeChat()");
  if (!key) return false;
  CLock lock(m_csLock);
  WECHATRUNDATA data;
  if (__FindWeChatRunData(data, key)) return false;
  data.strKey = key;
  if (!StartProcess(data.hProcess, data.dwProcessId)) return false;
  data.hStopEvent = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
  ::ResetEvent(data.hStopEvent);
  auto* param = new FINDUITHREADPARAM{data.strKey, data.dwProcessId, data.hStopEvent, this};
  data.hThread =
      ::CreateThread(nullptr, 0, &CWebchatEngine::__FindWehChatUIThreadProcess, param, 0, nullptr);
  if (!IsValid(data.hThread)) {
    delete param;
    TC_LOG(TC_LOG_ERROR, "Failed to start the window search of " << data.strKey << ".");
  }
  __SetWeChatRunData(data);
  return true;
}

bool CWebchatEngine::StopWeChat(const char* key) {
  // This label is the design's, fixed word for word.
  TC_TRACE("CWebchatMan::StopWeChat");
  if (!key) return false;
  ::fnunhookmouse(key);
  WECHATRUNDATA data;
  bool removed;
  {
    CLock lock(m_csLock);
    removed = __RemoveWeChatRunData(data, key);
  }
  if (!removed) return false;
  // The thread is joined without the lock, so that a thread waiting for the lock to report
  // a window can finish and see its stop event.
  JoinStoppedThread(data);
  __ClearWeChatRunData(data);
  return true;
}

void CWebchatEngine::SwitchWeChat(const char* key) {
  // This label is the design's, fixed word for word.
  TC_TRACE(" CWebchatMan::SwitchWeChat()");
  CLock lock(m_csLock);
  m_strCurrWeChat = key ? key : "";
  WECHATRUNDATA data;
  if (__FindWeChatRunData(data, m_strCurrWeChat)) __ShowWeChatUI(data);
}

bool CWebchatEngine::GetWeChatRunData(WECHATRUNDATA& data, const std::string& key) {
  CLock lock(m_csLock);
  return __FindWeChatRunData(data, key);
}

std::string CWebchatEngine::GetCurrWeChat() {
  CLock lock(m_csLock);
  if (!m_hWndHost) return {};
  // The copy on show is the topmost visible display window inside the host window.
  for (HWND child = ::GetWindow(m_hWndHost, GW_CHILD); child;
       child = ::GetWindow(child, GW_HWNDNEXT)) {
    if (!::IsWindowVisible(child)) continue;
    for (const WECHATRUNDATA& data : m_vecRunData)
      if (data.DisplayWnd() == child) return data.strKey;
  }
  return {};
}

std::vector<std::string> CWebchatEngine::GetClosedWeChats() {
  CLock lock(m_csLock);
  return m_vecClosedWeChat;
}

void CWebchatEngine::ClearClosedWeChats() {
  CLock lock(m_csLock);
  m_vecClosedWeChat.clear();
}

std::vector<std::string> CWebchatEngine::TakeClosedWeChats() {
  CLock lock(m_csLock);
  return std::exchange(m_vecClosedWeChat, {});
}

bool CWebchatEngine::__FindWeChatRunData(WECHATRUNDATA& data, const std::string& key) {
  auto it = std::find_if(m_vecRunData.begin(), m_vecRunData.end(),
                         [&](const WECHATRUNDATA& entry) { return entry.strKey == key; });
  if (it == m_vecRunData.end()) return false;
  data = *it;
  return true;
}

void CWebchatEngine::__SetWeChatRunData(const WECHATRUNDATA& data) {
  auto it = std::find_if(m_vecRunData.begin(), m_vecRunData.end(),
                         [&](const WECHATRUNDATA& entry) { return entry.strKey == data.strKey; });
  if (it == m_vecRunData.end())
    m_vecRunData.push_back(data);
  else
    *it = data;
}

bool CWebchatEngine::__RemoveWeChatRunData(WECHATRUNDATA& data, const std::string& key) {
  // This label is the design's, fixed word for word.
  TC_TRACE("CWebchatMan::__RemoveWeChatRunData");
  auto it = std::find_if(m_vecRunData.begin(), m_vecRunData.end(),
                         [&](const WECHATRUNDATA& entry) { return entry.strKey == key; });
  if (it == m_vecRunData.end()) return false;
  data = *it;
  if (IsValid(data.hStopEvent)) ::SetEvent(data.hStopEvent);
  m_vecRunData.erase(it);
  return true;
}

void CWebchatEngine::JoinStoppedThread(WECHATRUNDATA& data) {
  if (!IsValid(data.hThread)) return;
  DWORD result = ::WaitForSingleObject(data.hThread, kStopWaitMs);
  if (result == WAIT_OBJECT_0) return;
  TC_LOGF(TC_LOG_WARN, "退出遍历微信窗口线程( 0x%x ) 异常: %d.",
          static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(data.hThread)),
          static_cast<int>(result));
  // The thread still waits on its stop event and uses this engine: both stay until the
  // destructor has joined it.
  CLock lock(m_csLock);
  m_vecLingering.push_back({std::exchange(data.hThread, INVALID_HANDLE_VALUE),
                            std::exchange(data.hStopEvent, INVALID_HANDLE_VALUE)});
}

void CWebchatEngine::JoinLingeringThreads(DWORD milliseconds) {
  std::vector<TLingeringThread> lingering;
  {
    CLock lock(m_csLock);
    lingering.swap(m_vecLingering);
  }
  std::vector<TLingeringThread> stillRunning;
  for (TLingeringThread& thread : lingering) {
    if (::WaitForSingleObject(thread.hThread, milliseconds) != WAIT_OBJECT_0) {
      stillRunning.push_back(thread);
      continue;
    }
    CloseValid(thread.hThread);
    CloseValid(thread.hStopEvent);
  }
  CLock lock(m_csLock);
  m_vecLingering.insert(m_vecLingering.end(), stillRunning.begin(), stillRunning.end());
}

void CWebchatEngine::__ClearWeChatRunData(WECHATRUNDATA& data) {
  // This label is the design's, fixed word for word.
  TC_TRACE("CWebchatMan::__ClearWeChatRunData");
  if (IsValid(data.hProcess)) {
    ::TerminateProcess(data.hProcess, 0);
    ::WaitForSingleObject(data.hProcess, kProcessExitWaitMs);
  }
  CloseValid(data.hProcess);
  CloseValid(data.hThread);
  CloseValid(data.hStopEvent);
}

void CWebchatEngine::__ClearAllWeChatRunData() {
  std::vector<WECHATRUNDATA> records;
  {
    CLock lock(m_csLock);
    m_strCurrWeChat.clear();
    records.swap(m_vecRunData);
  }
  // Every thread is told to end and joined before its handles and the engine go away.
  for (WECHATRUNDATA& data : records)
    if (IsValid(data.hStopEvent)) ::SetEvent(data.hStopEvent);
  for (WECHATRUNDATA& data : records) {
    if (IsValid(data.hThread)) ::WaitForSingleObject(data.hThread, INFINITE);
    __ClearWeChatRunData(data);
  }
  JoinLingeringThreads(INFINITE);
}

void CWebchatEngine::SetPos(RECT rect) {
  {
    CLock lock(m_csLock);
    m_rcPos = rect;
  }
  __WindowPosOrSizeChange();
}

void CWebchatEngine::__WindowPosOrSizeChange() {
  // This label is the design's, fixed word for word.
  TC_TRACE("CWebchatMan::__WindowPosOrSizeChange()");
  CLock lock(m_csLock);
  if (m_strCurrWeChat.empty()) return;
  WECHATRUNDATA data;
  if (__FindWeChatRunData(data, m_strCurrWeChat)) __ShowWeChatUI(data);
}

void CWebchatEngine::__ShowWeChatUI(const WECHATRUNDATA& data) {
  // This label is the design's, fixed word for word.
  TC_TRACE("CWebchatMan::__ShowWeChatUI()");
  HWND display = data.DisplayWnd();
  if (!display) return;
  ::SetParent(display, m_hWndHost);
  LONG width = data.nLoginWidth;
  LONG height = data.nLoginHeight;
  if (display == data.hMainWnd) {
    ::ShowWindow(display, SW_SHOWMAXIMIZED);
    RECT rect{};
    ::GetWindowRect(display, &rect);
    width = rect.right - rect.left;
    height = rect.bottom - rect.top;
  }
  LONG clientWidth = m_rcPos.right - m_rcPos.left;
  LONG clientHeight = m_rcPos.bottom - m_rcPos.top;
  ::MoveWindow(display, (clientWidth - width) / 2, (clientHeight - height) / 2, width, height,
               TRUE);
}

void CWebchatEngine::__NtfWeChatLoginUIHwnd(const std::string& key, HWND hWnd) {
  // This label is the design's, fixed word for word.
  TC_TRACE("CWebchatMan::__NtfWeChatLoginUIHwnd()");
  WECHATRUNDATA data;
  {
    CLock lock(m_csLock);
    if (__FindWeChatRunData(data, key)) {
      data.hLoginWnd = hWnd;
      data.hMainWnd = nullptr;
      RECT rect{};
      ::GetWindowRect(hWnd, &rect);
      data.nLoginWidth = rect.right - rect.left;
      data.nLoginHeight = rect.bottom - rect.top;
      __SetWeChatRunData(data);
      if (key == m_strCurrWeChat)
        __ShowWeChatUI(data);
      else
        ::ShowWindow(data.DisplayWnd(), SW_HIDE);
    }
  }
  CallUiCallback(data.strKey, data.hLoginWnd, data.hMainWnd);
}

void CWebchatEngine::__NtfWeChatMainUIHwnd(const std::string& key, HWND hWnd) {
  // This label is the design's, fixed word for word.
  TC_TRACE("CWebchatMan::__NtfWeChatMainUIHwnd()");
  WECHATRUNDATA data;
  {
    CLock lock(m_csLock);
    if (__FindWeChatRunData(data, key)) {
      data.hMainWnd = hWnd;
      data.hLoginWnd = nullptr;
      __SetWeChatRunData(data);
      if (key == m_strCurrWeChat)
        __ShowWeChatUI(data);
      else
        ::ShowWindow(data.DisplayWnd(), SW_HIDE);
    }
  }
  WECHATCFGDATA cfg = ReadLoginProfile();
  CallCfgCallback(data.strKey, cfg);
  CallUiCallback(data.strKey, data.hLoginWnd, data.hMainWnd);
}

bool CWebchatEngine::__NtfWeChatExit(const std::string& key) {
  if (!m_pSink) return false;
  {
    CLock lock(m_csLock);
    m_vecClosedWeChat.push_back(key);
  }
  m_pSink->OnWeChatExit(key);
  return true;
}

DWORD CWebchatEngine::__FindWehChatUIThreadProcess(LPVOID param) {
  // This label is the design's, fixed word for word.
  TC_TRACE("::__FindWehChatUIThreadProcess()");
  FINDUITHREADPARAM start = *static_cast<FINDUITHREADPARAM*>(param);
  delete static_cast<FINDUITHREADPARAM*>(param);
  HWND lastLogin = nullptr;
  HWND lastMain = nullptr;
  for (;;) {
    TWindowSearch found = FindProcessWindows(start.dwProcessId);
    if (found.hLogin && found.hLogin != lastLogin) {
      lastLogin = found.hLogin;
      start.pMan->__NtfWeChatLoginUIHwnd(start.strKey, found.hLogin);
    }
    if (found.hMain && found.hMain != lastMain) {
      lastMain = found.hMain;
      start.pMan->__NtfWeChatMainUIHwnd(start.strKey, found.hMain);
    }
    if (lastMain && !::IsWindow(lastMain) && start.pMan->__NtfWeChatExit(start.strKey)) break;
    // Ends on the stop event (or on a stop event that is gone); a desktop change or the
    // poll interval starts the next search.
    if (win32::WaitForStopOrDesktopChange(start.hStopEvent, kPollMs) != WAIT_TIMEOUT) break;
  }
  return 0;
}

namespace {

// The image path of a process as a drive path. There are no drive letters here: the image
// path is the real path of the executable and each "drive" maps to itself.
DWORD ImagePathToDrivePath(HANDLE process, char (&path)[MAX_PATH]) {
  char image[MAX_PATH + 1] = {};
  if (::GetProcessImageFileNameA(process, image, sizeof(image)) == 0) {
    DWORD error = ::GetLastError();
    return error ? error : static_cast<DWORD>(-1);
  }
  char drives[MAX_PATH] = {};
  DWORD length = ::GetLogicalDriveStringsA(sizeof(drives), drives);
  for (const char* drive = drives; drive < drives + length && *drive;
       drive += std::strlen(drive) + 1) {
    char device[MAX_PATH] = {};
    if (::QueryDosDeviceA(drive, device, sizeof(device)) == 0) return ::GetLastError();
    size_t deviceLength = std::strlen(device);
    if (strncasecmp(image, device, deviceLength) != 0) continue;
    std::snprintf(path, sizeof(path), "%s%s", drive, image + deviceLength);
    return 0;
  }
  return 0;
}

BOOL CollectWindowOwner(HWND hwnd, LPARAM lParam) {
  DWORD pid = 0;
  ::GetWindowThreadProcessId(hwnd, &pid);
  if (pid) reinterpret_cast<std::vector<DWORD>*>(lParam)->push_back(pid);
  return TRUE;
}

// The processes that own a top-level window on this desktop.
std::vector<DWORD> TopLevelWindowOwners() {
  std::vector<DWORD> owners;
  ::EnumWindows(CollectWindowOwner, reinterpret_cast<LPARAM>(&owners));
  return owners;
}

// The client or a process it started (a launcher's child) owns one of the windows.
bool OwnsAWindow(const std::vector<DWORD>& owners, DWORD client) {
  return std::any_of(owners.begin(), owners.end(),
                     [client](DWORD owner) { return win32::IsProcessOrDescendant(owner, client); });
}

void LogParentImage(DWORD parentId) {
  HANDLE parent = ::OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, parentId);
  char path[MAX_PATH] = {};
  if (parent && ImagePathToDrivePath(parent, path) == 0)
    TC_LOGF(TC_LOG_INFO, "Wechats parent process file: %s.", path);
  else
    TC_LOGF(TC_LOG_ERROR, "Failed(0x%x): get wechats parent process file.",
            static_cast<unsigned>(::GetLastError()));
  if (parent) ::CloseHandle(parent);
}

}  // namespace

bool CWebchatEngine::IsHasWeChatRunByWeChatPC(std::vector<DWORD>& processIds) {
  // This label is the design's, fixed word for word.
  TC_TRACE("CWebchatMan::IsHasWeChatRunByWeChatPC().");
  CLock lock(m_csLock);
  return __IsHasWeChatRunByWeChatPC(processIds);
}

bool CWebchatEngine::__IsHasWeChatRunByWeChatPC(std::vector<DWORD>& processIds) {
  // This label is the design's, fixed word for word.
  TC_TRACE("CWebchatMan::__IsHasWeChatRunByWeChatPC().");
  // Only this user's processes: another user's client is not ours to take over.
  HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS | TH32CS_SNAPCURRENTUSER, 0);
  PROCESSENTRY32 entry{};
  entry.dwSize = sizeof(entry);
  if (!IsValid(snapshot) || !::Process32First(snapshot, &entry)) {
    TC_LOGF(TC_LOG_ERROR, "Failed(0x%x): ::Process32First().",
            static_cast<unsigned>(::GetLastError()));
    if (IsValid(snapshot)) ::CloseHandle(snapshot);
    return false;
  }
  CWeChatDetector detector(GetWeChatExePath());
  std::vector<TProcessInfo> table;
  const std::vector<DWORD> windowOwners = TopLevelWindowOwners();
  do {
    // A client that shows no window on this desktop runs on another one (another X server,
    // perhaps one that has ended): it is neither ours to take over nor to stop.
    if (detector.IsClientName(entry.szExeFile) && !OwnsAWindow(windowOwners, entry.th32ProcessID))
      continue;
    table.push_back({entry.th32ProcessID, entry.th32ParentProcessID, entry.szExeFile});
    if (table.size() > 1 && detector.IsClientName(entry.szExeFile))
      LogParentImage(entry.th32ParentProcessID);
  } while (::Process32Next(snapshot, &entry));
  ::CloseHandle(snapshot);

  std::vector<DWORD> adopted;
  for (const WECHATRUNDATA& data : m_vecRunData) adopted.push_back(data.dwProcessId);
  DWORD outside = detector.FindIndependent(table, adopted);
  if (outside == 0) return false;
  processIds.push_back(outside);
  return true;
}
