#include "shortcut/ShortcutLoader.h"

#include "platform/log/Log.h"
#include "platform/win32/Process.h"
#include "server/ConnServer.h"
#include "server/SignInValues.h"
#include "shortcut/ShortcutListReply.h"
#include "shortcut/ShortcutTree.h"

namespace {

// Wake-up message of the hidden window: the queue has entries (or the thread ended).
constexpr UINT kQueueReady = WM_APP + 0x51;
// Entries handed over at once: large enough that a library of thousands of messages costs a
// few dozen wake-ups, small enough that the first groups show while the rest is read.
constexpr size_t kBatchSize = 256;
// Questions of the reader between two looks at the stop event.
constexpr unsigned kEventPollEvery = 64;

}  // namespace

// Collects entries on the list thread and hands them over in batches.
class CShortcutLoader::CQueueSink : public IShortcutListSink {
 public:
  explicit CQueueSink(CShortcutLoader& loader) : m_loader(loader) {}
  bool StopRequested() override { return m_loader.StopRequested(); }
  void OnGroup(const std::string& id, const std::string& title) override {
    Push({true, id, title, {}});
  }
  void OnMessage(const std::string& id, const std::string& title,
                 const std::string& json) override {
    Push({false, id, title, json});
  }
  void Finish(bool listed) { m_loader.Hand(std::move(m_batch), true, listed); }

 private:
  void Push(TEntry&& entry) {
    m_batch.push_back(std::move(entry));
    if (m_batch.size() >= kBatchSize) m_loader.Hand(std::exchange(m_batch, {}), false, false);
  }
  CShortcutLoader& m_loader;
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
  m_hStopEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  if (!m_hStopEvent) return false;
  m_hThread = CreateThread(nullptr, 0, &CShortcutLoader::ThreadProc, this, 0, nullptr);
  if (!m_hThread) {
    TC_LOG(TC_LOG_ERROR, "the list thread cannot be started");
    CloseHandle(m_hStopEvent);
    m_hStopEvent = nullptr;
    return false;
  }
  return true;
}

void CShortcutLoader::Stop() {
  if (m_hThread) {
    m_bStop = true;
    SetEvent(m_hStopEvent);
    WaitForSingleObject(m_hThread, INFINITE);
    CloseHandle(m_hThread);
    m_hThread = nullptr;
  }
  if (m_hStopEvent) {
    CloseHandle(m_hStopEvent);
    m_hStopEvent = nullptr;
  }
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_vecQueue.clear();
  }
  if (GetHWND()) DestroyWindow(GetHWND());
}

DWORD CShortcutLoader::ThreadProc(LPVOID param) {
  static_cast<CShortcutLoader*>(param)->Run();
  return 0;
}

void CShortcutLoader::Run() {
  TC_TRACE("CShortcutWnd::ShortcutListThread()");
  CQueueSink sink(*this);
  CDuiString replyPath;
  CConnServer conn;
  const int result = conn.GetShortcutList(GetLoginToken(), &replyPath);
  m_tReplyArrived = std::chrono::steady_clock::now();
  bool listed = false;
  if (result != 0) {
    TC_LOGF(TC_LOG_WARN, "quick-message list not loaded (%d): %s", result,
            conn.m_strResultMsg.GetData());
  } else if (!CShortcutListReply::ReadFile(replyPath.str(), sink)) {
    TC_LOGF(TC_LOG_WARN, "quick-message list reply unreadable: %s", replyPath.GetData());
  } else {
    listed = true;
  }
  sink.Finish(listed);
}

bool CShortcutLoader::StopRequested() {
  if (m_bStop) return true;
  // The event is polled with a zero wait, but not after every message: a zero-time wait
  // costs about 0.1 ms here, a full second for a library of 10,000 messages. The flag, set
  // together with the event, is seen at once.
  if (++m_nPolls % kEventPollEvery == 0 && WaitForSingleObject(m_hStopEvent, 0) == WAIT_OBJECT_0)
    m_bStop = true;
  return m_bStop;
}

void CShortcutLoader::Hand(std::vector<TEntry>&& batch, bool finished, bool listed) {
  bool wake = false;
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    wake = m_vecQueue.empty() && !m_bFinished;
    m_vecQueue.insert(m_vecQueue.end(), std::make_move_iterator(batch.begin()),
                      std::make_move_iterator(batch.end()));
    if (finished) {
      m_bFinished = true;
      m_bListed = listed;
      wake = true;
    }
  }
  if (wake && !m_bStop) PostMessageA(GetHWND(), kQueueReady, 0, 0);
}

void CShortcutLoader::Drain() {
  std::vector<TEntry> entries;
  bool finished = false;
  bool listed = false;
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    entries.swap(m_vecQueue);
    finished = m_bFinished;
    listed = m_bListed;
  }
  CShortcutTree tree(m_pTree);
  for (const TEntry& entry : entries) {
    if (entry.bGroup)
      m_pCurrentGroup = tree.AddGroupNode(entry.strId, entry.strTitle, m_pSentinel);
    else
      tree.AddShortcutNode(m_pCurrentGroup, entry.strId, entry.strTitle, entry.strJson);
  }
  if (finished && !m_bDone) {
    m_bDone = true;
    // The reply's parse tree and the queue were freed on two threads; give that memory back
    // rather than keep tens of megabytes resident for the life of the frame.
    HeapCompact(GetProcessHeap(), 0);
    if (m_onDone) m_onDone(listed);
  }
}

LRESULT CShortcutLoader::HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) {
  if (uMsg != kQueueReady) return CWindowWnd::HandleMessage(uMsg, wParam, lParam);
  Drain();
  return 0;
}
