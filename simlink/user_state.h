#pragma once
// The user aircraft as the simulator reports it: its full state (position, attitude, height
// above the ground, ground speed, the simulator's UTC time and the lights), whether it
// stands on the ground, its title, the stand under it and half its wing span. The SimClient
// thread writes it from the replies to four requests; other threads take copies.
#include "core/geodesy.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>

// The reply block of the user-state definition, in its order.
struct UserAcData {
  double latitude = 0.0;            // degrees
  double longitude = 0.0;           // degrees
  double pitch = 0.0;               // radians
  double bank = 0.0;                // radians
  double heading = 0.0;             // true, radians
  double altitude = 0.0;            // feet, never negative
  double altitudeAboveGround = 0.0; // feet
  double groundSpeed = 0.0;         // knots
  std::int64_t zuluTime = 0;        // seconds of the day
  std::int64_t zuluDayOfYear = 0;   // 1 = 1 January
  std::int64_t zuluYear = 0;
  std::int64_t lightStates = 0; // mask
};

// A position counts as known once it is more than 1e-4 degrees away from 0, 0.
bool gf_userPositionKnown(const UserAcData& data);

struct LinkUserState {
  // Guards every field here; the SimClient thread writes under it, readers copy under it.
  std::mutex mutex;
  UserAcData data;
  GeoPosition previousPosition;   // of the previous full-state reply, for the teleport test
  std::string title;              // at most 48 bytes
  std::string standName;          // the stand under the user aircraft, empty for none
  std::optional<double> halfSpan; // nautical miles, empty until the model is known
};

extern LinkUserState linkUserState;
// Written by the SimClient thread from the per-second on-ground replies.
extern std::atomic<bool> userOnGround;
extern std::atomic<bool> userOnGroundKnown;
extern std::atomic<bool> userPositionKnown;
// The simulator's UTC time in seconds since 1970, kept while RealTraffic is the professional
// edition (0 until then).
extern std::atomic<std::int64_t> simUtcSeconds;

// Asks the simulator once for the user aircraft's full state (unless the error flag is set;
// a failed request logs "SimConnect request user ac position fails" and calls
// gf_handleSimConnectError) and returns the last state received. The answer comes later:
// callers poll. Takes the command mutex: call it without holding that.
UserAcData gf_requestUserAcPosition();
// Asks once for the user aircraft's title and its ATC model. Takes the command mutex.
void gf_requestUserAcTitleAndModel();
// The last full state received, without asking for a new one.
UserAcData gf_userAcData();
// Half the user aircraft's wing span in nautical miles; empty until its model is known.
std::optional<double> gf_userHalfSpanNm();
std::string gf_userTitle();

// Everything above back to its start (the run's reset).
void gf_resetUserState();
