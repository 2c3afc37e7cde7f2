#include "shortcut/ShortcutImporter.h"

#include "platform/log/Log.h"
#include "server/ConnServer.h"
#include "server/SignInValues.h"
#include "shortcut/ShortcutJson.h"
#include "shortcut/ShortcutSnapshot.h"
#include "shortcut/ShortcutTree.h"

namespace {
constexpr UINT kImportReady = WM_APP + 0x52;
}  // namespace

CShortcutImporter::~CShortcutImporter() {
  Cancel();
  if (GetHWND()) DestroyWindow(GetHWND());
}

bool CShortcutImporter::Start(DuiLib::CTreeViewUI* pTree, const std::string& groupId,
                              const std::string& path, ProgressCallback onProgress,
                              DoneCallback onDone, RowReader reader) {
  if (IsRunning() || !pTree) return false;
  Join();
  m_pTree = pTree;
  m_strGroupId = groupId;
  m_strPath = path;
  m_strToken = GetLoginToken();
  m_onProgress = std::move(onProgress);
  m_onDone = std::move(onDone);
  m_reader = reader ? std::move(reader) : RowReader(&CExcelReader::ReadExcelContent);
  m_bCancel = false;
  m_bDoneSeen = false;
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_vecAdded.clear();
    m_nDone = m_nTotal = 0;
    m_bFinished = false;
    m_outcome = {};
  }
  if (!GetHWND() && !Create(nullptr, "ShortcutImporter", 0, 0, 0, 0, 0, 0)) return false;
  m_hThread = CreateThread(nullptr, 0, &CShortcutImporter::ThreadProc, this, 0, nullptr);
  return m_hThread != nullptr;
}

void CShortcutImporter::Cancel() {
  m_bCancel = true;
  Join();
}

void CShortcutImporter::Join() {
  if (!m_hThread) return;
  WaitForSingleObject(m_hThread, INFINITE);
  CloseHandle(m_hThread);
  m_hThread = nullptr;
}

DWORD CShortcutImporter::ThreadProc(LPVOID param) {
  static_cast<CShortcutImporter*>(param)->Run();
  return 0;
}

void CShortcutImporter::Run() {
  TC_TRACE("CMainFrameWnd::ImportShortCut()");
  const std::vector<WECHATKUAIJIEDATA> rows = m_reader(m_strPath);
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_nTotal = static_cast<int>(rows.size());
    m_outcome.nRows = m_nTotal;
  }
  Post();
  for (const WECHATKUAIJIEDATA& row : rows) {
    if (m_bCancel) break;
    const std::string json =
        CShortcutJson::ImportedMessage(row.strTitle, row.strContent, m_strGroupId);
    std::vector<std::string> ids;
    CConnServer conn;
    const int result = conn.AddShortcutMsg(json, ids, m_strToken);
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      ++m_nDone;
      if (result > 0 && !ids.empty() && !ids.front().empty()) {
        m_vecAdded.push_back({ids.front(), row.strTitle, json});
        ++m_outcome.nAdded;
      } else {
        TC_LOGF(TC_LOG_WARN, "imported row \"%s\" refused (%d): %s", row.strTitle.c_str(), result,
                conn.m_strResultMsg.GetData());
        ++m_outcome.nFailed;
      }
    }
    Post();
  }
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_outcome.bCancelled = m_bCancel;
    m_bFinished = true;
  }
  Post();
}

void CShortcutImporter::Post() {
  if (!m_bCancel) PostMessageA(GetHWND(), kImportReady, 0, 0);
}

void CShortcutImporter::Drain() {
  if (m_bDoneSeen) return;  // a wake-up that was queued behind the last one
  std::vector<TAdded> added;
  int done = 0;
  int total = 0;
  bool finished = false;
  TImportOutcome outcome;
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    added.swap(m_vecAdded);
    done = m_nDone;
    total = m_nTotal;
    finished = m_bFinished;
    outcome = m_outcome;
  }
  CShortcutTree tree(m_pTree);
  DuiLib::CTreeNodeUI* group = tree.FindGroup(m_strGroupId);
  for (const TAdded& entry : added)
    tree.AddShortcutNode(group, entry.strId, entry.strTitle, entry.strJson);
  if (m_onProgress) m_onProgress(done, total);
  if (!finished) return;
  m_bDoneSeen = true;
  if (outcome.nAdded > 0) CShortcutSnapshot::Save(m_pTree, CShortcutSnapshot::DefaultPath());
  if (m_onDone) m_onDone(outcome);
}

LRESULT CShortcutImporter::HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) {
  if (uMsg != kImportReady) return CWindowWnd::HandleMessage(uMsg, wParam, lParam);
  Drain();
  return 0;
}

std::string CShortcutImporter::OutcomeText(const TImportOutcome& outcome) {
  if (outcome.nRows == 0) return kNoRowsText;
  if (outcome.nFailed == 0 && !outcome.bCancelled) return {};
  std::string text = "已导入 " + std::to_string(outcome.nAdded) + " 条";
  if (outcome.nFailed > 0)
    text += "，" + std::to_string(outcome.nFailed) + " 条导入失败, 请检查网络后重新导入这些行";
  if (outcome.bCancelled) text += "，导入已取消";
  return text + ".";
}
