#include "simlink/user_state.h"

#include "core/log.h"
#include "simlink/command_queues.h"
#include "simlink/link_state.h"
#include "simlink/sim_calls.h"

#include <cmath>

LinkUserState linkUserState;
std::atomic<bool> userOnGround{false};
std::atomic<bool> userOnGroundKnown{false};
std::atomic<bool> userPositionKnown{false};
std::atomic<std::int64_t> simUtcSeconds{0};

bool gf_userPositionKnown(const UserAcData& data) {
  return std::fabs(data.latitude) > 1e-4 || std::fabs(data.longitude) > 1e-4;
}

UserAcData gf_requestUserAcPosition() {
  {
    std::lock_guard lock(simCommands.commandMutex);
    if (!simLinkState.simConnectError.load() &&
        simCalls.SimConnect_RequestDataOnSimObject(
            simLinkState.simConnectHandle.load(), gf_simId(SimRequestId::UserPosition),
            gf_simId(SimDefinitionId::UserState), simUserObject, simPeriodOnce, 0, 0, 0, 0) < 0) {
      gf_logWarning("SimConnect request user ac position fails");
      gf_handleSimConnectError();
    }
  }
  return gf_userAcData();
}

void gf_requestUserAcTitleAndModel() {
  std::lock_guard lock(simCommands.commandMutex);
  SimConnectClient* handle = simLinkState.simConnectHandle.load();
  if (simCalls.SimConnect_RequestDataOnSimObject(handle, gf_simId(SimRequestId::UserTitle),
                                                 gf_simId(SimDefinitionId::UserTitle), simUserObject, simPeriodOnce, 0,
                                                 0, 0, 0) < 0) {
    gf_logWarning("SimConnect request user ac title fails");
    gf_handleSimConnectError();
  }
  if (simCalls.SimConnect_RequestDataOnSimObject(handle, gf_simId(SimRequestId::UserModel),
                                                 gf_simId(SimDefinitionId::UserModel), simUserObject, simPeriodOnce, 0,
                                                 0, 0, 0) < 0) {
    gf_logWarning("SimConnect reques user ac model fails");
    gf_handleSimConnectError();
  }
}

UserAcData gf_userAcData() {
  std::lock_guard lock(linkUserState.mutex);
  return linkUserState.data;
}

std::optional<double> gf_userHalfSpanNm() {
  std::lock_guard lock(linkUserState.mutex);
  return linkUserState.halfSpan;
}

std::string gf_userTitle() {
  std::lock_guard lock(linkUserState.mutex);
  return linkUserState.title;
}

void gf_resetUserState() {
  {
    std::lock_guard lock(linkUserState.mutex);
    linkUserState.data = {};
    linkUserState.previousPosition = {};
    linkUserState.title.clear();
    linkUserState.standName.clear();
    linkUserState.halfSpan.reset();
  }
  userOnGround.store(false);
  userOnGroundKnown.store(false);
  userPositionKnown.store(false);
  simUtcSeconds.store(0);
}
