#include "core/shell/reader_stop.h"
#include "core/shell/run_state.h"
#include "core/shell/sim_closed.h"
#include "core/shell/status_line.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

class StopRequestTest : public ::testing::Test {
protected:
  void SetUp() override {
    gf_resetRunFlags();
    gf_resetStatusLine();
    gf_takeReaderError();
  }
  void TearDown() override {
    gf_resetRunFlags();
    gf_resetStatusLine();
    gf_takeReaderError();
  }
  testing_support::LogCapture log;
};

TEST_F(StopRequestTest, SimClosedEndsTheRunUnlessAStopIsPending) {
  gf_stopForSimClosed();
  EXPECT_EQ(gf_exitReason(), ExitReason::SimWasClosed);
  EXPECT_EQ(gf_restartDelay(), 0);
  EXPECT_TRUE(log.contains("Flight Simulator no longer connected, Hivemoor will stop ..."));

  gf_resetRunFlags();
  gf_requestStop(ExitReason::NewSettings, 3);
  const auto linesBefore = log.lines().size();
  gf_stopForSimClosed();
  EXPECT_EQ(gf_exitReason(), ExitReason::NewSettings);
  EXPECT_EQ(log.lines().size(), linesBefore);
}

TEST_F(StopRequestTest, TheFirstReaderErrorOfARunIsKept) {
  gf_stopForReaderError("Traffic Reader", "bind failed");
  gf_stopForReaderError("QNH Reader", "receive error");
  EXPECT_EQ(gf_exitReason(), ExitReason::ReaderError);
  EXPECT_EQ(gf_restartDelay(), 15);
  EXPECT_EQ(gf_statusLineSnapshot().message, "The QNH Reader has stopped with error: receive error");
  const auto first = gf_takeReaderError();
  ASSERT_TRUE(first);
  EXPECT_EQ(first->readerName, "Traffic Reader");
  EXPECT_EQ(first->errorText, "bind failed");
  EXPECT_FALSE(gf_takeReaderError());
}
