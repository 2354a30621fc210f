#include "simlink/frame_sender.h"

#include "core/log.h"
#include "core/shell/status_line.h"
#include "core/time.h"
#include "simlink/command_queues.h"
#include "simlink/link_state.h"
#include "simlink/own_objects.h"
#include "simlink/result_queue.h"
#include "simlink/sim_calls.h"

#include <atomic>
#include <fmt/format.h>
#include <string>
#include <vector>

namespace {

std::atomic<FrameProbe> frameProbe{nullptr};

// What one Frame sends, taken out of the queues in one go (SimClient thread only). The
// vectors are exchanged with the queues' and emptied after sending, so no frame allocates.
struct FrameBatch {
  std::vector<AcPositionData> positions;
  std::vector<ClientEventData> events;
  std::vector<CreateAcData> creations;
  std::vector<std::int32_t> removals;
};
FrameBatch batch;
// The link's own commands for the next frame (SimClient thread only).
FrameBatch linkCommands;

// The simulator's text fields: a title takes at most 255 bytes, a tail number 11.
constexpr std::size_t titleLimit = 255;
constexpr std::size_t callsignLimit = 11;

std::uint32_t lf_object(std::int32_t objectId) { return static_cast<std::uint32_t>(objectId); }

void lf_dropEverything() {
  simCommands.sendBuffer->clear();
  simCommands.eventQueue.clear();
  simCommands.createQueue.clear();
  simCommands.removeQueue.clear();
}

void lf_takeBatch() {
  batch.positions.swap(*simCommands.sendBuffer);
  batch.events.swap(simCommands.eventQueue);
  batch.creations.swap(simCommands.createQueue);
  batch.removals.swap(simCommands.removeQueue);
}

// Returns how many positions went out.
std::size_t lf_sendPositions(SimConnectClient* handle) {
  std::size_t sent = 0;
  for (const AcPositionData& p : batch.positions) {
    // The user aircraft and objects that are not ours (0 while an object is not known yet)
    // are never moved.
    if (!gf_isOwnObject(lf_object(p.objectId))) continue;
    simCalls.SimConnect_SetDataOnSimObject(handle, gf_simId(SimDefinitionId::AcPosition), lf_object(p.objectId), 0, 0,
                                           64, &p);
    ++sent;
  }
  batch.positions.clear();
  return sent;
}

void lf_sendEvents(SimConnectClient* handle, std::vector<ClientEventData>& events) {
  for (const ClientEventData& e : events) {
    const std::uint32_t object = lf_object(e.objectId);
    if (!gf_isOwnObject(object)) {
      gf_logWarning(fmt::format("SimConnect event {} for object {}, which is not Hivemoor's, not sent",
                                gf_simId(e.eventId), object));
      continue;
    }
    // The flaps move only while the simulator's AI does not fly the aircraft.
    const bool flaps = e.eventId == SimEventId::FLAPS_SET;
    const std::uint32_t release = gf_simId(SimRequestId::ReleaseControl);
    if (flaps) simCalls.SimConnect_AIReleaseControl(handle, object, release);
    if (simCalls.SimConnect_TransmitClientEvent(handle, object, gf_simId(e.eventId), static_cast<std::uint32_t>(e.data),
                                                simGroupId, 0) < 0) {
      gf_showMessage(fmt::format("SimConnect TransmitClientEvent: {} fails", gf_simId(e.eventId)), true);
      continue;
    }
    if (flaps) simCalls.SimConnect_AIReleaseControl(handle, object, release);
  }
  events.clear();
}

// Sends one creation and remembers it as pending. A title or callsign the simulator cannot
// take refuses this one creation (its result goes into refused), never the run.
void lf_createAcInSim(SimConnectClient* handle, const CreateAcData& c, std::vector<SimResultData>& refused) {
  // The title is a view into the livery tables, not terminated: the call gets its own copy.
  const std::string title(c.title);
  // A title that cannot be sent can never be created; a callsign that cannot says nothing
  // about the title.
  const auto refuse = [&](const char* why) {
    gf_logWarning(
        fmt::format("! Creation refused, hexid:{}, liv: '{}', callsign: {}: {}", c.hexId, title, c.callsign, why));
    refused.push_back(gf_createFailedResult(c.hexId, title.size() > titleLimit ? CreateFailure::titleTooLong
                                                                               : CreateFailure::callsignTooLong));
  };
  if (title.size() > titleLimit || c.callsign.size() > callsignLimit) {
    refuse(title.size() > titleLimit ? "a title takes at most 255 bytes" : "a callsign takes at most 11 bytes");
    return;
  }
  std::uint32_t packetId = 0;
  const SimConnectResult result = simCalls.SimConnect_AICreateNonATCAircraft(
      handle, title.c_str(), c.callsign.c_str(), c.position, gf_simId(SimRequestId::CreateAircraft), &packetId);
  if (result == simconnectStringTooLong) {
    refuse("a text does not fit");
    return;
  }
  if (result < 0) {
    gf_logWarning(fmt::format("! Simcon call to create ac in sim failed, hexid:{}, liv: '{}', callsign: {})", c.hexId,
                              title, c.callsign));
    gf_handleSimConnectError();
    return;
  }
  gf_addPendingCreate({packetId, c.hexId, c.callsign, LinkClock::now(), title});
}

void lf_sendRemovals(SimConnectClient* handle, std::vector<std::int32_t>& removals) {
  for (const std::int32_t id : removals) {
    const std::uint32_t object = lf_object(id);
    if (!gf_isOwnObject(object)) {
      gf_logWarning(fmt::format("SimConnect call to remove ac with objectid {}", id));
      continue;
    }
    if (simCalls.SimConnect_AIRemoveObject(handle, object, gf_simId(SimRequestId::RemoveObject)) < 0) {
      gf_logWarning(fmt::format("{} !SimConnect call to remove AI ac from sim failed, id {}?", gf_utcTimeOfDay(), id));
      gf_handleSimConnectError();
      continue;
    }
    // Gone for the link at once: no later position or event goes to an object being removed.
    gf_forgetOwnObject(object);
  }
  removals.clear();
}

// The frame's packets leave as one burst, however the sending ends.
class PacketBatch {
public:
  explicit PacketBatch(SimConnectClient* handle) : handle_(handle) { simCalls.beginPacketBatch(handle_); }
  ~PacketBatch() { simCalls.endPacketBatch(handle_); }
  PacketBatch(const PacketBatch&) = delete;
  PacketBatch& operator=(const PacketBatch&) = delete;

private:
  SimConnectClient* handle_;
};

} // namespace

void gf_setFrameProbe(FrameProbe probe) { frameProbe.store(probe); }

void gf_queueLinkEvent(const ClientEventData& event) { linkCommands.events.push_back(event); }

void gf_queueLinkRemoval(std::int32_t objectId) { linkCommands.removals.push_back(objectId); }

void gf_resetLinkCommands() {
  linkCommands.events.clear();
  linkCommands.removals.clear();
}

void gf_sendQueuedCommands() {
  const auto start = std::chrono::steady_clock::now();
  bool taken = false;
  {
    std::unique_lock lock(simCommands.commandMutex, std::try_to_lock);
    if (lock.owns_lock()) {
      taken = !simLinkState.simConnectError.load();
      if (taken) {
        lf_takeBatch();
      } else {
        lf_dropEverything();
        gf_resetLinkCommands();
      }
    }
  }
  // Sent without the command mutex, so live traffic never waits for the simulator's pipe.
  const auto held = std::chrono::steady_clock::now() - start;
  std::size_t positions = 0;
  if (taken) {
    SimConnectClient* handle = simLinkState.simConnectHandle.load();
    std::vector<SimResultData> refused;
    {
      const PacketBatch burst(handle);
      positions = lf_sendPositions(handle);
      lf_sendEvents(handle, linkCommands.events);
      lf_sendEvents(handle, batch.events);
      for (const CreateAcData& c : batch.creations) lf_createAcInSim(handle, c, refused);
      batch.creations.clear();
      lf_sendRemovals(handle, batch.removals);
      lf_sendRemovals(handle, linkCommands.removals);
    }
    for (const SimResultData& failed : refused) gf_pushSimResult(failed);
  }
  if (const FrameProbe probe = frameProbe.load()) probe(held, std::chrono::steady_clock::now() - start, positions);
}
