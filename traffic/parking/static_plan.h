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
  // Placements put off while the aircraft it replaces is still being removed.
  std::int32_t requeues = 0;
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
  // LEARN_SOFT as the user had it before the park airport's file was read (its learned
  // settings or its quality may change it), and as the reading left it: leaving the airport
  // gives the user's value back unless the user changed it meanwhile.
  bool userLearnSoft = false;
  bool learnSoftAfterLoad = false;
  bool learnSoftHeld = false;
};
extern StaticParkingState staticParking;

// Room for the plan, once per process.
void gf_reserveStaticParking();
// The static parking of a run back to its start before a restart.
void gf_resetStaticParking();

struct GeoPosition;

// The static-parking step, every 16 seconds and once with the message when a run enters
// its main loop.
void gf_updateParkAirport(bool showMessage);
// Loads the current park airport's stands; an error text, empty on success.
std::string lf_readParkedFile();
void lf_planStaticParking();
std::int32_t lf_computeWantedStatics();
WeekTime lf_logWeekTime();
void lf_excludeReservedAndUserStand();
void lf_takeCollectedCallsigns();
void lf_searchRealThenSoft(WeekTime week, std::int32_t target, std::int32_t counted);
void lf_searchStandsOfKind(WeekTime week, std::int32_t target, std::int32_t counted, bool real);
bool lf_searchStandsUpToMaxFit(WeekTime week, bool real, std::int32_t target, WantedList& batch);
// Clears the marks of the last plan on every stand.
void lf_clearStandMarks();
// The user aircraft's position as live traffic last asked for it.
GeoPosition gf_userPosition();
