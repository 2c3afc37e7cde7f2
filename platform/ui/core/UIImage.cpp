// Own
#include "platform/ui/core/UIImage.h"

// Project
#include "platform/log/Log.h"

// Qt
#include <QFileInfo>
#include <QImage>
#include <QPainter>

// Standard
#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <map>
#include <mutex>
#include <strings.h>

namespace DuiLib {
namespace {

bool IsSpace(char c) {
  return std::isspace(static_cast<unsigned char>(c)) != 0;
}

std::string Trim(const std::string& text) {
  size_t begin = 0, end = text.size();
  while (begin < end && IsSpace(text[begin])) ++begin;
  while (end > begin && IsSpace(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

// "l,t,r,b": four integers, spaces allowed around them.
bool ParseRect(const std::string& value, RECT& rect) {
  long parts[4];
  const char* p = value.c_str();
  for (int i = 0; i < 4; ++i) {
    while (IsSpace(*p)) ++p;
    char* end = nullptr;
    parts[i] = std::strtol(p, &end, 10);
    if (end == p) return false;
    p = end;
    while (IsSpace(*p)) ++p;
    if (i < 3) {
      if (*p != ',') return false;
      ++p;
    }
  }
  if (*p != '\0') return false;
  // Far beyond any screen; keeps width and height arithmetic from overflowing.
  constexpr long kLimit = 1000000;
  for (long part : parts)
    if (part < -kLimit || part > kLimit) return false;
  rect = RECT{static_cast<LONG>(parts[0]), static_cast<LONG>(parts[1]), static_cast<LONG>(parts[2]),
              static_cast<LONG>(parts[3])};
  return true;
}

// "#AARRGGBB", "#RRGGBB" or "0xAARRGGBB".
bool ParseColor(const std::string& value, DWORD& color) {
  std::string hex = value;
  if (!hex.empty() && hex[0] == '#')
    hex = hex.substr(1);
  else if (hex.size() > 2 && hex[0] == '0' && (hex[1] == 'x' || hex[1] == 'X'))
    hex = hex.substr(2);
  else
    return false;
  const auto isHex = [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; };
  if (hex.empty() || hex.size() > 8 || !std::all_of(hex.begin(), hex.end(), isHex)) return false;
  color = static_cast<DWORD>(std::strtoul(hex.c_str(), nullptr, 16));
  if (hex.size() <= 6) color |= 0xFF000000u;
  return true;
}

bool ParseBool(const std::string& value) {
  return strcasecmp(value.c_str(), "true") == 0;
}

bool ApplyKey(const std::string& key, const std::string& value, TDrawInfo& info) {
  if (key == "file" || (key == "res" && info.sImageName.IsEmpty())) {
    info.sImageName = value;
  } else if (key == "source") {
    if (!ParseRect(value, info.rcSource)) return false;
    info.bHasSource = true;
  } else if (key == "dest") {
    if (!ParseRect(value, info.rcDest)) return false;
    info.bHasDest = true;
  } else if (key == "corner") {
    RECT corner{};
    if (!ParseRect(value, corner) || corner.left < 0 || corner.top < 0 || corner.right < 0 ||
        corner.bottom < 0)
      return false;
    info.rcCorner = corner;
  } else if (key == "mask") {
    return ParseColor(value, info.dwMask);
  } else if (key == "fade") {
    char* end = nullptr;
    const long fade = std::strtol(value.c_str(), &end, 10);
    if (end == value.c_str() || *end != '\0') return false;
    info.uFade = static_cast<BYTE>(std::clamp(fade, 0L, 255L));
  } else if (key == "hole") {
    info.bHole = ParseBool(value);
  } else if (key == "xtiled") {
    info.bTiledX = ParseBool(value);
  } else if (key == "ytiled") {
    info.bTiledY = ParseBool(value);
  }
  return true;  // other keys (res, restype, ...) do not apply here
}

std::string ResolvePath(const std::string& file, const std::string& folder) {
  std::string name = file;
  std::replace(name.begin(), name.end(), '\\', '/');
  if (name.empty() || name[0] == '/' || folder.empty()) return name;
  std::string base = folder;
  std::replace(base.begin(), base.end(), '\\', '/');
  if (base.back() != '/') base += '/';
  return base + name;
}

QRect ToQRect(const RECT& r) {
  return QRect(r.left, r.top, r.right - r.left, r.bottom - r.top);
}

// Draws src of image into dst, stretched, or repeated at its own size along x and/or y.
void DrawPart(QPainter& painter, const QImage& image, const QRect& src, const QRect& dst,
              bool tileX, bool tileY) {
  if (src.isEmpty() || dst.isEmpty()) return;
  if (!tileX && !tileY) {
    painter.drawImage(dst, image, src);
    return;
  }
  const int stepX = tileX ? src.width() : dst.width();
  const int stepY = tileY ? src.height() : dst.height();
  painter.save();
  painter.setClipRect(dst, Qt::IntersectClip);
  for (int y = dst.top(); y <= dst.bottom(); y += stepY)
    for (int x = dst.left(); x <= dst.right(); x += stepX)
      painter.drawImage(QRect(x, y, stepX, stepY), image, src);
  painter.restore();
}

// Splits a into three spans: [start, start+lead), middle, [end-trail, end).
void Spans(int start, int length, int lead, int trail, int out[4]) {
  out[0] = start;
  out[1] = start + lead;
  out[2] = start + length - trail;
  out[3] = start + length;
}

}  // namespace

bool ParseImageString(const char* text, TDrawInfo& info) {
  info = TDrawInfo{};
  info.sDrawString = text ? text : "";
  const std::string all = Trim(text ? text : "");
  if (all.empty()) return false;
  if (all.find('=') == std::string::npos) {  // a bare file name
    info.sImageName = all;
    return true;
  }
  bool ok = true;
  size_t pos = 0;
  while (pos < all.size()) {
    while (pos < all.size() && IsSpace(all[pos])) ++pos;
    if (pos >= all.size()) break;
    const size_t keyStart = pos;
    while (pos < all.size() && all[pos] != '=' && !IsSpace(all[pos])) ++pos;
    const std::string key = all.substr(keyStart, pos - keyStart);
    while (pos < all.size() && IsSpace(all[pos])) ++pos;
    if (pos >= all.size() || all[pos] != '=' || key.empty()) {
      TC_LOG(TC_LOG_WARN, "image string \"" << all << "\": expected key='value' at " << keyStart);
      return false;
    }
    ++pos;
    while (pos < all.size() && IsSpace(all[pos])) ++pos;
    if (pos >= all.size() || (all[pos] != '\'' && all[pos] != '"')) {
      TC_LOG(TC_LOG_WARN, "image string \"" << all << "\": value of " << key << " not quoted");
      return false;
    }
    const char quote = all[pos++];
    const size_t close = all.find(quote, pos);
    if (close == std::string::npos) {
      TC_LOG(TC_LOG_WARN, "image string \"" << all << "\": unclosed value of " << key);
      return false;
    }
    const std::string value = all.substr(pos, close - pos);
    pos = close + 1;
    if (!ApplyKey(key, value, info)) {
      TC_LOG(TC_LOG_WARN, "image string \"" << all << "\": bad " << key << " '" << value << "'");
      ok = false;
    }
  }
  if (info.sImageName.IsEmpty()) {
    TC_LOG(TC_LOG_WARN, "image string \"" << all << "\" names no file");
    return false;
  }
  return ok;
}

struct CImageCache::Impl {
  mutable std::mutex mutex;
  // Key: path and mask. A null image marks a file that could not be read.
  std::map<std::string, std::unique_ptr<QImage>> images;
};

CImageCache& CImageCache::Instance() {
  static CImageCache* cache = new CImageCache;  // used until the process ends
  return *cache;
}

CImageCache::CImageCache() : m_pImpl(std::make_unique<Impl>()) {}
CImageCache::~CImageCache() = default;

const QImage* CImageCache::Get(const std::string& file, const std::string& folder, DWORD mask) {
  if (file.empty()) return nullptr;
  const std::string path = ResolvePath(file, folder);
  char maskText[16];
  std::snprintf(maskText, sizeof(maskText), "|%08X", static_cast<unsigned>(mask));
  const std::string key = path + maskText;
  std::lock_guard<std::mutex> lock(m_pImpl->mutex);
  auto it = m_pImpl->images.find(key);
  if (it != m_pImpl->images.end()) return it->second.get();
  QImage image(QString::fromUtf8(path.c_str()));
  std::unique_ptr<QImage>& slot = m_pImpl->images[key];
  if (image.isNull()) {
    TC_LOG(TC_LOG_WARN, "image \"" << path << "\" cannot be read");
    return nullptr;
  }
  image = image.convertToFormat(QImage::Format_ARGB32);
  if (mask != 0) {
    const QRgb transparent = mask & 0x00FFFFFFu;
    for (int y = 0; y < image.height(); ++y) {
      auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
      for (int x = 0; x < image.width(); ++x)
        if ((line[x] & 0x00FFFFFFu) == transparent) line[x] = 0;
    }
  }
  slot = std::make_unique<QImage>(image.convertToFormat(QImage::Format_ARGB32_Premultiplied));
  return slot.get();
}

SIZE CImageCache::GetSize(const std::string& file, const std::string& folder) {
  const QImage* image = Get(file, folder);
  return image ? SIZE{image->width(), image->height()} : SIZE{0, 0};
}

void CImageCache::Clear() {
  std::lock_guard<std::mutex> lock(m_pImpl->mutex);
  m_pImpl->images.clear();
}

void CImageCache::Remove(const std::string& file, const std::string& folder) {
  const std::string prefix = ResolvePath(file, folder) + "|";
  std::lock_guard<std::mutex> lock(m_pImpl->mutex);
  for (auto it = m_pImpl->images.begin(); it != m_pImpl->images.end();) {
    if (it->first.compare(0, prefix.size(), prefix) == 0)
      it = m_pImpl->images.erase(it);
    else
      ++it;
  }
}

std::size_t CImageCache::Count() const {
  std::lock_guard<std::mutex> lock(m_pImpl->mutex);
  return m_pImpl->images.size();
}

bool DrawImage(QPainter& painter, const RECT& rcItem, const RECT& rcPaint, const TDrawInfo& info,
               const std::string& folder) {
  const QImage* image = CImageCache::Instance().Get(info.sImageName.str(), folder, info.dwMask);
  if (!image) return false;
  QRect src = info.bHasSource ? ToQRect(info.rcSource).intersected(image->rect()) : image->rect();
  const QRect item = ToQRect(rcItem);
  QRect dst = item;
  if (info.bHasDest) dst = ToQRect(info.rcDest).translated(item.topLeft()).intersected(item);
  if (src.isEmpty() || dst.isEmpty()) return false;
  const QRect clip = dst.intersected(ToQRect(rcPaint));
  if (clip.isEmpty()) return true;  // nothing of it needs painting now

  painter.save();
  painter.setClipRect(clip, Qt::IntersectClip);
  painter.setOpacity(painter.opacity() * info.uFade / 255.0);
  painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
  // Corners never exceed half of the source or the destination.
  const int left = std::min<int>({info.rcCorner.left, src.width() / 2, dst.width() / 2});
  const int right = std::min<int>({info.rcCorner.right, src.width() - left, dst.width() - left});
  const int top = std::min<int>({info.rcCorner.top, src.height() / 2, dst.height() / 2});
  const int bottom = std::min<int>({info.rcCorner.bottom, src.height() - top, dst.height() - top});
  int sx[4], sy[4], dx[4], dy[4];
  Spans(src.left(), src.width(), left, right, sx);
  Spans(src.top(), src.height(), top, bottom, sy);
  Spans(dst.left(), dst.width(), left, right, dx);
  Spans(dst.top(), dst.height(), top, bottom, dy);
  for (int row = 0; row < 3; ++row) {
    for (int col = 0; col < 3; ++col) {
      if (row == 1 && col == 1 && info.bHole) continue;
      const QRect s(QPoint(sx[col], sy[row]), QPoint(sx[col + 1] - 1, sy[row + 1] - 1));
      const QRect d(QPoint(dx[col], dy[row]), QPoint(dx[col + 1] - 1, dy[row + 1] - 1));
      // Only the stretching middle parts tile.
      DrawPart(painter, *image, s, d, info.bTiledX && col == 1, info.bTiledY && row == 1);
    }
  }
  painter.restore();
  return true;
}

bool DrawImageString(QPainter& painter, const RECT& rcItem, const RECT& rcPaint, const char* image,
                     const std::string& folder) {
  TDrawInfo info;
  if (!ParseImageString(image, info) && info.sImageName.IsEmpty()) return false;
  return DrawImage(painter, rcItem, rcPaint, info, folder);
}

}  // namespace DuiLib
