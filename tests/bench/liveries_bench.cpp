// The livery scan of a large installation (4,000 aircraft.cfg files, 40,000 sections)
// against merely reading the same files, with one worker and with all; the livery tables
// built from the scanned-liveries file of that size; and the matching of one aircraft.
#include "core/files.h"
#include "core/random.h"
#include "core/refdata/dbase_tables.h"
#include "core/refdata/lookups.h"
#include "core/settings/file_names.h"
#include "core/settings/parameters.h"
#include "core/workers.h"
#include "liveries/folder_walk.h"
#include "liveries/livery_scan.h"
#include "liveries/livery_tables.h"
#include "liveries/matching.h"
#include "liveries/scan_reports.h"
#include "liveries/scanned_liveries.h"
#include "p3d_install.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <fmt/format.h>
#include <fstream>
#include <memory>
#include <random>
#include <thread>

namespace fs = std::filesystem;

namespace {

// One large installation and a working folder for the program's output, made once.
struct Installation {
  fs::path root;
  fs::path work;
  p3dinstall::Manifest manifest;
  std::vector<fs::path> cfgFiles;

  Installation() {
    root = fs::temp_directory_path() / fmt::format("hvm-bench-p3d-{}", std::random_device{}());
    work = root / "work";
    p3dinstall::Options options;
    options.root = root / "install";
    options.aircraftFiles = 4000;
    options.sectionsPerFile = 10;
    options.hostile = false;
    manifest = p3dinstall::gf_writeInstallation(options);
    for (const auto& folder : manifest.liveryFolders)
      for (const auto& entry : fs::recursive_directory_iterator(gf_pathFromText(folder)))
        if (entry.path().filename() == "aircraft.cfg") cfgFiles.push_back(entry.path());
    for (const auto& folder : {infoFolder, errorsFolder, myRegcodesFolder}) fs::create_directories(work / folder);
    fs::current_path(work);
    dbaseTables = p3dinstall::gf_standInReference();
  }
  ~Installation() {
    std::error_code ignored;
    fs::current_path(root.parent_path(), ignored);
    fs::remove_all(root, ignored);
  }
};

Installation& lf_installation() {
  static Installation installation;
  return installation;
}

void readCfgFiles(benchmark::State& state) {
  auto& installation = lf_installation();
  std::string bytes;
  for (auto _ : state) {
    std::size_t total = 0;
    for (const auto& file : installation.cfgFiles) {
      std::ifstream in(file, std::ios::binary);
      bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
      total += bytes.size();
    }
    benchmark::DoNotOptimize(total);
  }
  state.counters["files"] = static_cast<double>(installation.cfgFiles.size());
}

// Finding the files as well: the folders the scan lists, all but the model and texture
// folders beside an aircraft.cfg.
void listAndReadCfgFiles(benchmark::State& state) {
  auto& installation = lf_installation();
  std::string bytes;
  for (auto _ : state) {
    std::size_t total = 0;
    for (const auto& file : p3dinstall::gf_listAircraftCfgFiles(installation.manifest.liveryFolders)) {
      std::ifstream in(file, std::ios::binary);
      bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
      total += bytes.size();
    }
    benchmark::DoNotOptimize(total);
  }
}

void scanLiveries(benchmark::State& state) {
  auto& installation = lf_installation();
  const auto workers = state.range(0) == 0
                           ? static_cast<std::int32_t>(std::max(1u, std::thread::hardware_concurrency()))
                           : static_cast<std::int32_t>(state.range(0));
  for (auto _ : state) {
    maxWorkers = workers;
    runningWorkers = 0;
    LIG_PRIORITIZE.set(false);
    if (gf_scanLiveryFolders(installation.manifest.liveryFolders) != FolderScanEnd::completed)
      state.SkipWithError("the scan did not complete");
  }
  state.counters["workers"] = workers;
  state.counters["sections"] = static_cast<double>(installation.manifest.sections);
}

// The walk alone, without the scanned-liveries file and the reports that every scan writes
// once on the worker thread: what the workers share.
void walkLiveryFolders(benchmark::State& state) {
  auto& installation = lf_installation();
  const auto workers = state.range(0) == 0
                           ? static_cast<std::int32_t>(std::max(1u, std::thread::hardware_concurrency()))
                           : static_cast<std::int32_t>(state.range(0));
  for (auto _ : state) {
    maxWorkers = workers;
    runningWorkers = 0;
    std::int32_t number = 0;
    for (const auto& folder : installation.manifest.liveryFolders)
      gf_searchLiveryFolder(++number, gf_pathFromText(folder));
    state.PauseTiming();
    if (ScannedLiveryList.size() != installation.manifest.liveries.size())
      state.SkipWithError("the walk did not find every livery");
    ScannedLiveryList.clear();
    gf_resetScanReports();
    state.ResumeTiming();
  }
  state.counters["workers"] = workers;
}

void buildTables(benchmark::State& state) {
  auto& installation = lf_installation();
  maxWorkers = static_cast<std::int32_t>(std::max(1u, std::thread::hardware_concurrency()));
  if (!fs::exists(liveriesScannedFile)) gf_scanLiveryFolders(installation.manifest.liveryFolders);
  for (auto _ : state) {
    gf_clearLiveryTables();
    gf_processScannedLiveries();
  }
  state.counters["liveries"] = static_cast<double>(installation.manifest.liveries.size());
}

void matchLiveAircraft(benchmark::State& state) {
  auto& installation = lf_installation();
  if (!liveriesProcessed) {
    maxWorkers = static_cast<std::int32_t>(std::max(1u, std::thread::hardware_concurrency()));
    if (!fs::exists(liveriesScannedFile)) gf_scanLiveryFolders(installation.manifest.liveryFolders);
    gf_processScannedLiveries();
  }
  RANDOM.set(true);
  LOG.set(false);
  // Aircraft as the traffic brings them: installed airlines and types, their
  // registrations, unknown airlines, freighters, private aircraft.
  std::vector<AircraftInfoData> aircraft;
  std::mt19937 random(3);
  const auto& liveries = installation.manifest.liveries;
  for (int i = 0; i < 4096; ++i) {
    const auto& l = liveries[random() % liveries.size()];
    AircraftInfoData a;
    a.airline = i % 7 == 0 ? std::string("QQX") : l.airl;
    a.type = i % 11 == 0 ? std::string("B739") : l.type;
    a.registration = i % 3 == 0 ? l.atcid : std::string{};
    a.cargo = l.cargo;
    a.category = gf_aircraftCategory(a.type);
    aircraft.push_back(std::move(a));
  }
  std::vector<double> micros;
  micros.reserve(1 << 20);
  std::size_t next = 0;
  for (auto _ : state) {
    auto& a = aircraft[next++ % aircraft.size()];
    const auto start = std::chrono::steady_clock::now();
    gf_matchLiveAcLivery(a);
    const auto end = std::chrono::steady_clock::now();
    benchmark::DoNotOptimize(a.liveryTitle);
    if (micros.size() < micros.capacity())
      micros.push_back(std::chrono::duration<double, std::micro>(end - start).count());
  }
  std::sort(micros.begin(), micros.end());
  if (!micros.empty()) {
    state.counters["p50_us"] = micros[micros.size() / 2];
    state.counters["p99_us"] = micros[micros.size() * 99 / 100];
    state.counters["max_us"] = micros.back();
  }
  state.counters["titles"] = static_cast<double>(liveries.size());
}

} // namespace

BENCHMARK(readCfgFiles)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(listAndReadCfgFiles)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(scanLiveries)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(walkLiveryFolders)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(buildTables)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(matchLiveAircraft);
