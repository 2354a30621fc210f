// Merging traffic reports: which reports of a known aircraft join its stream, which make a
// new aircraft, and which are dropped.
#include "airports/park_airport.h"
#include "traffic/report_merge.h"
#include "traffic_fixture.h"

#include <limits>

using namespace traffic_testing;

namespace {

using ReportMerge = TrafficTest;

// Two reports of one aircraft, the second `seconds` after the first.
struct Pair {
  const char* name;
  double gs1, track1;
  bool air1;
  double seconds;
  double gs2, track2;
  bool air2;
  bool kept;
};

Report lf_report(double gs, double track, bool airborne, double time, std::int32_t due) {
  Report r;
  r.groundSpeed = gs;
  r.track = track;
  r.altitude = airborne ? 3000 : 0;
  // Each report a little farther on: a report in the same place is a still point.
  r.lat = laxLat + (time - 1'700'000'000) * 0.001;
  r.time = time;
  r.dueTick = due;
  return r;
}

} // namespace

TEST_F(ReportMerge, ThinsTheStreamAndKeepsImplausibleJumpsOut) {
  const Pair cases[] = {
      {"0.8 s apart", 250, 90, true, 0.8, 250, 95, true, false},
      {"1.0 s apart", 250, 90, true, 1.0, 250, 95, true, false},
      {"480 kt, same track, 1.82 s", 480, 90, true, 1.82, 480, 90.5, true, false},
      {"480 kt, same track, 1.83 s", 480, 90, true, 1.83, 480, 90.5, true, true},
      {"480 kt, turning", 480, 90, true, 1.2, 480, 92, true, true},
      {"120 kt is not thinned", 120, 90, true, 1.5, 120, 90, true, true},
      {"taxi 10 kt, 3.88 s", 10, 180, false, 3.88, 10, 181, false, false},
      {"taxi 10 kt, 3.9 s", 10, 180, false, 3.9, 10, 181, false, true},
      {"standing, 15 s", 0, 180, false, 15, 0, 180, false, false},
      {"standing, 15.1 s", 0, 180, false, 15.1, 0, 180, false, true},
      {"31 kt, 1.1 s", 31, 180, false, 1.1, 31, 180, false, true},
      {"track 359.5 to 0.5", 10, 359.5, false, 2, 10, 0.5, false, false},
      {"4 kt to 85 kt", 4, 250, false, 2, 85, 250, false, false},
      {"6 kt to 60 kt", 6, 250, false, 2, 60, 250, false, false},
      {"6 kt to 59 kt", 6, 250, false, 2, 59, 250, false, true},
      {"90 kt to 4 kt", 90, 250, false, 2, 4, 250, false, false},
      {"a whole take-off roll between two reports", 4, 250, false, 30, 140, 250, false, true},
  };
  for (const Pair& c : cases) {
    SCOPED_TRACE(c.name);
    traffic.liveList.clear();
    Report first = lf_report(c.gs1, c.track1, c.air1, 1'700'000'000, 5000);
    TrafficData a = first.data();
    lf_mergeReport(a);
    ASSERT_NE(live(), nullptr);
    TrafficData b = lf_report(c.gs2, c.track2, c.air2, first.time + c.seconds, 5300).data();
    lf_mergeReport(b);
    EXPECT_EQ(live()->feedPoints.size(), c.kept ? 2u : 1u);
    EXPECT_EQ(live()->lastReportTime, c.kept ? b.timestamp : a.timestamp);
  }
}

TEST_F(ReportMerge, OneDroppedSpeedReportDoesNotDropEveryLaterOne) {
  // Lined up at 6 kt, then the take-off roll: the first fast report looks like a jump, the
  // next one agrees with it and becomes the new baseline.
  const double t0 = 1'700'000'000;
  TrafficData a = lf_report(6, 250, false, t0, 5000).data();
  lf_mergeReport(a);
  TrafficData b = lf_report(60, 250, false, t0 + 3, 5300).data();
  lf_mergeReport(b);
  EXPECT_EQ(live()->feedPoints.size(), 1u);
  TrafficData c = lf_report(72, 250, false, t0 + 6, 5600).data();
  lf_mergeReport(c);
  ASSERT_EQ(live()->feedPoints.size(), 2u);
  EXPECT_EQ(live()->feedPoints.back().groundSpeed, 72);
  TrafficData d = lf_report(85, 250, false, t0 + 9, 5900).data();
  lf_mergeReport(d);
  EXPECT_EQ(live()->feedPoints.size(), 3u);

  // A single glitch is dropped, and the next report that agrees with the stream is kept.
  traffic.liveList.clear();
  TrafficData e = lf_report(6, 250, false, t0, 5000).data();
  lf_mergeReport(e);
  TrafficData glitch = lf_report(90, 250, false, t0 + 3, 5300).data();
  lf_mergeReport(glitch);
  TrafficData f = lf_report(7, 250, false, t0 + 6, 5600).data();
  lf_mergeReport(f);
  ASSERT_EQ(live()->feedPoints.size(), 2u);
  EXPECT_EQ(live()->feedPoints.back().groundSpeed, 7);
}

TEST_F(ReportMerge, UnusableValuesAndStaticHexidsAreDropped) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  const std::vector<std::pair<const char*, std::function<void(TrafficData&)>>> cases{
      {"hexid of a static aircraft", [](TrafficData& r) { r.hexId = 10000; }},
      {"latitude NaN", [nan](TrafficData& r) { r.point.latitude = nan; }},
      {"longitude 200", [](TrafficData& r) { r.point.longitude = 200; }},
      {"altitude infinite", [inf](TrafficData& r) { r.point.altitude = inf; }},
      {"negative ground speed", [](TrafficData& r) { r.point.groundSpeed = -5; }},
      {"track 400", [](TrafficData& r) { r.point.track = 400; }},
      {"vertical speed NaN", [nan](TrafficData& r) { r.point.verticalSpeed = nan; }},
      {"airspeed infinite", [inf](TrafficData& r) { r.point.trueAirspeed = inf; }},
      {"roll NaN", [nan](TrafficData& r) { r.point.roll = nan; }},
      {"true heading 7 rad", [](TrafficData& r) { r.point.trueHeading = 7.0; }},
      {"report time NaN", [nan](TrafficData& r) { r.timestamp = nan; }},
  };
  for (const auto& [name, spoil] : cases) {
    SCOPED_TRACE(name);
    TrafficData r = Report{}.data();
    spoil(r);
    EXPECT_FALSE(gf_usableReport(r));
    lf_mergeReport(r);
    EXPECT_TRUE(traffic.liveList.empty());
  }
  // A known aircraft does not take a bad report either.
  TrafficData good = Report{}.data();
  lf_mergeReport(good);
  TrafficData bad = Report{}.data();
  bad.timestamp += 10;
  bad.point.latitude = nan;
  lf_mergeReport(bad);
  EXPECT_EQ(live()->feedPoints.size(), 1u);
}

TEST_F(ReportMerge, NewAircraftNeedAKnownTypeAndAWantedCategory) {
  struct Case {
    const char* name;
    const char* type;
    const char* registration;
    bool created;
    const char* typeAfter;
  };
  const Case cases[] = {
      {"known type", "B738", "", true, "B738"},
      {"unknown type, no registration", "XXXX", "", false, ""},
      {"unknown type, registration with a type", "XXXX", "N999ZZ", true, "A320"},
      {"no type, registration with a type", "", "N12345", true, "B738"},
      {"unknown type, unknown registration", "XXXX", "D-EFGH", false, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    traffic.liveList.clear();
    Report r;
    r.type = c.type;
    r.registration = c.registration;
    TrafficData data = r.data();
    lf_mergeReport(data);
    ASSERT_EQ(traffic.liveList.size(), c.created ? 1u : 0u);
    if (!c.created) continue;
    const LiveAircraft& ac = traffic.liveList.front();
    EXPECT_EQ(ac.aircraft.aircraftInfo.type, c.typeAfter);
    EXPECT_EQ(ac.aircraft.aircraftInfo.coupledCallsign1, "AAL123");
    EXPECT_TRUE(ac.aircraft.aircraftInfo.airline.empty());
    EXPECT_EQ(ac.aircraft.aircraftInfo.hexid, firstHexid);
    EXPECT_EQ(ac.aircraft.state, LiveState::Buffer);
    EXPECT_EQ(ac.phase, FlightPhase::Birth);
    EXPECT_EQ(ac.aircraft.aircraftInfo.currentTurnRate, ac.aircraft.aircraftInfo.turnRate);
    EXPECT_EQ(ac.aircraft.aircraftInfo.verticalStepFt, 0.6);
    EXPECT_EQ(ac.aircraft.aircraftInfo.standSpeedKt, 4);
  }

  // Each unwanted category is dropped, report after report.
  for (auto* setting : {&LIGHT_AIRCRAFT, &HELICOPTERS, &HIGH_PERF_AIRCRAFT}) setting->set(false);
  for (const char* type : {"C172", "R44", "F16"})
    for (int i = 0; i < 2; ++i) {
      Report r;
      r.type = type;
      r.time += i * 10;
      TrafficData data = r.data();
      lf_mergeReport(data);
      EXPECT_EQ(live(), nullptr) << type;
    }
}

TEST_F(ReportMerge, ReportsOfAircraftBeingRemovedOrKnownUnderAnotherHexidAreDropped) {
  TrafficData first = Report{}.data();
  lf_mergeReport(first);
  live()->aircraft.state = LiveState::RemovingFromSim;
  TrafficData later = Report{}.data();
  later.timestamp += 5;
  lf_mergeReport(later);
  EXPECT_EQ(live()->feedPoints.size(), 1u);

  // The same callsign and type under another hexid: the aircraft is there already.
  Report other;
  other.hexid = firstHexid + 1;
  TrafficData twin = other.data();
  lf_mergeReport(twin);
  EXPECT_EQ(live(firstHexid + 1), nullptr);
  other.type = "A320";
  TrafficData otherType = other.data();
  lf_mergeReport(otherType);
  EXPECT_NE(live(firstHexid + 1), nullptr);
}

TEST_F(ReportMerge, LowReportsNearTheParkAirportsElevationMakeNoAircraft) {
  struct Case {
    const char* name;
    const char* park; // "" for none
    double altitude;
    bool created;
  };
  const Case cases[] = {
      {"250 ft, park airport at 130 ft", "KLAX", 250, false},     {"251 ft, park airport at 130 ft", "KLAX", 251, true},
      {"on the ground, park airport at 130 ft", "KLAX", 0, true}, {"50 ft, no park airport", "", 50, true},
      {"10000 ft, park airport at 9900 ft", "KLAX", 10000, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    traffic.liveList.clear();
    currentParkAirport = {};
    currentParkAirport.code = c.park;
    currentParkAirport.alt = c.altitude == 10000 ? 9900 : 130;
    Report r;
    r.altitude = c.altitude;
    r.groundSpeed = c.altitude == 0 ? 10 : 140;
    TrafficData data = r.data();
    lf_mergeReport(data);
    EXPECT_EQ(live() != nullptr, c.created);
  }
  // A buffered aircraft takes no low report there either.
  currentParkAirport.code = "KLAX";
  currentParkAirport.alt = 130;
  Report high;
  high.altitude = 1000;
  TrafficData first = high.data();
  lf_mergeReport(first);
  Report low = high;
  low.altitude = 200;
  low.time += 10;
  low.dueTick += 1000;
  TrafficData second = low.data();
  lf_mergeReport(second);
  EXPECT_EQ(live()->feedPoints.size(), 1u);
  currentParkAirport = {};
}
