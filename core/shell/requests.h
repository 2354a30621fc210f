#pragma once
// What the window hands to the worker. The window's handlers run on the GUI thread and
// must not touch live traffic's containers or the simulator queues, which the worker owns:
// they set a request here and the worker serves it on its own schedule and clears it.
#include "core/geodesy.h"

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>

// Served by the per-second step.
extern std::atomic<bool> flushStaticRequested; // remove all static aircraft
extern std::atomic<bool> blockRequested;       // BLOCK_CALLSIGN changed
// Served by the 15-second step.
extern std::atomic<bool> rereadRequested; // re-read the park airports file
extern std::atomic<bool> replanRequested; // re-plan the static parking
// Served by the worker's next turn.
extern std::atomic<bool> navLightsRequested;         // NAV_LIGHTS_WHILE_PARKED changed: tell the parked aircraft
extern std::atomic<bool> maxLiveRequested;           // MAX_LIVE_SEL changed: apply the live limit
extern std::atomic<bool> autoRangeRequested;         // AUTO_RANGE switched on: set the range once now
extern std::atomic<bool> liveryTablesClearRequested; // empty the livery tables, so the next run builds them

// The park airport's file has been read; the parking settings act only then.
extern std::atomic<bool> parkAirportLoaded;
// A per-airport setting changed since the park airport was read: its learned file is
// saved when the park airport is left.
extern std::atomic<bool> learnedParamChanged;
// A static-parking round is being processed; its controls are off meanwhile.
extern std::atomic<bool> parkBusy;

// RANGE as the user chose it, kept while AUTO_RANGE is on.
extern std::atomic<std::int32_t> savedManualRange;
// The user's own MAX_LIVE_SEL, kept while no park airport is loaded.
extern std::atomic<std::int32_t> userMaxLive;

// A new destination makes its airport the first park airport.
struct FirstParkAirportRequest {
  std::string code;
  GeoPosition position;
};
void gf_requestFirstParkAirport(FirstParkAirportRequest request);
// The latest request, once; none when nothing is pending.
std::optional<FirstParkAirportRequest> gf_takeFirstParkAirportRequest();

// The reset before a restart.
void gf_resetRequests();
