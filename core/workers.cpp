#include "core/workers.h"

#include <algorithm>
#include <chrono>
#include <thread>

std::atomic<std::int32_t> runningWorkers{0};
std::atomic<std::int32_t> maxWorkers{1};

void gf_resetWorkerCounter() {
  // The platform reports 0 when it cannot tell; a maximum of 0 would block every scan.
  maxWorkers = std::max<std::int32_t>(1, static_cast<std::int32_t>(std::thread::hardware_concurrency()));
  runningWorkers.exchange(0);
}

std::int32_t gf_waitForWorkerSlot() {
  while (true) {
    const auto running = runningWorkers.load();
    if (running < std::max<std::int32_t>(1, maxWorkers.load())) return running;
    std::this_thread::sleep_for(std::chrono::microseconds(10));
  }
}

void gf_releaseWorker() { --runningWorkers; }
