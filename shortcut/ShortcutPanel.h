// CShortcutPanel: the quick-message panel of the main frame, the logic behind the tree
// "shortcut_tree", its buttons, menus and search box. The frame owns one for the life of its
// window, forwards the panel's notifications, timer 3 and menu commands to it, and answers
// the few questions the panel asks through IShortcutPanelHost.
//
//   single click on a node   cite: the node's items into the selected copy's box, not sent
//   double click on a node   send: item by item through the send queue (timer 3, 10 ms)
//   menu 4001/4002           send / cite the selected message
//   menu 4003/5001/5003      the editor in mode 3 / 2 / 1; "shortcut_add" mode 0
//   menu 4004/5004           delete the selected message / group, after the operator agrees
//   menu 5002                import a spreadsheet into the selected group (worker thread)
//   "shortcut_download"      save the import template
//   "shortcut_search"        filter the tree; Enter cites the first hit, Ctrl+Enter sends it
//
// GUI thread only.
#pragma once

#include "platform/ui/core/UIDefine.h"
#include "shortcut/ShortcutImporter.h"
#include "shortcut/ShortcutSearch.h"
#include "shortcut/ShortcutSender.h"
#include "shortcut/ShortcutWnd.h"

#include <memory>
#include <string>

class CWebchatEngine;

class IShortcutPanelHost {
 public:
  virtual ~IShortcutPanelHost() = default;
  // The frame's window: owner of boxes and dialogs.
  virtual HWND PanelOwner() = 0;
  // The copies engine of the instance manager, or null while there is none.
  virtual CWebchatEngine* PanelManager() = 0;
  // Whether the account list exists, and the instance key of its selected entry (empty:
  // none selected).
  virtual bool HasAccountList() = 0;
  virtual std::string SelectedAccountKey() = 0;
  // Timer 3 of the frame, to fire once after `milliseconds` (the frame kills it when it
  // fires, then calls OnSendTimer).
  virtual void StartSendTimer(UINT milliseconds) = 0;
  // Import progress for the frame to show (total 0: the sheet is being read); called with
  // done == total at the end, and (-1, -1) when the import is over.
  virtual void ShowImportProgress(int done, int total) = 0;
  // Dims the frame behind the editor (true) and lifts it again (false), as for the frame's
  // other modal windows.
  virtual void DimForModal(bool dim) = 0;
};

class CShortcutPanel : private IShortcutTarget {
 public:
  static constexpr UINT kSendTimerId = 3;
  static constexpr const char* kTreeName = "shortcut_tree";
  static constexpr const char* kMessageMenu = "shortcut_menu.xml";
  static constexpr const char* kGroupMenu = "shortcut_group_menu.xml";
  static constexpr const char* kEmptyImage =
      "file='shortcut_none.png' dest='80,160,201,278' source='0,0,121,118'";

  CShortcutPanel(IShortcutPanelHost& host, DuiLib::CTreeViewUI* pTree);
  ~CShortcutPanel() override;

  // Builds the frame's mode-4 instance and starts loading the tree. A list that cannot be
  // loaded is said so below the tree ("shortcut_load_failed") with a reload button; F5
  // reloads too (OnKey).
  bool Init(CShortcutLoader::DoneCallback onLoaded = {});
  static constexpr const char* kLoadFailedBar = "shortcut_load_failed";
  static constexpr const char* kReloadButton = "shortcut_reload";
  // Loads the list again after a failed load; false (nothing done) otherwise.
  bool Reload();
  bool LoadFailed() const { return m_bLoadFailed; }
  // A key of the frame; true when the panel took it.
  bool OnKey(WPARAM vk);

  // A notification of the frame; true when it was the panel's. `rightButtonDown`: the frame's
  // m_bRButtonDown (an item click while the right button is held is not a cite).
  bool Notify(DuiLib::TNotifyUI& msg, bool rightButtonDown);
  bool OnMenu(int command);
  void OnSendTimer();

  void CiteByClick(DuiLib::CControlUI* pNode);
  void CiteShortcut();
  void SendShortcut();
  void DownloadShortcut();
  void ImportShortCut();
  void Search(const std::string& query);
  // Enter in the search box: cite (or with `send`, send) the first hit.
  void OnSearchReturn(bool send);

  // The menu file for a right click at `point` (frame client coordinates): the message menu
  // or the group menu when the point is on the selected node, else null.
  const char* ContextMenuAt(POINT point) const;
  // Empty-state picture while the tree has no group (call on repaint).
  void UpdateEmptyState();

  DuiLib::CTreeViewUI* GetTree() const { return m_pTree; }
  CShortcutWnd* GetLoader() const { return m_pLoader.get(); }
  const CShortcutImporter& GetImporter() const { return m_importer; }
  bool IsSending() const { return m_sender.IsSending(); }

 private:
  // IShortcutTarget, through the host's manager.
  std::string SelectedKey() override;
  std::string CurrentKey() override;
  bool InputTextVec(const std::string& key, const std::vector<INPUTDATA>& items) override;
  void SendCurrText(const std::string& key) override;
  bool SendImageByCopy(const std::string& key, const std::string& path) override;
  void ShowMessage(const std::string& text, const std::string& caption, UINT type) override;
  void StartSendTimer(UINT milliseconds) override;

  DuiLib::CTreeNodeUI* SelectedNode() const;
  DuiLib::CTreeNodeUI* SelectedGroup() const;
  void OpenEditor(int mode);
  void DeleteSelected(bool group);
  void ReportPictures(const TShortcutItems& items);

  IShortcutPanelHost& m_host;
  DuiLib::CTreeViewUI* m_pTree;
  std::unique_ptr<CShortcutWnd> m_pLoader;
  CShortcutSender m_sender;
  CShortcutSearch m_search;
  CShortcutImporter m_importer;
  CShortcutLoader::DoneCallback m_onLoaded;
  bool m_bLoadFailed = false;
};
