#include "app/startup.h"

#include "app/run_controls.h"
#include "app/run_services.h"
#include "app/worker.h"
#include "core/errors.h"
#include "core/files.h"
#include "core/log.h"
#include "core/settings/control_port.h"
#include "core/settings/file_names.h"
#include "core/settings/parameters.h"
#include "core/settings/settings_file.h"
#include "core/shell/appdata.h"
#include "core/shell/control_refresh.h"
#include "core/shell/program_folders.h"
#include "core/shell/repaint.h"
#include "core/shell/requests.h"
#include "core/shell/simulator_install.h"
#include "core/shell/status_line.h"
#include "core/shell/week_clock.h"
#include "core/version.h"
#include "feeds/realtraffic_link.h"

#include <filesystem>
#include <fmt/format.h>

namespace fs = std::filesystem;

namespace {

// A failed query other than for a missing path is an error of its own.
bool lf_exists(const fs::path& path) {
  std::error_code error;
  const auto status = fs::status(path, error);
  if (error && status.type() != fs::file_type::not_found) throw fs::filesystem_error("exists", path, error);
  return fs::exists(status);
}

void lf_checkRegistry() {
  const auto& core = runServices.core;
  p3dV5Installed = gf_callOr(core.gf_isP3DInstalled, false, 5);
  p3dV6Installed = gf_callOr(core.gf_isP3DInstalled, false, 6);
}

[[noreturn]] void lf_noInstallPath() {
  ALL_INSTALL_PATH.set("");
  gf_refreshStringControl(ALL_INSTALL_PATH);
  throw hvm::UserErrorException(151, "No P3D install path detected, type full Install Path above, and press Enter");
}

bool lf_anyFolderSet() {
  for (const auto* folder :
       {&lfolder0, &lfolder1, &lfolder2, &lfolder3, &lfolder4, &lfolder5, &lfolder6, &lfolder7, &lfolder8, &lfolder9,
        &afolder0, &afolder1, &afolder2, &afolder3, &afolder4, &afolder5, &afolder6, &afolder7, &afolder8, &afolder9})
    if (!folder->get().empty()) return true;
  return false;
}

void lf_detectRealTraffic() {
  const bool detected = lf_exists(gf_getAppDataPath() / insideSystemsFolder / "RealTraffic.jar");
  realTrafficLink.detected = detected;
  gf_showMessage(fmt::format("RealTraffic {}detected at this PC", detected ? "" : "not "), true);
}

} // namespace

void gf_checkProgramFolder() {
  std::error_code error;
  const auto status = fs::status(docsFolder, error);
  if (error && status.type() != fs::file_type::not_found && status.type() != fs::file_type::unknown)
    throw fs::filesystem_error("status", docsFolder, error);
  if (status.type() != fs::file_type::directory)
    throw hvm::UserErrorException(41, fmt::format("{} must be run from the {} folder!", programName, programName));
}

void gf_startupChecks() {
  const auto& services = runServices;
  gf_loadParameters();
  gf_requestRepaint(topBandRect);
  gf_createProgramFolders();
  userMaxLive = MAX_LIVE_SEL.get();
  // Restarts skip the check for newer data files.
  if (!restarting.load()) gf_call(services.core.gf_checkDataVersions);
  gf_enableControlsForRun();
  std::error_code error;
  const auto workingFolder = fs::current_path(error);
  if (error) throw fs::filesystem_error("current_path", error);
  PROGRAM_INSTALL_PATH.set(gf_pathText(workingFolder));
  gf_saveStringParameter(PROGRAM_INSTALL_PATH);
  currentWeekTime = gf_weekTime();
  if (!referenceDataRead.load() && services.core.gf_readDbase) {
    services.core.gf_readDbase();
    referenceDataRead = true;
  }
  gf_call(services.airports.gf_readAirports, airportsFileName);
  ALL_INSTALL_PATH.set(SIM_INSTALL_PATH.get());
  gf_enableControl(ALL_INSTALL_PATH.controlId, true);
  gf_refreshStringControl(ALL_INSTALL_PATH);
  if (ALL_INSTALL_PATH.get().empty()) gf_detectP3DInstallPath();
  gf_requestRepaint(settingsBandRect);
  lf_detectRealTraffic();
  savedManualRange = RANGE.get();
}

void gf_detectP3DInstallPath() {
  lf_checkRegistry();
  const int n = (p3dV6Installed.load() ? 6 : 0) + (p3dV5Installed.load() ? 5 : 0);
  if (n > 6)
    throw hvm::UserErrorException(
        153, "More than one P3D version detected, type full Install Path to wanted version above and press Enter");
  if (n == 0) {
    gf_showMessage("P3D not detected?", true);
    // Liveries and airports named by hand need no simulator folder.
    if (lf_anyFolderSet()) return;
    lf_noInstallPath();
  }
  gf_log(fmt::format("P3Dv{}detected", n));
  const auto path = gf_callOr(runServices.core.gf_readP3DSetupPath, fs::path{}, n);
  if (path.empty()) lf_noInstallPath();
  ALL_INSTALL_PATH.set(gf_pathText(path));
  gf_refreshStringControl(ALL_INSTALL_PATH);
  SIM_INSTALL_PATH.set(gf_pathText(path));
  gf_saveStringParameter(SIM_INSTALL_PATH);
}

void gf_setStockSceneryFolder() {
  stockSceneryFolder = gf_pathFromText(SIM_INSTALL_PATH.get()) / "Scenery";
  std::error_code error;
  if (!fs::exists(stockSceneryFolder, error))
    gf_showMessage(fmt::format("Stock airports path does not exist: {}", gf_pathText(stockSceneryFolder)), true);
}

void gf_checkScannedLiveries() {
  if (lf_exists(liveriesScannedFile) || SCAN_LIVERIES.get()) return;
  gf_showMessage(fmt::format("File {} is gone, rescan liveries", gf_pathText(liveriesScannedFile)), true);
  SCAN_LIVERIES.set(true);
  gf_saveBoolParameter(SCAN_LIVERIES);
  gf_setControlCheck(SCAN_LIVERIES.controlId, true);
  gf_requestRepaint(settingsBandRect);
}
