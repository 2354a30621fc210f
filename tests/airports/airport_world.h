#pragma once
// A program folder of its own for the airport tests (airports/ with its subfolders, input/)
// as the working folder, with a stand-in archive served on the loopback address, and the
// park airport state cleared before and after.
#include "airports_fixture.h"

#include "airports/archive_downloads.h"
#include "airports/park_airport.h"
#include "core/files.h"
#include "core/refdata/downloader.h"
#include "core/settings/file_names.h"
#include "core/shell/requests.h"
#include "core/shell/status_line.h"
#include "flightgear_parking.h"
#include "support/test_http_server.h"
#include "support/test_support.h"

#include <filesystem>
#include <fmt/format.h>
#include <string>

namespace airports_testing {

// A meta block that passes the provenance check.
inline constexpr const char* metaBlock =
    R"(<meta><info name="author" value="Hivemoor"/><info name="version" value="11.0.3"/>)"
    R"(<info name="date" value="Dec 08, 2026"/></meta>)";

// A stand file: the meta block, the header entries ("name=value" pairs) and the body.
inline std::string standFile(const std::vector<std::pair<std::string, std::string>>& header, const std::string& body,
                             const char* meta = metaBlock) {
  std::string text = std::string("<?xml version=\"1.0\"?>\n") + meta + "\n<parameters>\n";
  for (const auto& [name, value] : header)
    text += fmt::format("  <parameter name=\"{}\" value=\"{}\"/>\n", name, value);
  return text + "</parameters>\n<parkpositions>\n" + body + "</parkpositions>\n";
}

inline void resetParkState() {
  standList.clear();
  parkAirportFileInfo = {};
  qualityFactors = {};
  currentParkAirport = {};
  parkFileHandmade = false;
  rtTrafficWeek = 0;
  standUpdateCount = 0;
  parkLearnedFile = {};
  parkAirportLoaded.store(false);
  learnedParamChanged.store(false);
  gf_forgetArchiveFetches();
  gf_resetStatusLine();
}

class AirportWorld {
public:
  AirportWorld() : cwd_(dir_.path()) {
    for (const auto& folder : {myThirdpartyFolder, myOrbxFolder, learnedStockFolder, learnedSimaddonFolder,
                               learnedThirdpartyFolder, inputFolder})
      std::filesystem::create_directories(folder);
    server.serveFolder("/", dir_ / "archive-site");
    gf_setDownloadBase(server.url("/"));
    resetParkState();
  }
  AirportWorld(const AirportWorld&) = delete;
  AirportWorld& operator=(const AirportWorld&) = delete;
  ~AirportWorld() {
    gf_setDownloadBase({});
    resetParkState();
  }

  // The archive's folder of a kind: "stock", "simaddon" or "thirdparty/PUBLISHER".
  std::filesystem::path archive(const std::string& kind) const {
    return dir_.path() / "archive-site" / "P3D" / "archive" / gf_pathFromText(kind);
  }
  void putInArchive(const std::string& kind, const std::string& code, const std::string& text) const {
    std::filesystem::create_directories(archive(kind));
    testing_support::writeFile(archive(kind) / (code + ".xml"), text);
  }
  // The stock files of the real airports, made as the stand-in archive makes them.
  void putRealStockFile(const std::string& code) const {
    const archive_standin::StockAirport airport{code, code == "KLAX" ? "Los Angeles Intl" : "Schiphol",
                                                code == "KLAX" ? 125 : -11};
    const auto parking = std::filesystem::path(HVM_DATA_DIR) / "stands" / (code + ".parking.xml");
    archive_standin::writeStockFile(archive_standin::standsFromParkingList(parking, airport), archive("stock"));
  }
  int stockRequests(const std::string& code) const {
    return server.requestCount(fmt::format("/P3D/archive/stock/{}.xml", code));
  }
  const std::filesystem::path& root() const { return dir_.path(); }

  testing_support::TestHttpServer server;

private:
  testing_support::TempDir dir_{"hvm-airports"};
  testing_support::ScopedCurrentPath cwd_;
};

// Makes the airport the park airport as live traffic does before it reads its file.
inline void setParkAirport(const std::string& code) {
  currentParkAirport = {};
  currentParkAirport.code = code;
}

} // namespace airports_testing
