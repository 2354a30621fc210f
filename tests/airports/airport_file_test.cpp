#include "airports_fixture.h"

#include "airports/airport_file.h"
#include "core/geodesy.h"
#include "core/settings/meta_block.h"
#include "support/test_support.h"

#include <gtest/gtest.h>
#include <pugixml.hpp>

using namespace airports_testing;
using testing_support::LogCapture;
using testing_support::readFile;
using testing_support::TempDir;

namespace {

// The file without its meta block, whose date changes daily.
std::string afterMeta(const std::filesystem::path& file) {
  const auto text = readFile(file);
  const auto end = text.find("</meta>\n");
  EXPECT_NE(end, std::string::npos) << text;
  return end == std::string::npos ? text : text.substr(end + 8);
}

StandData stand(std::string name, double radiusMetres = 27.8) {
  return StandData(std::move(name), {}, 52.3, 4.76, 90.0 * degToRad, radiusMetres, false, false, false);
}

StandOptionData option(std::string registration, std::string airline, std::string type, std::int32_t number,
                       std::int32_t day, std::uint64_t hours, bool real, std::string callsign,
                       std::string coupled = {}) {
  return {std::move(airline),
          std::move(type),
          std::move(registration),
          std::move(callsign),
          std::move(coupled),
          hours,
          number,
          day,
          0,
          real};
}

// Three stands in the three learned forms: unchanged with options, changed, manual.
AirportFileData learnedData() {
  AirportFileData data;
  data.code = "EHAM";
  data.airport_name = "Schiphol";
  data.publisher = "stock";
  data.altitude = -11;
  auto a1 = stand("A1");
  a1.options = {option("PH-BXA", "TRA", "B738", 1, 3, bit(14) | bit(15) | bit(16), true, "KLM123", "KLM124"),
                option("G-EZAA", "EZY", "A319", 2, 7, bit(0) | bit(47), false, "", "EZY9"),
                option("G-EZAB", "EZY", "A319", 0, 7, bit(3), true, "EZY7")};
  auto a2 = stand("A2");
  a2.radius_change = true;
  a2.cargo_change = true;
  a2.cargo = true;
  auto m1 = stand("M1");
  m1.manual = true;
  m1.ramp = true;
  data.stands = {a1, a2, m1};
  return data;
}

constexpr const char* learnedHeader = R"(<parameters>
	<parameter name="airport_name" value="Schiphol" />
	<parameter name="publisher" value="stock" />
	<parameter name="num_parkpos" value="3" />
	<parameter name="LATERAL_RANGE" value="40" />
	<parameter name="AUTO_RANGE" value="true" />
	<parameter name="WEEK" value="false" />
	<parameter name="PARK_FAKE" value="false" />
	<parameter name="PARK_SOFT" value="true" />
	<parameter name="parking_percentage" value="30" />
	<parameter name="INITIAL_LOAD_ONLY" value="false" />
	<parameter name="MAX_FIT" value="47" />
	<parameter name="MAX_LIVE" value="500" />
	<parameter name="LEARN_SOFT" value="true" />
</parameters>
)";

} // namespace

TEST(AirportFile, LearnedFileInItsThreeStandForms) {
  ReferenceData reference;
  AirportSettingsGuard settings;
  setDefaultAirportSettings();
  TempDir dir;
  ASSERT_TRUE(gf_writeAirportFile(learnedData(), dir / "EHAM.xml", AirportFileMode::Learned));
  const std::string expected = std::string(learnedHeader) + R"(<parkpositions>
	<parkpos id="A1">
		<opt reg="PH-BXA" day="3" hh="14,15,16" cs="KLM123:KLM124" />
		<opt reg="G-EZAA" airl="EZY" type="A319" soft="true" day="7" hh="0,47" />
	</parkpos>
	<parkpos id="A2" radius_change="true" radius="27.8" cargo_change="true" cargo="true" />
	<parkpos id="M1" latitude="52.300000" longitude="4.760000" heading="90.0" radius="27.8" cargo="false" ramp="true" manual="true" />
</parkpositions>
)";
  EXPECT_EQ(afterMeta(dir / "EHAM.xml"), expected);
}

TEST(AirportFile, LearnedFileCarriesTheCurrentSettings) {
  AirportSettingsGuard settings;
  setDefaultAirportSettings();
  RANGE.set(65);
  AUTO_RANGE.set(false);
  WEEK.set(true);
  PARK_FAKE.set(true);
  PARK_SOFT.set(false);
  parking_percentage.set(70);
  INITIAL_LOAD_ONLY.set(true);
  MAX_FIT.set(12);
  MAX_LIVE_SEL.set(25);
  LEARN_SOFT.set(false);
  TempDir dir;
  AirportFileData data;
  data.airport_name = "x";
  data.publisher = "stock";
  ASSERT_TRUE(gf_writeAirportFile(data, dir / "X.xml", AirportFileMode::Learned));
  pugi::xml_document document;
  ASSERT_TRUE(document.load_file((dir / "X.xml").c_str()));
  std::vector<std::pair<std::string, std::string>> entries;
  for (const auto p : document.child("parameters").children("parameter"))
    entries.emplace_back(p.attribute("name").value(), p.attribute("value").value());
  const std::vector<std::pair<std::string, std::string>> expected{
      {"airport_name", "x"},         {"publisher", "stock"},  {"num_parkpos", "0"},
      {"LATERAL_RANGE", "65"},       {"AUTO_RANGE", "false"}, {"WEEK", "true"},
      {"PARK_FAKE", "true"},         {"PARK_SOFT", "false"},  {"parking_percentage", "70"},
      {"INITIAL_LOAD_ONLY", "true"}, {"MAX_FIT", "12"},       {"MAX_LIVE", "25"},
      {"LEARN_SOFT", "false"}};
  EXPECT_EQ(entries, expected);
}

TEST(AirportFile, GeneratedFileWithAHelipad) {
  TempDir dir;
  AirportFileData data;
  data.airport_name = "Schiphol";
  data.publisher = "unknown";
  data.BGLpath = R"(Scenery\0301\scenery\APX13170.bgl)";
  data.altitude = -11;
  auto h1 = StandData("H1", {}, 52.3, -4.76, 3.14159265358979 / 2, 0.015 * 1852, true, false, true);
  auto b2 = stand("B2", 40.04);
  b2.cargo = true;
  b2.options = {option("PH-BXA", "KLM", "B738", 1, 3, bit(14), true, "KLM1")};
  data.stands = {h1, b2};
  ASSERT_TRUE(gf_writeAirportFile(data, dir / "EHAM.xml", AirportFileMode::Generated));
  EXPECT_EQ(afterMeta(dir / "EHAM.xml"), R"(<parameters>
	<parameter name="airport_name" value="Schiphol" />
	<parameter name="publisher" value="unknown" />
	<parameter name="altitude" value="-11" />
	<parameter name="num_parkpos" value="2" />
	<parameter name="BGLpath" value="Scenery\0301\scenery\APX13170.bgl" />
</parameters>
<parkpositions>
	<parkpos id="H1" latitude="52.300000" longitude="-4.760000" heading="90.0" radius="27.8" heli="true" ramp="false" />
	<parkpos id="B2" latitude="52.300000" longitude="4.760000" heading="90.0" radius="40.0" cargo="true" ramp="false" />
</parkpositions>
)");
}

TEST(AirportFile, HandmadeLearnedFileCarriesEveryStandInFull) {
  ReferenceData reference;
  AirportSettingsGuard settings;
  setDefaultAirportSettings();
  TempDir dir;
  auto data = learnedData();
  data.handmade = true;
  data.Qf_real = 63;
  data.Qf_soft = 0;
  ASSERT_TRUE(gf_writeAirportFile(data, dir / "EHAM.xml", AirportFileMode::Learned));
  const auto text = afterMeta(dir / "EHAM.xml");
  EXPECT_NE(text.find(R"(<parameter name="publisher" value="stock" />
	<parameter name="handmade" value="true" />
	<parameter name="altitude" value="-11" />
	<parameter name="num_parkpos" value="3" />
	<parameter name="Qf_real" value="63" />
	<parameter name="Qf_soft" value="0" />
	<parameter name="LATERAL_RANGE")"),
            std::string::npos)
      << text;
  // The changed stand too: a handmade file is read as a park airport file, which needs positions.
  EXPECT_NE(
      text.find(
          R"(<parkpos id="A2" latitude="52.300000" longitude="4.760000" heading="90.0" radius="27.8" cargo="true" ramp="false" />)"),
      std::string::npos)
      << text;
  EXPECT_NE(
      text.find(
          R"(<parkpos id="A1" latitude="52.300000" longitude="4.760000" heading="90.0" radius="27.8" cargo="false" ramp="false">
		<opt reg="PH-BXA")"),
      std::string::npos)
      << text;
}

TEST(AirportFile, WrittenFileReadsBackAsItWasWritten) {
  ReferenceData reference;
  TempDir dir;
  auto data = learnedData();
  data.handmade = true;
  data.stands[1].heli = true;
  ASSERT_TRUE(gf_writeAirportFile(data, dir / "EHAM.xml", AirportFileMode::Learned));
  pugi::xml_document document;
  ASSERT_TRUE(document.load_file((dir / "EHAM.xml").c_str()));
  StandList read;
  for (const auto parkpos : document.child("parkpositions").children("parkpos"))
    gf_readParkpos(parkpos, parkpos.attribute("id").value(), 1, read);
  ASSERT_EQ(read.size(), 3u);
  for (std::size_t i = 0; i < read.size(); ++i) {
    const auto& a = data.stands[i];
    const auto& b = read[i];
    EXPECT_EQ(b.name, a.name);
    EXPECT_EQ(b.lat, a.lat);
    EXPECT_EQ(b.lon, a.lon);
    EXPECT_EQ(b.heading, a.heading);
    EXPECT_EQ(b.radius, a.radius);
    EXPECT_EQ(b.heli, a.heli);
    EXPECT_EQ(b.cargo, a.cargo && !a.heli); // a helipad's cargo flag is not written
    EXPECT_EQ(b.ramp, a.ramp);
  }
  // The option in use come back numbered anew, with the park file's base; the one out of
  // use stays out.
  ASSERT_EQ(read[0].options.size(), 2u);
  auto expected = data.stands[0].options;
  expected.pop_back();
  for (auto& o : expected) o.base = 1;
  // A soft option's empty callsign leaves out its coupled callsign too.
  expected[1].coupledCallsign.clear();
  EXPECT_EQ(read[0].options, expected);
}

TEST(AirportFile, WriteFailsWithoutItsFolderAndKeepsTheOldFile) {
  TempDir dir;
  EXPECT_FALSE(gf_writeAirportFile(learnedData(), dir / "missing" / "EHAM.xml", AirportFileMode::Learned));
  testing_support::writeFile(dir / "EHAM.xml", "old");
  EXPECT_TRUE(gf_writeAirportFile(learnedData(), dir / "EHAM.xml", AirportFileMode::Learned));
  EXPECT_NE(readFile(dir / "EHAM.xml"), "old");
  // No file of the write is left beside it.
  std::size_t entries = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.path())) ++entries;
  EXPECT_EQ(entries, 1u);
}

TEST(AirportFile, OptionKeys) {
  ReferenceData reference;
  struct Case {
    const char* element;
    OptionKey key;
  };
  const Case cases[] = {
      {R"(<opt cs="AB123:AB124" airl="EZY" type="A319" reg="G-EZAA"/>)", {"AB123", "AB124", "EZY", "A319"}},
      {R"(<opt cs="AB123:" reg="G-EZAA"/>)", {"AB123", "", "", ""}},
      {R"(<opt cs="AB123" reg=""/>)", {"AB123", "", "", ""}},
      {R"(<opt cs=":X:Y"/>)", {"", "X:Y", "", ""}},
      // A known registration overrides what the element says, its operator first.
      {R"(<opt reg="PH-BXA" airl="EZY" type="A319"/>)", {"", "", "TRA", "B738"}},
      {R"(<opt reg="DAIPA" airl="EZY" type="A319"/>)", {"", "", "DLH", "A320"}},
  };
  for (const auto& c : cases) {
    pugi::xml_document document;
    ASSERT_TRUE(document.load_string(c.element));
    EXPECT_EQ(gf_readOptionKey(document.first_child()), c.key) << c.element;
  }
}

TEST(AirportFile, ReadingParkposElements) {
  struct Case {
    const char* element;
    bool added;
    const char* warning; // the start of the warning logged, or empty
  };
  const Case cases[] = {
      {R"(<parkpos latitude="0" longitude="0" radius="20"/>)", false, ""},
      {R"(<parkpos radius="20"/>)", false, ""},
      {R"(<parkpos latitude="0" longitude="4.7" radius="20"/>)", true, ""},
      {R"(<parkpos latitude="52.3 N" longitude="4.7xyz" radius="20.5m"/>)", true, ""},
      {R"(<parkpos latitude="52.3" longitude="4.7"/>)", true, ""},
      {R"(<parkpos latitude="52.3" longitude="4.7" radius="1e11"/>)", false, "===> parkpos P dropped"},
      {R"(<parkpos latitude="52.3" longitude="4.7" radius="-3"/>)", false, "===> parkpos P dropped"},
      {R"(<parkpos latitude="nan" longitude="4.7" radius="20"/>)", false, "===> parkpos P dropped"},
      {R"(<parkpos latitude="91" longitude="4.7" radius="20"/>)", false, "===> parkpos P dropped"},
      {R"(<parkpos latitude="52.3" longitude="-180.5" radius="20"/>)", false, "===> parkpos P dropped"},
      {R"(<parkpos latitude="52.3" longitude="4.7" radius="20" heading="inf"/>)", false, "===> parkpos P dropped"},
  };
  for (const auto& c : cases) {
    LogCapture log;
    pugi::xml_document document;
    ASSERT_TRUE(document.load_string(c.element));
    StandList stands;
    EXPECT_EQ(gf_readParkpos(document.first_child(), "P", 1, stands), c.added) << c.element;
    EXPECT_EQ(stands.size(), c.added ? 1u : 0u);
    const auto lines = log.lines();
    if (*c.warning)
      EXPECT_TRUE(!lines.empty() && lines[0].starts_with(c.warning)) << c.element;
    else
      EXPECT_TRUE(lines.empty()) << c.element;
  }
}

TEST(AirportFile, ReadingOptionsOfAStand) {
  ReferenceData reference;
  LogCapture log;
  pugi::xml_document document;
  ASSERT_TRUE(document.load_string(R"(<parkpos latitude="52.3" longitude="4.7" radius="20" heading="180"
      cargo="yes" ramp="0" heli="False">
    <opt reg="G-EZAA" airl="EZY" type="A319" day="2" hh="3,4" cs="EZY1"/>
    <note/>
    <opt reg="G-EZAB" airl="EZY" type="A319" soft="Y" day="8" hh="3"/>
    <opt reg="G-EZAC" airl="EZY" type="A319" soft="no" day="7" hh="47,x"/>
    <opt reg="G-EZAD" day="0"/>
  </parkpos>)"));
  StandList stands;
  ASSERT_TRUE(gf_readParkpos(document.first_child(), "B7", 0, stands));
  const auto& s = stands[0];
  EXPECT_EQ(s.name, "B7");
  EXPECT_DOUBLE_EQ(s.heading, 180.0 * degToRad);
  EXPECT_TRUE(s.cargo);
  EXPECT_FALSE(s.ramp || s.heli);
  const std::vector<StandOptionData> expected{
      {"EZY", "A319", "G-EZAA", "EZY1", "", bit(3) | bit(4), 1, 2, 0, true},
      {"EZY", "A319", "G-EZAC", "", "", bit(47), 2, 7, 0, true},
  };
  EXPECT_EQ(s.options, expected);
  EXPECT_EQ(s.options.capacity(), 2u);
  EXPECT_TRUE(log.contains("===> parkpos B7: option of G-EZAB dropped: day '8' is not 1..7"));
  EXPECT_TRUE(log.contains("===> parkpos B7: option of G-EZAD dropped: day '0' is not 1..7"));
  EXPECT_TRUE(log.contains("===> gf_hours2bitset invalid hour 'x' in 47,x"));
}

TEST(AirportFile, FlagTexts) {
  for (const auto* text : {"1", "true", "True", "yes", "Y", "tomato"}) EXPECT_TRUE(gf_flagText(text)) << text;
  for (const auto* text : {"", "0", "false", "no", " true", "on"}) EXPECT_FALSE(gf_flagText(text)) << text;
  EXPECT_FALSE(gf_flagText(nullptr));
}

TEST(AirportFile, QualityTexts) {
  EXPECT_EQ(gf_formatQualityFactors({-1, -1}), "  ");
  EXPECT_EQ(gf_formatQualityFactors({30, 55}), "30/55");
  EXPECT_EQ(gf_formatQualityFactors({80, 55}), "80");
  EXPECT_EQ(gf_formatQualityFactors({5, 7}), " 5/ 7");
  EXPECT_EQ(gf_formatQualityFactors({63, 0}), "63");
  EXPECT_EQ(gf_formatQualityFactors({-1, 12}), "-1/12");
}
