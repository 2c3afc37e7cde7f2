// CShortcutWnd's content page: a text item with text emoticons and picture emoji in the rich
// edit, or a picture; and the conversions between the window and the message object.
//
// A picture emoji in a rich edit is an embedded picture that carries the emoji number as its
// user value (CRichEditUI::InsertPicture / GetEmbeddedObjects stand for the rich edit's OLE
// objects and their REOBJECT.cp / dwUser). It takes one character position, so the runs of
// text around it are cut at the object's position.
#include "shortcut/ShortcutWnd.h"

#include "platform/log/Log.h"
#include "platform/ui/core/UIImage.h"
#include "platform/win32/Bitmap.h"
#include "shortcut/ShortcutJson.h"
#include "windows/WindowKit.h"

#include <cstdio>
#include <cstdlib>

using namespace DuiLib;

namespace {

constexpr const char* kRichEdit = "shortcut_richedit";
constexpr const char* kDisplay = "upload_img_display";
constexpr const char* kPictureFilter =
    "图片文件(*.png;*.bmp;*.jpg;*.gif)\0*.png;*.bmp;*.jpg;*.gif\0\0";
constexpr DWORD kPickFlags = 0x81006;  // explorer, file must exist, hide read-only, overwrite
constexpr size_t kPickBuffer = 20800;
constexpr const char* kSlotImage = "file='%s' dest='10,6,58,54'";

std::string format(const char* pattern, const std::string& text) {
  char buffer[4096];
  std::snprintf(buffer, sizeof buffer, pattern, text.c_str());
  return buffer;
}

// The picture's place in the display control, as an image string.
std::string displayImage(const std::string& path, int width, int height, const RECT& area) {
  const RECT fit = CShortcutWnd::FitImageRect(RECT{0, 0, width, height}, area);
  char buffer[4200];
  std::snprintf(buffer, sizeof buffer, "file='%s' dest='%d,%d,%d,%d'", path.c_str(), fit.left,
                fit.top, fit.right, fit.bottom);
  return buffer;
}

void appendSegment(Json::Value& list, const char* type, const std::string& content) {
  Json::Value segment(Json::objectValue);
  segment["content"] = content;
  segment["type"] = type;
  list.append(segment);
}

}  // namespace

std::string CShortcutWnd::EmojiFile(int n) {
  char name[64];
  std::snprintf(name, sizeof name, kEmojiFileFormat, n);
  return SkinFolder().str() + name;
}

RECT CShortcutWnd::FitImageRect(RECT image, RECT area) {
  // 64-bit products: a picture may be large, the area never is.
  auto rect = [](long long l, long long t, long long r, long long b) {
    return RECT{static_cast<LONG>(l), static_cast<LONG>(t), static_cast<LONG>(r),
                static_cast<LONG>(b)};
  };
  const long long w = image.right - image.left, h = image.bottom - image.top;
  const long long W = area.right - area.left, H = area.bottom - area.top;
  if (w <= 0 || h <= 0 || W <= 0 || H <= 0) return RECT{0, 0, 0, 0};
  if (w >= W) {
    // Wide pictures (screenshots) are scaled to the area's width, centred, kept in aspect
    // and never taller than the area.
    long long sh = h * W / w, sw = W;
    if (sh > H) {
      sw = w * H / h;
      sh = H;
    }
    const long long left = (W - sw) / 2, top = (H - sh) / 2;
    return rect(left, top, left + sw, top + sh);
  }
  if (h < H) {
    const long long left = (W - w + 1) / 2, top = (H - h + 1) / 2;
    return rect(left, top, left + w, top + h);
  }
  const long long s = w * H / h;
  const long long left = (W - s) / 2;
  return rect(left, 0, left + s, H);
}

void CShortcutWnd::ClearContentHint() {
  CControlUI* edit = Find(kRichEdit);
  if (edit && edit->GetText() == kContentHint) {
    edit->SetText("");
    edit->SetAttribute("textcolor", "0xFF000000");
  }
}

void CShortcutWnd::InsertTextEmotion(CControlUI* pButton) {
  auto* edit = FindAs<CRichEditUI>(kRichEdit, DUI_CTR_RICHEDIT);
  if (!edit || !pButton) return;
  const std::string text = "[" + pButton->GetToolTip().str() + "]";
  ClearContentHint();
  const int lines = edit->GetLineCount();
  edit->ReplaceSel(text.c_str(), true);
  if (edit->GetLineCount() > lines) edit->LineScroll(1);
}

bool CShortcutWnd::InsertEmojiPicture(CRichEditUI* pRichEdit, int n) {
  if (!pRichEdit) return false;
  const std::string path = EmojiFile(n);
  if (!pRichEdit->InsertPicture(path.c_str(), static_cast<DWORD_PTR>(n),
                                SIZE{kEmojiDisplaySize, kEmojiDisplaySize})) {
    TC_LOGF(TC_LOG_ERROR, "CImage Load Failed(0x%x): Load file, %s.", 0x80004005u, path.c_str());
    return false;
  }
  return true;
}

bool CShortcutWnd::InsertPictureEmoji(CControlUI* pButton) {
  auto* button = pButton ? static_cast<CButtonUI*>(pButton->GetInterface(DUI_CTR_BUTTON)) : nullptr;
  auto* edit = FindAs<CRichEditUI>(kRichEdit, DUI_CTR_RICHEDIT);
  if (!button || !edit) return false;
  ClearContentHint();
  TDrawInfo info;
  ParseImageString(button->GetNormalImage(), info);
  // The number is the file name without its four-character extension.
  const std::string file = info.sImageName.str();
  const size_t slash = file.find_last_of("/\\");
  std::string base = slash == std::string::npos ? file : file.substr(slash + 1);
  base = base.size() > 4 ? base.substr(0, base.size() - 4) : std::string();
  const int n = std::atoi(base.c_str());
  if (n < 1 || n > 177) {
    TC_LOGF(TC_LOG_ERROR, "picture emoji button %s has no emoji picture: %s",
            button->GetName().GetData(), file.c_str());
    return false;
  }
  const int lines = edit->GetLineCount();
  if (!InsertEmojiPicture(edit, n)) return false;
  if (edit->GetLineCount() > lines) edit->LineScroll(1);
  return true;
}

void CShortcutWnd::FillContentRichEdit(CRichEditUI* pRichEdit, const std::string& segmentsJson) {
  if (!pRichEdit) return;
  Json::Value list;
  if (!CShortcutJson::Parse(segmentsJson, list) || !list.isArray()) return;
  pRichEdit->SetText("");
  for (const TShortcutSegment& segment : CShortcutJson::ParseSegments(segmentsJson)) {
    if (segment.nType == CShortcutJson::kTextSegment) {
      pRichEdit->SetSel(-1, -1);
      pRichEdit->ReplaceSel(segment.strContent.c_str(), false);
    } else if (segment.nType == CShortcutJson::kEmojiSegment) {
      pRichEdit->SetSel(-1, -1);
      InsertEmojiPicture(pRichEdit, std::atoi(segment.strContent.c_str()));
    }
  }
}

bool CShortcutWnd::CommitContent(int n) {
  CControlUI* type = SlotControl("shortcut_content_type%d", n);
  auto* edit = FindAs<CRichEditUI>(kRichEdit, DUI_CTR_RICHEDIT);
  CControlUI* display = Find(kDisplay);
  auto* switcher = FindAs<CTabLayoutUI>("switch_content_type", DUI_CTR_TABLAYOUT);
  if (!switcher || !type) return false;
  const int page = switcher->GetCurSel();
  if (page == 1) {
    const std::string path = display ? display->GetUserData().str() : std::string();
    if (path.empty()) {
      ShowTip("请添加图片.");
      return false;
    }
    if (auto* button = static_cast<CButtonUI*>(SlotControl("Button_content_%d", n))) {
      button->SetNormalImage(format(kSlotImage, path).c_str());
      button->SetText("");
      button->SetUserData(path.c_str());
    }
    type->SetText(kPictureItem);
    type->SetUserData(path.c_str());
  } else {
    const std::string text = edit ? edit->GetText().str() : std::string();
    if (text.empty() || text == kContentHint) {
      ShowTip(CShortcutDraft::kNoContent);
      return false;
    }
    auto* preview = static_cast<CRichEditUI*>(SlotControl("richedit_content_%d", n));
    if (preview) preview->SetText("");
    Json::Value segments(Json::arrayValue);
    auto addRun = [&](long from, long to) {
      if (to <= from) return;
      const std::string run = edit->GetTextRange(from, to).str();
      if (run.empty()) return;
      if (preview) {
        preview->SetSel(-1, -1);
        preview->ReplaceSel(run.c_str(), false);
      }
      appendSegment(segments, "1", run);
    };
    long start = 0;
    for (const TEmbeddedObjectUI& object : edit->GetEmbeddedObjects()) {
      addRun(start, object.cp);
      const int emoji = static_cast<int>(object.dwUser);
      appendSegment(segments, "2", std::to_string(emoji));
      if (preview) {
        preview->SetSel(-1, -1);
        InsertEmojiPicture(preview, emoji);
      }
      start = object.cp + 1;
    }
    addRun(start, edit->GetTextLength());
    type->SetText(kTextItem);
    type->SetUserData(CShortcutJson::Write(segments).c_str());
  }
  if (auto* button =
          display ? static_cast<CButtonUI*>(display->GetInterface(DUI_CTR_BUTTON)) : nullptr)
    button->SetNormalImage("");
  if (edit) edit->SetText("");
  char tab[32];
  std::snprintf(tab, sizeof tab, "shortcut_content_tab%d", n);
  SelectTab(tab, page);
  HideTip();
  if (CControlUI* row = SlotControl("list_container%d", n)) row->SetVisible(true);
  if (CControlUI* line = SlotControl("list_spliter_%d", n)) line->SetVisible(true);
  if (CControlUI* empty = Find("label_empty")) empty->SetVisible(false);
  return true;
}

void CShortcutWnd::EditContent(int n) {
  m_nCurrentSlot = n;
  CControlUI* type = SlotControl("shortcut_content_type%d", n);
  if (!type || type->GetText().IsEmpty()) return;
  const std::string kind = type->GetText().str();
  const std::string data = type->GetUserData().str();
  if (kind == kTextItem) {
    SelectTab("switch_content_type", 0);
    auto* edit = FindAs<CRichEditUI>(kRichEdit, DUI_CTR_RICHEDIT);
    if (edit) {
      edit->SetText("");
      edit->SetAttribute("textcolor", "0xFF000000");
      FillContentRichEdit(edit, data);
    }
  } else if (kind == kPictureItem) {
    SelectTab("switch_content_type", 1);
    if (auto* display = FindAs<CButtonUI>(kDisplay, DUI_CTR_BUTTON)) {
      display->SetText("");
      int width = 0, height = 0;
      if (CShortcutDraft::CheckPicture(data, &width, &height).empty()) {
        display->SetNormalImage(displayImage(data, width, height, display->GetPos()).c_str());
        display->SetUserData(data.c_str());
      }
    }
  }
  ShowView(true);
  const char* option = kind == kTextItem      ? "text_shortcut_element"
                       : kind == kPictureItem ? "image_shortcut_element"
                                              : nullptr;
  if (auto* choice = option ? FindAs<COptionUI>(option, DUI_CTR_OPTION) : nullptr)
    choice->Selected(true);
}

void CShortcutWnd::PickImage() {
  std::string buffer(kPickBuffer, '\0');
  OPENFILENAMEA ofn;
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = m_hWnd;
  ofn.lpstrFilter = kPictureFilter;
  ofn.lpstrFile = buffer.data();
  ofn.nMaxFile = static_cast<DWORD>(buffer.size());
  ofn.Flags = kPickFlags;
  if (!GetOpenFileNameA(&ofn)) return;
  const std::string path = buffer.c_str();
  int width = 0, height = 0;
  const std::string failure = CShortcutDraft::CheckPicture(path, &width, &height);
  if (!failure.empty()) return ShowTip(failure);
  if (auto* display = FindAs<CButtonUI>(kDisplay, DUI_CTR_BUTTON)) {
    display->SetText("");
    display->SetNormalImage(displayImage(path, width, height, display->GetPos()).c_str());
    display->SetUserData(path.c_str());
  }
  HideTip();
}

CShortcutDraft CShortcutWnd::TakeDraft(const std::string& groupId, const std::string& contentId) {
  CShortcutDraft draft;
  draft.strTitle = FieldText("shortcut_name_edit", kNameHint);
  draft.nLeftRange = MarkerValue("begin_btn");
  draft.nRightRange = MarkerValue("end_btn");
  draft.strGroupId = groupId;
  draft.strContentId = contentId;
  for (int m = 1; m <= kSlots; ++m) {
    CControlUI* type = SlotControl("shortcut_content_type%d", m);
    if (!type || type->GetUserData().IsEmpty()) continue;
    draft.vecItems.push_back({m, type->GetText() == kPictureItem, type->GetUserData().str()});
  }
  return draft;
}

std::string CShortcutWnd::GetShortcut(const std::string& groupId, const std::string& contentId) {
  const CShortcutDraft draft = TakeDraft(groupId, contentId);
  if (draft.strTitle.empty()) {
    ShowTip(kNameHint);
    return {};
  }
  std::string failure;
  const std::string json = draft.Build([this](const std::string& text) { ShowTip(text); }, failure);
  if (json.empty())
    ShowTip(failure);
  else
    HideTip();
  return json;
}

void CShortcutWnd::SetShortCutWnd(const std::string& json) {
  TC_TRACE("CShortcutWnd::SetShortCutWnd()");
  Json::Value message;
  if (!CShortcutJson::Parse(json, message) || !message.isObject()) {
    TC_LOGF(TC_LOG_ERROR, "Parse json failed, String: %s.", json.c_str());
    return;
  }
  if (CControlUI* name = Find("shortcut_name_edit")) {
    name->SetText(CShortcutJson::MemberText(message, "contentTitle").c_str());
    name->SetAttribute("textcolor", "0xFF000000");
  }
  const Json::Value& left = message["leftRange"];
  const Json::Value& right = message["rightRange"];
  PlaceMarker("begin_btn", left.isInt() ? left.asInt() : 0);
  PlaceMarker("end_btn", right.isInt() ? right.asInt() : 0);
  const Json::Value& details = message["msgDetailList"];
  if (!details.isArray()) return;
  int row = 0;
  for (const Json::Value& detail : details) {
    ++row;
    if (row > kSlots) break;
    if (CControlUI* c = SlotControl("list_container%d", row)) c->SetVisible(true);
    if (CControlUI* c = SlotControl("list_spliter_%d", row)) c->SetVisible(true);
    if (!detail.isObject() || !detail["sort"].isInt() || !detail["detailType"].isInt()) continue;
    const int s = detail["sort"].asInt();
    CControlUI* type = SlotControl("shortcut_content_type%d", s);
    if (!type) continue;
    const int t = detail["detailType"].asInt();
    char tab[32];
    std::snprintf(tab, sizeof tab, "shortcut_content_tab%d", s);
    if (t == CShortcutJson::kTextItem && detail["msgDetail"].isString()) {
      const std::string segments = detail["msgDetail"].asString();
      FillContentRichEdit(static_cast<CRichEditUI*>(SlotControl("richedit_content_%d", s)),
                          segments);
      type->SetText(kTextItem);
      type->SetUserData(segments.c_str());
      SelectTab(tab, 0);
    } else if (t == CShortcutJson::kPictureItem && detail["downLoadURL"].isString()) {
      const std::string local = GetCachedImage(CShortcutJson::MemberText(detail, "msgDetail"),
                                               detail["downLoadURL"].asString(), true);
      if (auto* button = static_cast<CButtonUI*>(SlotControl("Button_content_%d", s))) {
        button->SetText("");
        button->SetNormalImage(format(kSlotImage, local).c_str());
        button->SetUserData(local.c_str());
      }
      type->SetText(kPictureItem);
      type->SetUserData(local.c_str());
      SelectTab(tab, 1);
    } else {
      SelectTab(tab, t - 1);
    }
  }
  if (row > 0)
    if (CControlUI* empty = Find("label_empty")) empty->SetVisible(false);
}
