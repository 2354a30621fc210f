// The per-second step and the twin sweep with live traffic's lists as full as they get
// (512 live aircraft, 256 statics, all on the ground around KLAX): they run on the main
// loop's turn and must leave almost all of its 10 ms to live traffic.
#include "app/per_second.h"
#include "app/run.h"
#include "app/run_services.h"
#include "app/user_collisions.h"
#include "core/settings/parameters.h"
#include "core/shell/run_state.h"

#include <benchmark/benchmark.h>
#include <fmt/format.h>
#include <vector>

namespace {

struct Lists {
  std::vector<LiveAircraft> live;
  std::vector<AircraftData> statics;
};

Lists lf_fullLists() {
  Lists lists;
  const GeoPosition klax{33.9425, -118.4081};
  for (int i = 0; i < 512; ++i) {
    LiveAircraft l;
    const auto at = gf_destinationPoint(klax, i * 0.05, 2000.0 + 40.0 * i);
    l.lat = at.latitude;
    l.lon = at.longitude;
    l.onGround = true;
    l.phase = i % 2 == 0 ? FlightPhase::Taxi : FlightPhase::Parked;
    l.aircraft.state = LiveState::Active;
    l.aircraft.aircraftInfo.callsign = fmt::format("AAL{}", i);
    l.aircraft.aircraftInfo.registration = fmt::format("N{}AA", i);
    l.aircraft.aircraftInfo.halfSpanNm = 0.02;
    lists.live.push_back(std::move(l));
  }
  for (int i = 0; i < 256; ++i) {
    AircraftData s;
    const auto at = gf_destinationPoint(klax, i * 0.1, 1500.0 + 30.0 * i);
    s.standLat = at.latitude;
    s.standLon = at.longitude;
    s.state = LiveState::Active;
    s.aircraftInfo.callsign = fmt::format("DLH{}*", i);
    s.aircraftInfo.registration = fmt::format("D-A{}", i);
    s.aircraftInfo.halfSpanNm = 0.02;
    lists.statics.push_back(std::move(s));
  }
  return lists;
}

void perSecondStep(benchmark::State& state) {
  auto lists = lf_fullLists();
  runServices = {};
  runServices.traffic.liveList = &lists.live;
  runServices.traffic.staticList = &lists.statics;
  runServices.link.userOnGround = [] { return true; };
  runServices.link.gf_userHalfSpanNm = [] { return std::optional<double>(0.02); };
  runServices.traffic.gf_removeCollidingStatic = [](LiveAircraft&) {};
  COLLISION_LIVE_PARKED_GND.set(true);
  auto user = runFlow.userAc;
  for (auto _ : state) {
    // The user aircraft moves a little every second: the statics are checked each time.
    user.latitude = 33.9425 + 1e-6 * static_cast<double>(state.iterations() % 1000);
    user.longitude = -118.4081;
    gf_setUserAc(user);
    runState.seconds = 1;
    gf_perSecondStep();
  }
  runServices = {};
}
BENCHMARK(perSecondStep)->Unit(benchmark::kMicrosecond);

void twinSweepWithoutTwins(benchmark::State& state) {
  auto lists = lf_fullLists();
  for (auto _ : state) benchmark::DoNotOptimize(gf_staticTwinOfLive(lists.live, lists.statics));
}
BENCHMARK(twinSweepWithoutTwins)->Unit(benchmark::kMicrosecond);

} // namespace
