// DuiLib image strings, the image cache and nine-patch drawing.
//
// An image string is either a bare file name ("btn.png") or a list of key='value' pairs:
//   file='btn.png' source='0,0,16,16' dest='2,2,18,18' corner='2,2,2,2' mask='#FFFF00FF'
//   fade='128' xtiled='true' ytiled='false' hole='true'
// Spaces around '=' are allowed; unknown keys (res, restype, ...) are ignored.
//   source  the part of the picture to draw (l,t,r,b in picture pixels; default all of it)
//   dest    where to draw it, relative to the control's top-left corner (default the control)
//   corner  the border widths kept unscaled (nine-patch); the middle stretches or tiles
//   mask    a colour (#AARRGGBB or 0xAARRGGBB; its RGB part) made transparent on loading
//   fade    opacity 0..255;  xtiled/ytiled  tile the middle instead of stretching it
//   hole    leave the middle out
// Files are read with Qt from the given folder (the skin folder) unless absolute.
#pragma once

#include "platform/ui/core/DuiString.h"
#include "platform/win32/Win32Types.h"

#include <cstddef>
#include <memory>
#include <string>

class QImage;
class QPainter;

namespace DuiLib {

struct TDrawInfo {
  CDuiString sDrawString;  // the image string as given
  CDuiString sImageName;   // the file part
  RECT rcSource = {0, 0, 0, 0};
  RECT rcDest = {0, 0, 0, 0};
  RECT rcCorner = {0, 0, 0, 0};
  DWORD dwMask = 0;  // 0 = no mask
  BYTE uFade = 255;
  bool bHasSource = false;
  bool bHasDest = false;
  bool bHole = false;
  bool bTiledX = false;
  bool bTiledY = false;
};

// Parses an image string. A malformed part (a rectangle that is not four integers, a bad
// colour, an unclosed quote) is logged and left at its default; false then. An empty string
// gives false with an empty sImageName.
bool ParseImageString(const char* text, TDrawInfo& info);

// Loaded pictures, keyed by absolute path and mask. Thread-safe. A file that cannot be read
// is logged once and remembered as missing until Clear().
class CImageCache {
 public:
  static CImageCache& Instance();
  ~CImageCache();

  // file: absolute, or relative to folder. Null when the picture cannot be read.
  const QImage* Get(const std::string& file, const std::string& folder, DWORD mask = 0);
  // Width and height of the picture, {0,0} when it cannot be read.
  SIZE GetSize(const std::string& file, const std::string& folder);
  // Drops every entry (e.g. after the skin folder or a file on disk changed).
  void Clear();
  void Remove(const std::string& file, const std::string& folder);
  std::size_t Count() const;

 private:
  CImageCache();
  struct Impl;
  std::unique_ptr<Impl> m_pImpl;
};

// Draws the picture of info into rcItem (window coordinates), clipped to rcPaint.
// Returns false (nothing drawn) when the picture cannot be loaded or the rectangles are
// empty.
bool DrawImage(QPainter& painter, const RECT& rcItem, const RECT& rcPaint, const TDrawInfo& info,
               const std::string& folder);
// Parses and draws in one step.
bool DrawImageString(QPainter& painter, const RECT& rcItem, const RECT& rcPaint, const char* image,
                     const std::string& folder);

}  // namespace DuiLib
