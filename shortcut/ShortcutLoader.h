// The list thread: loads the quick-message library from the server into the tree.
//
// Start (GUI thread) makes a hidden window of its own and starts the thread. The thread asks
// the server for the list, reads the reply file and queues groups and messages in reply
// order; the GUI thread takes them from the queue when the window's wake-up message arrives
// and adds the nodes (groups just before the sentinel). Only the GUI thread touches the tree.
//
// Stop (or destruction) sets the stop flag, signals the stop event, waits for the thread and
// drops whatever is still queued. The thread asks before each group and after each message:
// the flag every time, the event (auto-reset, zero wait) every 64th time; a stop seen once
// is kept in the flag for good.
//
// Nothing is shown on failure: a failed list request or an unreadable reply leaves the tree
// with only the sentinel. Loading never writes the snapshot.
#pragma once

#include "platform/ui/window/WindowWnd.h"
#include "platform/win32/Sync.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <utility>
#include <mutex>
#include <string>
#include <vector>

namespace DuiLib {
class CTreeViewUI;
class CTreeNodeUI;
}  // namespace DuiLib

class CShortcutLoader : private DuiLib::CWindowWnd {
 public:
  // Called on the GUI thread once the thread has ended and every queued node is in the tree;
  // `listed` tells whether the server's list was read.
  using DoneCallback = std::function<void(bool listed)>;

  CShortcutLoader() = default;
  ~CShortcutLoader() override;
  CShortcutLoader(const CShortcutLoader&) = delete;
  CShortcutLoader& operator=(const CShortcutLoader&) = delete;

  // Starts loading into `pTree` before `pSentinel`. False when already started or when the
  // window, the event or the thread cannot be made.
  bool Start(DuiLib::CTreeViewUI* pTree, DuiLib::CTreeNodeUI* pSentinel, DoneCallback onDone = {});
  // Idempotent; waits for the thread without a limit (a request gives up after 13 s).
  void Stop();
  // True once the done callback would have run.
  bool IsDone() const { return m_bDone; }
  // When the list reply had arrived (its file written and the request over); for figures.
  std::chrono::steady_clock::time_point ReplyArrivedAt() const { return m_tReplyArrived; }

 private:
  struct TEntry {
    bool bGroup = false;
    std::string strId;
    std::string strTitle;
    std::string strJson;
  };
  class CQueueSink;

  static DWORD ThreadProc(LPVOID param);
  void Run();
  // Worker side: appends a batch; wakes the GUI thread when the queue was empty.
  void Hand(std::vector<TEntry>&& batch, bool finished, bool listed);
  // GUI side.
  void Drain();
  bool StopRequested();

  LPCTSTR GetWindowClassName() const override { return "ShortcutLoader"; }
  LRESULT HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) override;

  DuiLib::CTreeViewUI* m_pTree = nullptr;
  DuiLib::CTreeNodeUI* m_pSentinel = nullptr;
  DuiLib::CTreeNodeUI* m_pCurrentGroup = nullptr;
  DoneCallback m_onDone;
  HANDLE m_hStopEvent = nullptr;
  HANDLE m_hThread = nullptr;
  std::atomic<bool> m_bStop{false};
  unsigned m_nPolls = 0;
  std::atomic<std::chrono::steady_clock::time_point> m_tReplyArrived{};
  bool m_bDone = false;

  std::mutex m_mutex;  // guards the three below
  std::vector<TEntry> m_vecQueue;
  bool m_bFinished = false;
  bool m_bListed = false;
};
