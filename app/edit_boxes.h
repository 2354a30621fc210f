#pragma once
// What Enter does in the main window's five edit boxes: the simulator install path, a
// callsign to block, a destination airport, the static-parking percentage and the maximum
// fit in hours. A typed value takes effect only on Enter; a wrong one is answered on the
// status line and the box shows the stored value again.
#include "core/geodesy.h"

#include <cstdint>
#include <optional>
#include <string>

// Enter in the box with that control id, with the box's text (UTF-8). GUI thread.
void gf_enterEditText(std::uint16_t controlId, const std::string& text);

// Ends the blocking of BLOCK_CALLSIGN (also the "Unblock" button); nothing when none is set.
void gf_unblockCallsign();
// Sets DESTINATION, saves it and makes the airport the first park airport (also used by
// the worker's start-up to apply a stored destination again).
void gf_applyDestination(const std::string& code, const GeoPosition& position);
// A static-parking setting changed: the re-plan is requested while a park airport is loaded.
void gf_parkingSettingChanged();

// Where the airports file places an airport (exact code); none when it is not listed.
using AirportLookup = std::optional<GeoPosition> (*)(const std::string& code);
// Installed by whoever holds the airport list; without one every destination is unknown.
void gf_setAirportLookup(AirportLookup lookup);
