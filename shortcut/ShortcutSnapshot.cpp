#include "shortcut/ShortcutSnapshot.h"

#include "app/Settings.h"
#include "platform/win32/Files.h"
#include "shortcut/ShortcutTree.h"

#include <tinyxml2.h>

using DuiLib::CTreeNodeUI;

std::string CShortcutSnapshot::DefaultPath() {
  return GetShortcutSnapshotPath();
}

std::string CShortcutSnapshot::Build(DuiLib::CTreeViewUI* pTree) {
  tinyxml2::XMLDocument doc;
  doc.InsertEndChild(doc.NewDeclaration("xml"));
  tinyxml2::XMLElement* root = doc.NewElement("root");
  doc.InsertEndChild(root);
  for (CTreeNodeUI* group : CShortcutTree(pTree).Groups()) {
    tinyxml2::XMLElement* groupItem = doc.NewElement("item");
    groupItem->SetAttribute("id", group->GetName().GetData());
    groupItem->SetAttribute("title", group->GetItemText().GetData());
    root->InsertEndChild(groupItem);
    for (int i = 0; i < group->GetCountChild(); ++i) {
      CTreeNodeUI* message = group->GetChildNode(i);
      tinyxml2::XMLElement* item = doc.NewElement("item");
      item->SetAttribute("id", message->GetName().GetData());
      item->SetAttribute("title", message->GetItemText().GetData());
      item->SetAttribute("value", message->GetUserData().GetData());
      groupItem->InsertEndChild(item);
    }
  }
  tinyxml2::XMLPrinter printer;
  doc.Print(&printer);
  return std::string(printer.CStr(), static_cast<size_t>(printer.CStrSize() - 1));
}

bool CShortcutSnapshot::Save(DuiLib::CTreeViewUI* pTree, const std::string& path) {
  if (!pTree || path.empty()) return false;
  return win32::WriteFileAtomically(path, Build(pTree), 0600);
}
