#pragma once
// The airport the user aircraft stands at.
#include "airports/airport_list.h"
#include "core/geodesy.h"

#include <optional>

inline constexpr double airportReachNm = 5.0;

// The nearest airport within 5 nm of the position; when a second one lies within 5 nm too,
// the one whose stand file has the stand nearest to the position (the nearer airport on a
// tie, or when neither file can be had). None when no airport is that close.
std::optional<AirportData> gf_findClosestAirport(const GeoPosition& position);
