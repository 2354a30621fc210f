#pragma once
// Moving the live aircraft along their streams of reported positions, one tick at a time.
// Worker thread only.
#include "records/aircraft.h"

#include <cstdint>
#include <optional>

// The tick of one live aircraft: an active one moves toward its next point and its position
// joins this tick's batch; a buffered one takes its spawn step. True when the record is to
// be erased (eraseNow or creationCancelled).
bool updateLiveAc(LiveAircraft& aircraft);

// Takes the next point once the target point is due; removes the aircraft when its stream
// cannot be extended.
void nextPosMain(LiveAircraft& aircraft);
void takeNextPoint(LiveAircraft& aircraft);

// Sets the due tick of the next point from a travel time, within the re-timing window.
void retimeNextPoint(LiveAircraft& aircraft, std::int32_t ticks);
void retimeAirLeg(LiveAircraft& aircraft);
// Widens the re-timing window back toward 1000 ticks either way.
void relaxWindow(LiveAircraft& aircraft);

// Knots over the leg from the current to the next point.
double legSpeed(const LiveAircraft& aircraft);
// Radians from the current heading to the leg after the next point, in [-pi, pi].
double headingChangeAfterNext(const LiveAircraft& aircraft);

// Ticks to the next point's due tick, at least 25.
std::int32_t gf_ticksToNext(const LiveAircraft& aircraft);
// Ticks a leg of `distanceNm` takes at `speedKt`, rounded; throws std::range_error when
// that does not fit an int32.
std::int32_t gf_legTicks(double distanceNm, double speedKt);

void moveOneTick(LiveAircraft& aircraft);
// Turns the aircraft by its current turn rate toward `target` (radians).
void turnToward(LiveAircraft& aircraft, double target);

struct CurvePoint {
  double lat = 0.0; // degrees
  double lon = 0.0;
  double heading = 0.0; // radians, clockwise from north
};
// The point and direction of a curve at `param`; none when the curve is not in use or the
// parameter lies outside it.
std::optional<CurvePoint> gf_curvePoint(const CurveSegment& curve, double param);
