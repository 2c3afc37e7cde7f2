// The message box of the stand-in's main window: a rich text editor that takes pasted
// text and pictures and hands its content over as transcript items. Its keys are the chat
// client's: Return sends, Ctrl+Return starts a new line in the box.
#pragma once

#include "standin/Transcript.h"

#include <QImage>
#include <QMap>
#include <QTextEdit>

#include <functional>
#include <vector>

namespace standin {

class CMessageBox : public QTextEdit {
 public:
  explicit CMessageBox(QWidget* parent = nullptr);
  // The content in order, adjacent text joined; empty when the box is empty.
  std::vector<TSentItem> Items() const;
  static std::string HashPixels(const QImage& image);
  void SetSendHandler(std::function<void()> send) { m_send = std::move(send); }
  // A busy client: Ctrl+V blocks the event loop this long before it fetches the clipboard.
  void SetPasteDelay(int milliseconds) { m_nPasteDelayMs = milliseconds; }

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  bool canInsertFromMimeData(const QMimeData* source) const override;
  void insertFromMimeData(const QMimeData* source) override;

 private:
  QMap<QString, QImage> m_mapImages;
  int m_nNextImage = 0;
  int m_nPasteDelayMs = 0;
  std::function<void()> m_send;
};

}  // namespace standin
