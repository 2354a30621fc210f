// The renewal of the static aircraft: which stay, which go, which come, and the wanted
// number kept; clearing the ground traffic and leaving the park airport.
#include "parking_fixture.h"
#include "traffic/parking/max_park.h"

namespace traffic_testing {
namespace {

class StaticRenewalTest : public ParkingTest {
protected:
  StaticRenewalTest() {
    setNow({3, 20});
    MAX_FIT.set(4);
    parking_percentage.set(100);
    PARK_SOFT.set(false);
  }
  // Ten gates 100 m apart, with one option each as given (registration PH-n, callsign KLMn).
  void gatesWith(const std::vector<std::pair<std::int32_t, std::uint64_t>>& options, std::int32_t day = 3) {
    StandList stands;
    for (std::int32_t k = 1; k <= 10; ++k) stands.push_back(gate("G" + std::to_string(k), 100.0 * k));
    for (const auto& [stand, hours] : options)
      stands[static_cast<std::size_t>(stand - 1)].options.push_back(
          option("PH-" + std::to_string(stand), "KLM", "B738", "KLM" + std::to_string(stand), day, hours));
    setStands(std::move(stands));
  }
  AircraftData& staticOn(std::int32_t stand, WeekTime parkedSince, std::string coupled = "") {
    return addStatic(stand, "PH-" + std::to_string(stand), "KLM", "B738", "KLM" + std::to_string(stand),
                     std::move(coupled), parkedSince);
  }
};

TEST_F(StaticRenewalTest, KeepsWhatTheScheduleStillWantsAndRemovesWhatFliesNow) {
  gatesWith({{1, bit(20)}, {2, bit(20)}, {3, bit(20)}});
  staticOn(1, {3, 18});
  staticOn(2, {3, 18});
  AircraftData& gone = staticOn(4, {3, 10}); // its option ended long ago: none on its stand any more
  feedReports({"KLM2"});                     // KLM2 took off in the real world
  gf_adjustParking();
  EXPECT_EQ(parking.seenCallsigns, (std::unordered_set<std::string>{"KLM2"}));
  EXPECT_EQ(activeStaticCallsigns(), (std::set<std::string>{"KLM1*"}));
  EXPECT_EQ(removingStaticCallsigns(), (std::set<std::string>{"KLM2*", "KLM4*"}));
  EXPECT_EQ(gone.state, LiveState::RemovingFromSim);
  // KLM1 stands already: only KLM3 is still to be placed.
  EXPECT_EQ(wantedRegistrations(), std::vector<std::string>{"PH-3"});
  EXPECT_TRUE(log.contains("Parking adjustments: 2 to be removed, 1 to be added"));
  EXPECT_TRUE(parkBusy.load());
}

// The plan wants another aircraft on the stand, found two half-hours back (fit 2): the
// static aircraft that has stood there longer goes, one that came later stays.
TEST_F(StaticRenewalTest, StandClaimGoesByAgeOverTheEndOfTheWeek) {
  const struct {
    WeekTime now;
    WeekTime parkedSince;
    bool kept;
    const char* why;
  } cases[] = {
      {{3, 20}, {3, 14}, false, "stood three hours: goes"},
      {{3, 20}, {3, 19}, true, "came half an hour ago: stays"},
      {{1, 0}, {1, 0}, true, "came at Monday 00:00, the wanted one at Sunday 23:00"},
      {{1, 0}, {7, 40}, false, "stood since Sunday 20:00"},
  };
  for (const auto& c : cases) {
    traffic.staticList.clear();
    setNow(c.now);
    const WeekTime fit2 = gf_halfHoursBefore(c.now, 2);
    StandList stands{gate("G1", 0)};
    stands[0].options.push_back(option("PH-9", "KLM", "B77W", "KLM9", fit2.day, bit(fit2.slot)));
    setStands(std::move(stands));
    addStatic(1, "PH-1", "KLM", "B738", "KLM1", "", c.parkedSince);
    gf_adjustParking();
    if (c.kept) {
      EXPECT_EQ(activeStaticCallsigns(), std::set<std::string>{"KLM1*"}) << c.why;
      EXPECT_TRUE(wantedList.empty()) << c.why;
    } else {
      EXPECT_EQ(removingStaticCallsigns(), std::set<std::string>{"KLM1*"}) << c.why;
      EXPECT_EQ(wantedRegistrations(), std::vector<std::string>{"PH-9"}) << c.why;
    }
  }
}

TEST_F(StaticRenewalTest, LookBackReachesOverMidnight) {
  // At slot 1 with a cap of 4: an aircraft whose option covered the previous day's 45 to 47
  // stays; one whose option ended at 40 goes.
  setNow({2, 1});
  MAX_FIT.set(4);
  StandList stands{gate("G1", 0), gate("G2", 100)};
  stands[0].options.push_back(option("PH-1", "KLM", "B738", "KLM1", 1, slotRange(45, 47)));
  stands[1].options.push_back(option("PH-2", "KLM", "B738", "KLM2", 1, slotRange(38, 40)));
  setStands(std::move(stands));
  addStatic(1, "PH-1", "KLM", "B738", "KLM1", "", {1, 45});
  addStatic(2, "PH-2", "KLM", "B738", "KLM2", "", {1, 38});
  gf_adjustParking();
  EXPECT_EQ(staticParking.realFitReached, 5) << "the search ran out at MAX_FIT";
  EXPECT_EQ(activeStaticCallsigns(), std::set<std::string>{"KLM1*"});
  EXPECT_EQ(removingStaticCallsigns(), std::set<std::string>{"KLM2*"});
}

// With the whole week in use an aircraft of another day's option was placed by the search,
// so the renewal keeps it for as long as that option covers the half-hour.
TEST_F(StaticRenewalTest, WholeWeekKeepsAircraftOfOtherDays) {
  const struct {
    bool week;
    std::uint64_t hours;
    bool kept;
  } cases[] = {
      {true, bit(20), true},
      {true, bit(10), false}, // another day, but long ago within that day
      {false, bit(20), false},
  };
  for (const auto& c : cases) {
    traffic.staticList.clear();
    WEEK.set(c.week);
    gatesWith({{1, c.hours}}, 2);
    staticOn(1, {3, 18});
    gf_adjustParking();
    EXPECT_EQ(activeStaticCallsigns().size(), c.kept ? 1u : 0u) << "WEEK " << c.week << " hours " << c.hours;
    EXPECT_EQ(removingStaticCallsigns().size(), c.kept ? 0u : 1u) << "WEEK " << c.week << " hours " << c.hours;
  }
  WEEK.set(false);
}

// A kept static aircraft shows its arrival callsign and its option ends now: it is replaced
// by the same aircraft under its departure callsign, which keeps its parked time.
TEST_F(StaticRenewalTest, DepartingAircraftChangesOnlyItsCallsign) {
  StandList stands{gate("G1", 0)};
  stands[0].options.push_back(option("PH-1", "KLM", "B738", "KLM1234", 3, slotRange(16, 20), "KLM1235"));
  setStands(std::move(stands));
  addStatic(1, "PH-1", "KLM", "B738", "KLM1234", "KLM1235", {3, 16});
  gf_adjustParking();
  EXPECT_EQ(removingStaticCallsigns(), std::set<std::string>{"KLM1234*"});
  ASSERT_EQ(wantedList.size(), 1u);
  EXPECT_FALSE(wantedList[0].staysOn);
  EXPECT_EQ(wantedList[0].fitHalfHours, 4);
  // Placement waits for the removal, then brings the aircraft back.
  lf_placeNextStatic();
  EXPECT_EQ(traffic.staticList.size(), 1u);
  traffic.staticList.clear();
  lf_placeNextStatic();
  ASSERT_EQ(traffic.staticList.size(), 1u);
  EXPECT_EQ(traffic.staticList[0].aircraftInfo.callsign, "KLM1235*");
  EXPECT_EQ(traffic.staticList[0].parkedSince, (WeekTime{3, 16}));

  // Its option covers the next half-hour too: it stays as it is.
  traffic.staticList.clear();
  standList[0].options[0].hours = slotRange(16, 22);
  addStatic(1, "PH-1", "KLM", "B738", "KLM1234", "KLM1235", {3, 16});
  gf_adjustParking();
  EXPECT_EQ(activeStaticCallsigns(), std::set<std::string>{"KLM1234*"});
  EXPECT_TRUE(wantedList.empty());
}

TEST_F(StaticRenewalTest, TrimToTheWantedNumber) {
  const struct {
    std::size_t wanted;
    std::size_t kept;
    std::size_t live;
    std::size_t wantedLeft;
    std::size_t keptLeft;
    std::size_t removals;
  } cases[] = {
      {4, 6, 3, 1, 6, 0}, // three wanted entries dropped
      {1, 8, 3, 0, 7, 1}, // the wanted entry and the earliest-parked kept static
      {0, 0, 12, 0, 0, 0},
  };
  for (const auto& c : cases) {
    wantedList.clear();
    keptList.clear();
    removalList.clear();
    parking.liveParkedList.clear();
    traffic.liveList.clear();
    for (std::size_t k = 0; k < c.wanted; ++k) {
      WantedStatic w;
      w.standNumber = static_cast<std::uint32_t>(k + 1);
      wantedList.push_back(w);
    }
    for (std::size_t k = 0; k < c.kept; ++k) {
      KeptStatic kept;
      kept.callsign = "S" + std::to_string(k) + "*";
      keptList.push_back(kept);
    }
    for (std::size_t k = 0; k < c.live; ++k) {
      addLiveParked(10'800'000 + static_cast<std::uint32_t>(k), static_cast<std::int32_t>(k + 1), 10);
      parking.liveParkedList.push_back({"L", 0, static_cast<std::int32_t>(k + 1), 10});
    }
    lf_trimToWanted(10);
    EXPECT_EQ(wantedList.size(), c.wantedLeft);
    EXPECT_EQ(keptList.size(), c.keptLeft);
    EXPECT_EQ(removalList.size(), c.removals);
    if (c.removals == 1) {
      EXPECT_EQ(removalList[0].callsign, "S7*") << "the last kept: the earliest parked";
    }
    const auto liveGone = std::count_if(traffic.liveList.begin(), traffic.liveList.end(), [](const LiveAircraft& a) {
      return a.aircraft.state == LiveState::RemovingFromSim;
    });
    EXPECT_EQ(static_cast<std::size_t>(liveGone), c.live > 10 ? c.live - 10 : 0);
  }
}

TEST_F(StaticRenewalTest, MoreLiveParkedThanWanted) {
  StandList stands;
  for (std::int32_t k = 1; k <= 50; ++k) stands.push_back(gate("G" + std::to_string(k), 100.0 * k));
  setStands(std::move(stands));
  parking_percentage.set(30); // 15 of 50
  for (std::uint32_t k = 0; k < 20; ++k) addLiveParked(10'900'000 + k, static_cast<std::int32_t>(k + 1), k);
  gf_adjustParking();
  EXPECT_TRUE(log.contains("Parking adjustments: 5 more live ac than wanted"));
  std::set<std::uint32_t> removed;
  for (const auto& ac : traffic.liveList)
    if (ac.aircraft.state == LiveState::RemovingFromSim) removed.insert(ac.aircraft.aircraftInfo.hexid);
  EXPECT_EQ(removed, (std::set<std::uint32_t>{10'900'015, 10'900'016, 10'900'017, 10'900'018, 10'900'019}));
  EXPECT_EQ(parking.liveParkedList.size(), 15u);
}

// What was learned is saved at a renewal that changed something; a save that fails keeps
// the count, so the next renewal saves it again.
TEST_F(StaticRenewalTest, RenewalSavesWhatWasLearned) {
  testing_support::TempDir dir{"hvm-renewal"};
  gatesWith({{1, bit(20)}});
  parkAirportLoaded.store(true);
  parkLearnedFile = {dir / "blocked" / "KLAX.xml", LearnedFileState::Merged, {}};
  testing_support::writeFile(dir / "blocked", "a file where the folder should be");
  standUpdateCount = 3;
  gf_adjustParking();
  EXPECT_EQ(standUpdateCount, 3);
  EXPECT_FALSE(std::filesystem::exists(dir / "blocked" / "KLAX.xml"));
  std::filesystem::remove(dir / "blocked");
  gf_adjustParking();
  EXPECT_EQ(standUpdateCount, 0);
  EXPECT_TRUE(std::filesystem::exists(dir / "blocked" / "KLAX.xml"));
  // Nothing new: nothing written.
  std::filesystem::remove(dir / "blocked" / "KLAX.xml");
  gf_adjustParking();
  EXPECT_FALSE(std::filesystem::exists(dir / "blocked" / "KLAX.xml"));
}

TEST_F(StaticRenewalTest, ClearingGroundTrafficFreesEveryStandAndLeaves) {
  gatesWith({{1, bit(20)}});
  parkAirportLoaded.store(true);
  staticOn(1, {3, 18});
  wantedList.push_back({2, 0, "KLM", "B738", "KLM2", "", "PH-2", true});
  addLiveParked(10'950'001, 2, 30);
  LiveAircraft& driving = addLiveParked(10'950'002, 3, 0);
  driving.phase = FlightPhase::Parking;
  driving.aircraft.standLat = standList[2].lat;
  // The airport had switched soft learning off.
  staticParking.learnSoftHeld = true;
  staticParking.userLearnSoft = true;
  staticParking.learnSoftAfterLoad = false;
  LEARN_SOFT.set(false);
  gf_clearGroundTraffic();
  EXPECT_TRUE(wantedList.empty());
  EXPECT_EQ(traffic.staticList[0].state, LiveState::RemovingFromSim);
  EXPECT_EQ(live(10'950'001)->aircraft.state, LiveState::RemovingFromSim);
  EXPECT_EQ(live(10'950'002)->aircraft.state, LiveState::Active) << "still driving: not on the ground traffic";
  for (const auto& ac : traffic.liveList) {
    EXPECT_EQ(ac.aircraft.standNumber, 0) << ac.aircraft.aircraftInfo.callsign;
    EXPECT_EQ(ac.aircraft.standLat, 0.0);
  }
  EXPECT_TRUE(currentParkAirport.code.empty());
  EXPECT_TRUE(standList.empty());
  EXPECT_FALSE(parkAirportLoaded.load());
  EXPECT_TRUE(LEARN_SOFT.get()) << "the user's own choice is back";
}

} // namespace
} // namespace traffic_testing
