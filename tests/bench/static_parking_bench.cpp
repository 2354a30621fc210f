// The static parking plan and the renewal, each timed as the per-second step that runs it,
// at a large airport (300 stands with 64 learned options each) and a huge one (600 stands
// with 256 each), with 2,000 callsigns seen by the feed in the collection window. The
// goal: under 10 ms and under 50 ms, so that the step fits the main loop's turn.
#include "airports/park_airport.h"
#include "airports/stands.h"
#include "core/random.h"
#include "core/settings/parameters.h"
#include "core/shell/requests.h"
#include "core/shell/week_clock.h"
#include "feeds/adding_stack.h"
#include "feeds/traffic_reader.h"
#include "traffic/parking/parking_state.h"
#include "traffic/parking/static_placement.h"
#include "traffic/parking/static_plan.h"
#include "traffic/parking/static_renewal.h"
#include "traffic/traffic_state.h"

#include <benchmark/benchmark.h>
#include <chrono>
#include <cmath>
#include <fmt/format.h>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr double laxLat = 33.9425;
constexpr double laxLon = -118.408;
constexpr std::int32_t seenCount = 2000;
const std::string staticTitle = "Boeing 737-800 Bench";
const std::vector<std::string> airlines{"AAL", "DAL", "UAL", "SWA", "ASA", "JBU", "KLM", "BAW"};
const std::vector<std::string> types{"B738", "A320", "B77W", "A321", "E175", "B789"};

// A traffic line of the feed, near the airport, with this callsign.
std::string lf_trafficLine(const std::string& callsign) {
  return fmt::format("RTTFC,11234567,33.9425,-118.408,3000,-500,1,250,180,{},B738,N12345,KJFK,KLAX,1718000000.5,null,"
                     "null,adsb_other,null,null,-1,null,null,-1,null,-1,null,null,A3",
                     callsign);
}

std::string lf_callsign(std::int32_t stand, std::int32_t option) {
  return fmt::format("{}{}", airlines[static_cast<std::size_t>(option) % airlines.size()], stand * 300 + option);
}

// Stands 80 m apart on a grid, each with `options` learned uses spread over the week.
void lf_buildAirport(std::int32_t stands, std::int32_t options) {
  std::mt19937 engine(42);
  standList.clear();
  standList.reserve(static_cast<std::size_t>(stands));
  for (std::int32_t k = 0; k < stands; ++k) {
    const double north = (k / 25) * 80.0 / 1852.0;
    const double east = (k % 25) * 80.0 / 1852.0;
    StandData stand(fmt::format("S{}", k + 1), {}, laxLat + north / 60.0,
                    laxLon + east / (60.0 * std::cos(laxLat * 3.141592653589793 / 180.0)), 0.0, 30, false, false,
                    false);
    for (std::int32_t o = 0; o < options; ++o) {
      StandOptionData option;
      option.airline = airlines[static_cast<std::size_t>(o) % airlines.size()];
      option.type = types[engine() % types.size()];
      option.registration = fmt::format("N{}", k * 1000 + o);
      option.callsign = lf_callsign(k, o);
      if (o % 3 == 0) option.coupledCallsign = fmt::format("{}X", lf_callsign(k, o));
      option.day = static_cast<std::int32_t>(engine() % 7) + 1;
      const auto first = static_cast<std::int32_t>(engine() % 44);
      for (std::int32_t s = first; s < std::min(first + 2 + static_cast<std::int32_t>(engine() % 8), 48); ++s)
        option.hours |= std::uint64_t{1} << s;
      option.number = o + 1;
      option.real = o % 5 != 0;
      stand.options.push_back(std::move(option));
    }
    standList.push_back(std::move(stand));
  }
  gf_numberAndLinkStands(standList);
}

// The feed reports 2,000 callsigns during the collection window: some of the options' flights
// among them.
void lf_feedReports(std::int32_t stands) {
  trafficReader.setReference({laxLat, laxLon});
  trafficReader.startCallsignCollection();
  for (std::int32_t k = 0; k < seenCount; ++k)
    trafficReader.handleLine(lf_trafficLine(k % 2 == 0 ? lf_callsign(k % stands, k % 64) : fmt::format("ZZZ{}", k)));
}

void lf_setUp(std::int32_t stands, std::int32_t options) {
  gf_resetTraffic();
  gf_reserveTraffic();
  gf_setAcceptingTraffic(false);
  currentParkAirport = {"KLAX", "LAX", laxLat, laxLon, 125};
  currentWeekTime.store(WeekTime{3, 20});
  parking_percentage.set(60);
  MAX_FIT.set(8);
  RANDOM.set(true);
  gf_randomEngine().seed(7);
  gf_setStaticLiveryMatcher([](AircraftInfoData& info, const StandData&) {
    info.liveryTitle = staticTitle;
    return true;
  });
  lf_buildAirport(stands, options);
}

void lf_placeAllActive() {
  while (!wantedList.empty()) lf_placeNextStatic();
  for (auto& s : traffic.staticList) {
    s.state = LiveState::Active;
    s.objectId = static_cast<std::int32_t>(s.aircraftInfo.hexid) + 1;
  }
  traffic.staticCreateBacklog.clear();
}

double lf_millis(std::chrono::steady_clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

void staticPlan(benchmark::State& state) {
  const auto stands = static_cast<std::int32_t>(state.range(0));
  lf_setUp(stands, static_cast<std::int32_t>(state.range(1)));
  for (auto _ : state) {
    lf_feedReports(stands);
    const auto start = std::chrono::steady_clock::now();
    lf_planStaticParking();
    state.SetIterationTime(lf_millis(std::chrono::steady_clock::now() - start) / 1000.0);
    benchmark::DoNotOptimize(wantedList.size());
  }
  state.counters["wanted"] = static_cast<double>(wantedList.size());
  gf_setStaticLiveryMatcher({});
  gf_resetTraffic();
}

void staticRenewal(benchmark::State& state) {
  const auto stands = static_cast<std::int32_t>(state.range(0));
  lf_setUp(stands, static_cast<std::int32_t>(state.range(1)));
  lf_feedReports(stands);
  lf_planStaticParking();
  lf_placeAllActive();
  const StaticList placed = traffic.staticList;
  std::size_t removed = 0;
  for (auto _ : state) {
    traffic.staticList = placed;
    traffic.removeBacklog.clear();
    currentWeekTime.store(WeekTime{3, 20});
    lf_feedReports(stands);
    currentWeekTime.store(WeekTime{3, 22});
    const auto start = std::chrono::steady_clock::now();
    gf_adjustParking();
    state.SetIterationTime(lf_millis(std::chrono::steady_clock::now() - start) / 1000.0);
    removed = traffic.removeBacklog.size();
  }
  state.counters["statics"] = static_cast<double>(placed.size());
  state.counters["removed"] = static_cast<double>(removed);
  state.counters["added"] = static_cast<double>(wantedList.size());
  gf_setStaticLiveryMatcher({});
  gf_resetTraffic();
}

} // namespace

BENCHMARK(staticPlan)->Args({300, 64})->Args({600, 256})->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(staticRenewal)->Args({300, 64})->Args({600, 256})->UseManualTime()->Unit(benchmark::kMillisecond);
