#pragma once
// Placing the wanted static aircraft one at a time, their callsigns, and the stand names of
// log lines. Worker thread only.
#include "traffic/parking/static_plan.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

struct AircraftInfoData;
struct StandData;

// One placement from the back of the wanted list; nothing when it or the stand list is empty.
void lf_placeNextStatic();
// The callsign a static aircraft shows: its arrival callsign while it stays, else its
// departure callsign.
std::string lf_detcs(const WantedStatic& wanted);
// Trailing '_' removed and one '*' at the end.
std::string gf_staticCallsign(std::string_view text);
// "sid==0?" for 0, the name of the first stand with that number, else "unknown".
std::string gf_standName(std::int32_t number);

// The livery of a static aircraft made for a stand; true when it has a title. Tests put
// their own in the place of the livery tables; an empty one puts them back.
using StaticLiveryMatcher = std::function<bool(AircraftInfoData&, const StandData&)>;
void gf_setStaticLiveryMatcher(StaticLiveryMatcher matcher);

// The hexid the next static aircraft gets: 1..9999, then 0.
std::uint32_t gf_nextStaticHexid();
void gf_resetStaticCounter();
