#include "traffic/parking/max_park.h"

// The limit is the number of parked aircraft the static parking plan wants; before there is
// a plan there is no limit.
void gf_checkMaxPark(std::int32_t) {}
