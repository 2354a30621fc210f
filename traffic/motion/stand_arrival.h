#pragma once
// Live aircraft at their stands: arriving, standing, leaving, what they teach the stand
// options, and the stream when the reports stop. Worker thread only.
#include "core/time.h"
#include "records/aircraft.h"

#include <cstdint>

// A freighter on a stand the file calls a cargo stand of another kind: the stand's flag is
// corrected.
void fixStandCargo(LiveAircraft& aircraft);

void arriveAtStand(LiveAircraft& aircraft);
// A report of an aircraft parking or parked; true when it is to join the stream.
bool checkParkedPoint(LiveAircraft& aircraft, FeedPoint& report);
void leaveStand(LiveAircraft& aircraft);
void learnStandOnDeparture(LiveAircraft& aircraft, bool departing);
bool updateSeenStandUse(LiveAircraft& aircraft, WeekTime now, bool departing);

// Called while the stream holds fewer than two points; false: the aircraft is to go.
bool extendStream(LiveAircraft& aircraft);
void predictPoint(LiveAircraft& aircraft, std::int32_t n);

// Removes the aircraft to create it again with its new livery.
void liveryRespawn(LiveAircraft& aircraft);
