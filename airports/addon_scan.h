#pragma once
// The add-on airport scan: finds the folders of the simulator's add-on scenery (or takes
// the user's afolder0..afolder9), searches them for BGL files with airports, leaves a link
// or a generated stand file for each airport in airports/my_ORBX and airports/my_thirdparty,
// writes output/info/AirportsScanLog.txt and sets aside in TBLO the generated files of
// airports that can be learned offline.
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

inline const std::filesystem::path airportsScanLogName = "AirportsScanLog.txt";

struct AddonScanSetup {
  std::filesystem::path sceneryConfigFolder; // holds scenery.cfg and scenery_add-ons.xml; empty: the
                                             // simulator version's (gf_sceneryConfigFolder)
  std::filesystem::path installFolder;       // the simulator's
  std::filesystem::path stockFolder;         // the simulator's own scenery
  // Whether the archive's stock file of an airport qualifies it for offline learning.
  std::function<bool(const std::string& code)> suitableForOfflineLearning;
  // The publisher of a scenery file from its path.
  std::function<std::string(const std::string& bglPath)> publisherOf;
};

// What the last scan came to.
struct AddonScanOutcome {
  bool complete = false;          // every folder searched to its end
  bool generated = false;         // a stand or link file was made
  std::int32_t problems = 0;      // scenery files not processed without problems
  std::int32_t writeFailures = 0; // files of the scan (stand, link, report, manifest, TBLO) not written
  bool simaddonHandled = true;    // every generated simaddon file went to TBLO or does not qualify
};

// The scan of this computer's simulator, as the worker runs it at the start of a run.
void gf_scanAddOnAirports();
// Its setup: the simulator's installation and scenery from the settings and the run's
// start, the publishers and the offline-learning check of the airport files.
AddonScanSetup gf_addonScanSetup();

// Runs on the calling thread (the worker). Errors the user must fix leave as
// UserErrorException: 49 manual mode without folders, 42 an afolder in the stock scenery.
// SCAN_AIRPORTS is cleared only after a scan that searched everything and wrote all it had
// to; otherwise the next start scans again (a damaged scenery file would be as damaged
// then, so it does not keep the flag).
AddonScanOutcome gf_scanAddOnAirports(const AddonScanSetup& setup);

// The manual mode's folders: afolder0..afolder9 in order, empty ones left out.
void lf_collectAfolders(std::vector<std::string>& folders, const std::filesystem::path& stockFolder);
