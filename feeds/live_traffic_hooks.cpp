#include "feeds/live_traffic_hooks.h"

#include <atomic>

namespace {
std::atomic<std::int32_t (*)()> tickHook{nullptr};
std::atomic<void (*)()> takeOutHook{nullptr};
} // namespace

void gf_setLiveTrafficHooks(const LiveTrafficHooks& hooks) {
  tickHook.store(hooks.trafficTick);
  takeOutHook.store(hooks.takeLiveAircraftOut);
}

std::int32_t gf_currentTrafficTick() {
  const auto hook = tickHook.load();
  return hook ? hook() : 0;
}

void gf_takeLiveAircraftOut() {
  if (const auto hook = takeOutHook.load()) hook();
}
