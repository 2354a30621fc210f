#pragma once
// Motion on the ground: taxiing with curved turns, pushback, pulling out and the drive into a
// stand. Worker thread only.
#include "records/aircraft.h"

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

// The corner at the next point becomes a curve from the current position to the point after
// it; the corner point leaves the stream.
void buildCurve(LiveAircraft& aircraft);
// A point halfway between the point reached and the next one, in place, speed and time.
void insertMidpoint(LiveAircraft& aircraft);
// The midpoint, when the leg is long and its speed changes by more than 5 kt.
void midpointOnSpeedChange(LiveAircraft& aircraft);

// Leaving the stand backward: straight back, then straight on or along a quarter turn.
void startPushback(LiveAircraft& aircraft);
void pushbackStep(LiveAircraft& aircraft);
// Leaving the stand forward.
void pullOut(LiveAircraft& aircraft);
