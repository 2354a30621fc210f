#pragma once
// A stand-in simulator installation's scenery: add-on airports KLAX and EHAM built from real
// parking positions, registered the ways the simulator knows (its scenery library and an
// add-on package list), beside scenery files without airports, airports the scan must pass
// by (stock scenery, an inactive area, statics) and files that are no scenery at all.
#include "bgl_writer.h"

#include <filesystem>
#include <string>
#include <vector>

namespace bglwriter {

struct InstallationScenery {
  std::filesystem::path simulator;    // the simulator's folder; its stock scenery is simulator/Scenery
  std::filesystem::path configFolder; // where the simulator keeps scenery.cfg and scenery_add-ons.xml
  std::filesystem::path standsFolder; // KLAX.parking.xml and EHAM.parking.xml
};

// What the scan of the written scenery must find: airport code and scenery file.
struct ExpectedAirport {
  std::string code;
  std::filesystem::path bglFile;
  std::size_t parkingCount = 0;
};

std::vector<ExpectedAirport> writeInstallationScenery(const InstallationScenery& where);

// Small files that show every structure the scan reads, for the fuzzer's seed corpus.
std::vector<std::pair<std::string, File>> seedFiles();

} // namespace bglwriter
