#include "traffic/parking/static_renewal.h"

#include "airports/park_airport.h"
#include "core/log.h"
#include "core/refdata/lookups.h"
#include "core/settings/control_port.h"
#include "core/settings/parameters.h"
#include "core/shell/control_refresh.h"
#include "core/shell/main_window.h"
#include "core/shell/requests.h"
#include "core/shell/status_line.h"
#include "core/text.h"
#include "feeds/traffic_reader.h"
#include "simlink/park_stands.h"
#include "traffic/live_limit.h"
#include "traffic/parking/max_park.h"
#include "traffic/parking/park_airports.h"
#include "traffic/parking/parking_state.h"
#include "traffic/parking/stand_option_search.h"
#include "traffic/parking/stand_queries.h"
#include "traffic/removal.h"
#include "traffic/traffic_state.h"

#include <algorithm>
#include <fmt/format.h>
#include <utility>

KeptList keptList;
RemovalList removalList;

namespace {

KeptStatic lf_keep(const AircraftData& s) {
  const auto& info = s.aircraftInfo;
  return {info.callsign,     info.coupledCallsign1, info.coupledCallsign2,
          info.registration, info.airline,          info.type,
          s.parkedSince,     s.standNumber,         false};
}

void lf_remove(const AircraftData& s) { removalList.push_back({s.aircraftInfo.callsign, s.standNumber}); }

bool lf_seen(const std::string& callsign) { return !callsign.empty() && parking.seenCallsigns.contains(callsign); }

std::size_t lf_firstWantedOn(std::int32_t standNumber) {
  for (std::size_t i = 0; i < wantedList.size(); ++i)
    if (static_cast<std::int32_t>(wantedList[i].standNumber) == standNumber) return i;
  return wantedList.size();
}

// The aircraft's own option still holds it now or within the look-back, over midnight too.
// With the whole week in use the search places options of any day, so any day keeps them
// too; otherwise such an aircraft would go at every renewal and come back at the next one.
bool lf_stillScheduled(const AircraftData& s, const StandData& stand, WeekTime now, std::int32_t cap) {
  const bool anyDay = WEEK.get();
  std::int32_t remaining = -1;
  for (const auto& option : stand.options) {
    const WeekTime when{anyDay ? option.day : now.day, now.slot};
    if (option.number != 0 && gf_optionCoversLookBack(option, s, when, cap, remaining)) return true;
  }
  if (now.slot - cap >= 0) return false;
  const std::int32_t previousDay = now.day <= 1 ? 7 : now.day - 1;
  const std::int32_t r = std::min(46, cap - now.slot);
  for (const auto& option : stand.options)
    if (option.number != 0 && gf_optionCoversDayEnd(option, s, anyDay ? option.day : previousDay, r)) return true;
  return false;
}

// Whether the option of a kept aircraft that shows its arrival callsign ends now.
void lf_markDepartures(WeekTime now) {
  for (auto& k : keptList) {
    if (k.optionCoupledCallsign.empty() || k.callsign.size() < k.optionCallsign.size()) continue;
    if (!k.optionCallsign.empty() && k.callsign.find(k.optionCallsign) == std::string::npos) continue;
    const StandData* stand = gf_standByNumber(k.standNumber);
    if (!stand) continue;
    std::string c = k.callsign;
    if (c.ends_with('*')) c.pop_back();
    for (const auto& option : stand->options) {
      if (option.number == 0 || option.day != now.day || option.callsign != c || !gf_matchStringPair(option, k))
        continue;
      const WeekTime next = gf_nextHalfHour(now);
      bool covered = false;
      if (next.day == now.day)
        covered = gf_hasHalfHour(option.hours, next.slot);
      else
        covered = std::any_of(stand->options.begin(), stand->options.end(), [&](const StandOptionData& o) {
          return o.number != 0 && o.day == next.day && gf_matchStringPair(o, k) && gf_hasHalfHour(o.hours, 0);
        });
      k.replace = !covered;
      break;
    }
  }
}

void lf_saveLearned() {
  if (!parkAirportLoaded.load() || (!learnedParamChanged.load() && standUpdateCount <= 0)) return;
  // A failed save keeps the count: the next renewal or the leaving tries again.
  if (!gf_saveLearnedAirport()) return;
  standUpdateCount = 0;
  if (mainWindow.snapshot().learnedUpdatesShown != 0)
    mainWindow.update(parkBandRect, [](DisplayState& d) { d.learnedUpdatesShown = 0; });
}

} // namespace

void gf_clearRenewalLists() {
  keptList.clear();
  removalList.clear();
}

void lf_resolveStandClaim(const AircraftData& s, std::size_t wantedIndex, WeekTime now) {
  // Ages over the end of the week: early on Monday an aircraft of Sunday evening is older.
  if (gf_halfHoursSince(s.parkedSince, now) > wantedList[wantedIndex].fitHalfHours) {
    lf_remove(s);
    return;
  }
  keptList.push_back(lf_keep(s));
  wantedList.erase(wantedList.begin() + static_cast<std::ptrdiff_t>(wantedIndex));
}

void lf_classifyStatics(WeekTime now) {
  const std::int32_t cap = std::min(47, std::max(staticParking.realFitReached, staticParking.softFitReached));
  for (const auto& s : traffic.staticList) {
    if (s.state != LiveState::Active) continue;
    const auto& info = s.aircraftInfo;
    if (lf_seen(info.coupledCallsign1) || lf_seen(info.coupledCallsign2)) {
      lf_remove(s);
      continue;
    }
    const std::size_t w = lf_firstWantedOn(s.standNumber);
    if (w < wantedList.size()) {
      const WantedStatic& wanted = wantedList[w];
      if (gf_matchStringPair(wanted, info) && (gf_equalsWithStar(wanted.callsign, info.callsign) ||
                                               gf_equalsWithStar(wanted.coupledCallsign, info.callsign))) {
        keptList.push_back(lf_keep(s));
        wantedList.erase(wantedList.begin() + static_cast<std::ptrdiff_t>(w));
      } else {
        lf_resolveStandClaim(s, w, now);
      }
      continue;
    }
    const StandData* stand = gf_standByNumber(s.standNumber);
    bool settled = false;
    if (stand)
      for (const std::int32_t m : stand->adjacent) {
        const std::size_t o = lf_firstWantedOn(m);
        const StandData* r = gf_standByNumber(m);
        if (o == wantedList.size() || !r) continue;
        if (gf_halfWingspanNm(wantedList[o].type) + gf_halfWingspanNm(info.type) >
            gf_distanceNm({s.standLat, s.standLon}, {r->lat, r->lon})) {
          lf_resolveStandClaim(s, o, now);
          settled = true;
          break;
        }
      }
    if (settled) continue;
    if (stand && lf_stillScheduled(s, *stand, now, cap))
      keptList.push_back(lf_keep(s));
    else
      lf_remove(s);
  }
  std::stable_sort(keptList.begin(), keptList.end(), [now](const KeptStatic& a, const KeptStatic& b) {
    return gf_halfHoursSince(a.parkedSince, now) < gf_halfHoursSince(b.parkedSince, now);
  });
  lf_markDepartures(now);
}

void lf_trimToWanted(std::int32_t wanted) {
  auto& live = parking.liveParkedList;
  std::int64_t n = static_cast<std::int64_t>(wantedList.size() + keptList.size() + live.size()) - wanted;
  while (n > 0) {
    if (!wantedList.empty()) {
      wantedList.pop_back();
    } else if (!keptList.empty()) {
      removalList.push_back({keptList.back().callsign, keptList.back().standNumber});
      keptList.pop_back();
    } else if (!live.empty()) {
      const std::int32_t number = live.back().standNumber;
      for (auto& ac : traffic.liveList)
        if (ac.aircraft.standNumber == number) {
          removeAircraftFromSim(ac.aircraft);
          break;
        }
      live.pop_back();
    } else {
      break;
    }
    --n;
  }
}

void gf_adjustParking() {
  const WeekTime now = lf_logWeekTime();
  lf_takeCollectedCallsigns();
  gf_disableParkControls();
  parking.softFound = false;
  mainWindow.update(parkBandRect, [](DisplayState& d) { d.softFound = false; });
  gf_clearRenewalLists();
  parking.liveParkedList.clear();
  wantedList.clear();
  // Option numbers stay as they are: the learned file and the stay records refer to them.
  lf_clearStandMarks();
  lf_excludeReservedAndUserStand();
  const std::int32_t f = lf_computeWantedStatics();
  lf_buildLiveParkedList();
  auto& live = parking.liveParkedList;
  if (f > 0 && static_cast<std::int64_t>(live.size()) > f) {
    const auto excess = static_cast<std::int32_t>(live.size()) - f;
    gf_showMessage(fmt::format("Parking adjustments: {} more live ac than wanted", excess), true);
    lf_removeLongestParkedLive(excess);
    lf_buildLiveParkedList();
  }
  for (auto& stand : standList)
    if (std::any_of(live.begin(), live.end(), [&](const LiveParkedEntry& e) { return e.standNumber == stand.number; }))
      gf_markStandTakenByStatic(stand);
  const auto t = static_cast<std::int32_t>(keptList.size() + live.size());
  if (f - static_cast<std::int32_t>(wantedList.size()) != t) lf_searchRealThenSoft(now, f, t);
  lf_classifyStatics(now);
  for (auto it = keptList.begin(); it != keptList.end();) {
    if (!it->replace) {
      ++it;
      continue;
    }
    // The new aircraft keeps the old one's parked time: only its callsign changes.
    wantedList.push_back({static_cast<std::uint32_t>(it->standNumber), gf_halfHoursSince(it->parkedSince, now),
                          it->airline, it->type, it->optionCallsign, it->optionCoupledCallsign, it->registration,
                          false});
    removalList.push_back({it->callsign, it->standNumber});
    it = keptList.erase(it);
  }
  lf_trimToWanted(f);
  std::sort(wantedList.begin(), wantedList.end(),
            [](const auto& a, const auto& b) { return a.fitHalfHours > b.fitHalfHours; });
  gf_showMessage(
      fmt::format("Parking adjustments: {} to be removed, {} to be added", removalList.size(), wantedList.size()),
      true);
  for (const auto& r : removalList)
    for (auto& s : traffic.staticList)
      if (s.standNumber == r.standNumber) {
        if (s.state == LiveState::Active || s.state == LiveState::RemovingFromSim) removeAircraftFromSim(s);
        break;
      }
  removalList.clear();
  if (!wantedList.empty()) gf_disableParkControls();
  lf_saveLearned();
}

void gf_clearGroundTraffic() {
  wantedList.clear();
  gf_flushStatics();
  for (auto& ac : traffic.liveList) {
    AircraftData& head = ac.aircraft;
    // Every stand is forgotten, also of aircraft still driving to it: the next airport's
    // stands have other numbers.
    head.standLat = head.standLon = head.standHeading = 0.0;
    head.standNumber = 0;
    head.cargoStand = false;
    switch (ac.phase) {
    case FlightPhase::Parked:
    case FlightPhase::PushingBack:
    case FlightPhase::PushedBack:
    case FlightPhase::Taxi:
    case FlightPhase::TakeOff:
      break;
    default:
      continue;
    }
    if (head.state == LiveState::Active) {
      removeAircraftFromSim(head);
    } else if (head.state == LiveState::Adding2Sim) {
      if (gf_cancelQueuedCreate(traffic.liveCreateBacklog, head.aircraftInfo.hexid))
        head.creationCancelled = true;
      else
        head.removalPending = true;
    }
  }
  std::erase_if(traffic.liveList, [](const LiveAircraft& ac) { return ac.aircraft.creationCancelled; });
  lf_leaveParkAirport();
  if (MAX_LIVE_SEL.get() != userMaxLive.load()) {
    MAX_LIVE_SEL.set(userMaxLive.load());
    gf_applyMaxLive();
  }
}

void lf_leaveParkAirport() {
  lf_saveLearned();
  parkFileHandmade = false;
  parkAirportLoaded.store(false);
  rtTrafficWeek = 0;
  gf_enableControl(FLUSH_STATIC_BUTTON.controlId, false);
  gf_enableControl(parking_percentage.controlId, false);
  if (std::exchange(staticParking.learnSoftHeld, false) && LEARN_SOFT.get() == staticParking.learnSoftAfterLoad &&
      LEARN_SOFT.get() != staticParking.userLearnSoft) {
    // The airport switched soft learning for itself only.
    LEARN_SOFT.set(staticParking.userLearnSoft);
    gf_setControlCheck(LEARN_SOFT.controlId, staticParking.userLearnSoft);
  }
  gf_enableControl(LEARN_SOFT.controlId, true);
  staticParking.softLearningAllowed = true;
  currentParkAirport = {};
  trafficReader.setParkAirport(std::nullopt);
  trafficReader.setParkElevation(std::nullopt);
  removalList.clear();
  wantedList.clear();
  standList.clear();
  gf_standListReplaced();
  gf_clearOptionSkips();
  reservedStand.clear();
  gf_publishParkStands({}, {});
  mainWindow.update(parkBandRect, [](DisplayState& d) {
    d.learnedUpdatesShown = 0;
    d.parkFileLoaded = false;
    d.parkAirportNameText.clear();
    d.parkAirportCode.clear();
    d.rtTrafficWeek = 0;
  });
}
