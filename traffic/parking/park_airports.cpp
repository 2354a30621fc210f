#include "traffic/parking/park_airports.h"

#include "airports/airport_files.h"
#include "airports/closest_airport.h"
#include "airports/park_airport.h"
#include "core/log.h"
#include "core/settings/control_port.h"
#include "core/settings/file_names.h"
#include "core/settings/parameters.h"
#include "core/shell/control_refresh.h"
#include "core/shell/main_window.h"
#include "core/shell/requests.h"
#include "core/shell/status_line.h"
#include "core/text.h"
#include "core/text_files.h"
#include "core/time.h"
#include "feeds/traffic_reader.h"
#include "simlink/park_stands.h"
#include "simlink/user_state.h"
#include "traffic/parking/stand_queries.h"
#include "traffic/parking/static_plan.h"
#include "traffic/parking/static_renewal.h"
#include "traffic/removal.h"
#include "traffic/traffic_state.h"

#include <algorithm>
#include <cmath>
#include <fmt/format.h>
#include <fstream>
#include <mutex>
#include <optional>
#include <set>
#include <unordered_set>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

ParkAirportList parkAirportList;
std::string reservedStand;

namespace {

const std::string fileName = "my_park_airports.txt";
GeoPosition sortedAt{0.0, 0.0};
std::unordered_set<std::string> failedAirports;
bool noAirportShown = false; // shown once per standstill, not every 16 seconds

struct RecordedStand {
  std::string code;
  std::string stand;
};
std::mutex recordedMutex;
std::optional<RecordedStand> recordedStand;

std::string lf_entryLine(const ParkAirportData& entry) {
  return entry.stand.empty() ? entry.code : fmt::format("{},{}", entry.code, entry.stand);
}

std::string lf_firstPiece(const std::string& line) {
  const auto pieces = gf_splitTrim(line, ',');
  return pieces.empty() ? std::string() : pieces.front();
}

// Reads the file's lines; none when it does not exist. Throws when it exists but cannot be
// read, so that a locked file is never replaced by the one line being written.
std::optional<std::vector<std::string>> lf_readParkAirportLines() {
  std::error_code ec;
  if (!fs::exists(myParkAirportsFile, ec) && !ec) return std::nullopt;
  std::ifstream in(myParkAirportsFile, std::ios::binary);
  if (ec || !in || fs::is_directory(myParkAirportsFile, ec))
    throw std::runtime_error(fmt::format("{} cannot be read", myParkAirportsFile.string()));
  std::vector<std::string> lines;
  gf_readAllLines(in, lines);
  if (in.bad()) throw std::runtime_error(fmt::format("{} cannot be read", myParkAirportsFile.string()));
  if (!lines.empty() && lines.front().starts_with("\xEF\xBB\xBF")) lines.front().erase(0, 3);
  return lines;
}

void lf_writeEntry(const ParkAirportData& entry) {
  const std::string line = lf_entryLine(entry);
  std::vector<std::string> lines;
  try {
    const auto existing = lf_readParkAirportLines();
    if (!existing) {
      lines.push_back(line);
      gf_log(fmt::format("{} created with {}", fileName, line));
    } else {
      lines = *existing;
      const auto found = std::find_if(lines.begin(), lines.end(),
                                      [&](const std::string& l) { return lf_firstPiece(l) == entry.code; });
      if (found != lines.end()) {
        // A stand the user named is never replaced by no stand.
        const auto pieces = gf_splitTrim(*found, ',');
        if (entry.stand.empty() && pieces.size() == 2 && !pieces[1].empty()) return;
        *found = line;
        gf_log(fmt::format("{}:{} updated stand", fileName, line));
      } else {
        lines.insert(lines.begin(), line);
        gf_log(fmt::format("{}:{} new entry", fileName, line));
      }
    }
  } catch (const std::exception& e) {
    gf_showMessage(fmt::format("{} not updated: {}", fileName, e.what()), true);
    return;
  }
  std::sort(lines.begin(), lines.end());
  lines.erase(std::unique(lines.begin(), lines.end()), lines.end());
  if (!gf_writeLinesToFile(lines, myParkAirportsFile))
    gf_showMessage(fmt::format("{} could not be written", fileName), true);
}

bool lf_positionKnown(GeoPosition p) { return std::abs(p.latitude) > 0.0001 || std::abs(p.longitude) > 0.0001; }

void lf_sortByDistance(GeoPosition position) {
  for (auto& entry : parkAirportList) entry.distance = gf_distanceNm(position, {entry.lat, entry.lon});
  parkAirportList.sort([](const auto& a, const auto& b) { return a.distance < b.distance; });
}

double lf_heightAboveGround() { return traffic.userAcState.altitudeAboveGround; }

bool lf_inSight(double distance) { return distance <= AIRP_RANGE.get() && lf_heightAboveGround() <= AIRP_HEIGHT.get(); }

void lf_recordUserStand(const std::string& airportCode, const std::string& standName) {
  std::lock_guard lock(recordedMutex);
  recordedStand = RecordedStand{airportCode, standName};
}

} // namespace

ParkAirportList::iterator gf_findParkAirportEntry(const std::string& code) {
  return std::find_if(parkAirportList.begin(), parkAirportList.end(),
                      [&](const ParkAirportData& e) { return e.code == code; });
}

void lf_addThirdPartyParkAirports() {
  std::int32_t added = 0;
  for (const auto& item : fs::directory_iterator(myThirdpartyFolder)) {
    if (!item.is_regular_file()) continue;
    const std::string code = item.path().stem().string();
    if (gf_findParkAirportEntry(code) != parkAirportList.end()) continue;
    const AirportData* airport = gf_findAirport(code);
    if (!airport || airport->code != code) continue;
    parkAirportList.push_back({code, {}, airport->lat, airport->lon, 0.0});
    ++added;
  }
  if (added > 0) gf_log(fmt::format("{} park airport{} added from my_thirdparty folder(-s)", added, gf_plural(added)));
}

bool lf_readMyParkAirports() {
  parkAirportList.clear();
  bool ok = true;
  try {
    const auto lines = lf_readParkAirportLines();
    if (!lines) {
      gf_log(fmt::format("{} not found", myParkAirportsFile.string()));
    } else {
      std::set<std::string> codes;
      for (const auto& line : *lines) {
        const auto pieces = gf_splitTrim(line, ',');
        if (pieces.empty() || (pieces.size() == 1 && pieces[0].empty())) continue;
        if (pieces.size() >= 3) {
          gf_logWarning(fmt::format("{}:{} wrong syntax, skipped", fileName, line));
          continue;
        }
        if (codes.contains(pieces[0])) {
          gf_logWarning(fmt::format("{}:{} double, skipped", fileName, pieces[0]));
          continue;
        }
        const AirportData* airport = gf_findAirport(pieces[0]);
        if (!airport || airport->code != pieces[0]) {
          gf_showMessage(fmt::format("airport {} is unknown", pieces[0]), true);
          ok = false;
          continue;
        }
        parkAirportList.push_back(
            {pieces[0], pieces.size() == 2 ? pieces[1] : std::string(), airport->lat, airport->lon, 0.0});
        codes.insert(pieces[0]);
      }
    }
    const std::size_t count = parkAirportList.size();
    if (count > 0) gf_log(fmt::format("{} park airport{} read from '{}'", count, gf_plural(count), fileName));
    if (count > 3000)
      gf_showMessage(fmt::format("Warning: There are a lot of airports ({}), that will cost Hivemoor much cpu time "
                                 "and may cause stutters",
                                 count),
                     true);
    lf_addThirdPartyParkAirports();
  } catch (const std::exception& e) {
    gf_logWarning(fmt::format("{}: {}", "lf_readMyParkAirports", e.what()));
    ok = false;
  }
  // In the order of distance at once: the entries are found by code, but the first one is
  // the candidate for the next park airport.
  sortedAt = {0.0, 0.0};
  if (lf_positionKnown({traffic.userAcState.latitude, traffic.userAcState.longitude}))
    lf_refreshParkAirportDistances({traffic.userAcState.latitude, traffic.userAcState.longitude});
  return ok;
}

void gf_addMyParkAirport(const std::string& code) {
  if (parkAirportList.empty()) return;
  const auto entry = code.empty() ? parkAirportList.begin() : gf_findParkAirportEntry(code);
  if (entry == parkAirportList.end()) return;
  lf_writeEntry(*entry);
}

void gf_makeFirstParkAirport(const std::string& code, GeoPosition position) {
  const auto found = gf_findParkAirportEntry(code);
  if (found != parkAirportList.end()) {
    parkAirportList.splice(parkAirportList.begin(), parkAirportList, found);
    return;
  }
  parkAirportList.push_front({code, {}, position.latitude, position.longitude, 0.0});
  gf_addMyParkAirport(code);
}

bool gf_setParkAirport(const std::string& code) {
  const AirportData* airport = gf_findAirport(code);
  if (!airport || airport->code != code) return false;
  currentParkAirport = *airport;
  // From now on the feed lets through the ground traffic of this airport.
  trafficReader.setParkAirport(GeoPosition{currentParkAirport.lat, currentParkAirport.lon});
  noAirportShown = false;
  gf_log(fmt::format("\nThe park airport is {}", gf_formatAirportCode(currentParkAirport)));
  return true;
}

void gf_noteParkAirportFailure(const std::string& code) { failedAirports.insert(code); }
bool gf_parkAirportFailed(const std::string& code) { return failedAirports.contains(code); }

void lf_startStaticParking(bool showMessage) {
  gf_disableParkControls();
  trafficReader.startCallsignCollection();
  if (showMessage) gf_showMessage("Calculating static parked aircraft ...", false);
}

void lf_chooseParkAirport(GeoPosition position, bool showMessage) {
  if (userOnGround.load()) {
    const auto closest = gf_findClosestAirport(position);
    if (!closest) {
      if (!std::exchange(noAirportShown, true))
        gf_showMessage("User aircraft on the ground, no airport in sight", true);
      return;
    }
    // An airport whose file cannot be had is asked for once per run, not every 16 seconds.
    if (gf_parkAirportFailed(closest->code)) return;
    if (gf_ensureAirportFile(*closest)) {
      gf_log(fmt::format("User aircraft on the ground at {}", closest->code));
      gf_setParkAirport(closest->code);
      staticParking.parkStart = true;
      lf_startStaticParking(showMessage);
    } else {
      gf_noteParkAirportFailure(closest->code);
      gf_showMessage(fmt::format("User aircraft on the ground at {}, no airport file found", closest->code), true);
    }
    return;
  }
  gf_enableControl(DESTINATION.controlId, true);
  if (parkAirportList.empty()) return;
  const auto& first = parkAirportList.front();
  if (gf_parkAirportFailed(first.code)) return;
  const double d = gf_distanceNm(position, {first.lat, first.lon});
  if (lf_inSight(d) && gf_setParkAirport(first.code)) {
    gf_showMessage(fmt::format("{} in sight at {:.1F} nm", first.code, d), true);
    staticParking.parkStart = true;
    lf_startStaticParking(false);
  }
}

void lf_checkParkAirportInSight(GeoPosition position) {
  if (userOnGround.load()) return;
  const double dPark = gf_distanceNm(position, {currentParkAirport.lat, currentParkAirport.lon});
  if (lf_inSight(dPark)) {
    if (parkAirportList.empty()) return;
    const auto& first = parkAirportList.front();
    if (first.code == currentParkAirport.code || gf_parkAirportFailed(first.code)) return;
    const double dFirst = gf_distanceNm(position, {first.lat, first.lon});
    if (!lf_inSight(dFirst) || dFirst > dPark) return;
    gf_log(fmt::format("\n{} {} is in sight ({:.1F} nm), parked aircraft at {} will be removed first",
                       gf_trafficTimeOfDay(), first.code, dFirst, gf_formatAirportCode(currentParkAirport)));
  } else {
    gf_log(fmt::format("\n{} {} is out of sight ({:.1F} nm), parked aircraft will be removed", gf_trafficTimeOfDay(),
                       gf_formatAirportCode(currentParkAirport), dPark));
  }
  gf_clearGroundTraffic();
}

void lf_refreshParkAirportDistances(GeoPosition position) {
  if (!lf_positionKnown(position) || parkAirportList.empty()) return;
  if (std::abs(position.latitude - sortedAt.latitude) < 1e-8 &&
      std::abs(position.longitude - sortedAt.longitude) < 1e-8) {
    auto& first = parkAirportList.front();
    first.distance = gf_distanceNm(position, {first.lat, first.lon});
    return;
  }
  sortedAt = position;
  if (DESTINATION.get().empty()) lf_sortByDistance(position);
}

bool gf_rereadParkAirports(bool moveReserved, std::string& message) {
  if (!lf_readMyParkAirports()) return false;
  const auto entry = gf_findParkAirportEntry(currentParkAirport.code);
  if (moveReserved && userOnGroundKnown.load() && !parkBusy.load() && !currentParkAirport.code.empty() &&
      entry != parkAirportList.end() &&
      gf_userStand({traffic.userAcState.latitude, traffic.userAcState.longitude}).empty() && !entry->stand.empty() &&
      entry->stand != reservedStand) {
    message = fmt::format("reserved stand changed from '{}' to '{}'", reservedStand, entry->stand);
    if (!reservedStand.empty())
      if (const auto old = gf_findStandByName(reservedStand); old != standList.end()) old->excluded = false;
    reservedStand = entry->stand;
    gf_clearReservedStand();
    if (const auto now = gf_findStandByName(reservedStand); now != standList.end()) now->excluded = true;
    mainWindow.update(parkBandRect, [](DisplayState& d) { d.reservedStandName = reservedStand; });
  }
  if (message.empty()) message = "park airports and stands are okay";
  return true;
}

void gf_installUserStandRecorder() { gf_setUserStandRecorder(lf_recordUserStand); }

void gf_applyRecordedUserStand() {
  std::optional<RecordedStand> recorded;
  {
    std::lock_guard lock(recordedMutex);
    recorded.swap(recordedStand);
  }
  if (!recorded || recorded->code.empty() || recorded->stand.empty()) return;
  auto entry = gf_findParkAirportEntry(recorded->code);
  if (entry == parkAirportList.end()) {
    const AirportData* airport = gf_findAirport(recorded->code);
    if (!airport) return;
    parkAirportList.push_front({recorded->code, {}, airport->lat, airport->lon, 0.0});
    entry = parkAirportList.begin();
  } else if (entry->stand == recorded->stand) {
    return;
  }
  entry->stand = recorded->stand;
  lf_writeEntry(*entry);
}

void gf_resetParkAirports() {
  parkAirportList.clear();
  reservedStand.clear();
  failedAirports.clear();
  noAirportShown = false;
  sortedAt = {0.0, 0.0};
  std::lock_guard lock(recordedMutex);
  recordedStand.reset();
}
