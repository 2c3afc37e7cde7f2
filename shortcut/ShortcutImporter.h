// Importing quick replies from a spreadsheet into a group, off the GUI thread.
//
// A worker thread reads the rows (title in column 1, text in column 2, under a header row;
// CExcelReader::ReadExcelContent) and adds one message per row on the server, one text item
// each. The GUI thread gets, through a hidden window, each added message (it adds the node
// under the group, found again by id, so a group deleted meanwhile just gets nothing) and
// the progress; at the end it saves the snapshot once and reports the outcome.
//
// Outcome texts (shown by the caller): no rows "未读取到有效数据." (caption "快捷语导入");
// otherwise a summary of how many rows were added and how many the server refused.
// Cancel (or destruction) stops after the row in progress and waits for the thread.
#pragma once

#include "excel/ExcelReader.h"
#include "platform/ui/window/WindowWnd.h"
#include "platform/win32/Sync.h"

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace DuiLib {
class CTreeViewUI;
}

struct TImportOutcome {
  int nRows = 0;    // rows read from the sheet
  int nAdded = 0;   // messages the server added (and nodes made)
  int nFailed = 0;  // rows the server refused or that could not be sent
  bool bCancelled = false;
};

class CShortcutImporter : private DuiLib::CWindowWnd {
 public:
  // (rows done, rows in all); the total is 0 while the sheet is being read.
  using ProgressCallback = std::function<void(int done, int total)>;
  using DoneCallback = std::function<void(const TImportOutcome&)>;
  // Reads the sheet; replaceable for tests.
  using RowReader = std::function<std::vector<WECHATKUAIJIEDATA>(const std::string& path)>;

  static constexpr const char* kCaption = "快捷语导入";
  static constexpr const char* kNoRowsText = "未读取到有效数据.";

  CShortcutImporter() = default;
  ~CShortcutImporter() override;
  CShortcutImporter(const CShortcutImporter&) = delete;
  CShortcutImporter& operator=(const CShortcutImporter&) = delete;

  // Starts importing `path` into the group `groupId` of `pTree`; false when an import runs.
  bool Start(DuiLib::CTreeViewUI* pTree, const std::string& groupId, const std::string& path,
             ProgressCallback onProgress, DoneCallback onDone, RowReader reader = {});
  void Cancel();
  bool IsRunning() const { return m_hThread != nullptr && !m_bDoneSeen; }

  // The text the operator sees for an outcome (empty: nothing to say).
  static std::string OutcomeText(const TImportOutcome& outcome);

 private:
  struct TAdded {
    std::string strId;
    std::string strTitle;
    std::string strJson;
  };

  static DWORD ThreadProc(LPVOID param);
  void Run();
  void Post();
  void Drain();
  void Join();

  LPCTSTR GetWindowClassName() const override { return "ShortcutImporter"; }
  LRESULT HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) override;

  DuiLib::CTreeViewUI* m_pTree = nullptr;
  std::string m_strGroupId;
  std::string m_strPath;
  std::string m_strToken;
  ProgressCallback m_onProgress;
  DoneCallback m_onDone;
  RowReader m_reader;
  HANDLE m_hThread = nullptr;
  std::atomic<bool> m_bCancel{false};
  bool m_bDoneSeen = false;

  std::mutex m_mutex;  // guards the block below
  std::vector<TAdded> m_vecAdded;
  int m_nDone = 0;
  int m_nTotal = 0;
  bool m_bFinished = false;
  TImportOutcome m_outcome;
};
