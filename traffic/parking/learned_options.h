#pragma once
// Stand uses learned from live traffic. Worker thread only.
#include "core/time.h"

#include <cstdint>

struct LiveAircraft;

// Records that the aircraft stands on the stand in this half-hour (real options); true when
// a use was recorded.
bool lt_addStandOption(std::int32_t standNumber, const LiveAircraft& aircraft, WeekTime week, bool departing);
