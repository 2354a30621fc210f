#pragma once
// Motion on the ground: taxiing with curved turns, pushback, pulling out and the drive into a
// stand. Worker thread only.
#include "traffic/aircraft.h"

// Taking a point on the ground.
void nextPosGround(LiveAircraft& aircraft);
// Re-times the next point for a ground leg, with the turn rate for the leg.
void retimeGroundLeg(LiveAircraft& aircraft);

struct StandPosition {
  double lat = 0.0; // degrees
  double lon = 0.0;
  double heading = 0.0; // radians
};
// Appends the path into the stand to the aircraft's stream.
void drive2Stand(LiveAircraft& aircraft, const StandPosition& stand);
