#pragma once
// Which aircraft is in the user aircraft's way, once a second: on the ground the live or
// static aircraft it would touch, in the air a live aircraft on the runway ahead of a low
// user aircraft or one whose path passes close by. Each finds at most one aircraft, the
// first in list order; the per-second step removes it.
#include "core/geodesy.h"
#include "records/aircraft.h"

#include <vector>

struct UserSituation {
  GeoPosition position;
  double heading = 0.0;           // true, radians
  double altitude = 0.0;          // feet
  double heightAboveGround = 0.0; // feet
  bool onGround = false;
  double halfSpanNm = 0.0;
};

// An active live aircraft on the ground closer than the two half spans x 1.15.
LiveAircraft* gf_liveTooCloseOnGround(const UserSituation& user, std::vector<LiveAircraft>& live);
// An active static aircraft whose stand is closer than the two half spans x 1.1.
AircraftData* gf_staticTooCloseOnGround(const UserSituation& user, std::vector<AircraftData>& statics);
// An active live aircraft on the ground within 1 nm ahead and 50 ft of the user's heading
// line while the user is below 500 ft above the ground, or one within 4 nm and 1000 ft of
// the user's altitude whose heading line passes within 700 ft of the user.
LiveAircraft* gf_liveInTheWayInTheAir(const UserSituation& user, std::vector<LiveAircraft>& live);
// The twin sweep: an active static aircraft showing the callsign of an active live aircraft
// on the ground followed by "*", or its registration.
AircraftData* gf_staticTwinOfLive(const std::vector<LiveAircraft>& live, std::vector<AircraftData>& statics);
