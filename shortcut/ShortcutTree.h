// The quick-message library as nodes of the tree control "shortcut_tree".
//
//   node       name             item text        user data
//   group      msgGroupId       groupTitle       (empty)       top level, folder button
//   message    msgContentId     contentTitle     message JSON  child of its group
//   sentinel   "-1"             "LastNode"       (empty)       top level, always last, hidden
//
// New groups go just before the sentinel, so the sentinel stays last whatever is added. The
// tree's list holds the nodes in tree order (a group, its messages, the next group, ...).
// GUI thread only, like every control.
#pragma once

#include "platform/ui/controls/TreeViewUI.h"

#include <string>
#include <vector>

class CShortcutTree {
 public:
  static constexpr const char* kSentinelName = "-1";
  static constexpr const char* kSentinelText = "LastNode";
  // The folder button of a group: a 13 × 13 expand/collapse picture.
  static constexpr const char* kFolderAttr =
      "padding=\"10, 2, 10, 0\" width=\"13\" height=\"13\" "
      "normalimage=\"file='tree_expand_normal.png' source='0,0,13,13'\" "
      "hotimage=\"file='tree_expand_normal.png' source='0,0,13,13'\" "
      "selectedimage=\"file='tree_close_normal.png' source='0,0,13,13'\" "
      "selectedhotimage=\"file='tree_close_normal.png' source='0,0,13,13'\" ";

  explicit CShortcutTree(DuiLib::CTreeViewUI* pTree) : m_pTree(pTree) {}

  DuiLib::CTreeViewUI* GetTree() const { return m_pTree; }

  // Appends the hidden sentinel; returns it (the existing one when there is one already).
  DuiLib::CTreeNodeUI* CreateSentinel();
  DuiLib::CTreeNodeUI* FindSentinel() const;
  static bool IsSentinel(const DuiLib::CControlUI* pNode);

  // A group node inserted before `pBefore` (appended when null); null without a tree.
  DuiLib::CTreeNodeUI* AddGroupNode(const std::string& id, const std::string& title,
                                    DuiLib::CTreeNodeUI* pBefore);
  // A message node appended to `pGroup`, made visible and scrolled into view.
  DuiLib::CTreeNodeUI* AddShortcutNode(DuiLib::CTreeNodeUI* pGroup, const std::string& id,
                                       const std::string& title, const std::string& json);

  // The node at list position `index`, or null.
  DuiLib::CTreeNodeUI* NodeAt(int index) const;
  // The selected node, or null.
  DuiLib::CTreeNodeUI* Selected() const;
  // Top-level nodes other than the sentinel, in order.
  std::vector<DuiLib::CTreeNodeUI*> Groups() const;
  DuiLib::CTreeNodeUI* FindGroup(const std::string& id) const;
  // Removes a node with its children; for a group, the children one by one first.
  bool RemoveNode(DuiLib::CTreeNodeUI* pNode);

 private:
  DuiLib::CTreeViewUI* m_pTree;
};
