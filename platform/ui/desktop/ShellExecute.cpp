// Own
#include "platform/ui/desktop/ShellExecute.h"

// Project
#include "platform/log/Log.h"
#include "platform/ui/desktop/GuiThread_p.h"

// Qt
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QUrl>

// Standard
#include <cstdint>
#include <mutex>
#include <strings.h>
#include <utility>

namespace DuiLib {
namespace {

std::mutex s_hookMutex;
ShellExecuteHook s_shellExecuteHook;

ShellExecuteHook CopyHook() {
  std::lock_guard<std::mutex> lock(s_hookMutex);
  return s_shellExecuteHook;
}

}  // namespace

void SetShellExecuteHook(ShellExecuteHook hook) {
  std::lock_guard<std::mutex> lock(s_hookMutex);
  s_shellExecuteHook = std::move(hook);
}

}  // namespace DuiLib

using namespace DuiLib;

HINSTANCE ShellExecuteA(HWND /*hwnd*/, LPCSTR lpOperation, LPCSTR lpFile, LPCSTR lpParameters,
                        LPCSTR lpDirectory, INT /*nShowCmd*/) {
  const auto failure = [](std::uintptr_t code) { return reinterpret_cast<HINSTANCE>(code); };
  const auto success = reinterpret_cast<HINSTANCE>(static_cast<std::uintptr_t>(42));
  const std::string verb = lpOperation ? lpOperation : "open";
  const std::string file = Safe(lpFile);
  const std::string params = Safe(lpParameters);
  if (file.empty()) return failure(ERROR_FILE_NOT_FOUND);
  if (ShellExecuteHook hook = CopyHook())
    return hook(verb, file, params) ? success : failure(SE_ERR_NOASSOC);
  if (strcasecmp(verb.c_str(), "open") != 0) {
    TC_LOG(TC_LOG_WARN, "ShellExecute verb \"" << verb << "\" is not supported");
    return failure(SE_ERR_NOASSOC);
  }
  const QString target = FromUtf8(file);
  QUrl url(target);
  if (url.scheme().size() < 2) {  // a path (a one-letter scheme would be a drive letter)
    QDir base(lpDirectory && *lpDirectory ? QString::fromUtf8(lpDirectory) : QDir::currentPath());
    const QString path = base.absoluteFilePath(target);
    const QFileInfo info(path);
    if (!info.exists()) return failure(ERROR_FILE_NOT_FOUND);
    if (info.isFile() && info.isExecutable())
      return QProcess::startDetached(path, QProcess::splitCommand(FromUtf8(params)))
                 ? success
                 : failure(SE_ERR_NOASSOC);
    url = QUrl::fromLocalFile(path);
  }
  return QDesktopServices::openUrl(url) ? success : failure(SE_ERR_NOASSOC);
}
