#pragma once
// Stand uses learned from live traffic: each sighting of a live aircraft on a stand of the
// park airport gives the stand an option (registration, airline, type, callsigns, weekday
// and half-hours) or extends one; at the departure the half-hours of the stay are filled in.
// Worker thread only.
#include "core/time.h"

#include <cstdint>
#include <string>

struct LiveAircraft;
struct StandData;
struct StandStay;

// Real options, from aircraft the feed showed parked at the stand; true when a use was
// recorded.
bool lt_addStandOption(std::int32_t standNumber, const LiveAircraft& aircraft, WeekTime week, bool departing);
// Soft options, from weaker evidence; `tracking` uses the visitor record also when the
// aircraft is not departing.
bool lt_addStandOption(std::int32_t standNumber, const LiveAircraft& aircraft, bool tracking, WeekTime week,
                       bool departing);

// Fills the half-hours of a stay from the visitor's last sighting up to `week` into the
// option with this number (over midnight into a new option of the later day); false when
// the stay is too short or too long to be filled.
bool lf_fillStay(WeekTime week, StandData& stand, std::int32_t number, StandStay& entry, const LiveAircraft& aircraft,
                 const std::string& key, bool real);

// The longest stay, in half-hours, whose half-hours are filled in.
std::int32_t gf_stayLimit(const LiveAircraft& aircraft);

// One more stand option update since the park airport's file was read, shown in the window.
void gf_countLearnedUpdate();
