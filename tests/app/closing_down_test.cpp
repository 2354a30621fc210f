#include "app/closing_down.h"
#include "app/edit_boxes.h"
#include "core/settings/settings_version.h"
#include "core/shell/requests.h"
#include "core/shell/sim_closed.h"
#include "core/shell/status_line.h"
#include "core/shell/week_clock.h"
#include "feeds/adding_stack.h"
#include "feeds/sockets.h"
#include "run_fixture.h"

#include <thread>

using namespace run_testing;
using window_testing::recordedActions;

namespace {

class ClosingDownTest : public RunTest {
protected:
  // A run whose flight never started, closed at 1 s: the simulator link's thread runs.
  void runUntilClosed() {
    clock.at(clock.elapsed() + 1s, [] { gf_stopByUser(); });
    gf_run();
    ASSERT_TRUE(gf_simClientRunning());
    gf_resetRunFlags();
    recorder.clear();
  }
  // The status line's message at every sleep of the run's clock.
  std::vector<std::string> messagesAtSleeps(const std::function<void()>& action) {
    std::vector<std::string> seen;
    auto fake = runClock;
    runClock.sleepUntil = [&seen, fake](TimePoint until) {
      seen.push_back(gf_statusLineSnapshot().message);
      fake.sleepUntil(until);
    };
    action();
    runClock = fake;
    return seen;
  }
};

} // namespace

TEST(ClosingPlan, ByExitReason) {
  struct Row {
    ExitReason reason;
    bool portTaken;
    bool restart;
    bool switchScansOff;
    bool waitForUser;
    bool newFlightNotice;
  };
  const Row rows[] = {
      {ExitReason::NotYetSet, false, false, false, false, false},
      {ExitReason::SimWasClosed, false, false, false, false, false},
      {ExitReason::NewFlight, false, false, false, false, true},
      {ExitReason::NewSettings, false, true, false, false, false},
      {ExitReason::UserClosedSim, false, false, false, false, false},
      {ExitReason::SimConnectError, false, true, true, false, false},
      {ExitReason::ReaderError, false, true, true, false, false},
      {ExitReason::ReaderError, true, false, false, true, false},
      {ExitReason::SystemError, false, false, false, true, false},
  };
  for (const auto& row : rows) {
    const auto plan = gf_closingPlan(row.reason, row.portTaken);
    SCOPED_TRACE(gf_exitReasonName(static_cast<std::uint64_t>(row.reason)));
    EXPECT_EQ(plan.restart, row.restart);
    EXPECT_EQ(plan.switchScansOff, row.switchScansOff);
    EXPECT_EQ(plan.waitForUser, row.waitForUser);
    EXPECT_EQ(plan.newFlightNotice, row.newFlightNotice);
  }
}

TEST_F(ClosingDownTest, TheCountdownCountsTheSecondsDown) {
  gf_requestStop(ExitReason::SimConnectError, 3);
  const auto seen = messagesAtSleeps(gf_restartCountdown);
  EXPECT_EQ(seen, (std::vector<std::string>{"Restarting after 3 seconds", "Restarting after 2 seconds",
                                            "Restarting after 1 second"}));
  const auto lines = log.lines();
  const auto found = std::find(lines.begin(), lines.end(), "Restarting after 3 seconds");
  ASSERT_NE(found, lines.end());
  ASSERT_GE(lines.end() - found, 6);
  for (int i = 1; i <= 5; ++i) EXPECT_EQ(*(found + i), "");
  EXPECT_EQ(clock.elapsed(), 3s);

  gf_resetRunFlags();
  gf_requestStop(ExitReason::SimWasClosed, 0);
  EXPECT_TRUE(messagesAtSleeps(gf_restartCountdown).empty());
}

TEST_F(ClosingDownTest, ARestartAfterAnErrorCountsDownResetsAndStartsTheNextRun) {
  SCAN_LIVERIES.set(true);
  DESTINATION.set("KLAX");
  gf_saveStringParameter(DESTINATION);
  BLOCK_CALLSIGN.set("BAW1");
  gf_requestStop(ExitReason::SimConnectError, 9);
  const auto seen = messagesAtSleeps([] { EXPECT_EQ(gf_closingDown(), WindowAction::startRun); });
  EXPECT_EQ(
      std::count_if(seen.begin(), seen.end(), [](const std::string& m) { return m.starts_with("Restarting after "); }),
      9);
  EXPECT_EQ(seen.back(), "Restarting after 1 second");
  EXPECT_TRUE(restarting);
  EXPECT_EQ(stored("SCAN_LIVERIES"), "false");
  EXPECT_EQ(stored("SCAN_AIRPORTS"), "false");
  EXPECT_EQ(stored("BLOCK_CALLSIGN"), "");
  // The destination stays for the next run, which applies it again.
  EXPECT_EQ(DESTINATION.get(), "KLAX");
  EXPECT_EQ(stored("DESTINATION"), "KLAX");
  EXPECT_TRUE(log.contains("Exiting: SIMCONNECT ERROR"));
  EXPECT_TRUE(recorder.saw("gf_resetSimLink 5"));
  EXPECT_TRUE(recorder.saw("gf_resetTraffic"));
}

TEST_F(ClosingDownTest, ARestartForNewSettingsKeepsTheScans) {
  SCAN_LIVERIES.set(true);
  gf_saveBoolParameter(SCAN_LIVERIES);
  gf_requestStop(ExitReason::NewSettings, 2);
  EXPECT_EQ(gf_closingDown(), WindowAction::startRun);
  EXPECT_EQ(stored("SCAN_LIVERIES"), "true");
  EXPECT_EQ(clock.elapsed(), 2s);
}

TEST_F(ClosingDownTest, TheEndOfTheProgramEmptiesTheDestination) {
  DESTINATION.set("KLAX");
  gf_saveStringParameter(DESTINATION);
  gf_stopByUser();
  EXPECT_EQ(gf_closingDown(), WindowAction::saveAndQuit);
  EXPECT_FALSE(restarting);
  EXPECT_EQ(stored("DESTINATION"), "");
  EXPECT_TRUE(log.contains("Exiting: USER CLOSED SIM"));
}

TEST_F(ClosingDownTest, ANewFlightIsToldAndTheProgramEndsTenSecondsLater) {
  gf_requestStop(ExitReason::NewFlight, 30);
  const auto seen = messagesAtSleeps([] { EXPECT_EQ(gf_closingDown(), WindowAction::saveAndQuit); });
  EXPECT_EQ(seen.back(), "New flight detected, Hivemoor will close, please restart manually ...");
  EXPECT_EQ(clock.elapsed(), 10s);
}

TEST_F(ClosingDownTest, EveryAircraftLeavesTheSimulatorBeforeItsLinkStops) {
  runUntilClosed();
  world.parkAirportSet = true;
  gf_stopByUser();
  gf_closingDown();
  // The link stopped once the next frame had sent the removals.
  EXPECT_EQ(
      recorder.without({"SimClient"}),
      (std::vector<std::string>{
          "gf_clearGroundTraffic", "gf_removeLiveAircraft",     "gf_flushStatics",      "sendQueuedRemovals",
          "removalsPending",       "gf_requestAircraftInRange", "gf_processSimResults", "gf_processSimResults",
          "gf_processSimResults",  "gf_processSimResults",      "gf_processSimResults", "gf_processSimResults",
          "gf_processSimResults",  "gf_processSimResults",      "gf_processSimResults", "gf_processSimResults",
          "sendQueuedRemovals",    "removalsPending",           "SimClient ended",      "gf_closeRealTrafficLink",
          "emptyHexidTitleMap",    "gf_removeFlightPlanFolder", "emptyGhostList",       "gf_logLiveryMatchingSummary",
          "gf_logNoLiveryMatches"}));
  EXPECT_FALSE(gf_simClientRunning());
}

TEST_F(ClosingDownTest, WithoutAParkAirportTheLiveAircraftLeaveAllTheSame) {
  runUntilClosed();
  gf_requestStop(ExitReason::SimConnectError, 0);
  gf_closingDown();
  const auto seen = recorder.without({"SimClient"});
  ASSERT_GE(seen.size(), 4u);
  EXPECT_EQ(
      std::vector<std::string>(seen.begin(), seen.begin() + 4),
      (std::vector<std::string>{"gf_removeLiveAircraft", "gf_flushStatics", "sendQueuedRemovals", "removalsPending"}));
  EXPECT_FALSE(recorder.saw("gf_clearGroundTraffic"));
}

TEST_F(ClosingDownTest, AnAircraftStillBeingCreatedIsWaitedForAndRemoved) {
  runUntilClosed();
  // Its creation was sent: the removal can only follow once the simulator has made it.
  auto& created = world.liveList.emplace_back().aircraft;
  created.state = LiveState::Adding2Sim;
  created.removalPending = true;
  int results = 0;
  runServices.traffic.gf_processSimResults = [&] {
    recorder.add("gf_processSimResults");
    if (++results == 200) world.liveList.front().aircraft.state = LiveState::RemovingFromSim;
    if (results == 250) world.liveList.clear(); // the simulator confirmed the removal
  };
  const auto before = clock.elapsed();
  gf_stopByUser();
  gf_closingDown();
  EXPECT_EQ(results, 250);
  EXPECT_TRUE(recorder.saw("gf_requestAircraftInRange"));
  EXPECT_TRUE(world.liveList.empty());
  // A created aircraft's wait of 200 ticks is hurried through.
  EXPECT_LT(clock.elapsed() - before, 500ms);
}

TEST_F(ClosingDownTest, AfterTheSimulatorHasGoneNothingIsWaitedFor) {
  runUntilClosed();
  world.removalsStuck = true;
  world.liveList.emplace_back().aircraft.state = LiveState::RemovingFromSim;
  const auto before = clock.elapsed();
  gf_stopForSimClosed();
  gf_closingDown();
  EXPECT_TRUE(recorder.saw("gf_removeLiveAircraft"));
  EXPECT_FALSE(recorder.saw("gf_processSimResults"));
  EXPECT_LT(clock.elapsed() - before, 1s);
}

TEST_F(ClosingDownTest, ALinkThatSendsNothingIsNotWaitedForLong) {
  runUntilClosed();
  world.parkAirportSet = true;
  world.removalsStuck = true;
  const auto before = clock.elapsed();
  gf_stopByUser();
  gf_closingDown();
  EXPECT_TRUE(recorder.saw("sendQueuedRemovals"));
  EXPECT_LE(clock.elapsed() - before, 3100ms);
  EXPECT_FALSE(gf_simClientRunning());
}

TEST_F(ClosingDownTest, AfterAnErrorANewInstallPathRestartsTheRun) {
  testing_support::TempDir simulator("hvm-p3d v5");
  for (const bool stopPending : {true, false}) {
    SCOPED_TRACE(stopPending);
    gf_resetRunFlags();
    gf_resetStatusLine();
    gf_showError("151: No P3D install path detected, type full Install Path above, and press Enter");
    // Standard errors request the stop; a UserErrorException only sets the reason.
    if (stopPending)
      gf_requestStop(ExitReason::SystemError, 0);
    else
      gf_setSystemErrorReason();
    const auto path = gf_pathText(simulator.path());
    clock.at(clock.elapsed() + 30s, [path] { gf_enterEditText(ALL_INSTALL_PATH.controlId, path); });
    const auto started = clock.elapsed();
    EXPECT_EQ(gf_closingDown(), WindowAction::startRun);
    // It waited for the user, then counted the 3 s of the new settings down.
    EXPECT_GE(clock.elapsed() - started, 33s);
    EXPECT_EQ(SIM_INSTALL_PATH.get(), path);
    EXPECT_EQ(gf_statusLineSnapshot().error, "");
  }
}

TEST_F(ClosingDownTest, ANewInstallPathTypedWhileTheAircraftLeaveIsNotLost) {
  testing_support::TempDir simulator("hvm-p3d v5");
  runUntilClosed();
  world.removalsStuck = true;
  // An error the user must mend ends the run without a stop request of its own.
  gf_showError("151: No P3D install path detected, type full Install Path above, and press Enter");
  gf_setSystemErrorReason();
  const auto path = gf_pathText(simulator.path());
  const auto started = clock.elapsed();
  clock.at(started + 1s, [path] { gf_enterEditText(ALL_INSTALL_PATH.controlId, path); });
  clock.at(started + 60s, [] { gf_stopByUser(); }); // had the answer been lost
  EXPECT_EQ(gf_closingDown(), WindowAction::startRun);
  // The removals' wait and the new settings' countdown; no wait for another answer.
  EXPECT_LT(clock.elapsed() - started, 10s);
  EXPECT_EQ(SIM_INSTALL_PATH.get(), path);
}

TEST_F(ClosingDownTest, ALinkThatHasEndedByItselfIsNotWaitedFor) {
  runServices.link.SimClient = [](std::stop_token) {};
  world.removalsStuck = true;
  world.liveList.emplace_back().aircraft.state = LiveState::RemovingFromSim;
  clock.at(1s, [] { gf_stopByUser(); });
  gf_run();
  for (int i = 0; i < 2000 && gf_simClientRunning(); ++i) std::this_thread::sleep_for(1ms);
  ASSERT_FALSE(gf_simClientRunning());
  const auto before = clock.elapsed();
  gf_closingDown();
  EXPECT_TRUE(recorder.saw("gf_removeLiveAircraft"));
  EXPECT_LT(clock.elapsed() - before, 100ms);
}

TEST_F(ClosingDownTest, ClosingTheWindowDuringTheCountdownEndsTheProgram) {
  DESTINATION.set("KLAX");
  gf_stopForReaderError("QNH Reader", "receive error: 10054");
  const auto started = clock.elapsed();
  clock.at(started + 3500ms, [] { gf_stopByCloseButton(); });
  EXPECT_EQ(gf_closingDown(), WindowAction::saveAndQuit);
  EXPECT_LT(clock.elapsed() - started, 5s);
  EXPECT_EQ(DESTINATION.get(), "");
}

TEST_F(ClosingDownTest, AfterAnErrorTheCloseButtonEndsTheProgram) {
  gf_showError("41: Hivemoor must be run from the Hivemoor folder!");
  gf_setSystemErrorReason();
  clock.at(5s, [] { gf_stopByUser(); });
  EXPECT_EQ(gf_closingDown(), WindowAction::saveAndQuit);
  EXPECT_GE(clock.elapsed(), 5s);
  EXPECT_EQ(gf_statusLineSnapshot().error, "41: Hivemoor must be run from the Hivemoor folder!");
}

TEST_F(ClosingDownTest, AReaderPortTakenByAnotherProgramIsTriedAFewTimesThenNamed) {
  // Another program holds a UDP port; the real Traffic Reader tries to listen on it.
  SocketLibrary library;
  const auto holder = gf_openUdpSocket();
  ASSERT_TRUE(gf_bind(holder, SocketAddress{anyHost, 0}));
  const auto port = gf_localPort(holder);
  for (int attempt = 1; attempt <= portTakenRestarts; ++attempt) {
    SCOPED_TRACE(attempt);
    trafficReader.run(port);
    EXPECT_EQ(gf_exitReason(), ExitReason::ReaderError);
    if (attempt < portTakenRestarts) {
      EXPECT_EQ(gf_closingDown(), WindowAction::startRun);
      continue;
    }
    clock.at(clock.elapsed() + 20s, [] { gf_stopByUser(); });
    EXPECT_EQ(gf_closingDown(), WindowAction::saveAndQuit);
  }
  EXPECT_EQ(gf_statusLineSnapshot().error, "UDP port 49005 of the Traffic Reader is taken by another program: close "
                                           "that program, then start Hivemoor again");
}

TEST_F(ClosingDownTest, OtherReaderErrorsAlwaysRestart) {
  for (int attempt = 1; attempt <= 4; ++attempt) {
    gf_stopForReaderError("QNH Reader", "receive error: 10054");
    EXPECT_EQ(gf_closingDown(), WindowAction::startRun) << attempt;
  }
}

TEST_F(ClosingDownTest, AFailureOfItsOwnStillEndsTheProgram) {
  runServices.traffic.emptyHexidTitleMap = [] { throw std::runtime_error("broken"); };
  gf_requestStop(ExitReason::NewSettings, 3);
  EXPECT_EQ(gf_closingDown(), WindowAction::saveAndQuit);
  EXPECT_TRUE(log.contains("lf_closingDown exception broken"));
}

TEST_F(ClosingDownTest, TheResetPutsEveryRunScopedValueBack) {
  runFlow.userAc = klaxGate();
  runFlow.flightNotRunningLogged = true;
  runFlow.notRunningTurns = 7;
  runFlow.replanInProgress = true;
  runFlow.userStaticCheckLat = 33.9;
  gf_requestStop(ExitReason::ReaderError, 15);
  runState.windowClosedByUser = true;
  runState.secondTick = true;
  runState.flightRunning = true;
  runState.seconds = 1234;
  replanRequested = true;
  blockRequested = true;
  realTrafficLink.scanNow = false;
  realTrafficLink.professional = true;
  realTrafficLink.linkUp = true;
  feedDisplay.trafficLamp = lampReceiving;
  feedDisplay.weatherLamp = lampStale;
  feedDisplay.qnhShown = 1002;
  trafficQnh = 1002;
  trafficReader.stop = true;
  qnhReader.stop = true;
  trafficReader.lineTimestamp = 1.7e9;
  stockSceneryFolder = "C:\\P3D v5\\Scenery";
  gf_showError("an error");
  gf_statusLineSecondStep();
  mainWindow.update(clientRect, [](DisplayState& d) {
    d.userAircraftTitle = "Boeing 737";
    d.simulatorText = "Prepar3D v5";
    d.simConnected = true;
    d.runStarting = false;
    d.liveCount = 12;
    d.userWingspanKnown = false;
    d.liveryCount = 3000; // kept
    d.simaddonAirportCount = 4;
  });
  RANGE.set(40);
  rangeNm = 12.0; // the range in use went its own way

  gf_resetRunState();
  EXPECT_EQ(runFlow.userAc.latitude, 0.0);
  EXPECT_FALSE(runFlow.flightNotRunningLogged);
  EXPECT_EQ(runFlow.notRunningTurns, 100);
  EXPECT_FALSE(runFlow.replanInProgress);
  EXPECT_EQ(runFlow.userStaticCheckLat, 33.9); // kept for the process
  EXPECT_FALSE(runState.stopRequested || runState.windowClosedByUser || runState.secondTick || runState.flightRunning);
  EXPECT_EQ(gf_exitReason(), ExitReason::NotYetSet);
  EXPECT_EQ(gf_restartDelay(), 15); // the countdown's, untouched
  EXPECT_EQ(runState.seconds, 0);
  EXPECT_FALSE(replanRequested || blockRequested);
  EXPECT_TRUE(realTrafficLink.scanNow);
  EXPECT_FALSE(realTrafficLink.professional || realTrafficLink.linkUp);
  EXPECT_EQ(feedDisplay.trafficLamp, lampStopped);
  EXPECT_EQ(feedDisplay.weatherLamp, lampStopped);
  EXPECT_EQ(feedDisplay.qnhShown, 0);
  EXPECT_EQ(trafficQnh, 1013);
  EXPECT_FALSE(trafficReader.stop || qnhReader.stop);
  EXPECT_EQ(trafficReader.lineTimestamp, 0.0);
  EXPECT_TRUE(stockSceneryFolder.empty());
  EXPECT_EQ(gf_statusLineSnapshot().error, "");
  EXPECT_EQ(statusLine.tick, 0);
  const auto shown = mainWindow.snapshot();
  EXPECT_EQ(shown.userAircraftTitle, "");
  EXPECT_EQ(shown.simulatorText, "");
  EXPECT_FALSE(shown.simConnected);
  EXPECT_TRUE(shown.runStarting);
  EXPECT_TRUE(shown.userWingspanKnown);
  EXPECT_EQ(shown.liveCount, 0u);
  EXPECT_EQ(shown.liveryCount, 3000u);
  EXPECT_EQ(shown.simaddonAirportCount, 4u);
  EXPECT_EQ(rangeNm.load(), 40.0);
  EXPECT_EQ(recorder.calls(), (std::vector<std::string>{"gf_resetSimLink 5", "gf_resetTraffic"}));
}
