#include "airports_fixture.h"

#include "airports/stands.h"
#include "support/test_support.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <stdexcept>

using airports_testing::bit;
using airports_testing::makeAircraft;
using airports_testing::makeOption;
using airports_testing::ReferenceData;
using testing_support::LogCapture;

namespace {

std::size_t warningCount(const LogCapture& log) {
  std::size_t count = 0;
  for (const auto& line : log.lines())
    if (line.starts_with("===> gf_hours2bitset invalid hour")) ++count;
  return count;
}

StandData standOfRadius(double metres) { return StandData("A1", {}, 52.3, 4.76, 0.0, metres, false, false, false); }

} // namespace

TEST(StandRecords, ConstructionStoresNauticalMilesAndStartsClear) {
  const StandData stand("B12", {makeOption("D-AIPA", 1, 2, bit(3))}, 52.3, 4.76, 1.5, 27.78, true, false, true);
  EXPECT_EQ(stand.name, "B12");
  EXPECT_DOUBLE_EQ(stand.radius, 27.78 / 1852);
  EXPECT_DOUBLE_EQ(stand.heading, 1.5);
  EXPECT_EQ(stand.options.size(), 1u);
  EXPECT_EQ(stand.number, 0);
  EXPECT_TRUE(stand.cargo && !stand.ramp && stand.heli);
  EXPECT_FALSE(stand.manual || stand.radius_change || stand.cargo_change || stand.suffixed || stand.takenByStatic ||
               stand.takenByLive || stand.excluded || stand.nextToTaken);
  EXPECT_TRUE(stand.adjacent.empty());
  EXPECT_GE(stand.adjacent.capacity(), 8u);
}

TEST(StandRecords, HalfHourTexts) {
  struct Case {
    const char* text;
    std::uint64_t hours;
    std::size_t warnings;
  };
  const Case cases[] = {
      {"", 0, 0},
      {"3,5,7", bit(3) | bit(5) | bit(7), 0},
      {"47,48", bit(47), 1},
      {"12x", bit(12), 0},
      {" 5", 0, 1}, // a leading blank is no digit
      {"1,,2", bit(1) | bit(2), 1},
      {"-1,0", bit(0), 1},
      {"3,3", bit(3), 0},
      {"99999999999,4", bit(4), 1}, // overflows int32
      {"-", 0, 1},
      {",", 0, 2},
  };
  for (const auto& c : cases) {
    LogCapture log;
    EXPECT_EQ(gf_hours2bitset(c.text), c.hours) << c.text;
    EXPECT_EQ(warningCount(log), c.warnings) << c.text;
  }
  LogCapture log;
  gf_hours2bitset("47,48");
  EXPECT_TRUE(log.contains("===> gf_hours2bitset invalid hour '48' in 47,48"));

  // A damaged text of many bad pieces: a few warnings and their count, not one each.
  const auto damaged = std::string(20000, ',') + "5";
  LogCapture many;
  EXPECT_EQ(gf_hours2bitset(damaged), bit(5));
  EXPECT_EQ(warningCount(many), 5u);
  EXPECT_TRUE(many.contains("===> gf_hours2bitset 19995 more invalid hours in ,,,"));
  EXPECT_EQ(many.lines().size(), 6u);
}

TEST(StandRecords, HalfHourSetsAsText) {
  EXPECT_EQ(gf_bitset2hours(bit(0) | bit(47)), "0,47");
  EXPECT_EQ(gf_bitset2hours(0), "");
  EXPECT_EQ(gf_bitset2hours(bit(14) | bit(15) | bit(16)), "14,15,16");
  // Bits above 47 are no half-hours.
  EXPECT_EQ(gf_bitset2hours(bit(48) | bit(63) | bit(2)), "2");
  const std::uint64_t all = (std::uint64_t{1} << 48) - 1;
  EXPECT_EQ(gf_hours2bitset(gf_bitset2hours(all)), all);
}

TEST(StandRecords, FitSizeAtItsBoundaries) {
  struct Case {
    double halfSpanMetres;
    double radiusMetres;
    bool fits;
  };
  const Case cases[] = {
      {10.0, 10.0, true},
      {10.0, 8.0, false},
      {10.0, 8.3, true},
      {10.0, 16.9, true},
      {10.0, 17.0, false},
      {17.7, 24.6, true},
      {17.7, 24.8, false},
      // 17.8 m is above its single-precision self, so it takes the 21 m steps.
      {17.8, 28.2, true},
      {17.8, 28.4, false},
      {30.0, 40.4, true},
      {30.0, 40.6, false},
      {30.0, 28.3, true},
      {30.0, 28.1, false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(gf_standFitsSize(standOfRadius(c.radiusMetres), c.halfSpanMetres / 1852), c.fits)
        << c.halfSpanMetres << " in " << c.radiusMetres;
  // A radius no file may carry, or no number at all, fits nothing and throws nothing.
  EXPECT_FALSE(gf_standFitsSize(standOfRadius(1e11), 10.0 / 1852));
  EXPECT_FALSE(gf_standFitsSize(standOfRadius(std::numeric_limits<double>::infinity()), 10.0 / 1852));
  EXPECT_FALSE(gf_standFitsSize(standOfRadius(std::nan("")), 10.0 / 1852));
  EXPECT_FALSE(gf_standFitsSize(standOfRadius(20.0), std::nan("")));
}

TEST(StandRecords, PrecedingSlotsStepBackOverMidnight) {
  EXPECT_EQ(gf_listPrecedingSlots(3, {1, 1}), (SlotList{1, 0, 47}));
  EXPECT_EQ(gf_listPrecedingSlots(1, {4, 20}), (SlotList{20}));
  EXPECT_TRUE(gf_listPrecedingSlots(0, {4, 20}).empty());
  EXPECT_GE(gf_listPrecedingSlots(2, {4, 20}).capacity(), 48u);
}

TEST(StandRecords, SlotListsSetOnOptions) {
  StandData stand = standOfRadius(20);
  stand.options = {makeOption("A", 1, 1, 0), makeOption("B", 2, 2, bit(1))};

  SlotList slots{1, 0, 47};
  EXPECT_TRUE(updateOptionsWrapped(stand, slots, 1, 2));
  EXPECT_EQ(stand.options[0].hours, bit(47));
  EXPECT_EQ(stand.options[1].hours, bit(0) | bit(1));
  EXPECT_EQ(slots, SlotList{1});

  stand.options[0].hours = 0;
  stand.options[1].hours = bit(1);
  slots = {1, 0};
  EXPECT_TRUE(updateOptionsWrapped(stand, slots, 1, 2));
  EXPECT_EQ(stand.options[0].hours, 0u);
  EXPECT_EQ(stand.options[1].hours, bit(0) | bit(1));

  slots = {1, 0, 47};
  EXPECT_FALSE(updateOptionsWrapped(stand, slots, 9, 2));
  EXPECT_EQ(slots.size(), 3u);
  EXPECT_FALSE(updateOptionsWrapped(stand, slots, 1, 9)); // what the first took stays
  EXPECT_TRUE(stand.options[0].hours & bit(47));

  slots = {7, 6, 5};
  EXPECT_TRUE(updateOptions(stand, slots, 2));
  EXPECT_TRUE(slots.empty());
  EXPECT_EQ(stand.options[1].hours, bit(0) | bit(1) | bit(5) | bit(6) | bit(7));
  slots = {7};
  EXPECT_FALSE(updateOptions(stand, slots, 3));
  EXPECT_EQ(slots, SlotList{7});

  slots = {48};
  EXPECT_THROW(updateOptions(stand, slots, 1), std::out_of_range);
}

TEST(StandRecords, StayOverMidnightMarksBothDays) {
  StandData stand = standOfRadius(20);
  stand.options = {makeOption("D-AIPA", 1, 1, bit(46)), makeOption("D-AIPA", 2, 2, bit(1))};
  stand.options[0].callsign = "DLH1";
  gf_markStandOccupancy(stand, {2, 1}, "DLH2_", 4, 1, 2);
  EXPECT_EQ(stand.options[0].hours, bit(46) | bit(47));
  EXPECT_EQ(stand.options[1].hours, bit(0) | bit(1));
  EXPECT_EQ(stand.options[0].coupledCallsign, "DLH2");
  EXPECT_EQ(stand.options[1].callsign, "DLH2");
}

TEST(StandRecords, CreatingOptions) {
  ReferenceData reference;
  StandData stand = standOfRadius(20);
  const auto aircraft = makeAircraft("EZY", "A319");

  EXPECT_FALSE(gf_createStandOption(stand, aircraft, true, {3, 20}, "EZY12", ""));
  EXPECT_TRUE(stand.options.empty());

  EXPECT_EQ(gf_createStandOption(stand, aircraft, true, {3, 20}, "EZY12_", "G-EZAA"), 1);
  ASSERT_EQ(stand.options.size(), 1u);
  const StandOptionData expected{"EZY", "A319", "G-EZAA", "EZY12", "", bit(20), 1, 3, 0, true};
  EXPECT_EQ(stand.options[0], expected);
  // The same use again adds nothing; another callsign or half-hour is another use.
  EXPECT_FALSE(gf_createStandOption(stand, aircraft, true, {3, 20}, "EZY12", "G-EZAA"));
  EXPECT_EQ(gf_createStandOption(stand, aircraft, false, {3, 21}, "EZY12", "G-EZAA"), 2);
  EXPECT_FALSE(stand.options[1].real);

  // A known registration brings its own airline and type, the operator before the airline.
  EXPECT_EQ(gf_createStandOption(stand, aircraft, true, {3, 20}, "KLM1", "PH-BXA"), 3);
  EXPECT_EQ(stand.options[2].airline, "TRA");
  EXPECT_EQ(stand.options[2].type, "B738");
  EXPECT_EQ(gf_createStandOption(stand, aircraft, true, {3, 20}, "DLH1", "DAIPA"), 4);
  EXPECT_EQ(stand.options[3].airline, "DLH");
  EXPECT_EQ(stand.options[3].registration, "DAIPA");

  // Numbers out of order: the next is above the highest, never a repeat.
  stand.options = {makeOption("A", 5, 1, bit(1)), makeOption("B", 2, 1, bit(1))};
  EXPECT_EQ(gf_createStandOption(stand, aircraft, true, {1, 1}, "X", "C"), 6);

  EXPECT_THROW(gf_createStandOption(stand, aircraft, true, {1, 48}, "X", "D"), std::out_of_range);
  EXPECT_THROW(gf_createStandOption(stand, aircraft, true, {-1, -1}, "X", "D"), std::out_of_range);
}

TEST(StandRecords, RecordingCallsigns) {
  StandData stand = standOfRadius(20);
  stand.options = {makeOption("A", 1, 1, bit(1)), makeOption("B", 0, 1, bit(1))};
  gf_setOptionCallsign(stand, 1, "");
  EXPECT_EQ(stand.options[0].callsign, "");
  gf_setOptionCallsign(stand, 1, "AB1_");
  EXPECT_EQ(stand.options[0].callsign, "AB1");
  gf_setOptionCallsign(stand, 1, "AB1");
  EXPECT_EQ(stand.options[0].coupledCallsign, "");
  gf_setOptionCallsign(stand, 1, "AB2");
  gf_setOptionCallsign(stand, 1, "AB2");
  EXPECT_EQ(stand.options[0].coupledCallsign, "AB2");
  gf_setOptionCallsign(stand, 1, "AB3");
  EXPECT_EQ(stand.options[0].callsign, "AB1");
  EXPECT_EQ(stand.options[0].coupledCallsign, "AB3");
  gf_setOptionCallsign(stand, 0, "AB4");
  EXPECT_EQ(stand.options[1].callsign, "");
}

TEST(StandRecords, OptionPredicates) {
  auto option = makeOption("D-AIPA", 1, 2, bit(47));
  option.callsign = "DLH1";
  option.coupledCallsign = "DLH2";

  EXPECT_TRUE(gf_matchOptionByCallsignOrType(makeAircraft("EZY", "A319", "DLH1"), option));
  EXPECT_TRUE(gf_matchOptionByCallsignOrType(makeAircraft("EZY", "A319", "DLH2"), option));
  EXPECT_TRUE(gf_matchOptionByCallsignOrType(makeAircraft("DLH", "A320", "XYZ"), option));
  EXPECT_FALSE(gf_matchOptionByCallsignOrType(makeAircraft("DLH", "A319", "XYZ"), option));
  EXPECT_TRUE(gf_matchStringPair(makeAircraft("DLH", "A320").aircraftInfo, option));

  EXPECT_TRUE(gf_matchOptionByRegAndSlot({2, 0}, "D-AIPA", option)); // 47 neighbours 0
  EXPECT_TRUE(gf_matchOptionByRegAndSlot({2, 46}, "D-AIPA", option));
  EXPECT_TRUE(gf_matchOptionByRegAndSlot({2, 47}, "D-AIPA", option));
  EXPECT_FALSE(gf_matchOptionByRegAndSlot({2, 45}, "D-AIPA", option));
  EXPECT_FALSE(gf_matchOptionByRegAndSlot({3, 0}, "D-AIPA", option));
  EXPECT_FALSE(gf_matchOptionByRegAndSlot({2, 0}, "D-AIPB", option));
  EXPECT_THROW(gf_matchOptionByRegAndSlot({2, 48}, "D-AIPA", option), std::out_of_range);

  for (const auto& [number, real] : {std::pair{0, true}, std::pair{1, false}}) {
    auto off = option;
    off.number = number;
    off.real = real;
    EXPECT_FALSE(gf_matchOptionByCallsignOrType(makeAircraft("DLH", "A320", "DLH1"), off));
    EXPECT_FALSE(gf_matchOptionByRegAndSlot({2, 47}, "D-AIPA", off));
  }

  // An aircraft without a callsign is not the owner of every option without a coupled one.
  auto single = makeOption("D-AIPA", 1, 2, bit(1));
  single.callsign = "DLH1";
  EXPECT_FALSE(gf_matchOptionByCallsignOrType(makeAircraft("EZY", "A319", ""), single));
}
