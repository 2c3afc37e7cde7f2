#include "shortcut/ShortcutLoader.h"

#include "platform/log/Log.h"
#include "platform/win32/Process.h"
#include "platform/win32/WindowPost.h"
#include "server/ConnServer.h"
#include "server/SignInValues.h"
#include "shortcut/ShortcutListReply.h"
#include "shortcut/ShortcutTree.h"

#include <atomic>
#include <utility>

namespace {

// Entries handed over at once: large enough that a library of thousands of messages costs a
// few dozen posts, small enough that the first groups show while the rest is read.
constexpr size_t kBatchSize = 256;
// Questions of the reader between two looks at the stop event.
constexpr unsigned kEventPollEvery = 64;

}  // namespace

// What the loader and its thread share; the thread's reference keeps it alive when Stop has
// stopped waiting.
struct CShortcutLoader::TShared {
  explicit TShared(CShortcutLoader* owner, HWND window, HANDLE stopEvent)
      : pLoader(owner), hWnd(window), hStopEvent(stopEvent), strToken(GetLoginToken()) {}
  ~TShared() { CloseHandle(hStopEvent); }
  TShared(const TShared&) = delete;
  TShared& operator=(const TShared&) = delete;

  // Only ever dereferenced by callables posted to hWnd, which run while the loader lives.
  CShortcutLoader* const pLoader;
  const HWND hWnd;
  const HANDLE hStopEvent;
  const std::string strToken;
  std::atomic<bool> bStop{false};
  unsigned nPolls = 0;  // the thread's

  bool StopRequested() {
    if (bStop) return true;
    // The event is polled with a zero wait, but not after every message: a zero-time wait
    // costs about 0.1 ms here, a full second for a library of 10,000 messages. The flag, set
    // together with the event, is seen at once.
    if (++nPolls % kEventPollEvery == 0 && WaitForSingleObject(hStopEvent, 0) == WAIT_OBJECT_0)
      bStop = true;
    return bStop;
  }
};

// Collects entries on the list thread and posts them to the loader's window in batches.
class CShortcutLoader::CBatchSink : public IShortcutListSink {
 public:
  explicit CBatchSink(TShared& shared) : m_shared(shared) {}
  bool StopRequested() override { return m_shared.StopRequested(); }
  void OnGroup(const std::string& id, const std::string& title) override {
    Push({true, id, title, {}});
  }
  void OnMessage(const std::string& id, const std::string& title,
                 const std::string& json) override {
    Push({false, id, title, json});
  }
  void Flush() {
    if (m_batch.empty() || m_shared.bStop) return;
    CShortcutLoader* loader = m_shared.pLoader;
    win32::PostCall(m_shared.hWnd,
                    [loader, batch = std::exchange(m_batch, {})] { loader->AddEntries(batch); });
  }

 private:
  void Push(TEntry&& entry) {
    m_batch.push_back(std::move(entry));
    if (m_batch.size() >= kBatchSize) Flush();
  }
  TShared& m_shared;
  std::vector<TEntry> m_batch;
};

CShortcutLoader::~CShortcutLoader() {
  Stop();
}

bool CShortcutLoader::Start(DuiLib::CTreeViewUI* pTree, DuiLib::CTreeNodeUI* pSentinel,
                            DoneCallback onDone) {
  if (m_hThread || !pTree) return false;
  m_pTree = pTree;
  m_pSentinel = pSentinel;
  m_onDone = std::move(onDone);
  if (!GetHWND() && !Create(nullptr, "ShortcutLoader", 0, 0, 0, 0, 0, 0)) {
    TC_LOG(TC_LOG_ERROR, "the list thread's window cannot be made");
    return false;
  }
  HANDLE stopEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  if (!stopEvent) return false;
  m_pShared = std::make_shared<TShared>(this, GetHWND(), stopEvent);
  auto* threadShare = new std::shared_ptr<TShared>(m_pShared);
  m_hThread = CreateThread(nullptr, 0, &CShortcutLoader::ThreadProc, threadShare, 0, nullptr);
  if (!m_hThread) {
    TC_LOG(TC_LOG_ERROR, "the list thread cannot be started");
    delete threadShare;
    m_pShared.reset();
    return false;
  }
  return true;
}

void CShortcutLoader::Stop() {
  if (m_pShared) {
    m_pShared->bStop = true;
    SetEvent(m_pShared->hStopEvent);
  }
  if (m_hThread) {
    // A thread inside its request is not waited for: it ends on its own, and what it posts
    // then goes nowhere.
    if (WaitForSingleObject(m_hThread, kStopWaitMs) == WAIT_TIMEOUT)
      TC_LOG(TC_LOG_INFO, "the list thread is left to end on its own");
    CloseHandle(m_hThread);
    m_hThread = nullptr;
  }
  m_pShared.reset();
  // Batches still queued are dropped with the window.
  if (GetHWND()) DestroyWindow(GetHWND());
}

DWORD CShortcutLoader::ThreadProc(LPVOID param) {
  const std::unique_ptr<std::shared_ptr<TShared>> shared(
      static_cast<std::shared_ptr<TShared>*>(param));
  Run(*shared);
  return 0;
}

void CShortcutLoader::Run(const std::shared_ptr<TShared>& shared) {
  TC_TRACE("CShortcutLoader::Run()");
  CBatchSink sink(*shared);
  CDuiString replyPath;
  CConnServer conn;
  const int result = conn.GetShortcutList(shared->strToken, &replyPath);
  const auto arrived = std::chrono::steady_clock::now();
  bool listed = false;
  if (result != 0) {
    TC_LOGF(TC_LOG_WARN, "quick-message list not loaded (%d): %s", result,
            conn.m_strResultMsg.GetData());
  } else if (!CShortcutListReply::ReadFile(replyPath.str(), sink)) {
    TC_LOGF(TC_LOG_WARN, "quick-message list reply unreadable: %s", replyPath.GetData());
  } else {
    listed = true;
  }
  sink.Flush();
  if (shared->bStop) return;
  CShortcutLoader* loader = shared->pLoader;
  win32::PostCall(shared->hWnd, [loader, listed, arrived] {
    loader->m_tReplyArrived = arrived;
    loader->Finish(listed);
  });
}

void CShortcutLoader::AddEntries(const std::vector<TEntry>& entries) {
  CShortcutTree tree(m_pTree);
  for (const TEntry& entry : entries) {
    if (entry.bGroup)
      m_pCurrentGroup = tree.AddGroupNode(entry.strId, entry.strTitle, m_pSentinel);
    else
      tree.AddShortcutNode(m_pCurrentGroup, entry.strId, entry.strTitle, entry.strJson);
  }
}

void CShortcutLoader::Finish(bool listed) {
  if (m_bDone) return;
  m_bDone = true;
  // The reply's parse tree and the batches were freed on two threads; give that memory back
  // rather than keep tens of megabytes resident for the life of the frame.
  HeapCompact(GetProcessHeap(), 0);
  if (m_onDone) m_onDone(listed);
}
