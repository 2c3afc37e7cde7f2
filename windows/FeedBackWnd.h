// The feedback window: the operator writes at least 10 and at most 1000 characters, which
// go to the server with the login token. The window stays open after a submission, so
// several may be sent; failures show in "feedback_tip" and keep the text. ShowModal
// returns 1.
#pragma once

#include "platform/ui/UIlib.h"
#include "windows/WindowKit.h"

#include <memory>

class CFeedBackWnd : public DuiLib::WindowImplBase {
 public:
  static constexpr const char* kHint = "我们会认真对待您的每一次留言!";
  static constexpr int kMinChars = 10;
  static constexpr int kMaxChars = 1000;

  CFeedBackWnd();
  ~CFeedBackWnd() override;

  void InitWindow() override;
  void Notify(DuiLib::TNotifyUI& msg) override;
  void OnFinalMessage(HWND hWnd) override;

 protected:
  LPCTSTR GetWindowClassName() const override { return "UIFeedBackWnd"; }
  DuiLib::CDuiString GetSkinFolder() override { return SkinFolder(); }
  DuiLib::CDuiString GetSkinFile() override { return "feedback.xml"; }

 private:
  void OnClick(DuiLib::TNotifyUI& msg) override;
  void Submit();

  std::unique_ptr<DuiLib::CWndShadow> m_pShadow;
};
