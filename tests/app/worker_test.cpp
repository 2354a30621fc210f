#include "app/worker.h"
#include "window_fixture.h"

#include <chrono>
#include <filesystem>
#include <functional>
#include <thread>

using window_testing::recordedActions;

namespace {

// Waits for a condition, at most ten seconds.
bool eventually(const std::function<bool()>& condition) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

class WorkerTest : public window_testing::WindowTest {
protected:
  void TearDown() override {
    if (worker_.joinable()) {
      gf_stopByUser();
      worker_.join();
    }
    restarting = false;
    WindowTest::TearDown();
  }
  void start() {
    worker_ = std::thread(gf_workerMain);
    ASSERT_TRUE(eventually([] { return workerRunning.load(); }));
  }
  void finish() {
    worker_.join();
    EXPECT_FALSE(workerRunning);
  }
  bool ready() const {
    return eventually([] { return windowControls.isEnabled(REREAD_BUTTON.controlId); });
  }

  testing_support::TempDir program{"hvm-program"};
  testing_support::ScopedCurrentPath cwd{program.path()};
  std::thread worker_;
};

} // namespace

TEST_F(WorkerTest, ReadiesTheControlsRunsUntilClosedAndAsksToQuit) {
  std::filesystem::create_directory(program / "docs");
  settings_testing::writeSettings(settings.file(), {{"AUTO_RANGE", "false"},
                                                    {"BLOCK_CALLSIGN", "ABCD"},
                                                    {"SIM_INSTALL_PATH", "C:\\P3D v5"},
                                                    {"MAX_FIT", "6"},
                                                    {"ALWAYS_ON_TOP", "true"}});
  start();
  ASSERT_TRUE(ready());
  struct Expected {
    const ParameterControl& control;
    bool enabled;
  };
  const Expected states[] = {
      {LOG, true},
      {LEARN_SOFT, false},
      {SCAN_LIVERIES, true},
      {RANGE, true},
      {AR_ABOVE_HEIGHT, false},
      {BLOCK_CALLSIGN, true},
      {UNBLOCK_BUTTON, true},
      {DESTINATION, false},
      {parking_percentage, false},
      {MAX_FIT_FL, false},
      {FLUSH_STATIC_BUTTON, false},
      {ALL_INSTALL_PATH, true},
      {WEEK, true},
  };
  for (const auto& s : states)
    EXPECT_EQ(windowControls.isEnabled(s.control.controlId), s.enabled) << s.control.controlId;
  EXPECT_EQ(windowControls.state(MAX_LIVE_SEL.controlId)->rows.size(), MAX_LIVE_SEL.choices.size());
  EXPECT_EQ(windowControls.state(BLOCK_CALLSIGN.controlId)->text, "ABCD");
  EXPECT_EQ(windowControls.state(ALL_INSTALL_PATH.controlId)->text, "C:\\P3D v5");
  EXPECT_EQ(windowControls.state(parking_percentage.controlId)->text, "");
  EXPECT_EQ(parking_percentage.get(), 30);
  EXPECT_FLOAT_EQ(MAX_FIT_FL.get(), 3.5f);
  EXPECT_EQ(savedManualRange, RANGE.get());
  EXPECT_TRUE(workerRunning);

  gf_stopByUser();
  finish();
  EXPECT_EQ(recordedActions(), (std::vector{WindowAction::topmostOn, WindowAction::saveAndQuit}));
  EXPECT_TRUE(log.contains("Exiting: USER CLOSED SIM"));
}

TEST_F(WorkerTest, OutsideTheProgramFolderTheErrorStandsUntilTheWindowIsClosed) {
  start();
  ASSERT_TRUE(eventually([] { return !gf_statusLineSnapshot().error.empty(); }));
  EXPECT_EQ(gf_statusLineSnapshot().error, "41: Hivemoor must be run from the Hivemoor folder!");
  EXPECT_EQ(gf_exitReason(), ExitReason::SystemError);
  EXPECT_FALSE(windowControls.isEnabled(REREAD_BUTTON.controlId)); // nothing was started
  EXPECT_TRUE(workerRunning);
  EXPECT_TRUE(recordedActions().empty());

  gf_stopByUser();
  finish();
  EXPECT_EQ(recordedActions(), std::vector{WindowAction::saveAndQuit});
  EXPECT_EQ(gf_statusLineSnapshot().error, "41: Hivemoor must be run from the Hivemoor folder!");
  EXPECT_TRUE(log.contains("Exiting: SYSTEM ERROR"));
}

TEST_F(WorkerTest, NewSettingsRestartAfterTheCountdown) {
  std::filesystem::create_directory(program / "docs");
  start();
  ASSERT_TRUE(ready());
  gf_showError("to be cleared");
  mainWindow.update(topBandRect, [](DisplayState& d) { d.simConnected = true; });
  realTrafficLink.scanNow = false;
  gf_requestStop(ExitReason::NewSettings, 1);
  finish();
  EXPECT_EQ(recordedActions().back(), WindowAction::startRun);
  EXPECT_TRUE(restarting);
  EXPECT_TRUE(log.contains("Restarting after 1 seconds"));
  // The next run starts from a clean state; the scans stay as the user set them.
  EXPECT_FALSE(runState.stopRequested);
  EXPECT_EQ(gf_exitReason(), ExitReason::NotYetSet);
  EXPECT_EQ(gf_statusLineSnapshot().error, "");
  EXPECT_EQ(gf_statusLineSnapshot().message, "");
  EXPECT_FALSE(mainWindow.snapshot().simConnected);
  EXPECT_TRUE(realTrafficLink.scanNow);
  EXPECT_TRUE(SCAN_LIVERIES.get());
}

TEST_F(WorkerTest, ARestartAfterAnErrorSwitchesTheScansOff) {
  std::filesystem::create_directory(program / "docs");
  start();
  ASSERT_TRUE(ready());
  gf_requestStop(ExitReason::ReaderError, 0);
  finish();
  EXPECT_EQ(recordedActions().back(), WindowAction::startRun);
  EXPECT_EQ(stored("SCAN_LIVERIES"), "false");
  EXPECT_EQ(stored("SCAN_AIRPORTS"), "false");
}
