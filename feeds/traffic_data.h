#pragma once
// One traffic report as the Traffic Reader hands it to live traffic.
#include <cstdint>
#include <optional>
#include <string>

// The moving part of a report; live traffic copies it whole into an aircraft's position stream.
struct FeedPoint {
  double latitude = 0.0;      // degrees
  double longitude = 0.0;     // degrees
  double altitude = 0.0;      // feet; exactly 0 on the ground
  double groundSpeed = 0.0;   // knots
  double track = 0.0;         // degrees
  double verticalSpeed = 0.0; // as sent
  double trueAirspeed = 0.0;  // knots
  std::int32_t dueTick = 0;   // traffic tick at which the report falls due
  bool airborne = false;
  bool extraFlag = false; // live traffic's own mark on its copies
  bool hasAdsbHeading = false;
  std::optional<double> roll;        // radians, sign reversed against the feed
  std::optional<double> trueHeading; // radians, (0, 2 pi]
  bool operator==(const FeedPoint&) const = default;
};

struct TrafficData {
  // The same head as live traffic's aircraft records, copied into a new aircraft.
  std::string airline; // empty in a report
  std::string type;
  std::string origin;
  std::string destination;
  std::string callsign;
  std::string coupledCallsign1; // empty in a report
  std::string coupledCallsign2; // empty in a report
  std::string registration;     // at most 12 characters
  bool headFlag = false;
  FeedPoint point;
  double timestamp = 0.0;  // report time, seconds since 1970 UTC
  std::uint32_t hexId = 0; // above 10000: lower numbers belong to static parked aircraft
  bool operator==(const TrafficData&) const = default;
};
