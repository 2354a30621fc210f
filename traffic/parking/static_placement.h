#pragma once
// Placing the wanted static aircraft one at a time, and the stand names of log lines.
// Worker thread only.
#include <cstdint>
#include <string>

// One placement from the back of the wanted list; nothing when it or the stand list is empty.
void lf_placeNextStatic();
// "sid==0?" for 0, the name of the first stand with that number, else "unknown".
std::string gf_standName(std::int32_t number);
