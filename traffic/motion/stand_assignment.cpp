#include "traffic/motion/stand_assignment.h"

std::optional<StandData> standForSpawn(LiveAircraft&) { return std::nullopt; }
void try2Park(LiveAircraft&, bool) {}
void makeWay(LiveAircraft&, const StandData&) {}
void makeWayAdjacent(LiveAircraft&, std::int32_t, const StandData&) {}
