// The park airports: my_park_airports.txt read and written, the choice of the park airport
// on the ground and in the air, the re-read with the move of the reserved stand, and the
// user's stand recorded from the simulator link's thread.
#include "park_file_support.h"
#include "simlink/park_stands.h"

#include <thread>

namespace traffic_testing {
namespace {

using ParkAirportsTest = ParkFolderTest;

TEST_F(ParkAirportsTest, ReadingTheFile) {
  writeParkFile("EHAM\r\nEHAM,B12\n\nxyz\n  KLAX , 60 \nEHAM,B12,x\nksfo\nLFPG,\n");
  EXPECT_FALSE(lf_readMyParkAirports());
  EXPECT_EQ(listed(), (std::vector<std::string>{"EHAM", "KLAX,60", "LFPG"}));
  EXPECT_TRUE(log.contains("===> my_park_airports.txt:EHAM double, skipped"));
  EXPECT_TRUE(log.contains("===> my_park_airports.txt:EHAM,B12,x wrong syntax, skipped"));
  EXPECT_TRUE(log.contains("airport xyz is unknown"));
  EXPECT_TRUE(log.contains("airport ksfo is unknown")) << "codes are compared with their letter case";
  EXPECT_TRUE(log.contains("3 park airports read from 'my_park_airports.txt'"));

  writeParkFile("");
  EXPECT_TRUE(lf_readMyParkAirports());
  EXPECT_TRUE(parkAirportList.empty());

  // Missing: the airports of the my_thirdparty folder still come in, but no sub-folder and
  // no file named for no airport.
  std::filesystem::remove(myParkAirportsFile);
  testing_support::writeFile(myThirdpartyFolder / "KSFO.xml", "stands");
  testing_support::writeFile(myThirdpartyFolder / "notes.txt", "no airport");
  std::filesystem::create_directories(myThirdpartyFolder / "EHAM");
  EXPECT_TRUE(lf_readMyParkAirports());
  EXPECT_EQ(listed(), std::vector<std::string>{"KSFO"});
  EXPECT_TRUE(log.contains((std::filesystem::path("airports") / "my_park_airports.txt").string() + " not found"));
  EXPECT_TRUE(log.contains("1 park airport added from my_thirdparty folder(-s)"));

  // Without the folder the reading fails, keeping what it read.
  writeParkFile("LFPG\n");
  std::filesystem::remove_all(myThirdpartyFolder);
  EXPECT_FALSE(lf_readMyParkAirports());
  EXPECT_EQ(listed(), std::vector<std::string>{"LFPG"});
  EXPECT_TRUE(log.contains("===> lf_readMyParkAirports: "));
}

TEST_F(ParkAirportsTest, WritingAnEntry) {
  const struct {
    std::optional<std::string> before;
    std::string entryStand;
    std::string after;
    std::string logLine;
  } cases[] = {
      {"LFPG\nEHAM,A1\n", "B12", "EHAM,B12\nLFPG\n", "my_park_airports.txt:EHAM,B12 updated stand"},
      {"LFPG\n", "B12", "EHAM,B12\nLFPG\n", "my_park_airports.txt:EHAM,B12 new entry"},
      {std::nullopt, "B12", "EHAM,B12\n", "my_park_airports.txt created with EHAM,B12"},
      {"LFPG\nLFPG\nEHAM\n", "", "EHAM\nLFPG\n", "my_park_airports.txt:EHAM updated stand"},
      // A stand the user named is never replaced by no stand.
      {"LFPG\nEHAM,A1\n", "", "LFPG\nEHAM,A1\n", ""},
  };
  for (const auto& c : cases) {
    std::filesystem::remove(myParkAirportsFile);
    if (c.before) writeParkFile(*c.before);
    parkAirportList = {{"EHAM", c.entryStand, 52.3, 4.76, 0.0}};
    gf_addMyParkAirport();
    EXPECT_EQ(parkFile(), c.after) << c.before.value_or("(no file)");
    if (!c.logLine.empty()) {
      EXPECT_TRUE(log.contains(c.logLine)) << c.logLine;
    }
  }
}

// A file that exists but cannot be read is never replaced by the one line being written.
TEST_F(ParkAirportsTest, UnreadableFileIsLeftAlone) {
  std::filesystem::create_directories(myParkAirportsFile / "in the way");
  EXPECT_FALSE(lf_readMyParkAirports());
  EXPECT_TRUE(log.contains("===> lf_readMyParkAirports: "));
  parkAirportList = {{"EHAM", "B12", 52.3, 4.76, 0.0}};
  gf_addMyParkAirport();
  EXPECT_TRUE(std::filesystem::exists(myParkAirportsFile / "in the way"));
  EXPECT_NE(gf_statusLineSnapshot().message.find("my_park_airports.txt not updated: "), std::string::npos)
      << gf_statusLineSnapshot().message;
}

TEST_F(ParkAirportsTest, DestinationBecomesTheFirstEntry) {
  writeParkFile("EHAM\nKLAX,B3\n");
  ASSERT_TRUE(lf_readMyParkAirports());
  gf_makeFirstParkAirport("KLAX", {1.0, 2.0});
  EXPECT_EQ(listed(), (std::vector<std::string>{"KLAX,B3", "EHAM"}));
  EXPECT_EQ(parkAirportList.front().lat, laxLat) << "kept as it was";
  EXPECT_EQ(parkFile(), "EHAM\nKLAX,B3\n");
  gf_makeFirstParkAirport("KSFO", {37.6, -122.4});
  EXPECT_EQ(listed(), (std::vector<std::string>{"KSFO", "KLAX,B3", "EHAM"}));
  EXPECT_EQ(parkFile(), "EHAM\nKLAX,B3\nKSFO\n");
}

// The user aircraft in the air at the point: the list's first entry becomes the park airport
// when it is in range and the aircraft low enough.
TEST_F(ParkAirportsTest, ChoiceInTheAir) {
  const struct {
    std::string first;
    double height;
    bool chosen;
  } cases[] = {{"KN15", 3000, true}, {"KN25", 3000, false}, {"KN15", 19000, false}};
  for (const auto& c : cases) {
    currentParkAirport = {};
    trafficReader.setParkAirport(std::nullopt);
    parkAirportList = {{c.first, "", airport(c.first).lat, airport(c.first).lon, 0.0}};
    userInTheAir(c.height);
    lf_chooseParkAirport({laxLat, laxLon}, true);
    EXPECT_EQ(currentParkAirport.code, c.chosen ? c.first : "") << c.first << " at " << c.height << " ft";
    // The feed lets the ground traffic of the chosen airport through, and only then.
    const auto parserAirport = trafficReader.context().parkAirport;
    ASSERT_EQ(parserAirport.has_value(), c.chosen) << c.first;
    if (c.chosen) EXPECT_EQ(*parserAirport, (GeoPosition{airport(c.first).lat, airport(c.first).lon}));
    EXPECT_EQ(staticParking.parkStart, c.chosen);
    staticParking.parkStart = false;
  }
  EXPECT_TRUE(log.contains("KN15 in sight at 15.0 nm"));
  EXPECT_TRUE(trafficReader.collectCallsigns.load()) << "the collection for the plan runs";
}

// The park airport 12 or 11 nm away, and another listed airport 12 nm away as the first
// entry: the ground traffic is cleared only when that one is as close.
TEST_F(ParkAirportsTest, AnotherAirportInSightAtLeastAsClose) {
  for (const auto& [park, cleared] : {std::pair{"KN12", true}, std::pair{"KN11", false}}) {
    currentParkAirport = airport(park);
    parkAirportList = {{"KNTH", "", airport("KNTH").lat, airport("KNTH").lon, 0.0}};
    userInTheAir(3000);
    trafficReader.setParkAirport(GeoPosition{airport(park).lat, airport(park).lon});
    lf_checkParkAirportInSight({laxLat, laxLon});
    EXPECT_EQ(currentParkAirport.code.empty(), cleared) << park;
    EXPECT_EQ(trafficReader.context().parkAirport.has_value(), !cleared) << park;
  }
  EXPECT_TRUE(log.contains("KNTH is in sight (12.0 nm), parked aircraft at KN12 will be removed first"));
  // Out of sight: cleared too.
  currentParkAirport = airport("KN25");
  lf_checkParkAirportInSight({laxLat, laxLon});
  EXPECT_TRUE(currentParkAirport.code.empty());
  EXPECT_TRUE(log.contains("KN25 is out of sight (25.0 nm), parked aircraft will be removed"));
}

// An airport without a stand file is asked for once in a run, and said once.
TEST_F(ParkAirportsTest, AirportWithoutFileIsTriedOncePerRun) {
  userOnTheGround({airport("KBUR").lat, airport("KBUR").lon});
  for (int k = 0; k < 4; ++k) gf_updateParkAirport(false);
  EXPECT_TRUE(currentParkAirport.code.empty());
  EXPECT_EQ(server.requestCount("/P3D/archive/stock/KBUR.xml"), 1);
  const auto lines = log.lines();
  EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                          [](const std::string& l) {
                            return l.find("User aircraft on the ground at KBUR, no airport file found") !=
                                   std::string::npos;
                          }),
            1);
}

// The list in distance order after a re-read, or in file order while a destination is set:
// either way the park airport's entry is found by its code.
TEST_F(ParkAirportsTest, RereadMovesTheReservedStand) {
  DESTINATION.set("EHAM");
  writeParkFile("EHAM\nKLAX,G3\n");
  ASSERT_TRUE(lf_readMyParkAirports());
  currentParkAirport = airport("KLAX");
  setStands({gate("G1", 100), gate("G2", 200), gate("G3", 300)});
  reservedStand = "G1";
  standList[0].excluded = true;
  AircraftData& onG3 = addStatic(3, "PH-1", "KLM", "B738", "KLM1", "", {3, 20});
  userInTheAir(0); // known, and on no stand
  std::string message;
  EXPECT_TRUE(gf_rereadParkAirports(true, message));
  EXPECT_EQ(listed().front(), "EHAM") << "file order";
  EXPECT_EQ(message, "reserved stand changed from 'G1' to 'G3'");
  EXPECT_EQ(reservedStand, "G3");
  EXPECT_FALSE(standList[0].excluded);
  EXPECT_TRUE(standList[2].excluded);
  EXPECT_EQ(onG3.state, LiveState::RemovingFromSim);
  EXPECT_EQ(mainWindow.snapshot().reservedStandName, "G3");

  // The user aircraft stands on a stand: the reserved stand stays.
  writeParkFile("EHAM\nKLAX,G2\n");
  userOnTheGround({standList[0].lat, standList[0].lon});
  message.clear();
  EXPECT_TRUE(gf_rereadParkAirports(true, message));
  EXPECT_EQ(message, "park airports and stands are okay");
  EXPECT_EQ(reservedStand, "G3");
}

// The simulator link hands the user's stand over from its own thread; the worker writes it.
TEST_F(ParkAirportsTest, UserStandFromTheLinkThread) {
  writeParkFile("KLAX,G1\n");
  ASSERT_TRUE(lf_readMyParkAirports());
  gf_installUserStandRecorder();
  std::thread link([] {
    gf_recordUserStand("KLAX", "");
    gf_recordUserStand("KLAX", "G7");
  });
  link.join();
  EXPECT_EQ(parkFile(), "KLAX,G1\n") << "nothing changes before the worker's step";
  gf_applyRecordedUserStand();
  EXPECT_EQ(listed(), std::vector<std::string>{"KLAX,G7"});
  EXPECT_EQ(parkFile(), "KLAX,G7\n");
  // An empty stand never replaces one.
  std::thread([] { gf_recordUserStand("KLAX", ""); }).join();
  gf_applyRecordedUserStand();
  EXPECT_EQ(parkFile(), "KLAX,G7\n");
}

} // namespace
} // namespace traffic_testing
