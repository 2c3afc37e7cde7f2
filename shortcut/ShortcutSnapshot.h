// The local snapshot of the quick-message tree, "mfls.xml". Written after every successful
// change of the library, never read back by the program (the server is the store of record);
// it is for the operator and for support.
//
//   <?xml?>
//   <root>
//       <item id="3" title="售后">
//           <item id="7" title="退货" value="{...message JSON...}"/>
//       </item>
//   </root>
//
// Where it lives: the per-user data folder, beside the reply files, never the program folder
// (which may be read-only and is shared by every user of the machine). The account list's
// remarks, which the first design kept in a file of the same name, live in a file of their
// own (GetRemarkFilePath), so neither writer can overwrite the other's content.
#pragma once

#include <string>

namespace DuiLib {
class CTreeViewUI;
}

class CShortcutSnapshot {
 public:
  // Per-user data folder + "mfls.xml"; empty when the folder cannot be had.
  static std::string DefaultPath();
  // The document for the tree: every top-level node but the sentinel with its children.
  static std::string Build(DuiLib::CTreeViewUI* pTree);
  // Writes Build(pTree) to `path`, replacing the file atomically; false when it could not be
  // written (the old file is then left as it was).
  static bool Save(DuiLib::CTreeViewUI* pTree, const std::string& path);
};
