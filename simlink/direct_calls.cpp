#include "simlink/direct_calls.h"

#include "core/log.h"
#include "simlink/command_queues.h"
#include "simlink/link_state.h"
#include "simlink/sim_calls.h"
#include "simlink/sim_ids.h"

#include <array>

namespace {

SimConnectClient* lf_handle() { return simLinkState.simConnectHandle.load(); }

std::uint32_t lf_object(std::int32_t objectId) { return static_cast<std::uint32_t>(objectId); }

void lf_failed(const char* warning) {
  gf_logWarning(warning);
  gf_handleSimConnectError();
}

} // namespace

void gf_allLightsToggle(std::int32_t objectId) {
  std::lock_guard lock(simCommands.commandMutex);
  if (simCalls.SimConnect_TransmitClientEvent(lf_handle(), lf_object(objectId), gf_simId(SimEventId::ALL_LIGHTS_TOGGLE),
                                              0, simGroupId, 0) < 0)
    lf_failed("SimConnect gf_allLightsToggle fails");
}

void gf_requestAircraftInRange(std::int32_t radiusMetres) {
  std::lock_guard lock(simCommands.commandMutex);
  if (simLinkState.simConnectError.load()) return;
  if (simCalls.SimConnect_RequestDataOnSimObjectType(
          lf_handle(), gf_simId(SimRequestId::AircraftInRange), gf_simId(SimDefinitionId::InRange),
          static_cast<std::uint32_t>(radiusMetres < 0 ? 0 : radiusMetres), simObjectTypeAircraft) < 0)
    lf_failed("SimConnect request ac within range fails");
}

void gf_requestStaticCg(std::int32_t objectId) {
  std::lock_guard lock(simCommands.commandMutex);
  if (simCalls.SimConnect_RequestDataOnSimObject(lf_handle(), gf_simId(SimRequestId::StaticCg),
                                                 gf_simId(SimDefinitionId::StaticCg), lf_object(objectId),
                                                 simPeriodOnce, 0, 0, 0, 0) < 0)
    lf_failed("SimConnect request StaticCG fails");
}

void gf_requestUserOnGroundEverySecond() {
  std::lock_guard lock(simCommands.commandMutex);
  if (simCalls.SimConnect_RequestDataOnSimObject(lf_handle(), gf_simId(SimRequestId::UserOnGround),
                                                 gf_simId(SimDefinitionId::UserOnGround), simUserObject,
                                                 simPeriodSecond, 0, 0, 0, 0) < 0)
    lf_failed("SimConnect request ac gnd/air fails");
}

bool gf_setAircraftFlightPlan(std::int32_t objectId, const std::string& path) {
  std::lock_guard lock(simCommands.commandMutex);
  return simCalls.SimConnect_AISetAircraftFlightPlan(lf_handle(), lf_object(objectId), path.c_str(),
                                                     gf_simId(SimRequestId::FlightPlan)) == 0;
}

std::int32_t gf_setAircraftControls(std::int32_t objectId, double spoilers, double throttle1, double throttle2) {
  const std::array<double, 3> values{spoilers, throttle1, throttle2};
  return simCalls.SimConnect_SetDataOnSimObject(lf_handle(), gf_simId(SimDefinitionId::AcControls), lf_object(objectId),
                                                0, 0, sizeof values, values.data());
}
