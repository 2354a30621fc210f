#pragma once
// The SimConnect calls live traffic and the run make directly, outside the Frame's queues.
// Those that say so take the command mutex themselves: call them without holding it. A
// failure that ends the link's flow calls gf_handleSimConnectError.
#include <cstdint>
#include <string>

// ALL_LIGHTS_TOGGLE for one object (data 0); a failure logs "SimConnect gf_allLightsToggle
// fails". Takes the command mutex.
void gf_allLightsToggle(std::int32_t objectId);
// Asks for the ground data of every aircraft within the radius; nothing while the error flag
// is set. A failure logs "SimConnect request ac within range fails". Takes the command mutex.
void gf_requestAircraftInRange(std::int32_t radiusMetres);
// Asks once for the static CG height and pitch of a new object; a failure logs "SimConnect
// request StaticCG fails". Takes the command mutex.
void gf_requestStaticCg(std::int32_t objectId);
// Asks for the user aircraft's on-ground state every second (once per run); a failure logs
// "SimConnect request ac gnd/air fails". Takes the command mutex.
void gf_requestUserOnGroundEverySecond();
// Gives the object its flight plan file; true when the call was accepted. Failures are the
// caller's to log. Takes the command mutex.
bool gf_setAircraftFlightPlan(std::int32_t objectId, const std::string& path);
// Spoilers handle and the two throttle levers, in percent. Needs no mutex (the client library
// builds each packet under its own lock); the result is the caller's to ignore.
std::int32_t gf_setAircraftControls(std::int32_t objectId, double spoilers, double throttle1, double throttle2);
