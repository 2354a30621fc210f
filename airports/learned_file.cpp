#include "airports/learned_file.h"

#include "core/errors.h"
#include "core/files.h"
#include "core/log.h"
#include "core/settings/control_port.h"
#include "core/settings/meta_block.h"
#include "core/settings/parameters.h"
#include "core/settings/settings_version.h"
#include "core/shell/auto_range.h"
#include "core/shell/control_refresh.h"
#include "core/shell/requests.h"
#include "core/shell/status_line.h"
#include "core/text.h"

#include <cmath>
#include <fmt/format.h>
#include <pugixml.hpp>
#include <sstream>
#include <unordered_map>
#include <unordered_set>

namespace fs = std::filesystem;

namespace {

constexpr double maxStandRadiusMetres = 1000.0;

void lf_logSetting(std::string_view name, const std::string& value) {
  gf_logIndented(fmt::format("{:24}: {}", name, value));
}

std::string lf_boolText(bool value) { return value ? "true" : "false"; }

void lf_applyCheckBox(const pugi::xml_document& document, CheckBoxParameter& box) {
  const auto value = gf_getBoolParameter(document, box.name);
  if (!value) return;
  box.set(*value);
  gf_setControlCheck(box.controlId, *value);
  lf_logSetting(box.name, lf_boolText(*value));
}

void lf_applyMaxLive(const pugi::xml_document& document) {
  const auto value = gf_getIntParameter(document, MAX_LIVE.name);
  // Without an entry the user's own choice holds, not one an earlier airport brought.
  MAX_LIVE_SEL.set(value ? MAX_LIVE_SEL.clamp(gf_quantizeMaxLive(*value)) : userMaxLive.load());
  gf_refreshIntControl(MAX_LIVE_SEL);
  if (value) lf_logSetting(MAX_LIVE.name, fmt::format("{}", MAX_LIVE_SEL.get()));
}

void lf_applyRange(const pugi::xml_document& document) {
  const auto value = gf_getIntParameter(document, LATERAL_RANGE.name);
  if (!value) return;
  const auto range = gf_quantizeRange(*value);
  gf_setRange(range);
  gf_refreshIntControl(RANGE);
  gf_enableControl(RANGE.controlId, true);
  lf_logSetting(LATERAL_RANGE.name, fmt::format("{}", range));
}

void lf_applyAutoRange(const pugi::xml_document& document) {
  const auto value = gf_getBoolParameter(document, AUTO_RANGE.name);
  if (!value) return;
  AUTO_RANGE.set(*value);
  gf_setControlCheck(AUTO_RANGE.controlId, *value);
  gf_enableControl(RANGE.controlId, false);
  if (*value) {
    savedManualRange.store(RANGE.get());
    gf_applyAutoRange();
  } else {
    gf_enableControl(RANGE.controlId, true);
    gf_setRange(savedManualRange.load());
    gf_clearMessage();
  }
  gf_refreshIntControl(RANGE);
  lf_logSetting(AUTO_RANGE.name, lf_boolText(*value));
}

void lf_applyParkingPercentage(const pugi::xml_document& document) {
  const auto value = gf_getIntParameter(document, parking_percentage.name);
  parking_percentage.set(value ? parking_percentage.clamp(*value) : 30);
  gf_refreshIntControl(parking_percentage);
  gf_enableControl(parking_percentage.controlId, true);
  if (value) lf_logSetting(parking_percentage.name, fmt::format("{}", parking_percentage.get()));
}

void lf_applyMaxFit(const pugi::xml_document& document) {
  const auto value = gf_getIntParameter(document, MAX_FIT.name);
  if (!value) return;
  MAX_FIT.set(MAX_FIT.clamp(*value));
  MAX_FIT_FL.set(static_cast<float>(MAX_FIT.get()) * 0.5f + 0.5f);
  gf_refreshFloatControl(MAX_FIT_FL);
  gf_logIndented(fmt::format("{:24}: {} (max number of half hours, is {} hrs decimal)", MAX_FIT.name, MAX_FIT.get(),
                             gf_numberText(MAX_FIT_FL.get())));
}

void lf_applySettings(const pugi::xml_document& document) {
  lf_applyCheckBox(document, LEARN_SOFT);
  lf_applyMaxLive(document);
  lf_applyRange(document);
  lf_applyAutoRange(document);
  lf_applyCheckBox(document, PARK_FAKE);
  lf_applyCheckBox(document, WEEK);
  lf_applyCheckBox(document, PARK_SOFT);
  lf_applyParkingPercentage(document);
  lf_applyCheckBox(document, INITIAL_LOAD_ONLY);
  lf_applyMaxFit(document);
}

// A learned stand as the file format has it: the `parkpos` element with its attributes and
// its `opt` children with theirs. Whatever else a damaged file nests inside is not kept (a
// deep nest of it would make the indented learned file grow with its square).
std::string lf_elementText(pugi::xml_node element) {
  pugi::xml_document kept;
  auto parkpos = kept.append_child("parkpos");
  for (const auto attribute : element.attributes()) parkpos.append_copy(attribute);
  for (const auto opt : element.children("opt")) {
    auto copy = parkpos.append_child("opt");
    for (const auto attribute : opt.attributes()) copy.append_copy(attribute);
  }
  std::ostringstream text;
  parkpos.print(text, "", pugi::format_raw);
  return text.str();
}

// One use of a stand as the same-use test sees it, apart from its half-hours.
std::string lf_useKey(const StandOptionData& option) {
  return fmt::format("{}\x1f{}\x1f{}\x1f{}\x1f{}", option.day, option.real ? 1 : 0, option.registration, option.airline,
                     option.type);
}

// The half-hours of each use of one stand: a new option is the same use as one recorded
// when their keys agree and their half-hours meet, that is when it meets their union.
using UseHours = std::unordered_map<std::string, std::uint64_t>;

struct Merge {
  StandList& stands;
  const fs::path& path;
  ParkLearnedFile& learned;
  std::unordered_map<std::string, std::size_t> byName;
  std::unordered_map<std::size_t, UseHours> uses;

  void keep(pugi::xml_node element) { learned.keptParkpos.push_back(lf_elementText(element)); }

  UseHours& usesOf(std::size_t index) {
    auto [found, added] = uses.try_emplace(index);
    if (added)
      for (const auto& option : stands[index].options) found->second[lf_useKey(option)] |= option.hours;
    return found->second;
  }

  void manualStand(const std::string& id, pugi::xml_node element) {
    if (byName.contains(id)) {
      gf_logWarning(fmt::format("manually created standid {} already exists in {}", id, gf_pathText(path)));
      keep(element);
      return;
    }
    const double lat = element.attribute("latitude").as_double();
    const double lon = element.attribute("longitude").as_double();
    const double radius = element.attribute("radius").as_double();
    if ((std::abs(lat) <= 0.0001 && std::abs(lon) <= 0.0001) || radius == 0.0 ||
        !gf_readParkpos(element, id, 0, stands)) {
      gf_logWarning(fmt::format("manually created standid {} misses correct attributes in {}", id, gf_pathText(path)));
      keep(element);
      return;
    }
    stands.back().manual = true;
    byName.emplace(id, stands.size() - 1);
  }

  void mergeStand(std::size_t index, pugi::xml_node element) {
    auto& stand = stands[index];
    if (gf_flagText(element.attribute("radius_change").as_string(nullptr))) {
      const double metres = element.attribute("radius").as_double();
      if (std::isfinite(metres) && metres >= 0.0 && metres <= maxStandRadiusMetres) {
        stand.radius = metres / metresPerNm;
        stand.radius_change = true;
      } else {
        gf_logWarning(fmt::format("learned stand {} in {}: radius out of range", stand.name, gf_pathText(path)));
      }
    }
    if (gf_flagText(element.attribute("cargo_change").as_string(nullptr))) {
      stand.cargo = gf_flagText(element.attribute("cargo").as_string(nullptr));
      stand.cargo_change = true;
    }
    auto& known = usesOf(index);
    auto number = gf_nextOptionNumber(stand.options);
    for (const auto opt : element.children("opt")) {
      const auto day = opt.attribute("day").as_int();
      if (day < 1 || day > 7) {
        gf_logWarning(fmt::format("learned stand {}: option of {} dropped: day '{}' is not 1..7", stand.name,
                                  opt.attribute("reg").as_string(), opt.attribute("day").as_string()));
        continue;
      }
      auto key = gf_readOptionKey(opt);
      StandOptionData option{std::move(key.airline),
                             std::move(key.type),
                             opt.attribute("reg").as_string(),
                             std::move(key.callsign),
                             std::move(key.coupledCallsign),
                             gf_hours2bitset(opt.attribute("hh").as_string()),
                             number,
                             day,
                             0,
                             !gf_flagText(opt.attribute("soft").as_string(nullptr))};
      auto& hours = known[lf_useKey(option)];
      if ((hours & option.hours) != 0) continue;
      hours |= option.hours;
      stand.options.push_back(std::move(option));
      ++number;
    }
  }

  void run(pugi::xml_node parkpositions) {
    byName.reserve(stands.size() * 2);
    for (std::size_t k = 0; k < stands.size(); ++k) byName.try_emplace(stands[k].name, k);
    for (const auto element : parkpositions.children("parkpos")) {
      const std::string id = element.attribute("id").as_string();
      if (gf_flagText(element.attribute("manual").as_string(nullptr))) {
        manualStand(id, element);
        continue;
      }
      const auto found = byName.find(id);
      if (found == byName.end()) {
        gf_log(fmt::format("learned stand {} in {} not found?", id, gf_pathText(path)));
        keep(element);
        continue;
      }
      mergeStand(found->second, element);
    }
  }
};

void lf_readHandmade(pugi::xml_node parkpositions, StandList& stands) {
  stands.clear();
  std::unordered_set<std::string> ids;
  ids.reserve(512);
  for (const auto element : parkpositions.children("parkpos")) {
    const std::string id = element.attribute("id").as_string();
    if (!ids.insert(id).second)
      throw hvm::UserErrorException(94, fmt::format("Parking position {} appears more than once?", id));
    gf_readParkpos(element, id, 1, stands);
  }
}

void lf_readLearned(const fs::path& path, const ParkAirportFileInfo& info, StandList& stands,
                    ParkLearnedFile& learned) {
  pugi::xml_document document;
  const auto loaded = document.load_file(path.c_str());
  if (!loaded) {
    // The broken file stays as it is; a copy keeps it for the user to mend.
    if (fs::exists(path)) {
      auto copy = path;
      copy.replace_filename(path.stem().concat("0").concat(path.extension().native()));
      gf_copyFileOver(path, copy);
    }
    gf_log(fmt::format("{} found, but could not be loaded, saved as *.0.xml: {}", gf_pathText(path),
                       loaded.description()));
    return;
  }
  gf_log(fmt::format("Read from learned airport file: '{}'", gf_pathText(path)));
  if (!gf_readMetaInfo(document, author) || !gf_readMetaInfo(document, date) || !gf_readMetaInfo(document, version)) {
    gf_log(fmt::format("'{}' not read: its meta block lacks author, date or version", gf_pathText(path)));
    return;
  }
  const auto name = gf_getStringParameter(document, "airport_name").value_or("");
  if (name != info.airport_name)
    gf_showMessage(fmt::format("Warning: learned file airport name: '{}' differs from archived file airport name: '{}'",
                               name, info.airport_name),
                   true);
  lf_applySettings(document);
  const auto parkpositions = document.child("parkpositions");
  if (const auto handmade = gf_getStringParameter(document, "handmade")) {
    parkFileHandmade = true;
    lf_readHandmade(parkpositions, stands);
    gf_logIndented(fmt::format("{:24}: {}", "handmade", *handmade));
  } else {
    parkFileHandmade = false;
    Merge{stands, path, learned, {}, {}}.run(parkpositions);
  }
  learned.state = LearnedFileState::Merged;
}

} // namespace

std::int32_t gf_quantizeMaxLive(std::int32_t value) {
  if (value == 0) return 0;
  if (value < 0 || value >= 300) return 500;
  if (value <= 17) return 10;
  if (value <= 37) return 25;
  if (value <= 62) return 50;
  if (value <= 87) return 75;
  return 100;
}

void gf_readLearned(const fs::path& path, const ParkAirportFileInfo& info, StandList& stands,
                    ParkLearnedFile& learned) {
  learned.state = LearnedFileState::NotMerged;
  learned.keptParkpos.clear();
  try {
    lf_readLearned(path, info, stands, learned);
  } catch (const std::exception& e) {
    learned.state = LearnedFileState::NotMerged;
    gf_log(fmt::format("{}: {}", "lf_readLearned", e.what()));
  }
}
