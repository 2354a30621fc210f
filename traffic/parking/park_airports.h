#pragma once
// The current park airport as live traffic's other steps see it, and the user's stand there
// that static parking keeps free. Worker thread only.
#include <optional>
#include <string>

// The name of the stand kept free for the user aircraft; empty when none.
extern std::string reservedStand;

// The field elevation of the current park airport in feet; none while no park airport is set.
std::optional<double> gf_parkAirportElevation();
