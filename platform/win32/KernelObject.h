// Kernel objects behind a HANDLE: events, threads, processes, file mappings.
// A HANDLE is a pointer to one of these; CloseHandle drops one reference.
#pragma once

#include "platform/win32/Win32Types.h"

#include <atomic>

namespace win32 {

class KernelObject {
 public:
  virtual ~KernelObject() = default;
  // Waits until the object is signalled; returns WAIT_OBJECT_0, WAIT_TIMEOUT or WAIT_FAILED.
  virtual DWORD Wait(DWORD milliseconds);

  void AddRef() { refs_.fetch_add(1); }
  void Release();

 private:
  std::atomic<int> refs_{1};
};

// Registers a new object and returns its handle (one reference owned by the caller).
HANDLE MakeHandle(KernelObject* object);
// The object behind a handle, or null when the handle is not a live handle.
KernelObject* FromHandle(HANDLE handle);

template <typename T>
T* HandleAs(HANDLE handle) {
  return dynamic_cast<T*>(FromHandle(handle));
}

// Takes a reference on a live handle's object (null when not live); pair with Release().
// Use it where another thread may close the handle meanwhile (waits).
KernelObject* AcquireHandle(HANDLE handle);

class HandleRef {
 public:
  explicit HandleRef(HANDLE handle) : object_(AcquireHandle(handle)) {}
  ~HandleRef() {
    if (object_) object_->Release();
  }
  HandleRef(const HandleRef&) = delete;
  HandleRef& operator=(const HandleRef&) = delete;
  KernelObject* get() const { return object_; }
  explicit operator bool() const { return object_ != nullptr; }

 private:
  KernelObject* object_;
};

}  // namespace win32

BOOL CloseHandle(HANDLE handle);
DWORD GetLastError();
void SetLastError(DWORD error);
