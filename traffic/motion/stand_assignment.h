#pragma once
// Stands for live aircraft. Worker thread only.
#include "airports/stands.h"
#include "traffic/aircraft.h"

#include <optional>

// The stand a live aircraft created on the ground stands on; none when there is none or it
// cannot be taken. May mark the aircraft to be erased.
std::optional<StandData> standForSpawn(LiveAircraft& aircraft);
