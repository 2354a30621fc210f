#include "traffic/motion/stand_marks.h"

#include "airports/stands.h"
#include "traffic/traffic_state.h"

#include <algorithm>
#include <unordered_set>

namespace {

// An aircraft that holds its stand: driving into it or standing on it, and not going.
bool lf_holdsStand(const LiveAircraft& ac) {
  const AircraftData& head = ac.aircraft;
  if (head.standNumber == 0 || head.state == LiveState::RemovingFromSim || head.eraseNow || head.creationCancelled)
    return false;
  return ac.phase == FlightPhase::Parking || ac.phase == FlightPhase::Parked;
}

bool lf_heldByAnother(const AircraftData& holder) {
  for (const auto& ac : traffic.liveList)
    if (&ac.aircraft != &holder && ac.aircraft.standNumber == holder.standNumber && lf_holdsStand(ac)) return true;
  return false;
}

} // namespace

void gf_markStandTakenByLive(std::int32_t standNumber) {
  if (StandData* stand = gf_standByNumber(standNumber)) stand->takenByLive = true;
}

void gf_releaseLiveStand(const AircraftData& holder) {
  StandData* stand = gf_standByNumber(holder.standNumber);
  // A stand given to another aircraft since stays marked for that one.
  if (stand && !lf_heldByAnother(holder)) stand->takenByLive = false;
}

void gf_clearStaleStandMarks() {
  const bool anyMarked =
      std::any_of(standList.begin(), standList.end(), [](const StandData& s) { return s.takenByLive; });
  if (!anyMarked) return;
  std::unordered_set<std::int32_t> held;
  for (const auto& ac : traffic.liveList)
    if (lf_holdsStand(ac)) held.insert(ac.aircraft.standNumber);
  for (auto& stand : standList)
    if (stand.takenByLive && !held.contains(stand.number)) stand.takenByLive = false;
}

void gf_forgetStand(AircraftData& holder) {
  gf_releaseLiveStand(holder);
  holder.standLat = 0.0;
  holder.standLon = 0.0;
  holder.standHeading = 0.0;
  holder.standNumber = 0;
  holder.cargoStand = false;
}
