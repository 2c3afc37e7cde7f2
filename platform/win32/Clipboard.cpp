// The clipboard session (open, empty, set, close) over the desktop backend, which offers
// the data to other programs. Global memory blocks live in a table so that a stale handle
// is refused instead of dereferenced.
#include "platform/win32/Clipboard.h"

#include "platform/log/Log.h"
#include "platform/win32/Bitmap.h"
#include "platform/win32/KernelObject.h"
#include "platform/win32/Window.h"

#include <atomic>
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <unordered_map>
#include <utility>
#include <vector>

namespace win32 {
namespace {

// Set when a wait for a pasted item ran out: the next item is placed without waiting.
std::atomic<bool> s_bGaveUpWaiting{false};

struct TGlobalBlock {
  std::vector<unsigned char> vecBytes;
};

std::mutex& globalMutex() {
  static std::mutex mutex;
  return mutex;
}

std::unordered_map<HGLOBAL, std::unique_ptr<TGlobalBlock>>& globalBlocks() {
  static auto* blocks = new std::unordered_map<HGLOBAL, std::unique_ptr<TGlobalBlock>>();
  return *blocks;
}

// The one open clipboard session: the thread that opened it.
std::mutex s_sessionMutex;
std::optional<std::thread::id> s_sessionOwner;

// The open session emptied the clipboard and has placed nothing since.
bool s_bEmptied = false;

bool sessionIsMine() {
  std::lock_guard<std::mutex> lock(s_sessionMutex);
  return s_sessionOwner == std::this_thread::get_id();
}

// UTF-16 text of a block, up to its first zero unit (or the block's end).
bool readBlockText(HGLOBAL memory, std::u16string& text) {
  std::lock_guard<std::mutex> lock(globalMutex());
  auto it = globalBlocks().find(memory);
  if (it == globalBlocks().end()) return false;
  const std::vector<unsigned char>& bytes = it->second->vecBytes;
  text.clear();
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    char16_t unit;
    std::memcpy(&unit, &bytes[i], sizeof unit);
    if (unit == 0) break;
    text.push_back(unit);
  }
  return true;
}

// False (ERROR_TIMEOUT) when a pasted item was not fetched within the limit; the wait is
// given up then, so the call after this one places its item at once.
bool waitForPreviousPaste(DesktopBackend* desktop) {
  if (s_bGaveUpWaiting.exchange(false)) return true;
  if (desktop->WaitClipboardFetched(kPasteFetchLimitMs)) return true;
  TC_LOG(TC_LOG_WARN, "clipboard: the pasted item was not fetched within "
                          << kPasteFetchLimitMs << " ms; it stays on the clipboard");
  s_bGaveUpWaiting.store(true);
  SetLastError(ERROR_TIMEOUT);
  return false;
}

HANDLE placeText(DesktopBackend* desktop, HANDLE data) {
  std::u16string text;
  if (!readBlockText(data, text)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  if (!desktop->SetClipboardText(text)) return nullptr;
  GlobalFree(data);  // the clipboard owns it now
  return data;
}

HANDLE placeBitmap(DesktopBackend* desktop, HANDLE data) {
  auto* bitmap = static_cast<HBITMAP>(data);
  const TBitmapPixels* pixels = BitmapPixels(bitmap);
  if (!pixels) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  if (!desktop->SetClipboardImage(*pixels)) return nullptr;
  DeleteObject(bitmap);  // the clipboard owns it now
  return data;
}

}  // namespace

bool ClipboardSessionIsMine() {
  return sessionIsMine();
}

}  // namespace win32

HGLOBAL GlobalAlloc(UINT, SIZE_T bytes) {
  auto block = std::make_unique<win32::TGlobalBlock>();
  block->vecBytes.assign(bytes, 0);
  HGLOBAL handle = block.get();
  std::lock_guard<std::mutex> lock(win32::globalMutex());
  win32::globalBlocks()[handle] = std::move(block);
  return handle;
}

LPVOID GlobalLock(HGLOBAL memory) {
  std::lock_guard<std::mutex> lock(win32::globalMutex());
  auto it = win32::globalBlocks().find(memory);
  if (it == win32::globalBlocks().end()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  std::vector<unsigned char>& bytes = it->second->vecBytes;
  return bytes.empty() ? static_cast<LPVOID>(it->second.get()) : bytes.data();
}

BOOL GlobalUnlock(HGLOBAL) {
  return FALSE;
}  // FALSE: no lock count left, as on Windows

SIZE_T GlobalSize(HGLOBAL memory) {
  std::lock_guard<std::mutex> lock(win32::globalMutex());
  auto it = win32::globalBlocks().find(memory);
  return it == win32::globalBlocks().end() ? 0 : it->second->vecBytes.size();
}

HGLOBAL GlobalFree(HGLOBAL memory) {
  std::lock_guard<std::mutex> lock(win32::globalMutex());
  if (win32::globalBlocks().erase(memory)) return nullptr;
  SetLastError(ERROR_INVALID_HANDLE);
  return memory;
}

BOOL OpenClipboard(HWND) {
  std::lock_guard<std::mutex> lock(win32::s_sessionMutex);
  if (win32::s_sessionOwner && *win32::s_sessionOwner != std::this_thread::get_id()) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  win32::s_sessionOwner = std::this_thread::get_id();
  return TRUE;
}

BOOL EmptyClipboard() {
  win32::DesktopBackend* desktop = win32::GetDesktopBackend();
  if (!win32::sessionIsMine() || !desktop) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  win32::s_bEmptied = true;
  return TRUE;
}

HANDLE SetClipboardData(UINT format, HANDLE data) {
  win32::DesktopBackend* desktop = win32::GetDesktopBackend();
  if (!win32::sessionIsMine() || !desktop || !data) {
    SetLastError(ERROR_ACCESS_DENIED);
    return nullptr;
  }
  win32::s_bEmptied = false;  // also a failed placing: what is there stays
  if (!win32::waitForPreviousPaste(desktop)) return nullptr;
  switch (format) {
    case CF_UNICODETEXT:
      return win32::placeText(desktop, data);
    case CF_BITMAP:
      return win32::placeBitmap(desktop, data);
    default:
      TC_LOG(TC_LOG_WARN, "SetClipboardData: format " << format << " is not offered");
      SetLastError(ERROR_INVALID_PARAMETER);
      return nullptr;
  }
}

BOOL CloseClipboard() {
  if (!win32::sessionIsMine()) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  win32::FreeClipboardHandles();
  if (std::exchange(win32::s_bEmptied, false)) {
    // Emptied and nothing placed: the clipboard is left empty, but never before the item
    // pasted last was fetched.
    win32::DesktopBackend* desktop = win32::GetDesktopBackend();
    if (desktop && win32::waitForPreviousPaste(desktop)) desktop->ClearClipboard();
  }
  std::lock_guard<std::mutex> lock(win32::s_sessionMutex);
  win32::s_sessionOwner.reset();
  return TRUE;
}
