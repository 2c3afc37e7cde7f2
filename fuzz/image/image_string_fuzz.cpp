// Any byte string as a DuiLib image string: parsing never crashes, and what it accepts is
// drawn into a small picture from a real nine-patch file.
#include "platform/ui/core/UIImage.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

struct TSetup {
  TSetup() {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static int argc = 1;
    static char name[] = "image_string_fuzz";
    static char* argv[] = {name, nullptr};
    app = new QGuiApplication(argc, argv);
    QImage picture(8, 8, QImage::Format_ARGB32);
    picture.fill(QColor(255, 0, 255));
    picture.save(dir.filePath("a.png"));
    folder = dir.path().toStdString();
  }
  QGuiApplication* app;
  QTemporaryDir dir;
  std::string folder;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static TSetup setup;
  const std::string text(reinterpret_cast<const char*>(data), size);
  DuiLib::TDrawInfo info;
  DuiLib::ParseImageString(text.c_str(), info);
  if (info.sImageName == "a.png") {
    QImage canvas(16, 16, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&canvas);
    const RECT item{0, 0, 16, 16};
    DuiLib::DrawImage(painter, item, item, info, setup.folder);
  }
  return 0;
}
