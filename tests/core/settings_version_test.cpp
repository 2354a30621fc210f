#include "settings_fixture.h"

#include "core/settings/parameters.h"
#include "core/settings/settings_file.h"
#include "core/settings/settings_version.h"

#include <algorithm>
#include <climits>
#include <gtest/gtest.h>

namespace fs = std::filesystem;
using namespace settings_testing;
using testing_support::LogCapture;
using testing_support::ScopedCurrentPath;
using testing_support::writeFile;

TEST(SettingsVersion, QuantizeRange) {
  const std::pair<int, int> cases[] = {{INT_MIN, 2}, {-5, 2},  {0, 2},    {2, 2},     {3, 3},        {6, 6},   {7, 8},
                                       {8, 8},       {9, 10},  {11, 12},  {13, 14},   {15, 16},      {17, 18}, {18, 18},
                                       {19, 20},     {22, 20}, {23, 25},  {27, 25},   {28, 30},      {32, 30}, {33, 35},
                                       {37, 35},     {38, 40}, {44, 40},  {45, 50},   {56, 50},      {57, 65}, {72, 65},
                                       {73, 80},     {89, 80}, {90, 100}, {100, 100}, {INT_MAX, 100}};
  for (const auto& [nm, expected] : cases) {
    EXPECT_EQ(gf_quantizeRange(nm), expected) << nm;
    EXPECT_NE(RANGE.choiceRow(gf_quantizeRange(nm)), -1) << nm;
  }
}

TEST(SettingsVersion, SetRange) {
  struct Case {
    std::int32_t nm;
    std::int32_t range;
    const char* rowCall; // nullptr: no row selected
    double rangeNm;
    std::int32_t metres;
  };
  const Case cases[] = {
      // The metres take in a mile of the program's sphere where the earth curves least
      // (WGS84 at the poles): nm x 1861.566.
      {41, 41, nullptr, 41.0, 76325},
      {150, 100, "row 32818 19", 150.0, 279235},
      {40, 40, "row 32818 15", 40.0, 74463},
      {2, 2, "row 32818 0", 2.0, 3724},
      {-5, 2, "row 32818 0", -5.0, -9307},
      {INT_MAX, 100, "row 32818 19", INT_MAX, INT_MAX},
      {INT_MIN, 2, "row 32818 0", INT_MIN, INT_MIN},
  };
  for (const auto& c : cases) {
    RecordingPort port;
    gf_setRange(c.nm);
    EXPECT_EQ(RANGE.get(), c.range) << c.nm;
    EXPECT_EQ(port.calls(), c.rowCall ? std::vector<std::string>{c.rowCall} : std::vector<std::string>{}) << c.nm;
    EXPECT_EQ(rangeNm.load(), c.rangeNm) << c.nm;
    EXPECT_EQ(rangeMetres.load(), c.metres) << c.nm;
  }
  gf_setRange(40);
}

namespace {

// The entries an upgrade looks at, as they stand in the file afterwards (absent: none).
const char* const watched[] = {"PROGRAM_VERSION", "SCAN_LIVERIES", "SCAN_AIRPORTS", "RANGE",
                               "MAX_LIVE_SEL",    "LATERAL_RANGE", "MAX_LIVE"};

struct Upgrade {
  const char* name;
  const char* stored; // nullptr: no settings file yet
  Entries more;       // further entries of the file
  bool updateLogged;
  bool installerRemoved;
  std::vector<std::optional<std::string>> after; // the watched entries afterwards
};

} // namespace

TEST(SettingsVersion, UpgradesFromOlderAndNewerVersions) {
  using V = std::optional<std::string>;
  const V none;
  const Upgrade upgrades[] = {
      {"first start", nullptr, {}, false, false, {"11.0.3", "true", "true", "40", "500", "40", "-1"}},
      {"empty version", "", {{"RANGE", "10"}}, false, false, {"11.0.3", "false", "false", "10", "500", "40", "-1"}},
      {"same version",
       "11.0.3",
       {{"LATERAL_RANGE", "22"}},
       false,
       false,
       {"11.0.3", "false", "false", "40", "500", "22", "-1"}},
      {"11.0.2 converts nothing",
       "11.0.2",
       {{"RANGE", "10"}, {"LATERAL_RANGE", "22"}, {"MAX_LIVE", "60"}},
       true,
       true,
       {"11.0.3", "true", "true", "10", "500", "22", "60"}},
      {"11.0.1 converts the old settings it holds",
       "11.0.1",
       {{"LATERAL_RANGE", "22"}, {"MAX_LIVE", "-1"}, {"MAX_LIVE_SEL", "10"}},
       true,
       true,
       {"11.0.3", "true", "true", "20", "500", none, none}},
      {"11.0.1 keeps current values when no old setting is there",
       "11.0.1",
       {{"RANGE", "10"}, {"MAX_LIVE_SEL", "75"}},
       true,
       true,
       {"11.0.3", "true", "true", "10", "75", "40", "-1"}},
      {"newer version",
       "12.0.0",
       {{"LATERAL_RANGE", "22"}},
       false,
       false,
       {"11.0.3", "false", "false", "40", "500", "22", "-1"}},
      {"garbage counts as 0.0.0",
       "eleven",
       {{"LATERAL_RANGE", "65"}},
       true,
       true,
       {"11.0.3", "true", "true", "65", "500", none, "-1"}},
  };
  for (const auto& u : upgrades) {
    SCOPED_TRACE(u.name);
    SettingsFolder settings;
    ScopedCurrentPath cwd(settings.dir().path());
    LogCapture log;
    RecordingPort port;
    writeFile("install_new_version.exe", "MZ");
    if (u.stored != nullptr) {
      Entries entries{{"PROGRAM_VERSION", u.stored}, {"SCAN_LIVERIES", "false"}, {"SCAN_AIRPORTS", "false"}};
      entries.insert(entries.end(), u.more.begin(), u.more.end());
      writeSettings(settings.file(), entries);
    }
    gf_loadParameters();

    std::vector<V> after;
    for (const char* name : watched) after.push_back(entryValue(settings.file(), name));
    EXPECT_EQ(after, u.after);
    EXPECT_EQ(log.contains("This is a version update from "), u.updateLogged);
    if (u.updateLogged) {
      const std::string from = std::string(u.stored) == "eleven" ? "0.0.0" : u.stored;
      EXPECT_TRUE(log.contains("This is a version update from " + from + " -> 11.0.3"));
      EXPECT_TRUE(port.saw("check 32797 1") && port.saw("check 32801 1"));
    }
    EXPECT_EQ(!fs::exists("install_new_version.exe"), u.installerRemoved);
    EXPECT_EQ(PROGRAM_VERSION.get(), "11.0.3");
    EXPECT_EQ(std::to_string(RANGE.get()), *u.after[3]) << "RANGE in memory as in the file";
    EXPECT_EQ(rangeNm.load(), RANGE.get());
  }
}

TEST(SettingsVersion, ConversionsOfOldSettings) {
  struct Case {
    const char* old;
    const char* stored;
    IntParameter& successor;
    std::int32_t expected;
  };
  const Case cases[] = {
      {"MAX_LIVE", "-1", MAX_LIVE_SEL, 500},
      {"MAX_LIVE", "300", MAX_LIVE_SEL, 500},
      {"MAX_LIVE", "0", MAX_LIVE_SEL, 0},
      {"MAX_LIVE", "1", MAX_LIVE_SEL, 10},
      {"MAX_LIVE", "17", MAX_LIVE_SEL, 10},
      {"MAX_LIVE", "18", MAX_LIVE_SEL, 25},
      {"MAX_LIVE", "37", MAX_LIVE_SEL, 25},
      {"MAX_LIVE", "38", MAX_LIVE_SEL, 50},
      {"MAX_LIVE", "62", MAX_LIVE_SEL, 50},
      {"MAX_LIVE", "63", MAX_LIVE_SEL, 75},
      {"MAX_LIVE", "87", MAX_LIVE_SEL, 75},
      {"MAX_LIVE", "88", MAX_LIVE_SEL, 100},
      {"MAX_LIVE", "299", MAX_LIVE_SEL, 100},
      {"CUSTOM_MAX_PARK", "60", MAX_PARK_SEL, 50},
      {"CUSTOM_MAX_PARK", "-1", MAX_PARK_SEL, 500},
      {"CUSTOM_MAX_PARK", "500", MAX_PARK_SEL, 500},
      {"LATERAL_RANGE", "22", RANGE, 20},
      {"LATERAL_RANGE", "1", RANGE, 2},
      {"LATERAL_RANGE", "7", RANGE, 8},
      {"LATERAL_RANGE", "100", RANGE, 100},
      {"AIRPORT_RANGE", "3", AIRP_RANGE, 10}, // read as 8, its minimum
      {"AIRPORT_RANGE", "12", AIRP_RANGE, 10},
      {"AIRPORT_RANGE", "13", AIRP_RANGE, 15},
      {"AIRPORT_RANGE", "17", AIRP_RANGE, 15},
      {"AIRPORT_RANGE", "18", AIRP_RANGE, 20},
      {"AIRPORT_RANGE", "22", AIRP_RANGE, 20},
      {"AIRPORT_RANGE", "23", AIRP_RANGE, 25},
      {"AIRPORT_RANGE", "26", AIRP_RANGE, 25},
      {"AIRPORT_RANGE", "27", AIRP_RANGE, 30},
      {"AUTO_RANGE_ABOVE_HEIGHT", "20000", AR_ABOVE_HEIGHT, 18000},
      {"AUTO_RANGE_ABOVE_HEIGHT", "26999", AR_ABOVE_HEIGHT, 18000},
      {"AUTO_RANGE_ABOVE_HEIGHT", "27000", AR_ABOVE_HEIGHT, 36000},
      {"AUTO_RANGE_ABOVE_HEIGHT", "46999", AR_ABOVE_HEIGHT, 36000},
      {"AUTO_RANGE_ABOVE_HEIGHT", "47000", AR_ABOVE_HEIGHT, 48000},
      {"AUTO_RANGE_ABOVE_HEIGHT", "49000", AR_ABOVE_HEIGHT, 48000},
      {"AUTO_RANGE_ABOVE_HEIGHT", "2000", AR_ABOVE_HEIGHT, 18000}, // read as 18000, its minimum
      {"AIRPORT_HEIGHT", "9999", AIRP_HEIGHT, 10000},
      {"AIRPORT_HEIGHT", "2000", AIRP_HEIGHT, 2000},
      {"AIRPORT_HEIGHT", "2999", AIRP_HEIGHT, 2000},
      {"AIRPORT_HEIGHT", "3000", AIRP_HEIGHT, 4000},
      {"AIRPORT_HEIGHT", "5000", AIRP_HEIGHT, 6000},
      {"AIRPORT_HEIGHT", "7000", AIRP_HEIGHT, 8000},
      {"AIRPORT_HEIGHT", "8999", AIRP_HEIGHT, 8000},
      {"AIRPORT_HEIGHT", "11000", AIRP_HEIGHT, 12000},
      {"AIRPORT_HEIGHT", "13000", AIRP_HEIGHT, 14000},
      {"AIRPORT_HEIGHT", "15000", AIRP_HEIGHT, 16000},
      {"AIRPORT_HEIGHT", "16999", AIRP_HEIGHT, 16000},
      {"AIRPORT_HEIGHT", "17000", AIRP_HEIGHT, 18000},
      {"AIRPORT_HEIGHT", "27000", AIRP_HEIGHT, 36000},
      {"AIRPORT_HEIGHT", "45000", AIRP_HEIGHT, 36000},
  };
  for (const auto& c : cases) {
    SettingsFolder settings;
    LogCapture log;
    writeSettings(settings.file(), {{"PROGRAM_VERSION", "11.0.1"}, {c.old, c.stored}});
    gf_loadParameters();
    EXPECT_EQ(c.successor.get(), c.expected) << c.old << " " << c.stored;
    EXPECT_EQ(entryValue(settings.file(), c.successor.name), std::to_string(c.expected)) << c.old << " " << c.stored;
    EXPECT_FALSE(entryValue(settings.file(), c.old)) << c.old;
    EXPECT_TRUE(log.contains("Parameter '" + std::string(c.old) + "' removed"));
  }
}

TEST(SettingsVersion, UpdateFrom1101ConvertsInOrderAndShowsTheNewValues) {
  SettingsFolder settings;
  ScopedCurrentPath cwd(settings.dir().path());
  LogCapture log;
  RecordingPort port;
  writeSettings(settings.file(), {{"PROGRAM_VERSION", "11.0.1"},
                                  {"LATERAL_RANGE", "22"},
                                  {"MAX_LIVE", "-1"},
                                  {"CUSTOM_MAX_PARK", "60"},
                                  {"AIRPORT_RANGE", "12"},
                                  {"AUTO_RANGE_ABOVE_HEIGHT", "20000"},
                                  {"AIRPORT_HEIGHT", "9999"}});
  gf_loadParameters();

  const auto lines = log.lines();
  const auto saved = std::find(lines.begin(), lines.end(), "PROGRAM_VERSION=\"11.0.3\"");
  ASSERT_NE(saved, lines.end());
  EXPECT_EQ(std::vector<std::string>(saved, lines.end()),
            (std::vector<std::string>{
                "PROGRAM_VERSION=\"11.0.3\"", "This is a version update from 11.0.1 -> 11.0.3", "MAX_PARK_SEL=50",
                "Parameter 'CUSTOM_MAX_PARK' removed", "MAX_LIVE_SEL=500", "Parameter 'MAX_LIVE' removed", "RANGE=20",
                "Parameter 'LATERAL_RANGE' removed", "AIRP_RANGE=10", "Parameter 'AIRPORT_RANGE' removed",
                "AR_ABOVE_HEIGHT=18000", "Parameter 'AUTO_RANGE_ABOVE_HEIGHT' removed", "AIRP_HEIGHT=10000",
                "Parameter 'AIRPORT_HEIGHT' removed", "SCAN_LIVERIES=true", "SCAN_AIRPORTS=true"}));

  // Each drop-down last shows its converted value, not the one the file held.
  const std::pair<const ComboBoxParameter*, const char*> shown[] = {
      {&MAX_PARK_SEL, "50"}, {&MAX_LIVE_SEL, "500"},      {&RANGE, "20"},
      {&AIRP_RANGE, "10"},   {&AR_ABOVE_HEIGHT, "18000"}, {&AIRP_HEIGHT, "10000"}};
  const auto calls = port.calls();
  for (const auto& [combo, value] : shown) {
    const auto prefix = fmt::format("text {} ", combo->controlId);
    const auto last =
        std::find_if(calls.rbegin(), calls.rend(), [&](const auto& c) { return c.rfind(prefix, 0) == 0; });
    ASSERT_NE(last, calls.rend()) << combo->name;
    EXPECT_EQ(*last, prefix + value) << combo->name;
  }
  EXPECT_TRUE(port.saw("row 32818 11"));
  for (const auto& [name, value] : readEntries(settings.file()))
    EXPECT_TRUE(name != "LATERAL_RANGE" && name != "MAX_LIVE" && name != "CUSTOM_MAX_PARK" && name != "AIRPORT_RANGE" &&
                name != "AUTO_RANGE_ABOVE_HEIGHT" && name != "AIRPORT_HEIGHT")
        << name;
}

TEST(SettingsVersion, InstallerThatCannotBeRemovedIsLogged) {
  SettingsFolder settings;
  ScopedCurrentPath cwd(settings.dir().path());
  LogCapture log;
  fs::create_directories(fs::path("install_new_version.exe") / "inside");
  writeSettings(settings.file(), {{"PROGRAM_VERSION", "11.0.2"}, {"SCAN_AIRPORTS", "false"}});
  gf_loadParameters();
  EXPECT_TRUE(log.contains("Failed to remove install_new_version.exe: "));
  EXPECT_EQ(entryValue(settings.file(), "SCAN_AIRPORTS"), "true");
}

TEST(SettingsVersion, DamagedVersionTextIsReplacedAndStartsLikeAnUpdate) {
  // Thousands of digits once overflowed the stack at every start, for the file kept them.
  for (const std::string& stored : {std::string(60000, '9'), std::string(250, '1') + "x"}) {
    SCOPED_TRACE(stored.size());
    SettingsFolder settings;
    ScopedCurrentPath cwd(settings.dir().path());
    LogCapture log;
    writeSettings(settings.file(), {{"PROGRAM_VERSION", stored}, {"SCAN_LIVERIES", "false"}});
    gf_loadParameters();
    EXPECT_TRUE(log.contains("VersionData exception: "));
    EXPECT_TRUE(log.contains("This is a version update from 0.0.0 -> 11.0.3"));
    EXPECT_EQ(entryValue(settings.file(), "PROGRAM_VERSION"), "11.0.3");
    EXPECT_EQ(entryValue(settings.file(), "SCAN_LIVERIES"), "true");
  }
}
