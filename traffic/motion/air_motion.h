#pragma once
// Motion in the air: climbs, descents and turns toward the next point, the take-off and the
// landing with its flare. Worker thread only.
#include "records/aircraft.h"

#include <cstdint>

// Taking a point in the air, and a moving point on the ground.
void airStep(LiveAircraft& aircraft);
void groundStep(LiveAircraft& aircraft);

// Per-tick steps of the take-off roll and rotation, and of the flare.
void takeOffTick(LiveAircraft& aircraft);
void flareTick(LiveAircraft& aircraft);

// Reports show a taxiing aircraft taking off.
void startTakeOff(LiveAircraft& aircraft);

// The steps of taking a point that the two above are made of.
void rotate(LiveAircraft& aircraft);
void landingRollStep(LiveAircraft& aircraft);
void highAltitudeStep(LiveAircraft& aircraft);
void lowAltitudeStep(LiveAircraft& aircraft);
void groundReportedInFlight(LiveAircraft& aircraft);
// Skips ahead to the k-th point (the first counting 1) when it is airborne.
bool skipToAirborne(LiveAircraft& aircraft, std::int32_t k);
void climbFromGround(LiveAircraft& aircraft);
// Feet per minute of a descent toward a landing, corrected for the QNH.
double approachVerticalSpeed(const LiveAircraft& aircraft);
void steerBank(LiveAircraft& aircraft, double headingChange, std::int32_t ticks);
bool allAboveTakeOffSpeed(const LiveAircraft& aircraft);

// Per size category; angles in radians.
struct AirCategoryRow {
  double takeOffSpeedKt;
  double largestBank;
  double bankRate;       // radians per tick
  double pitchRateLimit; // radians per tick
  double heightFt;       // above the ground: higher counts as high
};
// Throws std::out_of_range for a category outside 0..5.
const AirCategoryRow& gf_airCategoryRow(SizeCategory category);

// Nautical miles from the park airport within which an approach begins and a landing
// descends to its elevation.
inline constexpr double approachRadiusNm = 10.0;
