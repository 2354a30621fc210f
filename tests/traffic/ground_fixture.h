#pragma once
// Aircraft on the ground at Los Angeles for the ground motion and stand tests: positions
// given in metres north and east of one point, stands laid out the same way, and points of a
// stream made to order.
#include "airports/park_airport.h"
#include "core/geodesy.h"
#include "core/shell/requests.h"
#include "traffic/parking/park_airports.h"
#include "traffic/parking/stand_queries.h"
#include "traffic_fixture.h"

#include <string>

namespace traffic_testing {

inline constexpr double metresToNm(double metres) { return metres / 1852.0; }

inline GeoPosition metresAt(double northMetres, double eastMetres = 0.0) {
  return {latNorth(metresToNm(northMetres)), lonEast(metresToNm(eastMetres))};
}

// Metres from the reference point, north and east.
inline double northOf(double lat) { return (lat - laxLat) * 60.0 * 1852.0; }
inline double eastOf(double lon) { return (lon - laxLon) * 60.0 * std::cos(laxLat * degToRad) * 1852.0; }

inline FeedPoint groundPoint(double northMetres, double eastMetres, double speedKt, std::int32_t dueTick,
                             bool still = false) {
  const GeoPosition p = metresAt(northMetres, eastMetres);
  FeedPoint f;
  f.latitude = p.latitude;
  f.longitude = p.longitude;
  f.groundSpeed = speedKt;
  f.trueAirspeed = speedKt;
  f.dueTick = dueTick;
  f.extraFlag = still;
  return f;
}

inline StandData standAt(std::string name, double northMetres, double eastMetres, double headingDeg,
                         double radiusMetres, bool cargo = false) {
  const GeoPosition p = metresAt(northMetres, eastMetres);
  return StandData(std::move(name), {}, p.latitude, p.longitude, headingDeg * degToRad, radiusMetres, cargo, false,
                   false);
}

class GroundTest : public TrafficTest {
protected:
  GroundTest() {
    currentParkAirport = {};
    currentParkAirport.code = "KLAX";
    currentParkAirport.lat = laxLat;
    currentParkAirport.lon = laxLon;
    reservedStand.clear();
    parkAirportLoaded.store(true);
    setTick(100'000);
  }
  ~GroundTest() override {
    standList.clear();
    gf_standListReplaced();
    currentParkAirport = {};
    reservedStand.clear();
    parkAirportLoaded.store(false);
    standUpdateCount = 0;
  }

  void setStands(StandList stands) {
    standList = std::move(stands);
    gf_numberAndLinkStands(standList);
    gf_standListReplaced();
  }

  // An active Large (B738, half span 0.02 nm) on the ground at a place, heading north, with
  // the points given.
  LiveAircraft& taxiing(std::uint32_t hexid, double northMetres, double eastMetres, std::vector<FeedPoint> points,
                        std::int32_t objectId = 7) {
    Report r;
    r.hexid = hexid;
    r.callsign = "TAX" + std::to_string(hexid % 1000);
    r.altitude = 0;
    const GeoPosition p = metresAt(northMetres, eastMetres);
    r.lat = p.latitude;
    r.lon = p.longitude;
    TrafficData d = r.data();
    AircraftInfoData info(d);
    info.hexid = hexid;
    info.airline = "AAL";
    info.category = SizeCategory::Large;
    info.halfSpanNm = 0.02;
    info.turnRate = gf_categoryRow(SizeCategory::Large).turnRate;
    info.currentTurnRate = info.turnRate;
    info.standSpeedKt = gf_categoryRow(SizeCategory::Large).standSpeedKt;
    traffic.liveList.emplace_back(d.point, std::move(info), r.time);
    LiveAircraft& ac = traffic.liveList.back();
    ac.feedPoints.assign(points.begin(), points.end());
    ac.aircraft.state = LiveState::Active;
    ac.aircraft.objectId = objectId;
    ac.aircraft.aircraftInfo.liveryTitle = "Boeing 737-800 Test";
    ac.lat = p.latitude;
    ac.lon = p.longitude;
    ac.altitude = 0.0;
    ac.onGround = true;
    ac.phase = FlightPhase::Taxi;
    ac.previousPhase = FlightPhase::Flying;
    return ac;
  }

  static std::size_t countEvents(SimEventId id) {
    const auto events = eventsSent();
    return static_cast<std::size_t>(
        std::count_if(events.begin(), events.end(), [id](const ClientEventData& e) { return e.eventId == id; }));
  }
};

} // namespace traffic_testing
