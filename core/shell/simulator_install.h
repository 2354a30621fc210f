#pragma once
// What the start of every run learns of the simulator's installation, for the simulator
// link and the scans: which versions the registry knows, the major version to talk to and
// the simulator's own scenery folder.
#include <atomic>
#include <filesystem>
#include <string>

// Whether Prepar3D v5 and v6 are installed, from the registry, found once per process.
extern std::atomic<bool> p3dV5Installed;
extern std::atomic<bool> p3dV6Installed;

// SIM_INSTALL_PATH joined with "Scenery", set at the start of every run and emptied by the
// reset before a restart. Worker thread only.
extern std::filesystem::path stockSceneryFolder;

// "5" or "6": from "v5"/"V5" or "v6"/"V6" in SIM_INSTALL_PATH (v5 first), else from the
// hidden P3D_VERSION. Throws UserErrorException 77 when neither names a version.
std::string gf_getP3DVersion();
