#include "airport_world.h"

#include "airports/airport_files.h"
#include "airports/park_airport.h"
#include "core/errors.h"
#include "core/geodesy.h"
#include "core/settings/parameters.h"
#include "core/settings_fixture.h"
#include "core/shell/main_window.h"
#include "feeds/traffic_reader.h"

#include <gtest/gtest.h>
#include <random>

using namespace airports_testing;
using settings_testing::RecordingPort;
using testing_support::LogCapture;
using testing_support::writeFile;
namespace fs = std::filesystem;

namespace {

// Reads the airport's stand file as live traffic does: locate, then read.
std::string readPark(const std::string& code) {
  setParkAirport(code);
  standList.clear();
  parkAirportFileInfo = {};
  return gf_readApf(gf_findAirportFile(code), parkAirportFileInfo, qualityFactors, standList);
}

void localFile(const std::string& code, const std::string& text) {
  writeFile(myThirdpartyFolder / (code + ".xml"), text);
}

StandData standAt(double northMetres, double radiusMetres) {
  return StandData("S", {}, northMetres / 1852.0 / 60.0, 10.0, 0.0, radiusMetres, false, false, false);
}

// The adjacent lists as every pair would give them.
std::vector<std::vector<std::int32_t>> bruteForce(const StandList& stands) {
  std::vector<std::vector<std::int32_t>> lists(stands.size());
  for (std::size_t q = 0; q < stands.size(); ++q)
    for (std::size_t r = 0; r < stands.size(); ++r)
      if (q != r && stands[q].radius + stands[r].radius >
                        1.1 * gf_distanceNm({stands[q].lat, stands[q].lon}, {stands[r].lat, stands[r].lon}))
        lists[q].push_back(static_cast<std::int32_t>(r + 1));
  return lists;
}

} // namespace

TEST(ParkAirport, LosAngelesFromTheStandInArchive) {
  AirportWorld world;
  AirportSettingsGuard settings;
  RecordingPort port;
  LogCapture log;
  world.putRealStockFile("KLAX");
  parking_percentage.set(80);
  PARK_FAKE.set(false);
  ASSERT_EQ(readPark("KLAX"), "");
  EXPECT_EQ(world.stockRequests("KLAX"), 1);
  EXPECT_TRUE(fs::exists(airportsFolder / "park_airport.xml"));
  ASSERT_EQ(standList.size(), 148u);
  for (std::size_t k = 0; k < standList.size(); ++k) EXPECT_EQ(standList[k].number, static_cast<std::int32_t>(k + 1));
  EXPECT_EQ(standList[0].name, "H3");
  EXPECT_NEAR(standList[0].lat, 33.941583, 1e-6);
  EXPECT_NEAR(standList[0].heading, 288.0 * degToRad, 1e-9);
  EXPECT_DOUBLE_EQ(standList[0].radius, 42.0 / 1852);
  EXPECT_EQ(parkAirportFileInfo.airport_name, "Los Angeles Intl");
  EXPECT_EQ(parkAirportFileInfo.publisher, "stock");
  EXPECT_EQ(parkAirportFileInfo.altitude, 125);
  EXPECT_EQ(currentParkAirport.alt, 125.0);
  EXPECT_EQ(trafficReader.context().parkElevation, 125.0);
  EXPECT_EQ(qualityFactors, (QualityFactors{-1, -1}));
  EXPECT_EQ(rtTrafficWeek, 0);
  EXPECT_EQ(parkLearnedFile.path, learnedStockFolder / "KLAX.xml");
  EXPECT_EQ(parkLearnedFile.state, LearnedFileState::None);
  // No learned file: 30 % whatever it was, and the box off.
  EXPECT_EQ(parking_percentage.get(), 30);
  EXPECT_TRUE(port.saw(fmt::format("enable {} 0", parking_percentage.controlId)));
  EXPECT_TRUE(port.saw(fmt::format("text {} 30", parking_percentage.controlId)));
  EXPECT_TRUE(port.saw(fmt::format("enable {} 1", FLUSH_STATIC_BUTTON.controlId)));
  EXPECT_TRUE(parkAirportLoaded.load());
  const auto shown = mainWindow.snapshot();
  EXPECT_EQ(shown.standCount, 148u);
  EXPECT_EQ(shown.parkAirportPublisher, "stock");
  EXPECT_EQ(shown.parkAirportQuality, "  ");
  EXPECT_FALSE(shown.parkAirportHandmade);
  for (const auto* line : {"          parking_percentage      : 30%",
                           "Airport file read from 'archive/stock/KLAX.xml' for Los Angeles Intl",
                           "          publisher               : stock", "          altitude                : 125 ft",
                           "          num_parkpos             : 148",
                           "          quality factor          :   ", "          RT traffic week         : 0"})
    EXPECT_TRUE(log.contains(line)) << line;
  // The cargo stands car4 (five of one name) are told apart, and real neighbours found.
  EXPECT_EQ(std::count_if(standList.begin(), standList.end(), [](const StandData& s) { return s.cargo; }), 30);
  EXPECT_GT(std::count_if(standList.begin(), standList.end(), [](const StandData& s) { return !s.adjacent.empty(); }),
            0);
}

TEST(ParkAirport, EarlyResultsAndRefusedFiles) {
  AirportWorld world;
  setParkAirport("EHAM");
  EXPECT_EQ(gf_readApf("", parkAirportFileInfo, qualityFactors, standList), "gf_readApf: xml is empty");
  setParkAirport("");
  EXPECT_EQ(gf_readApf("archive/stock/EHAM.xml", parkAirportFileInfo, qualityFactors, standList),
            "gf_readApf: no park airport set");
  EXPECT_EQ(readPark("EHAM"), "gf_readApf: xml is empty"); // no file anywhere
  setParkAirport("EHAM");
  EXPECT_EQ(gf_readApf("archive/stock/EHAM.xml", parkAirportFileInfo, qualityFactors, standList),
            "failed to download: '" + world.server.url("/P3D/archive/stock/EHAM.xml") + "'");

  localFile("EHAM", "<broken");
  const auto name = gf_pathText(myThirdpartyFolder / "EHAM.xml");
  EXPECT_EQ(readPark("EHAM"), name + ": could not load file: " + name);
  for (const auto* meta : {R"(<meta><info name="author" value="x"/><info name="version" value="1"/></meta>)",
                           R"(<meta><info name="date" value="x"/><info name="version" value="1"/></meta>)", ""}) {
    localFile("EHAM", standFile({{"altitude", "-11"}}, R"(<parkpos id="A1" latitude="52.3" longitude="4.7"/>)", meta));
    EXPECT_EQ(readPark("EHAM"), name + ": refused to load (copyright)") << meta;
    EXPECT_TRUE(standList.empty());
  }
  EXPECT_FALSE(parkAirportLoaded.load());

  localFile("EHAM", standFile({{"publisher", "x"}}, R"(<parkpos id="A1" latitude="52.3" longitude="4.7"/>)"));
  try {
    readPark("EHAM");
    ADD_FAILURE() << "no altitude";
  } catch (const hvm::UserErrorException& e) {
    EXPECT_STREQ(e.what(), "65: Parameter altitude not found");
  }
  localFile("EHAM", standFile({{"altitude", "-11"}}, R"(<parkpos id="A1" latitude="52.3" longitude="4.7"/>
<parkpos id="A2" latitude="52.3" longitude="4.71"/>
<parkpos id="A1" latitude="52.3" longitude="4.72"/>)"));
  try {
    readPark("EHAM");
    ADD_FAILURE() << "repeated id";
  } catch (const hvm::UserErrorException& e) {
    EXPECT_STREQ(e.what(), "94: Parking position A1 appears more than once?");
  }
  EXPECT_EQ(standList.size(), 2u);
  EXPECT_EQ(standList[0].number, 0); // not numbered
  EXPECT_FALSE(parkAirportLoaded.load());
}

TEST(ParkAirport, AFailedReadLeavesNoLearnedFileToSaveInto) {
  AirportWorld world;
  AirportSettingsGuard settings;
  localFile("EHAM", standFile({{"altitude", "-11"}, {"publisher", "P"}},
                              R"(<parkpos id="A1" latitude="52.3" longitude="4.7"/>)"));
  ASSERT_EQ(readPark("EHAM"), "");
  EXPECT_EQ(parkLearnedFile.path, learnedThirdpartyFolder / "P" / "EHAM.xml");
  // The next park airport's file breaks: Schiphol's learned file is no place for its stands.
  for (const auto* broken : {"<broken", R"(<?xml version="1.0"?><parkpositions/>)"}) {
    localFile("EDDF", broken);
    EXPECT_NE(readPark("EDDF"), "");
    EXPECT_TRUE(parkLearnedFile.path.empty());
  }
  localFile("EDDF", standFile({{"publisher", "P"}}, R"(<parkpos id="B1" latitude="50.0" longitude="8.5"/>)"));
  EXPECT_THROW(readPark("EDDF"), hvm::UserErrorException);
  EXPECT_TRUE(parkLearnedFile.path.empty());
  standUpdateCount = 1;
  gf_saveLearnedAirport();
  EXPECT_FALSE(fs::exists(learnedThirdpartyFolder / "P" / "EHAM.xml"));
  EXPECT_NE(gf_statusLineSnapshot().message.find("did not succeed"), std::string::npos);
}

TEST(ParkAirport, HeaderValuesAndStandsOfTheFirstList) {
  AirportWorld world;
  AirportSettingsGuard settings;
  PARK_FAKE.set(false);
  localFile("EHAM",
            standFile({{"altitude", "-11"},
                       {"publisher", "FlyTampa"},
                       {"airport_name", "Schiphol"},
                       {"RT_traffic_week", "31"},
                       {"Qf_real", "30"},
                       {"Qf_soft", "55"}},
                      R"(<parkpos id="A1" latitude="52.3" longitude="4.7"><opt reg="X" day="1" hh="1"/></parkpos>
<parkpos id="A2" latitude="52.3" longitude="4.71"/>)") +
                R"(<parkpositions><parkpos id="B1" latitude="52.3" longitude="4.7"/></parkpositions>)");
  EXPECT_EQ(readPark("EHAM"), "");
  ASSERT_EQ(standList.size(), 2u);
  EXPECT_EQ(standList[0].options[0].base, 1);
  EXPECT_EQ(rtTrafficWeek, 31);
  EXPECT_EQ(qualityFactors, (QualityFactors{30, 55}));
  EXPECT_EQ(mainWindow.snapshot().parkAirportQuality, "30/55");
  EXPECT_EQ(mainWindow.snapshot().rtTrafficWeek, 31);
  EXPECT_EQ(parkLearnedFile.path, learnedThirdpartyFolder / "FlyTampa" / "EHAM.xml");

  // No stand at all: the airport still counts as loaded.
  localFile("EHAM", standFile({{"altitude", "-11"}}, ""));
  EXPECT_EQ(readPark("EHAM"), "no stands found");
  EXPECT_TRUE(parkAirportLoaded.load());
  EXPECT_EQ(mainWindow.snapshot().standCount, 0u);
}

TEST(ParkAirport, LinkFilesToTheArchiveAndInPlace) {
  AirportWorld world;
  world.putInArchive("thirdparty/Fly Tampa", "EHAM",
                     standFile({{"altitude", "-11"}, {"publisher", "Fly Tampa"}},
                               R"(<parkpos id="A1" latitude="52.3" longitude="4.7"/>)"));
  writeFile(myThirdpartyFolder / "EHAM.txt", "archive/thirdparty/Fly%20Tampa/EHAM.xml\n");
  EXPECT_EQ(readPark("EHAM"), "");
  EXPECT_EQ(standList.size(), 1u);
  EXPECT_TRUE(fs::exists(airportsFolder / "park_airport.xml"));
  EXPECT_EQ(parkLearnedFile.path, learnedThirdpartyFolder / "Fly Tampa" / "EHAM.xml");

  fs::create_directories(airportsFolder / "my_thirdparty2024");
  writeFile(
      airportsFolder / "my_thirdparty2024" / "EHAM.xml",
      standFile(
          {{"altitude", "-11"}, {"publisher", "P"}},
          R"(<parkpos id="A1" latitude="52.3" longitude="4.7"/><parkpos id="A2" latitude="52.3" longitude="4.8"/>)"));
  writeFile(myThirdpartyFolder / "EHAM.txt", "airports\\my_thirdparty2024\\EHAM.xml  \n");
  fs::remove(airportsFolder / "park_airport.xml");
  EXPECT_EQ(readPark("EHAM"), "");
  EXPECT_EQ(standList.size(), 2u);
  EXPECT_FALSE(fs::exists(airportsFolder / "park_airport.xml"));
  EXPECT_EQ(parkLearnedFile.path, learnedThirdpartyFolder / "P" / "EHAM.xml");
}

TEST(ParkAirport, DefaultOccupantsOnAFirstVisit) {
  AirportWorld world;
  AirportSettingsGuard settings;
  ReferenceData reference;
  RANDOM.set(false);
  PARK_FAKE.set(true);
  localFile("EHAM",
            standFile({{"altitude", "-11"}}, R"(<parkpos id="A1" latitude="52.3" longitude="4.7" radius="24"/>)"));
  EXPECT_EQ(readPark("EHAM"), "");
  ASSERT_EQ(standList[0].options.size(), 1u);
  EXPECT_EQ(standList[0].options[0].callsign, "FAKE1");
  EXPECT_EQ(standList[0].options[0].type, "A320");
}

TEST(ParkAirport, AdjacencyAtItsBoundary) {
  // Two stands of 20 m: 40 m against 1.1 x their distance; the limit is 36.4 m.
  for (const auto& [distance, adjacent] : {std::pair{36.0, true}, std::pair{37.0, false}}) {
    StandList stands{standAt(0.0, 20.0), standAt(distance, 20.0), standAt(500.0, 20.0)};
    gf_numberAndLinkStands(stands);
    EXPECT_EQ(stands[0].adjacent, adjacent ? std::vector<std::int32_t>{2} : std::vector<std::int32_t>{}) << distance;
    EXPECT_EQ(stands[1].adjacent, adjacent ? std::vector<std::int32_t>{1} : std::vector<std::int32_t>{}) << distance;
    EXPECT_TRUE(stands[2].adjacent.empty());
    EXPECT_EQ(stands[2].number, 3);
  }
}

TEST(ParkAirport, AdjacencyAsEveryPairGivesIt) {
  std::mt19937 engine(42);
  std::uniform_real_distribution<double> offset(-0.01, 0.01);
  std::uniform_real_distribution<double> radius(5.0, 45.0);
  // An airport at 60 degrees north, and one on the date line.
  for (const double lon : {10.0, 179.995}) {
    StandList stands;
    for (int k = 0; k < 400; ++k) {
      auto l = lon + offset(engine) * 2;
      if (l > 180.0) l -= 360.0;
      stands.emplace_back(fmt::format("S{}", k), std::vector<StandOptionData>{}, 60.0 + offset(engine), l, 0.0,
                          radius(engine), false, false, false);
    }
    const auto expected = bruteForce(stands);
    gf_numberAndLinkStands(stands);
    std::size_t links = 0;
    for (std::size_t k = 0; k < stands.size(); ++k) {
      EXPECT_EQ(stands[k].adjacent, expected[k]) << k;
      links += expected[k].size();
    }
    EXPECT_GT(links, 50u) << lon;
  }
}

// Stands far smaller than a millimetre, a huge one among small ones, an airport at the pole
// or one stand far from the rest: each as every pair gives it.
TEST(ParkAirport, AdjacencyOfOddSizesAndPlaces) {
  const auto at = [](double lat, double lon, double radiusMetres) {
    return StandData("S", {}, lat, lon, 0.0, radiusMetres, false, false, false);
  };
  const std::vector<StandList> files{
      {at(33.94, -118.40, 1e-300), at(33.94, -118.40, 1e-300), at(33.9401, -118.40, 1e-300), at(-33.94, 0.0, 1e-300)},
      {at(33.94, -118.40, 1000.0), at(33.945, -118.40, 20.0), at(33.9401, -118.4001, 20.0), at(33.96, -118.40, 20.0),
       at(33.94, -118.40, 0.0)},
      {at(89.9999, 10.0, 20.0), at(89.9999, -170.0, 20.0), at(90.0, 0.0, 20.0), at(-90.0, 0.0, 20.0),
       at(-89.9999, 45.0, 20.0)},
      {at(33.94, -118.40, 20.0), at(33.94, -118.4003, 20.0), at(89.9, 179.9, 0.5), at(-45.0, -179.9999, 30.0),
       at(-45.0, 179.9999, 30.0)},
  };
  for (auto stands : files) {
    const auto expected = bruteForce(stands);
    gf_numberAndLinkStands(stands);
    for (std::size_t k = 0; k < stands.size(); ++k) EXPECT_EQ(stands[k].adjacent, expected[k]) << k;
  }
}

TEST(ParkAirport, StackedStandsKeepABoundedList) {
  LogCapture log;
  StandList stands(300, standAt(0.0, 20.0));
  gf_numberAndLinkStands(stands);
  for (const auto& stand : stands) EXPECT_LE(stand.adjacent.size(), maxAdjacentStands);
  EXPECT_EQ(stands[0].adjacent.size(), maxAdjacentStands);
  // Still symmetric.
  for (const auto& stand : stands)
    for (const auto other : stand.adjacent) {
      const auto& back = stands[static_cast<std::size_t>(other - 1)].adjacent;
      EXPECT_TRUE(std::find(back.begin(), back.end(), stand.number) != back.end());
    }
  EXPECT_TRUE(log.contains("others or more: the stand file is broken"));
}
