#include "recording.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <fmt/format.h>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <utility>

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
  if (error != std::errc{} || end != text.data() + text.size() || !std::isfinite(value)) return std::nullopt;
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

// The recording's clock. Lines come in the order they were received, each a little after
// its report time, so the latest report time so far tells the recording's time. A line far
// out of step with the recording (a clock gone wrong, a stale report) must not move it: such
// a line is judged against the median time of the lines around it, and, since a run of such
// lines may outnumber its neighbours, against the lines after it too: a line stamped far later
// than most of the recording after it is ahead of the recording, however many such lines
// come together.
constexpr std::size_t neighbours = 15; // on each side
constexpr double outOfStepSeconds = 300;

double medianAround(const std::vector<double>& times, std::size_t index) {
  const std::size_t window = std::min(times.size(), 2 * neighbours + 1);
  const std::size_t first = std::min(index - std::min(index, neighbours), times.size() - window);
  std::vector<double> around(times.begin() + static_cast<std::ptrdiff_t>(first),
                             times.begin() + static_cast<std::ptrdiff_t>(first + window));
  const auto middle = around.begin() + static_cast<std::ptrdiff_t>(window / 2);
  std::nth_element(around.begin(), middle, around.end());
  return *middle;
}

// For each line, how many of the lines after it are stamped more than outOfStepSeconds
// earlier (a count over a Fenwick tree of the times seen from the end).
std::vector<std::size_t> earlierAfter(const std::vector<double>& times) {
  std::vector<double> sorted = times;
  std::sort(sorted.begin(), sorted.end());
  sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
  std::vector<std::size_t> tree(sorted.size() + 1, 0);
  std::vector<std::size_t> counts(times.size(), 0);
  for (std::size_t k = times.size(); k-- > 0;) {
    auto below = static_cast<std::size_t>(std::lower_bound(sorted.begin(), sorted.end(), times[k] - outOfStepSeconds) -
                                          sorted.begin());
    for (; below > 0; below -= below & (~below + 1)) counts[k] += tree[below];
    auto at = static_cast<std::size_t>(std::lower_bound(sorted.begin(), sorted.end(), times[k]) - sorted.begin()) + 1;
    for (; at < tree.size(); at += at & (~at + 1)) ++tree[at];
  }
  return counts;
}

// "T : rest", a line with the time it was recorded in seconds since 1970 in front; nothing
// when the line has no such prefix.
std::optional<std::pair<double, std::string_view>> timePrefix(std::string_view line) {
  double time = 0;
  const auto [end, error] = std::from_chars(line.data(), line.data() + line.size(), time);
  if (error != std::errc{} || end == line.data() || !std::isfinite(time)) return std::nullopt;
  auto rest = line.substr(static_cast<std::size_t>(end - line.data()));
  const auto blanks = [&rest] {
    while (!rest.empty() && (rest.front() == ' ' || rest.front() == '\t')) rest.remove_prefix(1);
  };
  blanks();
  if (rest.empty() || rest.front() != ':') return std::nullopt;
  rest.remove_prefix(1);
  blanks();
  return std::pair{time, rest};
}

Schedule scheduleFromText(std::string_view text) {
  Schedule schedule;
  std::vector<double> times;        // of the lines with a time of their own, in order
  std::vector<std::size_t> timedAt; // their places in the schedule
  std::size_t start = 0;
  while (start < text.size()) {
    auto end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    auto line = text.substr(start, end - start);
    start = end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty() || line.front() == '#') continue;
    // A recording with the time of every line in front: that time is the line's report time.
    std::optional<double> recorded;
    if (const auto prefixed = timePrefix(line)) {
      recorded = prefixed->first;
      line = prefixed->second;
      if (line.empty()) continue;
    }
    ScheduledDatagram datagram;
    datagram.text = std::string(line);
    if (!line.empty() && line.front() == '{') {
      datagram.kind = DatagramKind::Weather;
    } else if (line.starts_with("AITFC,")) {
      const auto fields = splitCommas(line);
      if (fields.size() < 14) {
        ++schedule.skippedLines;
        continue;
      }
      datagram.reportTime = recorded ? recorded : fields.size() > 14 ? number(fields[14]) : std::nullopt;
      recorded = datagram.reportTime;
    }
    if (recorded) {
      times.push_back(*recorded);
      timedAt.push_back(schedule.datagrams.size());
    }
    schedule.datagrams.push_back(std::move(datagram));
  }
  if (times.empty()) return schedule;

  const auto earlier = earlierAfter(times);
  const auto inStep = [&](std::size_t k) {
    const std::size_t after = times.size() - 1 - k;
    const bool ahead = earlier[k] >= neighbours && 2 * earlier[k] > after;
    return !ahead && std::fabs(times[k] - medianAround(times, k)) <= outOfStepSeconds;
  };
  // The replay starts at the first line in step with the others.
  std::size_t firstInStep = 0;
  while (firstInStep + 1 < times.size() && !inStep(firstInStep)) ++firstInStep;
  double clock = times[firstInStep];
  schedule.firstTime = clock;
  std::size_t next = 0; // the next line with a time of its own
  for (std::size_t i = 0; i < schedule.datagrams.size(); ++i) {
    auto& datagram = schedule.datagrams[i];
    if (next < times.size() && timedAt[next] == i) {
      if (inStep(next)) clock = std::max(clock, times[next]);
      ++next;
    } else if (datagram.text.starts_with("AITFC,")) {
      // A line without a time of its own was reported at the recording's current time.
      datagram.reportTime = clock;
    }
    datagram.offsetSeconds = clock - schedule.firstTime;
  }
  return schedule;
}

Schedule scheduleFrom(Schedule schedule, double fromSeconds) {
  if (!(fromSeconds > 0)) return schedule;
  Schedule later;
  later.firstTime = schedule.firstTime + fromSeconds;
  later.skippedLines = schedule.skippedLines;
  // The weather in force at the new start goes first, so the QNH is known from the outset.
  const ScheduledDatagram* weather = nullptr;
  for (const auto& datagram : schedule.datagrams) {
    if (datagram.offsetSeconds < fromSeconds) {
      if (datagram.kind == DatagramKind::Weather) weather = &datagram;
      continue;
    }
    if (weather) {
      later.datagrams.push_back(*weather);
      later.datagrams.back().offsetSeconds = 0;
      weather = nullptr;
    }
    later.datagrams.push_back(datagram);
    later.datagrams.back().offsetSeconds -= fromSeconds;
  }
  return later;
}

Schedule readSchedule(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  std::ostringstream content;
  content << in.rdbuf();
  return scheduleFromText(content.str());
}

} // namespace rtstandin
