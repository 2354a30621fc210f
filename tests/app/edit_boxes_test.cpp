#include "app/edit_boxes.h"
#include "window_fixture.h"

#include <filesystem>

using window_testing::WindowTest;

namespace {
std::string boxText(const ParameterControl& control) { return windowControls.state(control.controlId)->text; }
} // namespace

TEST_F(WindowTest, PercentageBox) {
  parkAirportLoaded = true;
  // No re-plan: a change clears the status line, as for the maximum fit.
  INITIAL_LOAD_ONLY.set(true);
  struct Case {
    const char* typed;
    std::int32_t value;
    const char* message;
  };
  // Each row starts from 30.
  const Case cases[] = {
      {"150", 100, ""},
      {"30", 30, "Same parking_percentage value 30, no changes made"},
      {"abc", 30, "invalid input: abc"},
      {"nan", 30, "invalid input: nan"},
      {"--5", 30, "invalid input: --5"},
      {"", 0, ""},
      {"  +42xyz", 42, ""},
      {"-7", 0, ""},
      {"99999999999", 30, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.typed);
    parking_percentage.set(30);
    gf_showMessage("before", false);
    gf_enterEditText(parking_percentage.controlId, c.typed);
    EXPECT_EQ(parking_percentage.get(), c.value);
    EXPECT_EQ(message(), c.message);
    EXPECT_EQ(boxText(parking_percentage), std::to_string(c.value));
  }
  EXPECT_TRUE(log.contains("===> lf_processTbInt: stoi, h=99999999999 "));
  // Its home is the airport files, not parameters.xml.
  EXPECT_FALSE(stored("parking_percentage"));
  INITIAL_LOAD_ONLY.set(false);
}

TEST_F(WindowTest, PercentageBoxActsLikeTheMaxFitBox) {
  parking_percentage.set(30);
  gf_enterEditText(parking_percentage.controlId, "50");
  EXPECT_EQ(parking_percentage.get(), 30); // no park airport: nothing to act on
  EXPECT_FALSE(replanRequested);

  parkAirportLoaded = true;
  runState.seconds = 37;
  gf_enterEditText(parking_percentage.controlId, "50");
  EXPECT_EQ(parking_percentage.get(), 50);
  // Applied by the re-plan, kept by the learned file of the park airport.
  EXPECT_TRUE(replanRequested);
  EXPECT_TRUE(learnedParamChanged);
  EXPECT_EQ(message(), "Hivemoor will respond in 8 seconds ...");

  replanRequested = false;
  gf_enterEditText(parking_percentage.controlId, "50");
  EXPECT_FALSE(replanRequested); // the same value changes nothing
}

TEST_F(WindowTest, MaxFitBoxActsOnlyWithAParkAirport) {
  gf_showMessage("before", false);
  gf_enterEditText(MAX_FIT_FL.controlId, "3.3");
  EXPECT_EQ(message(), "");
  EXPECT_EQ(MAX_FIT.get(), 47);
  EXPECT_FALSE(replanRequested);

  parkAirportLoaded = true;
  runState.seconds = 37;
  gf_enterEditText(MAX_FIT_FL.controlId, "3.3");
  EXPECT_EQ(MAX_FIT.get(), 6);
  EXPECT_EQ(stored("MAX_FIT"), "6");
  EXPECT_FLOAT_EQ(MAX_FIT_FL.get(), 3.5f);
  EXPECT_EQ(boxText(MAX_FIT_FL), "3.5");
  EXPECT_EQ(message(), "Hivemoor will respond in 8 seconds ...");
  EXPECT_TRUE(replanRequested);
  EXPECT_TRUE(learnedParamChanged);

  runState.seconds = 44;
  gf_enterEditText(MAX_FIT_FL.controlId, "5");
  EXPECT_EQ(message(), "Hivemoor will respond in 1 second ...");
}

TEST_F(WindowTest, MaxFitValues) {
  parkAirportLoaded = true;
  INITIAL_LOAD_ONLY.set(true); // no re-plan message over the box's own
  struct Case {
    const char* typed;
    std::int32_t maxFit;
    const char* shown;
    const char* message;
  };
  const Case cases[] = {
      {"0.2", 0, "0.5", ""},
      {"30", 47, "24", ""},
      {"3.3", 6, "3.5", ""},
      {"", 47, "24", ""},
      {"nan", 47, "24", "invalid input: nan"},
      {"inf", 47, "24", "invalid input: inf"},
      {"-INF", 47, "24", "invalid input: -INF"},
      {"two", 47, "24", "invalid input: two"},
      {"--5", 47, "24", "invalid input: --5"},
      {"+-5", 47, "24", "invalid input: +-5"},
      {"-0.5", 0, "0.5", ""},
      {"1e50", 47, "24", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.typed);
    MAX_FIT.set(47);
    MAX_FIT_FL.set(24.0f);
    gf_enterEditText(MAX_FIT_FL.controlId, c.typed);
    EXPECT_EQ(MAX_FIT.get(), c.maxFit);
    EXPECT_EQ(boxText(MAX_FIT_FL), c.shown);
    EXPECT_EQ(message(), c.message);
  }
  EXPECT_TRUE(log.contains("lf_processTbFloat: stof, h=1e50"));
  EXPECT_FALSE(replanRequested); // Initial Load Only: nothing to re-plan
  EXPECT_TRUE(learnedParamChanged);
}

TEST_F(WindowTest, MaxFitSameValue) {
  parkAirportLoaded = true;
  INITIAL_LOAD_ONLY.set(true);
  gf_enterEditText(MAX_FIT_FL.controlId, "24");
  EXPECT_EQ(message(), "Same MAX_FIT_FL value 24, no changes made");
}

TEST_F(WindowTest, BlockAndUnblockCallsign) {
  gf_enterEditText(BLOCK_CALLSIGN.controlId, "abc");
  EXPECT_EQ(message(), "callsign 'abc' is not valid");
  EXPECT_EQ(boxText(BLOCK_CALLSIGN), "");
  gf_enterEditText(BLOCK_CALLSIGN.controlId, "abcdefghi");
  EXPECT_EQ(message(), "callsign 'abcdefghi' is not valid");
  EXPECT_FALSE(blockRequested);

  gf_enterEditText(BLOCK_CALLSIGN.controlId, "dlh4abc");
  EXPECT_EQ(BLOCK_CALLSIGN.get(), "DLH4ABC");
  EXPECT_EQ(stored("BLOCK_CALLSIGN"), "DLH4ABC");
  EXPECT_EQ(boxText(BLOCK_CALLSIGN), "DLH4ABC");
  EXPECT_TRUE(windowControls.isEnabled(UNBLOCK_BUTTON.controlId));
  EXPECT_EQ(message(), "live aircraft with callsign 'DLH4ABC' will be blocked");
  EXPECT_TRUE(blockRequested.exchange(false));

  gf_enterEditText(BLOCK_CALLSIGN.controlId, "DLH4abc");
  EXPECT_EQ(message(), "callsign 'DLH4ABC' was already set ...");
  EXPECT_FALSE(blockRequested);

  gf_enterEditText(BLOCK_CALLSIGN.controlId, "");
  EXPECT_EQ(BLOCK_CALLSIGN.get(), "");
  EXPECT_EQ(stored("BLOCK_CALLSIGN"), "");
  EXPECT_FALSE(windowControls.isEnabled(UNBLOCK_BUTTON.controlId));
  EXPECT_EQ(message(), "no more blocking of live aircraft 'DLH4ABC'");
  EXPECT_TRUE(blockRequested);
}

TEST_F(WindowTest, CallsignWithNonAsciiBytes) {
  // Bytes above 127 are left as they are; only the ASCII letters change case.
  gf_enterEditText(BLOCK_CALLSIGN.controlId, "\xC3\xA6\xC3\xB8x1");
  EXPECT_EQ(BLOCK_CALLSIGN.get(), "\xC3\xA6\xC3\xB8X1");
  EXPECT_EQ(stored("BLOCK_CALLSIGN"), "\xC3\xA6\xC3\xB8X1");
}

namespace {
std::optional<GeoPosition> knownAirports(const std::string& code) {
  if (code == "EDDF") return GeoPosition{50.03, 8.57};
  return std::nullopt;
}
} // namespace

TEST_F(WindowTest, Destination) {
  gf_setAirportLookup(knownAirports);
  gf_enableControl(REREAD_BUTTON.controlId, true);
  gf_enterEditText(DESTINATION.controlId, "eddf");
  EXPECT_EQ(DESTINATION.get(), "EDDF");
  EXPECT_EQ(stored("DESTINATION"), "EDDF");
  EXPECT_EQ(boxText(DESTINATION), "EDDF");
  EXPECT_EQ(message(), "New destination: EDDF");
  EXPECT_FALSE(windowControls.isEnabled(REREAD_BUTTON.controlId));
  const auto request = gf_takeFirstParkAirportRequest();
  ASSERT_TRUE(request);
  EXPECT_EQ(request->code, "EDDF");
  EXPECT_EQ(request->position, (GeoPosition{50.03, 8.57}));

  const std::pair<const char*, const char*> refused[] = {
      {"EDD", "destination 'EDD' is not valid"},
      {"EDDFX", "destination 'EDDFX' is not valid"},
      {"zzzz", "destination 'ZZZZ' is unknown ..."},
      {"\xC3\xA4"
       "bc",
       "destination '\xC3\xA4"
       "BC' is unknown ..."},
      {"EDDF", "destination 'EDDF' was already set ..."},
  };
  for (const auto& [typed, text] : refused) {
    SCOPED_TRACE(typed);
    gf_enterEditText(DESTINATION.controlId, typed);
    EXPECT_EQ(message(), text);
    EXPECT_EQ(DESTINATION.get(), "EDDF");
    EXPECT_EQ(boxText(DESTINATION), "EDDF");
  }
  EXPECT_FALSE(gf_takeFirstParkAirportRequest());

  gf_enterEditText(DESTINATION.controlId, "");
  EXPECT_EQ(DESTINATION.get(), "");
  EXPECT_EQ(stored("DESTINATION"), "EDDF"); // an empty destination is not saved
  EXPECT_TRUE(windowControls.isEnabled(REREAD_BUTTON.controlId));
  EXPECT_EQ(message(), "destination set to empty");
  gf_setAirportLookup(nullptr);
}

TEST_F(WindowTest, InstallPath) {
  const testing_support::TempDir dir("hvm-p3d-\xC3\xA9");
  const auto folder = gf_pathText(dir.path());
  testing_support::writeFile(dir / "Prepar3D.exe", "x");
  gf_showError("earlier error");

  gf_enterEditText(ALL_INSTALL_PATH.controlId, folder + "/missing");
  EXPECT_EQ(gf_statusLineSnapshot().error, "");
  EXPECT_EQ(message(), "This install path does not exist: " + folder + "/missing");
  gf_enterEditText(ALL_INSTALL_PATH.controlId, gf_pathText(dir / "Prepar3D.exe"));
  EXPECT_EQ(message(), "This install path is not a folder: " + gf_pathText(dir / "Prepar3D.exe"));
  EXPECT_EQ(SIM_INSTALL_PATH.get(), "");
  EXPECT_FALSE(runState.stopRequested);

  gf_enterEditText(ALL_INSTALL_PATH.controlId, folder);
  EXPECT_EQ(SIM_INSTALL_PATH.get(), folder);
  EXPECT_EQ(stored("SIM_INSTALL_PATH"), folder);
  EXPECT_EQ(message(), "Install path exists, Hivemoor will restart");
  EXPECT_TRUE(runState.stopRequested);
  EXPECT_EQ(gf_exitReason(), ExitReason::NewSettings);
  EXPECT_EQ(gf_restartDelay(), 3);

  // A second path before the restart is stored too; the pending stop stays as it was.
  const testing_support::TempDir other("hvm-p3d2");
  gf_enterEditText(ALL_INSTALL_PATH.controlId, gf_pathText(other.path()));
  EXPECT_EQ(stored("SIM_INSTALL_PATH"), gf_pathText(other.path()));
  EXPECT_EQ(gf_exitReason(), ExitReason::NewSettings);

  gf_enterEditText(ALL_INSTALL_PATH.controlId, "");
  EXPECT_EQ(stored("SIM_INSTALL_PATH"), "");
}
