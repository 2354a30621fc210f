#include "core/shell/repaint.h"
#include "core/shell/run_state.h"
#include "core/shell/status_line.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

namespace {
int repaints = 0;
void countRepaint(const PaintRect& area, bool) {
  if (area == statusRect) ++repaints;
}
} // namespace

class StatusLineTest : public ::testing::Test {
protected:
  void SetUp() override {
    gf_resetStatusLine();
    repaints = 0;
    gf_setRepaintHandler(countRepaint);
  }
  void TearDown() override {
    gf_setRepaintHandler(nullptr);
    gf_resetStatusLine();
    gf_resetRunFlags();
  }
  testing_support::LogCapture log;
};

TEST_F(StatusLineTest, MessageTimesOutAfter25Steps) {
  for (int i = 0; i < 10; ++i) gf_statusLineSecondStep();
  gf_showMessage("hello", true);
  EXPECT_EQ(repaints, 1);
  for (int i = 11; i <= 34; ++i) gf_statusLineSecondStep();
  EXPECT_EQ(gf_statusLineSnapshot().message, "hello");
  gf_statusLineSecondStep(); // tick 35
  EXPECT_EQ(gf_statusLineSnapshot().message, "");
  EXPECT_EQ(log.lines(), std::vector<std::string>{"hello"});
}

TEST_F(StatusLineTest, MessageAtTickZeroStillTimesOut) {
  gf_showMessage("early", false);
  for (int i = 1; i <= 25; ++i) gf_statusLineSecondStep();
  EXPECT_EQ(gf_statusLineSnapshot().message, "early");
  gf_statusLineSecondStep(); // tick 26
  EXPECT_EQ(gf_statusLineSnapshot().message, "");
  EXPECT_TRUE(log.lines().empty());
}

TEST_F(StatusLineTest, ErrorBlocksMessagesUntilCleared) {
  gf_showMessage("busy", false);
  gf_showError("E");
  EXPECT_EQ(gf_statusLineSnapshot().message, "");
  EXPECT_EQ(gf_statusLineSnapshot().error, "E");
  gf_showMessage("other", true);
  for (int i = 0; i < 40; ++i) gf_statusLineSecondStep();
  EXPECT_EQ(gf_statusLineSnapshot().error, "E");
  EXPECT_EQ(gf_statusLineSnapshot().message, "");
  EXPECT_EQ(log.lines(), std::vector<std::string>{"Error E"});
  gf_clearError();
  gf_showMessage("after", false);
  EXPECT_EQ(gf_statusLineSnapshot().message, "after");
}

TEST_F(StatusLineTest, EmptyMessageClearsWithoutLoggingAndStoppedRunsLogNothing) {
  gf_showMessage("x", false);
  gf_clearMessage();
  EXPECT_EQ(gf_statusLineSnapshot().message, "");
  runState.stopRequested = true;
  gf_showMessage("while stopping", true);
  EXPECT_EQ(gf_statusLineSnapshot().message, "while stopping");
  EXPECT_TRUE(log.lines().empty());
}
