#include "traffic/motion/respawn.h"

// Every report of a known aircraft adds its position; a new route, registration or callsign
// changes nothing of the aircraft yet.
bool lf_acceptReport(LiveAircraft&, TrafficData&) { return true; }
