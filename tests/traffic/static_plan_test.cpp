// The static parking plan: how many static aircraft are wanted, and which, found by the
// widening search over the stands' learned options, real ones first.
#include "airports/airport_file.h"
#include "parking_fixture.h"
#include "traffic/parking/stand_option_search.h"

#include <atomic>
#include <chrono>
#include <thread>

namespace traffic_testing {
namespace {

// `count` gates 100 m apart in a row.
StandList gates(std::int32_t count) {
  StandList stands;
  for (std::int32_t k = 0; k < count; ++k) stands.push_back(gate("G" + std::to_string(k + 1), 100.0 * k));
  return stands;
}

std::string reg(std::int32_t k) { return "N" + std::to_string(1000 + k); }

class StaticPlanTest : public ParkingTest {
protected:
  StaticPlanTest() { setNow({3, 20}); }
};

TEST_F(StaticPlanTest, WantedCount) {
  const struct {
    std::int32_t stands;
    std::int32_t percentage;
    std::int32_t custom;
    std::int32_t maxPark;
    std::int32_t wanted;
    std::int32_t shownPercent;
  } cases[] = {
      {40, 30, -1, 500, 12, 30},
      {3, 30, -1, 500, 1, 33},
      {3, 50, -1, 500, 2, 67},
      {0, 30, -1, 500, 1, 0},
      {1, 0, -1, 500, 1, 100},
      {100, 30, 50, 500, 50, 50},
      {100, 30, -1, 10, 10, 10},
      {100, 30, -1, 0, 0, 30},
      {100, 30, -1, -5, 0, 30},
      {100, 250, -1, 500, 100, 100},           // a percentage above 100 is 100
      {100, -20, -1, 500, 0, 0},               // and one below 0 is 0: no statics
      {100, 30, 2'000'000'000, 500, 100, 100}, // however large
  };
  for (const auto& c : cases) {
    setStands(gates(c.stands));
    parking_percentage.set(c.percentage);
    CUSTOM_PARKING_PERCENTAGE.set(c.custom);
    MAX_PARK_SEL.set(c.maxPark);
    EXPECT_EQ(lf_computeWantedStatics(), c.wanted) << c.stands << " stands at " << c.percentage << "%";
    EXPECT_EQ(staticParking.wantedCount, c.wanted);
    EXPECT_EQ(mainWindow.snapshot().wantedPercent, c.shownPercent) << c.stands << " at " << c.percentage << "%";
  }
}

TEST_F(StaticPlanTest, NoneWantedMeansNoSearch) {
  StandList stands = gates(10);
  stands[0].options.push_back(option(reg(0), "AAL", "B738", "AAL1", 3, bit(20)));
  setStands(std::move(stands));
  for (const std::int32_t maxPark : {0, -3}) {
    MAX_PARK_SEL.set(maxPark);
    lf_planStaticParking();
    EXPECT_TRUE(wantedList.empty());
    EXPECT_FALSE(standList[0].takenByStatic) << "no search ran";
    EXPECT_TRUE(log.contains("no parking positions found"));
    EXPECT_FALSE(parkBusy.load());
  }
}

// 100 stands at 30 %: the current half-hour finds 10 aircraft, the half-hour before 25 more.
TEST_F(StaticPlanTest, WidensTheSearchUntilTheWantedNumberIsReached) {
  StandList stands = gates(100);
  for (std::int32_t k = 0; k < 10; ++k) stands[k].options.push_back(option(reg(k), "AAL", "B738", "", 3, bit(20)));
  for (std::int32_t k = 10; k < 35; ++k) stands[k].options.push_back(option(reg(k), "DAL", "A320", "", 3, bit(19)));
  setStands(std::move(stands));
  lf_planStaticParking();
  ASSERT_EQ(wantedList.size(), 30u);
  EXPECT_TRUE(log.contains("35 real positions found, Max fit=24 hours, day 3, hh:20 or 10.5 hrs, fit: 1 hour"))
      << testing::PrintToString(log.lines());
  EXPECT_TRUE(log.contains("30 positions (30% vs wanted 30%, with Max fit=24 hours)"));
  EXPECT_TRUE(log.contains("It is day 3 (Wed), 10.5 hours"));
  // The fit-0 aircraft all stay and are placed first, from the back.
  const auto fit0 =
      std::count_if(wantedList.begin(), wantedList.end(), [](const auto& w) { return w.fitHalfHours == 0; });
  EXPECT_EQ(fit0, 10);
  for (std::size_t k = 20; k < 30; ++k) EXPECT_EQ(wantedList[k].fitHalfHours, 0);
  EXPECT_TRUE(parkBusy.load());
  EXPECT_EQ(staticParking.realFitReached, 1);
  EXPECT_EQ(staticParking.softFitReached, -1) << "no soft search was needed";
}

TEST_F(StaticPlanTest, RealOptionsFirstThenSoftOnesWithinMaxFit) {
  // Stands 1-5 real options now, 6-10 real ones an hour ago, 11-20 soft options now.
  const auto build = [] {
    StandList stands = gates(40);
    for (std::int32_t k = 0; k < 5; ++k) stands[k].options.push_back(option(reg(k), "AAL", "B738", "", 3, bit(20)));
    for (std::int32_t k = 5; k < 10; ++k) stands[k].options.push_back(option(reg(k), "AAL", "B738", "", 3, bit(18)));
    for (std::int32_t k = 10; k < 20; ++k)
      stands[k].options.push_back(option(reg(k), "AAL", "B738", "", 3, bit(20), "", false));
    return stands;
  };
  const struct {
    std::int32_t maxFit;
    bool parkSoft;
    bool parkFake;
    std::size_t wanted;
    std::int32_t softFit;
  } cases[] = {
      {0, false, false, 5, -1},  // only the current half-hour, no soft search
      {2, false, false, 10, -1}, // two half-hours back reach stands 6-10
      {0, true, false, 12, 0},   // soft options fill up to 12 (30 % of 40)
      {0, false, true, 12, 0},   // PARK_FAKE lets the soft search run as well
      {2, true, false, 12, 0},
  };
  for (const auto& c : cases) {
    setStands(build());
    MAX_FIT.set(c.maxFit);
    PARK_SOFT.set(c.parkSoft);
    PARK_FAKE.set(c.parkFake);
    lf_planStaticParking();
    EXPECT_EQ(wantedList.size(), c.wanted) << "MAX_FIT " << c.maxFit << " soft " << c.parkSoft;
    EXPECT_EQ(staticParking.softFitReached, c.softFit) << "MAX_FIT " << c.maxFit << " soft " << c.parkSoft;
    const bool softTaken =
        std::any_of(wantedList.begin(), wantedList.end(), [](const WantedStatic& w) { return w.standNumber > 10; });
    EXPECT_EQ(softTaken, c.parkSoft || c.parkFake);
  }
}

TEST_F(StaticPlanTest, WeekSettingTakesEveryDay) {
  StandList stands = gates(10);
  stands[0].options.push_back(option(reg(0), "AAL", "B738", "", 5, bit(20)));
  setStands(std::move(stands));
  MAX_FIT.set(0);
  lf_planStaticParking();
  EXPECT_TRUE(wantedList.empty()) << "Friday's option is not Wednesday's";
  WEEK.set(true);
  lf_planStaticParking();
  EXPECT_EQ(wantedRegistrations(), std::vector<std::string>{reg(0)});
  EXPECT_TRUE(log.contains("1 real position found, Max fit=0.5 hours, week, hh:20 or 10.5 hrs, fit: 0.5 hour"));
}

// An aircraft that flies now, or stands elsewhere already, is not planned; the option that
// names it keeps its number, so the learned file keeps it and the next plan may take it.
TEST_F(StaticPlanTest, OptionsOfAircraftPresentAreSkippedForThisPlanOnly) {
  StandList stands = gates(20);
  stands[0].options.push_back(option("N1", "AAL", "B738", "AAL10", 3, bit(20)));
  stands[0].options.push_back(option("N2", "AAL", "B738", "AAL20", 3, bit(20)));
  stands[2].options.push_back(option("N3", "AAL", "B738", "AAL30", 3, bit(20)));
  stands[4].options.push_back(option("N3", "AAL", "B738", "AAL31", 3, bit(20))); // the same aircraft
  stands[6].options.push_back(option("N4", "AAL", "B738", "AAL40", 3, bit(20)));
  setStands(std::move(stands));
  MAX_FIT.set(0);
  // The feed reported AAL10 (with the feed's trailing '_') in the collection window.
  parking.seenCallsigns = {"AAL10_"};
  lf_clearStandMarks();
  lf_searchRealThenSoft({3, 20}, 10, 0);
  std::vector<std::string> regs = wantedRegistrations();
  std::sort(regs.begin(), regs.end());
  EXPECT_EQ(regs, (std::vector<std::string>{"N3", "N4"})) << "N1 flies now; N3 is planned once, on one stand";
  EXPECT_EQ(std::count(regs.begin(), regs.end(), "N3"), 1);
  for (const auto& s : standList)
    for (const auto& o : s.options) EXPECT_NE(o.number, 0) << o.registration;
}

TEST_F(StaticPlanTest, SeenCallsignSkipsItsOptionButKeepsItForTheFile) {
  StandList stands = gates(5);
  stands[0].options.push_back(option("N1", "AAL", "B738", "AAL10", 3, bit(20)));
  stands[0].options.push_back(option("N2", "AAL", "B738", "AAL20", 3, bit(20)));
  setStands(std::move(stands));
  MAX_FIT.set(0);
  parking_percentage.set(100);
  // The search takes the stand's first candidate, AAL10, whose flight is in the air now.
  parking.seenCallsigns = {"AAL10_"};
  WantedList batch;
  lf_searchStands({3, 20}, realOptions, 0, batch);
  EXPECT_TRUE(batch.empty()) << "the stand is left for this pass";
  EXPECT_EQ(standList[0].options[0].number, 1);
  EXPECT_FALSE(gf_optionUsable(standList[0], standList[0].options[0]));
  lf_searchStands({3, 20}, realOptions, 0, batch);
  ASSERT_EQ(batch.size(), 1u);
  EXPECT_EQ(batch[0].registration, "N2") << "the next pass takes the other option";

  // The learned file still holds the skipped option.
  testing_support::TempDir dir{"hvm-plan"};
  AirportFileData data;
  data.stands = {standList[0]};
  ASSERT_TRUE(gf_writeAirportFile(data, dir / "KLAX.xml", AirportFileMode::Learned));
  const std::string file = testing_support::readFile(dir / "KLAX.xml");
  EXPECT_NE(file.find("\"N1\""), std::string::npos) << file;
  EXPECT_NE(file.find("\"N2\""), std::string::npos);

  // The next plan starts with every option in use again.
  lf_clearStandMarks();
  EXPECT_TRUE(gf_optionUsable(standList[0], standList[0].options[0]));
}

// The plan takes the feed's collected callsigns while the Traffic Reader goes on adding
// them on its own thread: every take is whole, and the collection ends with it.
TEST_F(StaticPlanTest, CollectedCallsignsAreTakenWhileTheFeedReads) {
  trafficReader.setReference({laxLat, laxLon});
  gf_setAcceptingTraffic(false);
  std::vector<std::string> lines;
  for (int k = 0; k < 200; ++k) lines.push_back(feed_testing::trafficLine({{9, "FD" + std::to_string(k)}}));
  std::atomic<bool> stop{false};
  std::thread reader([&] {
    while (!stop.load())
      for (const auto& line : lines) trafficReader.handleLine(line);
  });
  std::size_t taken = 0;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  for (int round = 0; (round < 300 || taken == 0) && std::chrono::steady_clock::now() < deadline; ++round) {
    trafficReader.startCallsignCollection();
    std::this_thread::sleep_for(std::chrono::microseconds(100));
    lf_takeCollectedCallsigns();
    EXPECT_FALSE(trafficReader.collectCallsigns.load());
    for (const auto& callsign : parking.seenCallsigns) EXPECT_TRUE(callsign.starts_with("FD")) << callsign;
    taken += parking.seenCallsigns.size();
  }
  // Between collections nothing is gathered, though the feed goes on.
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  lf_takeCollectedCallsigns();
  stop.store(true);
  reader.join();
  gf_setAcceptingTraffic(true);
  EXPECT_GT(taken, 0u);
  EXPECT_TRUE(parking.seenCallsigns.empty());
}

} // namespace
} // namespace traffic_testing
