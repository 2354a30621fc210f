#pragma once
// Traffic reports join the live aircraft: a report feeds the aircraft with its hexid, makes
// a new aircraft in state buffer, or is dropped without a word. The rules thin the stream,
// keep implausible jumps and unusable values out of it, and keep unwanted aircraft out of the
// simulator. Worker thread only.
#include "feeds/traffic_data.h"

// May fill in the report's type code and callsigns before a new aircraft is made of it.
void lf_mergeReport(TrafficData& report);
// Whether the report's values can be used at all.
bool gf_usableReport(const TrafficData& report);
