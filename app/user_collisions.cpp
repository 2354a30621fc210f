#include "app/user_collisions.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <string_view>
#include <unordered_map>

namespace {

constexpr double feetPerNm = 6076.11549;
constexpr double pi = twoPi / 2.0;

// An angle brought into [-pi, pi] (it lies within one turn of that range).
double lf_wrap(double angle) {
  if (angle > pi) return angle - twoPi;
  if (angle < -pi) return angle + twoPi;
  return angle;
}

GeoPosition lf_position(const LiveAircraft& l) { return {l.lat, l.lon}; }

bool lf_onRunwayAhead(const UserSituation& user, const LiveAircraft& l) {
  if (!l.onGround || user.heightAboveGround >= 500.0) return false;
  const double d = gf_distanceNm(user.position, lf_position(l));
  if (d > 1.0) return false;
  const double b = lf_wrap(gf_initialBearing(user.position, lf_position(l)) - user.heading);
  // Only ahead: an aircraft behind the user aircraft is on no path of it.
  return std::cos(b) > 0.0 && std::sin(std::fabs(b)) * d * feetPerNm <= 50.0;
}

bool lf_pathPassesClose(const UserSituation& user, const LiveAircraft& l) {
  const double d = gf_distanceNm(user.position, lf_position(l));
  if (d > 4.0 || std::fabs(l.altitude - user.altitude) >= 1000.0) return false;
  const double c = lf_wrap(l.heading - gf_initialBearing(user.position, lf_position(l)));
  // Only a path that leads towards the user aircraft: one flying away from it is no threat.
  if (std::cos(c) >= 0.0) return false;
  const double h = std::fabs(90.0 - std::fabs(c * radToDeg)); // degrees
  return std::cos(h * degToRad) * d * feetPerNm <= 700.0;
}

} // namespace

LiveAircraft* gf_liveTooCloseOnGround(const UserSituation& user, std::vector<LiveAircraft>& live) {
  for (auto& l : live) {
    if (!l.onGround || l.aircraft.state != LiveState::Active) continue;
    const double limit = (user.halfSpanNm + l.aircraft.aircraftInfo.halfSpanNm) * 1.15;
    if (gf_distanceNm(user.position, lf_position(l)) <= limit) return &l;
  }
  return nullptr;
}

AircraftData* gf_staticTooCloseOnGround(const UserSituation& user, std::vector<AircraftData>& statics) {
  for (auto& s : statics) {
    if (s.state != LiveState::Active) continue;
    const double limit = (user.halfSpanNm + s.aircraftInfo.halfSpanNm) * 1.1;
    if (gf_distanceNm(user.position, {s.standLat, s.standLon}) <= limit) return &s;
  }
  return nullptr;
}

LiveAircraft* gf_liveInTheWayInTheAir(const UserSituation& user, std::vector<LiveAircraft>& live) {
  for (auto& l : live) {
    if (l.aircraft.state != LiveState::Active) continue;
    if (lf_onRunwayAhead(user, l) || lf_pathPassesClose(user, l)) return &l;
  }
  return nullptr;
}

AircraftData* gf_staticTwinOfLive(const std::vector<LiveAircraft>& live, std::vector<AircraftData>& statics) {
  // The first active static of each callsign and registration, found once: the sweep stays
  // one pass over each list however full both are.
  std::unordered_map<std::string_view, std::size_t> byCallsign;
  std::unordered_map<std::string_view, std::size_t> byRegistration;
  for (std::size_t i = 0; i < statics.size(); ++i) {
    if (statics[i].state != LiveState::Active) continue;
    byCallsign.try_emplace(statics[i].aircraftInfo.callsign, i);
    byRegistration.try_emplace(statics[i].aircraftInfo.registration, i);
  }
  std::string key;
  for (const auto& l : live) {
    if (!l.onGround || l.aircraft.state != LiveState::Active) continue;
    const auto& info = l.aircraft.aircraftInfo;
    key.assign(info.callsign).push_back('*');
    auto first = statics.size();
    if (const auto found = byCallsign.find(key); found != byCallsign.end()) first = found->second;
    if (!info.registration.empty())
      if (const auto found = byRegistration.find(info.registration); found != byRegistration.end())
        first = std::min(first, found->second);
    if (first < statics.size()) return &statics[first];
  }
  return nullptr;
}
