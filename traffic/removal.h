#pragma once
// Taking aircraft out of the simulator, live or static: what removal means depends on how
// far the aircraft got. A buffered aircraft is only erased, a queued creation withdrawn, an
// object in the simulator queued for removal and erased when the simulator confirms.
// Worker thread only.
#include "traffic/traffic_state.h"

#include <cstddef>
#include <cstdint>

void removeAircraftFromSim(AircraftData& aircraft);
// Withdraws every queued creation of this hexid; true when one was withdrawn.
bool gf_cancelQueuedCreate(CreateBacklog& queue, std::uint32_t hexid);
// Erases the live aircraft at this place; the last one takes its place.
void lf_eraseLive(std::size_t index);
// Removes every static aircraft ("Flush static").
void gf_flushStatics();
// Removes the aircraft standing on the user's reserved stand.
void gf_clearReservedStand();
// RealTraffic is gone: every live aircraft leaves the simulator, queued creations withdrawn.
void gf_removeLiveAircraft();
