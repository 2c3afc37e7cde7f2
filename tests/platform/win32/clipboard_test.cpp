// The clipboard session, global memory blocks and bitmaps, over the in-memory desktop.
#include "platform/win32/Bitmap.h"
#include "platform/win32/Clipboard.h"
#include "platform/win32/KernelObject.h"
#include "platform/win32/Window.h"
#include "tests/support/FakeDesktop.h"
#include "tests/support/TempDir.h"

#include <QImage>

#include <gtest/gtest.h>

#include <cstring>
#include <thread>
#include <vector>

namespace {

class ClipboardTest : public ::testing::Test {
 protected:
  void SetUp() override { win32::SetDesktopBackend(&desktop); }
  void TearDown() override {
    CloseClipboard();
    win32::SetDesktopBackend(nullptr);
  }

  static HGLOBAL TextBlock(const std::u16string& text) {
    HGLOBAL block = GlobalAlloc(GMEM_DDESHARE, (text.size() + 1) * 2);
    auto* data = static_cast<char16_t*>(GlobalLock(block));
    std::memcpy(data, text.c_str(), (text.size() + 1) * 2);
    GlobalUnlock(block);
    return block;
  }

  std::string WritePicture(int width, int height) {
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(qRgba(10, 200, 30, 255));
    image.setPixel(0, 0, qRgba(255, 0, 0, 255));
    const std::string path = dir.file("picture.png");
    EXPECT_TRUE(image.save(QString::fromStdString(path), "PNG"));
    return path;
  }

  testing_support::FakeDesktop desktop;
  testing_support::TempDir dir;
};

TEST_F(ClipboardTest, TextGoesToTheDesktopAndTheBlockBelongsToTheClipboard) {
  ASSERT_TRUE(OpenClipboard(nullptr));
  ASSERT_TRUE(EmptyClipboard());
  HGLOBAL block = TextBlock(u"你好😀 world");
  EXPECT_EQ(SetClipboardData(CF_UNICODETEXT, block), block);
  EXPECT_TRUE(CloseClipboard());
  EXPECT_EQ(desktop.ClipboardText(), u"你好😀 world");
  EXPECT_EQ(GlobalFree(block), block);  // already the clipboard's: refused, not freed twice
  EXPECT_EQ(GlobalLock(block), nullptr);
}

TEST_F(ClipboardTest, ReplacingWaitsForThePreviousItemFirst) {
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  SetClipboardData(CF_UNICODETEXT, TextBlock(u"one"));
  CloseClipboard();
  std::vector<std::string> kinds;
  for (const auto& call : desktop.Calls()) kinds.push_back(call.strKind);
  ASSERT_GE(kinds.size(), 2u);
  EXPECT_EQ(kinds.front(), "clipboard-wait");
  EXPECT_EQ(kinds.back(), "clipboard-text");
}

// A target that does not fetch a pasted item: the desktop reports every wait as timed out.
class CUnfetchedDesktop : public testing_support::FakeDesktop {
 public:
  bool WaitClipboardFetched(DWORD timeoutMs) override {
    vecWaits.push_back(timeoutMs);
    return false;
  }
  std::vector<DWORD> vecWaits;
};

TEST(ClipboardLimit, AnUnfetchedItemIsNotReplacedAndTheFailureIsReported) {
  CUnfetchedDesktop desktop;
  win32::SetDesktopBackend(&desktop);
  desktop.SetClipboardText(u"pasted, not yet fetched");
  ASSERT_TRUE(OpenClipboard(nullptr));
  ASSERT_TRUE(EmptyClipboard());
  HGLOBAL block = GlobalAlloc(GMEM_DDESHARE, 4);
  SetLastError(0);
  EXPECT_EQ(SetClipboardData(CF_UNICODETEXT, block), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_TIMEOUT));
  EXPECT_EQ(desktop.ClipboardText(), u"pasted, not yet fetched");
  ASSERT_EQ(desktop.vecWaits.size(), 1u);
  EXPECT_EQ(desktop.vecWaits[0], win32::kPasteFetchLimitMs);
  // The wait was given up: the next item goes in without a second one.
  EXPECT_EQ(SetClipboardData(CF_UNICODETEXT, block), block);
  EXPECT_EQ(desktop.vecWaits.size(), 1u);
  EXPECT_TRUE(CloseClipboard());
  win32::SetDesktopBackend(nullptr);
}

TEST_F(ClipboardTest, TextStopsAtTheFirstZeroAndAtTheBlockEnd) {
  ASSERT_TRUE(OpenClipboard(nullptr));
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, 6);  // "abc" and no terminating zero
  std::memcpy(GlobalLock(block), u"abc", 6);
  SetClipboardData(CF_UNICODETEXT, block);
  EXPECT_EQ(desktop.ClipboardText(), u"abc");
  HGLOBAL early = GlobalAlloc(GMEM_MOVEABLE, 8);
  std::memcpy(GlobalLock(early), u"x\0yz", 8);
  SetClipboardData(CF_UNICODETEXT, early);
  EXPECT_EQ(desktop.ClipboardText(), u"x");
}

TEST_F(ClipboardTest, NothingWithoutAnOpenSession) {
  HGLOBAL block = TextBlock(u"lost?");
  EXPECT_FALSE(EmptyClipboard());
  EXPECT_EQ(SetClipboardData(CF_UNICODETEXT, block), nullptr);
  EXPECT_FALSE(CloseClipboard());
  EXPECT_TRUE(desktop.ClipboardText().empty());
  EXPECT_EQ(GlobalFree(block), nullptr);  // still the caller's
}

TEST_F(ClipboardTest, OneSessionAtATime) {
  ASSERT_TRUE(OpenClipboard(nullptr));
  EXPECT_TRUE(OpenClipboard(nullptr));  // the same thread may open again
  bool otherOpened = true;
  std::thread([&] { otherOpened = OpenClipboard(nullptr); }).join();
  EXPECT_FALSE(otherOpened);
  CloseClipboard();
  std::thread([&] {
    otherOpened = OpenClipboard(nullptr);
    CloseClipboard();
  }).join();
  EXPECT_TRUE(otherOpened);
}

TEST_F(ClipboardTest, UnknownFormatsAndStaleHandlesAreRefused) {
  ASSERT_TRUE(OpenClipboard(nullptr));
  HGLOBAL block = TextBlock(u"x");
  EXPECT_EQ(SetClipboardData(CF_TEXT, block), nullptr);
  EXPECT_EQ(SetClipboardData(CF_UNICODETEXT, reinterpret_cast<HANDLE>(0x1234)), nullptr);
  EXPECT_EQ(SetClipboardData(CF_BITMAP, block), nullptr);  // a memory block is no bitmap
  EXPECT_EQ(SetClipboardData(CF_UNICODETEXT, nullptr), nullptr);
  EXPECT_EQ(GlobalFree(block), nullptr);
}

TEST_F(ClipboardTest, BitmapFromAPictureFileGoesToTheClipboard) {
  const std::string path = WritePicture(64, 48);
  HBITMAP bitmap =
      static_cast<HBITMAP>(LoadImageA(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
  ASSERT_NE(bitmap, nullptr);
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  EXPECT_EQ(SetClipboardData(CF_BITMAP, bitmap), bitmap);
  CloseClipboard();
  ASSERT_TRUE(desktop.ClipboardHasImage());
  const win32::TBitmapPixels image = desktop.ClipboardImage();
  EXPECT_EQ(image.nWidth, 64);
  EXPECT_EQ(image.nHeight, 48);
  EXPECT_EQ(image.vecPixels[0], 0xFFFF0000u);
  EXPECT_EQ(image.vecPixels[1], 0xFF0AC81Eu);
  EXPECT_FALSE(DeleteObject(bitmap));  // the clipboard's now
}

TEST_F(ClipboardTest, BitmapsFailCleanlyOnBadFiles) {
  EXPECT_EQ(
      LoadImageA(nullptr, dir.file("missing.png").c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE),
      nullptr);
  testing_support::WriteText(dir.file("not-a-picture.png"), "plain text, no picture");
  EXPECT_EQ(win32::LoadBitmapFromFile(dir.file("not-a-picture.png")), nullptr);
  EXPECT_EQ(LoadImageA(nullptr, nullptr, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE), nullptr);
  EXPECT_EQ(win32::CreateBitmapFromImage(win32::TBitmapPixels{2, 2, {1, 2, 3}}), nullptr);
  EXPECT_FALSE(DeleteObject(reinterpret_cast<HGDIOBJ>(0x4321)));
}

TEST_F(ClipboardTest, PictureConvertsToAWindowsBitmapFile) {
  const std::string source = WritePicture(5, 3);
  const std::string bmp = dir.file("tmpBmp4Input.bmp");
  testing_support::WriteText(bmp, "an earlier file");
  ASSERT_TRUE(win32::ConvertImageFileToBmp(source, bmp));
  const std::string bytes = testing_support::ReadText(bmp);
  ASSERT_GT(bytes.size(), 54u);
  EXPECT_EQ(bytes.substr(0, 2), "BM");
  HBITMAP bitmap = win32::LoadBitmapFromFile(bmp);
  ASSERT_NE(bitmap, nullptr);
  EXPECT_EQ(win32::BitmapPixels(bitmap)->nWidth, 5);
  EXPECT_TRUE(DeleteObject(bitmap));
  EXPECT_EQ(win32::BitmapPixels(bitmap), nullptr);
  EXPECT_FALSE(win32::ConvertImageFileToBmp(dir.file("missing.png"), bmp));
  EXPECT_FALSE(win32::ConvertImageFileToBmp(source, dir.file("no/such/folder/x.bmp")));
}

TEST(GlobalMemory, BlocksAreZeroedSizedAndFreedOnce) {
  HGLOBAL block = GlobalAlloc(GHND, 10);
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(GlobalSize(block), 10u);
  auto* bytes = static_cast<unsigned char*>(GlobalLock(block));
  for (int i = 0; i < 10; ++i) EXPECT_EQ(bytes[i], 0);
  EXPECT_EQ(GlobalFree(block), nullptr);
  EXPECT_EQ(GlobalFree(block), block);
  EXPECT_EQ(GlobalSize(block), 0u);
  HGLOBAL empty = GlobalAlloc(GMEM_FIXED, 0);
  EXPECT_NE(GlobalLock(empty), nullptr);
  GlobalFree(empty);
}

}  // namespace
