#include "traffic/parking/parking_state.h"

ParkingState parking;

namespace {

std::uint64_t lf_optionKey(const StandData& stand, const StandOptionData& option) {
  return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(stand.number)) << 32) |
         static_cast<std::uint32_t>(option.number);
}

} // namespace

bool gf_optionUsable(const StandData& stand, const StandOptionData& option) {
  if (option.number == 0) return false;
  return parking.skippedOptions.empty() || !parking.skippedOptions.contains(lf_optionKey(stand, option));
}

void gf_skipOption(const StandData& stand, const StandOptionData& option) {
  parking.skippedOptions.insert(lf_optionKey(stand, option));
}

void gf_clearOptionSkips() { parking.skippedOptions.clear(); }
