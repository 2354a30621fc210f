#include "liveries/scan_reports.h"

#include "core/files.h"
#include "core/log.h"
#include "core/settings/file_names.h"
#include "core/text.h"
#include "core/text_files.h"
#include "liveries/regcodes.h"

#include <algorithm>
#include <fmt/format.h>
#include <system_error>

namespace fs = std::filesystem;

ScanReports scanReports;

// From the folders' own names: globals of other files may not be made yet when these are.
const fs::path noFltsimReportFile{fs::path("output") / "info" / "AircraftCfgWithNoFltsimSection.txt"};
const fs::path conversionsReportFile{fs::path("output") / "info" / "AirlineModelConversions.txt"};
const fs::path invalidCfgReportFile{fs::path("output") / "errors" / "InvalidAircraftCfgFiles.txt"};
const fs::path incompleteSectionsReportFile{fs::path("output") / "errors" / "IncompleFltsimSections.txt"};
const fs::path invalidAirlinesReportFile{fs::path("output") / "errors" / "InvalidAirlineCodes.txt"};
const fs::path invalidModelsReportFile{fs::path("output") / "errors" / "InvalidAircraftCodes.txt"};
const fs::path fixesReportFile{fs::path("output") / "errors" / "Fixes.txt"};
const fs::path inlineRegcodesReportFile{fs::path("output") / "errors" / "InlineRegcodes.txt"};
const fs::path offlineRegcodesReportFile{fs::path("output") / "info" / "OfflineRegcodes.txt"};

void ReportList::add(std::string line) {
  std::lock_guard lock(mutex_);
  lines_.push_back(std::move(line));
}

std::vector<std::string> ReportList::lines() const {
  std::lock_guard lock(mutex_);
  return lines_;
}

std::size_t ReportList::size() const {
  std::lock_guard lock(mutex_);
  return lines_.size();
}

void ReportList::clear() {
  std::lock_guard lock(mutex_);
  lines_.clear();
}

void gf_addNoFltsimFile(std::string line) { scanReports.noFltsimFiles.add(std::move(line)); }
void gf_addFixLine(std::string line) { scanReports.modelFixes.add(std::move(line)); }
void gf_addInvalidCfgLine(std::string line) { scanReports.invalidCfgFiles.add(std::move(line)); }
void gf_addIncompleteSectionLine(std::string line) { scanReports.incompleteSections.add(std::move(line)); }

void gf_addInvalidAirlineLine(std::string_view code, const fs::path& file, std::string_view extra) {
  scanReports.invalidAirlineCodes.add(fmt::format("{:12} in {} {}", code, gf_pathText(file), extra));
}

void gf_addInvalidModelLine(std::string_view code, const fs::path& file) {
  scanReports.invalidModelCodes.add(fmt::format("{:16} in {}", code, gf_pathText(file)));
}

namespace {

void lf_removeReport(const fs::path& file) {
  std::error_code error;
  fs::remove(file, error);
  if (error) gf_log(fmt::format("problems with removing previous files: {}: {}", gf_pathText(file), error.message()));
}

// Sorted lines, written beside and put in place; its folder is made when missing.
void lf_writeReport(std::vector<std::string> lines, const fs::path& file) {
  fs::create_directories(file.parent_path());
  if (!gf_writeLinesToFile(lines, file)) gf_logWarning(fmt::format("could not write {}", gf_pathText(file)));
}

std::vector<std::string> lf_sorted(std::vector<std::string> lines) {
  std::sort(lines.begin(), lines.end());
  return lines;
}

} // namespace

void gf_removePreviousReports() {
  for (const auto& file :
       {noFltsimReportFile, conversionsReportFile, inlineRegcodesReportFile, invalidAirlinesReportFile,
        invalidModelsReportFile, fixesReportFile, invalidCfgReportFile, incompleteSectionsReportFile})
    lf_removeReport(file);
  // The errors folder goes with its last report.
  std::error_code error;
  if (fs::is_directory(errorsFolder, error) && fs::is_empty(errorsFolder, error)) fs::remove(errorsFolder, error);
}

void gf_logScanSummary() {
  auto& r = scanReports;
  const bool errors = r.invalidAirlineCodes.size() + r.invalidModelCodes.size() + r.modelFixes.size() +
                          r.invalidCfgFiles.size() + r.incompleteSections.size() >
                      0;
  gf_log(errors ? "\nErrors:" : "\nNo errors");
  if (const auto lines = r.invalidAirlineCodes.lines(); !lines.empty()) {
    lf_writeReport(lf_sorted(lines), invalidAirlinesReportFile);
    gf_log(fmt::format("{} invalid airline code{}, see {}", lines.size(), gf_plural(lines.size()),
                       gf_pathText(invalidAirlinesReportFile)));
  }
  if (const auto lines = r.invalidModelCodes.lines(); !lines.empty()) {
    lf_writeReport(lf_sorted(lines), invalidModelsReportFile);
    gf_log(fmt::format("{} invalid model code{}, see {}", lines.size(), gf_plural(lines.size()),
                       gf_pathText(invalidModelsReportFile)));
  }
  if (const auto lines = r.modelFixes.lines(); !lines.empty()) {
    // Sorted as well: the file tasks find the fixes in no fixed order.
    try {
      lf_writeReport(lf_sorted(lines), fixesReportFile);
    } catch (const std::exception& e) {
      gf_log(fmt::format("Error writing file {}: {}", gf_pathText(fixesReportFile), e.what()));
    }
    gf_log(fmt::format("{} code fixes, see {}", lines.size(), gf_pathText(fixesReportFile)));
  }
  if (const auto lines = r.invalidCfgFiles.lines(); !lines.empty()) {
    lf_writeReport(lf_sorted(lines), invalidCfgReportFile);
    gf_log(fmt::format("{} invalid aircraft.cfg files, see {}", lines.size(), gf_pathText(invalidCfgReportFile)));
  }
  if (const auto lines = r.incompleteSections.lines(); !lines.empty()) {
    auto unique = lf_sorted(lines);
    unique.erase(std::unique(unique.begin(), unique.end()), unique.end());
    lf_writeReport(std::move(unique), incompleteSectionsReportFile);
    gf_log(fmt::format("{} incomplete [fltsim.x] sections, see {}", lines.size(),
                       gf_pathText(incompleteSectionsReportFile)));
  }
  gf_log("\nInformation:");
  if (const auto lines = r.noFltsimFiles.lines(); !lines.empty()) {
    lf_writeReport(lf_sorted(lines), noFltsimReportFile);
    gf_log(fmt::format("{} empty aircraft.cfg files, see {}", lines.size(), gf_pathText(noFltsimReportFile)));
  }
  if (!r.registrationConversions.empty()) {
    lf_writeReport(r.registrationConversions, conversionsReportFile);
    gf_log(fmt::format("{} liveries updated with real live data from dbase, see {}", r.registrationConversions.size(),
                       gf_pathText(conversionsReportFile)));
  }
}

void gf_resetScanReports() {
  auto& r = scanReports;
  for (auto* list : {&r.noFltsimFiles, &r.invalidCfgFiles, &r.incompleteSections, &r.invalidAirlineCodes,
                     &r.invalidModelCodes, &r.modelFixes})
    list->clear();
  r.registrationConversions.clear();
  {
    std::lock_guard lock(r.titlesMutex);
    r.scannedTitles.clear();
  }
  DontUseTitles.clear();
}
