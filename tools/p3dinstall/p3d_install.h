#pragma once
// A stand-in Prepar3D v5 installation for the livery scan: SimObjects folders with aircraft
// folders, aircraft.cfg and sim.cfg files with [fltsim.N] sections in the varieties AI
// libraries write them, model and texture folders and air files, the add-on packages with
// their add-on.xml, add-ons.cfg and simobjects.cfg, files in every encoding the simulator
// reads, and the hostile cases a user's disk holds (huge files, endless lines, binary junk,
// names of other hosts, titles too long to create, duplicates, a folder it cannot read).
//
// Beside the files it writes a manifest of what the scan must make of them: the liveries,
// every report file's lines and the folders the automatic scan finds. The manifest follows
// from the generator's own choices and the reference data below, never from reading the
// files back.
#include "core/refdata/dbase_tables.h"

#include <cstdint>
#include <filesystem>
#include <map>
#include <nlohmann/json_fwd.hpp>
#include <string>
#include <vector>

namespace p3dinstall {

struct Options {
  // Everything is written below this folder.
  std::filesystem::path root;
  // Where the simulator's records of its add-ons go; empty: below root ("AppData",
  // "ProgramData"). The demo points them at the Wine prefix's own folders.
  std::filesystem::path appDataFolder;
  std::filesystem::path programDataFolder;
  // Ordinary aircraft folders with their aircraft.cfg, and liveries in each.
  std::int32_t aircraftFiles = 16;
  std::int32_t sectionsPerFile = 4;
  std::uint32_t seed = 1;
  // The hostile and unusual cases besides the ordinary files.
  bool hostile = true;
  // A folder inside a livery folder whose permissions are taken away. Only a process that
  // the system holds to permissions finds it unreadable.
  bool unreadableFolder = false;
  // Liveries for the airlines and types of the shared RealTraffic recordings (the demo).
  bool recordingsFleet = false;
};

struct ExpectedLivery {
  std::string airl;
  std::string type;
  std::string title;
  std::string atcid;
  bool cargo = false;
  auto operator<=>(const ExpectedLivery&) const = default;
};

struct Manifest {
  std::filesystem::path simFolder; // SIM_INSTALL_PATH
  std::filesystem::path addOnsCfg;
  std::filesystem::path simObjectsCfg;
  // The folders the automatic scan walks, in its order; a manual scan of the same list in
  // the same order gives the same result.
  std::vector<std::string> liveryFolders;
  std::vector<ExpectedLivery> liveries; // sorted
  // Report file below the program's output folder ("errors/Fixes.txt") -> its lines.
  std::map<std::string, std::vector<std::string>> reports;
  // Texts the log of an automatic scan must hold.
  std::vector<std::string> logLines;
  // The folder without read permission, empty when there is none.
  std::string unreadableFolder;
  // Aircraft folders and livery sections written.
  std::int64_t aircraftFolders = 0;
  std::int64_t sections = 0;

  nlohmann::json toJson() const;
};

// The reference data the manifest relies on; a subset of the program's own data/dbase.xml,
// so that the demo's liveries are valid under the real reference data too.
DbaseTables gf_standInReference();

// The airline and type codes the generator writes as valid and as invalid, for checks
// against the program's reference data.
struct Vocabulary {
  std::vector<std::string> airlines;
  std::vector<std::string> types;
  std::vector<std::string> unknownAirlines;
  std::vector<std::string> unknownTypes;
};
Vocabulary gf_vocabulary();

// Writes the installation; throws std::runtime_error or filesystem_error when it cannot.
Manifest gf_writeInstallation(const Options& options);

// The aircraft.cfg files below the folders, found in the folders the livery scan lists: all
// but the model and texture folders beside an aircraft.cfg. The baseline the scan's speed
// is measured against.
std::vector<std::filesystem::path> gf_listAircraftCfgFiles(const std::vector<std::string>& folders);

} // namespace p3dinstall
