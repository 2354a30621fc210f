#include "liveries/livery_scan.h"

#include "core/errors.h"
#include "core/files.h"
#include "core/log.h"
#include "core/settings/control_port.h"
#include "core/settings/file_names.h"
#include "core/settings/meta_block.h"
#include "core/settings/parameters.h"
#include "core/settings/settings_file.h"
#include "core/shell/main_window.h"
#include "core/shell/repaint.h"
#include "core/shell/run_state.h"
#include "core/shell/status_line.h"
#include "core/text.h"
#include "liveries/addon_packages.h"
#include "liveries/folder_walk.h"
#include "liveries/livery_tables.h"
#include "liveries/record_fixes.h"
#include "liveries/scan_reports.h"
#include "liveries/scanned_liveries.h"
#include "liveries/windows_names.h"

#include <fmt/format.h>
#include <map>
#include <stdexcept>
#include <tuple>

namespace fs = std::filesystem;

namespace {

void lf_setScanRequest(bool requested) {
  SCAN_LIVERIES.set(requested);
  gf_saveBoolParameter(SCAN_LIVERIES);
  gf_setControlCheck(SCAN_LIVERIES.controlId, requested);
  gf_requestRepaint(settingsBandRect);
}

// The tables from the previous scan's file. False, with a new scan requested, when that file
// is missing or damaged: the next scan replaces it rather than the error coming back at
// every start.
bool lf_processPreviousScan() {
  if (liveriesProcessed) {
    gf_processScannedLiveries();
    return true;
  }
  try {
    gf_readScannedLiveries();
  } catch (const hvm::UserErrorException& e) {
    gf_showMessage(fmt::format("{}, rescan liveries", e.what()), true);
    lf_setScanRequest(true);
    return false;
  }
  gf_buildLiveryTables();
  return true;
}

std::vector<std::string> lf_configuredFolders() {
  std::vector<std::string> folders;
  folders.reserve(10);
  for (const auto* parameter :
       {&lfolder0, &lfolder1, &lfolder2, &lfolder3, &lfolder4, &lfolder5, &lfolder6, &lfolder7, &lfolder8, &lfolder9})
    if (auto value = parameter->get(); !value.empty()) folders.push_back(std::move(value));
  return folders;
}

// Per airline and model, only the liveries of the lowest-numbered folder that has any.
void lf_keepFirstFolders() {
  std::map<std::pair<std::string, std::string>, std::int32_t> firstFolder;
  for (const auto& livery : ScannedLiveryList) {
    const auto [found, isNew] = firstFolder.try_emplace({livery.airl, livery.type}, livery.folder);
    if (!isNew) found->second = std::min(found->second, livery.folder);
  }
  ScannedLiveryList.remove_if([&](const LiveryData& livery) {
    return livery.folder > firstFolder.at({livery.airl, livery.type});
  });
}

} // namespace

std::vector<std::string> gf_distinctLiveryFolders(const std::vector<std::string>& folders) {
  std::vector<std::string> keys;
  keys.reserve(folders.size());
  for (const auto& folder : folders)
    keys.push_back(folder.empty() ? std::string{} : gf_folderKey(gf_configPath(folder)));
  std::vector<std::string> distinct;
  distinct.reserve(folders.size());
  for (std::size_t i = 0; i < folders.size(); ++i) {
    if (folders[i].empty()) {
      distinct.push_back(folders[i]);
      continue;
    }
    // A folder inside one listed after it keeps its place: it comes first, and the walk of
    // the other passes it by.
    bool skip = false;
    for (std::size_t j = 0; j < i && !skip; ++j) {
      if (folders[j].empty()) continue;
      if (keys[j] == keys[i]) {
        gf_log(fmt::format("{} is in the list already, skipped", folders[i]));
        skip = true;
      } else if (gf_folderWithin(keys[i], keys[j])) {
        gf_log(fmt::format("{} lies in {} and is scanned with it", folders[i], folders[j]));
        skip = true;
      }
    }
    if (!skip) distinct.push_back(folders[i]);
  }
  return distinct;
}

FolderScanEnd gf_scanLiveryFolders(const std::vector<std::string>& folders) {
  ScannedLiveryList.clear();
  // A scan stopped before this one may have left its entries.
  gf_resetScanReports();
  gf_loadDontUseTitles();
  std::int32_t folderNumber = 0;
  std::size_t previous = 0, total = 0;
  std::vector<std::string> walkedKeys;
  for (const auto& entry : folders) {
    if (entry.empty()) continue;
    if (gf_stopOrClosed()) break;
    const auto folder = gf_configPath(entry);
    std::error_code error;
    const auto status = fs::status(folder, error);
    if (error && status.type() != fs::file_type::not_found) throw fs::filesystem_error("status", folder, error);
    if (status.type() == fs::file_type::not_found) {
      gf_log(entry + " does not exist, skipped!");
      continue;
    }
    if (status.type() != fs::file_type::directory) {
      gf_log(entry + " is not a folder name, skipped!");
      continue;
    }
    if (folderNumber < 10) ++folderNumber;
    // Folders walked before, with their own numbers, are not walked again as part of this one.
    const auto key = gf_folderKey(folder);
    std::vector<std::string> walkedInside;
    for (const auto& walked : walkedKeys)
      if (walked != key && gf_folderWithin(walked, key)) walkedInside.push_back(walked);
    walkedKeys.push_back(key);
    gf_searchLiveryFolder(folderNumber, folder, walkedInside);
    const auto found = fmt::format("found in {}", entry);
    if (const auto added = ScannedLiveryList.size() - previous; added > 0) {
      gf_log(fmt::format("{} liverie{} {}", added, gf_plural(added), found));
      total += added;
      previous = ScannedLiveryList.size();
    } else {
      gf_log(fmt::format("No liveries {}", found));
    }
  }
  if (gf_stopOrClosed()) return FolderScanEnd::stopped;
  if (ScannedLiveryList.empty()) {
    mainWindow.update(topBandRect, [](DisplayState& d) { d.liveryCount = 0; });
    return FolderScanEnd::nothingFound;
  }
  if (folders.size() > 1) gf_log(fmt::format("{} in total", total));
  gf_applyRegistrationData();
  if (LIG_PRIORITIZE.get()) lf_keepFirstFolders();
  ScannedLiveryList.sort(gf_liveryLess);
  ScannedLiveryList.unique();
  // The previous file and reports stay until the new file is in place.
  if (!gf_writeScannedLiveries())
    throw std::runtime_error(fmt::format("Could not save the scanned liveries to '{}', the liveries will be scanned "
                                         "again at the next start",
                                         gf_pathText(liveriesScannedFile)));
  ScannedLiveryList.clear();
  gf_removePreviousReports();
  gf_logScanSummary();
  gf_resetScanReports();
  gf_clearMessage();
  return FolderScanEnd::completed;
}

void gf_scanLiveries() {
  if (!SCAN_LIVERIES.get() && lf_processPreviousScan()) return;
  simulatorName.set("P3D");
  const bool automatic = LIG_AUTOMATIC.get();
  gf_showMessage(fmt::format("Scanning {} for liveries ...", LIG_PRIORITIZE.get() && !automatic ? "prioritized " : ""),
                 false);
  gf_log(fmt::format("\n++++++++++++++++++++++++ liveries scan {} starts ++++++++++++++++++++++++++++++++",
                     automatic ? "automatic" : "manual"));
  std::vector<std::string> folders;
  if (automatic) {
    folders.reserve(10);
    gf_readP3DAddOnsAircraft(folders);
    gf_readSimObjectsCfg(folders);
  } else {
    folders = lf_configuredFolders();
    if (folders.empty())
      throw hvm::UserErrorException(
          48, "Set lfolder parameter(-s) to your liveries first, see Manual 5.1 (or check Liveries automatic)");
  }
  switch (gf_scanLiveryFolders(gf_distinctLiveryFolders(folders))) {
  case FolderScanEnd::completed:
    lf_setScanRequest(false);
    gf_log("\n++++++++++++++++++++++++ liveries scan ends ++++++++++++++++++++++++++++++++\n");
    // Tables of an earlier run of this process give way to the new scan; no aircraft
    // exists yet that holds one of their titles.
    if (liveriesProcessed) gf_clearLiveryTables();
    gf_processScannedLiveries();
    return;
  case FolderScanEnd::stopped:
    gf_log("liveries scan stopped; the previous scan's files are kept and the scan stays requested");
    return;
  case FolderScanEnd::nothingFound:
    if (automatic)
      throw hvm::UserErrorException(43, "Automatic scan has not found any liveries, switch off automatic and set "
                                        "lfolder parameter(-s), Manual 5.1");
    throw hvm::UserErrorException(53, "no liveries found");
  }
}
