// The list thread: loads the quick-message library from the server into the tree.
//
// Start (GUI thread) makes a hidden window of its own and starts the thread. The thread asks
// the server for the list, reads the reply file and hands groups and messages over in reply
// order, in batches posted to that window (win32::PostCall); the GUI thread adds the nodes as
// the batches arrive (groups just before the sentinel). Only the GUI thread touches the tree.
//
// Stop (or destruction) sets the stop flag, signals the stop event and destroys the window,
// which drops the batches still queued. It waits for the thread a moment only: a thread still
// inside its request is left to finish on its own, holding nothing of the loader but the
// state they share (the stop flag and event). The thread asks before each group and after
// each message: the flag every time, the event (auto-reset, zero wait) every 64th time; a
// stop seen once is kept in the flag for good.
//
// Nothing is shown on failure: a failed list request or an unreadable reply leaves the tree
// with only the sentinel. Loading never writes the snapshot.
#pragma once

#include "platform/ui/window/WindowWnd.h"
#include "platform/win32/Sync.h"

#include <chrono>
#include <functional>
#include <memory>
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
  // Idempotent. Waits for the thread up to kStopWaitMs, then leaves it to finish alone.
  void Stop();
  // True once the done callback would have run.
  bool IsDone() const { return m_bDone; }
  // When the list reply had arrived (its file written and the request over); for figures.
  std::chrono::steady_clock::time_point ReplyArrivedAt() const { return m_tReplyArrived; }

  // How long Stop waits for the thread before leaving it (a request gives up after 13 s).
  static constexpr DWORD kStopWaitMs = 2000;

 private:
  struct TEntry {
    bool bGroup = false;
    std::string strId;
    std::string strTitle;
    std::string strJson;
  };
  struct TShared;
  class CBatchSink;

  static DWORD ThreadProc(LPVOID param);
  static void Run(const std::shared_ptr<TShared>& shared);
  // GUI side: a batch posted by the thread, and the end.
  void AddEntries(const std::vector<TEntry>& entries);
  void Finish(bool listed);

  LPCTSTR GetWindowClassName() const override { return "ShortcutLoader"; }

  DuiLib::CTreeViewUI* m_pTree = nullptr;
  DuiLib::CTreeNodeUI* m_pSentinel = nullptr;
  DuiLib::CTreeNodeUI* m_pCurrentGroup = nullptr;
  DoneCallback m_onDone;
  std::shared_ptr<TShared> m_pShared;
  HANDLE m_hThread = nullptr;
  std::chrono::steady_clock::time_point m_tReplyArrived{};
  bool m_bDone = false;
};
