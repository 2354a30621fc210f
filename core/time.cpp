#include "core/time.h"

#include <array>
#include <atomic>
#include <chrono>
#include <cmath>
#include <fmt/format.h>
#include <optional>

namespace {

std::atomic<TrafficTimestampSource> timestampSource{nullptr};

struct Breakdown {
  int weekday; // 0 Sunday .. 6 Saturday
  int month;   // 0..11
  int day;
  int hour;
  int minute;
  int second;
  int year;
};

// The Windows C library cannot break down times before 1970 or after the year 3000;
// those stay "Invalid time" on every platform. std::chrono keeps this thread-safe.
constexpr std::int64_t latestTime = 32535215999; // 3000-12-31 23:59:59

std::optional<Breakdown> lf_breakDown(std::int64_t seconds) {
  using namespace std::chrono;
  if (seconds < 0 || seconds > latestTime) return std::nullopt;
  const sys_seconds time{std::chrono::seconds(seconds)};
  const auto days = floor<std::chrono::days>(time);
  const year_month_day date{days};
  const hh_mm_ss clock{time - days};
  return Breakdown{static_cast<int>(weekday{days}.c_encoding()),
                   static_cast<int>(static_cast<unsigned>(date.month())) - 1,
                   static_cast<int>(static_cast<unsigned>(date.day())),
                   static_cast<int>(clock.hours().count()),
                   static_cast<int>(clock.minutes().count()),
                   static_cast<int>(clock.seconds().count()),
                   static_cast<int>(date.year())};
}

constexpr std::array<const char*, 8> weekdayNames{"???", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
constexpr std::array<const char*, 13> monthNames{"???", "Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                 "Jul", "Aug", "Sep", "Okt", "Nov", "Dec"};

int lf_mondayFirst(int weekday) { return weekday == 0 ? 7 : weekday; }

} // namespace

std::int64_t gf_nowSeconds() {
  using namespace std::chrono;
  return duration_cast<seconds>(system_clock::now().time_since_epoch()).count();
}

std::string gf_utcTimeText(std::int64_t seconds) {
  const auto parts = lf_breakDown(seconds);
  if (!parts) return "Invalid time";
  const int weekday = lf_mondayFirst(parts->weekday);
  const int month = parts->month + 1;
  return fmt::format("{:3} {:3} {:02} {:02}:{:02}:{:02} {:4}",
                     weekday >= 1 && weekday <= 7 ? weekdayNames[weekday] : "???",
                     month >= 1 && month <= 12 ? monthNames[month] : "???", parts->day, parts->hour, parts->minute,
                     parts->second, parts->year);
}

namespace {
std::string lf_timeOfDay(std::int64_t seconds) {
  const auto text = gf_utcTimeText(seconds);
  if (text.size() < 13) throw std::out_of_range("time text too short");
  return text.substr(text.size() - 13, 8);
}
} // namespace

std::string gf_utcTimeOfDay() { return lf_timeOfDay(gf_nowSeconds()); }

std::string gf_utcDateText() {
  const auto text = gf_utcTimeText(gf_nowSeconds());
  if (text.size() < 21) throw std::out_of_range("time text too short");
  return fmt::format("{}, {}", text.substr(4, 6), text.substr(20, 4));
}

std::string gf_trafficTimeOfDay() { return lf_timeOfDay(gf_trafficClock()); }

WeekTime gf_weekTimeAt(std::int64_t seconds) {
  const auto parts = lf_breakDown(seconds);
  if (!parts) return {};
  WeekTime week;
  week.day = lf_mondayFirst(parts->weekday);
  week.slot = 2 * parts->hour + ((parts->minute > 29 || (parts->minute == 29 && parts->second >= 30)) ? 1 : 0);
  return week;
}

WeekTime gf_weekTime() { return gf_weekTimeAt(gf_trafficClock()); }

void gf_setTrafficTimestampSource(TrafficTimestampSource source) { timestampSource.store(source); }

std::int64_t gf_trafficClockFrom(double lineTimestamp, std::int64_t now) {
  // The fraction is cut off, not rounded; NaN and values beyond int64 are no timestamps.
  if (!(lineTimestamp >= 1.0) || lineTimestamp >= 9.2e18) return now;
  return static_cast<std::int64_t>(std::trunc(lineTimestamp));
}

std::int64_t gf_trafficClock() {
  const auto source = timestampSource.load();
  return gf_trafficClockFrom(source ? source() : 0.0, gf_nowSeconds());
}
