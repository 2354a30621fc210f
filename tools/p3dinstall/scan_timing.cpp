// p3dscan INSTALLATION [--repeat N]: times the livery scan of an installation written by
// p3dinstall against merely reading its aircraft.cfg files, with one worker and with all,
// in the same run. For the figures under Wine, where the benchmark program is not built.
#include "p3d_install.h"

#include "core/files.h"
#include "core/refdata/dbase_tables.h"
#include "core/settings/file_names.h"
#include "core/workers.h"
#include "liveries/livery_scan.h"
#include "liveries/scanned_liveries.h"

#include <algorithm>
#include <chrono>
#include <fmt/format.h>
#include <fstream>
#include <iostream>
#include <nlohmann/json.hpp>
#include <random>
#include <thread>

namespace fs = std::filesystem;

namespace {

template <typename Work> double lf_bestMilliseconds(int repeat, Work work) {
  double best = 1e300;
  for (int i = 0; i < repeat; ++i) {
    const auto start = std::chrono::steady_clock::now();
    work();
    best = std::min(best, std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
  }
  return best;
}

} // namespace

int main(int argc, char** argv) {
  try {
    if (argc < 2) throw std::invalid_argument("usage: p3dscan INSTALLATION [--repeat N]");
    const auto install = fs::absolute(gf_pathFromText(argv[1]));
    const int repeat = argc >= 4 && std::string_view(argv[2]) == "--repeat" ? std::stoi(argv[3]) : 3;
    std::ifstream in(install / "manifest.json", std::ios::binary);
    const auto manifest = nlohmann::json::parse(in);
    const auto folders = manifest.at("liveryFolders").get<std::vector<std::string>>();

    const auto work = fs::temp_directory_path() / fmt::format("hvm-p3dscan-{}", std::random_device{}());
    for (const auto& folder : {infoFolder, errorsFolder, myRegcodesFolder}) fs::create_directories(work / folder);
    fs::current_path(work);
    dbaseTables = p3dinstall::gf_standInReference();

    std::vector<fs::path> files;
    const auto listing = lf_bestMilliseconds(repeat, [&] { files = p3dinstall::gf_listAircraftCfgFiles(folders); });
    std::string bytes;
    std::size_t total = 0;
    const auto reading = lf_bestMilliseconds(repeat, [&] {
      total = 0;
      for (const auto& file : files) {
        std::ifstream cfg(file, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(cfg), std::istreambuf_iterator<char>());
        total += bytes.size();
      }
    });
    const auto all = static_cast<std::int32_t>(std::max(1u, std::thread::hardware_concurrency()));
    std::cout << fmt::format("{} aircraft.cfg files, {:.1f} MB\n", files.size(), static_cast<double>(total) / 1e6);
    std::cout << fmt::format("listing the folders        {:9.1f} ms\n", listing);
    std::cout << fmt::format("reading the files          {:9.1f} ms\n", reading);
    std::cout << fmt::format("listing and reading        {:9.1f} ms\n", listing + reading);
    for (const auto workers : {1, all}) {
      const auto scanning = lf_bestMilliseconds(repeat, [&] {
        maxWorkers = workers;
        runningWorkers = 0;
        if (gf_scanLiveryFolders(folders) != FolderScanEnd::completed) throw std::runtime_error("scan incomplete");
      });
      std::cout << fmt::format("scan with {:2} worker{}       {:9.1f} ms ({:.2f} x listing and reading)\n", workers,
                               workers == 1 ? " " : "s", scanning, scanning / (listing + reading));
    }
    fs::current_path(install);
    fs::remove_all(work);
    return 0;
  } catch (const std::exception& e) {
    std::cerr << "p3dscan: " << e.what() << '\n';
    return 1;
  }
}
