#include "traffic/motion/position_stream.h"

#include "core/geodesy.h"
#include "core/log.h"
#include "simlink/command_queues.h"
#include "traffic/removal.h"
#include "traffic/spawning.h"
#include "traffic/traffic_state.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <fmt/format.h>

namespace {

// A straight leg to the next point, due at its own tick: the aircraft glides there.
void lf_takeNextPoint(LiveAircraft& ac) {
  const FeedPoint& first = ac.feedPoints[0];
  const FeedPoint& next = ac.feedPoints[1];
  const std::int32_t ticks = std::max(next.dueTick - gf_tickCounter(), 25);
  ac.latStep = (next.latitude - ac.lat) / ticks;
  ac.lonStep = (next.longitude - ac.lon) / ticks;
  ac.verticalStep = ac.onGround ? 0.0 : (next.altitude - ac.altitude) / ticks;
  if (std::fabs(next.latitude - first.latitude) > 1e-8 || std::fabs(next.longitude - first.longitude) > 1e-8)
    ac.heading = gf_initialBearing({first.latitude, first.longitude}, {next.latitude, next.longitude});
  ac.reportedVs = next.verticalSpeed;
  ac.reportedTas = next.trueAirspeed;
  ac.feedPoints.pop_front();
}

void lf_moveActive(LiveAircraft& ac) {
  AircraftData& head = ac.aircraft;
  if (ac.feedPoints.empty()) {
    gf_logWarning(fmt::format("{} stream empty ? {}, hexid:{}, objectid:{}, alt:{:.0f} ft, lalo:{}, TAS:{:.0f}",
                              "updateLiveAc", gf_acLogText(ac), head.aircraftInfo.hexid, head.objectId, ac.altitude,
                              fmt::format("{:.6f},{:.6f}", ac.lat, ac.lon), ac.trueAirspeed));
    removeAircraftFromSim(head);
    return;
  }
  if (gf_tickCounter() >= ac.feedPoints.front().dueTick) {
    // The reports have stopped: the aircraft leaves when its stream runs out.
    if (ac.feedPoints.size() < 2) {
      removeAircraftFromSim(head);
      return;
    }
    lf_takeNextPoint(ac);
    ac.verticalSpeed = ac.reportedVs / 60.0;
    ac.trueAirspeed = ac.feedPoints.front().extraFlag ? 0.0 : ac.reportedTas;
  }
  if (!ac.feedPoints.front().extraFlag) {
    ac.lat += ac.latStep;
    ac.lon += ac.lonStep;
    ac.altitude += ac.verticalStep;
  }
  if (head.objectId == 0) {
    gf_logWarning(fmt::format("{} objectid=0? hexid: {},cs:{}, reg:{}, aimo:{} sz:{}", "updateLiveAc",
                              head.aircraftInfo.hexid, head.aircraftInfo.callsign, head.aircraftInfo.registration,
                              gf_airlineTypeText(head.aircraftInfo), ac.feedPoints.size()));
    removeAircraftFromSim(head);
    return;
  }
  simCommands.fillBuffer->push_back(
      {ac.lat, ac.lon, ac.pitch, ac.bank, ac.heading, ac.altitude, ac.verticalSpeed, ac.trueAirspeed, head.objectId});
}

} // namespace

bool updateLiveAc(LiveAircraft& ac) {
  AircraftData& head = ac.aircraft;
  try {
    if (head.state == LiveState::Active)
      lf_moveActive(ac);
    else if (head.state == LiveState::Buffer)
      lf_bufferStep(ac);
  } catch (const std::exception& e) {
    gf_logWarning(fmt::format("{}: {} {}, sz:{}, fs:{}, st:{}", "updateLiveAc", e.what(), gf_acLogText(ac),
                              ac.feedPoints.size(), gf_phaseName(ac.phase), gf_stateName(head.state)));
    // A point that cannot be used is dropped, never tried again on every tick.
    if (!ac.feedPoints.empty()) ac.feedPoints.pop_front();
  }
  return head.eraseNow || head.creationCancelled;
}
