#include "mainframe/WebchatElementUI.h"

#include <cstdio>

using namespace DuiLib;

namespace {

constexpr int kRowHeight = 60;

template <typename T>
T* addFloating(CContainerUI& row, const char* pos, const char* attributes) {
  auto* control = new T;
  control->SetAttribute("float", "true");
  control->SetAttribute("pos", pos);
  control->ApplyAttributeList(attributes);
  row.Add(control);
  return control;
}

bool contains(const RECT& rc, POINT pt) {
  return pt.x >= rc.left && pt.x < rc.right && pt.y >= rc.top && pt.y < rc.bottom;
}

}  // namespace

CWebchatElementUI::CWebchatElementUI(const char* key) {
  SetName(key);
  SetFixedHeight(kRowHeight);
  m_pSelBar = addFloating<CButtonUI>(*this, "0,10,3,50", "bkcolor=\"#FF008CEE\"");
  m_pFaceBtn = addFloating<CButtonUI>(
      *this, "13,10,54,50",
      "normalimage=\"face_filter_selected.png\" bkimage=\"logoff_face.png\" mouse=\"false\"");
  m_pTitleLabel = addFloating<CLabelUI>(
      *this, "64, 20, 135, 60",
      "textcolor=\"#FFFFFFFF\" textstyle=\"4\" endellipsis=\"true\" text=\"[未登录]\"");
  m_pKickOffBtn =
      addFloating<CButtonUI>(*this, "135, 6, 144, 15",
                             "visible=\"true\" name=\"kick_off\" normalimage=\"logoff_normal.png\" "
                             "pushedimage=\"logoff_pressed.png\" hotimage=\"logoff_pressed.png\"");
  m_pNumLabel =
      addFloating<CLabelUI>(*this, "130, 40, 144, 54", "textcolor=\"#FFEFEFEF\" textstyle=\"6\"");
  m_pSeparator = addFloating<CButtonUI>(*this, "0, 58, 150, 60",
                                        "normalimage=\"face_fenge.png\" mouse=\"false\"");
}

void CWebchatElementUI::SetNumber(int number) {
  char text[16];
  std::snprintf(text, sizeof text, "%d", number);
  m_pNumLabel->SetText(text);
}

void CWebchatElementUI::SetSelectedLook(bool bSelected) {
  m_pKickOffBtn->SetVisible(bSelected);
  m_pSelBar->SetBkColor(bSelected ? kWebchatSelectedColor : kWebchatListColor);
  m_pFaceBtn->SetNormalImage(bSelected ? kFaceSelectedImage : kFaceNormalImage);
}

void CWebchatElementUI::DoEvent(TEventUI& event) {
  switch (event.Type) {
    case UIEVENT_MOUSEENTER:
      m_pKickOffBtn->SetVisible(true);
      m_pFaceBtn->SetNormalImage(kFaceSelectedImage);
      break;
    case UIEVENT_MOUSELEAVE:
      // Moving onto the kick-off button leaves the row for the button: still inside.
      if (!IsSelected() && !contains(GetPos(), event.ptMouse)) {
        m_pKickOffBtn->SetVisible(false);
        m_pFaceBtn->SetNormalImage(kFaceNormalImage);
      }
      break;
    case UIEVENT_DBLCLICK: {
      const RECT& title = m_pTitleLabel->GetPos();
      if (GetManager() && contains(title, event.ptMouse))
        GetManager()->SendNotify(this, DUI_MSGTYPE_ITEMDBCLICK, 0, 0, false);
      break;
    }
    default:
      break;
  }
  CListContainerElementUI::DoEvent(event);
}
