// Builds a control tree from a DuiLib XML skin (read with TinyXML-2).
//
//   <Window size="600,400" caption="0,0,0,32" sizebox="4,4,4,4" roundcorner="4,4"
//   mininfo="400,300">
//     <Font id="0" name="Noto Sans CJK SC" size="13" default="true"/>
//     <Default name="Button" value="textcolor=&quot;#FF333333&quot;"/>
//     <VerticalLayout> ... controls ... <Include source="part.xml"/> </VerticalLayout>
//   </Window>
//
// Tags are control classes (case-insensitive): the built-ins, then factories registered
// with RegisterControl, then the callback's CreateControl. A broken skin never stops the
// build: a missing file or malformed XML gives null and a log line; an unknown class or a
// bad attribute value is logged and that part is left out (or keeps its default).
#pragma once

#include "platform/ui/core/ControlUI.h"

#include <memory>

namespace tinyxml2 {
class XMLDocument;
class XMLElement;
}  // namespace tinyxml2

namespace DuiLib {

class CPaintManagerUI;

class IDialogBuilderCallback {
 public:
  virtual ~IDialogBuilderCallback() = default;
  // A control for a class the library does not know, or null.
  virtual CControlUI* CreateControl(LPCTSTR pstrClass) = 0;
};

using CreateControlFn = CControlUI* (*)();

class CDialogBuilder {
 public:
  CDialogBuilder();
  ~CDialogBuilder();
  CDialogBuilder(const CDialogBuilder&) = delete;
  CDialogBuilder& operator=(const CDialogBuilder&) = delete;

  // xml: XML text when it starts with '<', else a file name (absolute, or relative to the
  // resource path). type is accepted for DuiLib's callers and ignored. With pManager the
  // Window element's settings, fonts and defaults go to the manager; with pParent the
  // controls are added to it.
  CControlUI* Create(LPCTSTR xml, LPCTSTR type = nullptr,
                     IDialogBuilderCallback* pCallback = nullptr,
                     CPaintManagerUI* pManager = nullptr, CControlUI* pParent = nullptr);
  // Builds again from the document loaded last.
  CControlUI* Create(IDialogBuilderCallback* pCallback = nullptr,
                     CPaintManagerUI* pManager = nullptr, CControlUI* pParent = nullptr);

  // The last error ("" when the last build had none).
  CDuiString GetLastErrorMessage() const { return m_sLastError; }

  // Makes a class name known to every builder (a plugin control).
  static void RegisterControl(LPCTSTR pstrClass, CreateControlFn fn);
  // A built-in or registered control for the class name, or null.
  static CControlUI* CreateBuiltinControl(LPCTSTR pstrClass);

 private:
  bool Load(LPCTSTR xml);
  void ApplyWindowSettings(tinyxml2::XMLElement* root, CPaintManagerUI* pManager);
  CControlUI* Parse(tinyxml2::XMLElement* parent, CControlUI* pParent, CPaintManagerUI* pManager);
  CControlUI* ParseInclude(tinyxml2::XMLElement* node, CControlUI* pParent,
                           CPaintManagerUI* pManager);
  bool Attach(CControlUI* pControl, CControlUI* pParent);
  void Error(const CDuiString& message);

  std::unique_ptr<tinyxml2::XMLDocument> m_pDocument;
  IDialogBuilderCallback* m_pCallback = nullptr;
  CDuiString m_sSource;
  CDuiString m_sLastError;
  int m_iIncludeDepth = 0;
};

}  // namespace DuiLib
