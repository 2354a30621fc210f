#include "feeds/traffic_line.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <fmt/format.h>
#include <stdexcept>

namespace {

constexpr std::array<std::string_view, 9> droppedTypes{"BALL", "EMER", "GLID", "GRND", "GND",
                                                       "PARA", "SERV", "SHIP", "VENT"};
constexpr std::array<std::string_view, 5> droppedCategories{"B1", "B2", "B4", "C1", "C2"};

// Ground traffic is shown only this close to the park airport.
constexpr double parkRadiusNm = 5.0;

enum Field : std::size_t {
  fHexId = 1,
  fLatitude = 2,
  fLongitude = 3,
  fAltitude = 4,
  fVerticalSpeed = 5,
  fTrack = 7,
  fGroundSpeed = 8,
  fCallsign = 9,
  fType = 10,
  fRegistration = 11,
  fOrigin = 12,
  fDestination = 13,
  fTimestamp = 14,
  fSource = 17,
  fTrueAirspeed = 20,
  fRoll = 23,
  fTrueHeading = 25,
  fCategory = 28,
};

template <std::size_t N> bool lf_isOneOf(std::string_view text, const std::array<std::string_view, N>& set) {
  return std::find(set.begin(), set.end(), text) != set.end();
}

bool lf_isDroppedType(std::string_view type) { return type.size() > 4 || lf_isOneOf(type, droppedTypes); }

// An unknown category lets every type through; a known one must be neither a dropped
// category nor come with a dropped type.
bool lf_acceptTypeAndCategory(std::string_view type, std::string_view category, DropReason& reason) {
  if (type.empty()) {
    reason = DropReason::NoType;
    return false;
  }
  if (category == "null" || category.empty()) return true;
  if (lf_isOneOf(category, droppedCategories)) {
    reason = DropReason::DroppedCategory;
    return false;
  }
  if (lf_isDroppedType(type)) {
    reason = DropReason::DroppedType;
    return false;
  }
  return true;
}

double lf_number(std::string_view text, std::string_view name) {
  const auto value = gf_readLineNumber(text);
  if (!value) throw std::runtime_error(fmt::format("{}:{}", name, text));
  return *value;
}

std::string_view lf_nullAsEmpty(std::string_view text) { return text == "null" ? std::string_view{} : text; }

// Close to the park airport's elevation and slow, or simply slow: on the ground.
double lf_groundTest(double altitude, double groundSpeed, const std::optional<double>& parkElevation) {
  if (!(altitude > 0)) altitude = 0;
  if (altitude > 0 && altitude < 14000) {
    const double elevation = parkElevation.value_or(-1000.0);
    const double d = std::fabs(altitude - elevation);
    if (altitude - elevation <= 0 || (d <= 45 && groundSpeed <= 120) || (d <= 90 && groundSpeed <= 80) ||
        (d <= 120 && groundSpeed <= 43))
      altitude = 0;
  }
  if (groundSpeed <= 35) altitude = 0;
  return altitude;
}

double lf_defaultAirspeed(double altitude) {
  if (altitude <= 2000) return 180;
  if (altitude <= 5000) return 220;
  if (altitude <= 10000) return 250;
  if (altitude <= 20000) return 350;
  return 430;
}

void lf_split(std::string_view line, std::vector<std::string_view>& fields) {
  fields.clear();
  // Only fields up to the category are read; one more keeps the category's end exact.
  std::size_t start = 0;
  while (fields.size() < trafficLineFields) {
    const auto comma = line.find(',', start);
    if (comma == std::string_view::npos) {
      fields.push_back(line.substr(start));
      return;
    }
    fields.push_back(line.substr(start, comma - start));
    start = comma + 1;
  }
  fields.push_back(line.substr(start));
}

void lf_parse(std::string_view line, const TrafficLineContext& context, const std::vector<std::string_view>& f,
              TrafficLineResult& result) {
  if (f.size() < trafficLineFields)
    throw std::runtime_error(
        fmt::format("short line of {} fields, {} expected: {}", f.size(), trafficLineFields, line));
  auto& report = result.report;
  auto& point = report.point;
  const auto drop = [&result](DropReason reason) {
    result.outcome = LineOutcome::Dropped;
    result.dropReason = reason;
  };

  report.timestamp = lf_number(f[fTimestamp], "timestamp");
  result.timestamp = report.timestamp;

  point.latitude = lf_number(f[fLatitude], "lat");
  point.longitude = lf_number(f[fLongitude], "lon");
  const GeoPosition position{point.latitude, point.longitude};
  if (!(point.latitude >= -90 && point.latitude <= 90 && point.longitude >= -180 && point.longitude <= 180) ||
      (std::fabs(point.latitude) <= 0.0001 && std::fabs(point.longitude) <= 0.0001))
    throw std::runtime_error(fmt::format("invalid lalo: {:.6f},{:.6f}", point.latitude, point.longitude));

  if (gf_distanceNm(context.reference, position) > context.rangeNm) return drop(DropReason::OutOfRange);

  const auto registration = f[fRegistration];
  if (registration.size() > 12) return drop(DropReason::LongRegistration);
  report.registration = lf_nullAsEmpty(registration);

  const auto callsign = f[fCallsign];
  if (callsign != "null" && !callsign.empty() && callsign.find('@') == std::string_view::npos)
    result.callsignToCollect = callsign;

  const auto type = f[fType];
  if (type != "null" && type != "0" && type != "ZZZZ") report.type = type;
  DropReason reason = DropReason::None;
  if (!lf_acceptTypeAndCategory(report.type, f[fCategory], reason)) return drop(reason);

  if (f[fSource] == "adsb_icao") {
    const double heading = lf_number(f[fTrueHeading], "trueheading");
    if (heading > 360) throw std::runtime_error(fmt::format("trueheading: {:.2f}", heading));
    if (heading == 0)
      point.trueHeading = twoPi;
    else if (heading > 0)
      point.trueHeading = heading * degToRad;
    point.hasAdsbHeading = point.trueHeading.has_value();
  }

  const auto hexId = gf_readLineIdentifier(f[fHexId]);
  if (!hexId) throw std::runtime_error(fmt::format("hexid incorrect{}", f[fHexId]));
  if (*hexId <= 10000) return drop(DropReason::StaticIdentifier);
  report.hexId = *hexId;

  point.groundSpeed = lf_number(f[fGroundSpeed], "gs");
  const auto altitude = gf_readLineNumber(f[fAltitude]);
  if (!altitude) throw std::runtime_error(fmt::format("altitude {} incorrect, from: {}", f[fAltitude], line));
  point.altitude = lf_groundTest(*altitude, point.groundSpeed, context.parkElevation);
  point.airborne = point.altitude > 0;

  if (callsign != "null" && callsign.find('@') == std::string_view::npos) report.callsign = callsign;
  if (report.callsign == "ERARMTR0" || report.callsign == "AIRPORT1") return drop(DropReason::BlockedCallsign);
  if (report.callsign.empty() && report.registration.empty()) return drop(DropReason::NoName);

  if (!point.airborne && (!context.parkAirport || gf_distanceNm(*context.parkAirport, position) > parkRadiusNm))
    return drop(DropReason::GroundAwayFromPark);

  if (!f[fTrack].empty()) {
    const auto track = gf_readLineNumber(f[fTrack]);
    if (!track) throw std::runtime_error(fmt::format("track incorrect {}", f[fTrack]));
    point.track = *track;
  }
  if (point.track == 0 && point.trueHeading) point.track = *point.trueHeading * radToDeg;

  point.verticalSpeed = lf_number(f[fVerticalSpeed], "vs");

  if (gf_isPlainAirportCode(f[fOrigin])) report.origin = f[fOrigin];
  if (gf_isPlainAirportCode(f[fDestination])) report.destination = f[fDestination];

  if (point.airborne) {
    const double roll = lf_number(f[fRoll], "roll");
    if (roll != -1 && roll != 0) point.roll = -(roll * degToRad);
  }

  const auto airspeed = gf_readLineNumber(f[fTrueAirspeed]);
  if (!airspeed) throw std::runtime_error(fmt::format("TAS incorrect{}", f[fTrueAirspeed]));
  point.trueAirspeed = *airspeed == -1 ? lf_defaultAirspeed(point.altitude) : *airspeed;

  result.outcome = LineOutcome::Accepted;
}

} // namespace

std::optional<double> gf_readLineNumber(std::string_view text) {
  double value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  // "inf" and "nan" read as numbers to the conversion, but no field may carry them.
  if (error != std::errc{} || end == text.data() || !std::isfinite(value)) return std::nullopt;
  return value;
}

std::optional<std::uint32_t> gf_readLineIdentifier(std::string_view text) {
  std::uint64_t value = 0;
  std::size_t digits = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') break;
    value = value * 10 + static_cast<std::uint64_t>(c - '0');
    if (value > 0xFFFFFFFFu) return std::nullopt;
    ++digits;
  }
  if (digits == 0) return std::nullopt;
  return static_cast<std::uint32_t>(value);
}

bool gf_isPlainAirportCode(std::string_view text) {
  if (text.size() < 3 || text.size() > 4) return false;
  return std::all_of(text.begin(), text.end(), [](char c) { return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); });
}

TrafficLineResult gf_parseTrafficLine(std::string_view line, const TrafficLineContext& context,
                                      std::vector<std::string_view>& fields) {
  TrafficLineResult result;
  // Ground vehicles are not aircraft: gone without a trace.
  if (line.find(" VEH") != std::string_view::npos) {
    result.dropReason = DropReason::GroundVehicle;
    return result;
  }
  lf_split(line, fields);
  try {
    lf_parse(line, context, fields, result);
  } catch (const std::exception& e) {
    result.outcome = LineOutcome::Failed;
    result.error = e.what();
  }
  if (result.outcome != LineOutcome::Accepted) result.report = {};
  return result;
}
