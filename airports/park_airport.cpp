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

// Points on the earth's surface in nautical miles from its centre: the straight line
// between two of them is never longer than their great-circle distance, so a grid over
// these points finds every pair that lies closer than a cell, wherever on earth (the poles
// and the date line included).
struct SpacePoint {
  double x;
  double y;
  double z;
};

SpacePoint lf_spacePoint(const StandData& stand) {
  constexpr double earthRadiusNm = earthDiameterNm / 2.0;
  const double lat = stand.lat * degToRad;
  const double lon = stand.lon * degToRad;
  return {earthRadiusNm * std::cos(lat) * std::cos(lon), earthRadiusNm * std::cos(lat) * std::sin(lon),
          earthRadiusNm * std::sin(lat)};
}

struct GridCell {
  std::int64_t x;
  std::int64_t y;
  std::int64_t z;
  bool operator==(const GridCell&) const = default;
};

struct GridCellHash {
  std::size_t operator()(const GridCell& c) const {
    const auto h = static_cast<std::uint64_t>(c.x) * 0x9E3779B97F4A7C15u ^
                   static_cast<std::uint64_t>(c.y) * 0xC2B2AE3D27D4EB4Fu ^
                   static_cast<std::uint64_t>(c.z) * 0x165667B19E3779F9u;
    return static_cast<std::size_t>(h ^ h >> 29);
  }
};

using Grid = std::unordered_map<GridCell, std::vector<std::size_t>, GridCellHash>;

// Stands are sorted into size classes, the radii of class c being at most
// smallestClassRadiusNm x 2^c; two stands of class c at most overlap closer than
// 2 x that radius / 1.1, which sizes the cells of the class's grid. Each stand looks
// for its neighbours among the stands of its class and the smaller ones near it, so a
// stand far larger than the others, or many far smaller ones, cost no more than their own
// neighbourhood.
constexpr double smallestClassRadiusNm = 0.01 / metresPerNm; // a centimetre
constexpr int largestClass = 40;

int lf_sizeClass(double radius) {
  if (!(radius > smallestClassRadiusNm)) return 0; // NaN as well: it overlaps nothing
  int c = static_cast<int>(std::ceil(std::log2(radius / smallestClassRadiusNm)));
  c = std::clamp(c, 0, largestClass);
  while (c < largestClass && std::ldexp(smallestClassRadiusNm, c) < radius) ++c;
  return c;
}

double lf_cellNm(int sizeClass) { return 2.0 * std::ldexp(smallestClassRadiusNm, sizeClass) / 1.1 * 1.01; }

GridCell lf_cellOf(const SpacePoint& p, double cellNm) {
  return {static_cast<std::int64_t>(std::floor(p.x / cellNm)), static_cast<std::int64_t>(std::floor(p.y / cellNm)),
          static_cast<std::int64_t>(std::floor(p.z / cellNm))};
}

bool lf_full(const StandData& stand) { return stand.adjacent.size() >= maxAdjacentStands; }

} // namespace

void gf_numberAndLinkStands(StandList& stands) {
  const std::size_t n = stands.size();
  std::vector<SpacePoint> points(n);
  std::vector<int> classes(n);
  int highestClass = 0;
  for (std::size_t k = 0; k < n; ++k) {
    stands[k].number = static_cast<std::int32_t>(k + 1);
    stands[k].adjacent.clear();
    points[k] = lf_spacePoint(stands[k]);
    classes[k] = lf_sizeClass(stands[k].radius);
    highestClass = std::max(highestClass, classes[k]);
  }
  // Each class's grid holds its own stands and all smaller ones; only classes that have
  // stands get one.
  std::vector<bool> used(static_cast<std::size_t>(highestClass) + 1, false);
  for (const auto c : classes) used[static_cast<std::size_t>(c)] = true;
  std::vector<Grid> grids(used.size());
  for (std::size_t k = 0; k < n; ++k) {
    if (!std::isfinite(points[k].x) || !std::isfinite(points[k].y) || !std::isfinite(points[k].z)) continue;
    for (int c = classes[k]; c <= highestClass; ++c)
      if (used[static_cast<std::size_t>(c)])
        grids[static_cast<std::size_t>(c)][lf_cellOf(points[k], lf_cellNm(c))].push_back(k);
  }
  for (std::size_t q = 0; q < n; ++q) {
    auto& a = stands[q];
    const int own = classes[q];
    const auto& grid = grids[static_cast<std::size_t>(own)];
    if (!std::isfinite(points[q].x) || !std::isfinite(points[q].y) || !std::isfinite(points[q].z)) continue;
    const auto centre = lf_cellOf(points[q], lf_cellNm(own));
    for (std::int64_t dx = -1; dx <= 1 && !lf_full(a); ++dx) {
      for (std::int64_t dy = -1; dy <= 1 && !lf_full(a); ++dy) {
        for (std::int64_t dz = -1; dz <= 1 && !lf_full(a); ++dz) {
          const auto found = grid.find({centre.x + dx, centre.y + dy, centre.z + dz});
          if (found == grid.end()) continue;
          for (const auto r : found->second) {
            // The grid holds no larger class; each pair is seen once: from the larger class,
            // or from the earlier stand of one class.
            if (classes[r] == own && r <= q) continue;
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
  // Until this file is read, no learned file is this airport's: a read that fails must
  // never leave the previous airport's learned file as the one its stands are saved to.
  parkLearnedFile = {};
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
