#include "app/LogSetup.h"

#include "platform/log/Log.h"
#include "app/Settings.h"
#include "platform/win32/Files.h"

#include <log4cplus/configurator.h>
#include <log4cplus/helpers/loglog.h>
#include <log4cplus/initializer.h>
#include <log4cplus/loglevel.h>

namespace {

// Every "./" of the template becomes the per-user folder, so each user logs into their own.
std::string ExpandTemplate(std::string text, const std::string& userFolder) {
  for (size_t pos = text.find("./"); pos != std::string::npos;
       pos = text.find("./", pos + userFolder.size()))
    text.replace(pos, 2, userFolder);
  return text;
}

}  // namespace

CDuiString GetLogConfigPath() {
  const std::string userFolder = GetUserDataPath().str();
  const std::string path = userFolder + "log.cfg";
  if (PathFileExistsA(path.c_str())) return path;
  std::string templ;
  if (!win32::ReadWholeFile(GetProgramFolder() + "log.cfg", templ)) return path;
  win32::WriteFileAtomically(path, ExpandTemplate(templ, userFolder), 0600);
  return path;
}

void InitLog() {
  log4cplus::initialize();
  // log4cplus still reports its configuration errors on standard error; its debug chatter
  // ("Just opened file", "Destroying appender") would fill the console of every run.
  log4cplus::helpers::LogLog::getLogLog()->setInternalDebugging(false);
  log4cplus::Logger& logger = tclog::Logger();
  try {
    const std::string path = GetLogConfigPath().str();
    log4cplus::PropertyConfigurator::doConfigure(path, log4cplus::Logger::getDefaultHierarchy(), 0);
    // Reads the file once more; the watcher ends with this scope, so nothing keeps watching.
    log4cplus::ConfigureAndWatchThread watcher(path, 5000);
  } catch (...) {
    if (logger.isEnabledFor(log4cplus::FATAL_LOG_LEVEL))
      logger.forcedLog(log4cplus::FATAL_LOG_LEVEL, "Exception occured...", "tandem_chats", __LINE__,
                       "void __cdecl InitLog(void)");
  }
}

void ShutdownLog() {
  log4cplus::Logger::shutdown();
}
