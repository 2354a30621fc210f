#pragma once
// What a report of a known live aircraft may change of it. Worker thread only.
#include "feeds/traffic_data.h"
#include "traffic/aircraft.h"

// True when the report's position is to join the aircraft's stream.
bool lf_acceptReport(LiveAircraft& aircraft, TrafficData& report);
