#pragma once
// Recordings and scenarios as the stand-in plays them: each line of the file becomes one
// datagram with its moment in the replay.
//
// Input lines:
//   AITFC,hexid,lat,lon,alt_ft,vs_fpm,airborne,track,speed_kt,callsign,type,registration,from,to[,epoch]
//       RealTraffic's older short format, converted to the long traffic layout below;
//   {...}   a weather datagram (JSON), sent as it stands to the weather port;
//   # ...   a comment; empty lines are skipped;
//   anything else is a traffic datagram sent exactly as written (for hand-made edge cases).
// Any of these may carry the time it was recorded in front, "T : AITFC,...", T in seconds
// since 1970: the line's report time, whatever the line itself says.
//
// The long traffic layout (fields counted from 0; unknown values "null", or -1 for numbers):
//   0 "RTTFC"  1 hexid  2 lat  3 lon  4 altitude ft  5 vertical speed  6 airborne 0/1
//   7 track  8 ground speed  9 callsign  10 type  11 registration  12 origin  13 destination
//   14 report time (s since 1970)  15 squawk  16 description (ground vehicles: "SURFACE VEH")
//   17 data source  18 on-ground flag  19 indicated airspeed  20 true airspeed  21 mach
//   22 track rate  23 roll  24 magnetic heading  25 true heading  26 baro rate  27 geo altitude
//   28 emitter category
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace rtstandin {

enum class DatagramKind { Traffic, Weather };

struct ScheduledDatagram {
  double offsetSeconds = 0.0; // after the start of the replay, at speed 1
  DatagramKind kind = DatagramKind::Traffic;
  std::string text; // for converted lines, the report time is filled in when sent
  // Short-format lines: the line's recorded time or its own report time or, for a line
  // without either, the recording's time at that line; empty when the file gives no time at
  // all (then the moment of sending is the report time).
  std::optional<double> reportTime;
};

struct Schedule {
  std::vector<ScheduledDatagram> datagrams;
  // The recording's time at offset 0. A line's offset is the latest report time up to it,
  // where a line whose time is far out of step with the recording (a clock gone wrong: with
  // the lines around it, or ahead of most lines after it) counts for nothing: it leaves with
  // the lines around it, with its own time.
  double firstTime = 0.0;
  std::size_t skippedLines = 0;
};

// Reads a recording or scenario; throws when the file cannot be read.
Schedule readSchedule(const std::string& path);
Schedule scheduleFromText(std::string_view text);

// The schedule from `fromSeconds` into the recording on: earlier traffic lines are left out,
// the last weather line before it leaves at once, and the replay's clock starts there.
Schedule scheduleFrom(Schedule schedule, double fromSeconds);

// One short-format line in the long layout; the report time is `reportTime` as written
// by the caller. Empty when the line is not a short-format traffic line.
std::optional<std::string> convertShortLine(std::string_view line, double reportTime);

// The report time the recording's time `recorded` gets in a replay started at `startEpoch`.
double shiftedTime(double recorded, double firstTime, double startEpoch, double speed);

} // namespace rtstandin
