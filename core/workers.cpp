#include "core/workers.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

std::atomic<std::int32_t> runningWorkers{0};
std::atomic<std::int32_t> maxWorkers{1};

void gf_resetWorkerCounter() {
  // The platform reports 0 when it cannot tell; a maximum of 0 would block every scan.
  maxWorkers = std::max<std::int32_t>(1, static_cast<std::int32_t>(std::thread::hardware_concurrency()));
  runningWorkers.exchange(0);
}

namespace {

// A worker that ends wakes the one waiting for its slot at once: a sleep of a few
// microseconds lasts a whole timer tick on Windows (about 15 ms), once per file of a scan.
// The wait still looks again every millisecond, for a count set without a release.
std::mutex slotMutex;
std::condition_variable slotFreed;

} // namespace

std::int32_t gf_waitForWorkerSlot() {
  std::unique_lock lock(slotMutex);
  while (true) {
    const auto running = runningWorkers.load();
    if (running < std::max<std::int32_t>(1, maxWorkers.load())) return running;
    slotFreed.wait_for(lock, std::chrono::milliseconds(1));
  }
}

void gf_releaseWorker() {
  {
    // Under the lock, so that a waiter between its look and its wait does not miss it.
    const std::lock_guard lock(slotMutex);
    --runningWorkers;
  }
  slotFreed.notify_all();
}
