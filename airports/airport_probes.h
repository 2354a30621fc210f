#pragma once
// Looks into the stand file of an airport that is not (or not yet) the park airport.
#include "core/geodesy.h"

#include <string>
#include <string_view>

// The distance in nm from the position to the nearest stand of the airport's stand file,
// whose id goes into standId; 100 (standId unchanged) when there is no file or no stand.
double gf_readDestApfForClosestStand(std::string_view code, const GeoPosition& position, std::string& standId);

// Whether the airport's stock file has a quality factor of 0 or more and was learned over
// more than 26 weeks of RealTraffic data: the add-on airport scan then sets aside the
// generated file of such an airport for offline learning.
bool gf_suitableForOfflineLearning(std::string_view code);
