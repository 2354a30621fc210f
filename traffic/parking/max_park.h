#pragma once
// The limit of parked aircraft at the park airport, and the live aircraft that stand at
// their stands long after the feed stopped reporting them. Worker thread only.
#include <cstdint>
#include <vector>

struct ParkedSeconds {
  std::uint32_t hexid = 0;
  std::int64_t seconds = 0;
};

// A live aircraft takes a stand; extra is 1 while it is not counted as parked yet.
void gf_checkMaxPark(std::int32_t extra);
// The active parked live aircraft, longest parked first.
std::vector<ParkedSeconds> lf_listLiveParkedBySeconds();
// Removes the n live aircraft parked longest.
void lf_removeLongestParkedLive(std::int32_t n);
// Fills the parked-live list of the renewal; removes live aircraft parked too long without
// a report.
void lf_buildLiveParkedList();
