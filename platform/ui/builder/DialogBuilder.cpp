#include "platform/ui/builder/DialogBuilder.h"

#include "platform/log/Log.h"
#include "platform/ui/controls/ButtonUI.h"
#include "platform/ui/controls/EditUI.h"
#include "platform/ui/controls/LabelUI.h"
#include "platform/ui/controls/ListContainerElementUI.h"
#include "platform/ui/controls/ListUI.h"
#include "platform/ui/controls/OptionUI.h"
#include "platform/ui/controls/ProgressUI.h"
#include "platform/ui/controls/RichEditUI.h"
#include "platform/ui/controls/TextUI.h"
#include "platform/ui/controls/TreeNodeUI.h"
#include "platform/ui/controls/TreeViewUI.h"
#include "platform/ui/core/AttributeParser.h"
#include "platform/ui/core/ContainerUI.h"
#include "platform/ui/core/PaintManagerUI.h"
#include "platform/ui/core/ScrollBarUI.h"
#include "platform/ui/layout/HorizontalLayoutUI.h"
#include "platform/ui/layout/TabLayoutUI.h"
#include "platform/ui/layout/VerticalLayoutUI.h"

#include <tinyxml2.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <mutex>
#include <string>
#include <sys/stat.h>

namespace DuiLib {
namespace {

constexpr int kMaxIncludeDepth = 8;
constexpr int kMaxIncludeCount = 1000;
constexpr off_t kMaxSkinBytes = 16 * 1024 * 1024;

std::string lowerCase(const char* text) {
  std::string out(text ? text : "");
  std::transform(out.begin(), out.end(), out.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return out;
}

template <class T>
CControlUI* make() {
  return new T;
}

// Tag (lower case) to factory: the built-in classes, then whatever RegisterControl added.
std::map<std::string, CreateControlFn>& factories() {
  static std::map<std::string, CreateControlFn> table = {
      {"control", &make<CControlUI>},
      {"container", &make<CContainerUI>},
      {"verticallayout", &make<CVerticalLayoutUI>},
      {"horizontallayout", &make<CHorizontalLayoutUI>},
      {"tablayout", &make<CTabLayoutUI>},
      {"label", &make<CLabelUI>},
      {"text", &make<CTextUI>},
      {"button", &make<CButtonUI>},
      {"option", &make<COptionUI>},
      {"checkbox", &make<CCheckBoxUI>},
      {"edit", &make<CEditUI>},
      {"richedit", &make<CRichEditUI>},
      {"progress", &make<CProgressUI>},
      {"scrollbar", &make<CScrollBarUI>},
      {"list", &make<CListUI>},
      {"listheader", &make<CListHeaderUI>},
      {"listheaderitem", &make<CListHeaderItemUI>},
      {"listlabelelement", &make<CListLabelElementUI>},
      {"listcontainerelement", &make<CListContainerElementUI>},
      {"treeview", &make<CTreeViewUI>},
      {"treenode", []() -> CControlUI* { return new CTreeNodeUI; }},
  };
  return table;
}

std::mutex& factoriesMutex() {
  static std::mutex mutex;
  return mutex;
}

bool isSkinSetting(const char* tag) {
  return strcasecmp(tag, "Font") == 0 || strcasecmp(tag, "Default") == 0 ||
         strcasecmp(tag, "Image") == 0 || strcasecmp(tag, "Style") == 0;
}

const char* attr(tinyxml2::XMLElement* node, const char* name) {
  const char* value = node->Attribute(name);
  return value ? value : "";
}

}  // namespace

CDialogBuilder::CDialogBuilder() = default;
CDialogBuilder::~CDialogBuilder() = default;

void CDialogBuilder::RegisterControl(LPCTSTR pstrClass, CreateControlFn fn) {
  if (!pstrClass || !fn) return;
  std::lock_guard<std::mutex> lock(factoriesMutex());
  factories()[lowerCase(pstrClass)] = fn;
}

CControlUI* CDialogBuilder::CreateBuiltinControl(LPCTSTR pstrClass) {
  CreateControlFn fn = nullptr;
  {
    std::lock_guard<std::mutex> lock(factoriesMutex());
    const auto it = factories().find(lowerCase(pstrClass));
    if (it != factories().end()) fn = it->second;
  }
  return fn ? fn() : nullptr;
}

void CDialogBuilder::Error(const CDuiString& message) {
  m_sLastError = message;
  TC_LOG(TC_LOG_ERROR, "skin " << m_sSource.str() << ": " << message.str());
}

bool CDialogBuilder::Load(LPCTSTR xml) {
  m_sLastError.Empty();
  m_pDocument = std::make_unique<tinyxml2::XMLDocument>();
  if (!xml || !*xml) {
    m_sSource = "(none)";
    Error("no skin given");
    return false;
  }
  std::string text(xml);
  const size_t first = text.find_first_not_of(" \t\r\n\xEF\xBB\xBF");
  tinyxml2::XMLError result;
  if (first != std::string::npos && text[first] == '<') {
    m_sSource = "(text)";
    result = m_pDocument->Parse(text.c_str(), text.size());
  } else {
    std::string path = text;
    std::replace(path.begin(), path.end(), '\\', '/');
    if (path.empty() || path[0] != '/') path = CPaintManagerUI::GetResourcePath().str() + path;
    m_sSource = path;
    // Only regular files of a sane size: a skin naming a device or a pipe must not hang.
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode) ||
        info.st_size > kMaxSkinBytes) {
      Error("cannot read the skin: not a readable skin file");
      return false;
    }
    result = m_pDocument->LoadFile(path.c_str());
  }
  if (result != tinyxml2::XML_SUCCESS) {
    CDuiString message;
    message.Format("cannot read the skin: %s (line %d)", m_pDocument->ErrorStr(),
                   m_pDocument->ErrorLineNum());
    Error(message);
    return false;
  }
  if (!m_pDocument->RootElement()) {
    Error("the skin has no root element");
    return false;
  }
  return true;
}

CControlUI* CDialogBuilder::Create(LPCTSTR xml, LPCTSTR, IDialogBuilderCallback* pCallback,
                                   CPaintManagerUI* pManager, CControlUI* pParent) {
  if (!Load(xml)) return nullptr;
  return Create(pCallback, pManager, pParent);
}

CControlUI* CDialogBuilder::Create(IDialogBuilderCallback* pCallback, CPaintManagerUI* pManager,
                                   CControlUI* pParent) {
  if (!m_pDocument || !m_pDocument->RootElement()) return nullptr;
  m_pCallback = pCallback;
  tinyxml2::XMLElement* root = m_pDocument->RootElement();
  if (pManager) ApplyWindowSettings(root, pManager);
  // A Window element holds the settings and the tree; any other root is itself a control.
  if (strcasecmp(root->Name(), "Window") == 0) return Parse(root, pParent, pManager);
  tinyxml2::XMLDocument wrapper;
  tinyxml2::XMLElement* holder = wrapper.NewElement("Window");
  wrapper.InsertEndChild(holder);
  holder->InsertEndChild(root->DeepClone(&wrapper));
  return Parse(holder, pParent, pManager);
}

void CDialogBuilder::ApplyWindowSettings(tinyxml2::XMLElement* root, CPaintManagerUI* pManager) {
  for (tinyxml2::XMLElement* node = root->FirstChildElement(); node;
       node = node->NextSiblingElement()) {
    if (strcasecmp(node->Name(), "Font") == 0) {
      TFontInfo font;
      font.sFontName = attr(node, "name");
      if (!ParseAttrInt(attr(node, "size"), font.iSize) || font.iSize <= 0) font.iSize = 12;
      ParseAttrBool(attr(node, "bold"), font.bBold);
      ParseAttrBool(attr(node, "underline"), font.bUnderline);
      ParseAttrBool(attr(node, "italic"), font.bItalic);
      bool isDefault = false;
      ParseAttrBool(attr(node, "default"), isDefault);
      int id = -1;
      if (node->Attribute("id") && !ParseAttrInt(attr(node, "id"), id)) id = -1;
      pManager->AddFont(font, isDefault, id);
    } else if (strcasecmp(node->Name(), "Default") == 0) {
      if (node->Attribute("name") && node->Attribute("value"))
        pManager->AddDefaultAttributeList(attr(node, "name"), attr(node, "value"));
    }
  }
  if (strcasecmp(root->Name(), "Window") != 0) return;
  for (const tinyxml2::XMLAttribute* a = root->FirstAttribute(); a; a = a->Next()) {
    const char* name = a->Name();
    const char* value = a->Value();
    SIZE size{0, 0};
    RECT rect{0, 0, 0, 0};
    DWORD color = 0;
    int number = 0;
    bool ok = true;
    if (strcmp(name, "size") == 0) {
      if ((ok = ParseAttrSize(value, size) && size.cx >= 0 && size.cy >= 0))
        pManager->SetInitSize(size.cx, size.cy);
    } else if (strcmp(name, "caption") == 0) {
      if ((ok = ParseAttrRect(value, rect))) pManager->SetCaptionRect(rect);
    } else if (strcmp(name, "sizebox") == 0) {
      if ((ok = ParseAttrRect(value, rect))) pManager->SetSizeBox(rect);
    } else if (strcmp(name, "roundcorner") == 0) {
      if ((ok = ParseAttrSize(value, size))) pManager->SetRoundCorner(size.cx, size.cy);
    } else if (strcmp(name, "mininfo") == 0) {
      if ((ok = ParseAttrSize(value, size))) pManager->SetMinInfo(size.cx, size.cy);
    } else if (strcmp(name, "maxinfo") == 0) {
      if ((ok = ParseAttrSize(value, size))) pManager->SetMaxInfo(size.cx, size.cy);
    } else if (strcmp(name, "alpha") == 0 || strcmp(name, "opacity") == 0) {
      if ((ok = ParseAttrInt(value, number) && number >= 0 && number <= 255))
        pManager->SetOpacity(static_cast<BYTE>(number));
    } else if (strcmp(name, "defaultfontcolor") == 0) {
      if ((ok = ParseAttrColor(value, color))) pManager->SetDefaultFontColor(color);
    } else if (strcmp(name, "disabledfontcolor") == 0) {
      if ((ok = ParseAttrColor(value, color))) pManager->SetDefaultDisabledColor(color);
    } else if (strcmp(name, "linkfontcolor") == 0) {
      if ((ok = ParseAttrColor(value, color))) pManager->SetDefaultLinkFontColor(color);
    }
    if (!ok) {
      CDuiString message;
      message.Format("Window: bad value \"%s\" for attribute \"%s\", ignored", value, name);
      Error(message);
    }
  }
}

bool CDialogBuilder::Attach(CControlUI* pControl, CControlUI* pParent) {
  if (!pParent) return true;
  // Plain controls inside a tree node go to its row layout; nodes join the node.
  auto* node = static_cast<CTreeNodeUI*>(pParent->GetInterface(DUI_CTR_TREENODE));
  if (node && !pControl->GetInterface(DUI_CTR_TREENODE))
    return node->GetTreeNodeHoriznotal()->Add(pControl);
  auto* container = static_cast<IContainerUI*>(pParent->GetInterface("IContainer"));
  if (!container) {
    CDuiString message;
    message.Format("\"%s\" (%s) cannot hold child controls; \"%s\" left out",
                   pParent->GetName().GetData(), pParent->GetClass(), pControl->GetClass());
    Error(message);
    return false;
  }
  return container->Add(pControl);
}

CControlUI* CDialogBuilder::ParseInclude(tinyxml2::XMLElement* node, CControlUI* pParent,
                                         CPaintManagerUI* pManager) {
  const char* source = node->Attribute("source");
  if (!source || !*source) {
    Error("Include without \"source\" left out");
    return nullptr;
  }
  if (m_iIncludeDepth >= kMaxIncludeDepth) {
    CDuiString message;
    message.Format("Include \"%s\" nested too deeply (a loop?), left out", source);
    Error(message);
    return nullptr;
  }
  int count = 1;
  if (node->Attribute("count") &&
      (!ParseAttrInt(attr(node, "count"), count) || count < 0 || count > kMaxIncludeCount)) {
    Error("Include: bad \"count\", using 1");
    count = 1;
  }
  CControlUI* first = nullptr;
  for (int i = 0; i < count; ++i) {
    CDialogBuilder builder;
    builder.m_iIncludeDepth = m_iIncludeDepth + 1;
    CControlUI* control = builder.Create(source, nullptr, m_pCallback, pManager, pParent);
    if (!control) break;
    if (!first) first = control;
  }
  return first;
}

CControlUI* CDialogBuilder::Parse(tinyxml2::XMLElement* parentNode, CControlUI* pParent,
                                  CPaintManagerUI* pManager) {
  CControlUI* first = nullptr;
  for (tinyxml2::XMLElement* node = parentNode->FirstChildElement(); node;
       node = node->NextSiblingElement()) {
    const char* tag = node->Name();
    if (isSkinSetting(tag)) continue;
    if (strcasecmp(tag, "Include") == 0) {
      CControlUI* included = ParseInclude(node, pParent, pManager);
      if (!pParent && first && included) {
        Error("a second top-level control (from an Include) left out");
        delete included;
        continue;
      }
      if (!first) first = included;
      continue;
    }
    CControlUI* control = CreateBuiltinControl(tag);
    if (!control && m_pCallback) control = m_pCallback->CreateControl(tag);
    if (!control) {
      CDuiString message;
      message.Format("unknown control class \"%s\" (line %d) left out with its children", tag,
                     node->GetLineNum());
      Error(message);
      continue;
    }
    // Children first, then the control joins its parent, then its own attributes (some,
    // like "selected" in a group or "selectedid", need the children or the parent).
    if (node->FirstChildElement()) Parse(node, control, pManager);
    // Without a parent only one control can be the result: the others would be lost.
    if (!pParent && first) {
      CDuiString message;
      message.Format("a second top-level control \"%s\" (line %d) left out", tag,
                     node->GetLineNum());
      Error(message);
      delete control;
      continue;
    }
    if (!Attach(control, pParent)) {
      delete control;
      continue;
    }
    // Attributes are applied with the manager set (for its defaults, fonts and option
    // groups); afterwards the control goes back to what joining its parent gave it.
    CPaintManagerUI* attachedManager = control->GetManager();
    CControlUI* attachedParent = control->GetParent();
    if (pManager) {
      control->SetManager(pManager, attachedParent, false);
      if (LPCSTR defaults = pManager->GetDefaultAttributeList(tag))
        control->ApplyAttributeList(defaults);
    }
    for (const tinyxml2::XMLAttribute* a = node->FirstAttribute(); a; a = a->Next())
      control->SetAttribute(a->Name(), a->Value());
    if (pManager) control->SetManager(attachedManager, attachedParent, false);
    if (!first) first = control;
  }
  return first;
}

}  // namespace DuiLib
