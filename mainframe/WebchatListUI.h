// CWebchatListUI: the account list on the left of the main frame, one CWebchatElementUI per
// running copy. Selecting a row hides the copy shown before, makes the row's copy current
// and shows it: the selected row always decides which copy is on show.
//
// It also keeps the remark of each account id (the title shown instead of the nickname) and
// stores them in the remark file beside the quick-message snapshot.
#pragma once

#include "platform/ui/UIlib.h"

#include <map>
#include <string>

class CMainFrameWnd;
class CWebchatElementUI;

class CWebchatListUI : public DuiLib::CListUI {
 public:
  // pMainFrame may be null (a list that switches no copies, as the kicked-row holder).
  explicit CWebchatListUI(CMainFrameWnd* pMainFrame);
  ~CWebchatListUI() override;

  // Appends a row named key, numbered count + 1, and selects it.
  void AddWebChatItem(const DuiLib::CDuiString& key);
  CWebchatElementUI* GetWebchatItemAt(int index) const;
  // The first row named key (exact), or null.
  CWebchatElementUI* FindWebchatItem(const std::string& key) const;
  bool SaveRemarks();
  bool SelectItem(int iIndex, bool bTakeFocus = false, bool bTriggerEvent = true) override;

  // The remark file (GetRemarkFilePath): a file of its own beside the quick-message snapshot.
  static std::string RemarksPath();

  std::map<std::string, std::string> m_mapRemarks;

 private:
  void LoadRemarks();
  void HideCopyOfRow(int index);
  void ShowCopyOfRow(int index);

  CMainFrameWnd* m_pMainFrame;
};
