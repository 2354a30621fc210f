#include "traffic/parking/static_plan.h"

#include "airports/airport_files.h"
#include "airports/park_airport.h"
#include "core/log.h"
#include "core/random.h"
#include "core/settings/control_port.h"
#include "core/settings/parameters.h"
#include "core/shell/control_refresh.h"
#include "core/shell/main_window.h"
#include "core/shell/requests.h"
#include "core/shell/status_line.h"
#include "core/shell/week_clock.h"
#include "core/text.h"
#include "feeds/traffic_reader.h"
#include "simlink/park_stands.h"
#include "simlink/user_state.h"
#include "traffic/live_limit.h"
#include "traffic/parking/park_airports.h"
#include "traffic/parking/parking_state.h"
#include "traffic/parking/stand_option_search.h"
#include "traffic/parking/stand_queries.h"
#include "traffic/parking/static_renewal.h"
#include "traffic/traffic_state.h"

#include <algorithm>
#include <cmath>
#include <fmt/format.h>
#include <gsl/narrow>
#include <mutex>

WantedList wantedList;
StaticParkingState staticParking;

namespace {

constexpr std::array<std::string_view, 7> dayNames{"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};

std::string lf_dayName(std::int32_t day) {
  return day >= 1 && day <= 7 ? std::string(dayNames[static_cast<std::size_t>(day - 1)]) : "???";
}

std::string lf_hoursText(std::int32_t halfHours) { return gf_numberText(static_cast<float>(halfHours * 0.5 + 0.5)); }

std::int32_t lf_takenByStatic() {
  return static_cast<std::int32_t>(
      std::count_if(standList.begin(), standList.end(), [](const StandData& s) { return s.takenByStatic; }));
}

// A file whose stands have no usable position or size would place aircraft nowhere.
std::string lf_checkStands(const StandList& stands) {
  for (const auto& s : stands)
    if (!std::isfinite(s.lat) || !std::isfinite(s.lon) || !std::isfinite(s.radius) || !std::isfinite(s.heading) ||
        s.radius < 0.0)
      return fmt::format("{} {}: stand {} has no valid position or size", "lf_readParkedFile", currentParkAirport.code,
                         s.name);
  return {};
}

void lf_publishStands() {
  std::vector<ParkStandPoint> points;
  points.reserve(standList.size());
  for (const auto& s : standList) points.push_back({s.name, s.lat, s.lon});
  gf_publishParkStands(currentParkAirport.code, std::move(points));
}

void lf_allowSoftLearning() {
  const bool notAllowed = qualityFactors.Qf_real >= 45 && standList.size() >= 20;
  staticParking.softLearningAllowed = !notAllowed;
  if (notAllowed) {
    if (LEARN_SOFT.get()) {
      LEARN_SOFT.set(false);
      gf_setControlCheck(LEARN_SOFT.controlId, false);
      learnedParamChanged.store(true);
    }
    gf_enableControl(LEARN_SOFT.controlId, false);
  } else {
    gf_enableControl(LEARN_SOFT.controlId, true);
  }
}

void lf_keepUserStand(const std::string& userStand) {
  const auto entry = gf_findParkAirportEntry(currentParkAirport.code);
  if (entry != parkAirportList.end()) {
    // The park airport's entry leads the list while it is the park airport.
    parkAirportList.splice(parkAirportList.begin(), parkAirportList, entry);
    if (!userStand.empty() && userStand != entry->stand) {
      entry->stand = userStand;
      gf_addMyParkAirport(currentParkAirport.code);
    }
    return;
  }
  parkAirportList.push_front({currentParkAirport.code, userStand, currentParkAirport.lat, currentParkAirport.lon, 0.0});
  gf_addMyParkAirport(currentParkAirport.code);
}

void lf_setReservedStand() {
  const auto entry = gf_findParkAirportEntry(currentParkAirport.code);
  if (entry != parkAirportList.end() && !entry->stand.empty()) {
    const bool exists = gf_findStandByName(entry->stand) != standList.end();
    reservedStand = exists ? entry->stand : std::string();
    mainWindow.update(parkBandRect, [exists](DisplayState& d) {
      d.reservedStandValid = exists;
      d.reservedStandName = reservedStand;
    });
    return;
  }
  reservedStand.clear();
  mainWindow.update(parkBandRect, [](DisplayState& d) { d.reservedStandName.clear(); });
}

} // namespace

void gf_reserveStaticParking() {
  static std::once_flag reserved;
  std::call_once(reserved, [] {
    wantedList.reserve(512);
    parking.liveParkedList.reserve(64);
  });
}

void gf_resetStaticParking() {
  wantedList.clear();
  staticParking.parkStart = false;
  staticParking.softLearningAllowed = true;
  parking.skippedOptions.clear();
  parking.seenCallsigns.clear();
  parking.liveParkedList.clear();
  gf_clearRenewalLists();
  gf_resetParkAirports();
}

GeoPosition gf_userPosition() { return {traffic.userAcState.latitude, traffic.userAcState.longitude}; }

WeekTime lf_logWeekTime() {
  const WeekTime now = currentWeekTime.load();
  gf_log(fmt::format("\n{} (utc) It is day {} ({}), {} hours", gf_trafficTimeOfDay(), now.day, lf_dayName(now.day),
                     lf_hoursText(now.slot)));
  return now;
}

void lf_takeCollectedCallsigns() { parking.seenCallsigns = trafficReader.takeCollectedCallsigns(); }

void lf_clearStandMarks() {
  for (auto& s : standList) s.takenByStatic = s.excluded = s.nextToTaken = false;
  gf_clearOptionSkips();
}

void lf_excludeReservedAndUserStand() {
  if (!reservedStand.empty())
    if (const auto s = gf_findStandByName(reservedStand); s != standList.end()) s->excluded = true;
  const std::string us = gf_userStand(gf_userPosition());
  if (!us.empty() && us != reservedStand)
    if (const auto s = gf_findStandByName(us); s != standList.end()) s->excluded = true;
}

std::int32_t lf_computeWantedStatics() {
  const std::int32_t maxPark = MAX_PARK_SEL.get();
  std::int32_t wanted = 0;
  std::int32_t shownPercent = parking_percentage.get();
  if (maxPark > 0) {
    // A percentage outside 0..100 from a file or an old setting would wrap or overflow.
    const std::int32_t custom = CUSTOM_PARKING_PERCENTAGE.get();
    const std::int32_t pct = std::clamp(custom >= 0 ? custom : parking_percentage.get(), 0, 100);
    const auto n = static_cast<std::int64_t>(standList.size());
    const std::int64_t d = n <= 1 || ((n == 2 || n == 3) && pct < 50) ? 1 : std::llround(n * pct / 100.0);
    wanted = gsl::narrow<std::int32_t>(std::min<std::int64_t>(maxPark, d));
    shownPercent = gf_percentage(wanted, n);
  }
  staticParking.wantedCount = wanted;
  staticParking.wantedPercent = shownPercent;
  mainWindow.update(parkBandRect, [wanted, shownPercent](DisplayState& d) {
    d.wantedCount = wanted;
    d.wantedPercent = shownPercent;
  });
  return wanted;
}

bool lf_searchStandsUpToMaxFit(WeekTime week, bool real, std::int32_t target, WantedList& batch) {
  if (target <= 0) return true;
  const std::int32_t before = lf_takenByStatic();
  const std::int32_t maxFit = std::clamp(MAX_FIT.get(), 0, 47);
  std::int32_t fit = 0;
  std::int32_t taken = before;
  bool ok = false;
  for (;; ++fit) {
    lf_searchStands(week, real ? realOptions : softOptions, fit, batch);
    taken = lf_takenByStatic();
    if (taken >= target) {
      ok = true;
      break;
    }
    wantedList.insert(wantedList.end(), batch.begin(), batch.end());
    batch.clear();
    if (fit + 1 > maxFit) {
      ++fit;
      break;
    }
  }
  if (real) {
    staticParking.realFitReached = fit;
    staticParking.softFitReached = -1;
  } else {
    staticParking.softFitReached = fit;
  }
  const std::int32_t found = taken - before;
  if (found > 0) {
    const std::string dayPart = WEEK.get() ? std::string(", week") : fmt::format(", day {}", week.day);
    gf_log(fmt::format("{} {} position{} found, Max fit={} hours{}{}", found, real ? "real" : "soft", gf_plural(found),
                       lf_hoursText(maxFit), dayPart,
                       fmt::format(", hh:{} or {} hrs, fit: {} hour", week.slot, lf_hoursText(week.slot),
                                   lf_hoursText(std::min(fit, maxFit)))));
  }
  parking.softFound = !real && found > 0;
  const bool softFound = parking.softFound;
  mainWindow.update(parkBandRect, [softFound](DisplayState& d) { d.softFound = softFound; });
  return ok;
}

void lf_searchStandsOfKind(WeekTime week, std::int32_t target, std::int32_t counted, bool real) {
  WantedList batch;
  batch.reserve(512);
  if (!lf_searchStandsUpToMaxFit(week, real, target, batch)) return;
  if (gf_randomOn()) std::shuffle(batch.begin(), batch.end(), gf_randomEngine());
  wantedList.insert(wantedList.end(), batch.begin(), batch.end());
  const auto excess = static_cast<std::int64_t>(wantedList.size()) + counted - target;
  if (excess > 0)
    wantedList.resize(wantedList.size() - static_cast<std::size_t>(std::min<std::int64_t>(
                                              excess, static_cast<std::int64_t>(wantedList.size()))));
}

void lf_searchRealThenSoft(WeekTime week, std::int32_t target, std::int32_t counted) {
  staticParking.realFitReached = 0;
  staticParking.softFitReached = -1;
  lf_searchStandsOfKind(week, target, counted, true);
  if (counted + static_cast<std::int64_t>(wantedList.size()) < target && (PARK_SOFT.get() || PARK_FAKE.get()))
    lf_searchStandsOfKind(week, target, counted, false);
}

void lf_planStaticParking() {
  const WeekTime now = lf_logWeekTime();
  gf_showMessage("Making changes to airport parking parameters is disabled while static parking takes place ...",
                 false);
  wantedList.clear();
  gf_clearRenewalLists();
  parking.liveParkedList.clear();
  parking.softFound = false;
  mainWindow.update(parkBandRect, [](DisplayState& d) {
    d.staticParkedHours = -1.0f;
    d.liveParkedHours = -1.0f;
    d.softFound = false;
  });
  lf_takeCollectedCallsigns();
  lf_clearStandMarks();
  lf_excludeReservedAndUserStand();
  const std::int32_t wanted = lf_computeWantedStatics();
  if (static_cast<std::int64_t>(wantedList.size()) < wanted) lf_searchRealThenSoft(now, wanted, 0);
  std::sort(wantedList.begin(), wantedList.end(),
            [](const auto& a, const auto& b) { return a.fitHalfHours < b.fitHalfHours; });
  if (static_cast<std::int64_t>(wantedList.size()) > wanted)
    wantedList.resize(static_cast<std::size_t>(std::max(wanted, 0)));
  const auto count = static_cast<std::int64_t>(wantedList.size());
  if (count > 0) {
    const std::int64_t pct = standList.empty() ? 0 : std::llround(count * 100.0 / standList.size());
    gf_log(fmt::format("{} positions ({}% vs wanted {}%, with Max fit={} hours)\n", count,
                       gsl::narrow<std::int32_t>(pct), parking_percentage.get(), lf_hoursText(MAX_FIT.get())));
    std::sort(wantedList.begin(), wantedList.end(),
              [](const auto& a, const auto& b) { return a.fitHalfHours > b.fitHalfHours; });
    gf_disableParkControls();
  } else {
    gf_log("no parking positions found");
    gf_enableParkControls();
  }
}

std::string lf_readParkedFile() {
  standList.clear();
  gf_standListReplaced();
  const std::string& code = currentParkAirport.code;
  std::string err;
  const std::string path = gf_findAirportFile(code);
  if (path.empty()) {
    err = fmt::format("{} {} not found", "lf_readParkedFile", code);
  } else if (path.size() >= 7 && path.find("unknown") != std::string::npos) {
    err = fmt::format("{} {} has publisher:{}, {}", "lf_readParkedFile", code, "unknown", path);
  } else {
    parkAirportFileInfo.airport_name.clear();
    parkAirportFileInfo.publisher.clear();
    parkAirportFileInfo.altitude = 0;
    // The file's settings and its quality may switch soft learning off for this airport
    // only; the user's own choice comes back when it is left.
    if (!staticParking.learnSoftHeld) {
      staticParking.userLearnSoft = LEARN_SOFT.get();
      staticParking.learnSoftHeld = true;
    }
    // A broken file costs this airport, not the run.
    try {
      err = gf_readApf(path, parkAirportFileInfo, qualityFactors, standList);
      if (err.empty()) err = lf_checkStands(standList);
    } catch (const std::exception& e) {
      err = fmt::format("{} {}: {}", "lf_readParkedFile", code, e.what());
    }
    if (!err.empty()) {
      standList.clear();
      parkAirportLoaded.store(false);
    } else {
      lf_allowSoftLearning();
      if (userOnGroundKnown.load()) lf_keepUserStand(gf_userStand(gf_userPosition()));
      standList.shrink_to_fit();
      lf_setReservedStand();
    }
    staticParking.learnSoftAfterLoad = LEARN_SOFT.get();
    gf_standListReplaced();
  }
  if (err.empty()) lf_publishStands();
  const bool loaded = err.empty();
  const std::string name = parkAirportFileInfo.airport_name;
  mainWindow.update(parkBandRect, [loaded, name](DisplayState& d) {
    d.parkFileLoaded = loaded;
    d.parkAirportNameText = name;
  });
  standUpdateCount = 0;
  return err;
}

void gf_updateParkAirport(bool showMessage) {
  gf_applyRecordedUserStand();
  if (parkBusy.load() && wantedList.empty()) {
    gf_enableParkControls();
    gf_clearMessage();
    gf_countStatics(true);
    gf_countLiveParked(true);
  }
  if (staticParking.parkStart) {
    gf_clearMessage();
    staticParking.parkStart = false;
    const std::string err = lf_readParkedFile();
    if (err.empty()) {
      lf_planStaticParking();
    } else {
      gf_showMessage(err, true);
      gf_noteParkAirportFailure(currentParkAirport.code);
      lf_leaveParkAirport();
    }
    gf_enableControl(DESTINATION.controlId, true);
    return;
  }
  const GeoPosition position = gf_userPosition();
  if (std::abs(position.latitude) <= 0.0001 && std::abs(position.longitude) <= 0.0001) return;
  lf_refreshParkAirportDistances(position);
  if (!currentParkAirport.code.empty())
    lf_checkParkAirportInSight(position);
  else
    lf_chooseParkAirport(position, showMessage);
}
