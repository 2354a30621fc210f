#pragma once
// Fixtures of the livery tests: a program folder of their own (input, output and the
// settings), the stand-in reference data, the log, and every livery global back at its
// start value.
#include "core/files.h"
#include "core/log.h"
#include "core/refdata/dbase_tables.h"
#include "core/refdata/similar_models.h"
#include "core/settings/file_names.h"
#include "core/settings/parameters.h"
#include "core/settings_fixture.h"
#include "core/shell/run_state.h"
#include "core/workers.h"
#include "liveries/addon_packages.h"
#include "liveries/livery_tables.h"
#include "liveries/matching.h"
#include "liveries/matching_summary.h"
#include "liveries/regcodes.h"
#include "liveries/scan_reports.h"
#include "liveries/scanned_liveries.h"
#include "liveries/traffic_hooks.h"
#include "p3d_install.h"
#include "support/test_support.h"

#include <algorithm>
#include <fstream>
#include <gtest/gtest.h>
#include <pugixml.hpp>
#include <string>
#include <vector>

namespace liveries_testing {

inline void resetLiveryState() {
  gf_clearLiveryTables();
  ScannedLiveryList.clear();
  gf_resetScanReports();
  OfflineRegcodeReport.clear();
  NoMatchSet.clear();
  LiveryMatchCounters = {};
  InstalledSimilarTypes.clear();
  AirlineSimilarTypes.clear();
  gf_setLiveryTrafficHooks({});
  gf_setAddOnRecords(std::nullopt);
  for (auto* p :
       {&LOG, &SCAN_LIVERIES, &LIG_AUTOMATIC, &LIG_PRIORITIZE, &LIGHT_AIRCRAFT, &HELICOPTERS, &HIGH_PERF_AIRCRAFT})
    p->set(p->defaultValue);
  RANDOM.set(false);
  MATCHING_DEPTH.set(MATCHING_DEPTH.defaultValue);
  SIM_INSTALL_PATH.set({});
  for (auto* p :
       {&lfolder0, &lfolder1, &lfolder2, &lfolder3, &lfolder4, &lfolder5, &lfolder6, &lfolder7, &lfolder8, &lfolder9})
    p->set({});
  runState.stopRequested = false;
  runState.windowClosedByUser = false;
  runningWorkers = 0;
  maxWorkers = 1;
}

// The working folder of a program: input, output with info and errors, the settings.
class LiveriesTest : public ::testing::Test {
protected:
  LiveriesTest() {
    for (const auto& folder : {inputFolder, myRegcodesFolder, infoFolder, errorsFolder})
      std::filesystem::create_directories(work_.path() / folder);
    dbaseTables = p3dinstall::gf_standInReference();
    resetLiveryState();
  }
  ~LiveriesTest() override {
    resetLiveryState();
    dbaseTables = {};
  }

  std::filesystem::path work(std::string_view name) const { return work_ / name; }
  bool logged(std::string_view text) const { return log_.contains(text); }
  std::vector<std::string> logLines() const { return log_.lines(); }

  testing_support::TempDir work_{"hvm-liveries"};
  testing_support::ScopedCurrentPath inWork_{work_.path()};
  settings_testing::SettingsFolder settings_;
  testing_support::LogCapture log_;
};

// The lines of a text file, without their line ends; none when it does not exist.
inline std::vector<std::string> fileLines(const std::filesystem::path& file) {
  std::vector<std::string> lines;
  std::ifstream in(file, std::ios::binary);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

inline std::string fileText(const std::filesystem::path& file) { return testing_support::readFile(file); }

// Writes the bytes into the file, its folders made first.
inline void writeText(const std::filesystem::path& file, std::string_view bytes) {
  if (file.has_parent_path()) std::filesystem::create_directories(file.parent_path());
  testing_support::writeFile(file, bytes);
}

// The records of the scanned-liveries file as the generator's records, sorted.
inline std::vector<p3dinstall::ExpectedLivery> scannedFileLiveries() {
  pugi::xml_document document;
  std::vector<p3dinstall::ExpectedLivery> liveries;
  if (!document.load_file(liveriesScannedFile.c_str())) return liveries;
  for (const auto liv : document.child("liveries").children("liv"))
    liveries.push_back({liv.attribute("airl").value(), liv.attribute("type").value(), liv.attribute("title").value(),
                        liv.attribute("atcid").value(), std::string(liv.attribute("cargo").value()) == "true"});
  std::sort(liveries.begin(), liveries.end());
  return liveries;
}

inline LiveryData livery(std::string airl, std::string type, std::string title, std::string atcid = {},
                         bool cargo = false, std::int32_t folder = 1) {
  return {std::move(airl), std::move(type), std::move(title), std::move(atcid), folder, cargo};
}

} // namespace liveries_testing
