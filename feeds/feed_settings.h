#pragma once
// The one setting the traffic filter reads: the current traffic range in nautical miles.
#include <atomic>

extern std::atomic<double> rangeNm;
