#include "shortcut/ShortcutImporter.h"

#include "platform/log/Log.h"
#include "platform/win32/WindowPost.h"
#include "server/ConnServer.h"
#include "server/SignInValues.h"
#include "shortcut/ShortcutJson.h"
#include "shortcut/ShortcutSnapshot.h"
#include "shortcut/ShortcutTree.h"

#include <atomic>
#include <utility>

// What the importer and its thread share; the thread's reference keeps it alive when Cancel
// has stopped waiting.
struct CShortcutImporter::TShared {
  // Only ever dereferenced by callables posted to hWnd, which run while the importer lives.
  CShortcutImporter* pImporter = nullptr;
  HWND hWnd = nullptr;
  std::string strGroupId;
  std::string strPath;
  std::string strToken;
  RowReader reader;
  std::atomic<bool> bCancel{false};

  // Hands fn to the importer on the GUI thread, unless the import was cancelled.
  template <typename Fn>
  void Post(Fn&& fn) {
    if (!bCancel) win32::PostCall(hWnd, std::forward<Fn>(fn));
  }
};

CShortcutImporter::~CShortcutImporter() {
  Cancel();
  if (GetHWND()) DestroyWindow(GetHWND());
}

bool CShortcutImporter::Start(DuiLib::CTreeViewUI* pTree, const std::string& groupId,
                              const std::string& path, ProgressCallback onProgress,
                              DoneCallback onDone, RowReader reader) {
  if (IsRunning() || !pTree) return false;
  ReleaseThread();
  m_pTree = pTree;
  m_strGroupId = groupId;
  m_onProgress = std::move(onProgress);
  m_onDone = std::move(onDone);
  m_bDoneSeen = false;
  m_nDone = m_nTotal = 0;
  m_outcome = {};
  if (!GetHWND() && !Create(nullptr, "ShortcutImporter", 0, 0, 0, 0, 0, 0)) return false;
  m_pShared = std::make_shared<TShared>();
  m_pShared->pImporter = this;
  m_pShared->hWnd = GetHWND();
  m_pShared->strGroupId = groupId;
  m_pShared->strPath = path;
  m_pShared->strToken = GetLoginToken();
  m_pShared->reader = reader ? std::move(reader) : RowReader(&CExcelReader::ReadExcelContent);
  auto* threadShare = new std::shared_ptr<TShared>(m_pShared);
  m_hThread = CreateThread(nullptr, 0, &CShortcutImporter::ThreadProc, threadShare, 0, nullptr);
  if (!m_hThread) {
    delete threadShare;
    m_pShared.reset();
    return false;
  }
  return true;
}

void CShortcutImporter::Cancel() {
  if (m_pShared) m_pShared->bCancel = true;
  ReleaseThread();
}

void CShortcutImporter::ReleaseThread() {
  if (!m_hThread) return;
  // The row in progress may be a request of up to 13 s: the thread is not waited for longer
  // than this, and once cancelled it posts nothing more.
  if (WaitForSingleObject(m_hThread, kStopWaitMs) == WAIT_TIMEOUT)
    TC_LOG(TC_LOG_INFO, "the import thread is left to end on its own");
  CloseHandle(m_hThread);
  m_hThread = nullptr;
  m_pShared.reset();
}

DWORD CShortcutImporter::ThreadProc(LPVOID param) {
  const std::unique_ptr<std::shared_ptr<TShared>> shared(
      static_cast<std::shared_ptr<TShared>*>(param));
  Run(*shared);
  return 0;
}

void CShortcutImporter::Run(const std::shared_ptr<TShared>& shared) {
  TC_TRACE("CShortcutImporter::Run()");
  CShortcutImporter* importer = shared->pImporter;
  const std::vector<WECHATKUAIJIEDATA> rows = shared->reader(shared->strPath);
  const int total = static_cast<int>(rows.size());
  shared->Post([importer, total] { importer->OnRowsRead(total); });
  int number = 0;
  for (const WECHATKUAIJIEDATA& row : rows) {
    if (shared->bCancel) break;
    ++number;
    if (row.strContent.find_first_not_of(" \t\r\n") == std::string::npos) {
      shared->Post([importer] { importer->OnRowDone(nullptr, {}, true); });
      continue;
    }
    const std::string json =
        CShortcutJson::ImportedMessage(row.strTitle, row.strContent, shared->strGroupId);
    std::vector<std::string> ids;
    CConnServer conn;
    const int result = conn.AddShortcutMsg(json, ids, shared->strToken);
    std::unique_ptr<TAdded> added;
    std::string refusal;
    if (result > 0 && !ids.empty() && !ids.front().empty()) {
      added.reset(new TAdded{ids.front(), row.strTitle, json});
    } else {
      TC_LOGF(TC_LOG_WARN, "imported row \"%s\" refused (%d): %s", row.strTitle.c_str(), result,
              conn.m_strResultMsg.GetData());
      // The server said why: that is what the operator needs to mend the row.
      if (result == kConnRefused) {
        std::string reason = conn.m_strResultMsg.str();
        if (reason.empty()) reason = "服务器拒绝";
        refusal = "第" + std::to_string(number) + "条「" + row.strTitle + "」: " + reason;
      }
    }
    shared->Post([importer, added = std::move(added), refusal] {
      importer->OnRowDone(added.get(), refusal, false);
    });
  }
  const bool cancelled = shared->bCancel;
  shared->Post([importer, cancelled] { importer->OnFinished(cancelled); });
}

void CShortcutImporter::OnRowsRead(int total) {
  m_nTotal = total;
  m_outcome.nRows = total;
  if (m_onProgress) m_onProgress(m_nDone, m_nTotal);
}

void CShortcutImporter::OnRowDone(const TAdded* added, const std::string& refusal, bool skipped) {
  ++m_nDone;
  if (skipped) {
    ++m_outcome.nSkipped;
  } else if (!refusal.empty()) {
    m_outcome.refusals.push_back(refusal);
  } else if (added) {
    ++m_outcome.nAdded;
    CShortcutTree tree(m_pTree);
    // Found again by id: a group deleted meanwhile just gets nothing.
    DuiLib::CTreeNodeUI* group = tree.FindGroup(m_strGroupId);
    // The operator keeps their place: the tree does not follow each row added.
    const SIZE scrolled = m_pTree->GetScrollPos();
    tree.AddShortcutNode(group, added->strId, added->strTitle, added->strJson);
    m_pTree->SetScrollPos(scrolled);
  } else {
    ++m_outcome.nFailed;
  }
  if (m_onProgress) m_onProgress(m_nDone, m_nTotal);
}

void CShortcutImporter::OnFinished(bool cancelled) {
  if (m_bDoneSeen) return;
  m_bDoneSeen = true;
  m_outcome.bCancelled = cancelled;
  if (m_outcome.nAdded > 0) CShortcutSnapshot::Save(m_pTree, CShortcutSnapshot::DefaultPath());
  if (m_onDone) m_onDone(m_outcome);
}

std::string CShortcutImporter::OutcomeText(const TImportOutcome& outcome) {
  if (outcome.nRows == 0) return kNoRowsText;
  if (outcome.nFailed == 0 && outcome.nSkipped == 0 && outcome.refusals.empty() &&
      !outcome.bCancelled)
    return {};
  std::string text = "已导入 " + std::to_string(outcome.nAdded) + " 条";
  if (outcome.nSkipped > 0) text += "，" + std::to_string(outcome.nSkipped) + " 条没有内容，已跳过";
  if (!outcome.refusals.empty())
    text += "，" + std::to_string(outcome.refusals.size()) + " 条被服务器拒绝";
  if (outcome.nFailed > 0)
    text += "，" + std::to_string(outcome.nFailed) + " 条导入失败, 请检查网络后重新导入这些行";
  if (outcome.bCancelled) text += "，导入已取消";
  text += ".";
  // The refused rows one a line, the first ten of them: enough to find and mend them.
  constexpr size_t kListed = 10;
  for (size_t i = 0; i < outcome.refusals.size() && i < kListed; ++i)
    text += "\n" + outcome.refusals[i];
  if (outcome.refusals.size() > kListed)
    text += "\n……另有 " + std::to_string(outcome.refusals.size() - kListed) + " 条";
  return text;
}
