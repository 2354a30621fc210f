#pragma once
// The state of static parking that the plan, the renewal and the stand searches share.
// Worker thread only.
#include "airports/stands.h"

#include <cstdint>
#include <string>
#include <unordered_set>
#include <vector>

// One active parked live aircraft at the park airport.
struct LiveParkedEntry {
  std::string callsign;
  std::int32_t unused = 0;
  std::int32_t standNumber = 0;
  std::int32_t minutesParked = 0;
};
using LiveParkedList = std::vector<LiveParkedEntry>;

struct ParkingState {
  // The callsigns the feed reported during the last collection window.
  std::unordered_set<std::string> seenCallsigns;
  LiveParkedList liveParkedList;
  // Options a search passed over because their aircraft is present already, by stand and
  // option number. The mark lasts until the next plan or renewal; the option itself keeps
  // its number, so the learned file keeps it.
  std::unordered_set<std::uint64_t> skippedOptions;
  // The soft positions the last search found, for the window.
  bool softFound = false;
};

extern ParkingState parking;

// The option takes part in searches: it is in use and not passed over in this round.
bool gf_optionUsable(const StandData& stand, const StandOptionData& option);
void gf_skipOption(const StandData& stand, const StandOptionData& option);
// Before each plan and renewal.
void gf_clearOptionSkips();
