#pragma once
// The renewal of the static aircraft every 20 minutes and after a change of the parking
// settings, clearing the ground traffic when the park airport changes, and leaving the park
// airport, which saves what was learned there. Worker thread only.
#include "core/time.h"
#include "traffic/parking/static_plan.h"

#include <cstdint>
#include <string>
#include <vector>

struct AircraftData;

struct KeptStatic {
  std::string callsign; // as shown, with its '*'
  std::string optionCallsign;
  std::string optionCoupledCallsign;
  std::string registration;
  std::string airline;
  std::string type;
  WeekTime parkedSince;
  std::int32_t standNumber = 0;
  bool replace = false; // re-created under its departure callsign
};

struct StaticRemoval {
  std::string callsign;
  std::int32_t standNumber = 0;
};

using KeptList = std::vector<KeptStatic>;
using RemovalList = std::vector<StaticRemoval>;
extern KeptList keptList;
extern RemovalList removalList;

void gf_adjustParking();
void lf_classifyStatics(WeekTime now);
void lf_resolveStandClaim(const AircraftData& aircraft, std::size_t wantedIndex, WeekTime now);
void lf_trimToWanted(std::int32_t wanted);
void gf_clearGroundTraffic();
void lf_leaveParkAirport();
void gf_clearRenewalLists();
