#include "simlink/command_queues.h"

#include "core/log.h"
#include "core/shell/run_state.h"
#include "core/shell/status_line.h"
#include "simlink/link_state.h"

#include <cmath>

SimCommandQueues simCommands;

void gf_queueCreateAc(const CreateAcData& creation) {
  std::lock_guard lock(simCommands.commandMutex);
  simCommands.createQueue.push_back(creation);
}

void gf_queueClientEvent(const ClientEventData& event) {
  std::lock_guard lock(simCommands.commandMutex);
  simCommands.eventQueue.push_back(event);
}

void gf_queueLights(std::int32_t objectId, const LightsData& lights) {
  std::lock_guard lock(simCommands.commandMutex);
  auto& queue = simCommands.eventQueue;
  queue.push_back({objectId, SimEventId::NAV_LIGHTS_SET, lights.nav});
  queue.push_back({objectId, SimEventId::BEACON_LIGHTS_SET, lights.beacon});
  queue.push_back({objectId, SimEventId::LANDING_LIGHTS_SET, lights.landing});
  queue.push_back({objectId, SimEventId::TAXI_LIGHTS_SET, lights.taxi});
  queue.push_back({objectId, SimEventId::STROBES_SET, lights.strobes});
  queue.push_back({objectId, SimEventId::LOGO_LIGHTS_SET, lights.logo});
  queue.push_back({objectId, SimEventId::CABIN_LIGHTS_SET, lights.cabin});
}

void gf_queueCabinLights(std::int32_t objectId, std::int32_t value) {
  gf_queueClientEvent({objectId, SimEventId::CABIN_LIGHTS_SET, value});
}

void gf_queueRemoveAc(std::int32_t objectId) {
  std::lock_guard lock(simCommands.commandMutex);
  simCommands.removeQueue.push_back(objectId);
}

namespace {

void lf_exchangeBuffers() {
  std::swap(simCommands.fillBuffer, simCommands.sendBuffer);
  simCommands.fillBuffer->clear();
}

} // namespace

bool gf_handOverPositions() {
  std::unique_lock lock(simCommands.commandMutex, std::try_to_lock);
  if (!lock.owns_lock()) {
    const float rate = simLinkState.frameRate.load();
    // At 50 frames a second or less a Frame comes at most every 20 ms: the next tick brings
    // a newer batch in time, so this one is dropped rather than waited for.
    if (rate <= 50.0f) {
      simCommands.fillBuffer->clear();
      return false;
    }
    lock.lock();
  }
  lf_exchangeBuffers();
  return true;
}

void gf_handleSimConnectError() noexcept {
  try {
    gf_showMessage("SimConnect request error", true);
  } catch (...) {
    // The flag and the stop below matter more than the message.
  }
  simLinkState.simConnectError.store(true);
  try {
    gf_requestStop(ExitReason::SimConnectError, 9);
  } catch (...) {
    runState.stopRequested.store(true);
  }
}
