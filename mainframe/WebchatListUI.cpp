#include "mainframe/WebchatListUI.h"

#include "app/Settings.h"
#include "mainframe/MainFrameWnd.h"
#include "mainframe/WebchatElementUI.h"
#include "mainframe/WebchatMan.h"
#include "platform/log/Log.h"
#include "platform/win32/Files.h"

#include <tinyxml2.h>

#include <cstdio>
#include <memory>

using namespace DuiLib;

CWebchatListUI::CWebchatListUI(CMainFrameWnd* pMainFrame) : m_pMainFrame(pMainFrame) {
  if (m_pMainFrame) LoadRemarks();
}

CWebchatListUI::~CWebchatListUI() {
  if (m_pMainFrame) SaveRemarks();
}

std::string CWebchatListUI::RemarksPath() {
  return GetRemarkFilePath();
}

void CWebchatListUI::AddWebChatItem(const CDuiString& key) {
  auto* row = new CWebchatElementUI(key.GetData());
  const int index = GetCount();
  row->SetNumber(index + 1);
  Add(row);
  SelectItem(index, false, false);
}

CWebchatElementUI* CWebchatListUI::GetWebchatItemAt(int index) const {
  return static_cast<CWebchatElementUI*>(GetItemAt(index));
}

CWebchatElementUI* CWebchatListUI::FindWebchatItem(const std::string& key) const {
  for (int i = 0; i < GetCount(); ++i) {
    CWebchatElementUI* row = GetWebchatItemAt(i);
    if (row && row->GetName().str() == key) return row;
  }
  return nullptr;
}

bool CWebchatListUI::SelectItem(int iIndex, bool bTakeFocus, bool bTriggerEvent) {
  // This label is the design's, fixed word for word.
  TC_TRACE("Tandem_paint CWebchatListUI::SelectItem");
  if (iIndex == GetCurSel()) return true;
  for (int j = 0; j < GetCount(); ++j)
    if (CWebchatElementUI* row = GetWebchatItemAt(j)) row->SetSelectedLook(j == iIndex);
  if (GetItemAt(iIndex) && m_pMainFrame && m_pMainFrame->GetWebchatMan()) {
    if (GetCurSel() >= 0) HideCopyOfRow(GetCurSel());
    ShowCopyOfRow(iIndex);
    ::SwitchToThisWindow(m_pMainFrame->GetHWND(), TRUE);
  }
  return CListUI::SelectItem(iIndex, bTakeFocus, bTriggerEvent);
}

void CWebchatListUI::HideCopyOfRow(int index) {
  CControlUI* row = GetItemAt(index);
  WECHATRUNDATA data;
  if (!row || !m_pMainFrame->GetWebchatMan()->GetWeChatRunData(data, row->GetName().str())) return;
  if (data.hLoginWnd) ::ShowWindow(data.hLoginWnd, SW_HIDE);
  if (data.hMainWnd) ::ShowWindow(data.hMainWnd, SW_HIDE);
}

void CWebchatListUI::ShowCopyOfRow(int index) {
  CWebchatMan* man = m_pMainFrame->GetWebchatMan();
  const std::string key = GetItemAt(index)->GetName().str();
  man->SwitchWeChat(key.c_str());
  WECHATRUNDATA data;
  if (man->GetWeChatRunData(data, key) && data.DisplayWnd())
    ::ShowWindow(data.DisplayWnd(), SW_SHOW);
}

void CWebchatListUI::LoadRemarks() {
  tinyxml2::XMLDocument doc;
  if (doc.LoadFile(RemarksPath().c_str()) != tinyxml2::XML_SUCCESS) return;
  const tinyxml2::XMLElement* top = doc.FirstChildElement();
  if (!top) return;
  for (const tinyxml2::XMLElement* item = top->FirstChildElement(); item;
       item = item->NextSiblingElement()) {
    const char* id = item->Attribute("id");
    const char* title = item->Attribute("title");
    if (id && *id) m_mapRemarks[id] = title ? title : "";
  }
}

bool CWebchatListUI::SaveRemarks() {
  tinyxml2::XMLDocument doc;
  doc.InsertEndChild(doc.NewDeclaration(""));
  tinyxml2::XMLElement* root = doc.NewElement("root");
  doc.InsertEndChild(root);
  for (const auto& [id, title] : m_mapRemarks) {
    if (id.empty()) continue;
    tinyxml2::XMLElement* item = doc.NewElement("item");
    item->SetAttribute("id", id.c_str());
    item->SetAttribute("title", title.c_str());
    root->InsertEndChild(item);
  }
  // Written whole or not at all, private like the other per-user files: a crash while
  // saving leaves the previous remarks.
  tinyxml2::XMLPrinter printer;
  doc.Print(&printer);
  return win32::WriteFileAtomically(RemarksPath(), std::string(printer.CStr()), 0600);
}
