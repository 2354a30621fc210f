#include "app/closing_down.h"
#include "app/run.h"
#include "core/settings/settings_version.h"
#include "feeds/adding_stack.h"
#include "run_fixture.h"

#include <atomic>
#include <thread>

using namespace run_testing;

namespace {

class RunFlowTest : public RunTest {
protected:
  void SetUp() override {
    RunTest::SetUp();
    runState.flightRunning = true;
    // The first traffic line arrives at 5 s, 3 s after the Traffic Reader started.
    clock.at(5s, [this] {
      if (trafficComes) trafficReader.lineTimestamp = 1.7e9;
    });
    runServices.feeds.gf_sendUserPosition = [this](const UserAcData& user) {
      recorder.add(fmt::format("gf_sendUserPosition {:.4f} {:.4f} at {}ms", user.latitude, user.longitude,
                               clock.elapsed().count()));
    };
    // Ten turns of the main loop, then the window is closed.
    runServices.traffic.lf_handleAddingStack = [this] {
      if (++ticks == 10) gf_stopByUser();
    };
  }
  // The run's own threads are joined: what they recorded is complete.
  std::vector<std::string> mainThreadCalls() {
    gf_stopReaders();
    gf_stopSimClient();
    EXPECT_EQ(recorder.count("SimClient"), 1u);
    return recorder.without({"SimClient", "SimClient ended", "QNH Reader 49004", "Traffic Reader 49005"});
  }
  int ticks = 0;
  bool trafficComes = true;
};

} // namespace

TEST_F(RunFlowTest, WithRealTrafficElsewhereTheRunGoesStraightToItsReaders) {
  gf_run();
  // The user position goes to RealTraffic 2 s after the QNH Reader started, with the
  // Traffic Reader (after half a second's wait for the user aircraft).
  EXPECT_EQ(mainThreadCalls(),
            (std::vector<std::string>{"gf_reserveTraffic", "gf_reserveLiveryLists", "gf_installUserStandRecorder",
                                      "gf_initSimClient 5", "gf_requestUserOnGroundEverySecond",
                                      "gf_requestUserAcTitleAndModel", "gf_waitForRealTraffic",
                                      "gf_sendUserPosition 33.9416 -118.4085 at 2500ms", "gf_updateParkAirport true"}));
  EXPECT_TRUE(recorder.saw("QNH Reader 49004"));
  EXPECT_TRUE(recorder.saw("Traffic Reader 49005"));
  EXPECT_EQ(ticks, 10);
  // No TCP link is used: the feed counts as up at once.
  EXPECT_TRUE(realTrafficLink.linkUp);
  EXPECT_FALSE(mainWindow.snapshot().runStarting);
  EXPECT_EQ(trafficReader.context().reference, (GeoPosition{33.9416, -118.4085}));
  EXPECT_TRUE(runState.acceptingTraffic);
  EXPECT_FALSE(log.contains("No traffic in this region?"));
  // The main loop began with the first traffic, 5 s after the start.
  EXPECT_GE(clock.elapsed(), 5s);
  EXPECT_LT(clock.elapsed(), 6s);
}

TEST_F(RunFlowTest, WithRealTrafficOnThisPcTheRunServesItsLinkAndSendsTheSimulatorTimeInSeconds) {
  realTrafficLink.detected = true;
  PORT_NUMBER.set("10748");
  runServices.feeds.gf_waitForRealTraffic = [this] {
    recorder.add("gf_waitForRealTraffic");
    realTrafficLink.professional = true;
  };
  gf_run();
  const auto calls = mainThreadCalls();
  const auto server = std::find(calls.begin(), calls.end(), "gf_startRealTrafficServer 10748");
  ASSERT_GT(std::distance(server, calls.end()), 2);
  EXPECT_EQ(*(server + 1), "gf_waitForRealTraffic");
  EXPECT_EQ(*(server + 2), "gf_sendSimTime 1700000000");
  EXPECT_FALSE(realTrafficLink.linkUp); // the link itself says when RealTraffic is there
  PORT_NUMBER.set(PORT_NUMBER.defaultValue);
}

TEST_F(RunFlowTest, InThePsxModeNoRealTrafficLinkIsUsed) {
  realTrafficLink.detected = true;
  realTrafficLink.professional = true;
  AEROWINX.set(true);
  gf_run();
  mainThreadCalls();
  EXPECT_FALSE(recorder.saw("gf_waitForRealTraffic"));
  EXPECT_FALSE(recorder.indexOf("gf_startRealTrafficServer 10747") >= 0);
  EXPECT_TRUE(realTrafficLink.linkUp);
  EXPECT_FALSE(realTrafficLink.professional);
  EXPECT_TRUE(recorder.saw("Traffic Reader 49005"));
  AEROWINX.set(false);
}

TEST_F(RunFlowTest, AStopWhileWaitingForTheFlightEndsTheRunWithoutReaders) {
  runState.flightRunning = false;
  clock.at(1234ms, [] { gf_stopByUser(); });
  gf_run();
  EXPECT_LE(clock.elapsed(), 1334ms);
  EXPECT_FALSE(recorder.saw("QNH Reader 49004"));
  EXPECT_FALSE(recorder.saw("gf_requestUserOnGroundEverySecond"));
  EXPECT_TRUE(gf_simClientRunning());
}

TEST_F(RunFlowTest, TheRunWaitsForTheUserAircraftsPosition) {
  world.user = {};
  clock.at(1700ms, [this] { world.user = klaxGate(); });
  gf_run();
  EXPECT_GT(recorder.indexOf("gf_requestUserAcTitleAndModel"), 0);
  EXPECT_EQ(runFlow.userAc.latitude, klaxGate().latitude);
}

TEST_F(RunFlowTest, NoTrafficWithinFifteenSecondsIsOnlyLogged) {
  trafficComes = false;
  gf_run();
  EXPECT_TRUE(log.contains("No traffic in this region?"));
  EXPECT_EQ(ticks, 10);
  EXPECT_GE(clock.elapsed(), 17s);
}

TEST_F(RunFlowTest, ClosingWhileWaitingForTheFirstTrafficEndsTheWaitAtOnce) {
  clock.at(3s, [] { gf_stopByUser(); });
  gf_run();
  EXPECT_LT(clock.elapsed(), 4s);
  EXPECT_EQ(ticks, 0);
  EXPECT_FALSE(log.contains("No traffic in this region?"));
}

TEST_F(RunFlowTest, TheAutomaticRangeIsAppliedAtTheStart) {
  AUTO_RANGE.set(true);
  gf_setRange(40);
  gf_enableControl(RANGE.controlId, true);
  world.userOnGround = false;
  world.user.altitude = 49000.0; // above AR_ABOVE_HEIGHT
  gf_run();
  EXPECT_EQ(RANGE.get(), 100);
  EXPECT_FALSE(windowControls.isEnabled(RANGE.controlId));
}

TEST_F(RunFlowTest, ClosingDownEndsTheReadersSoTheNextRunCanStartThemAgain) {
  // Readers that receive until their stop flag is set, then take a moment to close their socket.
  std::atomic<int> started{0};
  std::atomic<int> ended{0};
  const auto reader = [&started, &ended](std::atomic<bool>& stop) {
    return [&started, &ended, &stop](std::int32_t) {
      ++started;
      while (!stop.load()) std::this_thread::sleep_for(1ms);
      std::this_thread::sleep_for(30ms);
      ++ended;
    };
  };
  runServices.feeds.QnhReader = reader(qnhReader.stop);
  runServices.feeds.TrafficReader = reader(trafficReader.stop);
  for (int run = 1; run <= 2; ++run) {
    SCOPED_TRACE(run);
    ticks = 0;
    gf_run();
    gf_closingDown();
    // Nothing of the ended run receives any more, nor runs under the next one.
    EXPECT_EQ(started.load(), 2 * run);
    EXPECT_EQ(ended.load(), started.load());
    gf_resetRunState();
    runState.flightRunning = true;
  }
}
