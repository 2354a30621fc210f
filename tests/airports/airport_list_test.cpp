#include "airport_world.h"

#include "airports/airport_list.h"
#include "airports/closest_airport.h"
#include "core/errors.h"

#include <gtest/gtest.h>

using namespace airports_testing;
using testing_support::LogCapture;
using testing_support::writeFile;

namespace {

// The error a file gives, empty when it reads.
std::string readError(const std::string* text) {
  gf_forgetAirports();
  if (text) writeFile(inputFolder / "airports_p3d.xml", *text);
  try {
    gf_readAirports("airports_p3d.xml");
  } catch (const hvm::UserErrorException& e) {
    return e.what();
  }
  return {};
}

struct ForgetAirports {
  ~ForgetAirports() { gf_forgetAirports(); }
};

} // namespace

TEST(AirportList, FilesThatCannotBeUsed) {
  AirportWorld world;
  ForgetAirports forget;
  const auto path = gf_pathText(inputFolder / "airports_p3d.xml");
  EXPECT_EQ(readError(nullptr), "88: " + path + " not loaded: File was not found");
  const std::string broken = "<airports><airport code=\"EHAM\"";
  EXPECT_TRUE(readError(&broken).starts_with("88: " + path + " not loaded: ")) << readError(&broken);
  const std::string noRoot = "<airport code=\"EHAM\" lat=\"52.3\" lon=\"4.76\" alt=\"-11\"/>";
  EXPECT_EQ(readError(&noRoot), "88: Missing <airports> root in: " + path);
  // An airports file without a single usable airport would leave the program searching
  // for a park airport forever.
  const std::string empty = "<airports><airport code=\"EHAM\" lat=\"52.3\" lon=\"4.76\"/></airports>";
  EXPECT_EQ(readError(&empty), "88: No usable airport in '" + path + "'");
  EXPECT_TRUE(airportList.empty());
  EXPECT_EQ(gf_findAirport("EHAM"), nullptr);
}

TEST(AirportList, ReadOnceSortedWithBadAirportsSkipped) {
  AirportWorld world;
  ForgetAirports forget;
  LogCapture log;
  const std::string text = R"(<?xml version="1.0"?>
<airports>
  <airport code="KLAX" iata="LAX" lat="33.943399" lon="-118.408279" alt="125"/>
  <airport code="EHAM" iata="AMS" lat=" 52.309069" lon="4.763385E" alt="-11 ft"/>
  <airport code="EDDF" lat="50.03" lon="8.57"/>
  <airport code="LFPG" lat="49.0" lon="2.5" alt="high"/>
  <airport code="LFPO" lat="1e999" lon="2.3" alt="291"/>
  <airport code="LFPB" lat="nan" lon="2.4" alt="218"/>
  <airport code="LEMD" lat="91" lon="-3.5" alt="1998"/>
  <airport lat="10" lon="20" alt="30"/>
  <note code="XXXX" lat="1" lon="2" alt="3"/>
</airports>
<airports><airport code="ZZZZ" lat="1" lon="2" alt="3"/></airports>)";
  writeFile(inputFolder / "airports_p3d.xml", text);
  EXPECT_TRUE(gf_readAirports("airports_p3d.xml"));
  ASSERT_EQ(airportList.size(), 3u);
  EXPECT_EQ(airportList[0].code, "");
  EXPECT_EQ(airportList[1].code, "EHAM");
  EXPECT_DOUBLE_EQ(airportList[1].lat, 52.309069);
  EXPECT_DOUBLE_EQ(airportList[1].lon, 4.763385);
  EXPECT_DOUBLE_EQ(airportList[1].alt, -11);
  EXPECT_EQ(airportList[2].code, "KLAX");
  EXPECT_EQ(gf_formatAirportCode(airportList[0]), "?");
  EXPECT_EQ(gf_formatAirportCode(airportList[1]), "EHAM (AMS)");
  EXPECT_EQ(gf_formatAirportCode({"EHAM", "", 0, 0, 0}), "EHAM");
  EXPECT_EQ(gf_findAirport("KLAX"), &airportList[2]);
  EXPECT_EQ(gf_findAirport("KLA"), nullptr);
  EXPECT_EQ(gf_airportPosition("EHAM"), (GeoPosition{52.309069, 4.763385}));
  for (const auto* line :
       {"Missing lat/lon/alt for airport 'EDDF'", "Error parsing coordinates for airport 'LFPG': invalid stod argument",
        "Error parsing coordinates for airport 'LFPO': stod argument out of range",
        "Error parsing coordinates for airport 'LFPB': coordinates out of range",
        "Error parsing coordinates for airport 'LEMD': coordinates out of range"})
    EXPECT_TRUE(log.contains(line)) << line;
  EXPECT_TRUE(log.contains("3 airports read from '" + gf_pathText(inputFolder / "airports_p3d.xml") + "'"));

  // Read once per process: the file is not looked at again.
  std::filesystem::remove(inputFolder / "airports_p3d.xml");
  EXPECT_TRUE(gf_readAirports("airports_p3d.xml"));
  EXPECT_EQ(airportList.size(), 3u);
}

TEST(AirportList, TheShippedFile) {
  AirportWorld world;
  ForgetAirports forget;
  std::filesystem::copy_file(std::filesystem::path(HVM_SOURCE_DIR) / "input" / "airports_p3d.xml",
                             inputFolder / "airports_p3d.xml");
  ASSERT_TRUE(gf_readAirports("airports_p3d.xml"));
  EXPECT_GT(airportList.size(), 17000u);
  EXPECT_TRUE(std::is_sorted(airportList.begin(), airportList.end(),
                             [](const AirportData& a, const AirportData& b) { return a.code < b.code; }));
  const auto* klax = gf_findAirport("KLAX");
  ASSERT_NE(klax, nullptr);
  EXPECT_EQ(klax->iata, "LAX");
  EXPECT_DOUBLE_EQ(klax->lat, 33.943399);
  EXPECT_DOUBLE_EQ(klax->lon, -118.408279);
  EXPECT_DOUBLE_EQ(klax->alt, 125);
  EXPECT_EQ(gf_formatAirportCode(*gf_findAirport("EHAM")), "EHAM (AMS)");

  // Over the whole list: standing at a gate of an airport finds that airport.
  EXPECT_EQ(gf_findClosestAirport({33.941583, -118.409183})->code, "KLAX"); // gate H3
  EXPECT_EQ(gf_findClosestAirport({52.3081, 4.7642})->code, "EHAM");
  EXPECT_FALSE(gf_findClosestAirport({40.0, -40.0})); // the middle of the Atlantic
}
