#include "liveries/addon_packages.h"

#include "core/files.h"
#include "core/log.h"
#include "core/settings/parameters.h"
#include "core/shell/appdata.h"
#include "core/shell/simulator_install.h"
#include "core/text.h"
#include "core/text_files.h"
#include "liveries/cfg_lines.h"
#include "liveries/windows_names.h"

#include <array>
#include <fmt/format.h>
#include <mutex>
#include <pugixml.hpp>
#include <string_view>

namespace fs = std::filesystem;

namespace {

std::mutex recordsMutex;
std::optional<AddOnRecords> recordsOverride;

constexpr std::array<std::string_view, 10> stockCategories{
    "Airplanes", "Avatars", "Rotorcraft",  "GroundVehicles", "Boats",
    "Animals",   "Misc",    "Submersible", "Weapons",        "Countermeasures"};
constexpr std::array<std::string_view, 2> excludedComponents{"Lights Reborn", "Aerosoft Geneva Professional"};

// "[name]": the name.
std::optional<std::string> lf_sectionName(std::string_view line) {
  const auto trimmed = gf_trim(line);
  if (trimmed.size() < 2 || trimmed.front() != '[' || trimmed.back() != ']') return std::nullopt;
  return gf_toUpper(gf_trim(std::string_view(trimmed).substr(1, trimmed.size() - 2)));
}

// The Path= values of the sections whose names begin with `prefix` (upper case), in order.
std::vector<std::string> lf_sectionPaths(const std::vector<std::string>& lines, std::string_view prefix,
                                         bool logFound) {
  std::vector<std::string> paths;
  bool inside = false;
  for (const auto& line : lines) {
    if (const auto name = lf_sectionName(line)) {
      inside = name->starts_with(prefix);
      continue;
    }
    if (!inside) continue;
    const auto value = gf_keyValue(line, "path");
    if (value.empty()) continue;
    if (logFound) gf_log(fmt::format("path found:{}", line.substr(line.find('=') + 1)));
    paths.emplace_back(value);
  }
  return paths;
}

bool lf_containsAny(std::string_view text, const auto& parts) {
  for (const auto part : parts)
    if (text.find(part) != std::string_view::npos) return true;
  return false;
}

// A folder of the simulator's records below the folder it is relative to: joined by
// Windows' rules, in the platform's form unless it names its own drive or host.
std::string lf_resolvedFolder(std::string_view base, const std::string& value) {
  const auto joined = gf_joinWindowsPath(base, value);
  return gf_isAbsoluteConfigPath(value) ? joined : gf_pathText(gf_configPath(joined));
}

// Stock folders are the simulator's own: relative to its installation, or inside it.
bool lf_isStockFolder(const std::string& value, const std::string& folder) {
  if (value.find("SimObjects") == std::string::npos || !lf_containsAny(value, stockCategories)) return false;
  if (!gf_isAbsoluteConfigPath(value)) return true;
  const auto installation = SIM_INSTALL_PATH.get();
  return !installation.empty() &&
         gf_folderWithin(gf_folderKey(gf_configPath(folder)), gf_folderKey(gf_configPath(installation)));
}

// The SimObjects components of one package's add-on.xml.
void lf_explorePackage(const std::string& packageText, std::vector<std::string>& folders) {
  const auto package = gf_configPath(packageText);
  const auto addOnXml = package / "add-on.xml";
  std::error_code error;
  const auto status = fs::status(addOnXml, error);
  if (error && status.type() != fs::file_type::not_found) throw fs::filesystem_error("exists", addOnXml, error);
  if (status.type() == fs::file_type::not_found) return;
  const auto xmlText = gf_pathText(addOnXml);
  gf_log(fmt::format("   exploring {}", xmlText));
  pugi::xml_document document;
  const auto loaded = document.load_file(addOnXml.c_str());
  if (!loaded) {
    if (loaded.status == pugi::status_file_not_found || loaded.status == pugi::status_io_error)
      gf_log(xmlText + " not found!");
    else
      gf_log(fmt::format("{} not readable: {}", xmlText, loaded.description()));
    return;
  }
  for (const auto component : document.document_element().children("AddOn.Component")) {
    if (gf_toUpper(gf_trim(component.child_value("Category"))) != "SIMOBJECTS") continue;
    const auto path = gf_trim(component.child_value("Path"));
    if (path.empty()) continue;
    // A relative path is relative to its package.
    const auto folder = lf_resolvedFolder(packageText, path);
    if (lf_containsAny(folder, excludedComponents)) continue;
    gf_log(fmt::format("      Simobjects found:{}", folder));
    folders.push_back(folder);
  }
}

} // namespace

AddOnRecords gf_addOnRecords() {
  {
    std::lock_guard lock(recordsMutex);
    if (recordsOverride) return *recordsOverride;
  }
  const auto simulator = fs::path("Lockheed Martin") / gf_pathFromText("Prepar3D v" + gf_getP3DVersion());
  return {gf_getAppDataPath() / simulator / "add-ons.cfg",
          gf_configPath("C:\\ProgramData") / simulator / "simobjects.cfg"};
}

void gf_setAddOnRecords(std::optional<AddOnRecords> records) {
  std::lock_guard lock(recordsMutex);
  recordsOverride = std::move(records);
}

void gf_readP3DAddOnsAircraft(std::vector<std::string>& folders) {
  const auto before = folders.size();
  try {
    const auto addOnsCfg = gf_addOnRecords().addOnsCfg;
    gf_log(fmt::format("\nReading {} for AI add-on packages...", gf_pathText(addOnsCfg)));
    std::vector<std::string> lines;
    lines.reserve(4048);
    if (!gf_readExtTextFileToStringVector(addOnsCfg, lines)) {
      gf_log(gf_pathText(addOnsCfg) + " not found!");
    } else {
      for (const auto& package : lf_sectionPaths(lines, "PACKAGE.", true)) {
        // One package the system cannot look into costs only its own folders.
        try {
          lf_explorePackage(package, folders);
        } catch (const std::exception& e) {
          gf_logWarning(fmt::format("add-on package {} skipped: {}", package, e.what()));
        }
      }
    }
    const auto found = folders.size() - before;
    gf_log(fmt::format("{} AI add-on package{} found", found, gf_plural(found)));
  } catch (const std::exception& e) {
    gf_logWarning(
        fmt::format("sys error exception {} in {}, no AI add-on packages found", e.what(), "lf_readP3DAddOnsAircraft"));
  }
}

void gf_readSimObjectsCfg(std::vector<std::string>& folders) {
  const auto simObjectsCfg = gf_addOnRecords().simObjectsCfg;
  std::error_code error;
  const auto status = fs::status(simObjectsCfg, error);
  if (error && status.type() != fs::file_type::not_found) throw fs::filesystem_error("exists", simObjectsCfg, error);
  if (status.type() == fs::file_type::not_found) return;
  const auto text = gf_pathText(simObjectsCfg);
  gf_log(fmt::format("\nReading {} for AI add-on packages...", text));
  const auto before = folders.size();
  std::vector<std::string> lines;
  lines.reserve(4048);
  if (!gf_readExtTextFileToStringVector(simObjectsCfg, lines)) {
    gf_log(text + " not found!");
    return;
  }
  for (const auto& path : lf_sectionPaths(lines, "ENTRY.", false)) {
    // Relative entries lie in the simulator's installation, as the simulator reads them.
    auto folder = lf_resolvedFolder(SIM_INSTALL_PATH.get(), path);
    if (!lf_isStockFolder(path, folder)) folders.push_back(std::move(folder));
  }
  gf_log(fmt::format("{} AI add-on packages found", folders.size() - before));
}
