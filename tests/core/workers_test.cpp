#include "core/workers.h"

#include <future>
#include <gtest/gtest.h>

TEST(Workers, WaitReturnsOnceASlotIsFree) {
  gf_resetWorkerCounter();
  EXPECT_GE(maxWorkers.load(), 1);
  EXPECT_EQ(gf_waitForWorkerSlot(), 0);
  maxWorkers = 4;
  runningWorkers = 4;
  auto waiting = std::async(std::launch::async, [] { return gf_waitForWorkerSlot(); });
  EXPECT_EQ(waiting.wait_for(std::chrono::milliseconds(50)), std::future_status::timeout);
  gf_releaseWorker();
  EXPECT_EQ(waiting.get(), 3);
}

TEST(Workers, ResetClearsTheCountAndAZeroMaximumStillAllowsOne) {
  runningWorkers = 7;
  gf_resetWorkerCounter();
  EXPECT_EQ(runningWorkers.load(), 0);
  maxWorkers = 0;
  EXPECT_EQ(gf_waitForWorkerSlot(), 0);
  gf_resetWorkerCounter();
}
