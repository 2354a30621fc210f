#pragma once
// Fixtures of the add-on airport scan's tests: a program folder of its own with settings,
// reference data and worker counter, and scenery files written with the BGL writer.
#include "airports/addon_scan.h"
#include "airports/scenery_paths.h"
#include "core/files.h"
#include "core/refdata/dbase_tables.h"
#include "core/settings/parameters.h"
#include "core/settings/settings_file.h"
#include "core/shell/run_state.h"
#include "core/text.h"
#include "core/workers.h"
#include "support/test_support.h"

#include "bgl_writer.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <pugixml.hpp>
#include <string>
#include <vector>

namespace addon_testing {

namespace fs = std::filesystem;

inline const fs::path standsFolder = fs::path(HVM_DATA_DIR) / "stands";

// The program's own publisher rule ("ORBX" in the path is simaddon, else the publishers
// of the reference data), over the fixture's reference data.
inline std::string testPublisher(const std::string& bglPath) { return gf_addonScanSetup().publisherOf(bglPath); }

inline bglwriter::Parking parking(std::uint32_t number, double lat, double lon, float radius = 25) {
  bglwriter::Parking p;
  p.nameCode = bglwriter::nameGate;
  p.number = number;
  p.lat = lat;
  p.lon = lon;
  p.radius = radius;
  p.heading = 90;
  return p;
}

// An airport of `stands` gates (and helipads), as a whole scenery file.
inline bglwriter::File airportFile(const std::string& code, int stands, int helipads = 0) {
  bglwriter::Airport airport;
  airport.ident = code;
  airport.altitudeMetres = 50;
  airport.subrecords.resize(static_cast<std::size_t>(1 + helipads + (stands > 0 ? 1 : 0)));
  airport.subrecords[0] = bglwriter::NameRecord{code + " airport"};
  for (int h = 0; h < helipads; ++h)
    airport.subrecords[static_cast<std::size_t>(1 + h)] = bglwriter::Helipad{40.5 + 0.01 * h, 8.5, 20, 0};
  if (stands > 0) {
    bglwriter::ParkingList list;
    for (int i = 1; i <= stands; ++i) list.entries.push_back(parking(static_cast<std::uint32_t>(i), 40 + 0.001 * i, 8));
    airport.subrecords.back() = std::move(list);
  }
  bglwriter::File file;
  file.sections.emplace_back().records.push_back(airport);
  return file;
}

inline void writeBgl(const fs::path& path, const bglwriter::File& file) {
  bglwriter::writeFile(path, bglwriter::writeBgl(file));
}

inline std::vector<std::string> fileLines(const fs::path& file) {
  std::ifstream in(file);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

inline bool contains(const std::vector<std::string>& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

// A header value of a stand file, empty when absent.
inline std::string headerValue(const fs::path& file, const std::string& name) {
  pugi::xml_document document;
  if (!document.load_file(file.c_str())) return {};
  for (const auto& entry : document.child("parameters").children("parameter"))
    if (name == entry.attribute("name").value()) return entry.attribute("value").value();
  return {};
}

inline std::vector<std::string> standNames(const fs::path& file) {
  pugi::xml_document document;
  std::vector<std::string> names;
  if (!document.load_file(file.c_str())) return names;
  for (const auto& parkpos : document.child("parkpositions").children("parkpos"))
    names.emplace_back(parkpos.attribute("id").value());
  return names;
}

class AddonScanTest : public ::testing::Test {
protected:
  AddonScanTest() : savedTables_(std::move(dbaseTables)) {
    dbaseTables = DbaseTables{};
    dbaseTables.simaddonAirports = {"EHAM", "KBFI"};
    dbaseTables.thirdParties = {{"Some Publisher", {"KSEA40", "KPDX40", "KBOI"}}};
    dbaseTables.publishers = {{"Some Publisher", "SomePub"}};
    fs::create_directories(work / "program" / "airports" / "my_ORBX");
    fs::create_directories(work / "program" / "airports" / "my_thirdparty");
    fs::create_directories(work / "program" / "output" / "info");
    fs::create_directories(work / "settings");
    testing_support::writeFile(work / "settings" / "parameters.xml",
                               "<?xml version=\"1.0\"?>\n<parameters>\n"
                               "\t<parameter name=\"SCAN_AIRPORTS\" value=\"true\" />\n</parameters>\n");
    gf_setSettingsFolder(work / "settings");
    SCAN_AIRPORTS.set(true);
    AFG_AUTOMATIC.set(false);
    maxWorkers = 4;
    runningWorkers = 0;
    setup.installFolder = work / "sim";
    setup.stockFolder = work / "sim" / "Scenery";
    setup.sceneryConfigFolder = work / "config";
    setup.publisherOf = testPublisher;
    setup.suitableForOfflineLearning = [this](const std::string& code) { return suitable.contains(code); };
  }
  ~AddonScanTest() override {
    for (auto* folder : {&afolder0, &afolder1, &afolder2, &afolder3}) folder->set("");
    AFG_AUTOMATIC.set(true);
    SCAN_AIRPORTS.set(true);
    gf_resetRunFlags();
    gf_resetWorkerCounter();
    gf_setSettingsFolder({});
    dbaseTables = std::move(savedTables_);
  }

  AddonScanOutcome scan() { return gf_scanAddOnAirports(setup); }
  fs::path program(std::string_view relative) const { return work / "program" / gf_pathFromConfigText(relative); }
  std::vector<std::string> report() const { return fileLines(program("output/info/AirportsScanLog.txt")); }
  std::string storedScanAirports() const { return headerValue(work / "settings" / "parameters.xml", "SCAN_AIRPORTS"); }

  testing_support::TempDir work{"hvm_addon"};
  testing_support::ScopedCurrentPath cwd{(fs::create_directories(work / "program"), work / "program")};
  testing_support::LogCapture log;
  AddonScanSetup setup;
  std::set<std::string> suitable;

private:
  DbaseTables savedTables_;
};

} // namespace addon_testing
