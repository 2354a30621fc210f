#pragma once
// Stand uses learned from live traffic. Worker thread only.
#include "core/time.h"

#include <cstdint>

struct LiveAircraft;

// Records that the aircraft stands on the stand in this half-hour (real options); true when
// a use was recorded. At the departure the half-hours since its arrival are filled in.
bool lt_addStandOption(std::int32_t standNumber, const LiveAircraft& aircraft, WeekTime week, bool departing);
// The same for soft options (uses assumed, not seen); with tracking the aircraft's visit is
// followed even when it is not departing.
bool lt_addStandOption(std::int32_t standNumber, const LiveAircraft& aircraft, bool tracking, WeekTime week,
                       bool departing);
