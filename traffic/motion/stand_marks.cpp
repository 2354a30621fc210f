#include "traffic/motion/stand_marks.h"

#include "airports/stands.h"
#include "traffic/traffic_state.h"

namespace {

StandData* lf_standByNumber(std::int32_t number) {
  if (number == 0) return nullptr;
  for (auto& stand : standList)
    if (stand.number == number) return &stand;
  return nullptr;
}

bool lf_heldByAnother(const AircraftData& holder) {
  for (const auto& ac : traffic.liveList) {
    const AircraftData& other = ac.aircraft;
    if (&other == &holder || other.standNumber != holder.standNumber) continue;
    if (other.state == LiveState::RemovingFromSim || other.eraseNow || other.creationCancelled) continue;
    if (ac.phase == FlightPhase::Parking || ac.phase == FlightPhase::Parked) return true;
  }
  return false;
}

} // namespace

void gf_markStandTakenByLive(std::int32_t standNumber) {
  if (StandData* stand = lf_standByNumber(standNumber)) stand->takenByLive = true;
}

void gf_releaseLiveStand(const AircraftData& holder) {
  StandData* stand = lf_standByNumber(holder.standNumber);
  // A stand given to another aircraft since stays marked for that one.
  if (stand && !lf_heldByAnother(holder)) stand->takenByLive = false;
}

void gf_forgetStand(AircraftData& holder) {
  gf_releaseLiveStand(holder);
  holder.standLat = 0.0;
  holder.standLon = 0.0;
  holder.standHeading = 0.0;
  holder.standNumber = 0;
  holder.cargoStand = false;
}
