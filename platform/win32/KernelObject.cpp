#include "platform/win32/KernelObject.h"

#include <mutex>
#include <unordered_set>

namespace win32 {
namespace {

// Live handles, so that a stale or foreign pointer is refused instead of dereferenced.
std::mutex& RegistryMutex() {
  static std::mutex mutex;
  return mutex;
}

std::unordered_set<KernelObject*>& Registry() {
  static auto* live = new std::unordered_set<KernelObject*>();
  return *live;
}

thread_local DWORD t_lastError = ERROR_SUCCESS;

}  // namespace

DWORD KernelObject::Wait(DWORD) {
  return WAIT_FAILED;
}

void KernelObject::Release() {
  {
    std::lock_guard<std::mutex> lock(RegistryMutex());
    if (refs_.fetch_sub(1) != 1) return;
    Registry().erase(this);
  }
  delete this;
}

HANDLE MakeHandle(KernelObject* object) {
  std::lock_guard<std::mutex> lock(RegistryMutex());
  Registry().insert(object);
  return object;
}

KernelObject* FromHandle(HANDLE handle) {
  auto* object = static_cast<KernelObject*>(handle);
  std::lock_guard<std::mutex> lock(RegistryMutex());
  return Registry().count(object) ? object : nullptr;
}

KernelObject* AcquireHandle(HANDLE handle) {
  auto* object = static_cast<KernelObject*>(handle);
  std::lock_guard<std::mutex> lock(RegistryMutex());
  if (!Registry().count(object)) return nullptr;
  object->AddRef();
  return object;
}

}  // namespace win32

BOOL CloseHandle(HANDLE handle) {
  win32::KernelObject* object = win32::FromHandle(handle);
  if (!object) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  object->Release();
  return TRUE;
}

DWORD GetLastError() {
  return win32::t_lastError;
}
void SetLastError(DWORD error) {
  win32::t_lastError = error;
}
