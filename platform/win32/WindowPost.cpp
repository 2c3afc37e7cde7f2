#include "platform/win32/WindowPost.h"

#include "platform/win32/KernelObject.h"

#include <atomic>

namespace win32 {
namespace {

std::atomic<ParcelQueue*> s_parcelQueue{nullptr};

}  // namespace

void SetParcelQueue(ParcelQueue* queue) {
  s_parcelQueue.store(queue);
}

BOOL PostParcel(HWND hwnd, std::unique_ptr<PostedParcel> parcel) {
  ParcelQueue* queue = s_parcelQueue.load();
  // Only our own windows take parcels: the payload's pointers mean nothing in another process.
  if (!parcel || !queue || !hwnd || !queue->PostParcel(hwnd, std::move(parcel))) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  return TRUE;
}

}  // namespace win32
