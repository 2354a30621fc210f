#pragma once
// Reading a learned file on top of the park airport file: its per-airport settings, its
// learned options, hand-made stands and changed radius and cargo marks, or, for a handmade
// file, stands that replace the park airport file's.
#include "airports/park_airport.h"

#include <filesystem>
#include <string_view>

// Applies and merges the learned file at `path` (which exists). Everything that goes wrong
// is logged here and leaves the state NotMerged; the stands and settings read until then
// stay.
void gf_readLearned(const std::filesystem::path& path, const ParkAirportFileInfo& info, StandList& stands,
                    ParkLearnedFile& learned);

// The choice of MAX_LIVE_SEL for a learned MAX_LIVE value.
std::int32_t gf_quantizeMaxLive(std::int32_t value);
