#include "app/commands.h"
#include "core/settings/settings_version.h"
#include "feeds/realtraffic_link.h"
#include "window_fixture.h"

#include <stdexcept>

using window_testing::WindowTest;

namespace {

bool click(const ParameterControl& control) { return gf_handleCommand(control.controlId, 0, {}); }

// A pick of a row of a combo box's list, as the window reports it.
bool pick(const ComboBoxParameter& combo, std::int32_t row, std::uint16_t notification = selectionChanged) {
  return gf_handleCommand(combo.controlId, notification, [row](std::uint16_t) {
    return std::optional<ComboPick>(ComboPick{row, "row"});
  });
}

} // namespace

TEST_F(WindowTest, TwoClicksLeaveTheSettingAsItWasAndSaveTwice) {
  ASSERT_TRUE(LOG.get());
  EXPECT_TRUE(click(LOG));
  EXPECT_FALSE(LOG.get());
  EXPECT_FALSE(windowControls.isChecked(LOG.controlId));
  EXPECT_EQ(stored("LOG"), "false");
  EXPECT_TRUE(click(LOG));
  EXPECT_TRUE(LOG.get());
  EXPECT_TRUE(windowControls.isChecked(LOG.controlId));
  EXPECT_EQ(stored("LOG"), "true");
  EXPECT_TRUE(log.contains("LOG=false"));
  EXPECT_TRUE(window_testing::repainted(settingsBandRect));
}

TEST_F(WindowTest, CheckBoxMessages) {
  struct Case {
    CheckBoxParameter& box;
    std::string whenOn;
    std::string whenOff;
  };
  const Case cases[] = {
      {LIG_AUTOMATIC, "", "The liveries defined by your lfolder parameters will be scanned"},
      {LIG_PRIORITIZE, "Liveries, for airl+model, in lower lfolders that are already available will be skipped", ""},
      {COLLISION_LIVE_PARKED_GND, "",
       "Be aware, no collision avoidance with live aircraft vs parked static on the ground"},
      {COLLISION_USER_GND, "", "Be aware, no collision avoidance with user aircraft on the ground"},
      {COLLISION_USER_AIR, "", "Be aware, no collision avoidance with user aircraft in the air"},
      {INITIAL_LOAD_ONLY, "Initial Load Only: static parked aircraft are generated once, no renewal every 20 minutes",
       ""},
      {ALWAYS_ON_TOP, "Hivemoor's window will remain visible", ""},
      {SUPPRESS_STUB, "Exclude FSLTL-liveries titles ending with _STUB from scan", ""},
      {GUID_CHANGES, "", "Be aware, no more livery updates: you miss correct data for Learn, LittleNavMap, etc!"},
      {AEROWINX, "Note: This mode is for Aerowinx PSX users only, please re-start Hivemoor", ""},
      {AFG_AUTOMATIC, "before", "The airports defined by your afolder parameters will be scanned"},
      {STRAIGHT_PBS_ONLY, "before", "before"},
      {HELICOPTERS, "before", "before"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.box.name);
    for (const bool on : {true, false}) {
      c.box.set(!on);
      gf_setControlCheck(c.box.controlId, !on);
      gf_showMessage("before", false);
      ASSERT_TRUE(click(c.box));
      EXPECT_EQ(c.box.get(), on);
      EXPECT_EQ(stored(c.box.name), on ? "true" : "false");
      EXPECT_EQ(message(), on ? c.whenOn : c.whenOff);
    }
  }
  const std::vector<WindowAction> topmost{WindowAction::topmostOn, WindowAction::topmostOff};
  EXPECT_EQ(window_testing::recordedActions(), topmost);
  EXPECT_TRUE(log.contains("The airports defined by your afolder parameters will be scanned"));
}

TEST_F(WindowTest, ScanBoxesRestartOnlyBeforeRealTrafficConnected) {
  SCAN_LIVERIES.set(false);
  gf_setControlCheck(SCAN_LIVERIES.controlId, false);
  click(SCAN_LIVERIES);
  EXPECT_TRUE(liveryTablesClearRequested);
  EXPECT_EQ(message(), "Your liveries will be scanned");
  EXPECT_EQ(gf_exitReason(), ExitReason::NewSettings);
  EXPECT_EQ(gf_restartDelay(), 2);

  gf_resetRunFlags();
  liveryTablesClearRequested = false;
  realTrafficLink.scanNow = false;
  click(SCAN_LIVERIES); // off
  click(SCAN_LIVERIES); // on again
  EXPECT_FALSE(liveryTablesClearRequested);
  EXPECT_EQ(message(), "Your liveries will be scanned at the next start of Hivemoor, recommended after you have "
                       "add/removed AI aircraft models/liveries");
  EXPECT_FALSE(runState.stopRequested);

  click(SCAN_AIRPORTS); // off
  click(SCAN_AIRPORTS); // on
  EXPECT_EQ(message(), "Your airports will be scanned at the next start of Hivemoor, recommended after you have "
                       "add/removed airports");
  EXPECT_FALSE(runState.stopRequested);

  // A pending stop keeps its reason.
  realTrafficLink.scanNow = true;
  gf_requestStop(ExitReason::ReaderError, 15);
  click(SCAN_AIRPORTS); // off
  click(SCAN_AIRPORTS); // on
  EXPECT_EQ(message(), "Your airports will be scanned");
  EXPECT_EQ(gf_exitReason(), ExitReason::ReaderError);
  EXPECT_EQ(gf_restartDelay(), 15);
}

TEST_F(WindowTest, AutoRangeKeepsTheManualRange) {
  gf_fillComboBox(RANGE);
  click(AUTO_RANGE); // default on: now off
  gf_setRange(20);
  click(AUTO_RANGE); // on
  EXPECT_EQ(savedManualRange, 20);
  EXPECT_TRUE(autoRangeRequested);
  EXPECT_FALSE(windowControls.isEnabled(RANGE.controlId));
  EXPECT_TRUE(windowControls.isEnabled(AR_ABOVE_HEIGHT.controlId));
  gf_setRange(100); // what the automatic range sets
  learnedParamChanged = false;
  click(AUTO_RANGE); // off
  EXPECT_EQ(RANGE.get(), 20);
  EXPECT_EQ(rangeNm.load(), 20.0);
  EXPECT_EQ(windowControls.state(RANGE.controlId)->selectedRow, RANGE.choiceRow(20));
  EXPECT_TRUE(windowControls.isEnabled(RANGE.controlId));
  EXPECT_FALSE(windowControls.isEnabled(AR_ABOVE_HEIGHT.controlId));
  EXPECT_TRUE(learnedParamChanged);
}

TEST_F(WindowTest, ParkingCheckBoxesAskForARePlan) {
  click(PARK_FAKE);
  EXPECT_FALSE(replanRequested); // no park airport
  parkAirportLoaded = true;
  runState.seconds = 30;
  click(WEEK);
  EXPECT_TRUE(replanRequested);
  EXPECT_TRUE(learnedParamChanged);
  EXPECT_EQ(message(), "Hivemoor will respond in 15 seconds ...");
  learnedParamChanged = false;
  click(LEARN_SOFT);
  EXPECT_TRUE(learnedParamChanged);
  click(NAV_LIGHTS_WHILE_PARKED);
  EXPECT_TRUE(navLightsRequested);
  EXPECT_FALSE(NAV_LIGHTS_WHILE_PARKED.get());
}

TEST_F(WindowTest, ComboBoxes) {
  EXPECT_TRUE(pick(RANGE, RANGE.choiceRow(65)));
  EXPECT_EQ(RANGE.get(), 65);
  EXPECT_EQ(rangeNm.load(), 65.0);
  EXPECT_EQ(stored("RANGE"), "65");
  EXPECT_TRUE(learnedParamChanged);

  EXPECT_TRUE(pick(MAX_LIVE_SEL, 2));
  EXPECT_EQ(MAX_LIVE_SEL.get(), 25);
  EXPECT_EQ(userMaxLive, 25);
  EXPECT_TRUE(maxLiveRequested);
  parkAirportLoaded = true;
  learnedParamChanged = false;
  EXPECT_TRUE(pick(MAX_LIVE_SEL, 1));
  EXPECT_EQ(MAX_LIVE_SEL.get(), 10);
  EXPECT_EQ(userMaxLive, 25);
  EXPECT_TRUE(learnedParamChanged);

  EXPECT_TRUE(pick(AIRP_HEIGHT, 0));
  EXPECT_EQ(stored("AIRP_HEIGHT"), "2000");

  // Other notifications, rows outside the list and unknown ids are not taken.
  EXPECT_FALSE(pick(MATCHING_DEPTH, 0, 7));
  EXPECT_FALSE(pick(MATCHING_DEPTH, 4));
  EXPECT_EQ(MATCHING_DEPTH.get(), 4);
  EXPECT_FALSE(gf_handleCommand(MATCHING_DEPTH.controlId, selectionChanged, {}));
  EXPECT_FALSE(gf_handleCommand(12345, 0, {}));
  EXPECT_TRUE(window_testing::repainted(settingsBandRect));
}

TEST_F(WindowTest, AFailingCommandIsLoggedAndNotTaken) {
  const bool handled =
      gf_handleCommand(RANGE.controlId, selectionChanged,
                       [](std::uint16_t) -> std::optional<ComboPick> { throw std::runtime_error("bad row text"); });
  EXPECT_FALSE(handled);
  EXPECT_EQ(RANGE.get(), 40);
  EXPECT_TRUE(log.contains("===> lf_HandleWMCOMMAND exception bad row text"));
}

TEST_F(WindowTest, Buttons) {
  EXPECT_TRUE(click(UNBLOCK_BUTTON));
  EXPECT_EQ(message(), "Nothing to block or unblock...");
  EXPECT_FALSE(blockRequested);

  BLOCK_CALLSIGN.set("BAW123");
  gf_enableControl(UNBLOCK_BUTTON.controlId, true);
  EXPECT_TRUE(click(UNBLOCK_BUTTON));
  EXPECT_EQ(BLOCK_CALLSIGN.get(), "");
  EXPECT_EQ(stored("BLOCK_CALLSIGN"), "");
  EXPECT_FALSE(windowControls.isEnabled(UNBLOCK_BUTTON.controlId));
  EXPECT_TRUE(blockRequested);

  gf_enableControl(REREAD_BUTTON.controlId, true);
  gf_enableControl(DESTINATION.controlId, true);
  EXPECT_TRUE(click(REREAD_BUTTON));
  EXPECT_TRUE(rereadRequested);
  EXPECT_FALSE(windowControls.isEnabled(REREAD_BUTTON.controlId));
  EXPECT_FALSE(windowControls.isEnabled(DESTINATION.controlId));

  gf_enableControl(FLUSH_STATIC_BUTTON.controlId, true);
  EXPECT_TRUE(click(FLUSH_STATIC_BUTTON));
  EXPECT_EQ(message(), "All static parked aircraft will be removed ...");
  EXPECT_TRUE(flushStaticRequested);
  EXPECT_FALSE(windowControls.isEnabled(FLUSH_STATIC_BUTTON.controlId));
}
