#include "traffic/removal.h"

#include "airports/stands.h"
#include "core/log.h"
#include "traffic/live_limit.h"
#include "traffic/motion/stand_marks.h"
#include "traffic/parking/park_airports.h"
#include "traffic/parking/stand_queries.h"

#include <algorithm>
#include <fmt/format.h>
#include <utility>

namespace {

bool lf_isLive(const AircraftData& ac) { return ac.aircraftInfo.hexid > 10000; }

void lf_releaseStand(const AircraftData& ac) {
  if (lf_isLive(ac)) gf_releaseLiveStand(ac);
}

// A creation not handed to the simulator link yet: its hexid may still wait for its request.
bool lf_withdrawCreation(const AircraftData& ac) {
  const std::uint32_t hexid = ac.aircraftInfo.hexid;
  if (!lf_isLive(ac)) return gf_cancelQueuedCreate(traffic.staticCreateBacklog, hexid);
  bool withdrawn = gf_cancelQueuedCreate(traffic.liveCreateBacklog, hexid);
  auto& pending = traffic.pendingHexids;
  const auto before = pending.size();
  pending.erase(std::remove(pending.begin(), pending.end(), hexid), pending.end());
  return withdrawn || pending.size() != before;
}

void lf_removeFromSim(AircraftData& ac) {
  lf_releaseStand(ac);
  ac.state = LiveState::RemovingFromSim;
  // The removal is made now; a later result of the creation has nothing left to do.
  ac.removalPending = false;
  if (ac.objectId != 0) {
    traffic.removeBacklog.push_back(ac.objectId);
    return;
  }
  gf_logWarning(fmt::format("{} removing act {}, with objectid=0 ?", "removeAircraftFromSim", gf_acLogText(ac)));
  // No object is known that a confirmation could come for.
  ac.eraseNow = true;
  if (!lf_isLive(ac)) traffic.staticEraseDue = true;
}

} // namespace

void removeAircraftFromSim(AircraftData& ac) {
  const bool counted = lf_isLive(ac) && gf_countsAgainstLiveLimit(ac);
  switch (ac.state) {
  case LiveState::Buffer:
    ac.eraseNow = true;
    if (!lf_isLive(ac)) traffic.staticEraseDue = true;
    break;
  case LiveState::Adding2Sim:
    if (ac.removalPending) break;
    if (lf_withdrawCreation(ac))
      ac.creationCancelled = true;
    else
      ac.removalPending = true;
    break;
  case LiveState::RemovingFromSim:
    // Its removal is on its way already.
    break;
  case LiveState::LiveryRespawn:
    // Its object's removal is on its way already; only the return is called off.
    lf_releaseStand(ac);
    ac.state = LiveState::RemovingFromSim;
    if (ac.objectId == 0) ac.eraseNow = true;
    break;
  default:
    lf_removeFromSim(ac);
    break;
  }
  if (counted && !gf_countsAgainstLiveLimit(ac)) gf_noteLiveCountChange(-1);
}

bool gf_cancelQueuedCreate(CreateBacklog& queue, std::uint32_t hexid) {
  const auto before = queue.size();
  queue.erase(std::remove_if(queue.begin(), queue.end(),
                             [hexid](const CreateAcData& c) { return static_cast<std::uint32_t>(c.hexId) == hexid; }),
              queue.end());
  return queue.size() != before;
}

void lf_eraseLive(std::size_t index) {
  auto& list = traffic.liveList;
  if (index + 1 != list.size()) list[index] = std::move(list.back());
  list.pop_back();
}

void gf_flushStatics() {
  for (auto& ac : traffic.staticList)
    if (ac.state == LiveState::Active || ac.state == LiveState::Adding2Sim) removeAircraftFromSim(ac);
  std::erase_if(traffic.staticList, [](const AircraftData& ac) { return ac.creationCancelled; });
}

void gf_clearReservedStand() {
  const auto stand = gf_findStandByName(reservedStand);
  const std::int32_t number = stand == standList.end() ? 0 : stand->number;
  for (auto& ac : traffic.staticList)
    if (ac.standNumber == number && ac.state == LiveState::Active) {
      removeAircraftFromSim(ac);
      return;
    }
  for (auto& ac : traffic.liveList)
    if (ac.aircraft.standNumber == number && ac.phase == FlightPhase::Parked &&
        ac.aircraft.state == LiveState::Active) {
      removeAircraftFromSim(ac.aircraft);
      return;
    }
}

void gf_removeLiveAircraft() {
  // What is still buffered waits for reports, which come again once RealTraffic is back.
  for (auto& ac : traffic.liveList)
    if (ac.aircraft.state != LiveState::Buffer) removeAircraftFromSim(ac.aircraft);
}
