#pragma once
// Whole flights, tick by tick: reports arrive at their ticks and go through the traffic
// tick, and a simulator over flat ground creates, moves and removes what it is asked to,
// answers the range requests with ground data (an aircraft within 1 ft of ground + CG is on
// the ground) and reports each creation's CG. On every tick the harness checks what a
// viewer would see:
//   - every position value is finite;
//   - nothing (event, position, removal) is aimed at object 0, the user or an object that
//     is not live traffic's;
//   - an aircraft moves at most 1.5 times its ground speed per tick (the speed of the point
//     its leg began at or of its target, at least the speed it drives into a stand at);
//   - its heading turns within its turn rate on the ground and evenly in the air (or
//     follows its curve);
//   - after touchdown it never sinks below ground + CG - 1 ft until it takes off again.
// Broken rules are collected in `violations`, one line each with the tick.
#include "feeds/traffic_data.h"
#include "simlink/command_queues.h"
#include "support/fake_simconnect.h"

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace motion_harness {

// The object id the harness gives the user aircraft; live traffic never gets it.
inline constexpr std::int32_t userObjectId = 1;

struct SentEvent {
  std::int32_t tick = 0;
  std::int32_t objectId = 0;
  SimEventId eventId = SimEventId::NAV_LIGHTS_SET;
  std::int32_t data = 0;
};

// A direct data set of the AI controls (spoilers handle, throttle levers 1 and 2, percent).
struct SentControls {
  std::int32_t tick = 0;
  std::int32_t objectId = 0;
  std::vector<double> values;
};

// One tick of one object as the simulator saw it.
struct Sample {
  std::int32_t tick = 0;
  AcPositionData position;
  bool onGround = false; // by the flat-ground rule
};

struct GroundModel {
  double elevationFt = 125.0; // the flat ground everywhere
  double cgHeightFt = 8.0;    // every created aircraft's static CG above the ground
  double groundPitchRad = 0.012217304763960306;
};

// Reports of one aircraft cut from a recording: short-format lines (AITFC,...) read through
// the Traffic Reader's line parser with the park airport at Los Angeles.
struct FixtureReport {
  double offsetSeconds = 0.0; // after the fixture's first report
  TrafficData report;
};
std::vector<FixtureReport> gf_readFixture(const std::string& path, double parkElevationFt);

class MotionHarness {
public:
  MotionHarness(FakeSimConnect& fake, GroundModel ground = {});

  // The report arrives at `arrivalTick` (it falls due 3000 ticks later).
  void schedule(TrafficData report, std::int32_t arrivalTick);
  // A fixture's reports, its first arriving at `firstArrivalTick`; `fromSeconds` and
  // `toSeconds` cut the part to play.
  void scheduleFixture(const std::vector<FixtureReport>& fixture, std::int32_t firstArrivalTick,
                       double fromSeconds = 0.0, double toSeconds = 1e9);

  // One traffic tick, then one simulator frame.
  void tick();
  void runTicks(std::int32_t count);
  void runUntil(std::int32_t tick);
  // Ticks while `condition` holds, at most `limit`; true when it stopped holding.
  bool runWhile(const std::function<bool()>& condition, std::int32_t limit);

  // The object live traffic's aircraft with this hexid has in the simulator, 0 when none.
  std::int32_t objectOf(std::uint32_t hexid) const;
  bool inSimulator(std::int32_t objectId) const { return objects_.contains(objectId); }
  std::size_t objectCount() const { return objects_.size(); }

  std::vector<SentEvent> eventsFor(std::int32_t objectId) const;
  // The first event of this kind and value for the object from `fromTick` on.
  std::optional<SentEvent> firstEvent(std::int32_t objectId, SimEventId id, std::optional<std::int32_t> data = {},
                                      std::int32_t fromTick = 0) const;

  GroundModel ground;
  std::vector<SentEvent> events;
  std::vector<SentControls> controls;
  std::vector<std::int32_t> removed;                 // objects removed, in order
  std::map<std::int32_t, std::vector<Sample>> track; // positions by object
  std::vector<std::string> violations;
  std::size_t created = 0;

private:
  struct SimObject {
    std::uint32_t hexid = 0;
    double altitude = 0.0;
    bool haveLast = false;
    AcPositionData last;
    bool touchedDown = false;
  };
  // What the checks remember of an aircraft from one tick to the next.
  struct Previous {
    double lat = 0.0;
    double lon = 0.0;
    double heading = 0.0;
    double targetSpeed = 0.0;
    double targetLat = 0.0; // the target point, to see when the next one is taken
    double targetLon = 0.0;
    double legStartSpeed = 0.0; // of the point the current leg began at
  };
  void lf_deliverReports(std::int32_t tick);
  void lf_frame(std::int32_t tick);
  void lf_checkAircraft(std::int32_t tick);
  void lf_aimed(std::int32_t tick, std::int32_t id, const char* what);
  void lf_violation(std::int32_t tick, const std::string& text);

  FakeSimConnect& fake_;
  std::multimap<std::int32_t, TrafficData> reports_;
  std::map<std::int32_t, SimObject> objects_;
  std::map<std::uint32_t, Previous> previous_;
  std::int32_t nextObject_ = 100;
};

} // namespace motion_harness
