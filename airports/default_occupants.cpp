#include "airports/default_occupants.h"

#include "core/random.h"
#include "core/refdata/lookups.h"

#include <fmt/format.h>
#include <stdexcept>
#include <utility>
#include <vector>

namespace {

using Pair = std::pair<std::string_view, std::string_view>; // airline, type
using Pairs = std::vector<Pair>;

const Pairs helipadPairs{{"PVT", "EC35"}};
const Pairs cargoPairs{{"FDX", "C208"}, {"FDX", "B752"}, {"FDX", "B763"}, {"UPS", "A306"}, {"DHK", "B763"}};
const Pairs rampPairs{{"PVT", "C172"}, {"PVT", "C206"}, {"PVT", "P28A"}, {"PVT", "PC12"}, {"PVT", "C550"},
                      {"PVT", "TBM9"}, {"PVT", "LJ25"}, {"PVT", "GLF6"}, {"PVT", "FA6X"}, {"PVT", "FA8X"},
                      {"PVT", "GLF4"}, {"PVT", "GLF5"}, {"PVT", "LJ60"}, {"PVT", "DHC7"}, {"PVT", "DH8A"},
                      {"PVT", "DH8C"}, {"PVT", "E550"}, {"PVT", "CL30"}, {"PVT", "GA6C"}};
const Pairs canadaPairs{{"ACA", "B789"}, {"ACA", "B38M"}, {"ROU", "A321"}, {"JZA", "CRJ9"}};
const Pairs europePairs{{"KLM", "B77W"}, {"SAS", "A320"}, {"EZY", "A320"}, {"RYR", "B738"},
                        {"DLH", "A320"}, {"KLM", "B738"}, {"BAW", "A21N"}};
const Pairs usaPairs{{"UAL", "B77W"}, {"DAL", "B739"}, {"JBU", "BCS3"}, {"FFT", "A320"}, {"UAL", "B78X"},
                     {"UAL", "B738"}, {"AAL", "B738"}, {"SKW", "E75L"}, {"SWA", "B737"}, {"FFT", "A320"}};
const Pairs asiaPairs{{"ANA", "A20N"}, {"JAL", "A35K"}, {"JAL", "B738"}};
const Pairs chinaPairs{{"CSA", "A320"}, {"CES", "A333"}, {"CES", "A321"}};
const Pairs anywherePairs{{"ZZZ", "B738"}};

// The region's table, none for a region without one.
const Pairs* lf_regionPairs(std::string_view code) {
  switch (code.empty() ? ' ' : code.front()) {
  case 'C':
    return &canadaPairs;
  case 'E':
    return &europePairs;
  case 'K':
    return &usaPairs;
  case 'R':
    return &asiaPairs;
  case 'Z':
    return &chinaPairs;
  default:
    return nullptr;
  }
}

void lf_addFittingPairs(const StandData& stand, const Pairs& pairs, Pairs& candidates) {
  for (const auto& pair : pairs)
    if (gf_standFitsSize(stand, gf_halfWingspanNm(pair.second))) candidates.push_back(pair);
}

Pairs lf_candidates(const StandData& stand, std::string_view code) {
  Pairs candidates;
  if (stand.heli)
    return helipadPairs;
  else if (stand.cargo)
    lf_addFittingPairs(stand, cargoPairs, candidates);
  else if (stand.ramp)
    lf_addFittingPairs(stand, rampPairs, candidates);
  else if (const auto* region = lf_regionPairs(code))
    lf_addFittingPairs(stand, *region, candidates);
  else
    candidates = anywherePairs;
  return candidates;
}

} // namespace

void gf_addDefaultOccupants(StandList& stands, std::string_view code, WeekTime when) {
  if (when.slot < 0 || when.slot >= slotsPerDay) throw std::out_of_range("invalid bitset position");
  const std::uint64_t hours = std::uint64_t{1} << when.slot;
  std::int32_t u = 1;
  for (auto& stand : stands) {
    const auto candidates = lf_candidates(stand, code);
    if (candidates.empty()) continue;
    const auto& [airline, type] = candidates[gf_randomIndex(static_cast<std::int64_t>(candidates.size()))];
    stand.options.push_back({std::string(airline),
                             std::string(type),
                             fmt::format("REGFAKE{}", u),
                             fmt::format("FAKE{}", u),
                             {},
                             hours,
                             gf_nextOptionNumber(stand.options),
                             when.day,
                             1,
                             false});
    ++u;
  }
}

void gf_addDefaultOccupants(std::string_view code) { gf_addDefaultOccupants(standList, code, gf_weekTime()); }
