// Whole flights from real recordings through the harness: an arrival from an 8 nm final
// to its rollout and turn-off, a departure from its take-off roll into the climb, and the
// feed's disturbances on the way, with the harness's invariants checked on every tick.
#include "airports/park_airport.h"
#include "feeds/qnh_reader.h"
#include "motion_harness.h"
#include "traffic_fixture.h"

#include <fmt/format.h>
#include <fmt/ranges.h>
#include <functional>

using namespace traffic_testing;
using namespace motion_harness;

namespace {

constexpr std::uint32_t arrivalHexid = 11389159;   // AAL1331, A321
constexpr std::uint32_t departureHexid = 11378291; // JBU424, A321

class MotionScenario : public TrafficTest {
protected:
  MotionScenario() {
    dbaseTables.aircraftTypes.insert("A321");
    dbaseTables.largeTypes.insert("A321");
    gf_setLiveryTables({[](AircraftInfoData& info) { info.liveryTitle = "Any Livery"; },
                        [](std::string_view) { return std::string_view("Any Livery"); }});
    currentParkAirport = {"KLAX", "LAX", laxLat, laxLon, 125.0};
    trafficQnh.store(1013);
    // The user stands on the ground well away from the runways.
    placeUser(latNorth(20), laxLon, 0, true);
    COLLISION_USER_GND.set(false);
    rangeNm.store(100);
    setTick(1000);
  }
  ~MotionScenario() override {
    currentParkAirport = {};
    trafficQnh.store(1013);
  }

  static std::vector<FixtureReport> fixture(const std::string& name) {
    return gf_readFixture(std::string(HVM_DATA_DIR) + "/motion/" + name, 125.0);
  }

  // Runs until the aircraft has an object; its id.
  static std::int32_t created(MotionHarness& h, std::uint32_t hexid) {
    h.runWhile([&] { return h.objectOf(hexid) == 0; }, 20000);
    return h.objectOf(hexid);
  }

  static std::string violations(const MotionHarness& h) { return fmt::format("{}", fmt::join(h.violations, "\n")); }
};

TEST_F(MotionScenario, AnArrivalFromAnEightMileFinalLandsRollsOutAndTurnsOff) {
  MotionHarness h(fake);
  h.scheduleFixture(fixture("AAL1331_arrival.csv"), 1000);
  const std::int32_t id = created(h, arrivalHexid);
  ASSERT_NE(id, 0);
  h.runWhile([&] { return h.inSimulator(id); }, 70000);

  const auto approachThrottle = h.firstEvent(id, SimEventId::THROTTLE_SET, 4914);
  const auto approachFlaps = h.firstEvent(id, SimEventId::FLAPS_SET, 16383);
  const auto gearDown = h.firstEvent(id, SimEventId::GEAR_SET, 1);
  const auto flare = h.firstEvent(id, SimEventId::THROTTLE_SET, 0);
  const auto touchdown = h.firstEvent(id, SimEventId::SPOILERS_SET, 16383);
  ASSERT_TRUE(approachThrottle && approachFlaps && gearDown && flare && touchdown);
  EXPECT_LT(approachThrottle->tick, flare->tick);
  EXPECT_LT(approachFlaps->tick, flare->tick);
  EXPECT_LT(gearDown->tick, flare->tick);
  EXPECT_LE(flare->tick, touchdown->tick);
  // The touchdown's data go straight to the object: spoilers handle and both levers.
  const auto controls = std::find_if(h.controls.begin(), h.controls.end(), [&](const SentControls& c) {
    return c.objectId == id && c.tick == touchdown->tick;
  });
  ASSERT_NE(controls, h.controls.end());
  EXPECT_EQ(controls->values, (std::vector<double>{100, 100, 100}));

  // Slowed to 90 kt: spoilers in, flaps back to 1, controls released.
  const auto spoilersIn = h.firstEvent(id, SimEventId::SPOILERS_SET, 0, touchdown->tick);
  const auto flapsBack = h.firstEvent(id, SimEventId::FLAPS_SET, 3072, touchdown->tick);
  ASSERT_TRUE(spoilersIn && flapsBack);
  EXPECT_TRUE(std::any_of(h.controls.begin(), h.controls.end(), [&](const SentControls& c) {
    return c.objectId == id && c.tick > touchdown->tick && c.values == std::vector<double>{0, 0, 0};
  }));
  // Off the runway: the taxi lights on, the landing lights and strobes off.
  const auto taxiLights = h.firstEvent(id, SimEventId::TAXI_LIGHTS_SET, 1, touchdown->tick);
  ASSERT_TRUE(taxiLights);
  EXPECT_TRUE(h.firstEvent(id, SimEventId::LANDING_LIGHTS_SET, 0, taxiLights->tick));
  EXPECT_TRUE(h.firstEvent(id, SimEventId::STROBES_SET, 0, taxiLights->tick));
  EXPECT_TRUE(h.firstEvent(id, SimEventId::FLAPS_SET, 0, taxiLights->tick));

  EXPECT_TRUE(h.violations.empty()) << violations(h);
  // It came down on the ground and stayed there.
  const auto& samples = h.track[id];
  ASSERT_FALSE(samples.empty());
  EXPECT_TRUE(samples.back().onGround);
}

TEST_F(MotionScenario, ADepartureRollsRotatesRaisesTheGearAndClimbsOut) {
  MotionHarness h(fake);
  // From where it waits short of the runway.
  const auto reports = fixture("JBU424_departure.csv");
  h.scheduleFixture(reports, 1000, 405.0);
  const std::int32_t id = created(h, departureHexid);
  ASSERT_NE(id, 0);
  std::int32_t rotation = 0;
  std::int32_t climbed = 0;
  std::int32_t predicted = 0; // points predicted once the reports stopped
  h.runWhile(
      [&] {
        const LiveAircraft* ac = live(departureHexid);
        if (ac && ac->phase == FlightPhase::TakeOff && rotation == 0) rotation = gf_tickCounter() - 1;
        if (ac && rotation != 0 && ac->phase == FlightPhase::Flying && climbed == 0) climbed = gf_tickCounter() - 1;
        if (ac && ac->extensionLeft > 0) predicted = std::max(predicted, ac->extensionLeft);
        return h.inSimulator(id);
      },
      60000);
  const std::int32_t lastDue = 1000 + static_cast<std::int32_t>((reports.back().offsetSeconds - 405.0) * 100) + 3000;
  ASSERT_NE(rotation, 0) << "it rotated";
  ASSERT_NE(climbed, 0) << "it ended its take-off";

  // The take-off roll: from idle the throttle steps up with the speed, to full power before
  // rotation.
  const auto rollStart = h.firstEvent(id, SimEventId::LANDING_LIGHTS_SET, 1);
  ASSERT_TRUE(rollStart);
  std::vector<std::int32_t> throttle;
  for (const auto& e : h.eventsFor(id))
    if (e.eventId == SimEventId::THROTTLE_SET && e.tick >= rollStart->tick && e.tick <= rotation)
      throttle.push_back(e.data);
  ASSERT_FALSE(throttle.empty());
  EXPECT_TRUE(std::is_sorted(throttle.begin(), throttle.end())) << fmt::format("{}", fmt::join(throttle, " "));
  EXPECT_EQ(throttle.back(), 16383);

  // The gear comes up 300 ticks after the rotation ended (`rotation` is the tick it began),
  // whatever the climb-out sent before.
  const std::int32_t rotationEnd = rotation + gf_categoryRow(SizeCategory::Large).rotationTicks - 1;
  const auto gearUp = h.firstEvent(id, SimEventId::GEAR_SET, 0, rotationEnd + 1);
  ASSERT_TRUE(gearUp);
  EXPECT_TRUE(std::any_of(h.events.begin(), h.events.end(), [&](const SentEvent& e) {
    return e.objectId == id && e.eventId == SimEventId::GEAR_SET && e.data == 0 && e.tick == rotationEnd + 300;
  }));

  // Lever step 3 once the climb pitch is reached at 800 ft above the ground.
  const auto climbPower = h.firstEvent(id, SimEventId::THROTTLE_SET, 11468, rotation);
  ASSERT_TRUE(climbPower);
  EXPECT_EQ(climbPower->tick, climbed);
  const auto& samples = h.track[id];
  const auto atClimb = std::find_if(samples.begin(), samples.end(), [&](const Sample& s) { return s.tick >= climbed; });
  ASSERT_NE(atClimb, samples.end());
  EXPECT_GE(atClimb->position.altitude - h.ground.elevationFt, 800.0);

  // When the reports stop it flies on along 8 predicted points, 8 s apart, then leaves.
  EXPECT_EQ(predicted, 8);
  ASSERT_FALSE(samples.empty());
  // Its last report may have been reached up to the re-timing window's 3000 ticks early.
  EXPECT_GE(samples.back().tick, lastDue - 3000 + 7 * 800);
  EXPECT_FALSE(h.inSimulator(id));
  EXPECT_TRUE(h.violations.empty()) << violations(h);
}

} // namespace

namespace {

// The feed's disturbances on the arrival: each case changes the recorded reports.
TEST_F(MotionScenario, AnArrivalRidesOutTheFeedsDisturbances) {
  struct Case {
    const char* name;
    std::function<void(std::vector<FixtureReport>&)> disturb;
  };
  const auto firstOnGround = [](const std::vector<FixtureReport>& reports) {
    return std::find_if(reports.begin(), reports.end(),
                        [](const FixtureReport& r) { return !r.report.point.airborne; }) -
           reports.begin();
  };
  const Case cases[] = {
      {"a 40 s gap on the rollout",
       [&](std::vector<FixtureReport>& reports) {
         const auto start = reports[static_cast<std::size_t>(firstOnGround(reports))].offsetSeconds;
         std::erase_if(reports, [&](const FixtureReport& r) {
           return r.offsetSeconds > start && r.offsetSeconds <= start + 40.0;
         });
       }},
      {"repeats less than 1 s apart and a report out of order",
       [&](std::vector<FixtureReport>& reports) {
         std::vector<FixtureReport> disturbed;
         for (std::size_t i = 0; i < reports.size(); ++i) {
           disturbed.push_back(reports[i]);
           FixtureReport repeat = reports[i];
           repeat.offsetSeconds += 0.4;
           repeat.report.timestamp += 0.4;
           repeat.report.point.latitude += 0.0005;
           disturbed.push_back(repeat);
           if (i == reports.size() / 2) {
             FixtureReport old = reports[i - 3];
             old.offsetSeconds = reports[i].offsetSeconds + 1.0;
             disturbed.push_back(old);
           }
         }
         reports = disturbed;
       }},
      {"a jump from 6 to 60 kt while taxiing",
       [&](std::vector<FixtureReport>& reports) {
         const auto i = static_cast<std::size_t>(firstOnGround(reports)) + 6;
         reports[i].report.point.groundSpeed = 6;
         reports[i + 1].report.point.groundSpeed = 60;
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    traffic.liveList.clear();
    auto reports = fixture("AAL1331_arrival.csv");
    c.disturb(reports);
    MotionHarness h(fake);
    setTick(1000);
    h.scheduleFixture(reports, 1000);
    const std::int32_t id = created(h, arrivalHexid);
    ASSERT_NE(id, 0);
    const std::int32_t lastDue = 1000 + static_cast<std::int32_t>(reports.back().offsetSeconds * 100) + 3000;
    bool tookOff = false;
    bool ordered = true;
    h.runWhile(
        [&] {
          if (const LiveAircraft* ac = live(arrivalHexid)) {
            tookOff |= ac->takingOff;
            // The next point may be re-timed past the one after it; behind it the reports
            // keep their order.
            for (std::size_t i = 2; i < ac->feedPoints.size(); ++i)
              ordered &= ac->feedPoints[i].dueTick > ac->feedPoints[i - 1].dueTick;
          }
          return h.inSimulator(id) && gf_tickCounter() < lastDue;
        },
        70000);
    EXPECT_TRUE(h.inSimulator(id)) << "still there when its last report falls due";
    EXPECT_TRUE(h.firstEvent(id, SimEventId::SPOILERS_SET, 16383)) << "it landed";
    EXPECT_FALSE(tookOff);
    EXPECT_TRUE(ordered);
    EXPECT_TRUE(h.violations.empty()) << violations(h);
    h.runWhile([&] { return h.inSimulator(id); }, 20000);
    traffic.liveList.clear();
    clearSent();
  }
}

} // namespace
