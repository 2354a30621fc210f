#include "core/settings/settings_version.h"

#include "core/files.h"
#include "core/geodesy.h"
#include "core/log.h"
#include "core/settings/control_port.h"
#include "core/settings/file_names.h"
#include "core/settings/parameters.h"
#include "core/settings/settings_file.h"
#include "core/version.h"

#include <cmath>
#include <filesystem>
#include <fmt/format.h>
#include <limits>
#include <system_error>

namespace {

std::int32_t lf_quantizeHeight(std::int32_t feet) {
  if (feet >= 47000) return 48000;
  if (feet >= 27000) return 36000;
  if (feet >= 17000) return 18000;
  if (feet >= 15000) return 16000;
  if (feet >= 13000) return 14000;
  if (feet >= 11000) return 12000;
  if (feet >= 9000) return 10000;
  if (feet >= 7000) return 8000;
  if (feet >= 5000) return 6000;
  if (feet >= 3000) return 4000;
  return 2000;
}

// Old counts used -1 for "no limit": compared unsigned, it is the largest count.
std::int32_t lf_quantizeCount(std::int32_t count) {
  const auto n = static_cast<std::uint32_t>(count);
  if (n > 299) return 500;
  if (n >= 88) return 100;
  if (n >= 63) return 75;
  if (n >= 38) return 50;
  if (n >= 18) return 25;
  if (n >= 1) return 10;
  return 0;
}

std::int32_t lf_quantizeAirportRange(std::int32_t nm) {
  if (nm >= 27) return 30;
  if (nm >= 23) return 25;
  if (nm >= 18) return 20;
  if (nm >= 13) return 15;
  if (nm >= 8) return 10;
  return 5;
}

struct Conversion {
  IntParameter& old;
  ComboBoxParameter& successor;
  std::int32_t (*map)(std::int32_t);
};

void lf_convertOldSettings(const std::set<std::string>& namesInFile) {
  const Conversion conversions[] = {
      {CUSTOM_MAX_PARK, MAX_PARK_SEL, lf_quantizeCount},
      {MAX_LIVE, MAX_LIVE_SEL, lf_quantizeCount},
      {LATERAL_RANGE, RANGE, gf_quantizeRange},
      {AIRPORT_RANGE, AIRP_RANGE, lf_quantizeAirportRange},
      {AUTO_RANGE_ABOVE_HEIGHT, AR_ABOVE_HEIGHT, lf_quantizeHeight},
      {AIRPORT_HEIGHT, AIRP_HEIGHT, lf_quantizeHeight},
  };
  for (const auto& c : conversions) {
    // An old setting the file did not hold has only its default: converting that would
    // put a default over the user's current value of the new setting.
    if (!namesInFile.contains(c.old.name)) continue;
    c.successor.set(c.successor.clamp(c.map(c.old.get())));
    gf_saveIntParameter(c.successor);
    gf_removeParameter(c.old);
    // The loader has already shown the value the file held; the drop-down shows the new one.
    gf_setControlText(c.successor.controlId, fmt::format("{}", c.successor.get()));
  }
}

void lf_switchScanOn(CheckBoxParameter& scan) {
  scan.set(true);
  gf_saveBoolParameter(scan);
  gf_setControlCheck(scan.controlId, true);
}

} // namespace

std::int32_t gf_quantizeRange(std::int32_t nm) {
  if (nm <= 2) return 2;
  if (nm <= 6) return nm;
  if (nm <= 18) return nm % 2 == 0 ? nm : nm + 1;
  if (nm <= 22) return 20;
  if (nm <= 27) return 25;
  if (nm <= 32) return 30;
  if (nm <= 37) return 35;
  if (nm <= 44) return 40;
  if (nm <= 56) return 50;
  if (nm <= 72) return 65;
  if (nm <= 89) return 80;
  return 100;
}

std::int32_t gf_rangeMetres(std::int32_t nm) {
  // A range too large for int32 metres is held at the largest one, not wrapped round.
  const double metres = std::ceil(static_cast<double>(nm) * longestNmMetres);
  constexpr auto lowest = std::numeric_limits<std::int32_t>::min();
  constexpr auto highest = std::numeric_limits<std::int32_t>::max();
  return metres <= lowest ? lowest : (metres >= highest ? highest : static_cast<std::int32_t>(metres));
}

void gf_setRange(std::int32_t nm) {
  RANGE.set(RANGE.clamp(nm));
  if (const auto row = RANGE.choiceRow(RANGE.get()); row >= 0) gf_selectControlRow(RANGE.controlId, row);
  rangeNm.store(static_cast<double>(nm));
  rangeMetres.store(gf_rangeMetres(nm));
}

void gf_updateSettingsVersion(const std::set<std::string>& namesInFile) {
  const auto& running = gf_runningVersion();
  const auto runningText = gf_versionText(running);
  const auto storedText = PROGRAM_VERSION.get();
  if (storedText == PROGRAM_VERSION.defaultValue) {
    PROGRAM_VERSION.set(runningText);
    gf_saveStringParameter(PROGRAM_VERSION);
    return;
  }
  const VersionData stored(storedText);
  if (stored != running) {
    PROGRAM_VERSION.set(runningText);
    gf_saveStringParameter(PROGRAM_VERSION);
  }
  if (stored >= running) return;

  gf_log(fmt::format("This is a version update from {} -> {}", gf_versionText(stored), runningText));
  // 11.0.2 already stored the drop-down settings.
  if (stored != VersionData(11, 0, 2)) lf_convertOldSettings(namesInFile);

  std::error_code error;
  std::filesystem::remove(installerFile, error);
  if (error) gf_log(fmt::format("Failed to remove {}: {}", gf_pathText(installerFile), error.message()));

  lf_switchScanOn(SCAN_LIVERIES);
  lf_switchScanOn(SCAN_AIRPORTS);
}
