#include "traffic/traffic_tick.h"

#include "core/log.h"
#include "core/settings/parameters.h"
#include "feeds/adding_stack.h"
#include "feeds/realtraffic_link.h"
#include "simlink/command_queues.h"
#include "simlink/direct_calls.h"
#include "simlink/user_state.h"
#include "traffic/live_limit.h"
#include "traffic/motion/position_stream.h"
#include "traffic/parking/static_placement.h"
#include "traffic/parking/static_plan.h"
#include "traffic/report_merge.h"
#include "traffic/sim_results.h"
#include "traffic/stuck_watch.h"
#include "traffic/traffic_state.h"

#include <fmt/format.h>

namespace {

bool lf_inFlare(const LiveAircraft& ac) {
  return ac.flareStage != 0 && !ac.landingRoll && !ac.onGround && ac.aircraft.state == LiveState::Active;
}

void lf_updateLiveTraffic() {
  bool eraseDue = false;
  bool flaring = false;
  for (auto& ac : traffic.liveList) {
    eraseDue |= updateLiveAc(ac);
    flaring |= lf_inFlare(ac);
  }
  // Asked every 20 ticks only while some aircraft flares: a go-around or a removal in the
  // flare ends it as surely as a touchdown.
  traffic.fastRangeRequests = flaring;
  if (eraseDue)
    std::erase_if(traffic.liveList,
                  [](const LiveAircraft& ac) { return ac.aircraft.eraseNow || ac.aircraft.creationCancelled; });
  if (traffic.staticEraseDue) {
    std::erase_if(traffic.staticList, [](const AircraftData& ac) { return ac.eraseNow; });
    traffic.staticEraseDue = false;
  }
  gf_handOverPositions();
}

void lf_stepCommandQueues(std::int32_t tick) {
  if (tick % 10 == 0 && !traffic.removeBacklog.empty()) {
    gf_queueRemoveAc(traffic.removeBacklog.front());
    traffic.removeBacklog.pop_front();
  }
  if (tick % 50 != 0) return;
  if (!traffic.liveCreateBacklog.empty()) {
    gf_queueCreateAc(traffic.liveCreateBacklog.front());
    traffic.liveCreateBacklog.pop_front();
    return;
  }
  if (!traffic.staticCreateBacklog.empty()) {
    gf_queueCreateAc(traffic.staticCreateBacklog.front());
    traffic.staticCreateBacklog.pop_front();
  }
  if (!wantedList.empty()) lf_placeNextStatic();
}

void lf_buildPendingCreation() {
  if (traffic.pendingHexids.empty()) return;
  const std::uint32_t hexid = traffic.pendingHexids.back();
  traffic.pendingHexids.pop_back();
  LiveAircraft* ac = gf_findLiveByHexid(hexid);
  if (!ac || ac->aircraft.state != LiveState::Adding2Sim || ac->aircraft.removalPending) return;
  AircraftData& head = ac->aircraft;
  if (head.aircraftInfo.callsign.empty()) {
    gf_logWarning(fmt::format("{} {} objectid = 0?", "lf_handleAddingStack", gf_acLogText(head)));
    // Nothing was asked of the simulator: the aircraft goes rather than wait for good.
    gf_noteLiveCountChange(gf_countsAgainstLiveLimit(head) ? -1 : 0);
    head.eraseNow = true;
    return;
  }
  CreateAcData creation;
  creation.position = {ac->lat,
                       ac->lon,
                       ac->altitude,
                       ac->pitch * radToDeg,
                       ac->bank * radToDeg,
                       ac->heading * radToDeg,
                       ac->feedPoints.empty() || ac->feedPoints.front().airborne ? 0u : 1u,
                       0u};
  creation.callsign = head.aircraftInfo.callsign;
  creation.title = head.aircraftInfo.liveryTitle;
  creation.hexId = static_cast<std::int32_t>(hexid);
  traffic.liveCreateBacklog.push_back(std::move(creation));
}

UserPosition lf_userPosition(const UserAcData& user) {
  return {user.latitude, user.longitude, user.pitch, user.bank, user.heading, user.altitude, user.groundSpeed};
}

void lf_requestAircraftInRange(std::int32_t tick) {
  if (tick % (traffic.fastRangeRequests ? 20 : 100) == 0) gf_requestAircraftInRange(rangeMetres.load());
  if (tick % 100 == 0) {
    gf_sendUserPosition(lf_userPosition(traffic.userAcState));
    traffic.userAcState = gf_requestUserAcPosition();
  }
}

} // namespace

void lf_handleAddingStack() {
  const std::int32_t tick = gf_tickCounter();
  gf_processSimResults();
  lf_updateLiveTraffic();
  lf_stepCommandQueues(tick);
  gf_takeTrafficReports(&lf_mergeReport, 2);
  lf_buildPendingCreation();
  lf_requestAircraftInRange(tick);
  // Once a second, off the beat of the other steps.
  if (tick % 100 == 55) gf_watchStuckAircraft();
  traffic.tickCounter.fetch_add(1, std::memory_order_relaxed);
}

void gf_sendQueuedRemovals() {
  for (const auto id : traffic.removeBacklog) gf_queueRemoveAc(id);
  traffic.removeBacklog.clear();
}
