// p3dinstall FOLDER [options]: writes a stand-in Prepar3D v5 installation for the livery scan
// into FOLDER and its manifest (the liveries and report lines the scan must give) as JSON.
//   --files N          ordinary aircraft folders (16)
//   --sections N       liveries per ordinary aircraft (4)
//   --seed N           seed of the random choices (1)
//   --no-hostile       leave out the hostile and unusual cases
//   --recordings       liveries for the airlines and types of the shared recordings
//   --appdata DIR      folder of add-ons.cfg's "Lockheed Martin" folder (FOLDER/AppData)
//   --programdata DIR  folder of simobjects.cfg's "Lockheed Martin" folder (FOLDER/ProgramData)
//   --manifest FILE    where the manifest goes (FOLDER/manifest.json)
#include "p3d_install.h"

#include "core/files.h"

#include <charconv>
#include <fmt/format.h>
#include <fstream>
#include <iostream>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

namespace {

template <typename Number> Number lf_number(std::string_view text, std::string_view option) {
  Number value{};
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc{} || end != text.data() + text.size())
    throw std::invalid_argument(fmt::format("{} needs a number, not '{}'", option, text));
  return value;
}

} // namespace

int main(int argc, char** argv) {
  try {
    p3dinstall::Options options;
    std::filesystem::path manifestFile;
    for (int i = 1; i < argc; ++i) {
      const std::string_view arg = argv[i];
      auto value = [&]() -> std::string_view {
        if (i + 1 >= argc) throw std::invalid_argument(fmt::format("{} needs a value", arg));
        return argv[++i];
      };
      if (arg == "--files")
        options.aircraftFiles = lf_number<std::int32_t>(value(), arg);
      else if (arg == "--sections")
        options.sectionsPerFile = lf_number<std::int32_t>(value(), arg);
      else if (arg == "--seed")
        options.seed = lf_number<std::uint32_t>(value(), arg);
      else if (arg == "--no-hostile")
        options.hostile = false;
      else if (arg == "--recordings")
        options.recordingsFleet = true;
      else if (arg == "--appdata")
        options.appDataFolder = gf_pathFromText(value());
      else if (arg == "--programdata")
        options.programDataFolder = gf_pathFromText(value());
      else if (arg == "--manifest")
        manifestFile = gf_pathFromText(value());
      else if (!arg.starts_with("--") && options.root.empty())
        options.root = gf_pathFromText(arg);
      else
        throw std::invalid_argument(fmt::format("unknown argument '{}'", arg));
    }
    if (options.root.empty()) throw std::invalid_argument("usage: p3dinstall FOLDER [options]");
    if (manifestFile.empty()) manifestFile = options.root / "manifest.json";
    const auto manifest = p3dinstall::gf_writeInstallation(options);
    std::ofstream out(manifestFile, std::ios::binary);
    // ANSI titles are no UTF-8: their bytes are replaced in the JSON text.
    out << manifest.toJson().dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
    if (!out) throw std::runtime_error("cannot write " + gf_pathText(manifestFile));
    std::cout << fmt::format("{} aircraft folders, {} liveries expected of {} sections, manifest {}\n",
                             manifest.aircraftFolders, manifest.liveries.size(), manifest.sections,
                             gf_pathText(manifestFile));
    return 0;
  } catch (const std::exception& e) {
    std::cerr << "p3dinstall: " << e.what() << '\n';
    return 1;
  }
}
