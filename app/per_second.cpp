#include "app/per_second.h"

#include "app/run.h"
#include "app/run_services.h"
#include "app/user_collisions.h"
#include "core/log.h"
#include "core/settings/control_port.h"
#include "core/settings/parameters.h"
#include "core/shell/auto_range.h"
#include "core/shell/control_refresh.h"
#include "core/shell/main_window.h"
#include "core/shell/repaint.h"
#include "core/shell/requests.h"
#include "core/shell/run_state.h"
#include "core/shell/status_line.h"
#include "core/shell/week_clock.h"
#include "core/time.h"
#include "feeds/adding_stack.h"
#include "feeds/reader_lamps.h"
#include "feeds/realtraffic_link.h"
#include "feeds/traffic_reader.h"

#include <cmath>
#include <fmt/format.h>

namespace {

constexpr double positionChange = 1e-8; // degrees

bool lf_moved(double lat, double lon, double fromLat, double fromLon) {
  return std::fabs(lat - fromLat) >= positionChange || std::fabs(lon - fromLon) >= positionChange;
}

void lf_remove(AircraftData& aircraft) { gf_call(runServices.traffic.removeAircraftFromSim, aircraft); }

UserSituation lf_userSituation() {
  const auto user = gf_userAc();
  UserSituation situation;
  situation.position = {user.latitude, user.longitude};
  situation.heading = user.heading;
  situation.altitude = user.altitude;
  situation.heightAboveGround = user.altitudeAboveGround;
  situation.onGround = gf_callOr(runServices.link.userOnGround, false);
  situation.halfSpanNm = gf_callOr(runServices.link.gf_userHalfSpanNm, std::nullopt).value_or(0.0);
  return situation;
}

// One new live aircraft a step: its coupled callsigns, then its static twin.
void lf_twinCheck() {
  const auto& traffic = runServices.traffic;
  auto* queue = traffic.twinCheckQueue;
  if (queue == nullptr || queue->empty()) return;
  const auto hexid = queue->front();
  // Taken off first: an aircraft that is gone meanwhile must not hold up the ones behind it.
  queue->pop_front();
  if (traffic.liveList == nullptr) return;
  for (auto& l : *traffic.liveList) {
    auto& info = l.aircraft.aircraftInfo;
    if (info.hexid != hexid) continue;
    if (!info.coupledSearchDone) {
      gf_call(traffic.lf_searchForCoupledCsAroundThisTime, currentWeekTime.load(), l);
      info.coupledSearchDone = true;
    }
    gf_call(traffic.gf_removeStaticTwin, l, l.onGround);
    return;
  }
}

void lf_flushStatics() {
  if (!flushStaticRequested.load()) return;
  gf_call(runServices.traffic.gf_flushStatics);
  flushStaticRequested.exchange(false);
  // Flushed statics are not placed again by the next renewal; shown, not saved.
  if (!INITIAL_LOAD_ONLY.get()) {
    INITIAL_LOAD_ONLY.set(true);
    gf_setControlCheck(INITIAL_LOAD_ONLY.controlId, true);
    gf_requestRepaint(settingsBandRect);
  }
}

void lf_avoidUserAcData() {
  const auto& traffic = runServices.traffic;
  const auto user = lf_userSituation();
  if (user.onGround && COLLISION_USER_GND.get()) {
    if (traffic.liveList != nullptr)
      if (auto* l = gf_liveTooCloseOnGround(user, *traffic.liveList)) {
        lf_remove(l->aircraft);
        return;
      }
    if (!lf_moved(user.position.latitude, user.position.longitude, runFlow.userStaticCheckLat,
                  runFlow.userStaticCheckLon))
      return;
    runFlow.userStaticCheckLat = user.position.latitude;
    runFlow.userStaticCheckLon = user.position.longitude;
    if (traffic.staticList != nullptr)
      if (auto* s = gf_staticTooCloseOnGround(user, *traffic.staticList)) lf_remove(*s);
  } else if (!user.onGround && COLLISION_USER_AIR.get()) {
    if (traffic.liveList != nullptr)
      if (auto* l = gf_liveInTheWayInTheAir(user, *traffic.liveList)) lf_remove(l->aircraft);
  }
}

void lf_liveAgainstStatics() {
  const auto& traffic = runServices.traffic;
  if (!COLLISION_LIVE_PARKED_GND.get() || traffic.staticList == nullptr || traffic.staticList->empty() ||
      traffic.liveList == nullptr)
    return;
  auto& live = *traffic.liveList;
  for (std::size_t i = 0; i < live.size(); ++i) {
    auto& l = live[i];
    if (l.onGround && (l.phase == FlightPhase::Taxi || l.phase == FlightPhase::Parking) &&
        lf_moved(l.lat, l.lon, l.conflictCheckLat, l.conflictCheckLon) && l.aircraft.state == LiveState::Active)
      gf_call(traffic.gf_removeCollidingStatic, l);
  }
}

void lf_blockCallsign() {
  if (!blockRequested.load()) return;
  const auto callsign = BLOCK_CALLSIGN.get();
  if (!callsign.empty() && runServices.traffic.liveList != nullptr)
    for (auto& l : *runServices.traffic.liveList)
      if (l.aircraft.aircraftInfo.callsign == callsign && l.aircraft.state == LiveState::Active) {
        lf_remove(l.aircraft);
        break;
      }
  blockRequested.exchange(false);
}

void lf_twinSweep() {
  const auto& traffic = runServices.traffic;
  if (traffic.staticList == nullptr || traffic.staticList->empty() || traffic.liveList == nullptr) return;
  if (auto* s = gf_staticTwinOfLive(*traffic.liveList, *traffic.staticList)) lf_remove(*s);
}

// The re-plan of the static parking, in two phases 15 s apart: the first collects the
// callsigns the feed reports, the second renews the statics with them.
void lf_replan() {
  const auto& traffic = runServices.traffic;
  if (!replanRequested.load()) return;
  if (!runFlow.replanInProgress) {
    runFlow.replanInProgress = true;
    gf_disableParkControls();
    trafficReader.startCallsignCollection();
    return;
  }
  runFlow.replanInProgress = false;
  // Its own messages go; an error the user must read stays.
  gf_clearMessage();
  if (gf_callOr(traffic.parkAirportSet, false) && gf_callOr(traffic.parkAirportHasStands, false))
    gf_call(traffic.gf_adjustParking);
  replanRequested.exchange(false);
}

} // namespace

void gf_perSecondStep() {
  if (runFlow.flightNotRunningLogged) {
    runFlow.flightNotRunningLogged = false;
    gf_log(fmt::format("{} Flight resumed", gf_utcTimeOfDay()));
    gf_setAcceptingTraffic(true);
  }
  gf_statusLineSecondStep();
  gf_updateDisplayCounts();
  currentWeekTime = gf_weekTime();
  runState.seconds += 1;
  lf_twinCheck();
  lf_flushStatics();
  lf_avoidUserAcData();
  lf_liveAgainstStatics();
  lf_blockCallsign();
}

void gf_scheduledJobs() {
  const auto& services = runServices;
  const auto s = runState.seconds.load();
  if (s % 15 == 0) {
    const auto user = gf_userAc();
    trafficReader.setReference({user.latitude, user.longitude});
    if (realTrafficLink.professional.load()) gf_call(services.feeds.gf_sendSimTime, gf_simUtcSeconds());
    if (gf_callOr(services.traffic.reservedStandSet, false)) gf_call(services.traffic.gf_clearReservedStand);
    gf_handleRereadRequest();
    gf_periodicJobs();
    return;
  }
  if (s % 16 == 0 && !runFlow.replanInProgress) gf_call(services.traffic.gf_updateParkAirport, false);
  if (s % 59 == 0) gf_checkReaderLamps();
  if (s % 61 == 0) lf_twinSweep();
}

void gf_periodicJobs() {
  const auto& services = runServices;
  const auto s = runState.seconds.load();
  lf_replan();
  if (feedDisplay.trafficLamp.load() == lampStale || feedDisplay.weatherLamp.load() == lampStale) gf_checkReaderLamps();
  if (s % 30 != 0) return;
  if (AUTO_RANGE.get()) gf_applyAutoRange();
  if (s % 60 != 0) return;
  const auto m = s / 60;
  mainWindow.update(settingsBandRect, [m](DisplayState& d) { d.minutesToRenewal = 20 * (m / 20 + 1) - m; });
  if (s % 1200 != 0) return;
  gf_call(services.liveries.gf_logNoLiveryMatches);
  if (parkAirportLoaded.load() && !INITIAL_LOAD_ONLY.get() && !replanRequested.load()) replanRequested.exchange(true);
  if (s % 86400 != 0) return;
  runState.seconds = 0;
  gf_call(services.liveries.gf_logLiveryMatchingSummary);
  gf_call(services.traffic.emptyHexidTitleMap);
}

void gf_handleRereadRequest() {
  if (!rereadRequested.load() || parkBusy.load()) return;
  std::string text;
  if (gf_callOr(runServices.traffic.gf_rereadParkAirports, false, true, text)) gf_showMessage(text, true);
  gf_enableControl(REREAD_BUTTON.controlId, true);
  gf_enableControl(DESTINATION.controlId, true);
  rereadRequested.exchange(false);
}

void gf_updateDisplayCounts() {
  const auto& traffic = runServices.traffic;
  const auto parked = static_cast<std::uint64_t>(std::max(0, gf_callOr(traffic.gf_countLiveParked, 0, true)));
  std::uint64_t moving = 0;
  if (traffic.liveList != nullptr)
    for (const auto& l : *traffic.liveList)
      if (l.aircraft.state == LiveState::Active && l.phase != FlightPhase::Parked) ++moving;
  const auto statics = static_cast<std::uint64_t>(std::max(0, gf_callOr(traffic.gf_countStatics, 0, true)));
  const auto shown = mainWindow.snapshot();
  // The park band names the park airport the run has chosen.
  auto parkAirport = gf_callOr(traffic.parkAirportCode, std::string{});
  if (parkAirport != shown.parkAirportCode)
    mainWindow.update(parkBandRect, [&parkAirport](DisplayState& d) { d.parkAirportCode = std::move(parkAirport); });
  if (moving != shown.liveCount) mainWindow.update(topBandRect, [moving](DisplayState& d) { d.liveCount = moving; });
  if (statics != shown.staticParkedCount || parked != shown.liveParkedCount)
    mainWindow.update(parkBandRect, [statics, parked](DisplayState& d) {
      d.staticParkedCount = statics;
      d.liveParkedCount = parked;
    });
}
