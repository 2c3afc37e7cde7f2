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
// the thread (nothing it sends arrives afterwards); it must happen before the tree is
// destroyed.
//
// The editor (ShortcutWndEditor.cpp: views, notifications, groups, the save, the content
// slots and the range markers; ShortcutWndContent.cpp: the content page, emoji, pictures and
// the conversions between the window and the message object) works on the tree's selected
// node, changes the tree in place, writes the snapshot and closes itself with 1.
//
// The content slots 1 to 5 are rows of the message view; a slot's item lives in its
// "shortcut_content_type%d" control: text "文本信息" (user data: the segment list) or
// "图片信息" (user data: the picture's path); empty user data is a free slot.
//
// Saving a message: the window's state is taken on the GUI thread (CShortcutDraft), the
// uploads and the server call run on a worker thread while the window is disabled, holds
// the mouse and shows the wait cursor; the worker hands its tips and its result back as
// callables posted to the window (win32::PostCall) and the GUI thread changes the tree and
// closes. The worker reaches the window only through what it posts: when the window goes it
// waits for a save in progress up to kWorkerWaitMs, then leaves it to finish alone, and what
// it posts after the window has gone is dropped.
#pragma once

#include "platform/ui/UIlib.h"
#include "platform/ui/controls/TreeViewUI.h"
#include "platform/ui/window/WindowImplBase.h"
#include "shortcut/ShortcutDraft.h"
#include "shortcut/ShortcutLoader.h"
#include "shortcut/ShortcutTree.h"

#include <atomic>
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

  static constexpr int kSlots = 5;
  static constexpr const char* kGroupHint = "请输入快捷语组名";
  static constexpr const char* kNameHint = "请输入快捷语名称";
  static constexpr const char* kContentHint = "请输入快捷语内容";
  static constexpr const char* kTextItem = "文本信息";
  static constexpr const char* kPictureItem = "图片信息";
  static constexpr const char* kFreeSlotText = "暂无信息";
  static constexpr const char* kSlotLimitText = "快捷语条数达到上限，删除一条后，才能添加.";
  static constexpr const char* kEscapeQuestion = "请确认是否退出快捷语操作？";
  // The picture emoji files, by number, under the skin folder.
  static constexpr const char* kEmojiFileFormat = "emotion/sign_emotion/%d.png";
  // A picture emoji stands in a line of text at this size in logical pixels; its file is
  // drawn at twice the size, so it stays sharp on a screen of scale 2.
  static constexpr int kEmojiDisplaySize = 24;
  // The range markers: their track begins at x = 40 and a marker is 13 pixels wide.
  static constexpr int kTrackLeft = 40;
  static constexpr int kMarkerSize = 13;
  // How long the window, when it goes, waits for a save in progress before leaving it.
  static constexpr DWORD kWorkerWaitMs = 2000;

  CShortcutWnd(DuiLib::CTreeViewUI* pTree, int nMode);
  ~CShortcutWnd() override;

  // The window hooks.
  void InitWindow() override;
  void Notify(DuiLib::TNotifyUI& msg) override;
  void OnClick(DuiLib::TNotifyUI& msg) override;
  void OnFinalMessage(HWND hWnd) override;
  LRESULT HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) override;
  LRESULT OnLButtonDown(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) override;
  LRESULT OnLButtonUp(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) override;
  LRESULT OnMouseMove(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) override;
  // Escape asks first; Cancel keeps the window.
  LRESULT MessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled) override;

  // Groups (GUI thread; the request blocks it). True when saved and closed.
  bool AddShortcutGroup();
  bool EditShortcutGroup();
  // The "add_shortcut_btn" click: validates, then saves on the worker. True when the worker
  // was started.
  bool StartSave();
  bool IsBusy() const { return m_bBusy; }

  // The content slots.
  int FindFreeContentSlot();
  void DeleteContent(int n);
  void MoveContentUp(int n);
  int GetCurrentSlot() const { return m_nCurrentSlot; }

  // The content page and the conversions.
  void EditContent(int n);
  bool CommitContent(int n);
  void PickImage();
  void FillContentRichEdit(DuiLib::CRichEditUI* pRichEdit, const std::string& segmentsJson);
  void SetShortCutWnd(const std::string& json);
  // Builds the message object from the window at once, uploads included (the save does the
  // same on its worker); empty when something is missing, with the reason in the tip.
  std::string GetShortcut(const std::string& groupId, const std::string& contentId);
  // The editor's state as the save worker needs it.
  CShortcutDraft TakeDraft(const std::string& groupId, const std::string& contentId);
  // Emoji buttons of the two panels.
  void InsertTextEmotion(DuiLib::CControlUI* pButton);
  bool InsertPictureEmoji(DuiLib::CControlUI* pButton);

  // Where a picture w × h goes in an area: centred when smaller, fitted to the height when
  // taller, fitted to the width when at least as wide. Relative to the area.
  static RECT FitImageRect(RECT image, RECT area);
  // A range marker's value from its left edge (40 → 2, 587 → 200) and back.
  static int RangeValue(int left);
  static int RangeLeft(int value);
  // The picture emoji file n, absolute.
  static std::string EmojiFile(int n);

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

  // The text of a failed delete: kConnFailedHere network, kConnRefused the server's message
  // (": " and its detail when there is one), anything else (kOtherFailure) the generic text.
  static constexpr int kOtherFailure = -3;
  static std::string DeleteFailureText(int result, const std::string& message,
                                       const std::string& detail);

  int GetMode() const { return m_nMode; }
  // The list thread of InitShortcutTree, or null before it.
  const CShortcutLoader* GetLoader() const { return m_pLoader.get(); }
  DuiLib::CTreeViewUI* GetTree() const { return m_tree.GetTree(); }
  // Where SaveShortcutTree writes; the per-user snapshot unless a test set another path.
  void SetSnapshotPath(const std::string& path) { m_strSnapshotPath = path; }

 protected:
  LPCTSTR GetWindowClassName() const override { return "UIMyCenterWnd"; }
  DuiLib::CDuiString GetSkinFolder() override;
  DuiLib::CDuiString GetSkinFile() override { return "shortcut.xml"; }

 private:
  struct TSaveResult;

  bool DeleteNode(DuiLib::CTreeNodeUI* pNode, bool isGroup);
  HWND OwnerWindow() const;

  DuiLib::CControlUI* Find(const std::string& name) const;
  DuiLib::CControlUI* SlotControl(const char* format, int n) const;
  // The control `name` as a `kind` (DUI_CTR_*), or null.
  template <typename T>
  T* FindAs(const std::string& name, const char* kind) const {
    DuiLib::CControlUI* control = Find(name);
    return control ? static_cast<T*>(control->GetInterface(kind)) : nullptr;
  }
  // The text of an edit, or "" while it shows its hint.
  std::string FieldText(const char* name, const char* hint) const;
  void ShowTip(const std::string& text);
  void HideTip();
  void ShowFailure(int result, const std::string& message, const std::string& detail);
  void ShowView(bool content);
  void SelectTab(const std::string& name, int page);
  void OnHintFocus(DuiLib::CControlUI* pSender, bool focus);
  void OnSelectChanged(DuiLib::TNotifyUI& msg);
  void OnItemSelect(DuiLib::TNotifyUI& msg);
  void LayoutForMode();

  // The save worker and its hand-back.
  void SetBusy(bool busy);
  static void RunSave(CShortcutWnd* self, HWND window, CShortcutDraft draft);
  void FinishSave(std::unique_ptr<TSaveResult> result);
  void ReleaseWorker();

  // Slot previews.
  void ClearSlot(int n);
  void ShowSlotItem(int n, const std::string& type, const std::string& data);
  void PlaceMarker(const char* name, int value);
  int MarkerValue(const char* name) const;
  // Shows the range with `moved` ("begin_btn" or "end_btn") at `value` in "range_value".
  void ShowRangeValues(const char* moved, int value);
  bool InsertEmojiPicture(DuiLib::CRichEditUI* pRichEdit, int n);
  void ClearContentHint();

  CShortcutTree m_tree;
  int m_nMode;
  std::string m_strSnapshotPath;
  std::unique_ptr<CShortcutLoader> m_pLoader;
  std::unique_ptr<DuiLib::CWndShadow> m_pShadow;

  int m_nDrag = 0;        // 0 none, 1 the begin marker, 2 the end marker
  int m_nShownBegin = 2;  // the range as "range_value" shows it
  int m_nShownEnd = 200;
  POINT m_ptLast{0, 0};
  int m_nCurrentSlot = 1;
  HANDLE m_hWorker = nullptr;
  HCURSOR m_hCursor = nullptr;
  std::atomic<bool> m_bBusy{false};
};
