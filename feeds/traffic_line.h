#pragma once
// The traffic line of RealTraffic's traffic datagrams: one aircraft as a row of
// comma-separated fields, read and filtered into a traffic report. A pure function of
// the line and the reader's context, so every rule can be checked line by line.
#include "core/geodesy.h"
#include "feeds/traffic_data.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Fields 0..28 are read; a shorter line is refused.
inline constexpr std::size_t trafficLineFields = 29;

struct TrafficLineContext {
  GeoPosition reference; // the range is measured from here
  double rangeNm = 0.0;
  std::optional<GeoPosition> parkAirport; // the current park airport, when there is one
  std::optional<double> parkElevation;    // its field elevation in feet, when known
};

enum class LineOutcome { Accepted, Dropped, Failed };

enum class DropReason {
  None,
  GroundVehicle,
  OutOfRange,
  LongRegistration,
  NoType,
  DroppedCategory,
  DroppedType,
  StaticIdentifier,
  BlockedCallsign,
  NoName,
  GroundAwayFromPark,
};

struct TrafficLineResult {
  LineOutcome outcome = LineOutcome::Dropped;
  DropReason dropReason = DropReason::None;
  std::string error;                  // Failed: the text for the log
  std::optional<double> timestamp;    // the report time, whenever it could be read
  std::string_view callsignToCollect; // the raw callsign for a running collection (view into the line)
  TrafficData report;                 // Accepted: the report without its due tick
};

// `fields` is the caller's scratch room, kept from line to line; the views in it and in
// the result point into `line`.
TrafficLineResult gf_parseTrafficLine(std::string_view line, const TrafficLineContext& context,
                                      std::vector<std::string_view>& fields);

// The number rules of the line: a decimal floating-point number at the start of the
// text (no blank, no '+', nothing but finite values), the rest ignored.
std::optional<double> gf_readLineNumber(std::string_view text);
// The identifier: the leading decimal digits as an unsigned 32-bit number.
std::optional<std::uint32_t> gf_readLineIdentifier(std::string_view text);
// Origin and destination end up in flight plan files: only 3 or 4 upper-case letters
// or digits are taken as an airport code.
bool gf_isPlainAirportCode(std::string_view text);
