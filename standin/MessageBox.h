// The message box of the stand-in's main window: a rich text editor that takes pasted
// text and pictures and hands its content over as transcript items.
#pragma once

#include "standin/Transcript.h"

#include <QImage>
#include <QMap>
#include <QTextEdit>

#include <vector>

namespace standin {

class CMessageBox : public QTextEdit {
 public:
  explicit CMessageBox(QWidget* parent = nullptr);
  // The content in order, adjacent text joined; empty when the box is empty.
  std::vector<TSentItem> Items() const;
  static std::string HashPixels(const QImage& image);

 protected:
  bool canInsertFromMimeData(const QMimeData* source) const override;
  void insertFromMimeData(const QMimeData* source) override;

 private:
  QMap<QString, QImage> m_mapImages;
  int m_nNextImage = 0;
};

}  // namespace standin
