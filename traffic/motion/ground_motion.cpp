#include "traffic/motion/ground_motion.h"

void nextPosGround(LiveAircraft&) {}
void retimeGroundLeg(LiveAircraft&) {}
void drive2Stand(LiveAircraft&, const StandPosition&) {}
