#pragma once
// The static parking plan: the park airport's stands loaded, how many static aircraft are
// wanted, and which ones, from the learned week schedule of the stands. Worker thread only.
#include "core/time.h"

#include <cstdint>
#include <string>
#include <vector>

struct WantedStatic {
  std::uint32_t standNumber = 0;
  std::int32_t fitHalfHours = 0; // the option covers the half-hour this many half-hours before now
  std::string airline;
  std::string type;
  std::string callsign;
  std::string coupledCallsign;
  std::string registration;
  bool staysOn = false;
};

using WantedList = std::vector<WantedStatic>;
extern WantedList wantedList;

struct StaticParkingState {
  std::int32_t wantedCount = 0;   // parked aircraft wanted at the park airport, 0: no limit
  std::int32_t wantedPercent = 0; // for the window
  std::int32_t realFitReached = 0;
  std::int32_t softFitReached = -1;
  bool parkStart = false;          // a park airport was chosen: load its stands and plan
  bool softLearningAllowed = true; // the airport's learned real data is too poor to skip soft learning
  bool userLearnSoft = false;      // LEARN_SOFT as the user had it before an airport cleared it
  bool learnSoftCleared = false;
};
extern StaticParkingState staticParking;

// Room for the plan, once per process.
void gf_reserveStaticParking();
// The static parking of a run back to its start before a restart.
void gf_resetStaticParking();
