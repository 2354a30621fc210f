#pragma once
// What live traffic wants done in the simulator, queued on its own thread and sent by the
// SimClient thread in one burst at the simulator's next Frame event: creations, client
// events, removals and the position of every active aircraft.
#include "simlink/sim_ids.h"
#include "simlink/simconnect/simconnect.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

// One creation: the initial position (angles in degrees), the callsign that goes out as the
// tail number and identifies the new object, the livery title and the aircraft's hexid
// (at most 10000 for a static aircraft).
struct CreateAcData {
  SimConnectInitPosition position;
  std::string callsign;
  // Owned by the livery tables, which outlive every queued creation.
  std::string_view title;
  std::int32_t hexId = 0;
};

struct ClientEventData {
  std::int32_t objectId = 0;
  SimEventId eventId = SimEventId::NAV_LIGHTS_SET;
  std::int32_t data = 0;
  bool operator==(const ClientEventData&) const = default;
};

// Switch states (1 on, 0 off) of one aircraft's lights.
struct LightsData {
  std::int32_t nav = 0;
  std::int32_t beacon = 0;
  std::int32_t landing = 0;
  std::int32_t taxi = 0;
  std::int32_t strobes = 0;
  std::int32_t logo = 0;
  std::int32_t cabin = 0;
};

// One object's position for one frame. The eight values are sent as they stand, as the
// 64-byte block of the position definition.
struct AcPositionData {
  double latitude = 0.0;      // degrees
  double longitude = 0.0;     // degrees
  double pitch = 0.0;         // radians
  double bank = 0.0;          // radians
  double heading = 0.0;       // true, radians
  double altitude = 0.0;      // feet
  double verticalSpeed = 0.0; // feet per second
  double trueAirspeed = 0.0;  // knots
  std::int32_t objectId = 0;
};
static_assert(offsetof(AcPositionData, objectId) == 64, "the eight values form the position block");

struct SimCommandQueues {
  // Guards everything here except the contents of the buffer fillBuffer points to, which
  // belong to live traffic between two hand-overs. Plain: never locked twice by one thread.
  std::mutex commandMutex;
  std::vector<CreateAcData> createQueue;
  std::vector<ClientEventData> eventQueue;
  std::vector<std::int32_t> removeQueue;
  std::array<std::vector<AcPositionData>, 2> positionBuffers;
  // Live traffic appends its positions to *fillBuffer during a tick; the Frame handler sends
  // *sendBuffer. The two are exchanged only under commandMutex.
  std::vector<AcPositionData>* fillBuffer = &positionBuffers[0];
  std::vector<AcPositionData>* sendBuffer = &positionBuffers[1];
};

extern SimCommandQueues simCommands;

// Each of these takes commandMutex for its append; call them without holding it.
void gf_queueCreateAc(const CreateAcData& creation);
void gf_queueClientEvent(const ClientEventData& event);
// The seven light events of the object under one lock: nav, beacon, landing, taxi, strobes,
// logo, cabin.
void gf_queueLights(std::int32_t objectId, const LightsData& lights);
void gf_queueCabinLights(std::int32_t objectId, std::int32_t value);
void gf_queueRemoveAc(std::int32_t objectId);

// Live traffic's hand-over of the positions it appended to *fillBuffer this tick: exchanges
// the buffers when commandMutex is free (positions of an earlier tick that no Frame sent are
// dropped for the newer ones); when it is busy, drops this tick's batch at a frame rate of at
// most 50 and waits for the mutex above. Returns whether the batch was handed over.
bool gf_handOverPositions();

// A SimConnect request failed: shows "SimConnect request error", sets the error flag (from
// the next Frame on nothing more is sent) and, unless a stop is pending, ends the run with
// SIMCONNECT ERROR and a restart after 9 s. Callable from any thread, holding commandMutex or
// not; never throws.
void gf_handleSimConnectError() noexcept;
