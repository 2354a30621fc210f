#pragma once
// The limit of parked aircraft at the park airport. Worker thread only.
#include <cstdint>

// A live aircraft takes a stand; extra is 1 while it is not counted as parked yet.
void gf_checkMaxPark(std::int32_t extra);
