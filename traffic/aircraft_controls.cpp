#include "traffic/aircraft_controls.h"

#include "core/log.h"
#include "core/random.h"
#include "core/settings/parameters.h"
#include "simlink/command_queues.h"

#include <array>

namespace {

// The simulator's 0..16383 scale.
constexpr std::array<std::int32_t, 4> flapsValues{0, 3072, 10240, 16383};
constexpr std::array<std::int32_t, 5> leverValues{0, 4914, 8191, 11468, 16383};

void lf_queue(const AircraftData& ac, SimEventId event, std::int32_t data) {
  gf_queueClientEvent({ac.objectId, event, data});
}

} // namespace

void gf_setFlaps(AircraftData& ac, std::int32_t step) {
  if (step == ac.flapsStep || ac.aircraftInfo.category == SizeCategory::Rotorcraft) return;
  if (step < 0 || step > 4) {
    gf_logWarning("gf_setFlaps: invalid flaps index");
    return;
  }
  if (step < 4) lf_queue(ac, SimEventId::FLAPS_SET, flapsValues[static_cast<std::size_t>(step)]);
  ac.flapsStep = step;
}

void gf_setLever(AircraftData& ac, std::int32_t step) {
  if (step == ac.leverStep) return;
  if (step >= 0 && step <= 4) lf_queue(ac, SimEventId::THROTTLE_SET, leverValues[static_cast<std::size_t>(step)]);
  ac.leverStep = step;
}

void gf_setParkedState(AircraftData& ac) {
  if (ac.leverStep != 0) {
    lf_queue(ac, SimEventId::THROTTLE_SET, 0);
    ac.leverStep = 0;
  }
  gf_setFlaps(ac, 0);
  lf_queue(ac, SimEventId::ENGINE_AUTO_SHUTDOWN, 0);
  std::int32_t cabin = 0;
  if (!ac.cargoStand) cabin = (!RANDOM.get() || gf_randomEngine()() % 10 <= 8) ? 1 : 0;
  gf_queueLights(ac.objectId, {NAV_LIGHTS_WHILE_PARKED.get() ? 1 : 0, 0, 0, 0, 0, 1, cabin});
}
