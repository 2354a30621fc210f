// The add-on airport scan over a generated installation of 10,000 scenery files, about 90 %
// without an airport and the rest airports of 100 to 500 stands: the file filter alone, the
// whole scan with 1, 2, 4 and 8 workers, and the same files merely read. The aim: the
// whole scan within twice the time of merely reading the files. The first scan writes a
// stand file for each of the 1,000 airports (each written beside and replaced, all flushed
// to the disk together at the end); writeStandFiles shows what merely writing those files
// costs. A rescan of unchanged scenery finds them written already.
#include "airports/addon_scan.h"
#include "airports/bgl_search.h"
#include "core/files.h"
#include "core/settings/parameters.h"
#include "core/settings/settings_file.h"
#include "core/workers.h"

#include "bgl_writer.h"

#include <benchmark/benchmark.h>
#include <filesystem>
#include <fmt/format.h>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr int fileCount = 10000;
constexpr int airportEvery = 10;

struct Installation {
  fs::path root;
  fs::path scenery;
  std::vector<fs::path> files;
  std::uintmax_t bytes = 0;

  Installation() {
    root = fs::temp_directory_path() / fmt::format("hvm_bgl_bench_{}", std::random_device{}());
    scenery = root / "scenery";
    std::mt19937 random(14);
    for (int i = 0; i < fileCount; ++i) {
      bglwriter::File file;
      const bool airport = i % airportEvery == 0;
      if (airport) {
        bglwriter::Airport a;
        const std::string code = fmt::format("K{:03}", i / airportEvery);
        a.ident = code;
        a.lat = 30 + (i % 100) * 0.1;
        a.lon = -100 + (i / 100) * 0.1;
        a.subrecords.push_back(bglwriter::NameRecord{"Airport " + code});
        // Runways, taxiways and aprons: records the scan steps over.
        for (int k = 0; k < 20; ++k)
          a.subrecords.push_back(bglwriter::RawRecord{0x0004, std::vector<std::uint8_t>(1500, 1)});
        bglwriter::ParkingList list;
        const int stands = 100 + static_cast<int>(random() % 401);
        for (int k = 0; k < stands; ++k) {
          bglwriter::Parking p;
          p.nameCode = bglwriter::letterCode(static_cast<char>('A' + k % 26));
          p.number = static_cast<std::uint32_t>(k / 26 + 1);
          p.lat = a.lat + 0.0002 * (k % 50);
          p.lon = a.lon + 0.0002 * (k / 50);
          p.radius = 15 + static_cast<float>(k % 30);
          p.heading = static_cast<float>(k * 7 % 360);
          p.type = k % 10 == 0 ? bglwriter::rampCargo : bglwriter::gateMedium;
          list.entries.push_back(p);
        }
        a.subrecords.push_back(std::move(list));
        file.sections.emplace_back().records.push_back(std::move(a));
      } else {
        // Objects, terrain and the like: 4 to 60 KB.
        bglwriter::Section objects;
        objects.type = 0x25;
        const int records = 4 + static_cast<int>(random() % 56);
        for (int k = 0; k < records; ++k)
          objects.records.push_back(bglwriter::RawRecord{0x000B, std::vector<std::uint8_t>(1018, 2)});
        file.sections.push_back(std::move(objects));
      }
      const auto path = scenery / fmt::format("folder{:02}", i % 50) / fmt::format("file{:05}.bgl", i);
      const auto bytes = bglwriter::writeBgl(file);
      bglwriter::writeFile(path, bytes);
      this->bytes += bytes.size();
      files.push_back(path);
    }
  }
  ~Installation() {
    std::error_code ignored;
    fs::remove_all(root, ignored);
  }
};

Installation& installation() {
  static Installation instance;
  return instance;
}

void preFilter(benchmark::State& state) {
  auto& inst = installation();
  for (auto _ : state) {
    int airports = 0;
    for (const auto& file : inst.files) airports += lf_hasAirportSection(file) ? 1 : 0;
    if (airports != fileCount / airportEvery) state.SkipWithError("wrong number of airport files");
  }
  state.SetItemsProcessed(state.iterations() * fileCount);
}

void readWhole(benchmark::State& state) {
  auto& inst = installation();
  std::vector<char> buffer;
  for (auto _ : state) {
    std::uintmax_t total = 0;
    for (const auto& file : inst.files) {
      std::ifstream in(file, std::ios::binary);
      buffer.resize(static_cast<std::size_t>(fs::file_size(file)));
      in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
      total += static_cast<std::uintmax_t>(in.gcount());
    }
    benchmark::DoNotOptimize(total);
  }
  state.SetItemsProcessed(state.iterations() * fileCount);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * inst.bytes));
}

// One scan per iteration; `fresh` removes what the last one wrote first (not timed).
void scanInstallation(benchmark::State& state, bool fresh) {
  auto& inst = installation();
  const auto program = inst.root / "program";
  fs::create_directories(program / "airports" / "my_thirdparty");
  fs::create_directories(program / "airports" / "my_ORBX");
  fs::create_directories(program / "output" / "info");
  const auto previous = fs::current_path();
  fs::current_path(program);
  gf_setSettingsFolder(inst.root / "settings");
  fs::create_directories(inst.root / "settings");
  AFG_AUTOMATIC.set(false);
  afolder0.set(gf_pathText(inst.scenery));
  AddonScanSetup setup;
  setup.stockFolder = inst.root / "stock";
  maxWorkers = static_cast<std::int32_t>(state.range(0));
  runningWorkers = 0;
  // A rescan finds the files of a scan before it, also when it runs on its own.
  if (!fresh) gf_scanAddOnAirports(setup);
  for (auto _ : state) {
    if (fresh) {
      state.PauseTiming();
      fs::remove_all(program / "airports" / "my_thirdparty");
      fs::create_directories(program / "airports" / "my_thirdparty");
      fs::remove(program / "airports" / "addon_scan_files.txt");
      state.ResumeTiming();
    }
    const auto outcome = gf_scanAddOnAirports(setup);
    if (!outcome.complete || !outcome.generated) state.SkipWithError("the scan did not complete");
  }
  state.SetItemsProcessed(state.iterations() * fileCount);
  afolder0.set("");
  AFG_AUTOMATIC.set(true);
  gf_setSettingsFolder({});
  fs::current_path(previous);
}

// The floor under a first scan: the stand files it generates, merely written (as plain
// files, no XML made, nothing flushed) into an emptied folder, as the first scan finds it.
void writeStandFiles(benchmark::State& state) {
  auto& inst = installation();
  const auto generated = inst.root / "program" / "airports" / "my_thirdparty";
  std::vector<std::pair<std::string, std::string>> files;
  if (fs::exists(generated))
    for (const auto& entry : fs::directory_iterator(generated)) {
      std::ifstream in(entry.path(), std::ios::binary);
      files.emplace_back(gf_pathText(entry.path().filename()),
                         std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()));
    }
  if (files.size() != fileCount / airportEvery) {
    state.SkipWithError("run a scan first: --benchmark_filter='firstScan/1|writeStandFiles'");
    return;
  }
  const auto folder = inst.root / "written";
  for (auto _ : state) {
    state.PauseTiming();
    fs::remove_all(folder);
    fs::create_directories(folder);
    state.ResumeTiming();
    for (const auto& [name, bytes] : files) {
      std::ofstream out(folder / name, std::ios::binary);
      out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(files.size()));
}

} // namespace

BENCHMARK(preFilter)->Unit(benchmark::kMillisecond);
BENCHMARK(readWhole)->Unit(benchmark::kMillisecond);
void firstScan(benchmark::State& state) { scanInstallation(state, true); }
void rescan(benchmark::State& state) { scanInstallation(state, false); }

BENCHMARK(firstScan)
    ->Arg(1)
    ->Arg(2)
    ->Arg(4)
    ->Arg(8)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();
BENCHMARK(writeStandFiles)->Unit(benchmark::kMillisecond);
BENCHMARK(rescan)
    ->Arg(1)
    ->Arg(2)
    ->Arg(4)
    ->Arg(8)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();
