#pragma once
// The limit of live aircraft in the simulator (MAX_LIVE_SEL) and the count of parked live
// aircraft. Worker thread only.
#include "records/aircraft.h"

#include <cstdint>

// Whether the live aircraft is in the simulator or on its way there, and stays: created or
// being created, active, or waiting for its livery respawn. These count against the limit.
bool gf_countsAgainstLiveLimit(const AircraftData& aircraft);
// The number of such aircraft, counted once per tick and kept up to date within it.
std::int32_t gf_liveInSimCount();
// A live aircraft began or stopped counting within the tick.
void gf_noteLiveCountChange(std::int32_t delta);

// Removes the active live aircraft farthest from the user, when it is more than 0.1 nm
// farther than `distanceNm`; true when none qualified and nothing was removed.
bool lf_removeFarthestLive(double distanceNm);
// Removes live aircraft, farthest first, until no more than MAX_LIVE_SEL count.
void gf_applyMaxLive();
// Live aircraft active and parked; with recompute also their average parked time for the
// window.
std::int32_t gf_countLiveParked(bool recompute);
