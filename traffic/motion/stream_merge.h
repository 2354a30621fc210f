#pragma once
// A report of a known live aircraft joins its stream of positions. Worker thread only.
#include "feeds/traffic_data.h"
#include "traffic/aircraft.h"

// A stream longer than this takes its aircraft out of the simulator at the next report.
inline constexpr std::size_t maxFeedPoints = 200;

void decodeExisting(LiveAircraft& aircraft, const FeedPoint& point);
