#pragma once
// Static parking on a fresh run: stands laid out at metre offsets around one point, learned
// options, static and parked live aircraft, a week clock and a parked-time clock of the
// test's own, and a livery matcher that knows a few types.
#include "airports/park_airport.h"
#include "core/shell/main_window.h"
#include "core/shell/requests.h"
#include "feeds/feed_test_support.h"
#include "feeds/traffic_reader.h"
#include "traffic/parking/park_airports.h"
#include "traffic/parking/parking_state.h"
#include "traffic/parking/stand_queries.h"
#include "traffic/parking/static_placement.h"
#include "traffic/parking/static_plan.h"
#include "traffic/parking/static_renewal.h"
#include "traffic/removal.h"
#include "traffic_fixture.h"

#include <set>

namespace traffic_testing {

constexpr std::uint64_t bit(std::int32_t slot) { return std::uint64_t{1} << slot; }
constexpr std::uint64_t slotRange(std::int32_t from, std::int32_t to) {
  std::uint64_t mask = 0;
  for (std::int32_t s = from; s <= to; ++s) mask |= bit(s);
  return mask;
}

inline GeoPosition metresFrom(double northMetres, double eastMetres = 0.0) {
  return {latNorth(northMetres / 1852.0), lonEast(eastMetres / 1852.0)};
}

// A gate `eastMetres` east of the point; 100 m apart, stands of radius 30 m never touch.
inline StandData gate(std::string name, double eastMetres, double radiusMetres = 30, double northMetres = 0.0) {
  const GeoPosition p = metresFrom(northMetres, eastMetres);
  return StandData(std::move(name), {}, p.latitude, p.longitude, 0.5, radiusMetres, false, false, false);
}

inline StandOptionData option(std::string registration, std::string airline, std::string type, std::string callsign,
                              std::int32_t day, std::uint64_t hours, std::string coupled = "", bool real = true) {
  StandOptionData o;
  o.airline = std::move(airline);
  o.type = std::move(type);
  o.registration = std::move(registration);
  o.callsign = std::move(callsign);
  o.coupledCallsign = std::move(coupled);
  o.day = day;
  o.hours = hours;
  o.real = real;
  return o;
}

// Numbers the options of every stand 1..n and the stands themselves, and links neighbours.
inline void setStands(StandList stands) {
  for (auto& s : stands) {
    std::int32_t n = 0;
    for (auto& o : s.options) o.number = ++n;
  }
  standList = std::move(stands);
  gf_numberAndLinkStands(standList);
  gf_standListReplaced();
}

class ParkingTest : public TrafficTest {
protected:
  ParkingTest() {
    lf_resetParking();
    gf_setTrafficClock([this] { return clockTicks; });
    gf_setStaticLiveryMatcher([this](AircraftInfoData& info, const StandData&) {
      matcherAsked.push_back(info.callsign);
      const auto found = staticTitles.find(info.type + " static");
      info.liveryTitle = found == staticTitles.end() ? std::string_view{} : std::string_view(*found);
      return !info.liveryTitle.empty();
    });
    // A known place of the user aircraft: far from every stand, on the ground.
    currentParkAirport = {"KLAX", "LAX", laxLat, laxLon, 125};
  }
  ~ParkingTest() override {
    gf_setStaticLiveryMatcher({});
    lf_resetParking();
    MAX_PARK_SEL.set(500);
    parking_percentage.set(30);
    CUSTOM_PARKING_PERCENTAGE.set(-1);
    MAX_FIT.set(47);
    WEEK.set(false);
    PARK_SOFT.set(true);
    PARK_FAKE.set(false);
    LEARN_SOFT.set(true);
    INITIAL_LOAD_ONLY.set(false);
    DESTINATION.set("");
    AIRP_RANGE.set(20);
    AIRP_HEIGHT.set(18000);
  }

  void setNow(WeekTime now) { currentWeekTime.store(now); }
  void setClockMinutes(std::int64_t minutes) { clockTicks = minutes * 600'000'000; }

  // An active static aircraft on a stand, as placement and the simulator leave it.
  AircraftData& addStatic(std::int32_t standNumber, std::string registration, std::string airline, std::string type,
                          std::string optionCallsign, std::string coupled, WeekTime parkedSince,
                          LiveState state = LiveState::Active) {
    const std::string callsign = gf_staticCallsign(optionCallsign);
    const std::string none;
    AircraftInfoData info(
        AircraftHead{airline, type, none, none, callsign, optionCallsign, coupled, registration, false});
    info.hexid = gf_nextStaticHexid();
    const StandData& s = standList.at(static_cast<std::size_t>(standNumber - 1));
    traffic.staticList.emplace_back(std::move(info), standNumber, s.lat, s.lon, s.heading, s.cargo);
    AircraftData& ac = traffic.staticList.back();
    ac.parkedSince = parkedSince;
    ac.state = state;
    ac.objectId = static_cast<std::int32_t>(ac.aircraftInfo.hexid) + 100;
    return ac;
  }

  // An active live aircraft parked on a stand since `minutesAgo` minutes before the clock.
  LiveAircraft& addLiveParked(std::uint32_t hexid, std::int32_t standNumber, std::int64_t minutesAgo,
                              SizeCategory category = SizeCategory::Large, std::string callsign = "") {
    LiveAircraft& ac = active(hexid, static_cast<std::int32_t>(hexid % 100000), 0.0);
    ac.phase = FlightPhase::Parked;
    ac.aircraft.standNumber = standNumber;
    ac.aircraft.aircraftInfo.category = category;
    if (!callsign.empty()) ac.aircraft.aircraftInfo.callsign = std::move(callsign);
    ac.parkedSinceTime = clockTicks - minutesAgo * 600'000'000;
    return ac;
  }

  // The feed reports these callsigns during a collection window that starts now.
  void feedReports(const std::vector<std::string>& callsigns) {
    trafficReader.setReference({laxLat, laxLon});
    trafficReader.startCallsignCollection();
    gf_setAcceptingTraffic(false);
    for (const auto& callsign : callsigns) trafficReader.handleLine(feed_testing::trafficLine({{9, callsign}}));
    gf_setAcceptingTraffic(true);
  }

  std::vector<std::string> wantedRegistrations() const {
    std::vector<std::string> regs;
    for (const auto& w : wantedList) regs.push_back(w.registration);
    return regs;
  }
  std::set<std::string> activeStaticCallsigns() const {
    std::set<std::string> callsigns;
    for (const auto& s : traffic.staticList)
      if (s.state == LiveState::Active) callsigns.insert(s.aircraftInfo.callsign);
    return callsigns;
  }
  std::set<std::string> removingStaticCallsigns() const {
    std::set<std::string> callsigns;
    for (const auto& s : traffic.staticList)
      if (s.state == LiveState::RemovingFromSim) callsigns.insert(s.aircraftInfo.callsign);
    return callsigns;
  }

  std::int64_t clockTicks = 1'000'000 * 600'000'000LL; // a million minutes
  std::set<std::string> staticTitles{"B738 static", "A320 static", "B744 static", "B77W static", "C172 static"};
  std::vector<std::string> matcherAsked;

private:
  static void lf_resetParking() {
    gf_resetStaticParking();
    gf_resetStaticCounter();
    standList.clear();
    gf_standListReplaced();
    currentParkAirport = {};
    standUpdateCount = 0;
    parkAirportLoaded.store(false);
    learnedParamChanged.store(false);
    parkBusy.store(false);
    parkLearnedFile = {};
    qualityFactors = {};
    staticParking = {};
    trafficReader.takeCollectedCallsigns();
  }
};

} // namespace traffic_testing
