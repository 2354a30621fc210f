#include "airport_world.h"

#include "airports/airport_files.h"
#include "airports/learned_file.h"
#include "airports/park_airport.h"
#include "core/settings/parameters.h"
#include "core/settings/settings_version.h"
#include "core/settings_fixture.h"
#include "core/shell/auto_range.h"
#include "core/shell/main_window.h"

#include <gtest/gtest.h>

using namespace airports_testing;
using settings_testing::RecordingPort;
using testing_support::LogCapture;
using testing_support::readFile;
using testing_support::writeFile;
namespace fs = std::filesystem;

namespace {

// Made when asked: the folder names are globals of another file.
fs::path learnedPath() { return learnedThirdpartyFolder / "P" / "EHAM.xml"; }

// The park file of EHAM: three stands, A1 with one option of its own.
void parkFile() {
  writeFile(myThirdpartyFolder / "EHAM.xml",
            standFile({{"altitude", "-11"}, {"publisher", "P"}, {"airport_name", "Schiphol"}},
                      R"(<parkpos id="A1" latitude="52.30" longitude="4.76" radius="20">
  <opt reg="G-EZAA" airl="EZY" type="A319" day="3" hh="14,15" cs="EZY1"/>
  <opt reg="G-EZAB" airl="EZY" type="A319" day="3" hh="20" cs="EZY2"/>
</parkpos>
<parkpos id="A2" latitude="52.30" longitude="4.77" radius="20" cargo="false"/>
<parkpos id="A3" latitude="52.30" longitude="4.78" radius="20"/>
)"));
}

void learnedFile(const std::vector<std::pair<std::string, std::string>>& header, const std::string& body) {
  fs::create_directories(learnedPath().parent_path());
  auto entries = header;
  entries.insert(entries.begin(), {"airport_name", "Schiphol"});
  writeFile(learnedPath(), standFile(entries, body));
}

std::string readEham() {
  setParkAirport("EHAM");
  standList.clear();
  parkAirportFileInfo = {};
  return gf_readApf(gf_findAirportFile("EHAM"), parkAirportFileInfo, qualityFactors, standList);
}

const StandData& stand(const std::string& name) {
  for (const auto& s : standList)
    if (s.name == name) return s;
  throw std::out_of_range(name);
}

struct RangeGuard {
  std::int32_t manual = savedManualRange.load();
  std::int32_t userLive = userMaxLive.load();
  ~RangeGuard() {
    savedManualRange.store(manual);
    userMaxLive.store(userLive);
    gf_setRange(RANGE.get());
  }
};

} // namespace

TEST(LearnedFile, MaxLiveChoices) {
  const std::pair<std::int32_t, std::int32_t> cases[] = {
      {0, 0},   {1, 10},  {17, 10},  {18, 25},   {37, 25},   {38, 50},  {40, 50},  {62, 50},
      {63, 75}, {87, 75}, {88, 100}, {299, 100}, {300, 500}, {-5, 500}, {-1, 500}, {2147483647, 500}};
  for (const auto& [value, choice] : cases) EXPECT_EQ(gf_quantizeMaxLive(value), choice) << value;
}

TEST(LearnedFile, SettingsAppliedToTheWindow) {
  AirportWorld world;
  AirportSettingsGuard settings;
  RangeGuard range;
  RecordingPort port;
  LogCapture log;
  setDefaultAirportSettings();
  parkFile();
  learnedFile({{"LEARN_SOFT", "false"},
               {"MAX_LIVE", "40"},
               {"LATERAL_RANGE", "33"},
               {"AUTO_RANGE", "false"},
               {"PARK_FAKE", "no"},
               {"WEEK", "2"},
               {"PARK_SOFT", "False"},
               {"parking_percentage", "150"},
               {"INITIAL_LOAD_ONLY", "Yes"},
               {"MAX_FIT", "60"}},
              "");
  savedManualRange.store(12);
  EXPECT_EQ(readEham(), "");
  EXPECT_EQ(parkLearnedFile.state, LearnedFileState::Merged);
  EXPECT_FALSE(LEARN_SOFT.get());
  EXPECT_EQ(MAX_LIVE_SEL.get(), 50);
  EXPECT_TRUE(port.saw(fmt::format("text {} 50", MAX_LIVE_SEL.controlId)));
  // AUTO_RANGE off puts back the range chosen by hand, after LATERAL_RANGE.
  EXPECT_FALSE(AUTO_RANGE.get());
  EXPECT_EQ(RANGE.get(), 12);
  EXPECT_TRUE(port.saw(fmt::format("enable {} 1", RANGE.controlId)));
  EXPECT_FALSE(PARK_FAKE.get());
  EXPECT_FALSE(WEEK.get());
  EXPECT_FALSE(PARK_SOFT.get());
  EXPECT_EQ(parking_percentage.get(), 100); // clamped, as every percentage
  EXPECT_TRUE(port.saw(fmt::format("enable {} 1", parking_percentage.controlId)));
  EXPECT_TRUE(INITIAL_LOAD_ONLY.get());
  EXPECT_TRUE(port.saw(fmt::format("check {} 1", INITIAL_LOAD_ONLY.controlId)));
  EXPECT_EQ(MAX_FIT.get(), 47);
  EXPECT_FLOAT_EQ(MAX_FIT_FL.get(), 24.0f);
  EXPECT_TRUE(port.saw(fmt::format("text {} 24", MAX_FIT_FL.controlId)));
  for (const auto* line : {"Read from learned airport file: '", "          LEARN_SOFT              : false",
                           "          MAX_LIVE                : 50", "          LATERAL_RANGE           : 35",
                           "          AUTO_RANGE              : false", "          WEEK                    : false",
                           "          parking_percentage      : 100",
                           "          MAX_FIT                 : 47 (max number of half hours, is 24 hrs decimal)"})
    EXPECT_TRUE(log.contains(line)) << line;

  // AUTO_RANGE on keeps the range for later and applies the automatic one; without
  // MAX_LIVE the user's own choice holds; without a percentage 30.
  userMaxLive.store(75);
  RANGE.set(16);
  gf_setAutoRangeSource([] { return AutoRangeSituation{true, 0.0, {}, std::nullopt}; });
  learnedFile({{"AUTO_RANGE", "true"}, {"MAX_LIVE", "-5"}}, "");
  EXPECT_EQ(readEham(), "");
  EXPECT_EQ(MAX_LIVE_SEL.get(), 500);
  EXPECT_EQ(savedManualRange.load(), 16);
  EXPECT_EQ(RANGE.get(), 10); // on the ground
  gf_setAutoRangeSource(nullptr);
  EXPECT_TRUE(port.saw(fmt::format("enable {} 0", RANGE.controlId)));
  EXPECT_EQ(parking_percentage.get(), 30);
  learnedFile({}, "");
  EXPECT_EQ(readEham(), "");
  EXPECT_EQ(MAX_LIVE_SEL.get(), 75);
}

TEST(LearnedFile, OptionsAndStandsMerged) {
  AirportWorld world;
  AirportSettingsGuard settings;
  RangeGuard range;
  LogCapture log;
  PARK_FAKE.set(false);
  parkFile();
  learnedFile({}, R"(<parkpos id="A1">
  <opt reg="G-EZAA" airl="EZY" type="A319" day="3" hh="15,16" cs="EZY9"/>
  <opt reg="G-EZAA" airl="EZY" type="A319" day="3" hh="30" cs="EZY3"/>
  <opt reg="G-EZAA" airl="EZY" type="A319" day="3" hh="29,30"/>
  <opt reg="G-EZAA" airl="EZY" type="A319" soft="true" day="3" hh="14"/>
  <opt reg="G-EZAC" airl="EZY" type="A319" day="9" hh="14"/>
</parkpos>
<parkpos id="A2" radius_change="true" cargo_change="true" cargo="true"/>
<parkpos id="A3" radius_change="true" radius="31.5"/>
<parkpos id="M1" manual="yes" latitude="52.31" longitude="4.76" radius="18" heading="90">
  <opt reg="N12345" day="1" hh="2"/>
</parkpos>
<parkpos id="M2" manual="y" latitude="0" longitude="0" radius="18"/>
<parkpos id="M3" manual="true" latitude="52.31" longitude="4.77"/>
<parkpos id="A3" manual="true" latitude="52.31" longitude="4.78" radius="20"/>
<parkpos id="Z9" radius_change="true"><note><a><b/></a></note><opt reg="G-EZAD" airl="EZY" type="A319" day="2" hh="5"><c/></opt></parkpos>
)");
  EXPECT_EQ(readEham(), "");
  EXPECT_EQ(parkLearnedFile.state, LearnedFileState::Merged);
  const auto& a1 = stand("A1");
  // 15,16 meets the park file's 14,15: the same use. 30 is another (numbered after the
  // highest), 29,30 meets 30 (added by the same element), the soft one is another use.
  ASSERT_EQ(a1.options.size(), 4u);
  EXPECT_EQ(a1.options[2].hours, bit(30));
  EXPECT_EQ(a1.options[2].number, 3);
  EXPECT_EQ(a1.options[2].base, 0);
  EXPECT_EQ(a1.options[2].callsign, "EZY3");
  EXPECT_FALSE(a1.options[3].real);
  EXPECT_EQ(a1.options[3].number, 4);
  EXPECT_TRUE(log.contains("===> learned stand A1: option of G-EZAC dropped: day '9' is not 1..7"));

  const auto& a2 = stand("A2");
  EXPECT_TRUE(a2.radius_change);
  EXPECT_EQ(a2.radius, 0.0); // a radius change without a radius
  EXPECT_TRUE(a2.cargo && a2.cargo_change);
  EXPECT_DOUBLE_EQ(stand("A3").radius, 31.5 / 1852);

  const auto& m1 = stand("M1");
  EXPECT_TRUE(m1.manual);
  ASSERT_EQ(m1.options.size(), 1u);
  EXPECT_EQ(m1.options[0].base, 0);
  EXPECT_EQ(standList.size(), 4u);
  EXPECT_TRUE(log.contains("===> manually created standid M2 misses correct attributes in "));
  EXPECT_TRUE(log.contains("===> manually created standid M3 misses correct attributes in "));
  EXPECT_TRUE(log.contains("===> manually created standid A3 already exists in "));
  EXPECT_TRUE(log.contains("learned stand Z9 in " + gf_pathText(learnedPath()) + " not found?"));
  // What could not be merged is kept to be written back.
  ASSERT_EQ(parkLearnedFile.keptParkpos.size(), 4u);
  // As the format has it: what a damaged file nests inside besides options is not kept.
  EXPECT_EQ(
      parkLearnedFile.keptParkpos[3],
      R"(<parkpos id="Z9" radius_change="true"><opt reg="G-EZAD" airl="EZY" type="A319" day="2" hh="5"/></parkpos>)");
  // The quality of what was merged.
  EXPECT_GE(qualityFactors.Qf_real, 0);
  EXPECT_GE(qualityFactors.Qf_soft, 0);
}

TEST(LearnedFile, FilesThatAreNotMerged) {
  AirportWorld world;
  AirportSettingsGuard settings;
  RangeGuard range;
  LogCapture log;
  parkFile();
  setDefaultAirportSettings();

  // A file that does not parse: a copy for the user, no setting changed.
  fs::create_directories(learnedPath().parent_path());
  writeFile(learnedPath(), "<parameters><parameter name=\"MAX_FIT\" value=\"3\"/>");
  EXPECT_EQ(readEham(), "");
  EXPECT_EQ(parkLearnedFile.state, LearnedFileState::NotMerged);
  EXPECT_EQ(readFile(learnedPath().parent_path() / "EHAM0.xml"), readFile(learnedPath()));
  EXPECT_TRUE(log.contains(gf_pathText(learnedPath()) + " found, but could not be loaded, saved as *.0.xml: "));
  EXPECT_EQ(MAX_FIT.get(), 47);
  EXPECT_EQ(standList.size(), 3u);

  // A file without its provenance.
  writeFile(learnedPath(), standFile({{"MAX_FIT", "3"}}, "", ""));
  EXPECT_EQ(readEham(), "");
  EXPECT_EQ(parkLearnedFile.state, LearnedFileState::NotMerged);
  EXPECT_EQ(MAX_FIT.get(), 47);

  // A handmade file that breaks part-way: what was read stays, the file is not merged.
  learnedFile({{"handmade", "false"}}, R"(<parkpos id="H1" latitude="52.3" longitude="4.7"/>
<parkpos id="H1" latitude="52.3" longitude="4.8"/>)");
  EXPECT_EQ(readEham(), "");
  EXPECT_EQ(parkLearnedFile.state, LearnedFileState::NotMerged);
  EXPECT_TRUE(log.contains("lf_readLearned: 94: Parking position H1 appears more than once?"));
  ASSERT_EQ(standList.size(), 1u);
  EXPECT_EQ(standList[0].name, "H1");
}

TEST(LearnedFile, HandmadeFileReplacesTheStands) {
  AirportWorld world;
  AirportSettingsGuard settings;
  RangeGuard range;
  LogCapture log;
  PARK_FAKE.set(false);
  parkFile();
  learnedFile({{"handmade", "false"}}, R"(<parkpos id="H1" latitude="52.3" longitude="4.7" radius="20">
  <opt reg="G-EZAA" airl="EZY" type="A319" day="3" hh="14,15"/>
</parkpos>
<parkpos id="H2" latitude="52.3" longitude="4.8" radius="20"/>)");
  EXPECT_EQ(readEham(), "");
  EXPECT_TRUE(parkFileHandmade);
  EXPECT_EQ(parkLearnedFile.state, LearnedFileState::Merged);
  ASSERT_EQ(standList.size(), 2u);
  EXPECT_EQ(standList[0].options[0].base, 1);
  EXPECT_EQ(qualityFactors, (QualityFactors{32, 0}));
  EXPECT_TRUE(mainWindow.snapshot().parkAirportHandmade);
  EXPECT_TRUE(log.contains("A handmade airport file overruled the archived file!"));
  EXPECT_TRUE(log.contains("          handmade                : false"));
  EXPECT_TRUE(log.contains("Airport file read from '" + gf_pathText(learnedPath()) + "' for Schiphol"));
}

TEST(LearnedFile, AnotherAirportNameIsShown) {
  AirportWorld world;
  AirportSettingsGuard settings;
  RangeGuard range;
  parkFile();
  fs::create_directories(learnedPath().parent_path());
  writeFile(learnedPath(), standFile({{"airport_name", "Amsterdam"}}, ""));
  EXPECT_EQ(readEham(), "");
  EXPECT_EQ(gf_statusLineSnapshot().message,
            "Warning: learned file airport name: 'Amsterdam' differs from archived file airport name: 'Schiphol'");
  EXPECT_EQ(parkLearnedFile.state, LearnedFileState::Merged);
}
