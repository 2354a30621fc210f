#pragma once
// Aircraft that wait for the simulator for good: a creation that is never confirmed, a
// removal that is never confirmed, a livery respawn without an object. They would keep their
// hexid and swallow every later report of it. After about 10 s of waiting once their request
// has left live traffic's own queues, they are erased and any object of theirs is removed.
// Worker thread only.
#include <cstdint>

inline constexpr std::int32_t stuckTimeoutTicks = 1000;

// Looks at every waiting aircraft; called once a second by the tick.
void gf_watchStuckAircraft();
// The run's reset.
void gf_forgetStuckWatch();
