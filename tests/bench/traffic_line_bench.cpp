// Traffic lines parsed per second on one core: the feed must never cost the simulator
// anything, so the aim is at least a million lines a second.
#include "feeds/traffic_line.h"

#include <benchmark/benchmark.h>
#include <string>
#include <vector>

namespace {

const std::vector<std::string> lines{
    "RTTFC,11234567,33.9425,-118.408,3000,-500,1,250,180,AAL123,B738,N12345,KJFK,KLAX,1718000000.5,null,null,"
    "adsb_icao,null,null,-1,null,null,10,null,90,null,null,A3",
    "RTTFC,10793575,33.949511,-118.417211,0,0,0,84,36,UAL9,A321,N501UA,SFO,LAX,1796908783.51,null,null,"
    "mlat,1,-1,-1,-1,-1,-1,-1,-1,-1,-1,A3",
    "RTTFC,10576834,33.990800,-118.823400,34000,0,1,315,186,SKW3452,E75L,N123SY,SLC,LAX,1796908783.24,null,"
    "null,adsb_icao,0,-1,450,-1,-1,2.5,-1,312.4,-1,-1,A3",
    "RTTFC,10804637,34.9,-118.412732,0,0,0,183,22,N66W,C172,N66W,null,null,1611615218,null,null,replay,1,-1,"
    "-1,-1,-1,-1,-1,-1,-1,-1,A1",
};

void parseTrafficLines(benchmark::State& state) {
  TrafficLineContext context;
  context.reference = {33.9425, -118.408};
  context.rangeNm = 40;
  context.parkAirport = GeoPosition{33.9425, -118.408};
  context.parkElevation = 125;
  std::vector<std::string_view> fields;
  fields.reserve(64);
  std::size_t i = 0;
  for (auto _ : state) {
    auto result = gf_parseTrafficLine(lines[i], context, fields);
    benchmark::DoNotOptimize(result);
    i = (i + 1) % lines.size();
  }
  state.SetItemsProcessed(state.iterations());
}

} // namespace

BENCHMARK(parseTrafficLines);
