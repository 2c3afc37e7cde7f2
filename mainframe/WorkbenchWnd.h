// The workbench window as it stands: signs in with the remembered account, runs copies of
// the chat client up to the granted number, lists them and shows the chosen one.
#pragma once

#include "platform/ui/UIlib.h"
#include "wechat/WebchatMan.h"

#include <string>

class CWorkbenchWnd : public DuiLib::WindowImplBase {
 public:
  CWorkbenchWnd() = default;

  void InitWindow() override;
  void Notify(DuiLib::TNotifyUI& msg) override;
  DuiLib::CControlUI* CreateControl(LPCTSTR pstrClass) override;
  LRESULT HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) override;
  LRESULT OnClose(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) override;
  void OnFinalMessage(HWND hWnd) override;

 protected:
  LPCTSTR GetWindowClassName() const override { return "TandemChat"; }
  DuiLib::CDuiString GetSkinFolder() override { return "skin/"; }
  DuiLib::CDuiString GetSkinFile() override { return "workbench.xml"; }

 private:
  // Discovery threads report through these; they post to the window with heap payloads.
  static void OnWeChatUI(void* context, const std::string& key, HWND loginWnd, HWND mainWnd);
  static void OnWeChatCfg(void* context, const std::string& key, const WECHATCFGDATA& cfg);

  void SignIn();
  void AddWeChat();
  void RemoveCurrentWeChat();
  void SelectWeChat(const std::string& key);
  void SetRowText(const std::string& key, const std::string& text);
  void RemoveRow(const std::string& key);
  int RowCount() const;
  void ShowStatus(const std::string& text);

  CWebchatMan* m_pWebchatMan = nullptr;
  DuiLib::CListUI* m_pList = nullptr;
  int m_nQuota = 0;
};
