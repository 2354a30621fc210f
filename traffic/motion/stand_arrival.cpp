#include "traffic/motion/stand_arrival.h"

// Stands keep the cargo flag their file gives them until live aircraft are parked on them.
void fixStandCargo(LiveAircraft&) {}
