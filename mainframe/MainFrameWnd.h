// CMainFrameWnd: the workbench's one long-lived window. Left, the account list and the add
// button; right ("mainframe_right"), the chat-client copy on show, placed by CWebchatMan;
// beside it the quick-message panel ("shortcut_panel": CShortcutPanel, MainFrameShortcut.cpp).
// Around them the caption buttons, the top menu, the notice strip, the web-site and support
// links and the notification-area icon. Its destruction ends the program.
//
// The copy manager reports from its threads by posted messages (0x402 to 0x405) whose heap
// payloads the frame owns on delivery; everything else runs on the GUI thread.
//
// The copy operations (AddWebChat ... SetCoverWndPos) are in MainFrameWebchats.cpp, the
// message handling in MainFrameMessages.cpp.
#pragma once

#include "app/WindowIds.h"
#include "mainframe/TrayIconImpl.h"
#include "platform/ui/UIlib.h"
#include "shortcut/ShortcutPanel.h"
#include "wechat/WebchatData.h"

#include <memory>
#include <string>

class CCoverWnd;
class CDPI;
class CDwm;
class CMsgWnd;
class CShadowFrameWnd;
class CWebchatElementUI;
class CWebchatListUI;
class CWebchatMan;
class CWebchatRowHint;
class CClipboardKeeper;

class CMainFrameWnd : public DuiLib::WindowImplBase,
                      public CTrayIconImpl<CMainFrameWnd>,
                      private IShortcutPanelHost {
 public:
  CMainFrameWnd();
  ~CMainFrameWnd() override;

  CWebchatMan* GetWebchatMan() const { return m_pWebchatMan; }
  CWebchatListUI* GetWebchatList() const { return m_pWebchatList; }
  CShortcutPanel* GetShortcutPanel() const { return m_pShortcutPanel.get(); }
  // Whether a modal window of the frame is open and the frame dimmed behind it (the overlay
  // itself shows only where windows can be translucent).
  bool IsDimmedForModal() const { return m_nModalDepth > 0; }

  // Copy management.
  void AddWebChat();
  void KickoffWebChat(CWebchatElementUI* pEntry);
  void CloseWebchats();
  void ReleaseWebChats();
  void OnWebchatExit();
  void SetAddWebchatEnable(bool bEnable);
  void SetCoverWndPos(HWND hLoginWnd, HWND hMainWnd);
  // Commands of the pop-up menus (0x4FF).
  void OnMenu(int nCommand);

  // The instance key of a new copy: a new GUID as "%08X-%04X-%04x-%02X%02X-%02X...".
  static std::string MakeInstanceKey();
  // The picture file name of an account: its key-40 slot and id, or a new key when both are
  // empty. Bytes that could leave the folder (separators, "..", control bytes) become "_".
  static std::string MakeFaceFileName(const std::string& key40, const std::string& weChatId);

  // The window class, for FindWindowA and the tests.
  static constexpr const char* kWindowClass = "TandemChat";

  // hooks of WindowImplBase
  void InitWindow() override;
  void Notify(DuiLib::TNotifyUI& msg) override;
  void OnClick(DuiLib::TNotifyUI& msg) override;
  void OnLink(DuiLib::TNotifyUI& msg);
  DuiLib::CControlUI* CreateControl(LPCTSTR pstrClass) override;
  LRESULT MessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled) override;
  LRESULT HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) override;
  LRESULT HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) override;
  LRESULT OnClose(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) override;
  LRESULT OnDestroy(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) override;
  LRESULT OnSysCommand(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) override;
  LRESULT OnKeyDown(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) override;
  void OnFinalMessage(HWND hWnd) override;
  UINT GetClassStyle() const override;
  LONG GetStyle() override;

  DUI_DECLARE_MESSAGE_MAP()

 protected:
  LPCTSTR GetWindowClassName() const override { return kWindowClass; }
  DuiLib::CDuiString GetSkinFolder() override { return "skin/"; }
  DuiLib::CDuiString GetSkinFile() override { return "tandem_chats.xml"; }

 private:
  // Window callbacks given to the manager: they only post to the frame.
  static void OnWeChatUI(void* context, const std::string& key, HWND loginWnd, HWND mainWnd);
  static void OnWeChatCfg(void* context, const std::string& key, const WECHATCFGDATA& cfg);

  void OnTimer(UINT_PTR nId);
  void OnLButtonDown(POINT pt);
  void OnTrayIcon(UINT mouseMessage);
  void OnWeChatWindowFound(UINT uMsg, WPARAM wParam, LPARAM lParam);
  void OnWeChatProfile(WPARAM wParam, LPARAM lParam);
  void OnWeChatSelected(HWND hMainWnd);
  void OnCopyData(WPARAM wParam, LPARAM lParam);
  void DoRepaintWork();
  void PollTip();
  // The modal child windows and the tip window (MainFrameDialogs.cpp).
  static constexpr int kMyCenterPasswordPage = 0;
  static constexpr int kMyCenterAboutPage = 1;
  void RunModalChild(DuiLib::WindowImplBase& window);
  void OpenMyCenter(int nPage);
  void OpenFeedback();
  void CheckForUpdate();
  void ShowTipWindow(const std::string& text);
  void DestroyMsgWnd();
  void ShowTrayMenu();
  void ShowFrameFromTray();
  void ToggleTopMenu(DuiLib::CControlUI* pButton);
  void HidePopups();
  void HideIfOutside(const char* name, POINT pt);
  void StyleListScrollBar();
  void UpdateCounter();
  void ScrollListToEnd();
  // Keyboard switching and the rows' tips (MainFrameKeys.cpp).
  void InitSwitchKeys();
  bool OnSwitchKey(WPARAM vk);
  void RefreshRowHints();
  // The operator's clipboard kept around inserts (MainFrameClipboard.cpp).
  void InitClipboardKeeper();
  void ReleaseClipboardKeeper();
  void OnClipboardTimer();

  // The quick-message panel (MainFrameShortcut.cpp).
  void InitShortcutPanel();
  void ReleaseShortcutPanel();
  bool NotifyShortcutPanel(DuiLib::TNotifyUI& msg);
  void OnItemDBClick(DuiLib::TNotifyUI& msg);
  void EditContactNote(CWebchatElementUI* pEntry);
  void ShowShortcutMenu(POINT pt);
  void OnShortcutTimer();
  HWND PanelOwner() override;
  CWebchatEngine* PanelManager() override;
  bool HasAccountList() override;
  std::string SelectedAccountKey() override;
  void StartSendTimer(UINT milliseconds) override;
  void ShowImportProgress(int done, int total) override;
  void DimForModal(bool dim) override;

  CWebchatListUI* m_pWebchatList = nullptr;
  std::unique_ptr<CWebchatListUI> m_pKickedList;
  CWebchatMan* m_pWebchatMan = nullptr;
  std::unique_ptr<CShortcutPanel> m_pShortcutPanel;
  std::unique_ptr<DuiLib::CWndShadow> m_pShadow;
  CShadowFrameWnd* m_pShadowFrame = nullptr;
  int m_nModalDepth = 0;  // modal windows open over the frame
  CCoverWnd* m_pCoverWnd = nullptr;
  CMsgWnd* m_pMsgWnd = nullptr;
  std::unique_ptr<CDwm> m_pDwm;
  std::unique_ptr<CDPI> m_pDPI;
  bool m_bRButtonDown = false;
  std::string m_strAddingWeChat;
  RECT m_rcWebchatMan{};
  RECT m_rcCover{};
  std::unique_ptr<CWebchatRowHint> m_pRowHint;
  std::unique_ptr<CClipboardKeeper> m_pClipboardKeeper;
};
