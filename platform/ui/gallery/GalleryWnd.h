// The gallery window: every control of the library in one skin ("gallery.xml"), with the
// tree, the list and the rich edit filled from code.
#pragma once

#include "platform/ui/UIlib.h"

class CGalleryWnd : public DuiLib::WindowImplBase {
 public:
  void InitWindow() override;
  void Notify(DuiLib::TNotifyUI& msg) override;
  void OnFinalMessage(HWND hWnd) override;
  // Timer 1 (--quit-after) closes the window.
  LRESULT HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) override;

 protected:
  DuiLib::CDuiString GetSkinFolder() override { return "skin/"; }
  DuiLib::CDuiString GetSkinFile() override { return "gallery.xml"; }
  LPCTSTR GetWindowClassName() const override { return "UIGalleryWnd"; }

 private:
  void FillTree();
  void FillList();
  void FillRichEdit();
};
