// The remark note of one chat contact: edited here, stored on the server by the caller.
// ShowModal returns 1 in both closing paths; the caller reads m_strNote afterwards and
// treats a changed, non-empty note as the new one ("closebtn" leaves it unchanged).
#pragma once

#include "platform/ui/UIlib.h"
#include "windows/WindowKit.h"

class CContactNoteDlg : public DuiLib::WindowImplBase {
 public:
  explicit CContactNoteDlg(const DuiLib::CDuiString& note) : m_strNote(note) {}

  void InitWindow() override;
  void Notify(DuiLib::TNotifyUI& msg) override;
  LRESULT MessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled) override;

  DuiLib::CDuiString m_strNote;

 protected:
  LPCTSTR GetWindowClassName() const override { return "UIMsgWnd"; }
  DuiLib::CDuiString GetSkinFolder() override { return SkinFolder(); }
  DuiLib::CDuiString GetSkinFile() override { return "contactnotedlg.xml"; }

 private:
  void OnClick(DuiLib::TNotifyUI& msg) override;
};
