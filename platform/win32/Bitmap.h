// Bitmaps (HBITMAP) and the few GDI calls the system uses on them. A bitmap holds its
// pixels in memory; it can be made from any picture file the platform's image library
// reads (PNG, JPEG, BMP, GIF, ...).
#pragma once

#include "platform/win32/DesktopBackend.h"
#include "platform/win32/Win32Types.h"

#include <string>

inline constexpr int IMAGE_BITMAP = 0;
inline constexpr int IMAGE_ICON = 1;
inline constexpr int LR_DEFAULTCOLOR = 0x0000;
inline constexpr int LR_LOADFROMFILE = 0x0010;
inline constexpr int LR_CREATEDIBSECTION = 0x2000;
inline constexpr int LR_SHARED = 0x00008000;

// A resource id in place of a resource name (icons and cursors by id).
inline LPCSTR MAKEINTRESOURCEA(UINT id) {
  return reinterpret_cast<LPCSTR>(static_cast<std::uintptr_t>(static_cast<WORD>(id)));
}
#define MAKEINTRESOURCE MAKEINTRESOURCEA

using HGDIOBJ = void*;

// LoadImageA(null, path, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE): a bitmap from a picture
// file, or null (last error set) when the file is missing or not a picture.
HANDLE LoadImageA(HINSTANCE instance, LPCSTR name, UINT type, int cx, int cy, UINT flags);
// Frees a bitmap made here; FALSE for anything else (or a bitmap the clipboard owns).
BOOL DeleteObject(HGDIOBJ object);

namespace win32 {

HBITMAP LoadBitmapFromFile(const std::string& path);
HBITMAP CreateBitmapFromImage(const TBitmapPixels& image);
// The pixels of a live bitmap; null for a stale or foreign handle.
const TBitmapPixels* BitmapPixels(HBITMAP bitmap);
// Reads a picture file and writes it as a Windows bitmap (.bmp) file, replacing any earlier
// one. False when the source cannot be read or the target cannot be written.
bool ConvertImageFileToBmp(const std::string& sourcePath, const std::string& bmpPath);
// Reads a picture file into pixels; false when it is missing or not a picture.
bool ReadImageFile(const std::string& path, TBitmapPixels& image);

}  // namespace win32
