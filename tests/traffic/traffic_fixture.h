#pragma once
// Every test of live traffic starts from a fresh run: live traffic, the simulator link and
// the run flags as the reset before a restart leaves them, a small reference database, a
// livery table of the test's own, the settings at known values, the log and the settings
// folder in temporary folders, and the recording fake in the SimConnect library's place.
#include "airports/stands.h"
#include "core/random.h"
#include "core/refdata/dbase_tables.h"
#include "core/settings/parameters.h"
#include "core/settings/settings_file.h"
#include "core/shell/run_state.h"
#include "core/shell/status_line.h"
#include "core/shell/week_clock.h"
#include "feeds/adding_stack.h"
#include "simlink/command_queues.h"
#include "simlink/link_state.h"
#include "simlink/result_queue.h"
#include "simlink/user_state.h"
#include "support/fake_simconnect.h"
#include "support/test_support.h"
#include "traffic/flight_plans.h"
#include "traffic/livery_calls.h"
#include "traffic/traffic_state.h"
#include "traffic/traffic_tick.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace traffic_testing {

// Near the threshold of runway 25R at Los Angeles.
inline constexpr double laxLat = 33.9425;
inline constexpr double laxLon = -118.408;
inline constexpr std::uint32_t firstHexid = 10'500'000;

// A point `northNm` nautical miles north and `eastNm` east of Los Angeles.
inline double latNorth(double northNm) { return laxLat + northNm / 60.0; }
inline double lonEast(double eastNm) { return laxLon + eastNm / (60.0 * std::cos(laxLat * degToRad)); }

struct Report {
  std::uint32_t hexid = firstHexid;
  std::string callsign = "AAL123";
  std::string type = "B738";
  std::string registration;
  double lat = laxLat;
  double lon = laxLon;
  double altitude = 3000;
  double groundSpeed = 180;
  double track = 90;
  double verticalSpeed = 0;
  double time = 1'700'000'000;
  std::int32_t dueTick = 3000;
  std::string origin;
  std::string destination;

  TrafficData data() const {
    TrafficData r;
    r.type = type;
    r.callsign = callsign;
    r.registration = registration;
    r.origin = origin;
    r.destination = destination;
    r.point.latitude = lat;
    r.point.longitude = lon;
    r.point.altitude = altitude;
    r.point.groundSpeed = groundSpeed;
    r.point.track = track;
    r.point.verticalSpeed = verticalSpeed;
    r.point.trueAirspeed = groundSpeed;
    r.point.dueTick = dueTick;
    r.point.airborne = altitude > 0;
    r.timestamp = time;
    r.hexId = hexid;
    return r;
  }
};

// The tick counter at its value for the next tick.
inline void setTick(std::int32_t tick) { traffic.tickCounter.store(tick); }
inline void runTicks(std::int32_t count) {
  for (std::int32_t i = 0; i < count; ++i) lf_handleAddingStack();
}
// Runs ticks until the counter reaches `tick` (the tick of that value not yet run).
inline void runUntil(std::int32_t tick) {
  while (gf_tickCounter() < tick) lf_handleAddingStack();
}

inline void push(const Report& report) { ASSERT_TRUE(gf_appendTrafficReport(report.data(), report.dueTick - 3000)); }

inline LiveAircraft* live(std::uint32_t hexid = firstHexid) { return gf_findLiveByHexid(hexid); }

// A live aircraft made of two reports, buffered, its first point due at `dueTick`.
inline LiveAircraft& buffered(Report first, double secondNorthNm = 1.0, std::int32_t gap = 500) {
  TrafficData a = first.data();
  AircraftInfoData info(a);
  info.hexid = first.hexid;
  info.currentTurnRate = info.turnRate;
  traffic.liveList.emplace_back(a.point, std::move(info), first.time);
  LiveAircraft& ac = traffic.liveList.back();
  Report second = first;
  second.lat = first.lat + secondNorthNm / 60.0;
  second.dueTick = first.dueTick + gap;
  ac.feedPoints.push_back(second.data().point);
  return ac;
}

// An aircraft in the simulator: active with an object and two points far ahead.
inline LiveAircraft& active(std::uint32_t hexid, std::int32_t objectId, double northNm, double eastNm = 0.0) {
  Report r;
  r.hexid = hexid;
  r.callsign = "ACT" + std::to_string(hexid % 10000);
  r.lat = latNorth(northNm);
  r.lon = lonEast(eastNm);
  r.dueTick = gf_tickCounter() + 100'000;
  LiveAircraft& ac = buffered(r);
  ac.aircraft.state = LiveState::Active;
  ac.aircraft.objectId = objectId;
  ac.aircraft.aircraftInfo.liveryTitle = "Boeing 737-800 Test";
  ac.lat = r.lat;
  ac.lon = r.lon;
  ac.altitude = r.altitude;
  return ac;
}

inline void result(const SimResultData& r) { gf_pushSimResult(r); }

inline std::vector<CreateAcData> creationsSent() {
  std::lock_guard lock(simCommands.commandMutex);
  return simCommands.createQueue;
}
inline std::vector<std::int32_t> removalsSent() {
  std::lock_guard lock(simCommands.commandMutex);
  return simCommands.removeQueue;
}
inline std::vector<ClientEventData> eventsSent() {
  std::lock_guard lock(simCommands.commandMutex);
  return simCommands.eventQueue;
}
inline void clearSent() {
  std::lock_guard lock(simCommands.commandMutex);
  simCommands.createQueue.clear();
  simCommands.removeQueue.clear();
  simCommands.eventQueue.clear();
}

// The user aircraft at a place, as live traffic's copy and as the simulator reports it.
inline void placeUser(double lat, double lon, double altitude, bool onGround, double groundSpeed = 0.0,
                      double heading = 0.0, double aboveGround = 0.0) {
  UserAcData user;
  user.latitude = lat;
  user.longitude = lon;
  user.altitude = altitude;
  user.altitudeAboveGround = aboveGround;
  user.groundSpeed = groundSpeed;
  user.heading = heading;
  traffic.userAcState = user;
  {
    std::lock_guard lock(linkUserState.mutex);
    linkUserState.data = user;
  }
  userOnGround.store(onGround);
}

class TrafficTest : public ::testing::Test {
protected:
  TrafficTest() {
    lf_fresh();
    dbaseTables = {};
    dbaseTables.aircraftTypes = {"B738", "A320", "B744", "C172", "R44", "F16", "CL30"};
    dbaseTables.largeTypes = {"B738", "A320"};
    dbaseTables.heavyTypes = {"B744"};
    dbaseTables.rotorcraftTypes = {"R44"};
    dbaseTables.highPerfTypes = {"F16"};
    dbaseTables.buzjetTypes = {"CL30"};
    dbaseTables.categoryHalfSpans = {0.005, 0.01, 0.02, 0.03, 0.005, 0.006};
    dbaseTables.registrations = {{"N12345", {"AAL", "B738", "", false}},
                                 {"PH-BFA", {"KLM", "B744", "MPH", true}},
                                 {"N999ZZ", {"", "A320", "", false}}};
    gf_setSettingsFolder(settings.path());
    gf_createFlightPlanFolder();
    gf_setLiveryTables({[this](AircraftInfoData& info) { lf_match(info); },
                        [this](std::string_view title) { return lf_installed(title); }});
    gf_reserveTraffic();
    gf_setAcceptingTraffic(true);
  }
  ~TrafficTest() override {
    gf_setAcceptingTraffic(false);
    gf_setLiveryTables({});
    gf_setTrafficClock({});
    gf_removeFlightPlanFolder();
    gf_setSettingsFolder({});
    dbaseTables = {};
    lf_fresh();
  }

  // Titles the test's livery table holds, by type; a type it lacks gets none.
  std::set<std::string> installedTitles{"Boeing 737-800 Test", "Boeing 747-400 Test", "Airbus A320 Test",
                                        "Cessna 172 Test",     "Robinson R44 Test",   "Challenger 300 Test"};
  std::vector<std::string> matchedFor; // callsigns the matcher was asked for

  testing_support::TempDir settings{"hvm-traffic"};
  testing_support::LogCapture log;
  FakeSimConnect fake;

private:
  void lf_match(AircraftInfoData& info) {
    matchedFor.push_back(info.callsign);
    static const std::map<std::string, std::string> byType{
        {"B738", "Boeing 737-800 Test"}, {"B744", "Boeing 747-400 Test"}, {"A320", "Airbus A320 Test"},
        {"C172", "Cessna 172 Test"},     {"R44", "Robinson R44 Test"},    {"CL30", "Challenger 300 Test"}};
    const auto found = byType.find(info.type);
    info.liveryTitle = found == byType.end() ? std::string_view{} : lf_installed(found->second);
  }
  std::string_view lf_installed(std::string_view title) {
    const auto found = installedTitles.find(std::string(title));
    return found == installedTitles.end() ? std::string_view{} : std::string_view(*found);
  }

  void lf_fresh() {
    gf_resetTraffic();
    traffic.twinCheckQueue.clear();
    traffic.uncreatableTitles.clear();
    traffic.uncreatableModels.clear();
    traffic.userAcState = {};
    traffic.tickCounter.store(1);
    gf_resetSimLink(5);
    simLinkState.simConnectHandle.store(fake.handle());
    gf_resetRunFlags();
    gf_resetStatusLine();
    standList.clear();
    currentWeekTime.store(WeekTime{3, 20});
    MAX_LIVE_SEL.set(500);
    MAX_HOLDING_MINUTES.set(20);
    COLLISION_USER_AIR.set(true);
    COLLISION_USER_GND.set(true);
    LIGHT_AIRCRAFT.set(true);
    HELICOPTERS.set(true);
    HIGH_PERF_AIRCRAFT.set(true);
    NAV_LIGHTS_WHILE_PARKED.set(true);
    BLOCK_CALLSIGN.set("");
    LOG.set(true);
    RANDOM.set(false);
    rangeMetres.store(74080);
    gf_randomEngine().seed(7);
    // The user far away, in the air: no proximity rule applies.
    UserAcData far;
    far.latitude = 40.0;
    far.longitude = -100.0;
    far.altitude = 35000;
    traffic.userAcState = far;
  }
};

} // namespace traffic_testing
