#include "core/log.h"
#include "simlink/simconnect/client.h"
#include "simlink/simconnect/received_messages.h"
#include "simlink/simconnect/simconnect.h"
#include "simlink/simconnect/wire_bytes.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <fmt/format.h>

namespace {

std::atomic<SimConnectTransportOpener> transportOpener{nullptr};

// A batch that has set this much aside sends it before it goes on: a burst that never ends
// must not hold back or hoard without limit.
constexpr std::size_t largestBatch = 1 << 20;

// Operation codes of the packets; the packet type is 0xF0000000 plus the code.
enum : std::uint32_t {
  opOpen = 0x01,
  opMapClientEventToSimEvent = 0x04,
  opTransmitClientEvent = 0x05,
  opAddClientEventToNotificationGroup = 0x07,
  opSetNotificationGroupPriority = 0x09,
  opAddToDataDefinition = 0x0C,
  opRequestDataOnSimObject = 0x0E,
  opRequestDataOnSimObjectType = 0x0F,
  opSetDataOnSimObject = 0x10,
  opSubscribeToSystemEvent = 0x17,
  opAICreateNonATCAircraft = 0x29,
  opAIReleaseControl = 0x2B,
  opAIRemoveObject = 0x2C,
  opAISetAircraftFlightPlan = 0x2D,
};

// Fills one reserved packet; the reserved bytes are zero to begin with.
class PacketWriter {
public:
  explicit PacketWriter(std::uint8_t* packet) : packet_(packet) {}
  void u32(std::uint32_t offset, std::uint32_t value) { gf_putU32(packet_ + offset, value); }
  void f32(std::uint32_t offset, float value) { gf_putF32(packet_ + offset, value); }
  void f64(std::uint32_t offset, double value) { gf_putF64(packet_ + offset, value); }
  void bytes(std::uint32_t offset, const void* data, std::size_t count) {
    if (count > 0) std::memcpy(packet_ + offset, data, count);
  }
  // A zero-terminated text in a field of fieldSize bytes; false when it does not fit with
  // its terminator. A null text leaves the field empty.
  bool text(std::uint32_t offset, std::uint32_t fieldSize, const char* value) {
    if (value == nullptr) return true;
    const std::size_t length = strnlen(value, fieldSize);
    if (length >= fieldSize) return false;
    bytes(offset, value, length);
    return true;
  }

private:
  std::uint8_t* packet_;
};

// Reserves, fills and flushes one packet under the library lock. fill returns false when a
// text does not fit; the packet is then given back unsent. packetId, when not null, gets
// the packet's id when it was sent.
template <class Fill>
SimConnectResult lf_buildPacket(SimConnectClient* client, std::uint32_t code, std::uint32_t size, Fill fill,
                                std::uint32_t* packetId = nullptr) {
  try {
    std::lock_guard lock(simconnectLibraryLock);
    if (!gf_isLiveClient(client)) return simconnectFail;
    if (const std::int32_t status = client->transport->lostStatus(); status < 0) return status;
    std::uint8_t* packet = client->sendBuffer.reserve(size);
    if (packet == nullptr && !client->autoFlush && client->sendBuffer.used() > 0) {
      // A batch fills the buffer: what it holds is set aside for the batch's one write, and
      // the packet starts the next part. (Two writes would cost the frame a second trip
      // through the system, the second one only after the first has completed.)
      if (client->batchBytes.size() >= largestBatch) {
        if (const SimConnectResult flushed = gf_flushBatch(*client); flushed != simconnectOk) return flushed;
      } else {
        // Room for the whole burst at once: one allocation per burst, not one per step of
        // growth.
        if (client->batchBytes.capacity() == 0)
          client->batchBytes.reserve(std::max(client->lastBatchSize, 2 * SendBuffer::capacity));
        client->sendBuffer.takeInto(client->batchBytes);
      }
      packet = client->sendBuffer.reserve(size);
    }
    if (packet == nullptr) return simconnectFail;
    PacketWriter writer(packet);
    writer.u32(0, size);
    writer.u32(4, simconnectProtocolVersion);
    writer.u32(8, 0xF0000000u | code);
    if (!fill(writer)) {
      client->sendBuffer.releaseLast();
      return simconnectStringTooLong;
    }
    const std::uint32_t id = gf_getU32(packet + 12);
    const SimConnectResult result = client->autoFlush ? gf_flushClient(*client) : simconnectOk;
    if (result == simconnectOk && packetId != nullptr) *packetId = id;
    return result;
  } catch (const std::exception&) {
    return simconnectOutOfMemory;
  }
}

// Two u32 fields after the head.
SimConnectResult lf_twoFields(SimConnectClient* client, std::uint32_t code, std::uint32_t first, std::uint32_t second) {
  return lf_buildPacket(client, code, 24, [&](PacketWriter& w) {
    w.u32(16, first);
    w.u32(20, second);
    return true;
  });
}

// A u32 and a text of 256 bytes after the head.
SimConnectResult lf_idAndName(SimConnectClient* client, std::uint32_t code, std::uint32_t id, const char* name) {
  return lf_buildPacket(client, code, 276, [&](PacketWriter& w) {
    w.u32(16, id);
    return w.text(20, 256, name);
  });
}

} // namespace

void gf_setSimConnectTransportOpener(SimConnectTransportOpener opener) { transportOpener.store(opener); }

SimConnectResult gf_beginPacketBatch(SimConnectClient* client) {
  std::lock_guard lock(simconnectLibraryLock);
  if (!gf_isLiveClient(client)) return simconnectFail;
  client->autoFlush = false;
  return simconnectOk;
}

SimConnectResult gf_endPacketBatch(SimConnectClient* client) {
  try {
    std::lock_guard lock(simconnectLibraryLock);
    if (!gf_isLiveClient(client)) return simconnectFail;
    client->autoFlush = true;
    return gf_flushBatch(*client);
  } catch (const std::exception&) {
    return simconnectOutOfMemory;
  }
}

SimConnectResult SimConnect_Open(SimConnectClient** handle, const char* name, void* window, std::uint32_t userMessage,
                                 void* event, std::uint32_t configIndex) {
  if (handle == nullptr || name == nullptr) return simconnectInvalidArg;
  *handle = nullptr;
  std::shared_ptr<SimConnectTransport> transport;
  std::int32_t opened = 1;
  try {
    const SimConnectTransportOpener opener = transportOpener.load();
    opened = opener != nullptr ? opener(configIndex, transport) : gf_openSimConnectTransport(configIndex, transport);
  } catch (const std::exception& e) {
    gf_logWarning(fmt::format("SimConnect_Open: {}", e.what()));
    transport.reset();
  }
  if (opened == 3) return simconnectInvalidArg;
  if (opened != 0 || !transport) return simconnectFail;
  transport->setNotification(window, userMessage, event);
  SimConnectClient* client = nullptr;
  try {
    client = gf_createSimConnectClient(transport);
  } catch (const std::exception&) {
    transport->closeOrderly();
    return simconnectOutOfMemory;
  }
  const SimConnectResult result = lf_buildPacket(client, opOpen, 296, [&](PacketWriter& w) {
    if (!w.text(16, 256, name)) return false;
    w.u32(272, 0);
    static constexpr std::uint8_t tag[4] = {0x00, 0x44, 0x33, 0x50};
    w.bytes(276, tag, sizeof tag);
    w.u32(280, 5);
    w.u32(284, 3);
    w.u32(288, 0);
    w.u32(292, 0);
    return true;
  });
  if (result != simconnectOk) {
    gf_closeSimConnectClient(client);
    return result;
  }
  *handle = client;
  return simconnectOk;
}

SimConnectResult SimConnect_Close(SimConnectClient* handle) {
  if (handle == nullptr) return simconnectFail;
  {
    std::lock_guard lock(simconnectLibraryLock);
    if (!gf_isLiveClient(handle)) return simconnectFail;
    gf_flushBatch(*handle);
  }
  gf_closeSimConnectClient(handle);
  return simconnectOk;
}

SimConnectResult SimConnect_CallDispatch(SimConnectClient* handle, SimConnectDispatchProc dispatch, void* context) {
  if (handle == nullptr || dispatch == nullptr) return simconnectFail;
  std::shared_ptr<SimConnectTransport> transport;
  {
    std::lock_guard lock(simconnectLibraryLock);
    if (!gf_isLiveClient(handle)) return simconnectFail;
    transport = handle->transport;
  }
  // Only what has arrived so far: a peer that keeps sending cannot hold the caller here.
  const auto messages = transport->takeReceived();
  for (const auto& message : messages) {
    if (message.size() < sizeof(SimConnectRecv)) continue;
    const auto size = static_cast<std::uint32_t>(message.size());
    const std::uint32_t id = gf_getU32(message.data() + 8);
    if (size < gf_minimumMessageSize(id)) {
      gf_logWarning(fmt::format("SimConnect message id {} of {} bytes is too short for its layout, dropped", id, size));
      continue;
    }
    dispatch(reinterpret_cast<const SimConnectRecv*>(message.data()), size, context);
  }
  return transport->lostStatus();
}

SimConnectResult SimConnect_GetLastSentPacketID(SimConnectClient* handle, std::uint32_t* packetId) {
  if (handle == nullptr || packetId == nullptr) return simconnectFail;
  std::lock_guard lock(simconnectLibraryLock);
  if (!gf_isLiveClient(handle)) return simconnectFail;
  *packetId = handle->sendBuffer.lastPacketId();
  return simconnectOk;
}

SimConnectResult SimConnect_MapClientEventToSimEvent(SimConnectClient* handle, std::uint32_t eventId,
                                                     const char* eventName) {
  return lf_idAndName(handle, opMapClientEventToSimEvent, eventId, eventName);
}

SimConnectResult SimConnect_TransmitClientEvent(SimConnectClient* handle, std::uint32_t objectId, std::uint32_t eventId,
                                                std::uint32_t data, std::uint32_t groupId, std::uint32_t flags) {
  return lf_buildPacket(handle, opTransmitClientEvent, 36, [&](PacketWriter& w) {
    w.u32(16, objectId);
    w.u32(20, eventId);
    w.u32(24, data);
    w.u32(28, groupId);
    w.u32(32, flags);
    return true;
  });
}

SimConnectResult SimConnect_AddClientEventToNotificationGroup(SimConnectClient* handle, std::uint32_t groupId,
                                                              std::uint32_t eventId, bool maskable) {
  return lf_buildPacket(handle, opAddClientEventToNotificationGroup, 28, [&](PacketWriter& w) {
    w.u32(16, groupId);
    w.u32(20, eventId);
    w.u32(24, maskable ? 1u : 0u);
    return true;
  });
}

SimConnectResult SimConnect_SetNotificationGroupPriority(SimConnectClient* handle, std::uint32_t groupId,
                                                         std::uint32_t priority) {
  return lf_twoFields(handle, opSetNotificationGroupPriority, groupId, priority);
}

SimConnectResult SimConnect_AddToDataDefinition(SimConnectClient* handle, std::uint32_t definitionId,
                                                const char* datumName, const char* unitsName, std::uint32_t datumType,
                                                float epsilon, std::uint32_t datumId) {
  return lf_buildPacket(handle, opAddToDataDefinition, 544, [&](PacketWriter& w) {
    w.u32(16, definitionId);
    if (!w.text(20, 256, datumName) || !w.text(276, 256, unitsName)) return false;
    w.u32(532, datumType);
    w.f32(536, epsilon);
    w.u32(540, datumId);
    return true;
  });
}

SimConnectResult SimConnect_RequestDataOnSimObject(SimConnectClient* handle, std::uint32_t requestId,
                                                   std::uint32_t definitionId, std::uint32_t objectId,
                                                   std::uint32_t period, std::uint32_t flags, std::uint32_t origin,
                                                   std::uint32_t interval, std::uint32_t limit) {
  return lf_buildPacket(handle, opRequestDataOnSimObject, 48, [&](PacketWriter& w) {
    w.u32(16, requestId);
    w.u32(20, definitionId);
    w.u32(24, objectId);
    w.u32(28, period);
    w.u32(32, flags);
    w.u32(36, origin);
    w.u32(40, interval);
    w.u32(44, limit);
    return true;
  });
}

SimConnectResult SimConnect_RequestDataOnSimObjectType(SimConnectClient* handle, std::uint32_t requestId,
                                                       std::uint32_t definitionId, std::uint32_t radiusMeters,
                                                       std::uint32_t objectType) {
  return lf_buildPacket(handle, opRequestDataOnSimObjectType, 32, [&](PacketWriter& w) {
    w.u32(16, requestId);
    w.u32(20, definitionId);
    w.u32(24, radiusMeters);
    w.u32(28, objectType);
    return true;
  });
}

SimConnectResult SimConnect_SetDataOnSimObject(SimConnectClient* handle, std::uint32_t definitionId,
                                               std::uint32_t objectId, std::uint32_t flags, std::uint32_t arrayCount,
                                               std::uint32_t unitSize, const void* data) {
  const std::uint32_t count = arrayCount == 0 ? 1 : arrayCount;
  // In 64 bits: count x unit size cannot wrap into a small packet. One larger than the send
  // buffer is refused by the reservation, after the checks of the handle and connection.
  const std::uint64_t dataBytes = std::uint64_t{count} * unitSize;
  if (data == nullptr && dataBytes > 0) return simconnectInvalidArg;
  const std::uint32_t size =
      dataBytes > SendBuffer::capacity ? 0xFFFFFFFFu : static_cast<std::uint32_t>(36 + dataBytes);
  return lf_buildPacket(handle, opSetDataOnSimObject, size, [&](PacketWriter& w) {
    w.u32(16, definitionId);
    w.u32(20, objectId);
    w.u32(24, flags);
    w.u32(28, count);
    w.u32(32, unitSize);
    w.bytes(36, data, static_cast<std::size_t>(dataBytes));
    return true;
  });
}

SimConnectResult SimConnect_SubscribeToSystemEvent(SimConnectClient* handle, std::uint32_t eventId,
                                                   const char* systemEventName) {
  return lf_idAndName(handle, opSubscribeToSystemEvent, eventId, systemEventName);
}

SimConnectResult SimConnect_AICreateNonATCAircraft(SimConnectClient* handle, const char* containerTitle,
                                                   const char* tailNumber, const SimConnectInitPosition& position,
                                                   std::uint32_t requestId, std::uint32_t* packetId) {
  return lf_buildPacket(
      handle, opAICreateNonATCAircraft, 344,
      [&](PacketWriter& w) {
        if (!w.text(16, 256, containerTitle) || !w.text(272, 12, tailNumber)) return false;
        w.f64(284, position.latitude);
        w.f64(292, position.longitude);
        w.f64(300, position.altitude);
        w.f64(308, position.pitch);
        w.f64(316, position.bank);
        w.f64(324, position.heading);
        w.u32(332, position.onGround);
        w.u32(336, position.airspeed);
        w.u32(340, requestId);
        return true;
      },
      packetId);
}

SimConnectResult SimConnect_AIReleaseControl(SimConnectClient* handle, std::uint32_t objectId,
                                             std::uint32_t requestId) {
  return lf_twoFields(handle, opAIReleaseControl, objectId, requestId);
}

SimConnectResult SimConnect_AIRemoveObject(SimConnectClient* handle, std::uint32_t objectId, std::uint32_t requestId) {
  return lf_twoFields(handle, opAIRemoveObject, objectId, requestId);
}

SimConnectResult SimConnect_AISetAircraftFlightPlan(SimConnectClient* handle, std::uint32_t objectId,
                                                    const char* flightPlanPath, std::uint32_t requestId) {
  return lf_buildPacket(handle, opAISetAircraftFlightPlan, 284, [&](PacketWriter& w) {
    w.u32(16, objectId);
    if (!w.text(20, 260, flightPlanPath)) return false;
    w.u32(280, requestId);
    return true;
  });
}
