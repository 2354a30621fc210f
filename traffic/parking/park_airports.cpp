#include "traffic/parking/park_airports.h"

std::string reservedStand;

// No park airport is chosen before the park airports are read and one is in reach.
std::optional<double> gf_parkAirportElevation() { return std::nullopt; }
