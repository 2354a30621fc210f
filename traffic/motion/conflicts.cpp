#include "traffic/motion/conflicts.h"

#include "core/log.h"
#include "core/settings/parameters.h"
#include "traffic/parking/static_placement.h"
#include "traffic/removal.h"
#include "traffic/traffic_state.h"

#include <fmt/format.h>
#include <string>

void lf_removeGhost(std::string_view callsign) {
  const std::string ghost = std::string(callsign) + '_';
  for (auto& ac : traffic.liveList) {
    AircraftData& head = ac.aircraft;
    if (head.aircraftInfo.callsign != ghost || head.state == LiveState::RemovingFromSim) continue;
    if (LOG.get()) {
      if (ac.phase == FlightPhase::Parked)
        gf_log(fmt::format("{:8}: {:8} is a ghost and will be removed, continue with {}",
                           gf_standName(head.standNumber), ghost, callsign));
      else
        gf_log(fmt::format("          {:8} is a ghost and will be removed, continue with {}", ghost, callsign));
    }
    traffic.ghostList.push_back(ghost);
    removeAircraftFromSim(head);
    return;
  }
}

bool lf_hasPlainTwin(std::string_view callsign) {
  const std::string_view plain = callsign.empty() ? callsign : callsign.substr(0, callsign.size() - 1);
  for (const auto& ac : traffic.liveList)
    if (ac.aircraft.aircraftInfo.callsign == plain && ac.aircraft.state != LiveState::RemovingFromSim) return true;
  return false;
}

void gf_removeCollidingStatic(LiveAircraft&) {}
void gf_removeStaticTwin(LiveAircraft&, bool) {}
bool lf_mayTakeStand(std::int32_t, std::string_view) { return true; }
std::optional<std::int32_t> lf_findAdjacentConflict(const StandData&, const LiveAircraft&) { return std::nullopt; }
void lf_clearAdjacentStand(std::int32_t, LiveAircraft&, const StandData&) {}
