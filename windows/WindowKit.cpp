#include "windows/WindowKit.h"

#include "platform/log/Log.h"
#include "app/Settings.h"
#include "server/ConnServer.h"

using namespace DuiLib;

std::string ServerFailureText(const CConnServer& conn) {
  std::string text = conn.m_strResultMsg.str();
  if (!conn.m_strObj.IsEmpty()) text += ": " + conn.m_strObj.str();
  return text;
}

std::unique_ptr<CWndShadow> MakeWindowShadow(HWND window) {
  auto shadow = std::make_unique<CWndShadow>();
  shadow->SetImage("shadow.png", RECT{12, 12, 12, 12});
  shadow->Create(window);
  return shadow;
}

bool OpenClickedLink(TNotifyUI& msg) {
  TC_TRACE("::OpenClickedLink()");
  auto* text =
      msg.pSender ? static_cast<CTextUI*>(msg.pSender->GetInterface(DUI_CTR_TEXT)) : nullptr;
  if (!text) return false;
  const CDuiString link = text->GetLinkContent(msg.ptMouse);
  if (link.IsEmpty()) return false;
  TC_LOG(TC_LOG_INFO, "opening link " << link.str());
  ::ShellExecuteA(nullptr, "open", link, nullptr, nullptr, SW_SHOWNORMAL);
  return true;
}

void ShowTip(CPaintManagerUI& manager, const char* tipName, const std::string& text, bool good) {
  CControlUI* tip = manager.FindControl(tipName);
  if (!tip) return;
  tip->SetAttribute("textcolor", good ? "#FF19A15F" : "#FFE5484D");
  tip->SetText(text.c_str());
  tip->SetVisible(true);
}

CDuiString SkinFolder() {
  return (GetProgramFolder() + "skin/").c_str();
}
