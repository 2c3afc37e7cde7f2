// Image strings, the image cache and nine-patch drawing.
#include "platform/ui/core/UIImage.h"
#include "platform/ui/window/MessageLoop.h"

#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <string>

using DuiLib::CImageCache;
using DuiLib::TDrawInfo;

namespace {

bool SameRect(const RECT& r, LONG l, LONG t, LONG rr, LONG b) {
  return r.left == l && r.top == t && r.right == rr && r.bottom == b;
}

TEST(ImageString, BareFileName) {
  TDrawInfo info;
  EXPECT_TRUE(DuiLib::ParseImageString("  shadow.png ", info));
  EXPECT_EQ(info.sImageName, "shadow.png");
  EXPECT_FALSE(info.bHasSource);
  EXPECT_FALSE(info.bHasDest);
  EXPECT_EQ(info.dwMask, 0u);
  EXPECT_EQ(info.uFade, 255);
}

TEST(ImageString, EveryKeyWithSpacesAroundTheEqualsSign) {
  TDrawInfo info;
  ASSERT_TRUE(DuiLib::ParseImageString(
      "file = 'wechatlist_scrollbar.bmp' source = '0,162,16,178' corner = '2,2,2,2' "
      "mask = '#FFFF00FF' dest='80, 160, 201, 278' fade='128' xtiled='true' ytiled='FALSE' "
      "hole=\"true\" restype='png'",
      info));
  EXPECT_EQ(info.sImageName, "wechatlist_scrollbar.bmp");
  EXPECT_TRUE(info.bHasSource);
  EXPECT_TRUE(SameRect(info.rcSource, 0, 162, 16, 178));
  EXPECT_TRUE(info.bHasDest);
  EXPECT_TRUE(SameRect(info.rcDest, 80, 160, 201, 278));
  EXPECT_TRUE(SameRect(info.rcCorner, 2, 2, 2, 2));
  EXPECT_EQ(info.dwMask, 0xFFFF00FFu);
  EXPECT_EQ(info.uFade, 128);
  EXPECT_TRUE(info.bTiledX);
  EXPECT_FALSE(info.bTiledY);
  EXPECT_TRUE(info.bHole);
}

TEST(ImageString, MaskForms) {
  TDrawInfo info;
  EXPECT_TRUE(DuiLib::ParseImageString("file='a.bmp' mask='0xFFFF00FF'", info));
  EXPECT_EQ(info.dwMask, 0xFFFF00FFu);
  EXPECT_TRUE(DuiLib::ParseImageString("file='a.bmp' mask='#FF00FF'", info));
  EXPECT_EQ(info.dwMask, 0xFFFF00FFu);  // no alpha given: opaque
  EXPECT_FALSE(DuiLib::ParseImageString("file='a.bmp' mask='#GG00FF'", info));
  EXPECT_EQ(info.dwMask, 0u);
  EXPECT_EQ(info.sImageName, "a.bmp");  // the good parts stay
}

TEST(ImageString, BadInputIsRejectedWithoutLosingTheRest) {
  TDrawInfo info;
  EXPECT_FALSE(DuiLib::ParseImageString("file='a.png' source='1,2,3'", info));
  EXPECT_EQ(info.sImageName, "a.png");
  EXPECT_FALSE(info.bHasSource);
  EXPECT_FALSE(DuiLib::ParseImageString("file='a.png' corner='-1,0,0,0'", info));
  EXPECT_TRUE(SameRect(info.rcCorner, 0, 0, 0, 0));
  EXPECT_FALSE(DuiLib::ParseImageString("file='a.png' dest='1,2,3,4,5'", info));
  EXPECT_FALSE(DuiLib::ParseImageString("file='a.png' fade='x'", info));
  EXPECT_FALSE(DuiLib::ParseImageString("file='a.png' dest='-2000000000,0,2000000000,1'", info));
  EXPECT_FALSE(info.bHasDest);
  EXPECT_FALSE(DuiLib::ParseImageString("file='a.png", info));       // unclosed
  EXPECT_FALSE(DuiLib::ParseImageString("file=a.png", info));        // not quoted
  EXPECT_FALSE(DuiLib::ParseImageString("='a.png'", info));          // no key
  EXPECT_FALSE(DuiLib::ParseImageString("source='0,0,1,1'", info));  // no file
  EXPECT_FALSE(DuiLib::ParseImageString("", info));
  EXPECT_FALSE(DuiLib::ParseImageString(nullptr, info));
  EXPECT_TRUE(DuiLib::ParseImageString("file='a.png' fade='999'", info));
  EXPECT_EQ(info.uFade, 255);  // clamped
}

class ImageFiles : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { DuiLib::InstallOwnWindowBackend(); }
  void SetUp() override {
    CImageCache::Instance().Clear();
    folder = dir.path().toStdString() + "/";
  }
  // A 6x6 picture: 2-pixel corners red, green, blue, yellow; edges and middle grey, with a
  // magenta middle pixel for the mask test.
  void WriteNinePatch(const char* name) {
    QImage image(6, 6, QImage::Format_ARGB32);
    image.fill(QColor(128, 128, 128));
    const QColor corners[4] = {Qt::red, Qt::green, Qt::blue, Qt::yellow};
    const QPoint origins[4] = {{0, 0}, {4, 0}, {0, 4}, {4, 4}};
    for (int c = 0; c < 4; ++c)
      for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 2; ++x) image.setPixelColor(origins[c] + QPoint(x, y), corners[c]);
    image.setPixelColor(2, 2, QColor(255, 0, 255));
    ASSERT_TRUE(image.save(QString::fromStdString(folder + name)));
  }
  QTemporaryDir dir;
  std::string folder;
};

TEST_F(ImageFiles, CacheLoadsOnceMasksAndRemembersMissingFiles) {
  WriteNinePatch("nine.png");
  const QImage* plain = CImageCache::Instance().Get("nine.png", folder);
  ASSERT_NE(plain, nullptr);
  EXPECT_EQ(CImageCache::Instance().Get("nine.png", folder), plain);
  EXPECT_EQ(CImageCache::Instance().Get(folder + "nine.png", "/elsewhere"), plain);  // absolute
  const QImage* masked = CImageCache::Instance().Get("nine.png", folder, 0xFFFF00FF);
  ASSERT_NE(masked, nullptr);
  EXPECT_NE(masked, plain);
  EXPECT_EQ(qAlpha(masked->pixel(2, 2)), 0);
  EXPECT_EQ(qAlpha(plain->pixel(2, 2)), 255);
  EXPECT_EQ(qAlpha(masked->pixel(0, 0)), 255);
  const SIZE size = CImageCache::Instance().GetSize("nine.png", folder);
  EXPECT_EQ(size.cx, 6);
  EXPECT_EQ(size.cy, 6);
  EXPECT_EQ(CImageCache::Instance().Get("missing.png", folder), nullptr);
  EXPECT_EQ(CImageCache::Instance().Get("missing.png", folder), nullptr);
  EXPECT_EQ(CImageCache::Instance().Count(), 3u);
  CImageCache::Instance().Remove("nine.png", folder);
  EXPECT_EQ(CImageCache::Instance().Count(), 1u);
  CImageCache::Instance().Clear();
  EXPECT_EQ(CImageCache::Instance().Count(), 0u);
}

QImage Canvas() {
  QImage canvas(40, 40, QImage::Format_ARGB32);
  canvas.fill(Qt::white);
  return canvas;
}

TEST_F(ImageFiles, NinePatchKeepsCornersAndStretchesTheMiddle) {
  WriteNinePatch("nine.png");
  QImage canvas = Canvas();
  {
    QPainter painter(&canvas);
    const RECT item{10, 10, 30, 30};
    ASSERT_TRUE(
        DuiLib::DrawImageString(painter, item, item, "file='nine.png' corner='2,2,2,2'", folder));
  }
  EXPECT_EQ(canvas.pixelColor(10, 10), QColor(Qt::red));
  EXPECT_EQ(canvas.pixelColor(11, 11), QColor(Qt::red));
  EXPECT_EQ(canvas.pixelColor(29, 10), QColor(Qt::green));
  EXPECT_EQ(canvas.pixelColor(10, 29), QColor(Qt::blue));
  EXPECT_EQ(canvas.pixelColor(29, 29), QColor(Qt::yellow));
  EXPECT_EQ(canvas.pixelColor(12, 10).red(), 128);  // top edge, stretched grey
  EXPECT_EQ(canvas.pixelColor(9, 9), QColor(Qt::white));
  EXPECT_EQ(canvas.pixelColor(30, 30), QColor(Qt::white));
}

TEST_F(ImageFiles, SourceDestHoleFadeAndPaintClip) {
  WriteNinePatch("nine.png");
  QImage canvas = Canvas();
  {
    QPainter painter(&canvas);
    const RECT item{10, 10, 30, 30};
    // The blue corner only, drawn at 5..9 inside the item.
    ASSERT_TRUE(DuiLib::DrawImageString(painter, item, item,
                                        "file='nine.png' source='0,4,2,6' dest='5,5,9,9'", folder));
  }
  EXPECT_EQ(canvas.pixelColor(15, 15), QColor(Qt::blue));
  EXPECT_EQ(canvas.pixelColor(18, 18), QColor(Qt::blue));
  EXPECT_EQ(canvas.pixelColor(14, 14), QColor(Qt::white));
  EXPECT_EQ(canvas.pixelColor(19, 19), QColor(Qt::white));

  QImage holed = Canvas();
  {
    QPainter painter(&holed);
    const RECT item{0, 0, 40, 40};
    ASSERT_TRUE(DuiLib::DrawImageString(painter, item, item,
                                        "file='nine.png' corner='2,2,2,2' hole='true'", folder));
    const RECT clip{0, 0, 20, 40};  // only the left half needs painting
    ASSERT_TRUE(DuiLib::DrawImageString(painter, RECT{0, 0, 40, 40}, clip,
                                        "file='nine.png' fade='0'", folder));
  }
  EXPECT_EQ(holed.pixelColor(20, 20), QColor(Qt::white));
  EXPECT_EQ(holed.pixelColor(0, 0), QColor(Qt::red));

  QImage clipped = Canvas();
  {
    QPainter painter(&clipped);
    ASSERT_TRUE(DuiLib::DrawImageString(painter, RECT{0, 0, 40, 40}, RECT{0, 0, 20, 40}, "nine.png",
                                        folder));
  }
  EXPECT_NE(clipped.pixelColor(10, 20), QColor(Qt::white));
  EXPECT_EQ(clipped.pixelColor(30, 20), QColor(Qt::white));
}

TEST_F(ImageFiles, NothingIsDrawnForMissingFilesOrEmptyRectangles) {
  WriteNinePatch("nine.png");
  QImage canvas = Canvas();
  QPainter painter(&canvas);
  const RECT item{0, 0, 10, 10};
  EXPECT_FALSE(DuiLib::DrawImageString(painter, item, item, "missing.png", folder));
  EXPECT_FALSE(DuiLib::DrawImageString(painter, RECT{5, 5, 5, 9}, item, "nine.png", folder));
  EXPECT_FALSE(
      DuiLib::DrawImageString(painter, item, item, "file='nine.png' source='10,10,20,20'", folder));
  EXPECT_FALSE(DuiLib::DrawImageString(painter, item, item, "", folder));
  // Corners larger than the picture or the target are cut down, not overdrawn.
  EXPECT_TRUE(
      DuiLib::DrawImageString(painter, item, item, "file='nine.png' corner='50,50,50,50'", folder));
  painter.end();
  EXPECT_EQ(canvas.pixelColor(0, 0), QColor(Qt::red));
  EXPECT_EQ(canvas.pixelColor(9, 9), QColor(Qt::yellow));
  EXPECT_EQ(canvas.pixelColor(10, 10), QColor(Qt::white));
}

}  // namespace
