#include "traffic/parking/static_placement.h"

#include "airports/stands.h"
#include "traffic/parking/static_plan.h"

void lf_placeNextStatic() {
  if (wantedList.empty() || standList.empty()) return;
  // Nothing plans static aircraft yet, so nothing is placed: the entry is consumed unplaced.
  wantedList.pop_back();
}

std::string gf_standName(std::int32_t number) {
  if (number == 0) return "sid==0?";
  for (const auto& stand : standList)
    if (stand.number == number) return stand.name;
  return "unknown";
}
