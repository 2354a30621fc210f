#pragma once
// The folders of the simulator's active add-on scenery, from its scenery library
// (scenery.cfg) and from the add-on packages' list (scenery_add-ons.xml). Only appends
// folder paths (as UTF-8 text) to the scan list; whether they exist is the scan's test.
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

// The folder of scenery.cfg and scenery_add-ons.xml of the simulator's major version:
// "Lockheed Martin\Prepar3D v5" in the computer's program data folder.
std::filesystem::path gf_sceneryConfigFolder(std::string_view majorVersion);

// The active areas of scenery.cfg that are not stock scenery, lowest layer first, so that
// a later folder is one the simulator shows above an earlier one. Relative area folders
// are taken from the installation folder.
void lf_readSceneryCfgAreas(std::vector<std::string>& list, const std::filesystem::path& configFolder,
                            const std::filesystem::path& installFolder, const std::filesystem::path& stockFolder);

// The folders registered in scenery_add-ons.xml, in document order.
void lf_readSceneryAddOnsXml(std::vector<std::string>& list, const std::filesystem::path& configFolder);

// Whether an area's folder is one of the simulator's own scenery areas by name (one of its
// folders is called World, BASE, 0106, Global, ...).
bool lf_isStockAreaLine(std::string_view localValue);
