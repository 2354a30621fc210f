#include "airports/park_airport.h"

#include "airports/airport_files.h"
#include "airports/archive_downloads.h"
#include "airports/default_occupants.h"
#include "airports/learned_file.h"
#include "airports/quality.h"
#include "core/errors.h"
#include "core/files.h"
#include "core/geodesy.h"
#include "core/log.h"
#include "core/settings/control_port.h"
#include "core/settings/file_names.h"
#include "core/settings/meta_block.h"
#include "core/settings/parameters.h"
#include "core/shell/control_refresh.h"
#include "core/shell/main_window.h"
#include "core/shell/repaint.h"
#include "core/shell/requests.h"
#include "feeds/traffic_reader.h"

#include <algorithm>
#include <cmath>
#include <fmt/format.h>
#include <pugixml.hpp>
#include <unordered_map>
#include <unordered_set>

namespace fs = std::filesystem;

ParkAirportFileInfo parkAirportFileInfo;
QualityFactors qualityFactors;
AirportData currentParkAirport;
bool parkFileHandmade = false;
std::int32_t rtTrafficWeek = 0;
std::int32_t standUpdateCount = 0;
ParkLearnedFile parkLearnedFile;

namespace {

void lf_readParkFileStands(pugi::xml_node parkpositions, StandList& stands) {
  std::unordered_set<std::string> ids;
  ids.reserve(512);
  for (const auto element : parkpositions.children("parkpos")) {
    const std::string id = element.attribute("id").as_string();
    if (!ids.insert(id).second)
      throw hvm::UserErrorException(94, fmt::format("Parking position {} appears more than once?", id));
    gf_readParkpos(element, id, 1, stands);
  }
}

void lf_noLearnedFile() {
  parking_percentage.set(30);
  gf_enableControl(parking_percentage.controlId, false);
  gf_refreshIntControl(parking_percentage);
  gf_logIndented(fmt::format("{:24}: {}%", parking_percentage.name, 30));
}

// The stem of a stand file name: "archive/stock/EHAM.xml" and "airports\my_ORBX\EHAM.xml"
// both give EHAM.
std::string lf_stem(std::string_view name) {
  const auto slash = name.find_last_of("/\\");
  if (slash != std::string_view::npos) name.remove_prefix(slash + 1);
  if (const auto dot = name.rfind('.'); dot != std::string_view::npos) name = name.substr(0, dot);
  return std::string(name);
}

struct GridCell {
  std::int64_t x;
  std::int64_t y;
  bool operator==(const GridCell&) const = default;
};

struct GridCellHash {
  std::size_t operator()(const GridCell& c) const { return std::hash<std::int64_t>{}(c.x * 1000003 ^ c.y); }
};

// Longitude relative to a reference, in -180..180, so an airport on the date line stays whole.
double lf_relativeLongitude(double lon, double reference) {
  double d = lon - reference;
  while (d > 180.0) d -= 360.0;
  while (d < -180.0) d += 360.0;
  return d;
}

bool lf_full(const StandData& stand) { return stand.adjacent.size() >= maxAdjacentStands; }

} // namespace

void gf_numberAndLinkStands(StandList& stands) {
  double largest = 0.0;
  double highestLatitude = 0.0;
  for (std::size_t k = 0; k < stands.size(); ++k) {
    stands[k].number = static_cast<std::int32_t>(k + 1);
    stands[k].adjacent.clear();
    largest = std::max(largest, stands[k].radius);
    highestLatitude = std::max(highestLatitude, std::abs(stands[k].lat));
  }
  if (!stands.empty() && largest > 0.0) {
    // Two stands overlap only closer than 2 x the largest radius / 1.1; with cells of that
    // size (a little more, for the flat projection) only neighbouring cells need testing.
    // The longitude scale of the highest latitude makes east-west distances no longer
    // than they are.
    const double cellNm = 2.0 * largest / 1.1 * 1.01;
    const double lonScale = std::max(std::cos(std::min(highestLatitude, 89.9) * degToRad), 1e-3);
    const double referenceLon = stands.front().lon;
    std::unordered_map<GridCell, std::vector<std::size_t>, GridCellHash> cells;
    cells.reserve(stands.size());
    std::vector<GridCell> cellOf(stands.size());
    for (std::size_t k = 0; k < stands.size(); ++k) {
      const double north = stands[k].lat * 60.0;
      const double east = lf_relativeLongitude(stands[k].lon, referenceLon) * 60.0 * lonScale;
      cellOf[k] = {static_cast<std::int64_t>(std::floor(east / cellNm)),
                   static_cast<std::int64_t>(std::floor(north / cellNm))};
      cells[cellOf[k]].push_back(k);
    }
    for (std::size_t q = 0; q < stands.size(); ++q) {
      auto& a = stands[q];
      for (std::int64_t dx = -1; dx <= 1 && !lf_full(a); ++dx) {
        for (std::int64_t dy = -1; dy <= 1 && !lf_full(a); ++dy) {
          const auto found = cells.find({cellOf[q].x + dx, cellOf[q].y + dy});
          if (found == cells.end()) continue;
          for (const auto r : found->second) {
            if (r <= q) continue;
            auto& b = stands[r];
            if (lf_full(b)) continue;
            if (a.radius + b.radius > 1.1 * gf_distanceNm({a.lat, a.lon}, {b.lat, b.lon})) {
              a.adjacent.push_back(b.number);
              b.adjacent.push_back(a.number);
              if (lf_full(a)) break;
            }
          }
        }
      }
    }
  }
  std::size_t crowded = 0;
  for (auto& stand : stands) {
    std::sort(stand.adjacent.begin(), stand.adjacent.end());
    stand.adjacent.shrink_to_fit();
    if (lf_full(stand)) ++crowded;
  }
  // Real stands overlap a handful of others at most.
  if (crowded > 0)
    gf_logWarning(
        fmt::format("{} stands overlap {} others or more: the stand file is broken", crowded, maxAdjacentStands));
}

std::string gf_readApf(const std::string& name, ParkAirportFileInfo& info, QualityFactors& quality, StandList& stands) {
  if (name.empty()) return fmt::format("{}: xml is empty", "gf_readApf");
  if (currentParkAirport.code.empty()) return fmt::format("{}: no park airport set", "gf_readApf");
  fs::path path;
  if (gf_isArchiveName(name)) {
    const auto fetch = gf_fetchArchiveFile(name);
    if (!fetch.ok()) return fetch.error;
    // The park airport file as it was downloaded, for the user to look at.
    path = airportsFolder / "park_airport.xml";
    gf_copyFileOver(fetch.localCopy, path);
  } else {
    path = gf_localAirportPath(name);
  }
  parkFileHandmade = false;
  pugi::xml_document document;
  if (!document.load_file(path.c_str())) return fmt::format("{}: could not load file: {}", name, gf_pathText(path));
  if (!gf_readMetaInfo(document, author) || !gf_readMetaInfo(document, date) || !gf_readMetaInfo(document, version))
    return fmt::format("{}: refused to load (copyright)", name);

  rtTrafficWeek = gf_getIntParameter(document, "RT_traffic_week").value_or(0);
  info.publisher = gf_getStringParameter(document, "publisher").value_or("");
  const auto altitude = gf_getIntParameter(document, "altitude");
  if (!altitude) throw hvm::UserErrorException(65, fmt::format("Parameter {} not found", "altitude"));
  info.altitude = *altitude;
  currentParkAirport.alt = static_cast<double>(*altitude);
  info.airport_name = gf_getStringParameter(document, "airport_name").value_or("");

  lf_readParkFileStands(document.child("parkpositions"), stands);
  quality = {gf_getIntParameter(document, "Qf_real").value_or(-1),
             gf_getIntParameter(document, "Qf_soft").value_or(-1)};

  // Reading and saving go by this one path, whatever the learned file itself says.
  parkLearnedFile = {gf_learnedFilePath(name, info.publisher), LearnedFileState::None, {}};
  const bool learnedExists = !parkLearnedFile.path.empty() && fs::exists(parkLearnedFile.path);
  if (learnedExists) {
    gf_readLearned(parkLearnedFile.path, info, stands, parkLearnedFile);
    quality = gf_computeQualityFactors(stands);
    if (parkFileHandmade) gf_log("A handmade airport file overruled the archived file!");
  } else {
    lf_noLearnedFile();
  }
  // Default occupants stand in for what was not learned, on a first visit too.
  if (PARK_FAKE.get()) gf_addDefaultOccupants(stands, lf_stem(name), gf_weekTime());

  mainWindow.update(parkBandRect, [&](DisplayState& d) { d.standCount = stands.size(); });
  gf_numberAndLinkStands(stands);

  gf_log(fmt::format("Airport file read from '{}' for {}", parkFileHandmade ? gf_pathText(parkLearnedFile.path) : name,
                     info.airport_name));
  const auto qualityText = gf_formatQualityFactors(quality);
  gf_logIndented(fmt::format("{:24}: {}", "publisher", info.publisher));
  gf_logIndented(fmt::format("{:24}: {} ft", "altitude", info.altitude));
  gf_logIndented(fmt::format("{:24}: {}", "num_parkpos", stands.size()));
  gf_logIndented(fmt::format("{:24}: {}", "quality factor", qualityText));
  gf_logIndented(fmt::format("{:24}: {}", "RT traffic week", rtTrafficWeek));

  mainWindow.update(parkBandRect, [&](DisplayState& d) {
    d.parkAirportNameText = info.airport_name;
    d.parkAirportPublisher = info.publisher;
    d.parkAirportHandmade = parkFileHandmade;
    d.parkAirportQuality = qualityText;
    d.rtTrafficWeek = rtTrafficWeek;
    d.parkFileLoaded = true;
  });
  parkAirportLoaded.exchange(true);
  gf_enableControl(FLUSH_STATIC_BUTTON.controlId, true);
  learnedParamChanged.exchange(false);
  standUpdateCount = 0;
  trafficReader.setParkElevation(currentParkAirport.alt);
  gf_requestRepaint(parkBandRect);
  return stands.empty() ? "no stands found" : "";
}
