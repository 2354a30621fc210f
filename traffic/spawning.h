#pragma once
// A buffered live aircraft enters the simulator: shortly before its first position falls
// due it is held back near the user aircraft, dropped, or spawned with a livery, a phase and
// an initial attitude, and its hexid is queued for a creation request. Worker thread only.
#include "records/aircraft.h"

#include <cstdint>
#include <optional>
#include <string_view>

// The spawn step of a buffered aircraft, every tick.
void lf_bufferStep(LiveAircraft& aircraft);
// True when it dropped the aircraft's first point to hold it back near the user aircraft.
bool lf_holdForUserProximity(LiveAircraft& aircraft);
// Chooses livery, phase and initial position and queues the creation (state adding2sim),
// or marks the aircraft to be erased.
void spawnLiveAc(LiveAircraft& aircraft);
// The title this hexid had before, unless the simulator has refused it since or it is no
// longer installed.
std::optional<std::string_view> gf_titleForHexid(std::uint32_t hexid);
// The simulator refused to create the aircraft. Throws UserErrorException 81 once 20
// different titles were refused in this process.
void gf_reportCreateFailure(const AircraftData& aircraft);
