#include "airports/addon_scan.h"

#include "airports/addon_outputs.h"
#include "airports/airport_files.h"
#include "airports/airport_probes.h"
#include "airports/bgl_scan_report.h"
#include "airports/bgl_search.h"
#include "airports/publishers.h"
#include "airports/scenery_lists.h"
#include "airports/scenery_paths.h"
#include "core/errors.h"
#include "core/files.h"
#include "core/log.h"
#include "core/settings/control_port.h"
#include "core/settings/file_names.h"
#include "core/settings/meta_block.h"
#include "core/settings/parameters.h"
#include "core/settings/settings_file.h"
#include "core/shell/main_window.h"
#include "core/shell/run_state.h"
#include "core/shell/simulator_install.h"
#include "core/shell/status_line.h"
#include "core/text.h"
#include "core/text_files.h"

#include <array>
#include <fmt/format.h>

namespace fs = std::filesystem;

namespace {

struct FolderOutcome {
  bool complete = true;
  std::int32_t problems = 0;
};

FolderOutcome lf_searchFolders(const std::vector<std::string>& folders, const fs::path& stockFolder) {
  FolderOutcome outcome;
  for (std::size_t i = 0; i < folders.size(); ++i) {
    if (folders[i].empty()) continue;
    if (gf_stopOrClosed()) {
      outcome.complete = false;
      break;
    }
    const auto folder = gf_pathFromConfigText(folders[i]);
    if (!fs::exists(folder)) {
      gf_showMessage(folders[i] + " does not exist, skipped!", true);
      continue;
    }
    if (!fs::is_directory(folder)) {
      gf_showMessage(folders[i] + " is not a folder name, skipped!", true);
      continue;
    }
    if (lf_isStockScenery(folder, stockFolder)) continue;
    const auto search = lf_searchBGLfiles(folder, static_cast<std::int32_t>(i), stockFolder);
    outcome.problems += search.problems;
    if (!search.complete) {
      outcome.complete = false;
      break;
    }
  }
  return outcome;
}

struct Collection {
  std::size_t copied = 0;
  std::size_t notQualifying = 0;
  std::int32_t failures = 0;
};

// Sets aside in TBLO the generated files of airports the archive can learn offline.
Collection lf_collectOfflineLearning(const std::vector<std::string>& codes, const fs::path& folder, bool orbx,
                                     const AddonScanSetup& setup) {
  Collection collection;
  for (const auto& code : codes) {
    if (gf_stopOrClosed()) break;
    if (!setup.suitableForOfflineLearning || !setup.suitableForOfflineLearning(code)) {
      ++collection.notQualifying;
      continue;
    }
    const auto source = folder / gf_codeXmlPath(code);
    const auto target = tbloFolder / gf_codeXmlPath(code);
    try {
      gf_copyFileOver(source, target);
    } catch (const fs::filesystem_error&) {
      ++collection.failures;
      if (orbx)
        gf_logWarning(fmt::format("failed to copy {}", gf_pathText(source)));
      else
        gf_logWarning(fmt::format("'{}' failed to copy '{}'", gf_pathText(source), gf_pathText(target)));
      continue;
    }
    ++collection.copied;
    gf_log(fmt::format("{} copied to {}", code, gf_pathText(target)));
    // With a link to the archived file, the link stays the airport's file.
    if (fs::exists(folder / gf_codeTxtPath(code))) {
      fs::remove(source);
      gf_forgetAddonOutput(source);
    }
  }
  const auto waiting = gf_countFiles(tbloFolder);
  mainWindow.update(settingsBandRect, [&](DisplayState& d) { d.offlineLearningCount = waiting; });
  if (waiting > 0) {
    gf_logWarning(fmt::format("\nThe folder '{}' holds {} stand file{} of add-on airports that can be learned offline: "
                              "please zip that folder and send it to the Hivemoor team.",
                              gf_pathText(tbloFolder), waiting, gf_plural(waiting)));
  } else if (orbx) {
    gf_log("All your ORBX airports are done, no off line learning needed.");
  } else {
    gf_log("All your third party airports are done, no off line learning needed.");
    std::error_code ignored;
    fs::remove(tbloFolder, ignored);
  }
  return collection;
}

AddonScanOutcome lf_scanAirportFolders(const std::vector<std::string>& folders, const AddonScanSetup& setup) {
  AddonScanOutcome outcome;
  const auto count = static_cast<std::int32_t>(folders.size());
  gf_log(fmt::format("The scan will search {} folder{}", count, count == 1 ? "" : "s"));
  const auto reportFile = infoFolder / airportsScanLogName;
  std::error_code error;
  fs::remove(reportFile, error);
  if (error) gf_log("problems with removing previous files (maybe still open?)");
  mainWindow.update(settingsBandRect, [](DisplayState& d) { d.offlineLearningCount = 0; });
  {
    std::lock_guard lock(airportScanReport.mutex);
    airportScanReport.lines.clear();
    airportScanReport.lines.reserve(2048);
  }

  const auto searched = lf_searchFolders(folders, setup.stockFolder);
  outcome.complete = searched.complete;
  outcome.problems = searched.problems;

  gf_addScanReportLines(gf_duplicateAirportLines());
  if (!outcome.complete) gf_addScanReportLine("===> The scan was stopped before it searched every folder");
  fs::create_directories(infoFolder, error);
  if (gf_writeLinesToFile(gf_takeScanReport(), reportFile)) {
    gf_log(fmt::format("{} written", gf_pathText(reportFile)));
  } else {
    gf_logWarning(fmt::format("Could not write {}", gf_pathText(reportFile)));
    ++outcome.writeFailures;
  }
  gf_clearMessage();

  // Only what this scan generated: a stand file of the user's is no add-on airport's.
  const auto thirdParty = gf_generatedCodes(myThirdpartyFolder);
  const auto orbx = gf_generatedCodes(myOrbxFolder);
  outcome.simaddonHandled = orbx.empty();
  if (outcome.complete) {
    if (!orbx.empty()) {
      const auto collected = lf_collectOfflineLearning(orbx, myOrbxFolder, true, setup);
      outcome.simaddonHandled = collected.copied + collected.notQualifying == orbx.size();
      outcome.writeFailures += collected.failures;
    }
    if (!thirdParty.empty())
      outcome.writeFailures += lf_collectOfflineLearning(thirdParty, myThirdpartyFolder, false, setup).failures;
  }
  outcome.writeFailures += gf_addonWriteFailures();

  outcome.generated = airportGenerated.load();
  if (outcome.generated) gf_log("Airports scan successful");
  return outcome;
}

} // namespace

void lf_collectAfolders(std::vector<std::string>& folders, const fs::path& stockFolder) {
  folders.clear();
  const std::array<const StringParameter*, 10> parameters{&afolder0, &afolder1, &afolder2, &afolder3, &afolder4,
                                                          &afolder5, &afolder6, &afolder7, &afolder8, &afolder9};
  for (const auto* parameter : parameters) {
    const auto value = parameter->get();
    if (value.empty()) continue;
    if (lf_isStockScenery(gf_pathFromConfigText(value), stockFolder))
      throw hvm::UserErrorException(
          42, fmt::format("parameter {} points to stock airports instead of add-on airports!", parameter->name));
    gf_log(fmt::format("From parameter {}: {}", parameter->name, value));
    folders.push_back(value);
  }
}

AddonScanOutcome gf_scanAddOnAirports(const AddonScanSetup& setup) {
  gf_showMessage("Scanning for addon airports ...", false);
  const bool automatic = AFG_AUTOMATIC.get();
  gf_log(fmt::format("\n++++++++++++++++++++++++ airports scan {} starts +++++++++++++++++++++++++++++",
                     automatic ? "automatic " : "manual "));
  if (fs::exists(tbloFolder))
    gf_cleanFolder(tbloFolder);
  else
    fs::create_directory(tbloFolder);

  std::vector<std::string> folders;
  folders.reserve(10);
  if (automatic) {
    const auto configFolder =
        setup.sceneryConfigFolder.empty() ? gf_sceneryConfigFolder(gf_getP3DVersion()) : setup.sceneryConfigFolder;
    lf_readSceneryCfgAreas(folders, configFolder, setup.installFolder, setup.stockFolder);
    lf_readSceneryAddOnsXml(folders, configFolder);
  } else {
    lf_collectAfolders(folders, setup.stockFolder);
    if (folders.empty())
      throw hvm::UserErrorException(49, "Set afolder parameter(-s) to your add-on airports first, see Manual 6.1");
  }

  // Once, before any worker writes a file.
  simulatorName.set("P3D");
  gf_beginAddonOutputs(setup.publisherOf);
  AddonScanOutcome outcome;
  try {
    outcome = lf_scanAirportFolders(folders, setup);
  } catch (...) {
    // Whatever this scan wrote is the scan's, for the next one to replace.
    gf_finishAddonOutputs(false);
    throw;
  }
  if (!gf_finishAddonOutputs(outcome.complete)) ++outcome.writeFailures;
  const bool ok = outcome.complete && outcome.simaddonHandled && outcome.problems == 0 && outcome.writeFailures == 0;
  mainWindow.update(topBandRect, [ok](DisplayState& d) { d.airportScanOk = ok; });

  if (outcome.complete && !outcome.generated) gf_showMessage("Warning: Scan has not found any add-on airports", true);
  if (outcome.complete && outcome.writeFailures == 0) {
    SCAN_AIRPORTS.set(false);
    gf_saveBoolParameter(SCAN_AIRPORTS);
    gf_setControlCheck(SCAN_AIRPORTS.controlId, false);
    gf_requestRepaint(settingsBandRect);
  } else if (!outcome.complete) {
    gf_log("The airports scan was stopped: it runs again at the next start");
  } else {
    gf_logWarning(fmt::format("The airports scan could not write {} file{} (see {}): it runs again at the next start",
                              outcome.writeFailures, gf_plural(outcome.writeFailures),
                              gf_pathText(infoFolder / airportsScanLogName)));
  }
  std::error_code error;
  if (fs::exists(tbloFolder, error) && gf_countFiles(tbloFolder) == 0) fs::remove(tbloFolder, error);
  gf_requestRepaint(topBandRect);
  gf_log("-------------------------- airports scan ends    ----------------------------\n");
  return outcome;
}

AddonScanSetup gf_addonScanSetup() {
  AddonScanSetup setup;
  setup.installFolder = gf_pathFromConfigText(SIM_INSTALL_PATH.get());
  setup.stockFolder = stockSceneryFolder;
  setup.suitableForOfflineLearning = [](const std::string& code) { return gf_suitableForOfflineLearning(code); };
  setup.publisherOf = [](const std::string& bglPath) {
    auto match = gf_publisherFromFileName(bglPath);
    if (!match.reportLine.empty()) gf_addScanReportLine(match.reportLine);
    return match.publisher;
  };
  return setup;
}

void gf_scanAddOnAirports() { gf_scanAddOnAirports(gf_addonScanSetup()); }
