// The window's state apart from Win32: the display fields, the layout of the controls and
// the control model with its refresh and enabling operations.
#include "app/window_layout.h"
#include "core/shell/control_refresh.h"
#include "window_fixture.h"

#include <atomic>
#include <set>
#include <thread>

using window_testing::WindowTest;

TEST(WindowLayout, EveryControlAtItsPlace) {
  const auto& layout = gf_controlLayout();
  ASSERT_EQ(layout.size(), 39u);
  std::map<ControlKind, int> kinds;
  std::set<std::uint16_t> ids;
  for (const auto& c : layout) {
    ++kinds[c.kind];
    EXPECT_TRUE(ids.insert(c.id).second) << c.name;
    EXPECT_EQ(c.enabledAtStart, c.kind == ControlKind::checkBox || c.kind == ControlKind::comboBox) << c.name;
  }
  EXPECT_EQ(kinds[ControlKind::checkBox], 24);
  EXPECT_EQ(kinds[ControlKind::comboBox], 7);
  EXPECT_EQ(kinds[ControlKind::editBox], 5);
  EXPECT_EQ(kinds[ControlKind::button], 3);
  EXPECT_EQ(gf_findControlLayout(MAX_FIT.controlId), nullptr); // shown through MAX_FIT_FL

  // Every control in the order of creation: kind, setting or caption, id, place, size.
  constexpr auto check = ControlKind::checkBox;
  constexpr auto combo = ControlKind::comboBox;
  constexpr auto edit = ControlKind::editBox;
  constexpr auto button = ControlKind::button;
  struct Place {
    ControlKind kind;
    const char* name;
    std::uint16_t id;
    int x, y, width, height;
  };
  const Place places[] = {{edit, "ALL_INSTALL_PATH", 32788, 111, 119, 1200, 16},
                          {check, "SCAN_LIVERIES", 32797, 5, 149, 12, 12},
                          {check, "LIG_AUTOMATIC", 32798, 217, 149, 12, 12},
                          {check, "LIG_PRIORITIZE", 32799, 450, 149, 12, 12},
                          {check, "SUPPRESS_STUB", 32800, 536, 149, 12, 12},
                          {check, "LOG", 32779, 652, 149, 12, 12},
                          {check, "ALWAYS_ON_TOP", 32771, 748, 149, 12, 12},
                          {check, "SCAN_AIRPORTS", 32801, 5, 177, 12, 12},
                          {check, "AFG_AUTOMATIC", 32802, 217, 177, 12, 12},
                          {check, "NAV_LIGHTS_WHILE_PARKED", 32778, 652, 177, 12, 12},
                          {check, "LEARN_SOFT", 32777, 748, 177, 12, 12},
                          {combo, "MATCHING_DEPTH", 32808, 217, 198, 40, 120},
                          {check, "LIGHT_AIRCRAFT", 32809, 323, 205, 12, 12},
                          {check, "HELICOPTERS", 32810, 430, 205, 12, 12},
                          {check, "HIGH_PERF_AIRCRAFT", 32811, 536, 205, 12, 12},
                          {check, "AEROWINX", 32775, 652, 205, 12, 12},
                          {check, "GUID_CHANGES", 32773, 748, 205, 12, 12},
                          {combo, "RANGE", 32818, 217, 226, 50, 200},
                          {check, "AUTO_RANGE", 32819, 323, 233, 12, 12},
                          {combo, "AR_ABOVE_HEIGHT", 32820, 455, 226, 70, 230},
                          {check, "COLLISION_USER_GND", 32834, 217, 289, 12, 12},
                          {check, "COLLISION_USER_AIR", 32833, 323, 289, 12, 12},
                          {check, "COLLISION_LIVE_PARKED_GND", 32835, 430, 289, 12, 12},
                          {edit, "BLOCK_CALLSIGN", 32828, 217, 259, 100, 16},
                          {button, "Unblock", 32829, 323, 257, 70, 20},
                          {combo, "MAX_PARK_SEL", 32846, 323, 310, 55, 144},
                          {combo, "MAX_LIVE_SEL", 32847, 536, 310, 55, 144},
                          {edit, "DESTINATION", 32839, 217, 343, 50, 16},
                          {combo, "AIRP_RANGE", 32840, 353, 338, 45, 144},
                          {combo, "AIRP_HEIGHT", 32841, 566, 338, 70, 230},
                          {check, "STRAIGHT_PBS_ONLY", 32856, 652, 317, 12, 12},
                          {check, "PARK_FAKE", 32852, 5, 373, 12, 12},
                          {check, "WEEK", 32854, 71, 373, 12, 12},
                          {check, "PARK_SOFT", 32851, 151, 373, 12, 12},
                          {edit, "parking_percentage", 32848, 323, 371, 34, 16},
                          {check, "INITIAL_LOAD_ONLY", 32850, 430, 373, 12, 12},
                          {edit, "MAX_FIT_FL", 32855, 566, 371, 34, 16},
                          {button, "Re-read", 32838, 758, 341, 90, 20},
                          {button, "Flush static", 32858, 758, 369, 90, 20}};
  ASSERT_EQ(std::size(places), layout.size());
  for (std::size_t i = 0; i < layout.size(); ++i) {
    const auto& p = places[i];
    const auto& c = layout[i];
    SCOPED_TRACE(p.name);
    EXPECT_EQ(c.kind, p.kind);
    EXPECT_EQ(c.name, p.name);
    EXPECT_EQ(c.id, p.id);
    EXPECT_EQ((std::array{c.x, c.y, c.width, c.height}), (std::array{p.x, p.y, p.width, p.height}));
    EXPECT_EQ(gf_findControlLayout(p.id), &c);
  }
}

TEST_F(WindowTest, ControlsAfterCreation) {
  SCAN_LIVERIES.set(false);
  windowControls.resetToCreation();
  for (const auto& c : gf_controlLayout()) {
    const auto state = windowControls.state(c.id);
    ASSERT_TRUE(state) << c.name;
    EXPECT_EQ(state->enabled, c.enabledAtStart) << c.name;
    EXPECT_TRUE(state->rows.empty()) << c.name;
  }
  EXPECT_FALSE(windowControls.isChecked(SCAN_LIVERIES.controlId));
  EXPECT_TRUE(windowControls.isChecked(LIG_AUTOMATIC.controlId));
  EXPECT_FALSE(windowControls.isChecked(ALWAYS_ON_TOP.controlId));
  EXPECT_EQ(windowControls.state(UNBLOCK_BUTTON.controlId)->text, "Unblock");
}

TEST_F(WindowTest, ChangesReachTheApplierAndUnknownControlsAreLogged) {
  static std::vector<std::pair<std::uint16_t, ControlAspect>> applied;
  applied.clear();
  windowControls.setApplier([](std::uint16_t id, ControlAspect aspect) { applied.emplace_back(id, aspect); });
  gf_fillComboBox(RANGE);
  gf_setControlCheck(LOG.controlId, false);
  gf_enableControl(DESTINATION.controlId, true);
  gf_refreshIntControl(MAX_FIT); // has no control
  windowControls.setApplier(nullptr);

  const auto range = windowControls.state(RANGE.controlId);
  ASSERT_EQ(range->rows.size(), RANGE.choices.size());
  EXPECT_EQ(range->rows.front(), "2");
  EXPECT_EQ(range->selectedRow, RANGE.choiceRow(40));
  EXPECT_FALSE(windowControls.isChecked(LOG.controlId));
  EXPECT_TRUE(windowControls.isEnabled(DESTINATION.controlId));
  const std::vector<std::pair<std::uint16_t, ControlAspect>> expected{{RANGE.controlId, ControlAspect::rows},
                                                                      {LOG.controlId, ControlAspect::check},
                                                                      {DESTINATION.controlId, ControlAspect::enabled}};
  EXPECT_EQ(applied, expected);
  EXPECT_TRUE(log.contains("GetDlgItem failed for ID 32853"));
}

TEST_F(WindowTest, RefreshShowsTheStoredValues) {
  MAX_FIT_FL.set(24.0f);
  gf_refreshFloatControl(MAX_FIT_FL);
  EXPECT_EQ(windowControls.state(MAX_FIT_FL.controlId)->text, "24");
  MAX_FIT_FL.set(3.5f);
  gf_refreshFloatControl(MAX_FIT_FL);
  EXPECT_EQ(windowControls.state(MAX_FIT_FL.controlId)->text, "3.5");
  parking_percentage.set(-5);
  gf_refreshIntControl(parking_percentage);
  EXPECT_EQ(windowControls.state(parking_percentage.controlId)->text, "-5");
  BLOCK_CALLSIGN.set("\xC3\x86"
                     "BC1");
  gf_refreshStringControl(BLOCK_CALLSIGN);
  EXPECT_EQ(windowControls.state(BLOCK_CALLSIGN.controlId)->text, "\xC3\x86"
                                                                  "BC1");
  gf_fillComboBox(AIRP_RANGE);
  AIRP_RANGE.set(10);
  gf_refreshIntControl(AIRP_RANGE);
  EXPECT_EQ(windowControls.state(AIRP_RANGE.controlId)->selectedRow, 1);
  EXPECT_TRUE(window_testing::repainted(settingsBandRect));
  gf_clearControlText(BLOCK_CALLSIGN.controlId);
  EXPECT_EQ(windowControls.state(BLOCK_CALLSIGN.controlId)->text, "");
  EXPECT_FALSE(log.contains("GetDlgItem failed for ID 32828"));
}

TEST_F(WindowTest, ParkControlsOffAndOn) {
  const std::vector<std::uint16_t> park{
      parking_percentage.controlId,  INITIAL_LOAD_ONLY.controlId, PARK_FAKE.controlId,  PARK_SOFT.controlId,
      MAX_PARK_SEL.controlId,        MAX_LIVE_SEL.controlId,      MAX_FIT_FL.controlId, WEEK.controlId,
      FLUSH_STATIC_BUTTON.controlId, REREAD_BUTTON.controlId};
  gf_showMessage("busy", false);
  gf_disableParkControls();
  EXPECT_TRUE(parkBusy);
  for (const auto id : park) EXPECT_FALSE(windowControls.isEnabled(id)) << id;
  EXPECT_TRUE(windowControls.isEnabled(LOG.controlId));
  EXPECT_EQ(message(), "");

  gf_enableParkControls();
  EXPECT_FALSE(parkBusy);
  for (const auto id : park) EXPECT_TRUE(windowControls.isEnabled(id)) << id;
  EXPECT_EQ(mainWindow.snapshot().minutesToRenewal, 19);
}

TEST_F(WindowTest, DisplayChangesRepaintTheirBandAndResetKeepsTheScanCounts) {
  mainWindow.update(parkBandRect, [](DisplayState& d) {
    d.standCount = 12;
    d.liveryCount = 500;
    d.simaddonAirportCount = 3;
    d.minutesToRenewal = 7;
    d.airportScanOk = false;
    d.userAircraftTitle = "Cub";
    d.runStarting = false;
    d.staticParkedHours = 2.0f;
  });
  EXPECT_TRUE(window_testing::repainted(parkBandRect));
  EXPECT_EQ(mainWindow.snapshot().standCount, 12u);
  mainWindow.resetForRestart();
  const auto d = mainWindow.snapshot();
  EXPECT_EQ(d.standCount, 0u);
  EXPECT_EQ(d.userAircraftTitle, "");
  EXPECT_TRUE(d.runStarting);
  EXPECT_EQ(d.staticParkedHours, -1.0f);
  EXPECT_EQ(d.liveryCount, 500u);
  EXPECT_EQ(d.simaddonAirportCount, 3u);
  EXPECT_EQ(d.minutesToRenewal, 7);
  EXPECT_FALSE(d.airportScanOk);
  EXPECT_TRUE(mainWindow.guiReady());
}

TEST_F(WindowTest, TextsAreNeverSeenHalfWritten) {
  const std::string a(200, 'a');
  const std::string b(300, 'b');
  std::atomic<bool> done{false};
  std::thread writer([&] {
    for (int i = 0; i < 2000; ++i)
      mainWindow.update(topBandRect, [&](DisplayState& d) { d.simulatorText = i % 2 == 0 ? a : b; });
    done = true;
  });
  while (!done) {
    const auto text = mainWindow.snapshot().simulatorText;
    EXPECT_TRUE(text.empty() || text == a || text == b);
  }
  writer.join();
}
