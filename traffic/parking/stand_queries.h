#pragma once
// Questions live traffic asks of the park airport's stands: which stand has a name, which
// stand the user aircraft stands on, which stand an aircraft has reached, whether a live
// aircraft's stand use is due to be recorded again, and which stand suits an aircraft.
// Worker thread only: the simulator link reads the published copy of the stands
// (simlink/park_stands.h) and never this list.
#include "airports/stands.h"
#include "core/geodesy.h"
#include "core/time.h"

#include <cstdint>
#include <string>
#include <string_view>

struct AircraftData;
struct LiveAircraft;

inline constexpr double nmPerMetre = 0.0005399568034557236;
inline constexpr double userStandReachNm = 55 * nmPerMetre;
inline constexpr double fitToleranceNm = 1.8 * nmPerMetre;
inline constexpr double closeForSmallStandNm = 20 * nmPerMetre;
inline constexpr double optionFallbackReachNm = 85 * nmPerMetre;

struct StandCandidate {
  std::string name;
  std::int32_t score = 0; // smaller is better
  std::int32_t match = 0; // 1: an option of the stand names this aircraft or its airline and type
};

// The first stand whose name is the text (byte for byte), or the end of the stand list.
StandList::iterator gf_findStandByName(std::string_view name);

// The stand list was filled, emptied or replaced: answers kept about the old one are void.
void gf_standListReplaced();

// The name of the nearest stand within 55 m of the position while the user aircraft is on
// the ground; empty when none.
std::string gf_userStand(GeoPosition position);

// The free stand that an aircraft at the position has reached, or the end. A stand slightly
// too small is taken from 20 m and enlarged to the aircraft; with the option fallback a stand
// up to 85 m away whose options name the aircraft is taken when no stand is in reach.
StandList::iterator gf_standAtPosition(GeoPosition position, const AircraftData& aircraft, double reachNm,
                                       bool optionFallback);
StandList::iterator gf_standAtPosition(GeoPosition position, const LiveAircraft& aircraft, double reachNm,
                                       bool optionFallback);

// Whether the stand use of this live aircraft may be recorded again: not within two
// half-hours of the last record unless forced.
bool gf_standUseDue(WeekTime now, std::int32_t hexid, bool force);

// The stand that suits the aircraft by size, kind and airline at this half-hour, or the end.
StandList::iterator gf_chooseStandByFit(WeekTime now, const AircraftData& aircraft, bool retry);
StandList::iterator gf_chooseStandByFit(WeekTime now, const LiveAircraft& aircraft, bool retry);

// Whether bit `slot` of a day's half-hour set is set; throws std::out_of_range outside 0..47.
bool gf_hasHalfHour(std::uint64_t hours, std::int32_t slot);
// One half-hour later, from slot 47 to slot 0 of the next day, Sunday to Monday.
WeekTime gf_nextHalfHour(WeekTime when);
// The half-hour of the week 0..335.
std::int32_t gf_weekIndex(WeekTime when);
// How many half-hours ago `since` was, over the end of the week: 0..335.
std::int32_t gf_halfHoursSince(WeekTime since, WeekTime now);
// `count` half-hours earlier, over midnight and Monday back to Sunday.
WeekTime gf_halfHoursBefore(WeekTime when, std::int32_t count);
