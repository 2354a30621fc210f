#include "airport_world.h"

#include "airports/airport_files.h"
#include "airports/park_airport.h"
#include "core/settings/parameters.h"

#include <gtest/gtest.h>
#include <pugixml.hpp>

using namespace airports_testing;
using testing_support::LogCapture;
using testing_support::readFile;
using testing_support::writeFile;
namespace fs = std::filesystem;

namespace {

// The message line without its leading time of day ("12:34:56").
std::string messageAfterTime() {
  const auto message = gf_statusLineSnapshot().message;
  EXPECT_GE(message.size(), 8u);
  EXPECT_EQ(message.size() >= 8 ? message[2] : ' ', ':');
  return message.size() >= 8 ? message.substr(8) : message;
}

std::string text(std::initializer_list<const char*> parts) {
  fs::path path;
  for (const auto* part : parts) path /= part;
  return gf_pathText(path);
}

// What a learned file says: each parkpos id with its attributes and options.
std::vector<std::string> parkposTexts(const fs::path& file) {
  pugi::xml_document document;
  EXPECT_TRUE(document.load_file(file.c_str())) << gf_pathText(file);
  std::vector<std::string> result;
  for (const auto parkpos : document.child("parkpositions").children("parkpos")) {
    std::string line = parkpos.attribute("id").value();
    for (const auto opt : parkpos.children("opt"))
      line += fmt::format(" {}/{}/{}", opt.attribute("reg").value(), opt.attribute("day").value(),
                          opt.attribute("hh").value());
    result.push_back(line);
  }
  return result;
}

// The park airport as a read would leave it: three stands, A1 with a park file option.
void loadedPark(const std::string& publisher, const fs::path& learned) {
  setParkAirport("EHAM");
  parkAirportFileInfo = {"Schiphol", publisher, -11};
  standList = {StandData("A1", {makeOption("G-EZAA", 1, 3, bit(14))}, 52.3, 4.76, 0, 20, false, false, false),
               StandData("A2", {}, 52.3, 4.77, 0, 20, false, false, false),
               StandData("A3", {}, 52.3, 4.78, 0, 20, false, false, false)};
  standList[0].options[0].base = 1;
  parkLearnedFile = {learned, LearnedFileState::None, {}};
  parkAirportLoaded.store(true);
}

} // namespace

TEST(LearnedSaving, WhatIsSavedAndTheMessage) {
  AirportWorld world;
  AirportSettingsGuard settings;
  ReferenceData reference;
  loadedPark("stock", learnedStockFolder / "EHAM.xml");
  const auto aircraft = makeAircraft("EZY", "A319");
  ASSERT_TRUE(gf_createStandOption(standList[0], aircraft, true, {3, 20}, "EZY1", "G-EZAA"));
  ASSERT_TRUE(gf_createStandOption(standList[0], aircraft, false, {4, 21}, "EZY1", "G-EZAA"));
  standList[1].radius_change = true;
  standUpdateCount = 3;
  EXPECT_TRUE(gf_saveLearnedAirport());
  EXPECT_EQ(messageAfterTime(), " '" + text({"airports", "learned", "stock", "EHAM.xml"}) + "' saved with 3 updates ");
  EXPECT_EQ(parkposTexts(learnedStockFolder / "EHAM.xml"),
            (std::vector<std::string>{"A1 G-EZAA/3/20 G-EZAA/4/21", "A2"}));
  // The park file's own option is not written, and stays in the stand list.
  EXPECT_EQ(standList[0].options.size(), 3u);
  EXPECT_EQ(standUpdateCount, 0);

  standUpdateCount = 1;
  gf_saveLearnedAirport();
  EXPECT_EQ(messageAfterTime(), " '" + text({"airports", "learned", "stock", "EHAM.xml"}) + "' saved with 1 update ");

  learnedParamChanged.store(true);
  gf_saveLearnedAirport();
  EXPECT_EQ(messageAfterTime(), " '" + text({"airports", "learned", "stock", "EHAM.xml"}) +
                                    "' saved with 0 updates and one or more parameter changes");
  EXPECT_FALSE(learnedParamChanged.load());
  pugi::xml_document document;
  ASSERT_TRUE(document.load_file((learnedStockFolder / "EHAM.xml").c_str()));
  EXPECT_STREQ(document.select_node("/meta/info[@name='P3D']").node().attribute("value").value(), "v5/v6");
}

TEST(LearnedSaving, FolderOfAPublisherMadeWhenMissing) {
  AirportWorld world;
  const auto path = gf_learnedFilePath("airports\\my_thirdparty\\EHAM.xml", "Fly Tampa");
  loadedPark("Fly Tampa", path);
  standList[2].manual = true;
  gf_saveLearnedAirport();
  EXPECT_TRUE(fs::exists(learnedThirdpartyFolder / "Fly Tampa" / "EHAM.xml"));
  EXPECT_EQ(parkposTexts(path), std::vector<std::string>{"A3"});

  // A folder that cannot be made: the message says so.
  writeFile(learnedThirdpartyFolder / "Blocked", "a file in the way");
  loadedPark("Blocked", learnedThirdpartyFolder / "Blocked" / "EHAM.xml");
  standUpdateCount = 2;
  learnedParamChanged.store(true);
  EXPECT_FALSE(gf_saveLearnedAirport());
  EXPECT_EQ(messageAfterTime(),
            " saving '" + gf_pathText(learnedThirdpartyFolder / "Blocked" / "EHAM.xml") + "' did not succeed");
  // What was not saved stays counted for the next save.
  EXPECT_EQ(standUpdateCount, 2);
  EXPECT_TRUE(learnedParamChanged.load());
  fs::remove(learnedThirdpartyFolder / "Blocked");
  EXPECT_TRUE(gf_saveLearnedAirport());
  EXPECT_EQ(standUpdateCount, 0);
  EXPECT_FALSE(learnedParamChanged.load());
  EXPECT_TRUE(fs::exists(learnedThirdpartyFolder / "Blocked" / "EHAM.xml"));
}

TEST(LearnedSaving, HandmadeFileWithEveryStandAndOption) {
  AirportWorld world;
  AirportSettingsGuard settings;
  loadedPark("stock", learnedStockFolder / "EHAM.xml");
  parkFileHandmade = true;
  // A default occupant is made anew at every visit and never kept.
  standList[1].options.push_back({"PVT", "C172", "REGFAKE1", "FAKE1", "", bit(3), 1, 2, 1, false});
  gf_saveLearnedAirport();
  EXPECT_EQ(messageAfterTime(),
            " handmade '" + text({"airports", "learned", "stock", "EHAM.xml"}) + "' saved with 0 updates ");
  EXPECT_EQ(parkposTexts(learnedStockFolder / "EHAM.xml"), (std::vector<std::string>{"A1 G-EZAA/3/14", "A2", "A3"}));
  const auto file = readFile(learnedStockFolder / "EHAM.xml");
  EXPECT_NE(file.find(R"(<parameter name="handmade" value="true" />)"), std::string::npos);
  EXPECT_NE(file.find(R"(<parameter name="Qf_real" value="21" />)"), std::string::npos) << file;
  EXPECT_NE(file.find(R"(<parkpos id="A2" latitude="52.300000")"), std::string::npos);
}

TEST(LearnedSaving, UnreadLearnedFileIsNeverReplaced) {
  AirportWorld world;
  ReferenceData reference;
  fs::create_directories(learnedStockFolder);
  writeFile(learnedStockFolder / "EHAM.xml", "<weeks of learning, not readable today");
  loadedPark("stock", learnedStockFolder / "EHAM.xml");
  parkLearnedFile.state = LearnedFileState::NotMerged;
  ASSERT_TRUE(gf_createStandOption(standList[2], makeAircraft("EZY", "A319"), true, {1, 1}, "EZY1", "G-EZAA"));
  standUpdateCount = 1;
  gf_saveLearnedAirport();
  EXPECT_EQ(readFile(learnedStockFolder / "EHAM.xml"), "<weeks of learning, not readable today");
  std::vector<fs::path> beside;
  for (const auto& entry : fs::directory_iterator(learnedStockFolder))
    if (entry.path().filename() != "EHAM.xml") beside.push_back(entry.path());
  ASSERT_EQ(beside.size(), 1u);
  const auto name = gf_pathText(beside[0].filename());
  EXPECT_TRUE(name.starts_with("EHAM.") && name.ends_with(".xml") && name.size() == 24) << name;
  EXPECT_EQ(parkposTexts(beside[0]), std::vector<std::string>{"A3 G-EZAA/1/1"});
  EXPECT_EQ(messageAfterTime(), " '" + text({"airports", "learned", "stock", "EHAM.xml"}) +
                                    "' could not be read whole, what was learned is saved in '" +
                                    gf_pathText(beside[0]) + "'");
}

// Live traffic's round at Los Angeles: the stock file from the archive, options learned,
// the learned file saved, the program started again and the file merged again.
TEST(LearnedSaving, LosAngelesLearnedOverTwoVisits) {
  AirportWorld world;
  AirportSettingsGuard settings;
  ReferenceData reference;
  setDefaultAirportSettings();
  world.putRealStockFile("KLAX");
  const auto visit = [&] {
    resetParkState();
    setParkAirport("KLAX");
    const auto name = gf_findAirportFile("KLAX");
    return gf_readApf(name, parkAirportFileInfo, qualityFactors, standList);
  };
  ASSERT_EQ(visit(), "");
  ASSERT_EQ(standList.size(), 148u);
  const auto ual = makeAircraft("UAL", "B738");
  ASSERT_EQ(gf_createStandOption(standList[0], ual, true, {2, 30}, "UAL12", "N12345"), 1);
  gf_markStandOccupancy(standList[0], {2, 32}, "UAL13", 3, 1, 1);
  ASSERT_EQ(gf_createStandOption(standList[5], ual, false, {7, 47}, "UAL99", "N77777"), 1);
  ASSERT_EQ(gf_createStandOption(standList[6], ual, true, {7, 47}, "UAL98", "N77778"), 1);
  ASSERT_TRUE(gf_createStandOption(standList[6], ual, true, {1, 0}, "UAL98", "N77778"));
  standList[10].cargo = true;
  standList[10].cargo_change = true;
  MAX_FIT.set(20);
  standUpdateCount = 4;
  learnedParamChanged.store(true);
  const auto before = standList;
  gf_saveLearnedAirport();
  const auto learned = learnedStockFolder / "KLAX.xml";
  ASSERT_TRUE(fs::exists(learned));

  // A restart: nothing in memory, the archive asked again.
  gf_forgetArchiveFetches();
  MAX_FIT.set(47);
  ASSERT_EQ(visit(), "");
  EXPECT_EQ(parkLearnedFile.state, LearnedFileState::Merged);
  EXPECT_EQ(MAX_FIT.get(), 20);
  ASSERT_EQ(standList.size(), before.size());
  for (std::size_t k = 0; k < standList.size(); ++k) {
    EXPECT_EQ(standList[k].name, before[k].name);
    EXPECT_EQ(standList[k].cargo, before[k].cargo) << k;
    ASSERT_EQ(standList[k].options.size(), before[k].options.size()) << k;
    for (std::size_t o = 0; o < standList[k].options.size(); ++o)
      EXPECT_EQ(standList[k].options[o], before[k].options[o]) << k << " " << o;
  }
  EXPECT_EQ(standList[0].options[0].hours, bit(30) | bit(31) | bit(32));
  EXPECT_EQ(standList[0].options[0].coupledCallsign, "UAL13");
  EXPECT_GE(qualityFactors.Qf_real, 0);

  // A learned stand the park file does not have (any more) stays in the learned file.
  auto text = readFile(learned);
  const auto end = text.find("</parkpositions>");
  text.insert(
      end,
      "\t<parkpos id=\"T9\">\n\t\t<opt reg=\"N1\" airl=\"UAL\" type=\"B738\" day=\"1\" hh=\"1\" />\n\t</parkpos>\n");
  writeFile(learned, text);
  ASSERT_EQ(visit(), "");
  ASSERT_EQ(parkLearnedFile.keptParkpos.size(), 1u);
  ASSERT_EQ(gf_createStandOption(standList[1], ual, true, {3, 3}, "UAL1", "N77779"), 1);
  standUpdateCount = 1;
  gf_saveLearnedAirport();
  const auto saved = parkposTexts(learned);
  EXPECT_NE(std::find(saved.begin(), saved.end(), "T9 N1/1/1"), saved.end());
  EXPECT_NE(std::find(saved.begin(), saved.end(), "G7 N77779/3/3"), saved.end());
  EXPECT_NE(std::find(saved.begin(), saved.end(), "H3 N12345/2/30,31,32"), saved.end());
  pugi::xml_document document;
  ASSERT_TRUE(document.load_file(learned.c_str()));
  EXPECT_EQ(document.child("parkpositions").select_nodes("parkpos").size(),
            static_cast<std::size_t>(
                document.select_node("/parameters/parameter[@name='num_parkpos']").node().attribute("value").as_int()));
}
