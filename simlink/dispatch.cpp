#include "simlink/dispatch.h"

#include "core/errors.h"
#include "core/geodesy.h"
#include "core/log.h"
#include "core/shell/main_window.h"
#include "core/shell/run_state.h"
#include "core/shell/status_line.h"
#include "simlink/command_queues.h"
#include "simlink/frame_sender.h"
#include "simlink/link_handlers.h"
#include "simlink/link_state.h"
#include "simlink/own_objects.h"
#include "simlink/result_queue.h"
#include "simlink/sim_calls.h"
#include "simlink/sim_ids.h"
#include "simlink/simconnect/received_messages.h"

#include <fmt/format.h>

namespace {

// Exception numbers the link tells apart.
enum : std::uint32_t {
  exceptionUnrecognizedId = 3,
  exceptionVersionMismatch = 5,
  exceptionTooManyObjects = 11,
  exceptionInvalidDataSize = 19,
  exceptionCreateObjectFailed = 22,
  exceptionLoadFlightplanFailed = 23,
  exceptionOperationInvalidForObjectType = 24,
};

// Aircraft higher above the ground than this are of no interest to ground handling.
constexpr double groundDataCeilingFt = 2500.0;
// The frame rate is sampled every this many frames.
constexpr std::int32_t frameSample = 30;
// Beyond these the simulator's numbers are garbage: frames per second, heights in feet.
constexpr float frameRateLimit = 10000.0f;
constexpr double heightLimitFt = 1.0e6;
// The block of the aircraft-in-range data, and where the identity's title follows it.
constexpr std::uint32_t groundDataBytes = 56;

constexpr std::uint32_t dataBlock = recv_offset::dataBlock;

void lf_requestNewFlight() { gf_requestStop(ExitReason::NewFlight, 30); }

bool lf_event(std::uint32_t eventId, SimEventId id) { return eventId == gf_simId(id); }

void lf_handleException(const ReceivedMessage& m) {
  const std::uint32_t number = m.u32(recv_offset::exception);
  switch (number) {
  case exceptionUnrecognizedId:
    if (userPositionKnown.load() && !gf_stopOrClosed()) gf_logWarning("SIMCONNECT_EXCEPTION_UNRECOGNIZED_ID");
    break;
  case exceptionVersionMismatch:
    throw hvm::UserErrorException(95,
                                  fmt::format("SimConnect Version Mismatch, dwIndex: {}", m.u32(recv_offset::index)));
  case exceptionTooManyObjects:
    gf_showMessage("SimConnect: too many objects (max 1000)", true);
    break;
  case exceptionInvalidDataSize:
    gf_log("SIMCONNECT_EXCEPTION_INVALID_DATA_SIZE");
    break;
  case exceptionCreateObjectFailed:
    if (const auto hexId = gf_takePendingByPacket(m.u32(recv_offset::sendId)); hexId && *hexId != 0)
      gf_pushSimResult(gf_createFailedResult(*hexId, CreateFailure::refusedBySimulator));
    break;
  case exceptionLoadFlightplanFailed:
    gf_logWarning("SimConnect exception: load flight plan failed");
    break;
  case exceptionOperationInvalidForObjectType:
    gf_log("SIMCONNECT_EXCEPTION_OPERATION_INVALID_FOR_OBJECT_TYPE");
    break;
  default:
    gf_logWarning(fmt::format("SIMCONNECT_EXCEPTION #{}", number));
    break;
  }
}

void lf_handleEvent(const ReceivedMessage& m) {
  const std::uint32_t eventId = m.u32(recv_offset::eventId);
  if (lf_event(eventId, SimEventId::Sim)) {
    const bool running = m.u32(recv_offset::eventData) == 1;
    runState.flightRunning.store(running);
    mainWindow.update(topBandRect, [&](DisplayState& d) { d.flightRunningShown = running; });
  } else if (lf_event(eventId, SimEventId::PositionChanged)) {
    gf_logWarning("User ac position changed");
    lf_requestNewFlight();
  } else if (lf_event(eventId, SimEventId::FlightLoaded)) {
    gf_log("SimConnect: flight loaded event");
    gf_rememberUserStand();
    lf_requestNewFlight();
  }
}

// Whether a new aircraft is ours, wherever it is: the range data reach only the aircraft within
// the range asked for, and the tail number alone does not tell (another program may fly the
// same callsign). Sent at once: this thread alone closes the handle.
void lf_askIdentity(std::uint32_t objectId) {
  if (simLinkState.simConnectError.load()) return;
  if (simCalls.SimConnect_RequestDataOnSimObject(
          simLinkState.simConnectHandle.load(), gf_simId(SimRequestId::ObjectIdentity),
          gf_simId(SimDefinitionId::ObjectIdentity), objectId, simPeriodOnce, 0, 0, 0, 0) < 0) {
    gf_logWarning("SimConnect request identity of a new aircraft fails");
    gf_handleSimConnectError();
  }
}

void lf_handleObjectEvent(const ReceivedMessage& m) {
  if (m.u32(recv_offset::objectType) != simObjectTypeAircraft) return;
  const std::uint32_t eventId = m.u32(recv_offset::eventId);
  const std::uint32_t objectId = m.u32(recv_offset::eventData);
  if (lf_event(eventId, SimEventId::ObjectAdded)) {
    if (objectId != 0 && objectId != simLinkState.userObjectId.load()) {
      gf_noteAddedObject(objectId, LinkClock::now());
      lf_askIdentity(objectId);
    }
  } else if (lf_event(eventId, SimEventId::ObjectRemoved)) {
    gf_takeAddedObject(objectId);
    gf_forgetOwnObject(objectId);
    gf_pushSimResult({static_cast<std::int32_t>(objectId), 0, 0, simResultRemoved, 0.0, 0.0});
  }
}

void lf_handleFrame(const ReceivedMessage& m) {
  gf_sendQueuedCommands();
  if (++simLinkState.frameCounter >= frameSample) {
    simLinkState.frameCounter = 0;
    // Live traffic decides by the rate whether it waits for the command mutex.
    const float rate = m.f32(recv_offset::frameRate);
    if (rate >= 0.0f && rate <= frameRateLimit)
      simLinkState.frameRate.store(rate);
    else
      badSimData.write("frame rate", fmt::format("! SimConnect frame rate {} out of range, not taken", rate), &gf_log);
  }
}

bool lf_heightInRange(double feet) { return feet >= -heightLimitFt && feet <= heightLimitFt; }

void lf_outOfRange(const ReceivedMessage& m, std::string_view what, std::string_view done = "dropped") {
  const std::uint32_t requestId = m.u32(recv_offset::requestId);
  badSimData.write(fmt::format("request {}", requestId),
                   fmt::format("! SimConnect data of request {} for object {} with {} out of range, {}", requestId,
                               m.u32(recv_offset::objectId), what, done),
                   &gf_log);
}

bool lf_blockHolds(const ReceivedMessage& m, std::uint32_t bytes) {
  if (m.holds(dataBlock, bytes)) return true;
  gf_log(fmt::format("! SimConnect data of request {} holds {} bytes where {} are needed, dropped",
                     m.u32(recv_offset::requestId), m.size() < dataBlock ? 0 : m.size() - dataBlock, bytes));
  return false;
}

UserAcData lf_userState(const ReceivedMessage& m) {
  UserAcData s;
  double* values[] = {&s.latitude, &s.longitude,           &s.pitch,      &s.bank, &s.heading,
                      &s.altitude, &s.altitudeAboveGround, &s.groundSpeed};
  std::uint32_t at = dataBlock;
  for (double* v : values) {
    *v = m.f64(at);
    at += 8;
  }
  for (std::int64_t* v : {&s.zuluTime, &s.zuluDayOfYear, &s.zuluYear, &s.lightStates}) {
    *v = m.i64(at);
    at += 8;
  }
  return s;
}

// A new object was identified as one of ours: released from the simulator's AI and frozen,
// so that only the positions the link sends move it. The freeze goes out with the next frame;
// this thread never waits for live traffic's command mutex (the handle cannot close meanwhile:
// only this thread closes it).
void lf_takeOver(std::uint32_t objectId) {
  gf_markOwnObject(objectId);
  const auto id = static_cast<std::int32_t>(objectId);
  simCalls.SimConnect_AIReleaseControl(simLinkState.simConnectHandle.load(), objectId,
                                       gf_simId(SimRequestId::ReleaseControl));
  gf_queueLinkEvent({id, SimEventId::FREEZE_LATITUDE_LONGITUDE_SET, 1});
  gf_queueLinkEvent({id, SimEventId::FREEZE_ALTITUDE_SET, 1});
  gf_queueLinkEvent({id, SimEventId::FREEZE_ATTITUDE_SET, 1});
}

// The ground data of an aircraft, as both the range data and the identity bring it.
struct GroundData {
  double aboveGround = 0.0;
  double groundAltitude = 0.0;
  std::int64_t onGround = 0;
  std::string atcId;
};

GroundData lf_groundData(const ReceivedMessage& m) {
  return {m.f64(dataBlock), m.f64(dataBlock + 8), m.i64(dataBlock + 16), m.text(dataBlock + 24, 32)};
}

void lf_logForeign(std::uint32_t objectId, const GroundData& g) {
  gf_log(fmt::format("just spawned, but not by {}, oid: {}, callsign '{}', altaboveGnd:{:.0f} ft, onground:{}, "
                     "gnd_alt:{:.0f} ft",
                     "Hivemoor", objectId, gf_printableCut(g.atcId), g.aboveGround, g.onGround, g.groundAltitude));
}

// The identity of an aircraft the simulator announced: ours only when it carries the tail
// number and the title of a creation of ours; whatever it is, from now on it is a known aircraft.
void lf_identify(const ReceivedMessage& m) {
  if (!lf_blockHolds(m, groundDataBytes)) return;
  const std::uint32_t objectId = m.u32(recv_offset::objectId);
  // Identified before, removed, or waited for too long.
  if (!gf_takeAddedObject(objectId)) return;
  GroundData g = lf_groundData(m);
  const std::string title = m.text(dataBlock + groundDataBytes, m.size() - (dataBlock + groundDataBytes));
  if (!lf_heightInRange(g.aboveGround) || !lf_heightInRange(g.groundAltitude)) {
    lf_outOfRange(m, "its heights", "taken as 0");
    g.aboveGround = 0.0;
    g.groundAltitude = 0.0;
  }
  const auto id = static_cast<std::int32_t>(objectId);
  const std::optional<std::int32_t> hexId = g.atcId.empty() ? std::nullopt : gf_takePending(g.atcId, title);
  if (!hexId || *hexId == 0) {
    if (!g.atcId.empty() && gf_takeAbandoned(g.atcId, title)) {
      // A creation the link gave up on was carried out after all: nobody would ever move or
      // remove it, so it goes again.
      gf_logWarning(fmt::format("Late creation of '{}', oid: {}, removed again", g.atcId, objectId));
      gf_markOwnObject(objectId);
      gf_queueLinkRemoval(id);
      return;
    }
    if (const auto ours = gf_pendingTitle(g.atcId))
      gf_logWarning(fmt::format("oid {} has the callsign '{}' of a creation of ours, but the title '{}', not '{}'",
                                objectId, gf_printableCut(g.atcId), gf_printableCut(title), *ours));
    lf_logForeign(objectId, g);
    return;
  }
  lf_takeOver(objectId);
  if (*hexId <= 10000)
    gf_pushSimResult({id, *hexId, 0, simResultStaticCreated, 0.0, 0.0});
  else
    gf_pushSimResult({id, *hexId, 0, simResultLiveCreated, 0.0, g.aboveGround});
}

void lf_handleSimObjectData(const ReceivedMessage& m) {
  const std::uint32_t requestId = m.u32(recv_offset::requestId);
  const std::uint32_t objectId = m.u32(recv_offset::objectId);
  switch (static_cast<SimRequestId>(requestId)) {
  case SimRequestId::StaticCg: {
    if (!lf_blockHolds(m, 16)) break;
    const double cgHeight = m.f64(dataBlock);
    const double pitch = m.f64(dataBlock + 8);
    if (!lf_heightInRange(cgHeight) || !(pitch >= -twoPi && pitch <= twoPi)) {
      lf_outOfRange(m, "its static CG height or pitch");
      break;
    }
    gf_pushSimResult({static_cast<std::int32_t>(objectId), 0, 0, simResultStaticCg, cgHeight, pitch});
    break;
  }
  case SimRequestId::ObjectIdentity:
    lf_identify(m);
    break;
  case SimRequestId::UserTitle:
    gf_handleUserAcTitle(m.text(dataBlock, m.size() > dataBlock ? m.size() - dataBlock : 0));
    break;
  case SimRequestId::UserModel:
    gf_handleUserAcModel(m.text(dataBlock, 32));
    break;
  case SimRequestId::UserOnGround:
    if (lf_blockHolds(m, 8)) gf_handleUserOnGround(m.i64(dataBlock));
    break;
  case SimRequestId::UserPosition:
    if (lf_blockHolds(m, 96)) gf_handleUserAcState(objectId, lf_userState(m));
    break;
  default:
    break;
  }
}

void lf_handleSimObjectDataByType(const ReceivedMessage& m) {
  if (m.u32(recv_offset::requestId) != gf_simId(SimRequestId::AircraftInRange) || !lf_blockHolds(m, groundDataBytes))
    return;
  const std::uint32_t objectId = m.u32(recv_offset::objectId);
  if (objectId == 0 || objectId == simLinkState.userObjectId.load()) return;
  // A new aircraft is known once its identity has come.
  if (gf_isAddedObject(objectId)) return;
  const GroundData g = lf_groundData(m);
  if (!lf_heightInRange(g.aboveGround) || !lf_heightInRange(g.groundAltitude)) {
    lf_outOfRange(m, "its heights");
    return;
  }
  if (g.aboveGround > groundDataCeilingFt || g.atcId.empty() || g.atcId.back() == '*') return;
  gf_pushSimResult({static_cast<std::int32_t>(objectId),
                    static_cast<std::int32_t>(static_cast<std::uint32_t>(g.onGround)), 0, simResultGroundData,
                    g.groundAltitude, g.aboveGround});
}

} // namespace

void gf_dispatchProc(const SimConnectRecv* message, std::uint32_t size, void*) {
  if (message == nullptr || size < sizeof(SimConnectRecv)) return;
  const ReceivedMessage m(message, size);
  const std::uint32_t id = m.id();
  if (size < gf_minimumMessageSize(id)) {
    gf_log(fmt::format("! SimConnect message id {} of {} bytes is too short, dropped", id, size));
    return;
  }
  switch (id) {
  case recvException:
    lf_handleException(m);
    break;
  case recvOpen:
    gf_handleOpen(m);
    break;
  case recvQuit:
    runState.flightRunning.store(false);
    simLinkState.quitReceived = true;
    break;
  case recvEvent:
    lf_handleEvent(m);
    break;
  case recvEventObjectAddRemove:
    lf_handleObjectEvent(m);
    break;
  case recvEventFilename:
    gf_logWarning("SimConnect: New file event");
    gf_rememberUserStand();
    lf_requestNewFlight();
    break;
  case recvEventFrame:
    lf_handleFrame(m);
    break;
  case recvSimObjectData:
    lf_handleSimObjectData(m);
    break;
  case recvSimObjectDataByType:
    lf_handleSimObjectDataByType(m);
    break;
  case 12:
  case 16:
    break;
  default:
    gf_log(fmt::format("! Unknown Dispatch dwID {}", id));
    break;
  }
}
