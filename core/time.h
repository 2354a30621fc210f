#pragma once
// UTC time texts, the week time of stand use, and the traffic clock.
#include <cstdint>
#include <string>

struct WeekTime {
  std::int32_t day = -1;  // 1 Monday .. 7 Sunday, -1 unknown
  std::int32_t slot = -1; // half-hour of the day 0..47, -1 unknown
  bool operator==(const WeekTime&) const = default;
};

// Seconds since 1970 of the system clock.
std::int64_t gf_nowSeconds();

// "Tue Dec 08 22:15:59 2026", or "Invalid time".
std::string gf_utcTimeText(std::int64_t seconds);
std::string gf_utcTimeOfDay();
std::string gf_utcDateText();
std::string gf_trafficTimeOfDay();
WeekTime gf_weekTime();
WeekTime gf_weekTimeAt(std::int64_t seconds);

// The traffic clock follows the feed's timestamps while RealTraffic reports its
// professional edition. The feed installs a source that gives the current line's
// timestamp then, and 0 otherwise.
using TrafficTimestampSource = double (*)();
void gf_setTrafficTimestampSource(TrafficTimestampSource source);
std::int64_t gf_trafficClock();
// The rule itself: the whole seconds of a timestamp of at least one second, else now.
std::int64_t gf_trafficClockFrom(double lineTimestamp, std::int64_t now);
