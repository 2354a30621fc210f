#include "traffic/motion/stand_assignment.h"

// Live aircraft are given no stands yet: an aircraft created on the ground taxis.
std::optional<StandData> standForSpawn(LiveAircraft&) { return std::nullopt; }
