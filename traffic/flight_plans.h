#pragma once
// Flight plan files of the live aircraft that fly from somewhere to somewhere: one AceXML
// file per simulator object in the folder "orig_dest" of the settings folder, handed to the
// simulator and deleted with the object.
#include "records/aircraft.h"

#include <cstdint>
#include <filesystem>

extern std::filesystem::path flightPlanFolder;

// Writes the aircraft's plan, replacing an older file; false when the codes are no plain
// airport codes or the file could not be written whole.
bool gf_writeFlightPlan(const std::filesystem::path& path, const LiveAircraft& aircraft);
// "{object id}.pln".
std::filesystem::path gf_flightPlanFileName(std::int32_t objectId);
// Creates the settings folder and the flight plan folder when missing; true when the
// flight plan folder exists. A failing test throws std::filesystem::filesystem_error.
bool gf_createFlightPlanFolder();
// Removes the folder with every file in it; a failure is logged.
void gf_removeFlightPlanFolder();
