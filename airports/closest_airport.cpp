#include "airports/closest_airport.h"

#include "airports/airport_probes.h"
#include "core/log.h"

#include <cmath>
#include <fmt/format.h>

std::optional<AirportData> gf_findClosestAirport(const GeoPosition& position) {
  // One arc minute of latitude is one nautical mile: an airport farther north or south
  // than this is farther away, whatever its longitude.
  const double latitudeReach = airportReachNm / 60.0;
  const AirportData* best = nullptr;
  const AirportData* neighbour = nullptr;
  double bestDistance = 100.0;
  double neighbourDistance = 100.0;
  for (const auto& airport : airportList) {
    if (std::abs(airport.lat - position.latitude) > latitudeReach) continue;
    const double distance = gf_distanceNm(position, {airport.lat, airport.lon});
    if (distance > airportReachNm) continue;
    // The two nearest, whatever their order in the list.
    if (distance < bestDistance) {
      neighbour = best;
      neighbourDistance = bestDistance;
      best = &airport;
      bestDistance = distance;
    } else if (distance < neighbourDistance) {
      neighbour = &airport;
      neighbourDistance = distance;
    }
  }
  if (best == nullptr) return std::nullopt;
  if (neighbour == nullptr) return *best;
  gf_log(fmt::format("Airport {} is closest, neighbour is {}", best->code, neighbour->code));
  std::string bestStand;
  std::string neighbourStand;
  const double bestStandNm = gf_readDestApfForClosestStand(best->code, position, bestStand);
  const double neighbourStandNm = gf_readDestApfForClosestStand(neighbour->code, position, neighbourStand);
  if (bestStandNm <= neighbourStandNm) return *best;
  gf_log(fmt::format("Airport {} is closest, but stand {} at neighbouring airport {} is closer at {:.0F} meters ...",
                     best->code, neighbourStand, neighbour->code, neighbourStandNm * 1852.0));
  return *neighbour;
}
