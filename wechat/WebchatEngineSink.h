// What the copies engine (CWebchatEngine) reports to the window it works for: CWebchatMan in
// the main frame, a recorder in the tests. The window-found and profile reports go to the
// process-wide callbacks of CWebchatEngine::InitEnv instead, as the main frame expects them.
#pragma once

#include <string>

class IWebchatEngineSink {
 public:
  // The main window of the copy `key` went away; the key is already queued for
  // TakeClosedWeChats. Called on the copy's discovery thread, without the engine's lock.
  virtual void OnWeChatExit(const std::string& key) = 0;

 protected:
  ~IWebchatEngineSink() = default;
};
