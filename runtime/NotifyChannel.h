#pragma once
// The hidden notification window of a component: any thread may post
// (message, wParam, lParam) to it; the messages reach the component's
// WndProc on the UI thread, one at a time, in posting order, also inside
// nested modal loops. Posting never allocates once the queue has grown to
// its working size. A channel destroyed with messages queued drops them:
// nothing is called after destruction has begun.
#include <cstdint>
#include <functional>
#include <memory>

struct TMessage {
  uint32_t Msg = 0;
  uintptr_t WParam = 0;
  intptr_t LParam = 0;
  intptr_t Result = 0;
};

class TNotifyChannelState;

// Thread-safe, copyable poster. Posting to a destroyed channel is a no-op and returns false.
class TNotifyHandle {
 public:
  TNotifyHandle() = default;
  bool Post(uint32_t msg, uintptr_t wParam = 0, intptr_t lParam = 0) const;
  explicit operator bool() const { return static_cast<bool>(FState); }

 private:
  friend class TNotifyChannel;
  explicit TNotifyHandle(std::shared_ptr<TNotifyChannelState> state) : FState(std::move(state)) {}
  std::shared_ptr<TNotifyChannelState> FState;
};

class TNotifyChannel {
 public:
  using TWndProc = std::function<void(TMessage&)>;
  // Must be created on the UI thread (the thread running the Qt event loop).
  explicit TNotifyChannel(TWndProc wndProc);
  ~TNotifyChannel();
  TNotifyChannel(const TNotifyChannel&) = delete;
  TNotifyChannel& operator=(const TNotifyChannel&) = delete;

  TNotifyHandle Handle() const;
  // Messages posted but not yet delivered.
  int Pending() const;
  // Delivers every message posted so far, in order, before returning (a
  // component that must handle its device's last notices before it closes).
  // Does nothing inside a delivery of this channel. A handler's exception
  // leaves the rest queued and propagates to the caller.
  void DeliverPending();

 private:
  std::shared_ptr<TNotifyChannelState> FState;
};
