#pragma once
// The dispatch loop's clock: while a connection is open the link polls every millisecond,
// which on Windows needs the system timer at 1 ms resolution.
#include <chrono>

class TimerResolution {
public:
  TimerResolution();
  ~TimerResolution();
  TimerResolution(const TimerResolution&) = delete;
  TimerResolution& operator=(const TimerResolution&) = delete;
};

void gf_linkSleepUntil(std::chrono::steady_clock::time_point until);

// What the client library signals whenever a message arrives or the connection is lost, so
// that the dispatch loop wakes at once instead of at its next millisecond.
class MessageSignal {
public:
  MessageSignal();
  ~MessageSignal();
  MessageSignal(const MessageSignal&) = delete;
  MessageSignal& operator=(const MessageSignal&) = delete;
  // For SimConnect_Open; null where the platform has none.
  void* handle() const { return handle_; }
  // Until the time or the signal, whichever comes first.
  void waitUntil(std::chrono::steady_clock::time_point until);

private:
  void* handle_ = nullptr;
};
