// Own
#include "platform/ui/desktop/FileDialogs.h"

// Project
#include "platform/log/Log.h"
#include "platform/ui/desktop/GuiThread_p.h"

// Qt
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStringList>

// Standard
#include <algorithm>
#include <cstring>
#include <mutex>
#include <utility>

namespace DuiLib {
namespace {

std::mutex s_hookMutex;
FileDialogHook s_fileDialogHook;
// The folder of the last file chosen, where the next dialog without a folder of its own
// opens (GUI thread only).
QString s_lastFolder;
thread_local DWORD s_commDlgError = 0;

FileDialogHook CopyHook() {
  std::lock_guard<std::mutex> lock(s_hookMutex);
  return s_fileDialogHook;
}

QWidget* OwnerWidget(HWND hwnd) {
  IWindowSystem& windows = WindowSystem();
  return windows.IsGuiThread() ? windows.HostWidget(hwnd) : nullptr;
}

// "Excel (*.xls)\0*.xls\0All\0*.*\0\0" -> "Excel (*.xls) (*.xls);;All (*.*)"
QStringList QtFilters(LPCSTR filter) {
  QStringList result;
  if (!filter) return result;
  for (const char* p = filter; *p;) {
    const std::string name = p;
    p += name.size() + 1;
    if (!*p) break;
    std::string patterns = p;
    p += patterns.size() + 1;
    QString qtPatterns = FromUtf8(patterns);
    qtPatterns.replace(QLatin1Char(';'), QLatin1Char(' '));
    result << FromUtf8(name) + QStringLiteral(" (") + qtPatterns + QLatin1Char(')');
  }
  return result;
}

std::string RunFileDialog(bool save, const OPENFILENAMEA& ofn, DWORD* filterIndex) {
  WindowSystem().Install();
  QFileDialog dialog(OwnerWidget(ofn.hwndOwner));
  // Qt's own dialog, in Chinese like the rest of the program: a desktop's native one would
  // speak the desktop's language.
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  dialog.setWindowTitle(ofn.lpstrTitle ? QString::fromUtf8(ofn.lpstrTitle)
                        : save         ? QStringLiteral("另存为")
                                       : QStringLiteral("打开"));
  dialog.setLabelText(QFileDialog::LookIn,
                      save ? QStringLiteral("保存在:") : QStringLiteral("查找范围:"));
  dialog.setLabelText(QFileDialog::FileName, QStringLiteral("文件名:"));
  dialog.setLabelText(QFileDialog::FileType,
                      save ? QStringLiteral("保存类型:") : QStringLiteral("文件类型:"));
  dialog.setLabelText(QFileDialog::Accept, save ? QStringLiteral("保存") : QStringLiteral("打开"));
  dialog.setLabelText(QFileDialog::Reject, QStringLiteral("取消"));
  // Without a folder of its own the dialog opens where the last file was chosen, or in the
  // user's documents folder, never in the program's.
  QString folder = s_lastFolder;
  if (folder.isEmpty() || !QDir(folder).exists())
    folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  if (folder.isEmpty() || !QDir(folder).exists()) folder = QDir::homePath();
  dialog.setDirectory(folder);
  const QStringList filters = QtFilters(ofn.lpstrFilter);
  if (!filters.isEmpty()) {
    dialog.setNameFilters(filters);
    const int index = ofn.nFilterIndex > 0 ? static_cast<int>(ofn.nFilterIndex) - 1 : 0;
    if (index < filters.size()) dialog.selectNameFilter(filters[index]);
  }
  if (ofn.lpstrInitialDir && *ofn.lpstrInitialDir)
    dialog.setDirectory(QString::fromUtf8(ofn.lpstrInitialDir));
  if (ofn.lpstrFile && *ofn.lpstrFile) dialog.selectFile(QString::fromUtf8(ofn.lpstrFile));
  if (ofn.lpstrDefExt) dialog.setDefaultSuffix(QString::fromUtf8(ofn.lpstrDefExt));
  if (save && !(ofn.Flags & OFN_OVERWRITEPROMPT))
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  *filterIndex = static_cast<DWORD>(filters.indexOf(dialog.selectedNameFilter()) + 1);
  const QString chosen = dialog.selectedFiles().first();
  s_lastFolder = QFileInfo(chosen).absolutePath();
  return chosen.toStdString();
}

BOOL FileDialog(bool save, LPOPENFILENAMEA ofn) {
  s_commDlgError = 0;
  if (!ofn || !ofn->lpstrFile || ofn->nMaxFile == 0) {
    TC_LOG(TC_LOG_ERROR, "file dialog without a file buffer");
    return FALSE;
  }
  DWORD filterIndex = ofn->nFilterIndex;
  std::string path;
  if (FileDialogHook hook = CopyHook()) {
    path = hook(save, *ofn);
  } else {
    path = OnGuiThreadAndWait([&] { return RunFileDialog(save, *ofn, &filterIndex); });
  }
  if (path.empty()) return FALSE;
  if (path.size() + 1 > ofn->nMaxFile) {
    TC_LOG(TC_LOG_WARN, "chosen path longer than the buffer of " << ofn->nMaxFile << " bytes");
    s_commDlgError = FNERR_BUFFERTOOSMALL;
    return FALSE;
  }
  std::memcpy(ofn->lpstrFile, path.c_str(), path.size() + 1);
  const size_t slash = path.rfind('/');
  const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
  const size_t dot = path.rfind('.');
  ofn->nFileOffset = static_cast<WORD>(nameStart);
  ofn->nFileExtension =
      static_cast<WORD>(dot != std::string::npos && dot >= nameStart ? dot + 1 : 0);
  ofn->nFilterIndex = filterIndex;
  if (ofn->lpstrFileTitle && ofn->nMaxFileTitle > 0) {
    const std::string title = path.substr(nameStart);
    const size_t n = std::min<size_t>(title.size(), ofn->nMaxFileTitle - 1);
    std::memcpy(ofn->lpstrFileTitle, title.data(), n);
    ofn->lpstrFileTitle[n] = '\0';
  }
  return TRUE;
}

}  // namespace

void SetFileDialogHook(FileDialogHook hook) {
  std::lock_guard<std::mutex> lock(s_hookMutex);
  s_fileDialogHook = std::move(hook);
}

}  // namespace DuiLib

using namespace DuiLib;

BOOL GetOpenFileNameA(LPOPENFILENAMEA ofn) {
  return FileDialog(false, ofn);
}
BOOL GetSaveFileNameA(LPOPENFILENAMEA ofn) {
  return FileDialog(true, ofn);
}
DWORD CommDlgExtendedError() {
  return s_commDlgError;
}
