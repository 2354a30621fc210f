#pragma once
// Livery matching: for an aircraft live traffic is about to create, the installed livery
// that looks most like it: its own registration (step 1), its airline and model (2), its
// airline and a similar model (3), the default airline "ZZZ" and its model (4), its model
// under any airline (5), another model of its category (6). MATCHING_DEPTH limits how far
// it goes. Worker thread only; the aircraft keeps a view into the livery tables' texts.
#include "airports/stands.h"
#include "records/aircraft.h"

#include <array>
#include <cstdint>
#include <string_view>

using LiveryMatchStep = std::int32_t;

// Live aircraft matched per step since the program started (element step - 1).
extern std::array<std::int32_t, 6> LiveryMatchCounters;

// Sets the title (empty when nothing matches), counts the step and sets the FSLTL flag.
void gf_matchLiveAcLivery(AircraftInfoData& aircraft);
inline void gf_matchLiveAcLivery(LiveAircraft& aircraft) { gf_matchLiveAcLivery(aircraft.aircraft.aircraftInfo); }

// A static aircraft made for a stand: the stand's cargo flag becomes the aircraft's, its
// name is shown when nothing matches. True when the aircraft has a title.
bool gf_matchStaticAcLivery(AircraftInfoData& aircraft, std::string_view standName, bool cargoStand);
inline bool gf_matchStaticAcLivery(AircraftInfoData& aircraft, const StandData& stand) {
  return gf_matchStaticAcLivery(aircraft, stand.name, stand.cargo);
}
