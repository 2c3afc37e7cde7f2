// CWebchatMan: the chat-client copies as the main frame sees them. It is a child window of the
// frame (class "webchat", skin "webchat.xml") in which the current copy's window is shown, and
// the layout control that places that window. Everything else (processes, discovery threads,
// run data, input) is the copies engine, CWebchatEngine (wechat/WebchatEngine.h), to which the
// operations below forward; the manager is the engine's sink and posts
// WM_USER_MSG_MAINFRAME_WECHATEXIT to its owner when a copy's main window goes away.
//
// Threads: as the engine's; the exit post comes from a discovery thread (PostMessageA is safe
// from any thread).
#pragma once

#include "excel/ExcelReader.h"
#include "platform/ui/core/ContainerUI.h"
#include "platform/ui/window/WindowImplBase.h"
#include "wechat/WebchatEngine.h"

#include <memory>
#include <string>
#include <vector>

class CWebchatMan : public DuiLib::WindowImplBase,
                    public DuiLib::CContainerUI,
                    private IWebchatEngineSink {
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

  // The engine the operations below forward to; lives as long as the manager.
  CWebchatEngine& Engine() { return *m_pEngine; }

  static void InitEnv(PFN_WECHATUICALLBACK uiCallback, PFN_WECHATCFGCALLBACK cfgCallback,
                      void* context) {
    CWebchatEngine::InitEnv(uiCallback, cfgCallback, context);
  }
  static bool IsWeChatInstalled() { return CWebchatEngine::IsWeChatInstalled(); }
  static std::string GetWeChatExePath() { return CWebchatEngine::GetWeChatExePath(); }
  static std::string GetWeChatCfgDir() { return CWebchatEngine::GetWeChatCfgDir(); }

  bool RunWeChat(const char* key) { return m_pEngine->RunWeChat(key); }
  bool StopWeChat(const char* key) { return m_pEngine->StopWeChat(key); }
  void SwitchWeChat(const char* key) { m_pEngine->SwitchWeChat(key); }
  bool GetWeChatRunData(WECHATRUNDATA& data, const std::string& key) {
    return m_pEngine->GetWeChatRunData(data, key);
  }
  std::string GetCurrWeChat() { return m_pEngine->GetCurrWeChat(); }
  std::vector<std::string> GetClosedWeChats() { return m_pEngine->GetClosedWeChats(); }
  void ClearClosedWeChats() { m_pEngine->ClearClosedWeChats(); }
  std::vector<std::string> TakeClosedWeChats() { return m_pEngine->TakeClosedWeChats(); }
  bool IsHasWeChatRunByWeChatPC(std::vector<DWORD>& processIds) {
    return m_pEngine->IsHasWeChatRunByWeChatPC(processIds);
  }

  // Moves the manager to rect (in the owner's client coordinates) and re-places the
  // current copy's window.
  void SetPos(RECT rect, bool bNeedInvalidate = true) override;

  bool InputTextVec(const char* key, std::vector<INPUTDATA> items) {
    return m_pEngine->InputTextVec(key, std::move(items));
  }
  void SendCurrText(const char* key) { m_pEngine->SendCurrText(key); }
  bool SendImageByCopy(const char* key, const char* imagePath) {
    return m_pEngine->SendImageByCopy(key, imagePath);
  }
  static std::string GetTempBitmapPath() { return CWebchatEngine::GetTempBitmapPath(); }
  void SetInputObserver(IWebchatInputObserver* observer) { m_pEngine->SetInputObserver(observer); }

  // The design's spreadsheet entry; the reader is CExcelReader (excel/ExcelReader.h).
  static std::vector<WECHATKUAIJIEDATA> ReadExcelContent(const std::string& path) {
    return CExcelReader::ReadExcelContent(path);
  }

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
  // Posts WM_USER_MSG_MAINFRAME_WECHATEXIT to the owner (the engine has queued the key).
  void OnWeChatExit(const std::string& key) override;
  // The engine's sink: this manager, or none without an owner to read the exit queue.
  IWebchatEngineSink* SinkFor(HWND ownerWnd) { return ownerWnd ? this : nullptr; }

  HWND m_hWndOwner = nullptr;
  HWND m_hWndHost = nullptr;
  std::unique_ptr<CWebchatEngine> m_pEngine;
};
