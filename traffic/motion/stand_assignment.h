#pragma once
// Stands for live aircraft. Worker thread only.
#include "airports/stands.h"
#include "records/aircraft.h"

#include <cstdint>
#include <optional>

// The stand a live aircraft created on the ground stands on; none when there is none or it
// cannot be taken. May mark the aircraft to be erased.
std::optional<StandData> standForSpawn(LiveAircraft& aircraft);
// Looks for a stand for a taxiing aircraft that stops; when one is found it becomes the
// aircraft's stand and the drive into it begins.
void try2Park(LiveAircraft& aircraft, bool wide);
// The static aircraft make way for a live aircraft taking the stand.
void makeWay(LiveAircraft& aircraft, const StandData& stand);
void makeWayAdjacent(LiveAircraft& aircraft, std::int32_t standNumber, const StandData& target);
