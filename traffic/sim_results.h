#pragma once
// What the simulator reported, applied at the start of every tick: created objects get
// their identifier, flight plan and stand state; removed objects leave the lists; the
// ground data of the aircraft in range keeps live aircraft on the ground; the static CG
// data tunes their height and pitch; a refused creation ends its aircraft. New objects then
// wait about two seconds, their lights toggled twice, before they become active.
// Worker thread only.
#include "simlink/result_queue.h"
#include "records/aircraft.h"

#include <cstdint>

// Takes every result from the link's queue and applies it, then the post-create steps.
// May throw UserErrorException 81 (too many refused titles).
void gf_processSimResults();
// The first ground contact of a landing: roll-out, spoilers and reversers.
void lf_touchdown(LiveAircraft& aircraft);
