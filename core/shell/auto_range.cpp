#include "core/shell/auto_range.h"

#include "core/settings/parameters.h"
#include "core/settings/settings_version.h"
#include "core/shell/control_refresh.h"

#include <atomic>
#include <cmath>

namespace {
std::atomic<AutoRangeSource> autoRangeSource{nullptr};
}

std::int32_t gf_autoRangeNm(const AutoRangeSituation& situation, std::int32_t aboveHeightFt,
                            std::int32_t airportHeightFt) {
  if (situation.onGround) return 10;
  if (situation.altitudeFt > aboveHeightFt) return 100;
  if (situation.altitudeFt > airportHeightFt) return 40;
  const double d = situation.firstParkAirport ? gf_distanceNm(situation.user, *situation.firstParkAirport) : 10000.0;
  if (d <= 7.0) return 10;
  if (d < 37.0) return gf_quantizeRange(static_cast<std::int32_t>(std::lround(d)) + 3);
  return 40;
}

void gf_setAutoRangeSource(AutoRangeSource source) { autoRangeSource.store(source); }

void gf_applyAutoRange() {
  const auto source = autoRangeSource.load();
  if (source == nullptr) return;
  const auto previous = RANGE.get();
  gf_setRange(gf_autoRangeNm(source(), AR_ABOVE_HEIGHT.get(), AIRP_HEIGHT.get()));
  if (RANGE.get() != previous) gf_refreshIntControl(RANGE);
}
