#include "airports/quality.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <gsl/narrow>

namespace {

struct GroupScore {
  std::int64_t count = 0;
  std::int64_t bits = 0;
  std::uint32_t days = 0; // bit d: weekday d

  double score() const {
    if (count == 0) return 0.0;
    return static_cast<double>(std::min<std::int64_t>(20 * count, 4000) + 10000 + 100 * std::popcount(days) +
                               2 * std::min<std::int64_t>(bits, 600));
  }
};

std::int32_t lf_factor(double sum, std::size_t standCount) {
  const double value = std::round(sum / static_cast<double>(standCount) / 160.0);
  return std::clamp(gsl::narrow<std::int32_t>(value), 0, 100);
}

} // namespace

QualityFactors gf_computeQualityFactors(const StandList& stands) {
  const bool anyOption =
      std::any_of(stands.begin(), stands.end(), [](const StandData& stand) { return !stand.options.empty(); });
  if (!anyOption) return {-1, -1};
  double realSum = 0.0;
  double softSum = 0.0;
  for (const auto& stand : stands) {
    GroupScore real;
    GroupScore soft;
    for (const auto& option : stand.options) {
      if (option.number == 0) continue;
      auto& group = option.real ? real : soft;
      ++group.count;
      group.bits += std::popcount(option.hours & ((std::uint64_t{1} << slotsPerDay) - 1));
      if (option.day >= 1 && option.day <= 7) group.days |= 1u << option.day;
    }
    realSum += real.score();
    softSum += soft.score();
  }
  return {lf_factor(realSum, stands.size()), lf_factor(softSum, stands.size())};
}
