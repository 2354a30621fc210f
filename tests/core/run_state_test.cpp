#include "core/shell/run_state.h"

#include <gtest/gtest.h>
#include <thread>
#include <vector>

class RunStateTest : public ::testing::Test {
protected:
  void TearDown() override { gf_resetRunFlags(); }
};

TEST_F(RunStateTest, FirstRequestWins) {
  gf_requestStop(ExitReason::ReaderError, 15);
  gf_requestStop(ExitReason::SimConnectError, 9);
  EXPECT_TRUE(runState.stopRequested);
  EXPECT_EQ(gf_exitReason(), ExitReason::ReaderError);
  EXPECT_EQ(gf_restartDelay(), 15);
  EXPECT_TRUE(gf_restartsAfter(gf_exitReason()));
}

TEST_F(RunStateTest, FirstRequestWinsUnderManyThreads) {
  for (int round = 0; round < 50; ++round) {
    gf_resetRunFlags();
    std::vector<std::thread> threads;
    for (int t = 1; t <= 7; ++t) threads.emplace_back([t] { gf_requestStop(static_cast<ExitReason>(t), t * 100); });
    for (auto& thread : threads) thread.join();
    // Whoever won, reason and delay belong to the same request.
    EXPECT_EQ(gf_restartDelay(), static_cast<std::int32_t>(gf_exitReason()) * 100);
  }
}

TEST_F(RunStateTest, ClosingTheWindow) {
  gf_requestStop(ExitReason::NewSettings, 3);
  gf_stopByUser();
  EXPECT_TRUE(runState.windowClosedByUser);
  EXPECT_EQ(gf_exitReason(), ExitReason::NewSettings);
  EXPECT_EQ(gf_restartDelay(), 3);

  gf_resetRunFlags();
  EXPECT_FALSE(runState.windowClosedByUser);
  gf_stopByUser();
  EXPECT_EQ(gf_exitReason(), ExitReason::UserClosedSim);
  EXPECT_EQ(gf_restartDelay(), 3); // untouched
  EXPECT_FALSE(gf_restartsAfter(gf_exitReason()));
}

TEST_F(RunStateTest, SystemErrorOverwritesAPendingReason) {
  gf_requestStop(ExitReason::NewSettings, 3);
  gf_setSystemErrorReason();
  EXPECT_EQ(gf_exitReason(), ExitReason::SystemError);
}

TEST_F(RunStateTest, ReasonNamesAndRestartRule) {
  EXPECT_EQ(gf_exitReasonName(0), "NOT YET SET");
  EXPECT_EQ(gf_exitReasonName(6), "READER ERROR");
  EXPECT_EQ(gf_exitReasonName(7), "SYSTEM ERROR");
  EXPECT_THROW(gf_exitReasonName(8), std::out_of_range);
  for (std::uint32_t code = 0; code <= 7; ++code)
    EXPECT_EQ(gf_restartsAfter(static_cast<ExitReason>(code)), code == 3 || code == 5 || code == 6) << code;
}

TEST_F(RunStateTest, SecondTickIsTakenOnce) {
  runState.secondTick = true;
  EXPECT_TRUE(gf_takeSecondTick());
  EXPECT_FALSE(gf_takeSecondTick());
}

TEST_F(RunStateTest, AfterAnErrorANewRequestMaySetItsReasonAgain) {
  gf_requestStop(ExitReason::SystemError, 0);
  gf_requestStop(ExitReason::NewSettings, 3);
  EXPECT_EQ(gf_exitReason(), ExitReason::SystemError);
  gf_rearmStopRequests();
  EXPECT_FALSE(runState.stopRequested);
  EXPECT_EQ(gf_exitReason(), ExitReason::SystemError);
  gf_requestStop(ExitReason::NewSettings, 3);
  EXPECT_EQ(gf_exitReason(), ExitReason::NewSettings);
  EXPECT_EQ(gf_restartDelay(), 3);
}
