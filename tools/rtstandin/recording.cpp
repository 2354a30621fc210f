#include "recording.h"

#include <algorithm>
#include <charconv>
#include <fmt/format.h>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace rtstandin {

namespace {

std::vector<std::string_view> splitCommas(std::string_view line) {
  std::vector<std::string_view> parts;
  std::size_t start = 0;
  while (true) {
    const auto comma = line.find(',', start);
    parts.push_back(line.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start));
    if (comma == std::string_view::npos) return parts;
    start = comma + 1;
  }
}

std::optional<double> number(std::string_view text) {
  double value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc{} || end != text.data() + text.size()) return std::nullopt;
  return value;
}

std::string_view orNull(std::string_view text) { return text.empty() ? std::string_view("null") : text; }
std::string_view orMinusOne(std::string_view text) { return text.empty() ? std::string_view("-1") : text; }

} // namespace

std::optional<std::string> convertShortLine(std::string_view line, double reportTime) {
  const auto f = splitCommas(line);
  if (f.size() < 14 || f[0] != "AITFC") return std::nullopt;
  const bool vehicle = f[10] == "ZZZC";
  return fmt::format(
      "RTTFC,{},{},{},{},{},{},{},{},{},{},{},{},{},{:.2f},null,{},replay,{},-1,-1,-1,-1,-1,-1,-1,-1,-1,{}", f[1], f[2],
      f[3], orMinusOne(f[4]), orMinusOne(f[5]), f[6] == "0" ? "0" : "1", f[7], orMinusOne(f[8]), orNull(f[9]),
      orNull(f[10]), orNull(f[11]), orNull(f[12]), orNull(f[13]), reportTime, vehicle ? "SURFACE VEH" : "null",
      f[6] == "0" ? "1" : "0", vehicle ? "C2" : "A0");
}

double shiftedTime(double recorded, double firstTime, double startEpoch, double speed) {
  return startEpoch + (recorded - firstTime) / speed;
}

Schedule scheduleFromText(std::string_view text) {
  Schedule schedule;
  // The recording's clock: the latest report time so far. Lines come in the order they
  // were received, a little after their report times.
  std::optional<double> latest;
  std::optional<double> first;
  std::size_t start = 0;
  while (start < text.size()) {
    auto end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    auto line = text.substr(start, end - start);
    start = end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty() || line.front() == '#') continue;
    ScheduledDatagram datagram;
    datagram.text = std::string(line);
    if (line.front() == '{') {
      datagram.kind = DatagramKind::Weather;
    } else if (line.starts_with("AITFC,")) {
      const auto fields = splitCommas(line);
      if (fields.size() < 14) {
        ++schedule.skippedLines;
        continue;
      }
      const auto own = fields.size() > 14 ? number(fields[14]) : std::nullopt;
      if (own) {
        latest = std::max(latest.value_or(*own), *own);
        if (!first) first = latest;
      }
      // A line without its own time was reported at the recording's current time.
      datagram.reportTime = own ? own : latest;
    }
    datagram.offsetSeconds = latest && first ? *latest - *first : 0.0;
    schedule.datagrams.push_back(std::move(datagram));
  }
  schedule.firstTime = first.value_or(0.0);
  return schedule;
}

Schedule readSchedule(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  std::ostringstream content;
  content << in.rdbuf();
  return scheduleFromText(content.str());
}

} // namespace rtstandin
