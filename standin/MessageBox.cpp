#include "standin/MessageBox.h"

#include <QCryptographicHash>
#include <QKeyEvent>
#include <QMimeData>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFragment>
#include <QTextImageFormat>
#include <QUrl>

#include <chrono>
#include <thread>

namespace standin {

CMessageBox::CMessageBox(QWidget* parent) : QTextEdit(parent) {
  setAcceptRichText(false);
}

std::string CMessageBox::HashPixels(const QImage& image) {
  const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
  QCryptographicHash hash(QCryptographicHash::Sha256);
  for (int y = 0; y < argb.height(); ++y)
    hash.addData(
        QByteArrayView(reinterpret_cast<const char*>(argb.constScanLine(y)), argb.width() * 4));
  return hash.result().toHex().toStdString();
}

void CMessageBox::keyPressEvent(QKeyEvent* event) {
  const bool isReturn = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
  if (isReturn && event->modifiers() == Qt::ControlModifier) {
    textCursor().insertBlock();
    return;
  }
  if (isReturn && event->modifiers() == Qt::NoModifier && m_send) {
    m_send();
    return;
  }
  if (event->matches(QKeySequence::Paste) && m_nPasteDelayMs > 0) {
    // Busy: nothing else is handled meanwhile, as in a client whose loop is blocked.
    std::this_thread::sleep_for(std::chrono::milliseconds(m_nPasteDelayMs));
    paste();
    return;
  }
  QTextEdit::keyPressEvent(event);
}

bool CMessageBox::canInsertFromMimeData(const QMimeData* source) const {
  return source->hasImage() || QTextEdit::canInsertFromMimeData(source);
}

void CMessageBox::insertFromMimeData(const QMimeData* source) {
  if (source->hasImage()) {
    const QImage image = qvariant_cast<QImage>(source->imageData());
    if (!image.isNull()) {
      const QString name = QStringLiteral("pasted-%1").arg(++m_nNextImage);
      document()->addResource(QTextDocument::ImageResource, QUrl(name), image);
      m_mapImages.insert(name, image);
      QTextImageFormat format;
      format.setName(name);
      textCursor().insertImage(format);
      return;
    }
  }
  if (source->hasText()) textCursor().insertText(source->text());
}

std::vector<TSentItem> CMessageBox::Items() const {
  std::vector<TSentItem> items;
  auto appendText = [&](const QString& text) {
    if (text.isEmpty()) return;
    if (items.empty() || items.back().strType != "text")
      items.push_back(TSentItem{"text", {}, 0, 0, {}});
    items.back().strText += text.toStdString();
  };
  bool firstBlock = true;
  for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
    if (!firstBlock) appendText(QStringLiteral("\n"));
    firstBlock = false;
    for (auto it = block.begin(); !it.atEnd(); ++it) {
      const QTextFragment fragment = it.fragment();
      if (!fragment.isValid()) continue;
      if (fragment.charFormat().isImageFormat()) {
        const QImage image = m_mapImages.value(fragment.charFormat().toImageFormat().name());
        // One object-replacement character per picture in the fragment.
        for (int i = 0; i < fragment.length(); ++i)
          items.push_back(TSentItem{"image", {}, image.width(), image.height(), HashPixels(image)});
      } else {
        appendText(fragment.text());
      }
    }
  }
  if (items.size() == 1 && items[0].strType == "text" && items[0].strText.empty()) items.clear();
  return items;
}

}  // namespace standin
