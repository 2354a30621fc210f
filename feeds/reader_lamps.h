#pragma once
// What the window shows of the feeds: the two reader lamps and the QNH. Written by the
// readers and the worker thread, read by the window when it paints.
#include "core/shell/repaint.h"

#include <atomic>
#include <cstdint>

using LampState = std::int32_t;
inline constexpr LampState lampReceiving = 1;
inline constexpr LampState lampStale = 2;
inline constexpr LampState lampStopped = 3; // also: not started

struct FeedDisplay {
  std::atomic<LampState> trafficLamp{lampStopped};
  std::atomic<LampState> weatherLamp{lampStopped};
  std::atomic<std::int32_t> qnhShown{0};
  // True once a lamp was switched back to receiving, so the watchdog repaints only on a change.
  std::atomic<bool> trafficLampLatch{false};
  std::atomic<bool> weatherLampLatch{false};
};

extern FeedDisplay feedDisplay;

// The window shows the feed state in its top band.
inline constexpr PaintRect feedDisplayRect = topBandRect;

// The lamp watchdog: a reader that took in no datagram since the last call shows stale.
void gf_checkReaderLamps();
// Both readers back to their starting state (stop flags cleared, counts and latches reset).
void gf_resetFeedState();
