#include "traffic/sim_results.h"

#include "core/log.h"
#include "core/settings/parameters.h"
#include "core/shell/week_clock.h"
#include "simlink/command_queues.h"
#include "simlink/direct_calls.h"
#include "traffic/aircraft_controls.h"
#include "traffic/flight_plans.h"
#include "traffic/live_limit.h"
#include "traffic/parking/static_placement.h"
#include "traffic/parking/static_plan.h"
#include "traffic/removal.h"
#include "traffic/spawning.h"
#include "traffic/traffic_state.h"

#include <algorithm>
#include <filesystem>
#include <fmt/format.h>
#include <unordered_map>

namespace {

constexpr std::int32_t activationTicks = 200;
constexpr double minGroundPitch = -0.017453292519943295; // -1 degree
constexpr double maxGroundPitch = 0.04363323129985824;   // 2.5 degrees
constexpr double defaultGroundPitch = 0.012217304763960306;

// The range replies name hundreds of aircraft at once: they find theirs through a map from
// object id to place in the live list, built on first use and kept up to date as aircraft
// get objects or leave the list.
class ObjectIndex {
public:
  LiveAircraft* find(std::int32_t objectId) {
    if (!built_) build();
    const auto found = index_.find(objectId);
    return found == index_.end() ? nullptr : &traffic.liveList[found->second];
  }
  void gotObject(const LiveAircraft& ac) {
    if (built_) index_.emplace(ac.aircraft.objectId, lf_place(ac));
  }
  void lostObject(std::int32_t objectId) {
    if (built_) index_.erase(objectId);
  }
  // Erases the aircraft from the live list; the last one takes its place.
  void erase(LiveAircraft& ac) {
    const std::size_t place = lf_place(ac);
    if (built_) {
      index_.erase(ac.aircraft.objectId);
      const LiveAircraft& last = traffic.liveList.back();
      if (place + 1 != traffic.liveList.size() && last.aircraft.objectId != 0) index_[last.aircraft.objectId] = place;
    }
    lf_eraseLive(place);
  }
  void forget() { built_ = false; }

private:
  static std::size_t lf_place(const LiveAircraft& ac) {
    return static_cast<std::size_t>(&ac - traffic.liveList.data());
  }
  void build() {
    index_.clear();
    for (std::size_t i = 0; i < traffic.liveList.size(); ++i)
      if (const auto id = traffic.liveList[i].aircraft.objectId; id != 0) index_.emplace(id, i);
    built_ = true;
  }
  std::unordered_map<std::int32_t, std::size_t> index_;
  bool built_ = false;
};

ObjectIndex objectIndex;
std::vector<SimResultData> taken;

bool lf_isOurs(std::int32_t objectId) {
  if (objectId == 0) return false;
  for (const auto& ac : traffic.liveList)
    if (ac.aircraft.objectId == objectId) return true;
  for (const auto& ac : traffic.staticList)
    if (ac.objectId == objectId) return true;
  return false;
}

// An object created for an aircraft that is gone or holds another object: nobody would ever
// remove it.
void lf_removeUnowned(std::int32_t objectId) {
  if (objectId > 2 && !lf_isOurs(objectId)) traffic.removeBacklog.push_back(objectId);
}

void lf_parkOnCreate(LiveAircraft& ac) {
  AircraftData& head = ac.aircraft;
  ac.onGround = true;
  ac.verticalStep = 0.0;
  if (ac.phase == FlightPhase::Parked) {
    head.parkedSince = currentWeekTime.load();
    const std::string standName = gf_standName(head.standNumber);
    if (LOG.get()) gf_log(fmt::format("{:8}: {:8} parks", standName, head.aircraftInfo.callsign));
    std::erase_if(wantedList,
                  [&](const WantedStatic& w) { return static_cast<std::int32_t>(w.standNumber) == head.standNumber; });
    for (auto& s : traffic.staticList)
      if (s.state == LiveState::Active && s.standNumber == head.standNumber) {
        gf_log(fmt::format("{:8}: {:8} parks over static {} \x97 static will be removed", standName,
                           head.aircraftInfo.callsign, s.aircraftInfo.callsign));
        removeAircraftFromSim(s);
        break;
      }
  }
  ac.takeOffCountdown = 1;
}

void lf_giveFlightPlan(LiveAircraft& ac) {
  const AircraftInfoData& info = ac.aircraft.aircraftInfo;
  if (info.origin.empty() || info.destination.empty()) return;
  const auto path = flightPlanFolder / gf_flightPlanFileName(ac.aircraft.objectId);
  bool given = false;
  try {
    given = !flightPlanFolder.empty() && gf_writeFlightPlan(path, ac) &&
            gf_setAircraftFlightPlan(ac.aircraft.objectId, path.string());
  } catch (const std::exception&) {
    // A path the platform's narrow texts cannot hold: the aircraft flies without a plan.
  }
  ac.flightPlanGiven = given;
  if (!given) gf_logWarning(fmt::format("{} creating a flight plan failed", gf_acShortText(ac)));
}

bool lf_onLiveCreated(LiveAircraft& ac, const SimResultData& result) {
  if (result.objectId <= 2) return false;
  ac.aircraft.objectId = result.objectId;
  ac.agl = result.y;
  if (!ac.feedPoints.empty() && !ac.feedPoints.front().airborne) lf_parkOnCreate(ac);
  lf_giveFlightPlan(ac);
  gf_requestStaticCg(result.objectId);
  return true;
}

void lf_liveCreated(const SimResultData& result) {
  LiveAircraft* ac = gf_findLiveByHexid(static_cast<std::uint32_t>(result.value));
  // Only the creation it waits for: a record that came back meanwhile is no creation.
  if (!ac || ac->aircraft.state != LiveState::Adding2Sim || ac->aircraft.objectId != 0) {
    if (!ac || ac->aircraft.objectId != result.objectId) lf_removeUnowned(result.objectId);
    return;
  }
  if (lf_onLiveCreated(*ac, result)) {
    traffic.postCreateList.push_back(result);
    objectIndex.gotObject(*ac);
  }
}

void lf_staticCreated(const SimResultData& result) {
  const AircraftData* ac = gf_findStaticByHexid(static_cast<std::uint32_t>(result.value));
  if (!ac || ac->state != LiveState::Adding2Sim || result.objectId <= 2) {
    lf_removeUnowned(result.objectId);
    return;
  }
  traffic.postCreateList.push_back(result);
}

// An object the simulator took away during its wait after creation: there is nothing left
// to make active or to remove, and a static aircraft waiting for it is gone with it.
void lf_forgetCreatedObject(std::int32_t objectId) {
  std::erase_if(traffic.postCreateList, [objectId](const SimResultData& entry) {
    if (entry.objectId != objectId) return false;
    if (entry.code == simResultStaticCreated)
      std::erase_if(traffic.staticList, [&entry](const AircraftData& s) {
        return s.state == LiveState::Adding2Sim && s.aircraftInfo.hexid == static_cast<std::uint32_t>(entry.value);
      });
    return true;
  });
}

void lf_onObjectRemoved(std::int32_t objectId) {
  // No aircraft of ours without an object may be taken for this one.
  if (objectId <= 0) return;
  lf_forgetCreatedObject(objectId);
  if (LiveAircraft* ac = objectIndex.find(objectId)) {
    AircraftData& head = ac->aircraft;
    if (head.state == LiveState::LiveryRespawn) {
      head.state = LiveState::Buffer;
      head.leverStep = 5;
      head.flapsStep = 4;
      head.objectId = 0;
      gf_noteLiveCountChange(-1);
      objectIndex.lostObject(objectId);
      return;
    }
    if (ac->flightPlanGiven) {
      const auto path = flightPlanFolder / gf_flightPlanFileName(objectId);
      if (std::filesystem::exists(path)) {
        std::error_code ignored;
        std::filesystem::remove(path, ignored);
      }
    }
    if (gf_countsAgainstLiveLimit(head)) gf_noteLiveCountChange(-1);
    objectIndex.erase(*ac);
    return;
  }
  auto& statics = traffic.staticList;
  for (std::size_t i = 0; i < statics.size(); ++i)
    if (statics[i].objectId == objectId) {
      if (i + 1 != statics.size()) statics[i] = std::move(statics.back());
      statics.pop_back();
      return;
    }
}

void lf_groundData(const SimResultData& result) {
  LiveAircraft* ac = objectIndex.find(result.objectId);
  if (!ac) return;
  if (result.value == 1 && !ac->onGround && ac->takeOffCountdown <= 1 &&
      ac->aircraft.state != LiveState::RemovingFromSim && ac->phase != FlightPhase::TakeOff) {
    if (ac->flareStage != 0 || ac->onApproach) lf_touchdown(*ac);
    ac->onGround = true;
    ac->verticalStep = 0.0;
    ac->takeOffCountdown = 1;
  }
  ac->agl = result.y;
  if (ac->onGround || ac->takeOffCountdown > 1) ac->altitude = ac->aircraft.aircraftInfo.cgHeightFt + result.x;
}

void lf_staticCgData(const SimResultData& result) {
  LiveAircraft* ac = objectIndex.find(result.objectId);
  if (!ac) return;
  AircraftInfoData& info = ac->aircraft.aircraftInfo;
  if (result.x >= 1.0 && result.x <= 35.0) info.cgHeightFt = result.x;
  info.groundPitch = (result.y <= minGroundPitch || result.y > maxGroundPitch) ? defaultGroundPitch : result.y;
}

// A refusal of the title counts toward the uncreatable titles; a creation that failed for
// another reason (a callsign too long for the tail number, an object never identified) says
// nothing about the title, and only ends the creation.
void lf_creationFailed(const AircraftData& ac, const SimResultData& result) {
  if (gf_titleUncreatable(result)) {
    gf_reportCreateFailure(ac);
    return;
  }
  const char* why =
      gf_createFailure(result) == CreateFailure::callsignTooLong ? "callsign too long" : "not identified by the sim";
  gf_log(fmt::format("{} creation given up: {}", gf_acLogText(ac), why));
}

void lf_creationRefused(const SimResultData& result) {
  const auto hexid = static_cast<std::uint32_t>(result.value);
  if (hexid > 10000) {
    LiveAircraft* ac = gf_findLiveByHexid(hexid);
    if (!ac || ac->aircraft.state != LiveState::Adding2Sim) return;
    // Erased before the report: error 81 leaves no record of a creation that never comes.
    const AircraftData refused = ac->aircraft;
    gf_noteLiveCountChange(gf_countsAgainstLiveLimit(ac->aircraft) ? -1 : 0);
    objectIndex.erase(*ac);
    lf_creationFailed(refused, result);
    return;
  }
  auto& statics = traffic.staticList;
  for (std::size_t i = 0; i < statics.size(); ++i)
    if (statics[i].aircraftInfo.hexid == hexid && statics[i].state == LiveState::Adding2Sim) {
      const AircraftData refused = statics[i];
      if (i + 1 != statics.size()) statics[i] = std::move(statics.back());
      statics.pop_back();
      lf_creationFailed(refused, result);
      return;
    }
}

void lf_makeActive(LiveAircraft& ac) {
  AircraftData& head = ac.aircraft;
  const std::int32_t id = head.objectId;
  const bool rotorcraft = head.aircraftInfo.category == SizeCategory::Rotorcraft;
  if (!ac.feedPoints.empty() && ac.feedPoints.front().airborne) {
    gf_queueClientEvent({id, SimEventId::ENGINE_AUTO_START, 0});
    if (!rotorcraft) gf_queueClientEvent({id, SimEventId::SPOILERS_SET, 0});
    const std::int32_t low = ac.altitude <= 10000.0 ? 1 : 0;
    gf_queueLights(id, {1, 1, low, 0, 1, low, ac.agl >= 2000.0 ? 1 : 0});
  } else {
    if (!rotorcraft) gf_queueClientEvent({id, SimEventId::SPOILERS_SET, 0});
    const bool parked = ac.phase == FlightPhase::Parked;
    std::int32_t nav = 1;
    if (parked) {
      gf_queueClientEvent({id, SimEventId::ENGINE_AUTO_SHUTDOWN, 0});
      nav = NAV_LIGHTS_WHILE_PARKED.get() ? 1 : 0;
    } else {
      gf_queueClientEvent({id, SimEventId::ENGINE_AUTO_START, 0});
    }
    gf_queueLights(id, {nav, parked ? 0 : 1, 0, ac.phase == FlightPhase::Taxi ? 1 : 0, 0, 1, 1});
    gf_setLever(head, rotorcraft ? 4 : 0);
    gf_setFlaps(head, ac.phase == FlightPhase::Taxi ? 1 : 0);
  }
  head.state = LiveState::Active;
}

// One step of a created live object; false when its entry is done.
bool lf_stepLiveCreated(SimResultData& entry) {
  LiveAircraft* ac = gf_findLiveByHexid(static_cast<std::uint32_t>(entry.value));
  if (!ac || ac->aircraft.state != LiveState::Adding2Sim || ac->aircraft.objectId != entry.objectId) {
    lf_removeUnowned(entry.objectId);
    return false;
  }
  if (entry.counter >= activationTicks) {
    lf_makeActive(*ac);
    if (ac->aircraft.removalPending) removeAircraftFromSim(ac->aircraft);
    return false;
  }
  ++entry.counter;
  if (entry.counter == 50 || entry.counter == 100) gf_allLightsToggle(entry.objectId);
  return true;
}

bool lf_stepStaticCreated(SimResultData& entry) {
  AircraftData* ac = gf_findStaticByHexid(static_cast<std::uint32_t>(entry.value));
  if (!ac || ac->state != LiveState::Adding2Sim || (ac->objectId != 0 && ac->objectId != entry.objectId)) {
    lf_removeUnowned(entry.objectId);
    return false;
  }
  if (entry.counter < activationTicks) {
    ++entry.counter;
    return true;
  }
  ac->state = LiveState::Active;
  ac->objectId = entry.objectId;
  gf_setParkedState(*ac);
  if (LOG.get()) gf_log(fmt::format("{:8}: {:8} parked", gf_standName(ac->standNumber), ac->aircraftInfo.callsign));
  if (ac->removalPending) removeAircraftFromSim(*ac);
  return false;
}

void lf_stepPostCreate() {
  bool completed = false;
  for (auto& entry : traffic.postCreateList) {
    const bool waiting = entry.code == simResultLiveCreated ? lf_stepLiveCreated(entry) : lf_stepStaticCreated(entry);
    if (!waiting) {
      entry.counter = -1;
      completed = true;
    }
  }
  if (completed) std::erase_if(traffic.postCreateList, [](const SimResultData& e) { return e.counter < 0; });
}

} // namespace

void gf_processSimResults() {
  // Taken out under the lock and applied after it: the SimClient thread need not wait, and
  // an error that leaves this call cannot apply the same results twice.
  taken.clear();
  {
    std::lock_guard lock(simResults.resultMutex);
    taken.swap(simResults.results);
  }
  objectIndex.forget();
  for (const auto& result : taken) {
    switch (result.code) {
    case simResultLiveCreated:
      lf_liveCreated(result);
      break;
    case simResultStaticCreated:
      lf_staticCreated(result);
      break;
    case simResultRemoved:
      lf_onObjectRemoved(result.objectId);
      break;
    case simResultGroundData:
      lf_groundData(result);
      break;
    case simResultStaticCg:
      lf_staticCgData(result);
      break;
    case simResultCreateFailed:
      lf_creationRefused(result);
      break;
    default:
      break;
    }
  }
  if (!traffic.postCreateList.empty()) lf_stepPostCreate();
}

void lf_touchdown(LiveAircraft& ac) {
  AircraftData& head = ac.aircraft;
  const AircraftInfoData& info = head.aircraftInfo;
  ac.landingRoll = true;
  ac.derotating = true;
  ac.landingHeading = ac.heading;
  ac.onApproach = false;
  ac.arrivedByLanding = true;
  if (info.category != SizeCategory::Rotorcraft) gf_queueClientEvent({head.objectId, SimEventId::SPOILERS_SET, 16383});
  if (info.category != SizeCategory::Light) {
    const double reverse = info.fsltlLivery ? -100.0 : 100.0;
    gf_setAircraftControls(head.objectId, 100.0, reverse, reverse);
  }
  const std::int32_t n = info.touchdownTicks;
  if (n <= 0) {
    gf_log(fmt::format("{} ! onGround slots {:.1f}", info.callsign, static_cast<double>(n)));
    ac.pitchRate = info.groundPitch;
    ac.bankRate = 0.0;
  } else {
    ac.pitchRate = (info.groundPitch - ac.pitch) / n;
    ac.bankRate = (0.0 - ac.bank) / n;
  }
  traffic.twinCheckQueue.push_back(info.hexid);
}
