#include "airports/airport_probes.h"

#include "airports/airport_file.h"
#include "airports/airport_files.h"
#include "airports/archive_downloads.h"
#include "core/files.h"
#include "core/log.h"
#include "core/refdata/downloader.h"

#include <fmt/format.h>
#include <pugixml.hpp>

namespace fs = std::filesystem;

namespace {

constexpr double noStandNm = 100.0;

double lf_nearestStand(std::string_view code, const GeoPosition& position, std::string& standId) {
  const auto name = gf_findAirportFile(code);
  if (name.empty()) return noStandNm;
  fs::path path;
  if (gf_isArchiveName(name)) {
    const auto fetch = gf_fetchArchiveFile(name);
    if (!fetch.ok()) return noStandNm;
    path = fetch.localCopy;
  } else {
    path = gf_localAirportPath(name);
  }
  pugi::xml_document document;
  if (!document.load_file(path.c_str())) return noStandNm;
  double best = noStandNm;
  for (const auto parkpos : document.child("parkpositions").children("parkpos")) {
    const GeoPosition stand{parkpos.attribute("latitude").as_double(), parkpos.attribute("longitude").as_double()};
    const double distance = gf_distanceNm(position, stand);
    if (distance < best) {
      best = distance;
      standId = parkpos.attribute("id").as_string();
    }
  }
  return best;
}

} // namespace

double gf_readDestApfForClosestStand(std::string_view code, const GeoPosition& position, std::string& standId) {
  try {
    return lf_nearestStand(code, position, standId);
  } catch (const std::exception& e) {
    gf_logWarning(fmt::format("{}: {}", "gf_readDestApfForClosestStand", e.what()));
    return noStandNm;
  }
}

bool gf_suitableForOfflineLearning(std::string_view code) {
  const auto archiveName = gf_stockArchiveName(code);
  gf_log(gf_downloadBaseUrl() + archiveName);
  const auto fetch = gf_fetchArchiveFile(archiveName);
  if (!fetch.ok()) {
    gf_logWarning(fmt::format("Failed to download {}",
                              gf_pathText(fetch.localCopy.empty() ? gf_codeXmlPath(code) : fetch.localCopy)));
    return false;
  }
  bool suitable = false;
  pugi::xml_document document;
  if (!document.load_file(fetch.localCopy.c_str())) {
    gf_logWarning(fmt::format("Failed to load {}", gf_pathText(fetch.localCopy)));
  } else {
    const auto real = gf_getIntParameter(document, "Qf_real").value_or(-1);
    const auto soft = gf_getIntParameter(document, "Qf_soft").value_or(-1);
    if (real >= 0 || soft >= 0) {
      const auto week = gf_getIntParameter(document, "RT_traffic_week");
      suitable = week && *week > 26;
    }
  }
  if (!suitable) gf_logWarning(fmt::format("{} not suitable for offline learning", code));
  return suitable;
}
