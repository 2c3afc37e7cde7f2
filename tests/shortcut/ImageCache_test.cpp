// The picture cache: safe names, copies and downloads done once, the size limit.
#include "shortcut/ImageCache.h"
#include "shortcut/ShortcutWnd.h"
#include "tests/server/CannedServer.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

class ImageCacheTest : public CServerTest {
 protected:
  std::string CacheFolder() const { return UserFolder() + "Images/"; }
};

TEST(ImageCacheName, SlashesAreRemoved) {
  EXPECT_EQ(CImageCache::SafeName("a/b.png"), "ab.png");
  EXPECT_EQ(CImageCache::SafeName("/2024/05/照片.jpg"), "202405照片.jpg");
  EXPECT_EQ(CImageCache::SafeName("..a.png"), "..a.png");
}

TEST(ImageCacheName, UnsafeNamesAreRefused) {
  for (const char* name : {"", "/", "//", ".", "..", "/..", "./", "../", "a\\b.png", "..\\x",
                           "a\nb.png", "a\tb", "\x7f"})
    EXPECT_EQ(CImageCache::SafeName(name), "") << name;
  EXPECT_EQ(CImageCache::SafeName(std::string("a\0b", 3)), "");
}

TEST_F(ImageCacheTest, LocalFileIsCopiedOnceUnderTheNameWithoutSlashes) {
  const std::string source = Root() + "/pic.png";
  WriteFile(source, "PNGDATA");
  const std::string path = CShortcutWnd::GetCachedImage("a/b.png", source, false);
  EXPECT_EQ(path, CacheFolder() + "ab.png");
  EXPECT_EQ(ReadFile(path), "PNGDATA");
  EXPECT_TRUE(CImageCache::IsCached(path));
  // A second call finds the cached file: the source is no longer needed.
  std::filesystem::remove(source);
  EXPECT_EQ(CShortcutWnd::GetCachedImage("a/b.png", source, false), path);
  EXPECT_EQ(ReadFile(path), "PNGDATA");
}

TEST_F(ImageCacheTest, PictureIsDownloadedOnce) {
  m_server.Reply(TCanned{200, "JPEGBYTES", "image/jpeg"});
  const std::string url = m_server.BaseUrl() + "zoduda_vudi/upload/pic/x.jpg";
  const std::string path = CShortcutWnd::GetCachedImage("x.jpg", url, true);
  EXPECT_EQ(ReadFile(path), "JPEGBYTES");
  EXPECT_EQ(CShortcutWnd::GetCachedImage("x.jpg", url, true), path);
  EXPECT_EQ(m_server.Count(), 1u);
  EXPECT_EQ(m_server.Last().path, "/zoduda_vudi/upload/pic/x.jpg");
}

TEST_F(ImageCacheTest, FailedDownloadStillGivesThePathButNoFile) {
  m_server.Reply(TCanned{404, R"({"resultCode":404})"});
  const std::string path =
      CShortcutWnd::GetCachedImage("gone.png", m_server.BaseUrl() + "gone.png", true);
  EXPECT_EQ(path, CacheFolder() + "gone.png");
  EXPECT_FALSE(CImageCache::IsCached(path));
}

TEST_F(ImageCacheTest, UnsafeNameTouchesNothingOutsideTheCache) {
  const std::string source = Root() + "/pic.png";
  WriteFile(source, "X");
  EXPECT_EQ(CShortcutWnd::GetCachedImage("..", source, false), "");
  EXPECT_EQ(CShortcutWnd::GetCachedImage("/../", source, false), "");
  EXPECT_EQ(CShortcutWnd::GetCachedImage("..\\..\\user.dat", source, false), "");
  EXPECT_FALSE(FileExists(UserFolder() + "..."));
  EXPECT_EQ(m_server.Count(), 0u);
}

TEST_F(ImageCacheTest, CopyNeverReplacesAnExistingFile) {
  std::filesystem::create_directories(CacheFolder());
  WriteFile(CacheFolder() + "same.png", "OLD");
  WriteFile(Root() + "/same.png", "NEW");
  EXPECT_EQ(ReadFile(CShortcutWnd::GetCachedImage("same.png", Root() + "/same.png", false)), "OLD");
}

TEST_F(ImageCacheTest, SizeLimitIsTwoMebibytes) {
  const std::string exact = Root() + "/exact.png";
  const std::string over = Root() + "/over.png";
  WriteFile(exact, std::string(2097152, 'x'));
  WriteFile(over, std::string(2097153, 'x'));
  EXPECT_TRUE(CImageCache::IsPictureSizeAllowed(exact));
  EXPECT_FALSE(CImageCache::IsPictureSizeAllowed(over));
  EXPECT_FALSE(CImageCache::IsPictureSizeAllowed(Root() + "/missing.png"));
  EXPECT_FALSE(CImageCache::IsPictureSizeAllowed(Root()));
}

}  // namespace
