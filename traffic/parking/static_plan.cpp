#include "traffic/parking/static_plan.h"

#include <mutex>

WantedList wantedList;

void gf_reserveStaticParking() {
  static std::once_flag reserved;
  std::call_once(reserved, [] { wantedList.reserve(512); });
}

void gf_resetStaticParking() { wantedList.clear(); }
