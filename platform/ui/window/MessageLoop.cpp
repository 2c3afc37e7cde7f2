// Own
#include "platform/ui/window/MessageLoop_p.h"

// Project
#include "platform/log/Log.h"
#include "platform/ui/window/OwnWindowSystem_p.h"
#include "platform/ui/window/OwnWindows_p.h"
#include "platform/ui/window/RemoteRequestFilter_p.h"
#include "platform/ui/window/WindowHost_p.h"

// Qt
#include <QApplication>
#include <QEvent>
#include <QEventLoop>
#include <QKeyEvent>
#include <QLibraryInfo>
#include <QLocale>
#include <QThread>
#include <QTimer>
#include <QTranslator>

// Standard
#include <log4cplus/logger.h>

#include <atomic>
#include <cstdio>
#include <deque>
#include <future>
#include <map>
#include <mutex>

namespace DuiLib {
namespace {

// A posted message, or a parcel (msg 0) that owns what it carries until it is delivered or
// dropped.
struct TQueuedMessage {
  HWND hwnd = nullptr;
  UINT msg = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
  std::unique_ptr<win32::PostedParcel> parcel;
};

// One running loop. "finishing" is set once it has been told to end: from then on no queued
// message is delivered until it has returned, so that whatever follows a quit goes to the
// enclosing loop, as on Windows.
struct TLoop {
  QEventLoop loop;
  HWND hwnd = nullptr;
  bool finishing = false;
  bool quit = false;
  int exitCode = 0;
};

const QEvent::Type kWakeEvent = static_cast<QEvent::Type>(QEvent::User + 0x2D1);

class CMessageDispatcher final : public QObject {
 public:
  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
};

std::mutex s_queueMutex;
std::deque<TQueuedMessage> s_queue;
std::vector<TLoop*> s_loops;  // GUI thread only
bool s_pendingQuit = false;
int s_pendingQuitCode = 0;
std::map<std::pair<HWND, UINT_PTR>, QTimer*> s_timers;  // GUI thread only
std::atomic<PreTranslateHook> s_preTranslate{nullptr};
CMessageDispatcher* s_dispatcher = nullptr;
std::once_flag s_installOnce;

bool InnermostFinishing() {
  return !s_loops.empty() && s_loops.back()->finishing;
}

void Wake() {
  if (s_dispatcher) QCoreApplication::postEvent(s_dispatcher, new QEvent(kWakeEvent));
}

void DeliverQuit(int exitCode) {
  if (s_loops.empty()) {
    s_pendingQuit = true;
    s_pendingQuitCode = exitCode;
    return;
  }
  TLoop* loop = s_loops.back();
  loop->finishing = true;
  loop->quit = true;
  loop->exitCode = exitCode;
  loop->loop.exit(exitCode);
}

void Dispatch(TQueuedMessage& m) {
  if (!m.parcel && m.msg == WM_QUIT) {
    DeliverQuit(static_cast<int>(m.wParam));
    return;
  }
  CWindowHost* host = COwnWindows::Instance().Host(m.hwnd);
  if (!host) {
    TC_LOG(TC_LOG_DEBUG, "message 0x" << std::hex << m.msg << " to a window that is gone dropped");
    return;
  }
  if (m.parcel) {
    m.parcel->Deliver(m.hwnd);
    return;
  }
  if (m.msg == WM_CLOSE) NoteModalResult(m.hwnd, static_cast<UINT>(m.wParam));
  host->Deliver(m.msg, m.wParam, m.lParam);
}

void Drain() {
  for (;;) {
    if (InnermostFinishing()) return;  // the enclosing loop continues after it has returned
    TQueuedMessage m;
    {
      std::lock_guard<std::mutex> lock(s_queueMutex);
      if (s_queue.empty()) return;
      m = std::move(s_queue.front());
      s_queue.pop_front();
    }
    Dispatch(m);
  }
}

bool IsInputEvent(QEvent::Type type) {
  switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::TouchBegin:
      return true;
    default:
      return false;
  }
}

// A window of ours disabled by EnableWindow (or a disabled parent) gets no input, also not
// in the Qt editors that controls place on it.
// Whether the widget sits in one of our windows. A message box or file dialog made with one
// of our windows as its Qt parent is a window of its own: the owner disabled for it must not
// block it, and its keys are not the owner's to pre-translate.
bool InOurWindow(QWidget* widget) {
  CWindowHost* host = HostOf(widget);
  return host && host->window() == widget->window();
}

bool InputBlocked(QWidget* widget) {
  for (CWindowHost* host = HostOf(widget); host; host = HostOf(host->parentWidget())) {
    if (!host->IsInputEnabled()) return true;
    if (host->isWindow()) break;
  }
  return false;
}

// A key that a child (an editor) declined travels on to its parents, and Qt shows it to the
// application's filters again at every step. The window's filters saw it when it reached the
// child; as on Windows, where a key reaches a window's filters once, it is not shown again.
bool DeclinedByAChild(QWidget* widget) {
  QWidget* focus = widget->window()->focusWidget();
  return focus && focus != widget && widget->isAncestorOf(focus);
}

bool PreTranslateKey(QWidget* widget, QKeyEvent* key) {
  PreTranslateHook hook = s_preTranslate.load();
  CWindowHost* host = HostOf(widget);
  if (!hook || !host || !host->Window()) return false;
  const bool keypad = key->modifiers() & Qt::KeypadModifier;
  const UINT vk = QtKeyToVirtualKey(key->key(), keypad);
  if (vk == 0) return false;
  const bool down = key->type() == QEvent::KeyPress;
  const bool alt = key->modifiers() & Qt::AltModifier;
  MSG msg{};
  msg.hwnd = host->Hwnd();
  msg.message = alt ? (down ? WM_SYSKEYDOWN : WM_SYSKEYUP) : (down ? WM_KEYDOWN : WM_KEYUP);
  msg.wParam = vk;
  msg.lParam = down ? 1 : static_cast<LPARAM>(0xC0000001u);
  return hook(&msg);
}

bool CMessageDispatcher::event(QEvent* event) {
  if (event->type() == kWakeEvent) {
    Drain();
    return true;
  }
  return QObject::event(event);
}

bool CMessageDispatcher::eventFilter(QObject* watched, QEvent* event) {
  if (!watched->isWidgetType() || !IsInputEvent(event->type())) return false;
  auto* widget = static_cast<QWidget*>(watched);
  if (!InOurWindow(widget)) return false;
  if (InputBlocked(widget)) return true;
  if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease)
    return !DeclinedByAChild(widget) && PreTranslateKey(widget, static_cast<QKeyEvent*>(event));
  return false;
}

// Qt's own messages (warnings of its platform plugins and the like) go to the log, not to the
// console: logger "platform.ui.qt". Before the program has configured the log there is
// nowhere to keep them; only critical ones reach standard error then.
void RouteQtMessage(QtMsgType type, const QMessageLogContext&, const QString& text) {
  static log4cplus::Logger logger = log4cplus::Logger::getInstance("platform.ui.qt");
  static constexpr std::pair<QtMsgType, log4cplus::LogLevel> kLevels[] = {
      {QtDebugMsg, log4cplus::DEBUG_LOG_LEVEL},
      {QtInfoMsg, log4cplus::INFO_LOG_LEVEL},
      {QtWarningMsg, log4cplus::WARN_LOG_LEVEL},
      {QtCriticalMsg, log4cplus::ERROR_LOG_LEVEL},
      {QtFatalMsg, log4cplus::FATAL_LOG_LEVEL}};
  log4cplus::LogLevel level = log4cplus::WARN_LOG_LEVEL;
  for (const auto& [qtType, logLevel] : kLevels)
    if (qtType == type) level = logLevel;
  const std::string message = text.toStdString();
  if (log4cplus::Logger::getRoot().getAllAppenders().empty()) {
    if (level >= log4cplus::ERROR_LOG_LEVEL) std::fprintf(stderr, "%s\n", message.c_str());
    return;
  }
  if (logger.isEnabledFor(level)) logger.forcedLog(level, message);
}

void EnsureApplication() {
  if (QCoreApplication::instance()) {
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
      TC_LOG(TC_LOG_ERROR, "a QCoreApplication without widgets exists; windows cannot be made");
    return;
  }
  static int argc = 1;
  static char name[] = "tandem_chats";
  static char* argv[] = {name, nullptr};
  qInstallMessageHandler(&RouteQtMessage);
  new QApplication(argc, argv);  // lives for the whole process
  // Qt's own texts (the file dialog's columns and questions, file kinds, dates) in Chinese,
  // as the program's are, whatever the desktop's language; English where the translation is
  // not installed.
  QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
  auto* translator = new QTranslator(qApp);
  if (translator->load(QStringLiteral("qtbase_zh_CN"),
                       QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    QCoreApplication::installTranslator(translator);
  else
    TC_LOG(TC_LOG_INFO, "Qt's Chinese translation is not installed");
}

// The paint manager and the desktop services reach the windows through this registration,
// since they may not include the window layer. It is made before main because
// CPaintManagerUI::SetInstance, a program's first call, already needs it; every program with
// windows links this file (the first window installs the backend from here).
[[maybe_unused]] const bool s_bWindowSystemRegistered = (SetWindowSystem(&OwnWindowSystem()), true);

}  // namespace

void InstallOwnWindowBackend() {
  std::call_once(s_installOnce, [] {
    EnsureApplication();
    QApplication::setQuitOnLastWindowClosed(false);  // our loops decide when to end
    s_dispatcher = new CMessageDispatcher;
    qApp->installEventFilter(s_dispatcher);
    // Window calls from other processes of this program (a second start, an updater).
    qApp->installNativeEventFilter(new CRemoteRequestFilter);
    win32::SetOwnWindowBackend(&COwnWindows::Instance());
    win32::SetParcelQueue(&COwnWindows::Instance());
  });
}

bool IsGuiThread() {
  return QCoreApplication::instance() && QThread::currentThread() == qApp->thread();
}

bool RunNestedLoop(HWND hWnd, int* exitCode) {
  InstallOwnWindowBackend();
  if (s_pendingQuit) {
    s_pendingQuit = false;
    if (exitCode) *exitCode = s_pendingQuitCode;
    return true;
  }
  if (hWnd && !COwnWindows::Instance().Host(hWnd)) return false;
  TLoop loop;
  loop.hwnd = hWnd;
  s_loops.push_back(&loop);
  Wake();
  loop.loop.exec();
  s_loops.pop_back();
  Wake();  // what was queued behind the quit goes to the enclosing loop
  if (exitCode) *exitCode = loop.exitCode;
  return loop.quit;
}

int RunMessageLoop() {
  int exitCode = 0;
  RunNestedLoop(nullptr, &exitCode);
  return exitCode;
}

int MessageLoopDepth() {
  return static_cast<int>(s_loops.size());
}

void PumpMessages() {
  InstallOwnWindowBackend();
  QCoreApplication::sendPostedEvents();
  QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void SetPreTranslateHook(PreTranslateHook hook) {
  s_preTranslate.store(hook);
}
PreTranslateHook GetPreTranslateHook() {
  return s_preTranslate.load();
}

void QueueMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  {
    std::lock_guard<std::mutex> lock(s_queueMutex);
    s_queue.push_back({hwnd, msg, wParam, lParam, nullptr});
  }
  Wake();
}

void QueueParcel(HWND hwnd, std::unique_ptr<win32::PostedParcel> parcel) {
  {
    std::lock_guard<std::mutex> lock(s_queueMutex);
    s_queue.push_back({hwnd, 0, 0, 0, std::move(parcel)});
  }
  Wake();
}

void DropQueuedMessages(HWND hwnd) {
  std::deque<TQueuedMessage> dropped;
  {
    std::lock_guard<std::mutex> lock(s_queueMutex);
    for (auto it = s_queue.begin(); it != s_queue.end();) {
      if (it->hwnd == hwnd && hwnd) {
        dropped.push_back(std::move(*it));
        it = s_queue.erase(it);
      } else {
        ++it;
      }
    }
  }
  // Destroyed outside the lock: a payload's destructor may post again.
}

LRESULT SendToWindow(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (IsGuiThread()) {
    CWindowHost* host = COwnWindows::Instance().Host(hwnd);
    return host ? host->Deliver(msg, wParam, lParam) : 0;
  }
  if (!s_dispatcher) return 0;
  auto done = std::make_shared<std::promise<LRESULT>>();
  std::future<LRESULT> result = done->get_future();
  QMetaObject::invokeMethod(
      s_dispatcher,
      [=] {
        CWindowHost* host = COwnWindows::Instance().Host(hwnd);
        done->set_value(host ? host->Deliver(msg, wParam, lParam) : 0);
      },
      Qt::QueuedConnection);
  return result.get();
}

void RunOnGuiThread(std::function<void()> fn) {
  if (!s_dispatcher) return;
  QMetaObject::invokeMethod(s_dispatcher, std::move(fn), Qt::QueuedConnection);
}

UINT_PTR StartWindowTimer(HWND hwnd, UINT_PTR id, UINT elapseMs) {
  if (!IsGuiThread()) {
    RunOnGuiThread([=] { StartWindowTimer(hwnd, id, elapseMs); });
    return id;
  }
  if (!COwnWindows::Instance().Host(hwnd)) return 0;
  QTimer*& timer = s_timers[{hwnd, id}];
  if (!timer) {
    timer = new QTimer(s_dispatcher);
    QObject::connect(timer, &QTimer::timeout, s_dispatcher, [hwnd, id] {
      if (InnermostFinishing()) return;
      if (CWindowHost* host = COwnWindows::Instance().Host(hwnd))
        host->Deliver(WM_TIMER, id, 0);
      else
        StopWindowTimer(hwnd, id);
    });
  }
  timer->start(static_cast<int>(std::min<UINT>(elapseMs, 0x7FFFFFFF)));
  return id;
}

bool StopWindowTimer(HWND hwnd, UINT_PTR id) {
  if (!IsGuiThread()) {
    RunOnGuiThread([=] { StopWindowTimer(hwnd, id); });
    return COwnWindows::Instance().IsOwn(hwnd);
  }
  auto it = s_timers.find({hwnd, id});
  if (it == s_timers.end()) return false;
  it->second->stop();
  it->second->deleteLater();  // may be the timer whose timeout is running
  s_timers.erase(it);
  return true;
}

void StopWindowTimers(HWND hwnd) {
  for (auto it = s_timers.begin(); it != s_timers.end();) {
    if (it->first.first == hwnd) {
      it->second->stop();
      it->second->deleteLater();
      it = s_timers.erase(it);
    } else {
      ++it;
    }
  }
}

void NotifyWindowGone(HWND hwnd) {
  for (TLoop* loop : s_loops) {
    if (loop->hwnd == hwnd && !loop->finishing) {
      loop->finishing = true;
      loop->loop.exit(0);
    }
  }
}

}  // namespace DuiLib
