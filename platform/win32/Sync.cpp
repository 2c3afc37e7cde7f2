#include "platform/win32/Sync.h"

#include <sys/syscall.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

// Waits on cv until ready() holds or the time is up; INFINITE waits for ever.
template <typename Ready>
bool WaitUntil(std::condition_variable& cv, std::unique_lock<std::mutex>& lock, DWORD milliseconds,
               Ready ready) {
  if (milliseconds == INFINITE) {
    cv.wait(lock, ready);
    return true;
  }
  return cv.wait_for(lock, std::chrono::milliseconds(milliseconds), ready);
}

class Event : public win32::KernelObject {
 public:
  Event(bool manualReset, bool signalled) : manualReset_(manualReset), signalled_(signalled) {}

  void Set() {
    std::lock_guard<std::mutex> lock(mutex_);
    signalled_ = true;
    if (manualReset_)
      cv_.notify_all();
    else
      cv_.notify_one();
  }
  void Reset() {
    std::lock_guard<std::mutex> lock(mutex_);
    signalled_ = false;
  }
  DWORD Wait(DWORD milliseconds) override {
    std::unique_lock<std::mutex> lock(mutex_);
    if (!WaitUntil(cv_, lock, milliseconds, [this] { return signalled_; })) return WAIT_TIMEOUT;
    if (!manualReset_) signalled_ = false;  // an auto-reset event releases one waiter
    return WAIT_OBJECT_0;
  }

 private:
  const bool manualReset_;
  bool signalled_;
  std::mutex mutex_;
  std::condition_variable cv_;
};

class Thread : public win32::KernelObject {
 public:
  void Finish(DWORD exitCode) {
    std::lock_guard<std::mutex> lock(mutex_);
    exitCode_ = exitCode;
    done_ = true;
    cv_.notify_all();
  }
  DWORD Wait(DWORD milliseconds) override {
    std::unique_lock<std::mutex> lock(mutex_);
    return WaitUntil(cv_, lock, milliseconds, [this] { return done_; }) ? WAIT_OBJECT_0
                                                                        : WAIT_TIMEOUT;
  }
  DWORD ExitCode() {
    std::lock_guard<std::mutex> lock(mutex_);
    return done_ ? exitCode_ : STILL_ACTIVE;
  }
  std::atomic<DWORD> id{0};

 private:
  std::mutex mutex_;
  std::condition_variable cv_;
  bool done_ = false;
  DWORD exitCode_ = STILL_ACTIVE;
};

// Starts body on a detached thread; the thread keeps its own reference to the handle's
// object, so closing the handle early (as Windows code does) is safe.
template <typename Body>
HANDLE StartThread(Body body, LPDWORD threadId) {
  auto* thread = new Thread();
  HANDLE handle = win32::MakeHandle(thread);
  thread->AddRef();
  std::mutex started;
  std::condition_variable startedCv;
  bool haveId = false;
  std::thread([thread, body, &started, &startedCv, &haveId] {
    {
      std::lock_guard<std::mutex> lock(started);
      thread->id = GetCurrentThreadId();
      haveId = true;
      startedCv.notify_one();
    }
    const DWORD code = body();
    thread->Finish(code);
    thread->Release();
  }).detach();
  std::unique_lock<std::mutex> lock(started);
  startedCv.wait(lock, [&] { return haveId; });
  if (threadId) *threadId = thread->id;
  return handle;
}

}  // namespace

LPVOID CreateEventA(void*, BOOL manualReset, BOOL initialState, LPCSTR) {
  return win32::MakeHandle(new Event(manualReset != FALSE, initialState != FALSE));
}

BOOL SetEvent(HANDLE handle) {
  auto* event = win32::HandleAs<Event>(handle);
  if (!event) return FALSE;
  event->Set();
  return TRUE;
}

BOOL ResetEvent(HANDLE handle) {
  auto* event = win32::HandleAs<Event>(handle);
  if (!event) return FALSE;
  event->Reset();
  return TRUE;
}

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
  win32::HandleRef object(handle);
  if (!object) {
    SetLastError(ERROR_INVALID_HANDLE);
    return WAIT_FAILED;
  }
  return object.get()->Wait(milliseconds);
}

HANDLE CreateThread(void*, SIZE_T, LPTHREAD_START_ROUTINE start, LPVOID parameter, DWORD,
                    LPDWORD threadId) {
  if (!start) return nullptr;
  return StartThread([start, parameter] { return start(parameter); }, threadId);
}

UINT_PTR _beginthreadex(void*, unsigned, BeginThreadRoutine start, void* parameter, unsigned,
                        unsigned* threadId) {
  if (!start) return 0;
  DWORD id = 0;
  HANDLE handle =
      StartThread([start, parameter] { return static_cast<DWORD>(start(parameter)); }, &id);
  if (threadId) *threadId = id;
  return reinterpret_cast<UINT_PTR>(handle);
}

BOOL GetExitCodeThread(HANDLE handle, LPDWORD exitCode) {
  auto* thread = win32::HandleAs<Thread>(handle);
  if (!thread || !exitCode) return FALSE;
  *exitCode = thread->ExitCode();
  return TRUE;
}

void InitializeCriticalSection(LPCRITICAL_SECTION section) {
  section->mutex = new std::recursive_mutex();
}

void DeleteCriticalSection(LPCRITICAL_SECTION section) {
  delete section->mutex;
  section->mutex = nullptr;
}

void EnterCriticalSection(LPCRITICAL_SECTION section) {
  section->mutex->lock();
}
void LeaveCriticalSection(LPCRITICAL_SECTION section) {
  section->mutex->unlock();
}

void Sleep(DWORD milliseconds) {
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

DWORD GetTickCount() {
  const auto ms =
      std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch())
          .count();
  return static_cast<DWORD>(ms);
}

DWORD GetCurrentThreadId() {
  return static_cast<DWORD>(::syscall(SYS_gettid));
}
DWORD GetCurrentProcessId() {
  return static_cast<DWORD>(::getpid());
}
