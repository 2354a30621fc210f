#include "simlink/link_state.h"

#include "core/log.h"
#include "core/shell/run_state.h"
#include "simlink/command_queues.h"
#include "simlink/frame_sender.h"
#include "simlink/link_handlers.h"
#include "simlink/own_objects.h"
#include "simlink/user_state.h"

SimLinkState simLinkState;
LogThrottle badSimData;

void gf_initSimClient(std::int32_t majorVersion) {
  simLinkState.simMajorVersion.store(majorVersion);
  {
    std::lock_guard lock(simCommands.commandMutex);
    for (auto& buffer : simCommands.positionBuffers) buffer.reserve(256);
    simCommands.createQueue.reserve(256);
    simCommands.removeQueue.reserve(256);
  }
  ownObjects.pendingCreates.reserve(256);
  ownObjects.addedObjects.reserve(256);
  simLinkState.simConnectError.store(false);
}

void gf_resetSimLink(std::int32_t majorVersion) {
  {
    std::lock_guard lock(simCommands.commandMutex);
    simLinkState.simConnectHandle.store(nullptr);
    simCommands.createQueue.clear();
    simCommands.eventQueue.clear();
    simCommands.removeQueue.clear();
    for (auto& buffer : simCommands.positionBuffers) buffer.clear();
    simCommands.fillBuffer = &simCommands.positionBuffers[0];
    simCommands.sendBuffer = &simCommands.positionBuffers[1];
  }
  simLinkState.simMajorVersion.store(majorVersion);
  simLinkState.userObjectId.store(2);
  simLinkState.simConnectError.store(false);
  simLinkState.frameRate.store(0.0f);
  simLinkState.frameCounter = 0;
  simLinkState.openReplied = false;
  simLinkState.quitReceived = false;
  runState.flightRunning.store(false);
  gf_resetOwnObjects();
  gf_resetLinkCommands();
  badSimData.flush(&gf_log);
  gf_resetUserState();
}
