// Whole ground movements from real recordings at Los Angeles, on the airport's
// real stands: an arrival that stops short of its gate, is driven into it and
// parks, and a departure that pushes back from its gate to the side its reports
// show and taxis out; with the harness's invariants checked on every tick.
#include "airports/park_airport.h"
#include "core/shell/requests.h"
#include "feeds/qnh_reader.h"
#include "flightgear_parking.h"
#include "motion_harness.h"
#include "traffic/parking/stand_queries.h"
#include "traffic_fixture.h"

#include <fmt/format.h>

using namespace traffic_testing;
using namespace motion_harness;

namespace {

constexpr std::uint32_t arrivalHexid = 11389159;   // AAL1331, A321
constexpr std::uint32_t departureHexid = 11303815; // NKS736, A20N
constexpr double a321HalfSpanNm = 35.8 / 2 / 1852;

class GroundScenario : public TrafficTest {
protected:
  GroundScenario() {
    for (const char* type : {"A321", "A20N"}) {
      dbaseTables.aircraftTypes.insert(type);
      dbaseTables.largeTypes.insert(type);
      dbaseTables.halfSpans[type] = a321HalfSpanNm;
    }
    gf_setLiveryTables({[](AircraftInfoData& info) { info.liveryTitle = "Any Livery"; },
                        [](std::string_view) { return std::string_view("Any Livery"); }});
    currentParkAirport = {"KLAX", "LAX", laxLat, laxLon, 125.0};
    trafficQnh.store(1013);
    // The user stands on the ground well away from the airport.
    placeUser(latNorth(20), laxLon, 0, true);
    COLLISION_USER_GND.set(false);
    rangeNm.store(100);
    setTick(1000);
    const auto klax = archive_standin::standsFromParkingList(std::string(HVM_DATA_DIR) + "/stands/KLAX.parking.xml",
                                                             {"KLAX", "Los Angeles Intl", 125});
    standList = klax.stands;
    gf_numberAndLinkStands(standList);
    gf_standListReplaced();
    parkAirportLoaded.store(true);
  }
  ~GroundScenario() override {
    standList.clear();
    gf_standListReplaced();
    parkAirportLoaded.store(false);
    currentParkAirport = {};
    standUpdateCount = 0;
    trafficQnh.store(1013);
  }

  static std::vector<FixtureReport> fixture(const std::string& name) {
    return gf_readFixture(std::string(HVM_DATA_DIR) + "/motion/" + name, 125.0);
  }
  static std::int32_t created(MotionHarness& h, std::uint32_t hexid) {
    h.runWhile([&] { return h.objectOf(hexid) == 0; }, 20000);
    return h.objectOf(hexid);
  }
  static const StandData& stand(std::string_view name) {
    const auto found = gf_findStandByName(name);
    EXPECT_NE(found, standList.end()) << name;
    return *found;
  }
  // Runs until the aircraft is in the phase; false when it never gets there.
  static bool runToPhase(MotionHarness& h, std::uint32_t hexid, FlightPhase phase, std::int32_t limit) {
    return h.runWhile(
        [&] {
          const LiveAircraft* ac = live(hexid);
          return ac && ac->phase != phase;
        },
        limit);
  }
  static double metresTo(const AcPositionData& p, const StandData& s) {
    return gf_distanceNm({p.latitude, p.longitude}, {s.lat, s.lon}) * 1852.0;
  }
  static double degreesOff(double radians, double degrees) {
    const double d = std::fmod(std::fabs(radians * radToDeg - degrees), 360.0);
    return d > 180.0 ? 360.0 - d : d;
  }
  static std::string violations(const MotionHarness& h) { return fmt::format("{}", fmt::join(h.violations, "\n")); }
};

TEST_F(GroundScenario, AnArrivalThatStopsShortOfItsGateIsDrivenInAndParks) {
  MotionHarness h(fake);
  h.scheduleFixture(fixture("AAL1331_arrival.csv"), 1000);
  const std::int32_t id = created(h, arrivalHexid);
  ASSERT_NE(id, 0);
  // It stops 43 m from gate G3: too far while its reports come, near enough
  // once they stop.
  ASSERT_TRUE(runToPhase(h, arrivalHexid, FlightPhase::Parking, 90000));
  const StandData& g3 = stand("G3");
  EXPECT_EQ(live(arrivalHexid)->aircraft.standNumber, g3.number);
  EXPECT_TRUE(g3.takenByLive);
  ASSERT_TRUE(runToPhase(h, arrivalHexid, FlightPhase::Parked, 10000));
  const std::int32_t parkedAt = gf_tickCounter();

  EXPECT_TRUE(log.contains("G3      : AAL1331  arrived at stand"));
  const AcPositionData& last = h.track[id].back().position;
  EXPECT_LE(metresTo(last, g3), 2.0);
  EXPECT_LE(degreesOff(last.heading, 72.0), 0.5);
  EXPECT_TRUE(h.track[id].back().onGround);

  // Engines off, levers idle, flaps up, the lights of a parked aircraft as the
  // settings say.
  const auto off = h.firstEvent(id, SimEventId::ENGINE_AUTO_SHUTDOWN, 0, parkedAt - 1);
  ASSERT_TRUE(off);
  const std::pair<SimEventId, std::int32_t> lights[] = {
      {SimEventId::NAV_LIGHTS_SET, 1},  {SimEventId::BEACON_LIGHTS_SET, 0}, {SimEventId::LANDING_LIGHTS_SET, 0},
      {SimEventId::TAXI_LIGHTS_SET, 0}, {SimEventId::STROBES_SET, 0},       {SimEventId::LOGO_LIGHTS_SET, 1},
      {SimEventId::CABIN_LIGHTS_SET, 1}};
  for (const auto& [event, value] : lights) {
    const auto sent = h.firstEvent(id, event, {}, off->tick);
    ASSERT_TRUE(sent) << static_cast<int>(event);
    EXPECT_EQ(sent->data, value) << static_cast<int>(event);
  }
  EXPECT_EQ(live(arrivalHexid)->aircraft.leverStep, 0);
  EXPECT_EQ(live(arrivalHexid)->aircraft.flapsStep, 0);

  // One use of G3 learned: this registration, today, this half-hour.
  ASSERT_EQ(g3.options.size(), 1u);
  EXPECT_EQ(g3.options[0].registration, "N988AL");
  EXPECT_TRUE(g3.options[0].real);
  EXPECT_EQ(g3.options[0].day, currentWeekTime.load().day);

  // The reports have stopped: it stands there, not removed, for the next twenty
  // minutes.
  h.runTicks(120'000);
  EXPECT_TRUE(h.inSimulator(id));
  EXPECT_TRUE(std::find(h.removed.begin(), h.removed.end(), id) == h.removed.end());
  EXPECT_EQ(live(arrivalHexid)->phase, FlightPhase::Parked);
  EXPECT_LE(metresTo(h.track[id].back().position, g3), 2.0);
  EXPECT_TRUE(h.violations.empty()) << violations(h);
}

TEST_F(GroundScenario, ADeparturePushesBackToTheSideItsReportsShowAndTaxisOut) {
  MotionHarness h(fake);
  h.scheduleFixture(fixture("NKS736_pushback.csv"), 1000);
  const std::int32_t id = created(h, departureHexid);
  ASSERT_NE(id, 0);
  // Created standing 27 m from gate F10 (nose west, 264 deg): it stands on the
  // gate.
  const StandData& f10 = stand("F10");
  ASSERT_EQ(live(departureHexid)->phase, FlightPhase::Parked);
  EXPECT_EQ(live(departureHexid)->aircraft.standNumber, f10.number);

  // Its reports move east, behind the gate: it pushes back.
  ASSERT_TRUE(runToPhase(h, departureHexid, FlightPhase::PushingBack, 40000));
  const std::int32_t pushStart = gf_tickCounter();
  EXPECT_FALSE(f10.takenByLive);
  const auto taxiLights = h.firstEvent(id, SimEventId::TAXI_LIGHTS_SET, 1, pushStart - 1);
  ASSERT_TRUE(taxiLights);
  ASSERT_TRUE(runToPhase(h, departureHexid, FlightPhase::PushedBack, 20000));
  EXPECT_TRUE(h.firstEvent(id, SimEventId::ENGINE_AUTO_START, 0, pushStart));

  // The reported heading (233 deg) lies left of the nose: the nose turns left,
  // to the south, and the tail ends to the right of the gate's axis, north of
  // the point behind it.
  const AcPositionData& end = h.track[id].back().position;
  EXPECT_LE(degreesOff(end.heading, 264.0 - 90.0), 5.0);
  const GeoPosition behind =
      gf_destinationPoint({f10.lat, f10.lon}, f10.heading + std::numbers::pi, 2.5 * f10.radius * 6076.11549);
  EXPECT_GT(end.latitude, behind.latitude);
  EXPECT_GT(end.longitude, f10.lon);

  // It waits pushed back until its reports move off, then taxis out along them.
  ASSERT_TRUE(runToPhase(h, departureHexid, FlightPhase::Taxi, 40000));
  EXPECT_EQ(live(departureHexid)->aircraft.standNumber, 0);
  h.runWhile([&] { return h.inSimulator(id) && gf_tickCounter() < 1000 + 3000 + 75'000; }, 80'000);
  const AcPositionData& out = h.track[id].back().position;
  EXPECT_GT(metresTo(out, f10), 1500.0);
  EXPECT_TRUE(h.violations.empty()) << violations(h);
}

} // namespace
