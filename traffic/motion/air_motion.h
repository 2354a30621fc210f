#pragma once
// Motion in the air: climbs, descents and turns toward the next point, the take-off and the
// landing with its flare. Worker thread only.
#include "traffic/aircraft.h"

// Taking a point in the air, and a moving point on the ground.
void airStep(LiveAircraft& aircraft);
void groundStep(LiveAircraft& aircraft);

// Per-tick steps of the take-off roll and rotation, and of the flare.
void takeOffTick(LiveAircraft& aircraft);
void flareTick(LiveAircraft& aircraft);

// Reports show a taxiing aircraft taking off.
void startTakeOff(LiveAircraft& aircraft);
