#include "traffic/motion/stand_arrival.h"

void fixStandCargo(LiveAircraft&) {}
void arriveAtStand(LiveAircraft&) {}
bool checkParkedPoint(LiveAircraft&, const FeedPoint&) { return true; }
void leaveStand(LiveAircraft&) {}
void learnStandOnDeparture(LiveAircraft&, bool) {}
bool updateSeenStandUse(LiveAircraft&, WeekTime, bool) { return false; }
bool extendStream(LiveAircraft&) { return false; }
void predictPoint(LiveAircraft&, std::int32_t) {}
void liveryRespawn(LiveAircraft&) {}
