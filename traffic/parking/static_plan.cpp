#include "traffic/parking/static_plan.h"

#include "traffic/parking/parking_state.h"

#include <mutex>

WantedList wantedList;
StaticParkingState staticParking;

void gf_reserveStaticParking() {
  static std::once_flag reserved;
  std::call_once(reserved, [] {
    wantedList.reserve(512);
    parking.liveParkedList.reserve(64);
  });
}

void gf_resetStaticParking() {
  wantedList.clear();
  staticParking.parkStart = false;
  staticParking.softLearningAllowed = true;
  parking.skippedOptions.clear();
  parking.seenCallsigns.clear();
}
