// The one place the panel opens the quick-message editor: CShortcutWnd in modes 0 to 3, run
// modally over the frame for the tree.
#pragma once

#include "platform/win32/Win32Types.h"

#include <functional>

namespace DuiLib {
class CTreeViewUI;
}

// Returns the editor's modal result: 1 after a save and after the close button alike;
// IDCANCEL when the window could not be made.
UINT RunShortcutEditor(HWND owner, DuiLib::CTreeViewUI* pTree, int nMode);

// Tests replace the modal window with a function of their own (empty: the window again).
using ShortcutEditorHook = std::function<UINT(HWND owner, DuiLib::CTreeViewUI* pTree, int nMode)>;
void SetShortcutEditorHook(ShortcutEditorHook hook);
