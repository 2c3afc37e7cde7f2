// CShortcutWnd as a window: views by mode, notifications, the group operations, the save
// worker, the content slots and the range markers.
#include "shortcut/ShortcutWnd.h"

#include "app/WindowIds.h"
#include "platform/log/Log.h"
#include "platform/win32/Sync.h"
#include "platform/win32/WindowPost.h"
#include "server/ConnServer.h"
#include "server/SignInValues.h"
#include "windows/WindowKit.h"

#include <cmath>
#include <cstdio>
#include <cstring>

using namespace DuiLib;

namespace {

constexpr const char* kTip = "shortcut_tip";
constexpr const char* kGroupEdit = "shortcut_groupname_edit";
constexpr const char* kNameEdit = "shortcut_name_edit";
constexpr const char* kRichEdit = "shortcut_richedit";
constexpr const char* kHintColor = "0xFF999999";
constexpr const char* kTypedColor = "0xFF000000";
constexpr int kContentLimit = 1000;

// The hint of each edit that shows one.
struct THint {
  const char* name;
  const char* hint;
};
constexpr THint kHints[] = {{kGroupEdit, CShortcutWnd::kGroupHint},
                            {kNameEdit, CShortcutWnd::kNameHint},
                            {kRichEdit, CShortcutWnd::kContentHint}};

// Window size and the two controls placed by mode: message modes, group modes.
struct TModeLayout {
  int cx, cy;
  const char* closePos;
  const char* tipPos;
};
constexpr TModeLayout kGroupLayout{600, 360, "574,10,590,26", "0,36,600,69"};
constexpr TModeLayout kMessageLayout{640, 660, "614,10,630,26", "0,36,640,69"};
constexpr const char* kTitles[] = {"新建快捷语组", "修改快捷语组", "新建快捷语", "编辑快捷语"};

// "edit_btn_3" → 3 when the name is prefix + one digit 1..5; else 0.
int slotOf(const std::string& name, const char* prefix) {
  const size_t length = std::strlen(prefix);
  if (name.size() != length + 1 || name.compare(0, length, prefix) != 0) return 0;
  const int n = name[length] - '0';
  return n >= 1 && n <= CShortcutWnd::kSlots ? n : 0;
}

bool startsWith(const std::string& text, const char* prefix, size_t minLength) {
  return text.size() >= minLength && text.rfind(prefix, 0) == 0;
}

}  // namespace

struct CShortcutWnd::TSaveResult {
  bool bSaved = false;
  std::string strJson;
  std::string strId;
  std::string strTip;
  std::string strTitle;
  std::string strGroupId;
  std::string strContentId;
};

CDuiString CShortcutWnd::GetSkinFolder() {
  return SkinFolder();
}

CControlUI* CShortcutWnd::Find(const std::string& name) const {
  return const_cast<CPaintManagerUI&>(m_PaintManager).FindControl(name.c_str());
}

CControlUI* CShortcutWnd::SlotControl(const char* format, int n) const {
  char name[64];
  std::snprintf(name, sizeof name, format, n);
  return Find(name);
}

std::string CShortcutWnd::FieldText(const char* name, const char* hint) const {
  CControlUI* edit = Find(name);
  if (!edit) return {};
  const std::string text = edit->GetText().str();
  return text == hint ? std::string() : text;
}

void CShortcutWnd::ShowTip(const std::string& text) {
  ::ShowTip(m_PaintManager, kTip, text);
}

void CShortcutWnd::HideTip() {
  if (CControlUI* tip = Find(kTip)) tip->SetVisible(false);
}

void CShortcutWnd::ShowFailure(int result, const std::string& message, const std::string& detail) {
  ShowTip(DeleteFailureText(result, message, detail));
}

void CShortcutWnd::ShowView(bool content) {
  if (CControlUI* page = Find("shortcut_add_content")) page->SetVisible(content);
  if (CControlUI* view = Find("shortcut_add_view")) view->SetVisible(!content);
}

void CShortcutWnd::SelectTab(const std::string& name, int page) {
  if (auto* tab = FindAs<CTabLayoutUI>(name, DUI_CTR_TABLAYOUT)) tab->SelectItem(page);
}

void CShortcutWnd::InitWindow() {
  TC_TRACE("CShortcutWnd::InitWindow()");
  m_pShadow = MakeWindowShadow(m_hWnd);
  const bool groupMode = m_nMode == kModeNewGroup || m_nMode == kModeEditGroup;
  for (const THint& hint : kHints) {
    CControlUI* edit = Find(hint.name);
    if (edit && edit->GetText().IsEmpty()) {
      edit->SetText(hint.hint);
      edit->SetAttribute("textcolor", kHintColor);
    }
  }
  CTreeNodeUI* selected = m_tree.Selected();
  if (m_nMode == kModeEditGroup && selected) {
    if (CControlUI* edit = Find(kGroupEdit)) {
      edit->SetText(selected->GetItemText());
      edit->SetAttribute("textcolor", kTypedColor);
    }
  }
  ShowRangeValues("begin_btn", m_nShownBegin);
  if (m_nMode == kModeEditMessage && selected) SetShortCutWnd(selected->GetUserData().str());
  if (CControlUI* view = Find("shortcut_addgroup_view")) view->SetVisible(groupMode);
  if (CControlUI* view = Find("shortcut_add_view")) view->SetVisible(!groupMode);
  if (auto* edit = FindAs<CRichEditUI>(kRichEdit, DUI_CTR_RICHEDIT)) {
    edit->SetLimitText(kContentLimit);
    edit->SetRich(false);
  }
  LayoutForMode();
}

void CShortcutWnd::LayoutForMode() {
  const bool groupMode = m_nMode == kModeNewGroup || m_nMode == kModeEditGroup;
  const TModeLayout& layout = groupMode ? kGroupLayout : kMessageLayout;
  ResizeClient(layout.cx, layout.cy);
  if (CControlUI* close = Find("closebtn")) close->SetAttribute("pos", layout.closePos);
  if (CControlUI* tip = Find(kTip)) tip->SetAttribute("pos", layout.tipPos);
  if (CControlUI* title = Find("shortcut_title"); title && m_nMode >= 0 && m_nMode <= 3)
    title->SetText(kTitles[m_nMode]);
}

void CShortcutWnd::OnFinalMessage(HWND hWnd) {
  ReleaseWorker();
  m_pShadow.reset();
  WindowImplBase::OnFinalMessage(hWnd);
}

void CShortcutWnd::OnHintFocus(CControlUI* pSender, bool focus) {
  for (const THint& hint : kHints) {
    if (pSender->GetName() != hint.name) continue;
    const std::string text = pSender->GetText().str();
    if (focus && text == hint.hint) {
      pSender->SetText("");
      pSender->SetAttribute("textcolor", kTypedColor);
    } else if (!focus && text.empty()) {
      pSender->SetText(hint.hint);
      pSender->SetAttribute("textcolor", kHintColor);
    }
  }
}

void CShortcutWnd::Notify(TNotifyUI& msg) {
  if (!msg.pSender) return;
  if (msg.sType == DUI_MSGTYPE_SETFOCUS) OnHintFocus(msg.pSender, true);
  if (msg.sType == DUI_MSGTYPE_KILLFOCUS) OnHintFocus(msg.pSender, false);
  if (msg.sType == DUI_MSGTYPE_ITEMSELECT) OnItemSelect(msg);
  if (msg.sType == DUI_MSGTYPE_SELECTCHANGED) OnSelectChanged(msg);
  WindowImplBase::Notify(msg);
}

void CShortcutWnd::OnItemSelect(TNotifyUI& msg) {
  if (msg.pSender->GetName() != "content_type") return;
  auto* list = static_cast<CListUI*>(msg.pSender->GetInterface(DUI_CTR_LIST));
  if (list && list->GetCurSel() >= 0) SelectTab("switch_content_type", list->GetCurSel());
}

void CShortcutWnd::OnSelectChanged(TNotifyUI& msg) {
  // Each option selects one page of one tab layout.
  static const struct {
    const char* option;
    const char* tab;
    int page;
  } kPages[] = {{"motion_QQ", "motion_tabelayout", 0},
                {"motion_sign", "motion_tabelayout", 1},
                {"text_shortcut_element", "switch_content_type", 0},
                {"image_shortcut_element", "switch_content_type", 1}};
  for (const auto& entry : kPages)
    if (msg.pSender->GetName() == entry.option) SelectTab(entry.tab, entry.page);
}

void CShortcutWnd::OnClick(TNotifyUI& msg) {
  const std::string name = msg.pSender->GetName().str();
  if (name == "closebtn") return Close(kModalClosed);
  if (name == "add_shortcutgroup_btn") {
    if (m_nMode == kModeNewGroup) AddShortcutGroup();
    if (m_nMode == kModeEditGroup) EditShortcutGroup();
    return;
  }
  if (name == "add_shortcut_btn") {
    StartSave();
    return;
  }
  if (name == "add_content_btn") {
    const int slot = FindFreeContentSlot();
    if (slot == -1) {
      MessageBoxA(m_hWnd, kSlotLimitText, "提示", MB_ICONINFORMATION);
      return;
    }
    m_nCurrentSlot = slot;
    return ShowView(true);
  }
  if (name == "backup_btn") return ShowView(false);
  if (name == "add_content_ok") {
    if (CommitContent(m_nCurrentSlot)) ShowView(false);
    return;
  }
  if (name == "upload_img_btn" || name == "upload_img_display") return PickImage();
  if (int n = slotOf(name, "sort_btn_")) return MoveContentUp(n);
  if (int n = slotOf(name, "edit_btn_")) return EditContent(n);
  if (int n = slotOf(name, "del_btn_")) return DeleteContent(n);
  if (startsWith(name, "QQ_emtion_", 11)) return InsertTextEmotion(msg.pSender);
  if (startsWith(name, "sign_emotion_", 14)) InsertPictureEmoji(msg.pSender);
}

LRESULT CShortcutWnd::MessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled) {
  if (uMsg == WM_KEYDOWN && wParam == VK_ESCAPE && !m_bBusy) {
    const int answer = MessageBoxA(m_hWnd, kEscapeQuestion, "确认", MB_OKCANCEL | MB_ICONQUESTION);
    if (answer != IDOK) {
      bHandled = true;
      return TRUE;
    }
  }
  if (uMsg == WM_KEYDOWN && wParam == VK_ESCAPE && m_bBusy) {
    bHandled = true;  // the save is running: the window stays
    return TRUE;
  }
  if (uMsg == WM_KEYDOWN && wParam == VK_RETURN) {
    if (m_nMode == kModeNewGroup) AddShortcutGroup();
    if (m_nMode == kModeEditGroup) EditShortcutGroup();
  }
  return WindowImplBase::MessageHandler(uMsg, wParam, lParam, bHandled);
}

LRESULT CShortcutWnd::HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) {
  if (m_bBusy && (uMsg == WM_SETCURSOR || uMsg == WM_MOUSEMOVE)) {
    ::SetCursor(m_hCursor);
    bHandled = TRUE;
    return TRUE;
  }
  return WindowImplBase::HandleCustomMessage(uMsg, wParam, lParam, bHandled);
}

// ---- groups

bool CShortcutWnd::AddShortcutGroup() {
  TC_TRACE("CShortcutWnd::AddShortcutGroup()");
  const std::string title = FieldText(kGroupEdit, kGroupHint);
  if (title.empty()) {
    ShowTip(kGroupHint);
    return false;
  }
  CConnServer conn;
  const int id = conn.AddShortcutGrp(title, GetLoginToken());
  if (id < 1) {
    // 0 is no id at all: a failure like any other.
    ShowFailure(id == 0 ? kOtherFailure : id, conn.m_strResultMsg.str(), conn.m_strObj.str());
    return false;
  }
  CTreeNodeUI* node = m_tree.AddGroupNode(std::to_string(id), title, m_tree.FindSentinel());
  if (node && m_tree.GetTree()) {
    // Selected where it lands, at the end, without taking the operator away from their place.
    const SIZE scrolled = m_tree.GetTree()->GetScrollPos();
    m_tree.GetTree()->SelectItem(node->GetTreeIndex(), false, false);
    m_tree.GetTree()->SetScrollPos(scrolled);
  }
  SaveShortcutTree();
  Close(kModalClosed);
  return true;
}

bool CShortcutWnd::EditShortcutGroup() {
  TC_TRACE("CShortcutWnd::EditShortcutGroup()");
  const std::string title = FieldText(kGroupEdit, kGroupHint);
  if (title.empty()) {
    ShowTip(kGroupHint);
    return false;
  }
  CTreeNodeUI* node = m_tree.Selected();
  if (!node || node->GetParentNode() || CShortcutTree::IsSentinel(node)) return false;
  CConnServer conn;
  const int result = conn.EditShortcutGrp(node->GetName(), title, GetLoginToken());
  if (result != 0) {
    ShowFailure(result, conn.m_strResultMsg.str(), conn.m_strObj.str());
    return false;
  }
  node->SetItemText(title.c_str());
  SaveShortcutTree();
  Close(kModalClosed);
  return true;
}

// ---- the save of a message

bool CShortcutWnd::StartSave() {
  if (m_bBusy || (m_nMode != kModeNewMessage && m_nMode != kModeEditMessage)) return false;
  // Checked before anything is sent: a missing title never uploads a picture.
  if (FieldText(kNameEdit, kNameHint).empty()) {
    ShowTip(kNameHint);
    return false;
  }
  CTreeNodeUI* node = m_tree.Selected();
  CTreeNodeUI* group = node;
  if (m_nMode == kModeEditMessage) group = node ? node->GetParentNode() : nullptr;
  if (!node || !group || group->GetParentNode() || CShortcutTree::IsSentinel(group)) return false;
  CShortcutDraft draft =
      TakeDraft(group->GetName().str(), m_nMode == kModeEditMessage ? node->GetName().str() : "");
  SetBusy(true);
  struct TStart {
    CShortcutWnd* self;
    HWND window;
    CShortcutDraft draft;
  };
  auto* start = new TStart{this, m_hWnd, std::move(draft)};
  m_hWorker = CreateThread(
      nullptr, 0,
      [](LPVOID param) -> DWORD {
        std::unique_ptr<TStart> owned(static_cast<TStart*>(param));
        RunSave(owned->self, owned->window, std::move(owned->draft));
        return 0;
      },
      start, 0, nullptr);
  if (!m_hWorker) {
    delete start;
    SetBusy(false);
    ShowTip("请求失败，请联系管理员.");
    return false;
  }
  return true;
}

void CShortcutWnd::SetBusy(bool busy) {
  m_bBusy = busy;
  m_hCursor = ::LoadCursorA(nullptr, busy ? IDC_WAIT : IDC_ARROW);
  if (busy) {
    m_PaintManager.SetCapture();
    ::SetCursor(m_hCursor);
    ::EnableWindow(m_hWnd, FALSE);
  } else {
    ::EnableWindow(m_hWnd, TRUE);
    ::SetCursor(m_hCursor);
    m_PaintManager.ReleaseCapture();
  }
}

// On the worker: uploads, the server's add or update, then the result back to the window.
// `self` is only used by the callables posted to `window`, which run on the GUI thread while
// the window is there; so the worker may outlive both.
void CShortcutWnd::RunSave(CShortcutWnd* self, HWND window, CShortcutDraft draft) {
  TC_TRACE("CShortcutWnd::RunSave()");
  auto result = std::make_unique<TSaveResult>();
  result->strTitle = draft.strTitle;
  result->strGroupId = draft.strGroupId;
  result->strContentId = draft.strContentId;
  std::string failure;
  result->strJson = draft.Build(
      [window, self](const std::string& text) {
        win32::PostCall(window, [self, text] { self->ShowTip(text); });
      },
      failure);
  if (result->strJson.empty()) {
    result->strTip = failure;
  } else {
    CConnServer conn;
    int code = 0;
    if (draft.strContentId.empty()) {
      std::vector<std::string> ids;
      code = conn.AddShortcutMsg(result->strJson, ids, GetLoginToken());
      // Without an id the node could never be edited or deleted: not a success here.
      if (code >= 0 && (ids.empty() || ids.front().empty())) code = kOtherFailure;
      if (code >= 0) result->strId = ids.front();
    } else {
      code = conn.EditShortcutMsg(draft.strContentId, result->strJson, GetLoginToken());
      if (code > 0) code = kOtherFailure;
    }
    result->bSaved = code >= 0;
    if (!result->bSaved)
      result->strTip = DeleteFailureText(code, conn.m_strResultMsg.str(), conn.m_strObj.str());
  }
  win32::PostCall(window, [self, result = std::move(result)]() mutable {
    self->FinishSave(std::move(result));
  });
}

void CShortcutWnd::ReleaseWorker() {
  if (!m_hWorker) return;
  // Once the result has arrived the worker is ending. A save still uploading when the window
  // goes gets a moment, then finishes alone and its result is dropped.
  if (WaitForSingleObject(m_hWorker, kWorkerWaitMs) == WAIT_TIMEOUT)
    TC_LOG(TC_LOG_INFO, "the save worker is left to end on its own");
  CloseHandle(m_hWorker);
  m_hWorker = nullptr;
}

void CShortcutWnd::FinishSave(std::unique_ptr<TSaveResult> result) {
  ReleaseWorker();
  SetBusy(false);
  if (!result->bSaved) return ShowTip(result->strTip);
  HideTip();
  if (result->strContentId.empty()) {
    CTreeNodeUI* group = m_tree.FindGroup(result->strGroupId);
    CTreeNodeUI* node =
        m_tree.AddShortcutNode(group, result->strId, result->strTitle, result->strJson);
    // Shown and selected only inside an expanded group.
    if (node && group->IsExpanded())
      m_tree.GetTree()->SelectItem(node->GetTreeIndex(), false, false);
    else if (node)
      node->SetVisible(false);
  } else if (CTreeNodeUI* node = m_tree.Selected()) {
    node->SetItemText(result->strTitle.c_str());
    node->SetUserData(result->strJson.c_str());
  }
  SaveShortcutTree();
  Close(kModalClosed);
}

// ---- content slots

int CShortcutWnd::FindFreeContentSlot() {
  for (int n = 1; n <= kSlots; ++n) {
    CControlUI* type = SlotControl("shortcut_content_type%d", n);
    if (type && type->GetUserData().IsEmpty()) return n;
  }
  return -1;
}

void CShortcutWnd::ClearSlot(int n) {
  if (CControlUI* type = SlotControl("shortcut_content_type%d", n)) type->SetUserData("");
  if (auto* edit = static_cast<CRichEditUI*>(SlotControl("richedit_content_%d", n)))
    edit->SetText("");
  if (auto* button = static_cast<CButtonUI*>(SlotControl("Button_content_%d", n))) {
    button->SetText(kFreeSlotText);
    button->SetNormalImage("");
  }
  char tab[32];
  std::snprintf(tab, sizeof tab, "shortcut_content_tab%d", n);
  SelectTab(tab, 1);
}

void CShortcutWnd::DeleteContent(int n) {
  if (n < 1 || n > kSlots) return;
  HideTip();
  ClearSlot(n);
  int m = n + 1;
  for (; m <= kSlots; ++m) {
    CControlUI* type = SlotControl("shortcut_content_type%d", m);
    if (!type || type->GetUserData().IsEmpty()) break;
    MoveContentUp(m);
  }
  if (CControlUI* row = SlotControl("list_container%d", m - 1)) row->SetVisible(false);
  if (CControlUI* line = SlotControl("list_spliter_%d", m - 1)) line->SetVisible(false);
  if (m <= 2)
    if (CControlUI* empty = Find("label_empty")) empty->SetVisible(true);
}

void CShortcutWnd::ShowSlotItem(int n, const std::string& type, const std::string& data) {
  auto* edit = static_cast<CRichEditUI*>(SlotControl("richedit_content_%d", n));
  char tab[32];
  std::snprintf(tab, sizeof tab, "shortcut_content_tab%d", n);
  if (type == kTextItem && !data.empty()) {
    FillContentRichEdit(edit, data);
    SelectTab(tab, 0);
  } else {
    if (edit) edit->SetText("");
    SelectTab(tab, 1);
  }
}

void CShortcutWnd::MoveContentUp(int n) {
  if (n < 1 || n > kSlots) return;
  const int p = n == 1 ? kSlots : n - 1;
  auto* buttonN = static_cast<CButtonUI*>(SlotControl("Button_content_%d", n));
  auto* buttonP = static_cast<CButtonUI*>(SlotControl("Button_content_%d", p));
  if (buttonN && buttonP) {
    const CDuiString text = buttonN->GetText(), image = buttonN->GetNormalImage(),
                     data = buttonN->GetUserData();
    buttonN->SetText(buttonP->GetText());
    buttonN->SetNormalImage(buttonP->GetNormalImage());
    buttonN->SetUserData(buttonP->GetUserData());
    buttonP->SetText(text);
    buttonP->SetNormalImage(image);
    buttonP->SetUserData(data);
  }
  CControlUI* typeN = SlotControl("shortcut_content_type%d", n);
  CControlUI* typeP = SlotControl("shortcut_content_type%d", p);
  if (!typeN || !typeP) return;
  const std::string textN = typeN->GetText().str(), dataN = typeN->GetUserData().str();
  const std::string textP = typeP->GetText().str(), dataP = typeP->GetUserData().str();
  if (SlotControl("richedit_content_%d", n) && SlotControl("richedit_content_%d", p)) {
    ShowSlotItem(p, textN, dataN);
    ShowSlotItem(n, textP, dataP);
  }
  typeN->SetText(textP.c_str());
  typeN->SetUserData(dataP.c_str());
  typeP->SetText(textN.c_str());
  typeP->SetUserData(dataN.c_str());
}

// ---- range markers

int CShortcutWnd::RangeValue(int left) {
  return static_cast<int>(std::trunc((left - kTrackLeft) * 198.0 / 547.0 + 2));
}

int CShortcutWnd::RangeLeft(int value) {
  // Rounded up, not cut: a cut place reads back one less (38 → 139 → 37), so every save of
  // an unchanged message would lower its range by one. Rounded up, RangeValue(RangeLeft(v))
  // is v for every value from 2 to 200, and the ends stay at 40 and 587.
  const int scaled = (value - 2) * 547;
  return (scaled >= 0 ? (scaled + 197) / 198 : scaled / 198) + kTrackLeft;
}

int CShortcutWnd::MarkerValue(const char* name) const {
  CControlUI* marker = Find(name);
  if (!marker) return 0;
  const RECT& rc = marker->GetPos();
  const int value = RangeValue(rc.left);
  TC_LOGF(TC_LOG_DEBUG, "GetRange(), %s(%d, %d, %d, %d), %s: %d",
          std::strcmp(name, "begin_btn") == 0 ? "begin" : "end", rc.left, rc.top, rc.right,
          rc.bottom, std::strcmp(name, "begin_btn") == 0 ? "iLeft" : "iRight", value);
  return value;
}

void CShortcutWnd::PlaceMarker(const char* name, int value) {
  CControlUI* marker = Find(name);
  if (!marker) return;
  // Relative to the track, which begins at kTrackLeft in the window.
  const int left = RangeLeft(value) - kTrackLeft;
  char pos[64];
  std::snprintf(pos, sizeof pos, "%d,0,%d,%d", left, left + kMarkerSize, kMarkerSize);
  marker->SetAttribute("pos", pos);
  ShowRangeValues(name, value);
}

void CShortcutWnd::ShowRangeValues(const char* moved, int value) {
  if (std::strcmp(moved, "begin_btn") == 0)
    m_nShownBegin = value;
  else
    m_nShownEnd = value;
  if (CControlUI* label = Find("range_value"))
    label->SetText((std::to_string(m_nShownBegin) + " 至 " + std::to_string(m_nShownEnd)).c_str());
}

LRESULT CShortcutWnd::OnLButtonDown(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) {
  const POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  auto inside = [&pt](CControlUI* c) {
    if (!c || !c->IsVisible()) return false;
    const RECT& rc = c->GetPos();
    return pt.x >= rc.left && pt.x < rc.right && pt.y >= rc.top && pt.y < rc.bottom;
  };
  if (inside(Find("begin_btn")))
    m_nDrag = 1;
  else if (inside(Find("end_btn")))
    m_nDrag = 2;
  if (m_nDrag != 0) {
    m_PaintManager.SetCapture();
    m_ptLast = pt;
  }
  return WindowImplBase::OnLButtonDown(uMsg, wParam, lParam, bHandled);
}

LRESULT CShortcutWnd::OnLButtonUp(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) {
  if (m_nDrag != 0) m_PaintManager.ReleaseCapture();
  m_nDrag = 0;
  return WindowImplBase::OnLButtonUp(uMsg, wParam, lParam, bHandled);
}

LRESULT CShortcutWnd::OnMouseMove(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) {
  if (m_nDrag == 0 || m_bBusy) return WindowImplBase::OnMouseMove(uMsg, wParam, lParam, bHandled);
  CControlUI* begin = Find("begin_btn");
  CControlUI* end = Find("end_btn");
  CControlUI* track = begin ? begin->GetParent() : nullptr;
  if (!end || !track) {
    TC_LOG(TC_LOG_ERROR, "The begin_btn or end_btn control is null.");
    return 0;
  }
  const int x = GET_X_LPARAM(lParam);
  const RECT parent = track->GetPos();
  if (x < parent.left || x > parent.right) return 0;
  const int dx = x - m_ptLast.x;
  const RECT b = begin->GetPos(), e = end->GetPos();
  CControlUI* marker = m_nDrag == 1 ? begin : end;
  RECT rc = marker->GetPos();
  int move = dx;
  if (m_nDrag == 1) {
    const int gap = e.left - b.right;
    if (b.left + dx < parent.left)
      move = parent.left - b.left;
    else if (b.left + dx > b.left + gap)
      move = gap;
  } else {
    if (e.left + dx < b.right)
      move = b.right - e.left;
    else if (e.left + dx > parent.right - (e.right - e.left))
      move = parent.right - e.right;
  }
  RECT old = rc;
  rc.left += move;
  rc.right += move;
  marker->SetPos(rc);
  m_PaintManager.Invalidate(old);
  // The values follow the marker as it moves, not only once it is let go.
  ShowRangeValues(m_nDrag == 1 ? "begin_btn" : "end_btn", RangeValue(rc.left));
  m_ptLast = POINT{x, GET_Y_LPARAM(lParam)};
  return 0;
}
