// CWebchatElementUI: one row of the account list. The row's control name is its copy's
// instance key. Children, all floating: selection bar, avatar, title, kick-off button
// ("kick_off"), number and separator. The main frame writes the title, avatar, number colour
// and the row's user data (the account id) when the copy's profile arrives.
#pragma once

#include "platform/ui/UIlib.h"

class CWebchatElementUI : public DuiLib::CListContainerElementUI {
 public:
  explicit CWebchatElementUI(const char* key);

  void SetNumber(int number);
  // The selected or plain look of the bar, avatar frame and kick-off button.
  void SetSelectedLook(bool bSelected);
  void DoEvent(DuiLib::TEventUI& event) override;

  DuiLib::CButtonUI* m_pSelBar = nullptr;
  DuiLib::CButtonUI* m_pFaceBtn = nullptr;
  DuiLib::CLabelUI* m_pTitleLabel = nullptr;
  DuiLib::CButtonUI* m_pKickOffBtn = nullptr;
  DuiLib::CLabelUI* m_pNumLabel = nullptr;
  DuiLib::CButtonUI* m_pSeparator = nullptr;
};

// Colours and pictures of a selected row and of the others.
inline constexpr DWORD kWebchatSelectedColor = 0xFF008CEE;
inline constexpr DWORD kWebchatListColor = 0xFF383F44;
inline constexpr const char* kFaceSelectedImage = "face_filter_selected.png";
inline constexpr const char* kFaceNormalImage = "face_filter_normal.png";
