#pragma once
// What a report of a known live aircraft may change of it: its route, its registration and
// airline, its callsign, and whether it is to be created again with its new identity.
// Worker thread only.
#include "feeds/traffic_data.h"
#include "records/aircraft.h"

// True when the report's position is to join the aircraft's stream; false when the report
// is refused or the aircraft leaves the simulator to come back with its new identity.
bool lf_acceptReport(LiveAircraft& aircraft, TrafficData& report);

// The report's destination and origin, where it has them and they differ.
void lf_updateRoute(LiveAircraft& aircraft, const TrafficData& report);
// A buffered aircraft takes the report's route, callsign and registration.
void lf_updateBufferedIdentity(LiveAircraft& aircraft, const TrafficData& report);
// False when the report completed or changed the aircraft's route (which it takes).
bool lf_routeUnchanged(LiveAircraft& aircraft, const TrafficData& report);
// False when the report's registration calls for another livery; the aircraft takes it.
bool lf_registrationUnchanged(LiveAircraft& aircraft, const TrafficData& report);
// True when the registration's own livery or its owner gave the aircraft another airline
// and type.
bool lf_regcodeLiveryChanged(LiveAircraft& aircraft, const TrafficData& report);
bool lf_registrationOwnerChanged(LiveAircraft& aircraft, const TrafficData& report);
// Forgets the aircraft's livery. While an aircraft with new livery is created again
// (GUID_CHANGES), it also goes back to its birth, so that its next creation chooses the
// livery and phase anew. Otherwise it keeps flying as the object it is: its title and phase
// stay, only the memory of its livery by hexid goes.
void lf_resetLivery(LiveAircraft& aircraft);
