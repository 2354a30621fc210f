#include "airports/park_airport.h"

#include "airports/quality.h"
#include "core/files.h"
#include "core/log.h"
#include "core/settings/meta_block.h"
#include "core/shell/requests.h"
#include "core/shell/status_line.h"
#include "core/text.h"
#include "core/time.h"

#include <chrono>
#include <fmt/format.h>

namespace fs = std::filesystem;

namespace {

// Default occupants are made anew at every visit; a handmade file keeps every other option.
bool lf_isDefaultOccupant(const StandOptionData& option) {
  return option.base == 1 && !option.real && option.registration.starts_with("REGFAKE");
}

AirportFileData lf_fileData() {
  AirportFileData data;
  data.code = currentParkAirport.code;
  data.airport_name = parkAirportFileInfo.airport_name;
  data.publisher = parkAirportFileInfo.publisher;
  data.altitude = parkAirportFileInfo.altitude;
  data.handmade = parkFileHandmade;
  if (parkFileHandmade) {
    const auto quality = gf_computeQualityFactors(standList);
    data.Qf_real = quality.Qf_real;
    data.Qf_soft = quality.Qf_soft;
  }
  data.stands.reserve(standList.size());
  for (const auto& stand : standList) {
    StandData copy = stand;
    // The park file's own options are in the park file already; only what was learned here
    // goes into the learned file (all of a handmade file's, which replaces the park file).
    std::erase_if(copy.options, [](const StandOptionData& option) {
      return parkFileHandmade ? lf_isDefaultOccupant(option) : option.base == 1;
    });
    if (parkFileHandmade || copy.manual || !copy.options.empty() || copy.radius_change || copy.cargo_change)
      data.stands.push_back(std::move(copy));
  }
  if (parkLearnedFile.state == LearnedFileState::Merged) data.keptParkpos = parkLearnedFile.keptParkpos;
  return data;
}

// A file beside a learned file that could not be read whole, named by the UTC time:
// EHAM.20261210-171500.xml.
fs::path lf_besidePath(const fs::path& learned) {
  using namespace std::chrono;
  const auto now = floor<seconds>(system_clock::now());
  const auto today = floor<days>(now);
  const year_month_day date{today};
  const hh_mm_ss time{now - today};
  const auto stamp = fmt::format("{:04}{:02}{:02}-{:02}{:02}{:02}", static_cast<int>(date.year()),
                                 static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                                 time.hours().count(), time.minutes().count(), time.seconds().count());
  for (int k = 1;; ++k) {
    auto path = learned;
    const auto suffix = k == 1 ? stamp : fmt::format("{}-{}", stamp, k);
    path.replace_filename(learned.stem().concat("." + suffix).concat(learned.extension().native()));
    if (!fs::exists(path)) return path;
  }
}

} // namespace

bool gf_saveLearnedAirport() {
  const auto time = gf_utcTimeOfDay();
  auto path = parkLearnedFile.path;
  const bool notMerged = parkLearnedFile.state == LearnedFileState::NotMerged;
  bool saved = false;
  try {
    simulatorName.set("P3D");
    const auto data = lf_fileData();
    if (path.empty()) throw std::runtime_error("no learned file path");
    fs::create_directories(path.parent_path());
    if (notMerged) path = lf_besidePath(parkLearnedFile.path);
    saved = gf_writeAirportFile(data, path, AirportFileMode::Learned);
  } catch (const std::exception& e) {
    gf_log(fmt::format("{}: {}", "gf_saveLearnedAirport", e.what()));
  }
  if (!saved) {
    gf_showMessage(fmt::format("{} saving '{}' did not succeed", time, gf_pathText(path)), true);
  } else if (notMerged) {
    gf_showMessage(fmt::format("{} '{}' could not be read whole, what was learned is saved in '{}'", time,
                               gf_pathText(parkLearnedFile.path), gf_pathText(path)),
                   true);
  } else {
    gf_showMessage(fmt::format("{}{} '{}' saved with {} update{} {}", time, parkFileHandmade ? " handmade" : "",
                               gf_pathText(path), standUpdateCount, gf_plural(standUpdateCount),
                               learnedParamChanged.load() ? "and one or more parameter changes" : ""),
                   true);
  }
  // What was not saved stays counted, so that the next renewal or leaving saves it again.
  if (saved) {
    standUpdateCount = 0;
    learnedParamChanged.exchange(false);
  }
  return saved;
}
