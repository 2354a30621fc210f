#pragma once
// The automatic traffic range: small on the ground and near the park airport, wide high
// up. The run, the AUTO_RANGE box and the per-airport settings of a learned airport file
// apply it.
#include "core/geodesy.h"

#include <cstdint>
#include <optional>

// What the automatic range looks at.
struct AutoRangeSituation {
  bool onGround = false;
  double altitudeFt = 0.0;
  GeoPosition user;
  // The first park airport, none while the list of park airports is empty.
  std::optional<GeoPosition> firstParkAirport;
};

// The range in nm for a situation, with the heights of AR_ABOVE_HEIGHT and AIRP_HEIGHT.
std::int32_t gf_autoRangeNm(const AutoRangeSituation& situation, std::int32_t aboveHeightFt,
                            std::int32_t airportHeightFt);

// Where the situation comes from: the run installs it; without it nothing is applied.
using AutoRangeSource = AutoRangeSituation (*)();
void gf_setAutoRangeSource(AutoRangeSource source);

// Sets RANGE and the range in use to the automatic range now, and shows RANGE again when it
// changed.
void gf_applyAutoRange();
