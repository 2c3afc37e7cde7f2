// Importing quick replies from a spreadsheet into a group, off the GUI thread.
//
// A worker thread reads the rows (title in column 1, text in column 2, under a header row;
// CExcelReader::ReadExcelContent) and adds one message per row on the server, one text item
// each. The GUI thread gets, through a hidden window, each added message (it adds the node
// under the group, found again by id, so a group deleted meanwhile just gets nothing) and
// the progress; at the end it saves the snapshot once and reports the outcome. The worker
// hands each of these over as a callable posted to that window (win32::PostCall).
//
// Outcome texts (shown by the caller): no rows "未读取到有效数据." (caption "快捷语导入");
// otherwise a summary of how many rows were added, how many were skipped for want of
// content (they are not sent: they would make a message that sends nothing), which rows the
// server refused and why, and how many could not be sent at all.
// Cancel (or destruction) stops after the row in progress: it waits for the thread up to
// kStopWaitMs, then leaves it to finish on its own; from then on the thread posts nothing and
// holds nothing of the importer but the state they share.
#pragma once

#include "excel/ExcelReader.h"
#include "platform/ui/window/WindowWnd.h"
#include "platform/win32/Sync.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace DuiLib {
class CTreeViewUI;
}

struct TImportOutcome {
  int nRows = 0;    // rows read from the sheet
  int nAdded = 0;   // messages the server added (and nodes made)
  int nFailed = 0;  // rows that could not be sent (network, no answer)
  bool bCancelled = false;
  int nSkipped = 0;                   // rows without content, not sent
  std::vector<std::string> refusals;  // rows the server refused: "第N条「title」: reason"
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
  // How long Cancel waits for the row in progress (a request gives up after 13 s).
  static constexpr DWORD kStopWaitMs = 2000;

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
  // A row the server added: the node to make.
  struct TAdded {
    std::string strId;
    std::string strTitle;
    std::string strJson;
  };
  struct TShared;

  static DWORD ThreadProc(LPVOID param);
  static void Run(const std::shared_ptr<TShared>& shared);
  // GUI side, in the order the thread posted them.
  void OnRowsRead(int total);
  // added: the row's message; otherwise refusal (the server's reason) or a failure to send
  // (both empty), or a skipped row.
  void OnRowDone(const TAdded* added, const std::string& refusal, bool skipped);
  void OnFinished(bool cancelled);
  // Ends the wait for the thread (bounded) and lets its handle go.
  void ReleaseThread();

  LPCTSTR GetWindowClassName() const override { return "ShortcutImporter"; }

  DuiLib::CTreeViewUI* m_pTree = nullptr;
  std::string m_strGroupId;
  ProgressCallback m_onProgress;
  DoneCallback m_onDone;
  std::shared_ptr<TShared> m_pShared;
  HANDLE m_hThread = nullptr;
  bool m_bDoneSeen = false;
  int m_nDone = 0;
  int m_nTotal = 0;
  TImportOutcome m_outcome;
};
