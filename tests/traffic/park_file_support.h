#pragma once
// A program folder of its own for the tests of park airports: airports/ with its folders as
// the working folder, a few airports of the world, stand files written as the archive
// writes them, and a stand-in archive that has no file at all.
#include "airports/airport_list.h"
#include "airports/archive_downloads.h"
#include "core/refdata/downloader.h"
#include "core/settings/file_names.h"
#include "parking_fixture.h"
#include "simlink/park_stands.h"
#include "support/test_http_server.h"

#include <filesystem>
#include <fmt/format.h>

namespace traffic_testing {

struct StandLine {
  std::string id;
  double eastMetres = 0.0;
  double radiusMetres = 30.0;
};

inline std::string parkposText(const StandLine& s) {
  const GeoPosition p = metresFrom(0.0, s.eastMetres);
  return fmt::format(R"(<parkpos id="{}" latitude="{:.8f}" longitude="{:.8f}" heading="90" radius="{}"/>)", s.id,
                     p.latitude, p.longitude, s.radiusMetres);
}

// A park airport file of stands in a row east of the point.
inline std::string standFileText(const std::vector<StandLine>& stands, std::int32_t qfReal = -1) {
  std::string text = "<?xml version=\"1.0\"?>\n"
                     R"(<meta><info name="author" value="Hivemoor"/><info name="version" value="11.0.3"/>)"
                     R"(<info name="date" value="Dec 08, 2026"/></meta>)"
                     "\n<parameters>\n"
                     R"(<parameter name="airport_name" value="Los Angeles Intl"/>)"
                     R"(<parameter name="publisher" value="stock"/><parameter name="altitude" value="125"/>)";
  if (qfReal >= 0) text += fmt::format(R"(<parameter name="Qf_real" value="{}"/>)", qfReal);
  text += "\n</parameters>\n<parkpositions>\n";
  for (const auto& s : stands) text += parkposText(s) + "\n";
  return text + "</parkpositions>\n";
}

inline std::vector<StandLine> rowOfGates(std::int32_t count) {
  std::vector<StandLine> stands;
  for (std::int32_t k = 1; k <= count; ++k) stands.push_back({"G" + std::to_string(k), 100.0 * k, 30.0});
  return stands;
}

class ParkFolderTest : public ParkingTest {
protected:
  ParkFolderTest() : cwd_(dir_.path()) {
    for (const auto& folder : {myThirdpartyFolder, myOrbxFolder, learnedStockFolder, learnedSimaddonFolder,
                               learnedThirdpartyFolder, inputFolder})
      std::filesystem::create_directories(folder);
    std::filesystem::create_directories(dir_ / "site");
    server.serveFolder("/", dir_ / "site");
    gf_setDownloadBase(server.url("/"));
    gf_forgetArchiveFetches();
    const std::vector<AirportData> airports{
        {"EHAM", "AMS", 52.3086, 4.7639, -11},  {"KBUR", "BUR", latNorth(-40), laxLon, 778},
        {"KLAX", "LAX", laxLat, laxLon, 125},   {"KN11", "", latNorth(-11), laxLon, 0},
        {"KN12", "", latNorth(-12), laxLon, 0}, {"KN15", "", latNorth(15), laxLon, 0},
        {"KN25", "", latNorth(25), laxLon, 0},  {"KNTH", "", latNorth(12), laxLon, 0},
        {"KSFO", "SFO", 37.619, -122.375, 13},  {"LFPG", "CDG", 49.0097, 2.5479, 392},
    };
    std::string text = "<airports>\n";
    for (const auto& a : airports)
      text += fmt::format(R"(<airport code="{}" iata="{}" lat="{:.10f}" lon="{:.10f}" alt="{}"/>)", a.code, a.iata,
                          a.lat, a.lon, a.alt) +
              "\n";
    testing_support::writeFile(inputFolder / "airports_p3d.xml", text + "</airports>\n");
    gf_forgetAirports();
    gf_readAirports("airports_p3d.xml");
    gf_resetParkAirports();
    currentParkAirport = {};
    traffic.userAcState = {}; // not known yet: the list stays in file order
  }
  ~ParkFolderTest() override {
    gf_setUserStandRecorder(nullptr);
    gf_resetParkAirports();
    gf_forgetArchiveFetches();
    gf_setDownloadBase({});
    gf_forgetAirports();
    userOnGroundKnown.store(false);
    userOnGround.store(false);
  }

  const std::filesystem::path& root() const { return dir_.path(); }
  // The file's lines, each ended by '\n' whatever the platform's line end.
  std::string parkFile() const {
    std::string text = testing_support::readFile(myParkAirportsFile);
    std::erase(text, '\r');
    return text;
  }
  void writeParkFile(std::string_view text) const { testing_support::writeFile(myParkAirportsFile, text); }
  std::vector<std::string> listed() const {
    std::vector<std::string> entries;
    for (const auto& e : parkAirportList) entries.push_back(e.stand.empty() ? e.code : e.code + "," + e.stand);
    return entries;
  }
  void putStandFile(const std::string& code, const std::string& text) const {
    testing_support::writeFile(myThirdpartyFolder / (code + ".xml"), text);
  }
  // The user aircraft in the air at the point, `aboveGround` feet high.
  void userInTheAir(double aboveGround) {
    placeUser(laxLat, laxLon, aboveGround + 125, false, 200.0, 0.0, aboveGround);
    userOnGroundKnown.store(true);
  }
  void userOnTheGround(GeoPosition at) {
    placeUser(at.latitude, at.longitude, 125, true, 0.0, 0.0, 0.0);
    userOnGroundKnown.store(true);
  }
  const AirportData& airport(const std::string& code) const { return *gf_findAirport(code); }

  testing_support::TestHttpServer server;

private:
  testing_support::TempDir dir_{"hvm-park"};
  testing_support::ScopedCurrentPath cwd_;
};

} // namespace traffic_testing
