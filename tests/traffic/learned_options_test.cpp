// Stand uses learned from live traffic: a new option per registration and day, its
// half-hours extended while the aircraft stays, the stay filled in at its departure within
// the aircraft's limit, and the park file's own schedule left alone.
#include "ground_fixture.h"
#include "traffic/parking/learned_options.h"

namespace traffic_testing {
namespace {

class LearnedOptions : public GroundTest {
protected:
  LearnedOptions() { setStands({standAt("H1", 0, 0, 0, 40)}); }

  LiveAircraft& parked(std::uint32_t hexid, std::string registration, SizeCategory category = SizeCategory::Large) {
    LiveAircraft& ac = taxiing(hexid, 0, 0, {groundPoint(0, 0, 0, gf_tickCounter(), true)});
    ac.aircraft.aircraftInfo.registration = std::move(registration);
    ac.aircraft.aircraftInfo.category = category;
    ac.aircraft.standNumber = 1;
    return ac;
  }

  static std::uint64_t slots(std::initializer_list<std::int32_t> list) {
    std::uint64_t bits = 0;
    for (const auto s : list) bits |= std::uint64_t{1} << s;
    return bits;
  }
  static std::uint64_t range(std::int32_t from, std::int32_t to) {
    return (std::uint64_t{1} << (to + 1)) - (std::uint64_t{1} << from);
  }
};

TEST_F(LearnedOptions, AnAircraftWithoutRegistrationIsLearnedUnderItsCallsign) {
  const LiveAircraft& ac = parked(firstHexid, "");
  EXPECT_TRUE(lt_addStandOption(1, ac, WeekTime{2, 10}, false));
  ASSERT_EQ(standList[0].options.size(), 1u);
  EXPECT_EQ(standList[0].options[0].registration, "TAX0");
  EXPECT_EQ(standList[0].options[0].base, 0);
  EXPECT_EQ(standUpdateCount, 1);

  // Nothing without a key, or for a stand that is not there.
  LiveAircraft& nameless = parked(firstHexid + 1, "");
  nameless.aircraft.aircraftInfo.callsign.clear();
  EXPECT_FALSE(lt_addStandOption(1, nameless, WeekTime{2, 10}, false));
  EXPECT_FALSE(lt_addStandOption(9, ac, WeekTime{2, 10}, false));
  EXPECT_EQ(standUpdateCount, 1);
}

TEST_F(LearnedOptions, TheParkFilesScheduleForTheRegistrationIsNotLearnedAgainst) {
  StandOptionData base;
  base.registration = "N12345";
  base.day = 3;
  base.hours = slots({16, 17}); // 08:00 to 09:00
  base.number = 1;
  base.base = 1;
  standList[0].options.push_back(base);
  const LiveAircraft& ac = parked(firstHexid, "N12345");
  EXPECT_FALSE(lt_addStandOption(1, ac, WeekTime{3, 20}, false));
  EXPECT_EQ(standList[0].options.size(), 1u);
  // Within the park file's hours the aircraft is learned in an option of its own.
  EXPECT_TRUE(lt_addStandOption(1, ac, WeekTime{3, 17}, false));
  EXPECT_EQ(standList[0].options.size(), 2u);
}

TEST_F(LearnedOptions, TheStayIsFilledInAtTheDepartureWithinTheAircraftsLimit) {
  struct Case {
    const char* name;
    SizeCategory category;
    bool cargo;
    WeekTime arrival, departure;
    std::vector<std::pair<std::int32_t, std::uint64_t>> options; // day and half-hours
  };
  const Case cases[] = {
      {"Large, gap 6: not filled", SizeCategory::Large, false, {3, 20}, {3, 26}, {{3, slots({20})}, {3, slots({26})}}},
      {"Heavy, gap 6: filled",
       SizeCategory::Heavy,
       false,
       {3, 20},
       {3, 26},
       {{3, slots({20, 21, 22, 23, 24, 25, 26})}}},
      {"freighter, gap 11: filled", SizeCategory::Large, true, {3, 10}, {3, 21}, {{3, range(10, 21)}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    standList[0].options.clear();
    standList[0].realStays.clear();
    traffic.liveList.clear();
    LiveAircraft& ac = parked(firstHexid, "N12345", c.category);
    ac.aircraft.aircraftInfo.cargo = c.cargo;
    ASSERT_TRUE(lt_addStandOption(1, ac, c.arrival, false));
    ac.aircraft.aircraftInfo.callsign = "AAL99"; // it leaves under another flight number
    ASSERT_TRUE(lt_addStandOption(1, ac, c.departure, true));
    ASSERT_EQ(standList[0].options.size(), c.options.size());
    for (std::size_t i = 0; i < c.options.size(); ++i) {
      EXPECT_EQ(standList[0].options[i].day, c.options[i].first);
      EXPECT_EQ(standList[0].options[i].hours, c.options[i].second) << "option " << i;
    }
    EXPECT_TRUE(standList[0].realStays.empty());
  }

  // Sunday 23:30 to Monday 00:30 beside last Monday's option: the stay is marked over the
  // two days, the newest half-hour in a new option for Monday.
  standList[0].options.clear();
  traffic.liveList.clear();
  LiveAircraft& ac = parked(firstHexid, "N12345");
  ASSERT_TRUE(lt_addStandOption(1, ac, WeekTime{1, 30}, false));
  standList[0].realStays.clear(); // that stay ended long ago
  ASSERT_TRUE(lt_addStandOption(1, ac, WeekTime{7, 47}, false));
  ASSERT_TRUE(lt_addStandOption(1, ac, WeekTime{1, 1}, true));
  ASSERT_EQ(standList[0].options.size(), 3u);
  EXPECT_EQ(standList[0].options[0].hours, slots({30}));
  EXPECT_EQ(standList[0].options[1].hours, slots({47}));
  EXPECT_EQ(standList[0].options[2].day, 1);
  EXPECT_EQ(standList[0].options[2].hours, slots({0, 1}));
}

TEST_F(LearnedOptions, SeenAgainInTheSameHalfHourOnlyTheCountGrows) {
  const LiveAircraft& ac = parked(firstHexid, "N12345");
  EXPECT_TRUE(lt_addStandOption(1, ac, WeekTime{3, 20}, false));
  const auto before = standList[0].options;
  EXPECT_TRUE(lt_addStandOption(1, ac, WeekTime{3, 20}, false));
  EXPECT_EQ(standList[0].options, before);
  EXPECT_EQ(standUpdateCount, 2);
  // Seen half an hour later, the option grows by that half-hour.
  EXPECT_TRUE(lt_addStandOption(1, ac, WeekTime{3, 21}, false));
  ASSERT_EQ(standList[0].options.size(), 1u);
  EXPECT_EQ(standList[0].options[0].hours, slots({20, 21}));
}

TEST_F(LearnedOptions, SoftUsesAreKeptApartFromRealOnes) {
  const LiveAircraft& ac = parked(firstHexid, "N12345");
  EXPECT_TRUE(lt_addStandOption(1, ac, false, WeekTime{3, 20}, false));
  EXPECT_TRUE(lt_addStandOption(1, ac, WeekTime{3, 24}, false));
  ASSERT_EQ(standList[0].options.size(), 2u);
  EXPECT_FALSE(standList[0].options[0].real);
  EXPECT_TRUE(standList[0].options[1].real);
  EXPECT_EQ(standList[0].softStays.size(), 1u);
  // Tracked and departing two half-hours later: the soft stay is filled in and ends.
  EXPECT_TRUE(lt_addStandOption(1, ac, true, WeekTime{3, 22}, true));
  EXPECT_EQ(standList[0].options[0].hours, slots({20, 21, 22}));
  EXPECT_TRUE(standList[0].softStays.empty());
}

} // namespace
} // namespace traffic_testing
