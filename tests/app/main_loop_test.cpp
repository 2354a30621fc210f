#include "app/main_loop.h"
#include "core/settings/settings_version.h"
#include "core/shell/requests.h"
#include "feeds/adding_stack.h"
#include "run_fixture.h"

using namespace run_testing;

namespace {

class MainLoopTest : public RunTest {
protected:
  void SetUp() override {
    RunTest::SetUp();
    runState.flightRunning = true;
  }
  // Turns of the given lengths; the loop ends after the last.
  std::vector<std::chrono::nanoseconds> sleepsAfterTurns(const std::vector<std::chrono::nanoseconds>& lengths,
                                                         const std::function<void(std::size_t)>& during = {}) {
    std::size_t turn = 0;
    gf_runTurns([&] {
      if (turn == lengths.size()) return false;
      clock.advance(lengths[turn]);
      if (during) during(turn);
      ++turn;
      return true;
    });
    return clock.sleeps();
  }
};

} // namespace

TEST_F(MainLoopTest, ASlowTurnIsFollowedByTurnsWithoutSleepUntilTheLoopHasCaughtUp) {
  // 35 ms: the deadlines 10, 20 and 30 ms after its start have passed; the fourth turn
  // after it waits the 5 ms left to 40 ms.
  const auto sleeps = sleepsAfterTurns({35ms, 0ms, 0ms, 0ms, 2ms, 2ms});
  ASSERT_EQ(sleeps.size(), 3u);
  EXPECT_EQ(sleeps[0], 5ms);
  EXPECT_EQ(sleeps[1], 8ms);
  EXPECT_EQ(sleeps[2], 8ms);
}

TEST_F(MainLoopTest, LessThanAWholeMillisecondLeftIsNoSleep) {
  const auto sleeps = sleepsAfterTurns({9500us, 9ms, 1ms});
  // 0.5 ms left after the first turn: no sleep; 1.5 ms left after the second: a sleep.
  ASSERT_EQ(sleeps.size(), 2u);
  EXPECT_EQ(sleeps[0], 1500us);
  EXPECT_EQ(sleeps[1], 9ms);
}

TEST_F(MainLoopTest, PendingPerSecondDataSetsTheDeadlineAnewAndDropsTheBacklog) {
  // A slow turn builds a backlog; the per-second data that arrives then moves the next
  // deadline to 10 ms after now.
  const auto sleeps = sleepsAfterTurns({45ms, 1ms, 1ms}, [](std::size_t turn) {
    if (turn == 0) runState.secondTick = true;
    if (turn == 1) runState.secondTick = false;
  });
  ASSERT_EQ(sleeps.size(), 2u);
  EXPECT_EQ(sleeps[0], 9ms);
  EXPECT_EQ(sleeps[1], 9ms);
}

TEST_F(MainLoopTest, AStopEndsTheLoopAtTheNextTurnEvenWithoutPerSecondData) {
  // The link stopped delivering its once-a-second data while the flight still runs.
  int ticks = 0;
  runServices.traffic.lf_handleAddingStack = [&ticks] {
    if (++ticks == 50) gf_stopByUser();
  };
  gf_mainLoop();
  EXPECT_EQ(ticks, 50);
  EXPECT_EQ(clock.fineTimerBegins, 1);
  EXPECT_EQ(clock.fineTimerEnds, 1);
  EXPECT_EQ(runState.seconds, 0);
  EXPECT_TRUE(recorder.saw("gf_updateParkAirport true"));
}

TEST_F(MainLoopTest, EachArrivalOfPerSecondDataIsOneStep) {
  int ticks = 0;
  runServices.traffic.lf_handleAddingStack = [&ticks] {
    ++ticks;
    if (ticks % 100 == 0) runState.secondTick = true; // once a second
    if (ticks == 1500) gf_stopByUser();
  };
  gf_mainLoop();
  EXPECT_EQ(runState.seconds, 14);
  // 15 s of 10 ms turns on the run's clock.
  EXPECT_GE(clock.elapsed(), 14900ms);
  EXPECT_LE(clock.elapsed(), 15100ms);
  EXPECT_TRUE(runState.acceptingTraffic);
}

TEST_F(MainLoopTest, WithoutARunningFlightTheTurnsKeepTheLinksAlive) {
  runState.flightRunning = false;
  gf_setUserAc(klaxGate());
  gf_setAcceptingTraffic(true);
  rereadRequested = true;
  world.liveParked = 4;
  int turns = 0;
  runServices.traffic.gf_processSimResults = [&turns] {
    if (++turns == 250) gf_stopByUser();
  };
  gf_runTurns(gf_mainLoopTurn);
  EXPECT_EQ(turns, 250);
  // Logged once, the reports stopped, the positions of the stopped flight dropped.
  const auto lines = log.lines();
  EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                          [](const std::string& line) { return line.ends_with(" Flight not running"); }),
            1);
  EXPECT_EQ(recorder.count("clearPositionBuffers"), 1u);
  EXPECT_FALSE(runState.acceptingTraffic);
  EXPECT_TRUE(runFlow.flightNotRunningLogged);
  // Every 100 turns: the re-read, the user position to RealTraffic and the counts.
  EXPECT_EQ(recorder.count("gf_sendUserPosition 33.9416 -118.4085"), 2u);
  EXPECT_EQ(recorder.count("gf_rereadParkAirports true"), 1u);
  EXPECT_FALSE(rereadRequested);
  EXPECT_EQ(mainWindow.snapshot().liveParkedCount, 4u);
  EXPECT_FALSE(recorder.saw("lf_handleAddingStack"));

  // The flight resumes: the next per-second step says so and takes reports again.
  gf_resetRunFlags();
  runState.flightRunning = true;
  runState.secondTick = true;
  EXPECT_TRUE(gf_mainLoopTurn());
  EXPECT_FALSE(runFlow.flightNotRunningLogged);
  EXPECT_TRUE(runState.acceptingTraffic);
  EXPECT_TRUE(log.contains("Flight resumed"));
}

TEST_F(MainLoopTest, TheWindowsRequestsAreServedAtTheNextTurn) {
  world.staticList.push_back(staticAircraft("KLM1234*", klax));
  world.staticList.push_back(staticAircraft("DLH1", klax));
  world.staticList.back().state = LiveState::Adding2Sim;
  world.liveList.push_back(liveAircraft("UAL1", klax, true, FlightPhase::Parked));
  world.liveList.back().aircraft.objectId = 101;
  world.liveList.push_back(liveAircraft("UAL2", klax, true, FlightPhase::Taxi));
  NAV_LIGHTS_WHILE_PARKED.set(true);
  navLightsRequested = true;
  maxLiveRequested = true;
  AUTO_RANGE.set(true);
  autoRangeRequested = true;
  gf_setRange(40);
  gf_requestFirstParkAirport({"KSFO", {37.6, -122.4}});

  // Served even while no flight runs.
  runState.flightRunning = false;
  EXPECT_TRUE(gf_mainLoopTurn());
  EXPECT_EQ(recorder.without({"clearPositionBuffers", "gf_processSimResults"}),
            (std::vector<std::string>{"gf_queueClientEvent 50 208 1", "gf_queueClientEvent 101 208 1",
                                      "gf_applyMaxLive", "gf_makeFirstParkAirport KSFO"}));
  EXPECT_EQ(RANGE.get(), 10); // on the ground
  EXPECT_FALSE(navLightsRequested || maxLiveRequested || autoRangeRequested);

  // The automatic range switched off again before the turn: the manual range stands.
  AUTO_RANGE.set(false);
  autoRangeRequested = true;
  gf_setRange(25);
  gf_mainLoopTurn();
  EXPECT_EQ(RANGE.get(), 25);
}
