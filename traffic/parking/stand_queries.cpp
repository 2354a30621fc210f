#include "traffic/parking/stand_queries.h"

#include "airports/park_airport.h"
#include "core/random.h"
#include "simlink/user_state.h"
#include "records/aircraft.h"
#include "traffic/parking/learned_options.h"
#include "traffic/parking/parking_state.h"
#include "traffic/traffic_state.h"

#include <algorithm>
#include <cmath>
#include <gsl/narrow>
#include <stdexcept>
#include <vector>

namespace {

constexpr double smallFitSpanNm = 17.8 * nmPerMetre;
constexpr double smallFitStepNm = 14 * nmPerMetre;
constexpr double largeFitStepNm = 21 * nmPerMetre;
constexpr double bestDistanceStart = 900.0;
constexpr std::int32_t bestScoreStart = 100;

// Bumped whenever the stand list is replaced, so the user-stand answer of the old list is
// never given for the new one.
std::uint64_t standListGeneration = 0;

struct UserStandCache {
  GeoPosition position;
  std::string name;
  std::uint64_t generation = 0;
  bool valid = false;
};

UserStandCache& lf_userStandCache() {
  static UserStandCache cache;
  return cache;
}

GeoPosition lf_standPosition(const StandData& stand) { return {stand.lat, stand.lon}; }

bool lf_heliMismatch(const StandData& stand, const AircraftData& aircraft) {
  return stand.heli != (aircraft.aircraftInfo.category == SizeCategory::Rotorcraft);
}

// A learned aircraft stands there at this half-hour.
bool lf_occupiedByOption(const StandData& stand, WeekTime when) {
  for (const auto& option : stand.options)
    if (option.day == when.day && gf_optionUsable(stand, option) && gf_hasHalfHour(option.hours, when.slot))
      return true;
  return false;
}

bool lf_optionMatches(const StandData& stand, const AircraftData& aircraft) {
  const auto& info = aircraft.aircraftInfo;
  if (info.callsign.empty()) return false;
  return std::any_of(stand.options.begin(), stand.options.end(), [&](const StandOptionData& option) {
    return gf_optionUsable(stand, option) && gf_matchOptionByCallsignOrType(info.callsign, info, option);
  });
}

using CandidateList = std::vector<StandCandidate>;

void lf_addCandidate(CandidateList& candidates, const StandData& stand, const AircraftData& aircraft,
                     std::int32_t score, std::int32_t& best) {
  if (score > best) return;
  best = score;
  candidates.push_back({stand.name, score, lf_optionMatches(stand, aircraft) ? 1 : 0});
}

void lf_addFittingStand(CandidateList& candidates, const StandData& stand, const AircraftData& aircraft, WeekTime when,
                        std::int32_t& best) {
  if (lf_occupiedByOption(stand, when)) return;
  const double halfSpan = aircraft.aircraftInfo.halfSpanNm;
  if (halfSpan - stand.radius > fitToleranceNm) return;
  const double step = halfSpan <= smallFitSpanNm ? smallFitStepNm : largeFitStepNm;
  lf_addCandidate(candidates, stand, aircraft,
                  gsl::narrow<std::int32_t>(std::llround((stand.radius - halfSpan) / step)), best);
}

// Any size; scored by the size difference in metres, so a closer size still wins.
void lf_addAnyStand(CandidateList& candidates, const StandData& stand, const AircraftData& aircraft, WeekTime when,
                    std::int32_t& best) {
  if (lf_occupiedByOption(stand, when)) return;
  const double differenceMetres = std::abs(aircraft.aircraftInfo.halfSpanNm - stand.radius) * metresPerNm;
  lf_addCandidate(candidates, stand, aircraft, gsl::narrow<std::int32_t>(std::llround(differenceMetres)), best);
}

// One step of the search: one pass of one evaluation over the stands the filter lets through.
template <typename Filter>
void lf_addFitting(CandidateList& candidates, const AircraftData& aircraft, WeekTime when, const Filter& filter) {
  std::int32_t best = bestScoreStart;
  for (const auto& stand : standList)
    if (filter(stand)) lf_addFittingStand(candidates, stand, aircraft, when, best);
}

template <typename Filter>
void lf_addAny(CandidateList& candidates, const AircraftData& aircraft, WeekTime when, const Filter& filter) {
  std::int32_t best = bestScoreStart;
  for (const auto& stand : standList)
    if (filter(stand)) lf_addAnyStand(candidates, stand, aircraft, when, best);
}

template <typename Filter>
void lf_addFittingThenAny(CandidateList& candidates, const AircraftData& aircraft, WeekTime when,
                          const Filter& filter) {
  lf_addFitting(candidates, aircraft, when, filter);
  if (candidates.empty()) lf_addAny(candidates, aircraft, when, filter);
}

void lf_addStandsOfKind(CandidateList& candidates, const AircraftData& aircraft, WeekTime when, bool gateFirst) {
  lf_addFittingThenAny(candidates, aircraft, when,
                       [gateFirst](const StandData& s) { return !s.cargo && !s.heli && s.ramp != gateFirst; });
}

void lf_gatherCandidates(CandidateList& candidates, const AircraftData& aircraft, WeekTime when) {
  const auto& info = aircraft.aircraftInfo;
  if (info.category == SizeCategory::Rotorcraft) {
    const auto heli = [](const StandData& s) { return s.heli; };
    const auto ramp = [](const StandData& s) { return s.ramp; };
    lf_addFitting(candidates, aircraft, when, heli);
    if (candidates.empty()) lf_addFitting(candidates, aircraft, when, ramp);
    if (candidates.empty()) lf_addAny(candidates, aircraft, when, heli);
    if (candidates.empty()) lf_addAny(candidates, aircraft, when, ramp);
    return;
  }
  if (info.cargo) {
    lf_addFittingThenAny(candidates, aircraft, when, [](const StandData& s) { return s.cargo && !s.heli; });
    if (candidates.empty())
      lf_addFittingThenAny(candidates, aircraft, when, [](const StandData& s) { return !s.heli; });
    return;
  }
  if (info.category == SizeCategory::Light || info.category == SizeCategory::Buzjets || info.airline == "PVT") {
    lf_addFittingThenAny(candidates, aircraft, when, [](const StandData& s) { return s.ramp && !s.cargo && !s.heli; });
    return;
  }
  const bool gateFirst = currentParkAirport.code.starts_with('K') || gf_randomEngine()() % 100 >= 10;
  lf_addStandsOfKind(candidates, aircraft, when, gateFirst);
  if (candidates.empty()) lf_addStandsOfKind(candidates, aircraft, when, !gateFirst);
}

} // namespace

bool gf_hasHalfHour(std::uint64_t hours, std::int32_t slot) {
  if (slot < 0 || slot >= slotsPerDay) throw std::out_of_range("half-hour slot out of range");
  return (hours >> slot) & 1U;
}

WeekTime gf_nextHalfHour(WeekTime when) {
  if (when.slot < slotsPerDay - 1) return {when.day, when.slot + 1};
  return {when.day >= 7 ? 1 : when.day + 1, 0};
}

std::int32_t gf_weekIndex(WeekTime when) { return (when.day - 1) * slotsPerDay + when.slot; }

std::int32_t gf_halfHoursSince(WeekTime since, WeekTime now) {
  constexpr std::int32_t weekSlots = 7 * slotsPerDay;
  return ((gf_weekIndex(now) - gf_weekIndex(since)) % weekSlots + weekSlots) % weekSlots;
}

WeekTime gf_halfHoursBefore(WeekTime when, std::int32_t count) {
  std::int32_t slot = when.slot - count;
  std::int32_t day = when.day;
  while (slot < 0) {
    slot += slotsPerDay;
    day = day <= 1 ? 7 : day - 1;
  }
  return {day, slot};
}

StandList::iterator gf_findStandByName(std::string_view name) {
  return std::find_if(standList.begin(), standList.end(), [&](const StandData& s) { return s.name == name; });
}

void gf_standListReplaced() {
  ++standListGeneration;
  lf_userStandCache().valid = false;
}

std::string gf_userStand(GeoPosition position) {
  if (standList.empty() || !userOnGround.load()) return {};
  auto& cache = lf_userStandCache();
  if (cache.valid && cache.generation == standListGeneration &&
      std::abs(position.latitude - cache.position.latitude) < 1e-8 &&
      std::abs(position.longitude - cache.position.longitude) < 1e-8)
    return cache.name;
  double best = bestDistanceStart;
  std::string name;
  for (const auto& stand : standList) {
    const double d = gf_distanceNm(position, lf_standPosition(stand));
    if (d <= userStandReachNm && d < best) {
      name = stand.name;
      best = d;
    }
  }
  cache = {position, name, standListGeneration, true};
  return name;
}

StandList::iterator gf_standAtPosition(GeoPosition position, const AircraftData& aircraft, double reachNm,
                                       bool optionFallback) {
  const auto& info = aircraft.aircraftInfo;
  auto best = standList.end();
  auto small = standList.end();
  auto byOption = standList.end();
  double bestDistance = bestDistanceStart;
  double optionDistance = bestDistanceStart;
  for (auto it = standList.begin(); it != standList.end(); ++it) {
    // A helipad nearer than the right stand must not hide it, nor the other way round.
    if (it->takenByLive || lf_heliMismatch(*it, aircraft)) continue;
    const double d = gf_distanceNm(position, lf_standPosition(*it));
    const bool tooSmall = info.halfSpanNm - it->radius > fitToleranceNm;
    if (d <= reachNm && d < bestDistance) {
      if (tooSmall) {
        if (d > closeForSmallStandNm) continue;
        small = it;
      }
      best = it;
      bestDistance = d;
      optionFallback = false;
    } else if (optionFallback && d <= optionFallbackReachNm && d < optionDistance && !tooSmall &&
               lf_optionMatches(*it, aircraft)) {
      byOption = it;
      optionDistance = d;
    }
  }
  if (best == standList.end()) return byOption;
  if (best == small) {
    best->radius = info.halfSpanNm - nmPerMetre;
    best->radius_change = true;
    gf_countLearnedUpdate();
  }
  return best;
}

StandList::iterator gf_standAtPosition(GeoPosition position, const LiveAircraft& aircraft, double reachNm,
                                       bool optionFallback) {
  return gf_standAtPosition(position, aircraft.aircraft, reachNm, optionFallback);
}

bool gf_standUseDue(WeekTime now, std::int32_t hexid, bool force) {
  auto& uses = traffic.standUseList;
  const auto it = std::find_if(uses.begin(), uses.end(), [hexid](const StandUse& u) { return u.hexid == hexid; });
  if (it == uses.end()) {
    uses.push_back({hexid, now.slot});
    return true;
  }
  if (!force && (now.slot - it->halfHour + slotsPerDay) % slotsPerDay <= 2) return false;
  it->halfHour = now.slot;
  return true;
}

StandList::iterator gf_chooseStandByFit(WeekTime now, const AircraftData& aircraft, bool retry) {
  CandidateList candidates;
  candidates.reserve(256);
  lf_gatherCandidates(candidates, aircraft, now);
  if (candidates.empty()) {
    if (retry && standList.size() <= 10) return gf_chooseStandByFit(gf_nextHalfHour(now), aircraft, false);
    return standList.end();
  }
  if (gf_randomOn()) std::shuffle(candidates.begin(), candidates.end(), gf_randomEngine());
  const auto first = std::min_element(candidates.begin(), candidates.end(), [](const auto& a, const auto& b) {
    if (a.match != b.match) return a.match > b.match;
    return a.score < b.score;
  });
  return gf_findStandByName(first->name);
}

StandList::iterator gf_chooseStandByFit(WeekTime now, const LiveAircraft& aircraft, bool retry) {
  return gf_chooseStandByFit(now, aircraft.aircraft, retry);
}
