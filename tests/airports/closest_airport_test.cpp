#include "airport_world.h"

#include "airports/airport_list.h"
#include "airports/airport_probes.h"
#include "airports/closest_airport.h"

#include <gtest/gtest.h>

using namespace airports_testing;
using testing_support::LogCapture;
using testing_support::writeFile;

namespace {

// A point `nm` nautical miles north of the equator at longitude 10.
GeoPosition north(double nm) { return {nm / 60.0, 10.0}; }

struct AirportListGuard {
  explicit AirportListGuard(AirportList list) { airportList = std::move(list); }
  ~AirportListGuard() { gf_forgetAirports(); }
};

AirportData airportAt(std::string code, double nm) { return {std::move(code), "", nm / 60.0, 10.0, 0.0}; }

// A stand file in airports/my_thirdparty with one stand at the position.
void localStandAt(const std::string& code, const std::string& id, const GeoPosition& at) {
  writeFile(myThirdpartyFolder / (code + ".xml"),
            standFile({{"altitude", "0"}}, fmt::format(R"(<parkpos id="{}" latitude="{:.6f}" longitude="{:.6f}"/>)", id,
                                                       at.latitude, at.longitude)));
}

} // namespace

TEST(ClosestAirport, NearestWithinFiveNauticalMiles) {
  AirportWorld world;
  AirportListGuard list({airportAt("AAAA", 20.0), airportAt("BBBB", 25.0)});
  EXPECT_FALSE(gf_findClosestAirport(north(0.0)));
  // Exactly 5 nm still counts.
  EXPECT_EQ(gf_findClosestAirport(north(15.0))->code, "AAAA");
  EXPECT_EQ(gf_findClosestAirport(north(21.0))->code, "AAAA");
  EXPECT_FALSE(gf_findClosestAirport(north(14.9)));
}

TEST(ClosestAirport, TwoAirportsWithinReachInBothOrders) {
  AirportWorld world;
  LogCapture log;
  // AAAA lies at 3 nm, BBBB at 1 nm: the nearer one comes first or second in the list.
  for (const auto& [near, far] : {std::pair<std::string, std::string>{"BBBB", "AAAA"}, {"AAAA", "BBBB"}}) {
    AirportListGuard list(
        {airportAt("AAAA", near == "AAAA" ? 1.0 : 3.0), airportAt("BBBB", near == "BBBB" ? 1.0 : 3.0)});
    // Neither has a stand file: the nearer one.
    EXPECT_EQ(gf_findClosestAirport(north(0.0))->code, near);
    EXPECT_TRUE(log.contains(fmt::format("Airport {} is closest, neighbour is {}", near, far))) << near;
    // The farther one has a stand nearer than any of the nearer one's.
    localStandAt(near, "N1", north(1.0));
    localStandAt(far, "F1", north(0.5));
    EXPECT_EQ(gf_findClosestAirport(north(0.0))->code, far);
    EXPECT_TRUE(log.contains(fmt::format(
        "Airport {} is closest, but stand F1 at neighbouring airport {} is closer at 926 meters ...", near, far)));
    // A tie goes to the nearer airport.
    localStandAt(far, "F1", north(1.0));
    EXPECT_EQ(gf_findClosestAirport(north(0.0))->code, near);
    std::filesystem::remove(myThirdpartyFolder / (near + ".xml"));
    std::filesystem::remove(myThirdpartyFolder / (far + ".xml"));
  }
}

TEST(ClosestAirport, HawthorneBesideLosAngeles) {
  AirportWorld world;
  world.putRealStockFile("KLAX");
  std::filesystem::copy_file(std::filesystem::path(HVM_SOURCE_DIR) / "input" / "airports_p3d.xml",
                             inputFolder / "airports_p3d.xml");
  AirportListGuard forget({});
  ASSERT_TRUE(gf_readAirports("airports_p3d.xml"));
  // At LAX's gate H3: LAX has the nearest stand; Hawthorne (KHHR, 4 nm away) has no file.
  EXPECT_EQ(gf_findClosestAirport({33.941583, -118.409183})->code, "KLAX");
  EXPECT_EQ(world.stockRequests("KLAX"), 1);
  // On Hawthorne's apron, nearer KHHR than KLAX, which comes later in the list: with a
  // stand file of its own KHHR keeps the user; without one, LAX's stands fill the place.
  const GeoPosition hawthorne{33.9225, -118.3340};
  localStandAt("KHHR", "T1", hawthorne);
  EXPECT_EQ(gf_findClosestAirport(hawthorne)->code, "KHHR");
  std::filesystem::remove(myThirdpartyFolder / "KHHR.xml");
  EXPECT_EQ(gf_findClosestAirport(hawthorne)->code, "KLAX");
  // Each question about LAX's stock file took the one download.
  EXPECT_EQ(world.stockRequests("KLAX"), 1);
}

TEST(AirportProbes, NearestStandOfAFile) {
  AirportWorld world;
  std::string id = "unchanged";
  EXPECT_EQ(gf_readDestApfForClosestStand("KLAX", {33.94, -118.40}, id), 100.0);
  EXPECT_EQ(id, "unchanged");
  EXPECT_EQ(world.stockRequests("KLAX"), 1);

  // A local file is read in place: nothing is downloaded.
  writeFile(myThirdpartyFolder / "EHAM.xml",
            standFile({{"altitude", "-11"}}, R"(<parkpos id="A1" latitude="52.3" longitude="4.76"/>
<parkpos id="A2" latitude="52.3" longitude="4.76"/>
<parkpos latitude="52.31" longitude="4.76"/>
<other id="X" latitude="52.2" longitude="4.75"/>)"));
  EXPECT_NEAR(gf_readDestApfForClosestStand("EHAM", {52.2, 4.76}, id), 6.0, 0.01);
  EXPECT_EQ(id, "A1"); // equal distances: the first
  EXPECT_EQ(world.stockRequests("EHAM"), 0);
  EXPECT_TRUE(std::filesystem::exists(myThirdpartyFolder / "EHAM.xml"));

  // A stock file without stands.
  world.putInArchive("stock", "EDDF", standFile({{"altitude", "364"}}, ""));
  id = "unchanged";
  EXPECT_EQ(gf_readDestApfForClosestStand("EDDF", {50.0, 8.5}, id), 100.0);
  EXPECT_EQ(id, "unchanged");
  world.putInArchive("stock", "EDDM", "<broken");
  EXPECT_EQ(gf_readDestApfForClosestStand("EDDM", {50.0, 8.5}, id), 100.0);
}

TEST(AirportProbes, SuitableForOfflineLearning) {
  AirportWorld world;
  LogCapture log;
  struct Case {
    const char* code;
    std::vector<std::pair<std::string, std::string>> header;
    bool suitable;
  };
  const std::vector<Case> cases{
      {"AAA1", {{"Qf_real", "-1"}, {"Qf_soft", "12"}, {"RT_traffic_week", "27"}}, true},
      {"AAA2", {{"Qf_real", "-1"}, {"Qf_soft", "12"}, {"RT_traffic_week", "26"}}, false},
      {"AAA3", {{"Qf_real", "0"}, {"RT_traffic_week", "40"}}, true},
      {"AAA4", {{"RT_traffic_week", "40"}}, false},
      {"AAA5", {{"Qf_real", "50"}}, false},
  };
  for (const auto& c : cases) {
    world.putInArchive("stock", c.code, standFile(c.header, ""));
    EXPECT_EQ(gf_suitableForOfflineLearning(c.code), c.suitable) << c.code;
    EXPECT_EQ(log.contains(fmt::format("===> {} not suitable for offline learning", c.code)), !c.suitable);
  }
  EXPECT_TRUE(log.contains(world.server.url("/") + "P3D/archive/stock/AAA1.xml"));
  EXPECT_FALSE(gf_suitableForOfflineLearning("NONE"));
  EXPECT_TRUE(log.contains("===> Failed to download"));
  world.putInArchive("stock", "BRKN", "<broken");
  EXPECT_FALSE(gf_suitableForOfflineLearning("BRKN"));
  EXPECT_TRUE(log.contains("===> Failed to load"));
}
