#include "windows/FeedBackWnd.h"

#include "app/WindowIds.h"
#include "platform/log/Log.h"
#include "server/ConnServer.h"
#include "server/SignInValues.h"
#include "windows/EditHints.h"
#include "windows/WindowKit.h"

using namespace DuiLib;

namespace {

constexpr const char* kEdit = "feedback_richedit";
constexpr const char* kTip = "feedback_tip";

// Characters as the operator counts them: code points, not bytes (one Chinese character is
// three UTF-8 bytes).
int countCharacters(const std::string& text) {
  int count = 0;
  for (const char c : text)
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++count;
  return count;
}

}  // namespace

CFeedBackWnd::CFeedBackWnd() = default;
CFeedBackWnd::~CFeedBackWnd() = default;

void CFeedBackWnd::InitWindow() {
  m_pShadow = MakeWindowShadow(m_hWnd);
  if (auto* edit = static_cast<CRichEditUI*>(m_PaintManager.FindControl(kEdit))) {
    edit->SetLimitText(kMaxChars);
    if (edit->GetText().IsEmpty()) {
      edit->SetText(kHint);
      edit->SetAttribute("textcolor", kHintTextColor);
    }
  }
}

void CFeedBackWnd::Notify(TNotifyUI& msg) {
  const bool isEdit = msg.pSender && msg.pSender->GetName() == kEdit;
  if (isEdit && msg.sType == DUI_MSGTYPE_SETFOCUS) {
    if (msg.pSender->GetText() == kHint) {
      msg.pSender->SetText("");
      msg.pSender->SetAttribute("textcolor", kTypedTextColor);
    }
    return;
  }
  if (isEdit && msg.sType == DUI_MSGTYPE_KILLFOCUS) {
    if (msg.pSender->GetText().IsEmpty()) {
      msg.pSender->SetText(kHint);
      msg.pSender->SetAttribute("textcolor", kHintTextColor);
    }
    return;
  }
  WindowImplBase::Notify(msg);
}

void CFeedBackWnd::OnClick(TNotifyUI& msg) {
  const std::string name = msg.pSender ? msg.pSender->GetName().str() : std::string();
  if (name == "feedback_closebtn")
    Close(kModalClosed);
  else if (name == "feedback_okbtn")
    Submit();
}

void CFeedBackWnd::OnFinalMessage(HWND hWnd) {
  m_pShadow.reset();
  WindowImplBase::OnFinalMessage(hWnd);
}

void CFeedBackWnd::Submit() {
  TC_TRACE("CFeedBackWnd::Submit()");
  CControlUI* edit = m_PaintManager.FindControl(kEdit);
  if (!edit || !m_PaintManager.FindControl(kTip)) return;
  const std::string text = edit->GetText().str();
  if (text.empty() || text == kHint || countCharacters(text) < kMinChars) {
    ShowTip(m_PaintManager, kTip, "请填写反馈内容，字数必须不少于10个.");
    edit->SetFocus();
    return;
  }
  CConnServer conn;
  const int result = conn.AddFeedback(GetLoginToken().c_str(), text.c_str());
  if (result == 0) {
    ShowTip(m_PaintManager, kTip, "提交成功.", true);
    edit->SetText("");
    return;
  }
  if (result == kConnFailedHere) return ShowTip(m_PaintManager, kTip, "提交失败, 请检查网络.");
  if (result == kConnRefused) return ShowTip(m_PaintManager, kTip, ServerFailureText(conn));
  ShowTip(m_PaintManager, kTip, "提交失败，请联系管理员.");
}
