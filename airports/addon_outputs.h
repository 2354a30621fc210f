#pragma once
// What the add-on airport scan leaves behind for each airport it reads from the scenery: a
// link file naming an archived stand file of the airport, a stand file generated from the
// scenery's parking positions, or both, in airports/my_ORBX (publisher "simaddon") or
// airports/my_thirdparty (all others).
//
// The scan owns only the files it wrote: it lists them in a manifest, so the next scan
// replaces and removes exactly those and never a stand file the user put there. When two
// scenery files hold the same airport, the one the simulator shows wins, whichever worker
// finishes first: the file of the later folder in the scan list (a higher scenery layer),
// and within a folder the later path.
#include "airports/bgl_records.h"

#include <atomic>
#include <compare>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <vector>

struct SceneryRank {
  std::int32_t folder = 0;
  std::int32_t file = 0;
  std::int32_t airport = 0; // within the file
  auto operator<=>(const SceneryRank&) const = default;
};

// The scan's list of the files it wrote, in the airports folder.
std::filesystem::path gf_addonManifestFile();

// Set when this scan generated a stand file or made a link file.
extern std::atomic<bool> airportGenerated;

// The publisher of the scenery a file belongs to, from its path: "simaddon", "unknown" or
// a publisher of the reference data.
using PublisherOf = std::function<std::string(const std::string& bglPath)>;

// Before a scan's first folder: reads the last scan's manifest and forgets the last scan.
void gf_beginAddonOutputs(PublisherOf publisherOf);
// For one airport of a scenery file, on the file's worker: the link and the generated
// file. False when a file could not be written.
bool lf_processAirportRecord(BglAirport airport, const std::string& bglPath, SceneryRank rank);
// After the last folder: one line for each airport found in more than one scenery file.
std::vector<std::string> gf_duplicateAirportLines();
// The codes of the stand files this scan generated in a folder, in code order.
std::vector<std::string> gf_generatedCodes(const std::filesystem::path& folder);
// A file of this scan removed again (by the offline-learning collection).
void gf_forgetAddonOutput(const std::filesystem::path& file);
// After a scan: brings the files this scan wrote to the disk, all at once; then a complete
// scan removes what the last scan wrote and this one did not, one cut short keeps it.
// Writes the manifest; false when the files or the manifest could not be written.
bool gf_finishAddonOutputs(bool complete);
// Writes that failed during this scan.
std::int32_t gf_addonWriteFailures();
