#include "traffic/parking/stand_option_search.h"

#include "core/geodesy.h"
#include "core/random.h"
#include "core/refdata/lookups.h"
#include "core/settings/parameters.h"
#include "core/shell/main_window.h"
#include "core/shell/week_clock.h"
#include "core/text.h"
#include "records/aircraft.h"
#include "traffic/parking/parking_state.h"
#include "traffic/parking/stand_queries.h"
#include "traffic/traffic_state.h"

#include <algorithm>
#include <string_view>
#include <vector>

namespace {

constexpr std::int32_t weekSlots = 7 * slotsPerDay;

std::uint64_t lf_slotRange(std::int32_t from, std::int32_t to) {
  from = std::max(from, 0);
  to = std::min(to, slotsPerDay - 1);
  std::uint64_t mask = 0;
  for (std::int32_t s = from; s <= to; ++s) mask |= std::uint64_t{1} << s;
  return mask;
}

bool lf_sameAircraft(const StandOptionData& option, const AircraftData& aircraft) {
  const auto& info = aircraft.aircraftInfo;
  return option.registration == info.registration && gf_matchStringPair(option, info);
}

bool lf_callsignSeen(const std::string& text) {
  return parking.seenCallsigns.contains(text) || parking.seenCallsigns.contains(text + '_');
}

bool lf_sameNonEmpty(const std::string& a, const std::string& b) { return !a.empty() && a == b; }

bool lf_optionNamesCallsign(const StandOptionData& option, const std::string& callsign) {
  return lf_sameNonEmpty(callsign, option.callsign) || lf_sameNonEmpty(callsign, option.coupledCallsign);
}

// Empty texts name nobody: an option without a coupled callsign is not taken by every static
// aircraft whose option had none.
bool lf_optionUsedByStatic(const StandOptionData& option) {
  return std::any_of(traffic.staticList.begin(), traffic.staticList.end(), [&](const AircraftData& ac) {
    return lf_optionNamesCallsign(option, ac.aircraftInfo.coupledCallsign1) ||
           lf_sameNonEmpty(ac.aircraftInfo.registration, option.registration);
  });
}

bool lf_optionUsedByWanted(const StandOptionData& option, const WantedList& batch) {
  const auto used = [&](const WantedStatic& w) {
    return lf_optionNamesCallsign(option, w.callsign) || lf_sameNonEmpty(w.registration, option.registration);
  };
  return std::any_of(wantedList.begin(), wantedList.end(), used) || std::any_of(batch.begin(), batch.end(), used);
}

// The batch being filled counts too: one registration is never planned on two stands.
bool lf_optionAlreadyPresent(const StandOptionData& option, const WantedList& batch) {
  if (!option.registration.empty()) {
    const auto sameReg = [&](const WantedStatic& w) { return w.registration == option.registration; };
    if (std::any_of(wantedList.begin(), wantedList.end(), sameReg) || std::any_of(batch.begin(), batch.end(), sameReg))
      return true;
  }
  if (!option.callsign.empty() && lf_callsignSeen(option.callsign)) return true;
  if (!option.coupledCallsign.empty() && lf_callsignSeen(option.coupledCallsign)) return true;
  if (lf_optionUsedByStatic(option) || lf_optionUsedByWanted(option, batch)) return true;
  return std::any_of(parking.liveParkedList.begin(), parking.liveParkedList.end(),
                     [&](const LiveParkedEntry& e) { return lf_optionNamesCallsign(option, e.callsign); });
}

const AircraftData* lf_activeStaticOn(std::int32_t standNumber) {
  for (const auto& ac : traffic.staticList)
    if (ac.state == LiveState::Active && ac.standNumber == standNumber) return &ac;
  return nullptr;
}

// An active static aircraft on an adjacent stand that an aircraft of this type would touch.
bool lf_adjacentTooClose(const StandData& stand, const std::vector<const AircraftData*>& neighbours,
                         const StandOptionData& option) {
  if (neighbours.empty()) return false;
  const double halfSpan = gf_halfWingspanNm(option.type);
  for (const AircraftData* ac : neighbours) {
    const double d = gf_distanceNm({ac->standLat, ac->standLon}, {stand.lat, stand.lon});
    if (gf_halfWingspanNm(ac->aircraftInfo.type) + halfSpan > d) return true;
  }
  return false;
}

void lf_orderOptionCandidates(const StandData& stand, std::vector<std::int32_t>& candidates) {
  for (const auto& ac : traffic.staticList) {
    if (ac.standNumber != stand.number) continue;
    for (const auto& option : stand.options) {
      if (std::find(candidates.begin(), candidates.end(), option.number) == candidates.end()) continue;
      const auto& cs = ac.aircraftInfo.callsign;
      if ((gf_equalsWithStar(option.callsign, cs) || gf_equalsWithStar(option.coupledCallsign, cs)) &&
          gf_matchStringPair(ac.aircraftInfo, option)) {
        std::iter_swap(candidates.begin(), std::find(candidates.begin(), candidates.end(), option.number));
        return;
      }
    }
  }
  std::shuffle(candidates.begin(), candidates.end(), gf_randomEngine());
}

bool lf_staysOn(const StandData& stand, const StandOptionData& option, WeekTime now) {
  if (option.coupledCallsign.empty()) return true;
  const WeekTime next = gf_nextHalfHour(now);
  if (next.day == now.day) return gf_hasHalfHour(option.hours, next.slot);
  return std::any_of(stand.options.begin(), stand.options.end(), [&](const StandOptionData& o) {
    return o.number >= 1 && o.day == next.day && gf_matchStringPair(o, option) && gf_hasHalfHour(o.hours, 0);
  });
}

std::int32_t lf_weekIndex(WeekTime t) { return (t.day - 1) * slotsPerDay + t.slot; }

} // namespace

void gf_markStandTakenByStatic(StandData& stand) {
  stand.takenByStatic = true;
  for (const std::int32_t number : stand.adjacent)
    if (const auto other = gf_standByNumber(number)) other->nextToTaken = true;
}

void lf_searchForCoupledCsAroundThisTime(WeekTime now, LiveAircraft& aircraft) {
  auto& info = aircraft.aircraft.aircraftInfo;
  const std::int32_t w = info.category == SizeCategory::Heavy ? 14 : 10;
  const std::uint64_t window = lf_slotRange(now.slot - w, now.slot + w);
  std::string_view callsign = info.callsign;
  if (callsign.ends_with('_')) callsign.remove_suffix(1);
  for (const auto& stand : standList)
    for (const auto& option : stand.options) {
      if (!gf_optionUsable(stand, option) || option.day != now.day || (option.hours & window) == 0 ||
          option.airline != info.airline || option.coupledCallsign.empty())
        continue;
      if (option.callsign != callsign && option.coupledCallsign != callsign) continue;
      info.coupledCallsign1 = option.callsign;
      info.coupledCallsign2 = option.coupledCallsign;
      return;
    }
}

bool gf_optionCoversLookBack(const StandOptionData& option, const AircraftData& aircraft, WeekTime when,
                             std::int32_t lookBack, std::int32_t& remaining) {
  gf_hasHalfHour(0, when.slot); // the range check of the slot
  remaining = when.slot - lookBack < 0 ? std::min(lookBack - when.slot, 46) : -1;
  if (option.day != when.day || !lf_sameAircraft(option, aircraft)) return false;
  return (option.hours & lf_slotRange(when.slot - lookBack, when.slot)) != 0;
}

bool gf_optionCoversDayEnd(const StandOptionData& option, const AircraftData& aircraft, std::int32_t day,
                           std::int32_t remaining) {
  if (option.day != day || !lf_sameAircraft(option, aircraft)) return false;
  return (option.hours & lf_slotRange(slotsPerDay - 1 - remaining, slotsPerDay - 1)) != 0;
}

void lf_searchStands(WeekTime now, std::int32_t kind, std::int32_t fit, WantedList& wanted) {
  const WeekTime check = gf_halfHoursBefore(now, fit);
  const bool anyDay = WEEK.get();
  const bool helicopters = HELICOPTERS.get();
  std::vector<std::int32_t> candidates;
  candidates.reserve(256);
  std::vector<const AircraftData*> neighbours;
  for (auto& stand : standList) {
    if (stand.excluded || stand.takenByStatic || stand.nextToTaken || (stand.heli && !helicopters)) continue;
    neighbours.clear();
    for (const std::int32_t number : stand.adjacent)
      if (const AircraftData* ac = lf_activeStaticOn(number)) neighbours.push_back(ac);
    candidates.clear();
    for (const auto& option : stand.options) {
      if (!gf_optionUsable(stand, option)) continue;
      if ((kind == realOptions && !option.real) || (kind == softOptions && option.real)) continue;
      if (!anyDay && option.day != check.day) continue;
      if (!gf_hasHalfHour(option.hours, check.slot)) continue;
      if (lf_adjacentTooClose(stand, neighbours, option)) continue;
      candidates.push_back(option.number);
    }
    if (candidates.empty()) continue;
    if (candidates.size() >= 2 && gf_randomOn()) lf_orderOptionCandidates(stand, candidates);
    const auto option = std::find_if(stand.options.begin(), stand.options.end(),
                                     [&](const StandOptionData& o) { return o.number == candidates.front(); });
    if (option == stand.options.end()) continue;
    if (lf_optionAlreadyPresent(*option, wanted)) {
      gf_skipOption(stand, *option);
      continue;
    }
    wanted.push_back({static_cast<std::uint32_t>(stand.number), fit, option->airline, option->type, option->callsign,
                      option->coupledCallsign, option->registration, lf_staysOn(stand, *option, now)});
    gf_markStandTakenByStatic(stand);
  }
}

std::int32_t gf_countStatics(bool recompute) {
  std::int32_t count = 0;
  std::int64_t stays = 0;
  const std::int32_t current = lf_weekIndex(currentWeekTime.load());
  for (const auto& ac : traffic.staticList) {
    if (ac.state != LiveState::Active && ac.state != LiveState::RemovingFromSim) continue;
    ++count;
    std::int32_t stay = current - lf_weekIndex(ac.parkedSince);
    if (stay < 0) stay += weekSlots;
    stays += stay;
  }
  if (recompute && !WEEK.get()) {
    const float average = count == 0 ? 0.0f : static_cast<float>(stays) / (2.0f * count) + 0.5f;
    if (mainWindow.snapshot().staticParkedHours != average)
      mainWindow.update(parkBandRect, [average](DisplayState& d) { d.staticParkedHours = average; });
  }
  return count;
}
