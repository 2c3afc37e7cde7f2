// Reading the clipboard (GetClipboardData, IsClipboardFormatAvailable). The handles given
// out are copies made for the open session and freed when it closes, as on Windows where
// they belong to the clipboard.
#include "platform/win32/Clipboard.h"

#include "platform/win32/Bitmap.h"
#include "platform/win32/KernelObject.h"
#include "platform/win32/Window.h"

#include <cstring>
#include <mutex>
#include <string>
#include <vector>

namespace win32 {
namespace {

std::mutex s_handedOutMutex;
std::vector<HANDLE> s_handedOutText;
std::vector<HANDLE> s_handedOutBitmaps;

HANDLE textHandle(const std::u16string& text) {
  const SIZE_T bytes = (text.size() + 1) * sizeof(char16_t);
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
  void* target = memory ? GlobalLock(memory) : nullptr;
  if (!target) return nullptr;
  std::memcpy(target, text.c_str(), bytes);
  GlobalUnlock(memory);
  std::lock_guard<std::mutex> lock(s_handedOutMutex);
  s_handedOutText.push_back(memory);
  return memory;
}

HANDLE bitmapHandle(const TBitmapPixels& image) {
  HBITMAP bitmap = CreateBitmapFromImage(image);
  if (!bitmap) return nullptr;
  std::lock_guard<std::mutex> lock(s_handedOutMutex);
  s_handedOutBitmaps.push_back(bitmap);
  return bitmap;
}

}  // namespace

void FreeClipboardHandles() {
  std::lock_guard<std::mutex> lock(s_handedOutMutex);
  for (HANDLE memory : s_handedOutText) GlobalFree(memory);
  for (HANDLE bitmap : s_handedOutBitmaps) DeleteObject(bitmap);
  s_handedOutText.clear();
  s_handedOutBitmaps.clear();
}

}  // namespace win32

HANDLE GetClipboardData(UINT format) {
  win32::DesktopBackend* desktop = win32::GetDesktopBackend();
  if (!desktop || !win32::ClipboardSessionIsMine()) {
    SetLastError(ERROR_ACCESS_DENIED);
    return nullptr;
  }
  HANDLE handle = nullptr;
  if (format == CF_UNICODETEXT) {
    std::u16string text;
    if (desktop->GetClipboardText(text)) handle = win32::textHandle(text);
  } else if (format == CF_BITMAP) {
    win32::TBitmapPixels image;
    if (desktop->GetClipboardImage(image)) handle = win32::bitmapHandle(image);
  }
  if (!handle) SetLastError(ERROR_NOT_FOUND);
  return handle;
}

BOOL IsClipboardFormatAvailable(UINT format) {
  win32::DesktopBackend* desktop = win32::GetDesktopBackend();
  if (!desktop) return FALSE;
  if (format == CF_UNICODETEXT) {
    std::u16string text;
    return desktop->GetClipboardText(text) ? TRUE : FALSE;
  }
  if (format == CF_BITMAP) {
    win32::TBitmapPixels image;
    return desktop->GetClipboardImage(image) ? TRUE : FALSE;
  }
  return FALSE;
}
