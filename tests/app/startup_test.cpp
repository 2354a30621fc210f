#include "app/startup.h"
#include "core/errors.h"
#include "core/settings/file_names.h"
#include "run_fixture.h"

#include <filesystem>

using namespace run_testing;
using window_testing::recordedActions;
namespace fs = std::filesystem;

namespace {

class StartupTest : public RunTest {
protected:
  // The worker's whole run on this thread; the window's close button pressed when the
  // clock reaches closeAt.
  void runWorker(std::chrono::milliseconds closeAt = 1s) {
    clock.at(closeAt, [] { gf_stopByUser(); });
    gf_workerMain();
  }
};

} // namespace

TEST_F(StartupTest, FromTheProgramFolderTheRunStartsInItsOrder) {
  programFolder();
  settings_testing::writeSettings(settings.file(), {{"SIM_INSTALL_PATH", "C:\\P3D v5"},
                                                    {"SCAN_LIVERIES", "false"},
                                                    {"SCAN_AIRPORTS", "true"},
                                                    {"BLOCK_CALLSIGN", "ABCD"},
                                                    {"DESTINATION", "KLAX"},
                                                    {"ALWAYS_ON_TOP", "true"},
                                                    {"AUTO_RANGE", "false"},
                                                    {"MAX_FIT", "6"}});
  runWorker();

  // The flight never ran: the run waited for it until the window was closed.
  const std::vector<std::string> expected{"gf_checkDataVersions",
                                          "gf_readDbase",
                                          "gf_readAirports airports_p3d.xml",
                                          "gf_scanLiveries",
                                          "gf_scanAddOnAirports",
                                          "gf_createFlightPlanFolder",
                                          "lf_readMyParkAirports",
                                          "gf_reserveTraffic",
                                          "gf_reserveLiveryLists",
                                          "gf_installUserStandRecorder",
                                          "gf_initSimClient 5",
                                          "gf_removeLiveAircraft",
                                          "gf_flushStatics",
                                          "sendQueuedRemovals",
                                          "removalsPending",
                                          "gf_requestAircraftInRange",
                                          "gf_processSimResults",
                                          "gf_processSimResults",
                                          "gf_processSimResults",
                                          "gf_processSimResults",
                                          "gf_processSimResults",
                                          "gf_processSimResults",
                                          "gf_processSimResults",
                                          "gf_processSimResults",
                                          "gf_processSimResults",
                                          "gf_processSimResults",
                                          "sendQueuedRemovals",
                                          "removalsPending",
                                          "SimClient ended",
                                          "gf_closeRealTrafficLink",
                                          "emptyHexidTitleMap",
                                          "gf_removeFlightPlanFolder",
                                          "emptyGhostList",
                                          "gf_logLiveryMatchingSummary",
                                          "gf_logNoLiveryMatches"};
  // The link's thread starts when it will; the rest comes in this order.
  EXPECT_EQ(recorder.without({"SimClient"}), expected);
  EXPECT_TRUE(recorder.saw("SimClient"));
  // The stored destination is applied again; live traffic takes it at the main loop's first
  // turn, which never came.
  const auto destination = gf_takeFirstParkAirportRequest();
  ASSERT_TRUE(destination);
  EXPECT_EQ(destination->code, "KLAX");
  EXPECT_EQ(recordedActions(), (std::vector{WindowAction::topmostOn, WindowAction::saveAndQuit}));
  EXPECT_TRUE(log.contains("Exiting: USER CLOSED SIM"));
  EXPECT_GE(clock.elapsed(), 1s);

  for (const char* folder : {"output/info", "output/errors", "airports/learned/stock", "airports/my_ORBX",
                             "airports/my_thirdparty", "input/my_regcodes"})
    EXPECT_TRUE(fs::is_directory(program->path() / folder)) << folder;
  EXPECT_EQ(stored("PROGRAM_INSTALL_PATH"), gf_pathText(fs::current_path()));
  EXPECT_EQ(stockSceneryFolder, fs::path("C:\\P3D v5") / "Scenery");
  EXPECT_TRUE(log.contains("RealTraffic not detected at this PC"));
  EXPECT_TRUE(log.contains("Stock airports path does not exist: "));
  // The scanned-liveries file is gone: the scan is set for this run.
  EXPECT_EQ(stored("SCAN_LIVERIES"), "true");
  EXPECT_TRUE(windowControls.isChecked(SCAN_LIVERIES.controlId));
  EXPECT_TRUE(log.contains(fmt::format("File {} is gone, rescan liveries", gf_pathText(liveriesScannedFile))));

  // The controls as a run starts them.
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
      {REREAD_BUTTON, false}, // the destination applied again waits for live traffic
  };
  for (const auto& s : states)
    EXPECT_EQ(windowControls.isEnabled(s.control.controlId), s.enabled) << s.control.controlId;
  EXPECT_EQ(windowControls.state(ALL_INSTALL_PATH.controlId)->text, "C:\\P3D v5");
  EXPECT_EQ(parking_percentage.get(), 30);
  EXPECT_FLOAT_EQ(MAX_FIT_FL.get(), 3.5f);
  EXPECT_EQ(savedManualRange, RANGE.get());
  // Closing down: the blocked callsign and the destination end with the program.
  EXPECT_EQ(stored("BLOCK_CALLSIGN"), "");
  EXPECT_EQ(stored("DESTINATION"), "");
}

TEST_F(StartupTest, OutsideTheProgramFolderNothingStartsAndTheErrorStandsUntilClosed) {
  programFolder(false);
  runWorker(5s);
  EXPECT_EQ(gf_statusLineSnapshot().error, "41: Hivemoor must be run from the Hivemoor folder!");
  EXPECT_FALSE(fs::exists(program->path() / "output"));
  EXPECT_FALSE(recorder.saw("gf_readDbase"));
  EXPECT_FALSE(recorder.saw("SimClient"));
  EXPECT_FALSE(windowControls.isEnabled(REREAD_BUTTON.controlId));
  // Closing down waited for the close button.
  EXPECT_GE(clock.elapsed(), 5s);
  EXPECT_EQ(recordedActions(), std::vector{WindowAction::saveAndQuit});
  EXPECT_TRUE(log.contains("Exiting: SYSTEM ERROR"));
}

TEST_F(StartupTest, ARestartSkipsTheDataCheckAndTheReferenceData) {
  programFolder();
  settings_testing::writeSettings(settings.file(), {{"SIM_INSTALL_PATH", "C:\\P3D v6"}});
  runWorker();
  EXPECT_TRUE(recorder.saw("gf_checkDataVersions"));
  EXPECT_TRUE(recorder.saw("gf_readDbase"));
  EXPECT_TRUE(recorder.saw("gf_initSimClient 5")); // the hidden setting, not the path

  recorder.clear();
  gf_resetRunFlags();
  restarting = true;
  clock.at(clock.elapsed() + 1s, [] { gf_stopByUser(); });
  gf_workerMain();
  EXPECT_FALSE(recorder.saw("gf_checkDataVersions"));
  EXPECT_FALSE(recorder.saw("gf_readDbase"));
  EXPECT_TRUE(recorder.saw("gf_readAirports airports_p3d.xml"));
  EXPECT_TRUE(recorder.saw("gf_scanLiveries"));
}

TEST_F(StartupTest, AStopDuringTheAirportScanEndsTheStartUpWithItsOwnReason) {
  programFolder();
  settings_testing::writeSettings(settings.file(), {{"SIM_INSTALL_PATH", "C:\\P3D v5"}, {"SCAN_AIRPORTS", "true"}});
  runServices.airports.gf_scanAddOnAirports = [this] {
    recorder.add("gf_scanAddOnAirports");
    gf_requestStop(ExitReason::NewSettings, 2);
  };
  gf_workerMain();
  EXPECT_FALSE(recorder.saw("gf_createFlightPlanFolder"));
  EXPECT_FALSE(recorder.saw("SimClient"));
  EXPECT_TRUE(log.contains("Exiting: NEW SETTINGS"));
  // A restart for new settings: the scan stays set, the countdown lasts 2 s.
  EXPECT_EQ(recordedActions().back(), WindowAction::startRun);
  EXPECT_EQ(stored("SCAN_AIRPORTS"), "true");
  EXPECT_TRUE(log.contains("Restarting after 2 seconds"));
  EXPECT_FALSE(runState.windowClosedByUser); // the reset cleared the flag the scan's stop set
}

TEST_F(StartupTest, ARequestToEmptyTheLiveryTablesIsServedBeforeTheScan) {
  programFolder();
  settings_testing::writeSettings(settings.file(), {{"SIM_INSTALL_PATH", "C:\\P3D v5"}});
  liveryTablesClearRequested = true;
  runWorker();
  EXPECT_EQ(recorder.indexOf("gf_clearLiveryTables") + 1, recorder.indexOf("gf_scanLiveries"));
  EXPECT_FALSE(liveryTablesClearRequested);
}

TEST_F(StartupTest, WithoutTheLiveryScanNoRescanIsAsked) {
  programFolder();
  settings_testing::writeSettings(settings.file(), {{"SIM_INSTALL_PATH", "C:\\P3D v5"}, {"SCAN_LIVERIES", "false"}});
  runServices.liveries.gf_scanLiveries = nullptr;
  runWorker();
  EXPECT_EQ(stored("SCAN_LIVERIES"), "false");
  EXPECT_FALSE(log.contains("is gone, rescan liveries"));
}

namespace {

struct DetectionCase {
  bool v5;
  bool v6;
  const char* setupPath;
  const char* lfolder;
  int error; // 0: none
  const char* installPath;
};

} // namespace

TEST_F(StartupTest, TheSimulatorIsFoundInTheRegistryWhenNoPathIsSet) {
  const DetectionCase cases[] = {
      {true, false, "C:\\P3D v5", "", 0, "C:\\P3D v5"},
      {false, true, "D:\\P3D v6", "", 0, "D:\\P3D v6"},
      {true, true, "C:\\P3D v5", "", 153, ""},
      {false, false, "", "E:\\liveries", 0, ""},
      {false, false, "", "", 151, ""},
      {true, false, "", "", 151, ""}, // installed, but its setup path unreadable
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(fmt::format("v5 {} v6 {} setup '{}' lfolder '{}'", c.v5, c.v6, c.setupPath, c.lfolder));
    runServices.core.gf_isP3DInstalled = [&c](int v) { return v == 5 ? c.v5 : c.v6; };
    runServices.core.gf_readP3DSetupPath = [&c](int v) {
      return (v == 5 && c.v5) || (v == 6 && c.v6) ? std::filesystem::path(c.setupPath) : std::filesystem::path{};
    };
    SIM_INSTALL_PATH.set("");
    ALL_INSTALL_PATH.set("x");
    lfolder0.set(c.lfolder);
    gf_resetStatusLine();
    int error = 0;
    try {
      gf_detectP3DInstallPath();
    } catch (const hvm::UserErrorException& e) {
      error = std::atoi(e.what());
    }
    EXPECT_EQ(error, c.error);
    EXPECT_EQ(SIM_INSTALL_PATH.get(), c.installPath);
    if (c.error == 151) {
      EXPECT_EQ(windowControls.state(ALL_INSTALL_PATH.controlId)->text, "");
    }
    if (!c.v5 && !c.v6) {
      EXPECT_EQ(message(), "P3D not detected?");
    }
  }
  EXPECT_TRUE(log.contains("P3Dv5detected"));
  EXPECT_TRUE(log.contains("P3Dv6detected"));
  EXPECT_EQ(stored("SIM_INSTALL_PATH"), "D:\\P3D v6");
  lfolder0.set("");
}
