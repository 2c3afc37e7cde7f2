#include "shortcut/ShortcutEditor.h"

#include "platform/log/Log.h"
#include "platform/ui/desktop/DesktopServices.h"

UINT RunShortcutEditor(HWND owner, DuiLib::CTreeViewUI* /*pTree*/, int nMode) {
  TC_LOGF(TC_LOG_INFO, "quick-message editor asked for in mode %d: not available yet", nMode);
  MessageBoxA(owner, "快捷语编辑功能尚未开放，敬请期待.", "提示", MB_ICONINFORMATION);
  return IDCANCEL;
}
