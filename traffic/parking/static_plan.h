#pragma once
// The static aircraft the park airport's plan still wants placed. Worker thread only.
#include <cstdint>
#include <string>
#include <vector>

struct WantedStatic {
  std::uint32_t standNumber = 0;
  std::int32_t fitHalfHours = 0;
  std::string airline;
  std::string type;
  std::string callsign;
  std::string coupledCallsign;
  std::string registration;
  bool staysOn = false;
};

using WantedList = std::vector<WantedStatic>;
extern WantedList wantedList;

// Room for the plan, once per process.
void gf_reserveStaticParking();
// The static parking of a run back to its start before a restart.
void gf_resetStaticParking();
