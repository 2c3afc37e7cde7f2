// The clipboard served by this process: Qt owns the X CLIPBOARD selection and answers
// other programs' requests from the GUI thread's event loop. An item offered here counts
// as fetched once a request for its data from the window the paste key went to (or another
// window of the same X client) was answered; after a paste key, replacing the item first
// waits for that (running the event loop meanwhile), or the second paste would repeat the
// first. Requests from anyone else are answered and do not count: a desktop shell or
// clipboard manager fetches every new item at once, long before the client pastes it.
#include "platform/win32/X11Private.h"

#include "platform/log/Log.h"

#include <QAbstractNativeEventFilter>
#include <QClipboard>
#include <QCoreApplication>
#include <QEventLoop>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <QThread>

#include <atomic>
#include <functional>
#include <chrono>
#include <cstring>
#include <thread>

#include <xcb/xcb.h>

namespace win32::x11 {
namespace {

// Incremented for every item offered; the fetched number tells which item was read.
std::atomic<std::uint64_t> s_offered{0};
std::atomic<std::uint64_t> s_fetched{0};
std::atomic<bool> s_pastePending{false};
// The window the last paste key went to; 0 when unknown (any request counts then).
std::atomic<XId> s_pasteTarget{0};
// The requestor of the selection request being answered (GUI thread only).
XId s_requestor = 0;

// Notes the requestor of each selection request before Qt answers it.
class CRequestorFilter : public QAbstractNativeEventFilter {
 public:
  bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override {
    if (type != "xcb_generic_event_t") return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    if ((event->response_type & 0x7F) == XCB_SELECTION_REQUEST)
      s_requestor = reinterpret_cast<const xcb_selection_request_event_t*>(event)->requestor;
    return false;
  }
};

// Whether the request being answered is the paste target's: the same X client created
// both windows when their ids share the client's resource base.
bool requestIsTargets() {
  const XId target = s_pasteTarget.load();
  xcb_connection_t* connection = QtXcbConnection();
  if (!target || !s_requestor || !connection) return true;
  const XId mask = xcb_get_setup(connection)->resource_id_mask;
  return (s_requestor & ~mask) == (target & ~mask);
}

class CTrackedMimeData : public QMimeData {
 public:
  explicit CTrackedMimeData(std::uint64_t item) : m_nItem(item) {}

 protected:
  QVariant retrieveData(const QString& mimeType, QMetaType type) const override {
    const QVariant data = QMimeData::retrieveData(mimeType, type);
    if (data.isValid() && requestIsTargets()) s_fetched.store(m_nItem);
    return data;
  }

 private:
  std::uint64_t m_nItem;
};

bool onGuiThread() {
  return QCoreApplication::instance() &&
         QThread::currentThread() == QCoreApplication::instance()->thread();
}

// Runs `offer` on the GUI thread (the clipboard lives there) and waits for it.
bool offerOnGuiThread(const std::function<void(CTrackedMimeData*)>& fill) {
  if (!ClipboardAvailable()) return false;
  auto offer = [fill] {
    static CRequestorFilter* filter = nullptr;
    if (!filter) {
      filter = new CRequestorFilter;
      QCoreApplication::instance()->installNativeEventFilter(filter);
    }
    const std::uint64_t item = s_offered.fetch_add(1) + 1;
    auto* data = new CTrackedMimeData(item);
    fill(data);
    s_pastePending.store(false);
    QGuiApplication::clipboard()->setMimeData(data, QClipboard::Clipboard);
  };
  if (onGuiThread())
    offer();
  else
    QMetaObject::invokeMethod(QCoreApplication::instance(), offer, Qt::BlockingQueuedConnection);
  return true;
}

QImage toQImage(const TBitmapPixels& image) {
  QImage converted(image.nWidth, image.nHeight, QImage::Format_ARGB32);
  for (int y = 0; y < image.nHeight; ++y)
    std::memcpy(converted.scanLine(y), image.vecPixels.data() + std::size_t(y) * image.nWidth,
                std::size_t(image.nWidth) * 4);
  return converted;
}

}  // namespace

bool QtAllowsX11() {
  auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
  return !app || QGuiApplication::platformName() == QLatin1String("xcb");
}

bool ClipboardAvailable() {
  return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) &&
         QGuiApplication::platformName() == QLatin1String("xcb");
}

xcb_connection_t* QtXcbConnection() {
  if (!ClipboardAvailable()) return nullptr;
  auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
  return x11 ? x11->connection() : nullptr;
}

bool ClipboardSetText(const std::u16string& text) {
  const QString qtext = QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
  return offerOnGuiThread([qtext](CTrackedMimeData* data) { data->setText(qtext); });
}

bool ClipboardSetImage(const TBitmapPixels& image) {
  if (image.nWidth <= 0 || image.nHeight <= 0) return false;
  const QImage qimage = toQImage(image);
  return offerOnGuiThread([qimage](CTrackedMimeData* data) { data->setImageData(qimage); });
}

void ClipboardNotePaste(XId target) {
  s_pasteTarget.store(target);
  s_pastePending.store(true);
}

// The GUI thread's loop runs inside an input sequence: it answers other programs' requests,
// but neither the operator's input nor timers (a timer of the frame would start the next
// reply item inside this one).
constexpr QEventLoop::ProcessEventsFlags kServeFlags =
    QEventLoop::ExcludeUserInputEvents | QEventLoop::X11ExcludeTimers;

void ClipboardServe() {
  if (onGuiThread()) QCoreApplication::processEvents(kServeFlags);
}

bool ClipboardWaitFetched(DWORD timeoutMs) {
  if (!s_pastePending.load() || s_fetched.load() == s_offered.load()) return true;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (s_fetched.load() != s_offered.load()) {
    // A time-out leaves the paste pending: a short wait (the fixed pause of a paste key)
    // ending must not let the next item replace this one before the target read it.
    if (std::chrono::steady_clock::now() >= deadline) return false;
    if (onGuiThread()) QCoreApplication::processEvents(kServeFlags);
    if (s_fetched.load() != s_offered.load())
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  s_pastePending.store(false);
  return true;
}

}  // namespace win32::x11
