#pragma once
// One counter keeps the scans' workers to the number of hardware threads.
#include <atomic>
#include <cstdint>

extern std::atomic<std::int32_t> runningWorkers;
extern std::atomic<std::int32_t> maxWorkers;

// At the start of every run: the maximum from the platform (at least 1), no workers.
void gf_resetWorkerCounter();
// Returns once fewer than maxWorkers workers run, with the count it read.
std::int32_t gf_waitForWorkerSlot();
void gf_releaseWorker();
