#include "windows/WindowKit.h"

#include "platform/log/Log.h"
#include "app/Settings.h"
#include "server/ConnServer.h"

#include <strings.h>

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
  OpenWebAddress(link.str());
  return true;
}

bool OpenWebAddress(const std::string& link) {
  // Links come from the server's texts: a path or another scheme could start a local
  // program or reach a share, so only web addresses go to the desktop's opener.
  const bool web =
      strncasecmp(link.c_str(), "http://", 7) == 0 || strncasecmp(link.c_str(), "https://", 8) == 0;
  if (!web) {
    TC_LOG(TC_LOG_WARN, "not opening link \"" << link << "\": not an http or https address");
    return false;
  }
  TC_LOG(TC_LOG_INFO, "opening link " << link);
  ::ShellExecuteA(nullptr, "open", link.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
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
