#pragma once
// Hivemoor's own SimConnect client. The operations keep the names and argument orders of
// the SimConnect interface, so callers read like ordinary SimConnect code. Each returns an
// HRESULT value and never throws; any thread may call them. The bytes they send and the
// layouts of what the simulator sends back are written down in wire_format.md.
#include <cstdint>

struct SimConnectClient;

using SimConnectResult = std::int32_t;

inline constexpr SimConnectResult simconnectOk = 0;
inline constexpr SimConnectResult simconnectFail = static_cast<std::int32_t>(0x80004005);       // E_FAIL
inline constexpr SimConnectResult simconnectInvalidArg = static_cast<std::int32_t>(0x80070057); // E_INVALIDARG
// A text does not fit its field.
inline constexpr SimConnectResult simconnectStringTooLong = static_cast<std::int32_t>(0x8007007A);
inline constexpr SimConnectResult simconnectAbort = static_cast<std::int32_t>(0x80004004);       // E_ABORT
inline constexpr SimConnectResult simconnectOutOfMemory = static_cast<std::int32_t>(0x8007000E); // E_OUTOFMEMORY

inline constexpr std::uint32_t simconnectProtocolVersion = 35;
// Configuration index that reads no SimConnect.cfg at all.
inline constexpr std::uint32_t simconnectNoConfiguration = 0xFFFFFFFF;
inline constexpr std::uint32_t simconnectUnusedDatumId = 0xFFFFFFFF;

// The initial position of a created aircraft, 56 bytes as it goes on the wire.
struct SimConnectInitPosition {
  double latitude = 0.0;  // degrees
  double longitude = 0.0; // degrees
  double altitude = 0.0;  // feet
  double pitch = 0.0;     // degrees
  double bank = 0.0;      // degrees
  double heading = 0.0;   // degrees
  std::uint32_t onGround = 0;
  std::uint32_t airspeed = 0; // knots
};
static_assert(sizeof(SimConnectInitPosition) == 56);

// The head of every message the simulator sends.
struct SimConnectRecv {
  std::uint32_t size;
  std::uint32_t version;
  std::uint32_t id;
};

// Called on the thread that calls SimConnect_CallDispatch, once per received message, with
// the whole message: size bytes starting at the head.
using SimConnectDispatchProc = void (*)(const SimConnectRecv* message, std::uint32_t size, void* context);

// Finds the simulator (SimConnect.cfg section for configIndex, then the fallbacks) and
// sends the open request. The window gets userMessage and the event is set whenever a
// message arrives or the connection is lost (null or 0 for none). A missing numbered
// configuration section gives simconnectInvalidArg, any other failure simconnectFail.
SimConnectResult SimConnect_Open(SimConnectClient** handle, const char* name, void* window, std::uint32_t userMessage,
                                 void* event, std::uint32_t configIndex);
// Sends what is still buffered, closes the connection and frees the client. Takes a few
// hundred milliseconds: a closing connection is given time to finish its I/O.
SimConnectResult SimConnect_Close(SimConnectClient* handle);
// Delivers the messages received up to the moment of the call, in arrival order; messages
// that arrive meanwhile wait for the next call. Returns the connection's loss status once
// it has been lost.
SimConnectResult SimConnect_CallDispatch(SimConnectClient* handle, SimConnectDispatchProc dispatch, void* context);
// The id of the packet most recently reserved on this client, by any thread. A caller that
// needs the id of its own packet takes it from the operation itself (packetId below).
SimConnectResult SimConnect_GetLastSentPacketID(SimConnectClient* handle, std::uint32_t* packetId);

SimConnectResult SimConnect_MapClientEventToSimEvent(SimConnectClient* handle, std::uint32_t eventId,
                                                     const char* eventName);
SimConnectResult SimConnect_TransmitClientEvent(SimConnectClient* handle, std::uint32_t objectId, std::uint32_t eventId,
                                                std::uint32_t data, std::uint32_t groupId, std::uint32_t flags);
SimConnectResult SimConnect_AddClientEventToNotificationGroup(SimConnectClient* handle, std::uint32_t groupId,
                                                              std::uint32_t eventId, bool maskable);
SimConnectResult SimConnect_SetNotificationGroupPriority(SimConnectClient* handle, std::uint32_t groupId,
                                                         std::uint32_t priority);
SimConnectResult SimConnect_AddToDataDefinition(SimConnectClient* handle, std::uint32_t definitionId,
                                                const char* datumName, const char* unitsName, std::uint32_t datumType,
                                                float epsilon, std::uint32_t datumId);
SimConnectResult SimConnect_RequestDataOnSimObject(SimConnectClient* handle, std::uint32_t requestId,
                                                   std::uint32_t definitionId, std::uint32_t objectId,
                                                   std::uint32_t period, std::uint32_t flags, std::uint32_t origin,
                                                   std::uint32_t interval, std::uint32_t limit);
SimConnectResult SimConnect_RequestDataOnSimObjectType(SimConnectClient* handle, std::uint32_t requestId,
                                                       std::uint32_t definitionId, std::uint32_t radiusMeters,
                                                       std::uint32_t objectType);
// An array count of 0 is sent as 1; the data must hold arrayCount (at least 1) x unitSize bytes.
SimConnectResult SimConnect_SetDataOnSimObject(SimConnectClient* handle, std::uint32_t definitionId,
                                               std::uint32_t objectId, std::uint32_t flags, std::uint32_t arrayCount,
                                               std::uint32_t unitSize, const void* data);
SimConnectResult SimConnect_SubscribeToSystemEvent(SimConnectClient* handle, std::uint32_t eventId,
                                                   const char* systemEventName);
// packetId, when not null, receives the id of this creation's packet once it is sent (the
// simulator names it in a creation-failed exception); it is taken while the packet is
// built, so another thread's packet cannot come in between.
SimConnectResult SimConnect_AICreateNonATCAircraft(SimConnectClient* handle, const char* containerTitle,
                                                   const char* tailNumber, const SimConnectInitPosition& position,
                                                   std::uint32_t requestId, std::uint32_t* packetId = nullptr);
SimConnectResult SimConnect_AIReleaseControl(SimConnectClient* handle, std::uint32_t objectId, std::uint32_t requestId);
SimConnectResult SimConnect_AIRemoveObject(SimConnectClient* handle, std::uint32_t objectId, std::uint32_t requestId);
SimConnectResult SimConnect_AISetAircraftFlightPlan(SimConnectClient* handle, std::uint32_t objectId,
                                                    const char* flightPlanPath, std::uint32_t requestId);
