#pragma once
// In automatic mode the livery scan asks the simulator's own records which folders hold AI
// aircraft: the user's add-on packages (add-ons.cfg, each package describing its components
// in add-on.xml) and the simulator's SimObjects folder list (simobjects.cfg).
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

struct AddOnRecords {
  std::filesystem::path addOnsCfg;     // in the user's application-data folder
  std::filesystem::path simObjectsCfg; // in C:\ProgramData
};

// Both below "Lockheed Martin\Prepar3D v<major version>". Throws UserErrorException 77 when
// the simulator's version is not known.
AddOnRecords gf_addOnRecords();
// Tests read records of their own; nullopt goes back to the simulator's.
void gf_setAddOnRecords(std::optional<AddOnRecords> records);

// Append the SimObjects folders of the add-on packages; never throws.
void gf_readP3DAddOnsAircraft(std::vector<std::string>& folders);
// Append the non-stock folders of simobjects.cfg; a failing status query of the file throws.
void gf_readSimObjectsCfg(std::vector<std::string>& folders);
