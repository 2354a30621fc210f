#include "settings_fixture.h"

#include "core/random.h"
#include "core/settings/parameters.h"
#include "core/shell/repaint.h"

#include <gtest/gtest.h>

using namespace settings_testing;
using testing_support::LogCapture;

TEST(SettingsParameters, CodeAssignsWithoutClamping) {
  EXPECT_EQ(MAX_LIVE.defaultValue, -1);
  EXPECT_EQ(MAX_LIVE.min, -1);
  EXPECT_EQ(MAX_LIVE.max, 300);
  IntParameter fresh{"FRESH", -1, -1, 300};
  EXPECT_EQ(fresh.get(), -1);
  fresh.set(1000);
  EXPECT_EQ(fresh.get(), 1000);
  EXPECT_EQ(fresh.clamp(1000), 300);
  EXPECT_EQ(fresh.clamp(-7), -1);
}

TEST(SettingsParameters, DropDownChoices) {
  EXPECT_EQ(MAX_LIVE_SEL.choices, MAX_PARK_SEL.choices);
  EXPECT_NE(MAX_LIVE_SEL.choices.data(), MAX_PARK_SEL.choices.data());
  EXPECT_EQ(AIRP_HEIGHT.choices,
            (std::vector<std::int32_t>{2000, 4000, 6000, 8000, 10000, 12000, 14000, 16000, 18000, 36000, 48000}));
  EXPECT_EQ(AR_ABOVE_HEIGHT.choices,
            (std::vector<std::int32_t>{18000, 21000, 24000, 27000, 30000, 33000, 36000, 39000, 42000, 45000, 48000}));
  for (const ComboBoxParameter* combo :
       {&MATCHING_DEPTH, &RANGE, &AR_ABOVE_HEIGHT, &MAX_PARK_SEL, &MAX_LIVE_SEL, &AIRP_RANGE, &AIRP_HEIGHT}) {
    EXPECT_EQ(combo->min, combo->choices.front()) << combo->name;
    EXPECT_EQ(combo->max, combo->choices.back()) << combo->name;
    EXPECT_NE(combo->choiceRow(combo->defaultValue), -1) << combo->name;
  }
  EXPECT_EQ(AIRP_HEIGHT.choiceRow(18000), 8);
  EXPECT_EQ(AIRP_HEIGHT.choiceRow(20000), -1);
}

TEST(SettingsParameters, FillComboBoxSelectsTheValuesRow) {
  const std::string rangeRows = "2,3,4,5,6,8,10,12,14,16,18,20,25,30,35,40,50,65,80,100";
  const std::pair<std::int32_t, std::string> cases[] = {{40, "fill 32818 " + rangeRows + " 15"},
                                                        {41, "fill 32818 " + rangeRows + " -1"},
                                                        {2, "fill 32818 " + rangeRows + " 0"}};
  for (const auto& [value, call] : cases) {
    RecordingPort port;
    RANGE.set(value);
    gf_fillComboBox(RANGE);
    EXPECT_EQ(port.calls(), std::vector<std::string>{call});
  }
  // No window yet: nothing happens.
  gf_fillComboBox(RANGE);
  RANGE.set(40);
}

TEST(SettingsParameters, LogValueLines) {
  LogCapture log;
  BoolParameter flag{"FLAG", true};
  IntParameter number{"NUMBER", -12, -100, 100};
  StringParameter text{"PORT_NUMBER", "10747"};
  flag.logValue();
  flag.set(false);
  flag.logValue();
  number.logValue();
  text.logValue();
  text.set("");
  text.logValue();
  EXPECT_EQ(log.lines(), (std::vector<std::string>{"FLAG=true", "FLAG=false", "NUMBER=-12", "PORT_NUMBER=\"10747\"",
                                                   "PORT_NUMBER=\"\""}));
}

TEST(SettingsParameters, TextEditIsRefreshedThroughThePortAndRepainted) {
  static std::vector<PaintRect> repaints;
  repaints.clear();
  gf_setRepaintHandler([](const PaintRect& area, bool) { repaints.push_back(area); });
  RecordingPort port;
  ALL_INSTALL_PATH.set("D:\\P3D v5");
  gf_refreshTextEditControl(ALL_INSTALL_PATH);
  gf_setRepaintHandler(nullptr);
  EXPECT_EQ(port.calls(), std::vector<std::string>{"text 32788 D:\\P3D v5"});
  EXPECT_EQ(repaints, std::vector<PaintRect>{settingsBandRect});
  ALL_INSTALL_PATH.set("");
}

TEST(SettingsParameters, RandomChoicesFollowRandom) {
  RANDOM.set(false);
  EXPECT_FALSE(gf_randomOn());
  EXPECT_EQ(gf_randomIndex(1000), 0u);
  RANDOM.set(true);
  EXPECT_TRUE(gf_randomOn());
}

TEST(SettingsParameters, NamesThatAreNoIdentifiersAndTheHeaderNames) {
  EXPECT_EQ(LAST_EPOCH_TIME.name, "LAST_EPOCH_TIME:");
  EXPECT_EQ(FLUSH_STATIC_BUTTON.name, "Flush static");
  EXPECT_EQ(UNBLOCK_BUTTON.name, "Unblock");
  EXPECT_EQ(REREAD_BUTTON.name, "Re-read");
  EXPECT_EQ(airportHeaderNames,
            (std::array<std::string, 10>{"LATERAL_RANGE", "AUTO_RANGE", "INITIAL_LOAD_ONLY", "PARK_SOFT", "PARK_FAKE",
                                         "parking_percentage", "MAX_FIT", "WEEK", "LEARN_SOFT", "MAX_LIVE"}));
}
