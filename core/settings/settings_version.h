#pragma once
// What the first start of a new version does to the settings, and the traffic range.
#include <cstdint>
#include <set>
#include <string>

// A range in nm mapped onto one of RANGE's choices.
std::int32_t gf_quantizeRange(std::int32_t nm);

// The radius in metres the simulator is asked for aircraft within a range of nm nautical
// miles: all the traffic filter admits at that range, on the simulator's earth (never less
// than nm x 1852), held within int32.
std::int32_t gf_rangeMetres(std::int32_t nm);

// Sets the traffic range in memory (nothing is saved): RANGE clamped to its limits, with
// its row selected when the value is a choice, and rangeNm and rangeMetres from the
// argument itself.
void gf_setRange(std::int32_t nm);

// Run by gf_loadParameters right after the file was read, with the names of the entries
// the file held before missing ones were added. When the stored PROGRAM_VERSION is older
// than the running version, the settings of older versions that the file holds are
// converted into the drop-down settings that replaced them, the installer an update left
// is removed, and both scans are switched on. The stored version becomes the running one.
void gf_updateSettingsVersion(const std::set<std::string>& namesInFile);
