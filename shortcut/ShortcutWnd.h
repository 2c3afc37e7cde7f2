// CShortcutWnd: the quick-message editor window and the operations on the library tree.
//
// The tree operations work on the tree given at construction (null: each does nothing and
// returns null or false) and need no window: the main frame keeps one instance in mode 4 for
// the life of its window to load the tree (InitShortcutTree), and builds short-lived ones,
// never shown, to delete groups and messages and to add imported messages. Modes 0 to 3 are
// the editor window (new group, rename group, new message in a group, edit a message).
//
// Every operation runs on the GUI thread; the list thread of InitShortcutTree hands its nodes
// to the GUI thread (see CShortcutLoader). Destroying the instance that started loading stops
// the thread and waits for it; it must happen before the tree is destroyed.
#pragma once

#include "platform/ui/controls/TreeViewUI.h"
#include "platform/ui/window/WindowImplBase.h"
#include "shortcut/ShortcutLoader.h"
#include "shortcut/ShortcutTree.h"

#include <memory>
#include <string>
#include <vector>

class CShortcutWnd : public DuiLib::WindowImplBase {
 public:
  enum EMode {
    kModeNewGroup = 0,
    kModeEditGroup = 1,
    kModeNewMessage = 2,
    kModeEditMessage = 3,
    kModeLoader = 4,
  };

  CShortcutWnd(DuiLib::CTreeViewUI* pTree, int nMode);
  ~CShortcutWnd() override;

  // Adds the hidden sentinel and starts the list thread. Once per tree; false when there is
  // no tree or the thread cannot be started. onDone (optional) runs on the GUI thread when
  // every node of the reply is in the tree.
  bool InitShortcutTree(CShortcutLoader::DoneCallback onDone = {});

  DuiLib::CTreeNodeUI* AddGroupNode(const std::string& id, const std::string& title,
                                    DuiLib::CTreeNodeUI* pBefore);
  DuiLib::CTreeNodeUI* AddShortcutNode(DuiLib::CTreeNodeUI* pGroup, const std::string& id,
                                       const std::string& title, const std::string& json);
  // Writes the snapshot "mfls.xml" (CShortcutSnapshot); true when it was written.
  bool SaveShortcutTree();

  // Delete the group / message at list position `index` on the server and, on success, from
  // the tree, then save the snapshot. A refusal is shown in a box captioned "删除快捷语组".
  // True when it was deleted; false also for an index that is not a group / a message.
  bool DeleteShortcutGroup(int index);
  bool DeleteShortcut(int index);

  // Adds the message object `json` on the server; the new ids are appended to `ids`. On
  // success saves the snapshot and returns 1; otherwise the operation's negative result, and
  // nothing is shown. The caller adds the node.
  int AddImportedShortcut(const std::string& json, std::vector<std::string>& ids);

  // The picture cache (CImageCache::GetCachedImage).
  static std::string GetCachedImage(const std::string& name, const std::string& source,
                                    bool download);

  // The text of a failed delete: -1 network, -2 the server's message (": " and its detail
  // when there is one), anything else the generic text.
  static std::string DeleteFailureText(int result, const std::string& message,
                                       const std::string& detail);

  int GetMode() const { return m_nMode; }
  // The list thread of InitShortcutTree, or null before it.
  const CShortcutLoader* GetLoader() const { return m_pLoader.get(); }
  DuiLib::CTreeViewUI* GetTree() const { return m_tree.GetTree(); }
  // Where SaveShortcutTree writes; the per-user snapshot unless a test set another path.
  void SetSnapshotPath(const std::string& path) { m_strSnapshotPath = path; }

 protected:
  LPCTSTR GetWindowClassName() const override { return "ShortcutWnd"; }
  DuiLib::CDuiString GetSkinFolder() override { return "skin/"; }
  DuiLib::CDuiString GetSkinFile() override { return "shortcut.xml"; }

 private:
  bool DeleteNode(DuiLib::CTreeNodeUI* pNode, bool isGroup);
  HWND OwnerWindow() const;

  CShortcutTree m_tree;
  int m_nMode;
  std::string m_strSnapshotPath;
  std::unique_ptr<CShortcutLoader> m_pLoader;
};
