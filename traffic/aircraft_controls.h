#pragma once
// Flaps, throttle levers, engines and lights of one simulator aircraft, set through client
// events that the simulator link sends at the next frame. An aircraft remembers the last
// flaps and lever step it sent, so a repeated request costs nothing. Worker thread only.
#include "records/aircraft.h"

#include <cstdint>

// Steps 0..3 (4 is only the starting value); a rotorcraft never gets flaps events.
void gf_setFlaps(AircraftData& aircraft, std::int32_t step);
// Steps 0..4; 5 means none and sends nothing.
void gf_setLever(AircraftData& aircraft, std::int32_t step);
// Levers and flaps up, engines off and the lights of a parked aircraft.
void gf_setParkedState(AircraftData& aircraft);
