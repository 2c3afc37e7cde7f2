// What the desktop services share: running a dialog on the GUI thread for a caller on any
// thread, and UTF-8 text for Qt.
#pragma once

#include "platform/ui/core/WindowSystem_p.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QString>

#include <string>

namespace DuiLib {

// Runs fn on the GUI thread and waits for it (the calling thread may be any thread).
template <typename Fn>
auto OnGuiThreadAndWait(Fn fn) -> decltype(fn()) {
  if (!QCoreApplication::instance()) WindowSystem().Install();
  if (WindowSystem().IsGuiThread()) return fn();
  decltype(fn()) result{};
  QMetaObject::invokeMethod(
      qApp, [&] { result = fn(); }, Qt::BlockingQueuedConnection);
  return result;
}

inline QString FromUtf8(const std::string& text) {
  return QString::fromUtf8(text.data(), static_cast<int>(text.size()));
}

inline std::string Safe(const char* text) {
  return text ? text : "";
}

}  // namespace DuiLib
