#pragma once
// Conflicts between aircraft: ghosts and twins the feed reports, statics in the way of live
// aircraft, and stands claimed twice. Worker thread only.
#include "airports/stands.h"
#include "records/aircraft.h"

#include <cstdint>
#include <optional>
#include <string_view>

// A static aircraft in the way of a taxiing or parking live aircraft is removed, at most one
// a call; the aircraft's position becomes the place of its last check.
void gf_removeCollidingStatic(LiveAircraft& aircraft);
// The static twin of a live aircraft (the same real aircraft parked) is removed.
void gf_removeStaticTwin(LiveAircraft& aircraft, bool onGround);

// Removes the live ghost of the callsign (the callsign followed by '_'), remembering it.
// `reporting` is the aircraft that now carries the callsign: it is never its own ghost.
void lf_removeGhost(std::string_view callsign, const LiveAircraft* reporting = nullptr);
// Whether a live aircraft not being removed carries the callsign without its last character.
bool lf_hasPlainTwin(std::string_view callsign);

// Whether the aircraft with this callsign may take stand number `standNumber`; the live
// aircraft standing there may be removed to make room.
bool lf_mayTakeStand(std::int32_t standNumber, std::string_view callsign);
// The first adjacent stand of `stand` whose live aircraft would touch the aircraft, if any.
std::optional<std::int32_t> lf_findAdjacentConflict(const StandData& stand, const LiveAircraft& aircraft);
// Removes the live aircraft on the adjacent stand when it would touch the aircraft parking
// on `stand`.
void lf_clearAdjacentStand(std::int32_t adjacent, LiveAircraft& aircraft, const StandData& stand);
