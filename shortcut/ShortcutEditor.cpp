#include "shortcut/ShortcutEditor.h"

#include "platform/log/Log.h"
#include "shortcut/ShortcutWnd.h"

namespace {
// WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_CAPTION | WS_SYSMENU
constexpr DWORD kEditorStyle = 0x96C80000;

ShortcutEditorHook& editorHook() {
  static ShortcutEditorHook hook;
  return hook;
}
}  // namespace

void SetShortcutEditorHook(ShortcutEditorHook hook) {
  editorHook() = std::move(hook);
}

UINT RunShortcutEditor(HWND owner, DuiLib::CTreeViewUI* pTree, int nMode) {
  TC_TRACE("::RunShortcutEditor()");
  if (editorHook()) return editorHook()(owner, pTree, nMode);
  CShortcutWnd editor(pTree, nMode);
  if (!editor.Create(owner, "", kEditorStyle, 0, 0, 0, 0, 0)) {
    TC_LOGF(TC_LOG_ERROR, "the quick-message editor (mode %d) could not be made", nMode);
    return IDCANCEL;
  }
  editor.CenterWindow();
  return editor.ShowModal();
}
