// The one place the panel opens the quick-message editor (CShortcutWnd in modes 0 to 3, run
// modally over the frame for the tree). Until the editor window exists this says so to the
// operator and changes nothing; the editor replaces the body of this function.
#pragma once

#include "platform/win32/Win32Types.h"

namespace DuiLib {
class CTreeViewUI;
}

// Returns the editor's modal result (IDOK when something was saved), IDCANCEL otherwise.
UINT RunShortcutEditor(HWND owner, DuiLib::CTreeViewUI* pTree, int nMode);
