#include "traffic/motion/air_motion.h"

void airStep(LiveAircraft&) {}
void groundStep(LiveAircraft&) {}
void takeOffTick(LiveAircraft&) {}
void flareTick(LiveAircraft&) {}
void startTakeOff(LiveAircraft&) {}
