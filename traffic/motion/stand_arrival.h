#pragma once
// Live aircraft at their stands. Worker thread only.
#include "traffic/aircraft.h"

// A freighter on a stand the file calls a cargo stand of another kind: the stand's flag is
// corrected.
void fixStandCargo(LiveAircraft& aircraft);
