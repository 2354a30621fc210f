#pragma once
// Searches over the learned stand options of the park airport: which options fit the plan
// at a half-hour of the week, whether a static aircraft's own option still covers it,
// which callsigns an option couples to a live aircraft, and how many static aircraft stand.
// Worker thread only.
#include "airports/stands.h"
#include "core/time.h"
#include "traffic/parking/static_plan.h"

#include <cstdint>

struct AircraftData;
struct LiveAircraft;

// Option kinds of lf_searchStands; any other value takes both.
inline constexpr std::int32_t softOptions = 0;
inline constexpr std::int32_t realOptions = 1;

// Fills the aircraft's coupled callsigns from the first option of its airline whose callsign
// or coupled callsign is its own, used on the same day around this half-hour.
void lf_searchForCoupledCsAroundThisTime(WeekTime now, LiveAircraft& aircraft);

// The option is the static aircraft's own (registration, airline, type) on that day and
// covers the slot or one of the n before it within the day. `remaining`: the half-hours
// still to look back at the end of the previous day, or -1.
bool gf_optionCoversLookBack(const StandOptionData& option, const AircraftData& aircraft, WeekTime when,
                             std::int32_t lookBack, std::int32_t& remaining);
// The same for the last `remaining` + 1 half-hours of the day.
bool gf_optionCoversDayEnd(const StandOptionData& option, const AircraftData& aircraft, std::int32_t day,
                           std::int32_t remaining);

// Appends a wanted static aircraft for every free stand with a usable option of this kind
// that covers the half-hour `fit` half-hours before now, and marks those stands taken.
void lf_searchStands(WeekTime now, std::int32_t kind, std::int32_t fit, WantedList& wanted);

// The stand is planned for a static aircraft: it and the stands next to it are not offered again.
void gf_markStandTakenByStatic(StandData& stand);

// Static aircraft active or being removed; with recompute (and WEEK off) also their average
// parked time for the window.
std::int32_t gf_countStatics(bool recompute);
