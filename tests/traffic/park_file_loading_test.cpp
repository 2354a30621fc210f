// Loading the park airport's stands: a broken file costs that airport and not the run, soft
// learning by the quality of what was learned, and the user's stand kept free.
#include "park_file_support.h"

#include <limits>

namespace traffic_testing {
namespace {

class ParkFileLoadingTest : public ParkFolderTest {
protected:
  ParkFileLoadingTest() { setNow({3, 20}); }
  std::string load(const std::string& text) {
    putStandFile("KLAX", text);
    currentParkAirport = airport("KLAX");
    return lf_readParkedFile();
  }
};

TEST_F(ParkFileLoadingTest, BrokenFileLeavesThatAirportOnly) {
  std::vector<StandLine> stands = rowOfGates(5);
  stands.push_back({"G2", 900, 30});
  putStandFile("KLAX", standFileText(stands));
  userOnTheGround(metresFrom(0, 100));
  gf_updateParkAirport(true); // chooses KLAX
  ASSERT_EQ(currentParkAirport.code, "KLAX");
  gf_updateParkAirport(false); // loads its stands
  EXPECT_TRUE(currentParkAirport.code.empty()) << "left";
  EXPECT_TRUE(standList.empty());
  EXPECT_FALSE(parkAirportLoaded.load());
  const auto status = gf_statusLineSnapshot();
  EXPECT_NE((status.message + status.error).find("Parking position G2 appears more than once?"), std::string::npos)
      << status.message << status.error;
  // Not chosen and read again every 16 seconds.
  for (int k = 0; k < 3; ++k) gf_updateParkAirport(false);
  EXPECT_TRUE(currentParkAirport.code.empty());
  const auto lines = log.lines();
  EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                          [](const std::string& l) { return l.find("The park airport is KLAX") != std::string::npos; }),
            1);
}

TEST_F(ParkFileLoadingTest, StandWithoutValidSizeIsDropped) {
  std::vector<StandLine> stands = rowOfGates(3);
  stands[1].radiusMetres = std::numeric_limits<double>::quiet_NaN();
  EXPECT_EQ(load(standFileText(stands)), "");
  ASSERT_EQ(standList.size(), 2u);
  EXPECT_EQ(standList[1].name, "G3");
  EXPECT_EQ(standList[1].number, 2);
  EXPECT_TRUE(log.contains("parkpos G2 dropped"));
  EXPECT_TRUE(parkAirportLoaded.load());
  EXPECT_EQ(mainWindow.snapshot().parkFileLoaded, true);

  EXPECT_EQ(load(standFileText({{"X", 0, std::numeric_limits<double>::infinity()}})), "no stands found");
  EXPECT_TRUE(standList.empty());
}

TEST_F(ParkFileLoadingTest, SoftLearningByQuality) {
  const struct {
    std::int32_t quality;
    std::int32_t stands;
    bool allowed;
  } cases[] = {{44, 100, true}, {45, 19, true}, {45, 20, false}, {-1, 200, true}};
  const auto noLearnedFiles = [] {
    std::filesystem::remove_all(learnedStockFolder.parent_path());
    for (const auto& folder : {learnedStockFolder, learnedSimaddonFolder, learnedThirdpartyFolder})
      std::filesystem::create_directories(folder);
  };
  for (const auto& c : cases) {
    noLearnedFiles();
    LEARN_SOFT.set(true);
    learnedParamChanged.store(false);
    ASSERT_EQ(load(standFileText(rowOfGates(c.stands), c.quality)), "");
    EXPECT_EQ(staticParking.softLearningAllowed, c.allowed) << c.quality << " / " << c.stands;
    EXPECT_EQ(LEARN_SOFT.get(), c.allowed);
    EXPECT_EQ(learnedParamChanged.load(), !c.allowed);
    lf_leaveParkAirport();
    EXPECT_TRUE(LEARN_SOFT.get()) << "the user's own value comes back when the airport is left";
    EXPECT_TRUE(staticParking.softLearningAllowed);
  }
  // The next visit: the learned file saved when leaving holds LEARN_SOFT off for this
  // airport; the user's value still comes back afterwards.
  LEARN_SOFT.set(true);
  ASSERT_EQ(load(standFileText(rowOfGates(20), 45)), "");
  lf_leaveParkAirport();
  ASSERT_EQ(load(standFileText(rowOfGates(20), 45)), "");
  EXPECT_FALSE(LEARN_SOFT.get());
  lf_leaveParkAirport();
  EXPECT_TRUE(LEARN_SOFT.get());

  // A user who had it off keeps it off.
  noLearnedFiles();
  LEARN_SOFT.set(false);
  ASSERT_EQ(load(standFileText(rowOfGates(20), 45)), "");
  lf_leaveParkAirport();
  EXPECT_FALSE(LEARN_SOFT.get());
}

// The user aircraft stands on G2 while its list entry names G3: the entry follows the
// aircraft, the file is written, and G2 is kept free.
TEST_F(ParkFileLoadingTest, UserStandBecomesTheReservedStand) {
  writeParkFile("EHAM\nKLAX,G3\n");
  ASSERT_TRUE(lf_readMyParkAirports());
  userOnTheGround(metresFrom(0, 200));
  ASSERT_EQ(load(standFileText(rowOfGates(5))), "");
  EXPECT_EQ(listed().front(), "KLAX,G2");
  EXPECT_EQ(parkFile(), "EHAM\nKLAX,G2\n");
  EXPECT_EQ(reservedStand, "G2");
  EXPECT_TRUE(mainWindow.snapshot().reservedStandValid);

  // An airport not listed yet comes first in the list and into the file.
  std::filesystem::remove(myParkAirportsFile);
  parkAirportList.clear();
  userInTheAir(0);
  ASSERT_EQ(load(standFileText(rowOfGates(5))), "");
  EXPECT_EQ(listed(), std::vector<std::string>{"KLAX"});
  EXPECT_EQ(parkFile(), "KLAX\n");
  EXPECT_EQ(reservedStand, "");
}

} // namespace
} // namespace traffic_testing
