#include "simlink/link_timer.h"

#include <windows.h>
// After windows.h, which it needs.
#include <timeapi.h>

TimerResolution::TimerResolution() { timeBeginPeriod(1); }

TimerResolution::~TimerResolution() { timeEndPeriod(1); }

void gf_linkSleepUntil(std::chrono::steady_clock::time_point until) {
  const auto left = until - std::chrono::steady_clock::now();
  if (left <= std::chrono::steady_clock::duration::zero()) return;
  // Whole milliseconds, rounded up: Sleep(0) would only give up the time slice.
  const auto ms = std::chrono::ceil<std::chrono::milliseconds>(left).count();
  Sleep(static_cast<DWORD>(ms));
}

MessageSignal::MessageSignal() : handle_(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {}

MessageSignal::~MessageSignal() {
  if (handle_ != nullptr) CloseHandle(static_cast<HANDLE>(handle_));
}

void MessageSignal::waitUntil(std::chrono::steady_clock::time_point until) {
  if (handle_ == nullptr) {
    gf_linkSleepUntil(until);
    return;
  }
  const auto left = until - std::chrono::steady_clock::now();
  if (left <= std::chrono::steady_clock::duration::zero()) return;
  const auto ms = std::chrono::ceil<std::chrono::milliseconds>(left).count();
  WaitForSingleObject(static_cast<HANDLE>(handle_), static_cast<DWORD>(ms));
}
