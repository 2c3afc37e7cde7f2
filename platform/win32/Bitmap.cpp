#include "platform/win32/Bitmap.h"

#include "platform/win32/KernelObject.h"

#include <QImage>
#include <QString>

#include <algorithm>
#include <memory>
#include <mutex>
#include <unordered_map>

namespace win32 {
namespace {

// Live bitmaps: a handle is only dereferenced while it is in this table.
std::mutex& bitmapMutex() {
  static std::mutex mutex;
  return mutex;
}

std::unordered_map<HBITMAP, std::unique_ptr<TBitmapPixels>>& bitmaps() {
  static auto* table = new std::unordered_map<HBITMAP, std::unique_ptr<TBitmapPixels>>();
  return *table;
}

bool loadImage(const std::string& path, QImage& image) {
  if (path.empty()) return false;
  image = QImage(QString::fromUtf8(path.data(), static_cast<qsizetype>(path.size())));
  return !image.isNull();
}

void toPixels(const QImage& source, TBitmapPixels& pixels) {
  const QImage image = source.convertToFormat(QImage::Format_ARGB32);
  pixels.nWidth = image.width();
  pixels.nHeight = image.height();
  pixels.vecPixels.resize(static_cast<std::size_t>(image.width()) * image.height());
  for (int y = 0; y < image.height(); ++y) {
    const auto* line = reinterpret_cast<const std::uint32_t*>(image.constScanLine(y));
    std::copy(line, line + image.width(),
              pixels.vecPixels.begin() + std::size_t(y) * image.width());
  }
}

}  // namespace

bool ReadImageFile(const std::string& path, TBitmapPixels& image) {
  QImage loaded;
  if (!loadImage(path, loaded)) return false;
  toPixels(loaded, image);
  return true;
}

HBITMAP CreateBitmapFromImage(const TBitmapPixels& image) {
  const std::size_t expected = static_cast<std::size_t>(std::max(image.nWidth, 0)) *
                               static_cast<std::size_t>(std::max(image.nHeight, 0));
  if (image.nWidth <= 0 || image.nHeight <= 0 || image.vecPixels.size() != expected) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto pixels = std::make_unique<TBitmapPixels>(image);
  auto* handle = reinterpret_cast<HBITMAP>(pixels.get());
  std::lock_guard<std::mutex> lock(bitmapMutex());
  bitmaps()[handle] = std::move(pixels);
  return handle;
}

HBITMAP LoadBitmapFromFile(const std::string& path) {
  TBitmapPixels image;
  if (!ReadImageFile(path, image)) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return nullptr;
  }
  return CreateBitmapFromImage(image);
}

const TBitmapPixels* BitmapPixels(HBITMAP bitmap) {
  std::lock_guard<std::mutex> lock(bitmapMutex());
  auto it = bitmaps().find(bitmap);
  return it == bitmaps().end() ? nullptr : it->second.get();
}

bool ConvertImageFileToBmp(const std::string& sourcePath, const std::string& bmpPath) {
  QImage image;
  if (!loadImage(sourcePath, image) || bmpPath.empty()) return false;
  const QString target = QString::fromUtf8(bmpPath.data(), static_cast<qsizetype>(bmpPath.size()));
  return image.save(target, "BMP");
}

}  // namespace win32

HANDLE LoadImageA(HINSTANCE, LPCSTR name, UINT type, int, int, UINT flags) {
  // An icon is named by its resource id, and the id is the icon handle (see LoadIconA).
  if (type == IMAGE_ICON) {
    const auto id = reinterpret_cast<std::uintptr_t>(name);
    return id != 0 && id <= 0xFFFF ? reinterpret_cast<HANDLE>(id) : nullptr;
  }
  if (!name || type != IMAGE_BITMAP || !(flags & LR_LOADFROMFILE)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  return win32::LoadBitmapFromFile(name);
}

BOOL DeleteObject(HGDIOBJ object) {
  auto* handle = static_cast<HBITMAP>(object);
  std::lock_guard<std::mutex> lock(win32::bitmapMutex());
  return win32::bitmaps().erase(handle) ? TRUE : FALSE;
}
