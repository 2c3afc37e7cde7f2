#include "chrome/MenuUI.h"

#include <strings.h>

using namespace DuiLib;

CMenuUI::CMenuUI() {
  if (GetHeader()) GetHeader()->SetVisible(false);
}

LPCTSTR CMenuUI::GetClass() const {
  return "MenuUI";
}

LPVOID CMenuUI::GetInterface(LPCTSTR pstrName) {
  if (strcasecmp(pstrName, "Menu") == 0) return this;
  return CListUI::GetInterface(pstrName);
}
