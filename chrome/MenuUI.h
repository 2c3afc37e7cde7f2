// CMenuUI: the list that holds a pop-up menu's items ("Menu" in a menu file).
#pragma once

#include "platform/ui/UIlib.h"

class CMenuUI : public DuiLib::CListUI {
 public:
  CMenuUI();
  LPCTSTR GetClass() const override;
  LPVOID GetInterface(LPCTSTR pstrName) override;
};
