// Reading the CLIPBOARD selection, whoever owns it, and giving it up. Qt converts the
// owner's data (text as UTF-8 or the legacy targets, pictures from image/png and the other
// image targets) on the GUI thread, waiting for the owner with its own time limit; a call
// from another thread runs there and waits.
#include "platform/win32/X11Private.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <QThread>

#include <cstring>
#include <functional>

namespace win32::x11 {
namespace {

void onGuiThread(const std::function<void()>& work) {
  if (QThread::currentThread() == QCoreApplication::instance()->thread())
    work();
  else
    QMetaObject::invokeMethod(QCoreApplication::instance(), work, Qt::BlockingQueuedConnection);
}

}  // namespace

bool ClipboardGetText(std::u16string& text) {
  if (!ClipboardAvailable()) return false;
  bool found = false;
  onGuiThread([&] {
    const QMimeData* data = QGuiApplication::clipboard()->mimeData(QClipboard::Clipboard);
    if (!data || !data->hasText()) return;
    const QString value = data->text();
    text.assign(reinterpret_cast<const char16_t*>(value.utf16()),
                static_cast<std::size_t>(value.size()));
    found = true;
  });
  return found;
}

bool ClipboardGetImage(TBitmapPixels& image) {
  if (!ClipboardAvailable()) return false;
  bool found = false;
  onGuiThread([&] {
    const QMimeData* data = QGuiApplication::clipboard()->mimeData(QClipboard::Clipboard);
    if (!data || !data->hasImage()) return;
    const QImage picture =
        qvariant_cast<QImage>(data->imageData()).convertToFormat(QImage::Format_ARGB32);
    if (picture.isNull()) return;
    image.nWidth = picture.width();
    image.nHeight = picture.height();
    image.vecPixels.resize(std::size_t(image.nWidth) * std::size_t(image.nHeight));
    for (int y = 0; y < image.nHeight; ++y)
      std::memcpy(image.vecPixels.data() + std::size_t(y) * image.nWidth, picture.constScanLine(y),
                  std::size_t(image.nWidth) * 4);
    found = true;
  });
  return found;
}

bool ClipboardClear() {
  if (!ClipboardAvailable()) return false;
  onGuiThread([] { QGuiApplication::clipboard()->clear(QClipboard::Clipboard); });
  return true;
}

}  // namespace win32::x11
