#pragma once
// With PARK_FAKE on, every stand of the park airport gets one soft option for the current
// half-hour with an airline and type that suit its kind, its size and the airport's
// region, so that static parking has something to show even where nothing was learned.
#include "airports/stands.h"

#include <string_view>

// Adds one default occupant to each stand that has a fitting candidate: callsigns FAKE1,
// FAKE2, ... and registrations REGFAKE1, ... in stand order. Throws std::out_of_range
// ("invalid bitset position") before any change when `when` has no valid slot.
void gf_addDefaultOccupants(StandList& stands, std::string_view code, WeekTime when);
// The same for the park airport's stands and the current week time.
void gf_addDefaultOccupants(std::string_view code);
