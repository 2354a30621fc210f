#include "traffic/parking/learned_options.h"

// Nothing is learned before the park airport's stand options can be kept and saved.
bool lt_addStandOption(std::int32_t, const LiveAircraft&, WeekTime, bool) { return false; }
