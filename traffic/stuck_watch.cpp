#include "traffic/stuck_watch.h"

#include "core/log.h"
#include "traffic/live_limit.h"
#include "traffic/traffic_state.h"

#include <fmt/format.h>
#include <unordered_map>
#include <unordered_set>

namespace {

struct Waiting {
  LiveState state = LiveState::Buffer;
  std::int32_t objectId = 0;
  std::int32_t since = 0;
};

// Keyed by hexid; static hexids are at most 10000, live ones above, so one map holds both.
std::unordered_map<std::uint32_t, Waiting> watched;
std::unordered_map<std::uint32_t, Waiting> nextWatched;

struct StillQueued {
  std::unordered_set<std::uint32_t> hexids;
  std::unordered_set<std::int32_t> objectIds;
};

StillQueued lf_stillQueued() {
  StillQueued queued;
  for (const auto hexid : traffic.pendingHexids) queued.hexids.insert(hexid);
  for (const auto* backlog : {&traffic.liveCreateBacklog, &traffic.staticCreateBacklog})
    for (const auto& creation : *backlog) queued.hexids.insert(static_cast<std::uint32_t>(creation.hexId));
  // A created object in its post-create wait is no stuck creation.
  for (const auto& entry : traffic.postCreateList) queued.hexids.insert(static_cast<std::uint32_t>(entry.value));
  for (const auto id : traffic.removeBacklog) queued.objectIds.insert(id);
  return queued;
}

bool lf_waitsForSimulator(const AircraftData& ac, const StillQueued& queued) {
  if (ac.eraseNow || ac.creationCancelled) return false;
  switch (ac.state) {
  case LiveState::Adding2Sim:
    return !queued.hexids.contains(ac.aircraftInfo.hexid);
  case LiveState::LiveryRespawn:
  case LiveState::RemovingFromSim:
    return ac.objectId == 0 || !queued.objectIds.contains(ac.objectId);
  default:
    return false;
  }
}

// True when the aircraft has waited too long.
bool lf_watch(const AircraftData& ac, const StillQueued& queued, std::int32_t now) {
  if (!lf_waitsForSimulator(ac, queued)) return false;
  const auto hexid = ac.aircraftInfo.hexid;
  Waiting waiting{ac.state, ac.objectId, now};
  if (const auto seen = watched.find(hexid);
      seen != watched.end() && seen->second.state == ac.state && seen->second.objectId == ac.objectId)
    waiting.since = seen->second.since;
  const auto waited = static_cast<std::uint32_t>(now) - static_cast<std::uint32_t>(waiting.since);
  if (waited >= static_cast<std::uint32_t>(stuckTimeoutTicks)) return true;
  nextWatched.emplace(hexid, waiting);
  return false;
}

void lf_giveUp(AircraftData& ac) {
  gf_logWarning(fmt::format("{} {} waits for the simulator in {} for good, objectid:{}", "gf_watchStuckAircraft",
                            gf_acLogText(ac), gf_stateName(ac.state), ac.objectId));
  if (ac.objectId > 2) traffic.removeBacklog.push_back(ac.objectId);
  if (ac.aircraftInfo.hexid > 10000 && gf_countsAgainstLiveLimit(ac)) gf_noteLiveCountChange(-1);
  ac.eraseNow = true;
}

} // namespace

void gf_watchStuckAircraft() {
  const std::int32_t now = gf_tickCounter();
  const StillQueued queued = lf_stillQueued();
  nextWatched.clear();
  for (auto& ac : traffic.liveList)
    if (lf_watch(ac.aircraft, queued, now)) lf_giveUp(ac.aircraft);
  for (auto& ac : traffic.staticList)
    if (lf_watch(ac, queued, now)) {
      lf_giveUp(ac);
      traffic.staticEraseDue = true;
    }
  watched.swap(nextWatched);
}

void gf_forgetStuckWatch() {
  watched.clear();
  nextWatched.clear();
}
