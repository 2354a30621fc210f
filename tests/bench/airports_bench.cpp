// The airport files at start-up and at a park airport. Goals: the shipped airports file read
// in under 100 ms and searched for the closest airport in under 1 ms; a park airport of 500
// stands with 100,000 learned options read, merged and linked in under 200 ms; a hostile
// file of 20,000 stands (spread out, stacked on one spot, one of them huge or at the pole,
// or all of them tiny) in under 2 s.
#include "airports/airport_list.h"
#include "airports/closest_airport.h"
#include "airports/park_airport.h"
#include "core/files.h"
#include "core/log.h"
#include "core/settings/file_names.h"

#include <benchmark/benchmark.h>
#include <filesystem>
#include <fmt/format.h>
#include <fstream>
#include <random>
#include <string>

namespace fs = std::filesystem;

namespace {

// A program folder in the temporary folder, the working folder while the benchmarks run.
class BenchFolder {
public:
  BenchFolder() : path_(fs::temp_directory_path() / fmt::format("hvm-bench-{}", std::random_device{}())) {
    for (const auto& folder : {myThirdpartyFolder, learnedThirdpartyFolder / "P", inputFolder})
      fs::create_directories(path_ / folder);
    fs::copy_file(fs::path(HVM_SOURCE_DIR) / "input" / "airports_p3d.xml", path_ / inputFolder / "airports_p3d.xml");
    previous_ = fs::current_path();
    fs::current_path(path_);
  }
  ~BenchFolder() {
    fs::current_path(previous_);
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }

private:
  fs::path path_;
  fs::path previous_;
};

BenchFolder& benchFolder() {
  static BenchFolder folder;
  return folder;
}

constexpr const char* meta = R"(<meta><info name="author" value="Hivemoor"/><info name="version" value="11.0.3"/>)"
                             R"(<info name="date" value="Dec 08, 2026"/></meta>)";

enum class Layout {
  Spread,  // over about 2 km
  Stacked, // all on one spot
  OneHuge, // spread, and the first stand 1 km in radius, as large as a file may make it
  Tiny,    // spread, every radius far below a millimetre
  Pole,    // spread, and the first stand at the north pole
};

// A park file of CODE in my_thirdparty (publisher P) and its learned file, each learned
// stand with its share of the options.
void writeAirport(const std::string& code, int stands, int options, Layout layout) {
  const bool stacked = layout == Layout::Stacked;
  std::mt19937 engine(7);
  std::uniform_real_distribution<double> offset(-0.01, 0.01);
  std::uniform_real_distribution<double> radius(10.0, 40.0);
  std::ofstream park(myThirdpartyFolder / (code + ".xml"));
  park << "<?xml version=\"1.0\"?>\n"
       << meta << "\n<parameters>\n"
       << "<parameter name=\"altitude\" value=\"125\"/><parameter name=\"publisher\" value=\"P\"/>\n"
       << "<parameter name=\"airport_name\" value=\"Bench\"/></parameters>\n<parkpositions>\n";
  for (int k = 0; k < stands; ++k)
    park << fmt::format(R"(<parkpos id="S{}" latitude="{:.6f}" longitude="{:.6f}" heading="90" radius="{}"/>)", k,
                        layout == Layout::Pole && k == 0 ? 90.0 : 33.94 + (stacked ? 0.0 : offset(engine)),
                        -118.40 + (stacked ? 0.0 : offset(engine)),
                        layout == Layout::OneHuge && k == 0 ? 1000.0
                        : layout == Layout::Tiny            ? 1e-300
                                                            : radius(engine))
         << '\n';
  park << "</parkpositions>\n";
  std::ofstream learned(learnedThirdpartyFolder / "P" / (code + ".xml"));
  learned << "<?xml version=\"1.0\"?>\n"
          << meta << "\n<parameters>\n"
          << "<parameter name=\"airport_name\" value=\"Bench\"/><parameter name=\"MAX_FIT\" value=\"20\"/>\n"
          << "</parameters>\n<parkpositions>\n";
  const int perStand = options / stands;
  for (int k = 0; k < stands; ++k) {
    learned << fmt::format("<parkpos id=\"S{}\">\n", k);
    for (int o = 0; o < perStand; ++o)
      learned << fmt::format(R"(<opt reg="N{}{}" airl="UAL" type="B738" day="{}" hh="{},{}" cs="UAL{}"/>)", k, o,
                             o % 7 + 1, o % 47, o % 47 + 1, o)
              << '\n';
    learned << "</parkpos>\n";
  }
  learned << "</parkpositions>\n";
}

void readAirportsFile(benchmark::State& state) {
  benchFolder();
  for (auto _ : state) {
    gf_forgetAirports();
    benchmark::DoNotOptimize(gf_readAirports("airports_p3d.xml"));
  }
  state.counters["airports"] = static_cast<double>(airportList.size());
}

void findClosestAirport(benchmark::State& state) {
  benchFolder();
  gf_forgetAirports();
  gf_readAirports("airports_p3d.xml");
  // At a lone airport (no neighbour within 5 nm, so no stand file is asked), and far out at sea.
  const GeoPosition positions[] = {{52.309069, 4.763385}, {40.0, -40.0}};
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(gf_findClosestAirport(positions[i]));
    i = (i + 1) % 2;
  }
}

void readParkAirport(benchmark::State& state, const std::string& code, int stands, int options, Layout layout) {
  benchFolder();
  writeAirport(code, stands, options, layout);
  for (auto _ : state) {
    standList.clear();
    parkAirportFileInfo = {};
    currentParkAirport = {};
    currentParkAirport.code = code;
    const auto result =
        gf_readApf(gf_pathText(myThirdpartyFolder / (code + ".xml")), parkAirportFileInfo, qualityFactors, standList);
    if (!result.empty()) state.SkipWithError(result.c_str());
  }
  std::size_t total = 0;
  for (const auto& stand : standList) total += stand.options.size();
  state.counters["stands"] = static_cast<double>(standList.size());
  state.counters["options"] = static_cast<double>(total);
}

void readParkAirport500(benchmark::State& state) { readParkAirport(state, "BNCH", 500, 100000, Layout::Spread); }
void readHostile20000(benchmark::State& state) { readParkAirport(state, "HSTL", 20000, 20000, Layout::Spread); }
void readStacked20000(benchmark::State& state) { readParkAirport(state, "STCK", 20000, 20000, Layout::Stacked); }
void readOneHuge20000(benchmark::State& state) { readParkAirport(state, "HUGE", 20000, 20000, Layout::OneHuge); }
void readTiny20000(benchmark::State& state) { readParkAirport(state, "TINY", 20000, 20000, Layout::Tiny); }
void readPole20000(benchmark::State& state) { readParkAirport(state, "POLE", 20000, 20000, Layout::Pole); }

} // namespace

BENCHMARK(readAirportsFile)->Unit(benchmark::kMillisecond);
BENCHMARK(findClosestAirport)->Unit(benchmark::kMicrosecond);
BENCHMARK(readParkAirport500)->Unit(benchmark::kMillisecond);
BENCHMARK(readHostile20000)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(readStacked20000)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(readOneHuge20000)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(readTiny20000)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(readPole20000)->Unit(benchmark::kMillisecond)->Iterations(3);
