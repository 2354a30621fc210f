#pragma once
// A report of a known live aircraft joins its stream of positions. Worker thread only.
#include "records/aircraft.h"

#include <cstddef>

// A stream longer than this takes its aircraft out of the simulator at the next report.
inline constexpr std::size_t maxFeedPoints = 200;

void decodeExisting(LiveAircraft& aircraft, const FeedPoint& point);
// True when the report is to be appended to the stream.
bool checkExtendingSituations(LiveAircraft& aircraft, FeedPoint& report);
bool checkNewPosDuringLanding(LiveAircraft& aircraft, FeedPoint& report);
// The still-point judgement; may change the report.
bool acceptPoint(LiveAircraft& aircraft, FeedPoint& report);
