#pragma once
// Which stands a live aircraft is driving into or standing on: a marked stand is not found
// by the stand search, so no second live aircraft drives into it. Worker thread only.
#include "records/aircraft.h"

#include <cstdint>

// Marks the stand with this number as taken by a live aircraft; nothing for 0 or an unknown
// number.
void gf_markStandTakenByLive(std::int32_t standNumber);
// The aircraft no longer holds its stand: the mark goes unless another live aircraft that is
// not being removed is parking or parked there.
void gf_releaseLiveStand(const AircraftData& holder);
// The aircraft forgets its stand: the mark is released and the stand fields emptied.
void gf_forgetStand(AircraftData& holder);
// Clears every mark that no live aircraft parking or parked there holds any more, so that a
// stand given up on any path is found again by the next search.
void gf_clearStaleStandMarks();

// Every phase change keeps the phase before it.
inline void gf_changePhase(LiveAircraft& aircraft, FlightPhase phase) {
  if (aircraft.phase == phase) return;
  aircraft.previousPhase = aircraft.phase;
  aircraft.phase = phase;
}
