// The one road from a worker thread to a window's (the GUI) thread: a callable, or a message
// whose parameters own heap objects, queued to one of our windows.
//
//   win32::PostCall(hwnd, [this, rows = std::move(rows)] { AddRows(rows); });
//   win32::PostOwned(frame, WM_USER_MSG_MAINFRAME_WECHATCFGDATAGOT,
//                    std::make_unique<std::string>(key), std::make_unique<WECHATCFGDATA>(cfg));
//
// What is posted is destroyed exactly once, on whatever way it takes:
//  - delivered: PostCall runs the callable on the GUI thread, then destroys it; PostOwned hands
//    the pointers to the window's handler (a sent message, in the queue's order), which owns
//    them from then on, as it would a payload of PostMessageA;
//  - never delivered: when the post is refused (null, foreign or dead window: FALSE), when the
//    window is destroyed while it waits in the queue, or when the process ends first, the
//    callable or payload is destroyed unrun and undelivered.
// Safe from any thread. Messages and parcels to one window keep the order they were posted in.
#pragma once

#include "platform/win32/Window.h"

#include <cstdint>
#include <memory>
#include <type_traits>
#include <utility>

namespace win32 {

// What a posted message carries beside its number; the queue owns it until delivery.
class PostedParcel {
 public:
  virtual ~PostedParcel() = default;
  // GUI thread, the window still there.
  virtual void Deliver(HWND hwnd) = 0;
};

// The queue of our own windows' messages, which takes parcels too; implemented by platform/ui
// beside the OwnWindowBackend.
class ParcelQueue {
 public:
  virtual ~ParcelQueue() = default;
  // Queues the parcel behind the messages already posted to hwnd; FALSE when hwnd is not a
  // live window of ours. Either way the parcel is destroyed exactly once.
  virtual BOOL PostParcel(HWND hwnd, std::unique_ptr<PostedParcel> parcel) = 0;
};
void SetParcelQueue(ParcelQueue* queue);

// Queues the parcel for hwnd; FALSE (the parcel destroyed before returning) when hwnd is not
// a live window of ours.
BOOL PostParcel(HWND hwnd, std::unique_ptr<PostedParcel> parcel);

namespace post_detail {

template <typename Fn>
class CallParcel final : public PostedParcel {
 public:
  explicit CallParcel(Fn fn) : m_fn(std::move(fn)) {}
  void Deliver(HWND) override { m_fn(); }

 private:
  Fn m_fn;
};

// A message parameter: a plain value, or a heap object whose ownership goes with the message.
template <typename T>
struct Param {
  static_assert(std::is_integral_v<T> || std::is_enum_v<T>, "a plain parameter is a number");
  T value;
  std::uintptr_t Release() { return static_cast<std::uintptr_t>(value); }
};
template <typename T>
struct Param<std::unique_ptr<T>> {
  std::unique_ptr<T> value;
  std::uintptr_t Release() { return reinterpret_cast<std::uintptr_t>(value.release()); }
};

template <typename W, typename L>
class MessageParcel final : public PostedParcel {
 public:
  MessageParcel(UINT msg, W wParam, L lParam)
      : m_msg(msg), m_wParam{std::move(wParam)}, m_lParam{std::move(lParam)} {}
  void Deliver(HWND hwnd) override {
    const auto wParam = static_cast<WPARAM>(m_wParam.Release());
    const auto lParam = static_cast<LPARAM>(m_lParam.Release());
    SendMessageA(hwnd, m_msg, wParam, lParam);
  }

 private:
  UINT m_msg;
  Param<W> m_wParam;
  Param<L> m_lParam;
};

}  // namespace post_detail

// fn() runs later on the GUI thread if hwnd still exists then.
template <typename Fn>
BOOL PostCall(HWND hwnd, Fn&& fn) {
  using Stored = std::decay_t<Fn>;
  return PostParcel(hwnd, std::make_unique<post_detail::CallParcel<Stored>>(std::forward<Fn>(fn)));
}

// Posts msg; each parameter is a std::unique_ptr (its object goes to the handler) or a number.
template <typename W, typename L>
BOOL PostOwned(HWND hwnd, UINT msg, W wParam, L lParam) {
  return PostParcel(hwnd, std::make_unique<post_detail::MessageParcel<W, L>>(msg, std::move(wParam),
                                                                             std::move(lParam)));
}

}  // namespace win32
