#include "liveries/matching.h"

#include "core/log.h"
#include "core/random.h"
#include "core/refdata/lookups.h"
#include "core/refdata/similar_models.h"
#include "core/settings/parameters.h"
#include "liveries/livery_tables.h"
#include "liveries/regcodes.h"
#include "liveries/traffic_hooks.h"

#include <fmt/format.h>
#include <stdexcept>

std::array<std::int32_t, 6> LiveryMatchCounters{};

namespace {

constexpr std::string_view defaultAirline = "ZZZ";
constexpr std::string_view privateAirline = "PVT";
constexpr std::int32_t drawsBeforeSearch = 5;

std::size_t lf_kind(const AircraftInfoData& aircraft) { return aircraft.cargo ? cargoKind : paxKind; }

// A title the simulator can create and that belongs to no particular aircraft.
bool lf_isPlainTitle(std::string_view title) { return !gf_isSpecialTitle(title) && !gf_isUncreatableTitle(title); }

// Draws up to five titles and takes the first that is neither special nor refused by the
// simulator; after five misses one of the list's plain titles, else a special one. Titles
// the simulator refused are never taken: a list of only those gives no title.
bool lf_pickTitle(AircraftInfoData& aircraft, const TitleViews& titles) {
  if (titles.empty()) return false;
  const bool random = gf_randomOn() && titles.size() >= 2;
  std::string_view lastCreatable;
  for (std::int32_t draw = 0; draw < drawsBeforeSearch; ++draw) {
    const auto title = titles[random ? gf_randomEngine()() % titles.size() : 0];
    if (gf_isUncreatableTitle(title)) continue;
    if (!gf_isSpecialTitle(title)) {
      aircraft.liveryTitle = title;
      return true;
    }
    lastCreatable = title;
  }
  std::size_t plain = 0;
  for (const auto title : titles) plain += lf_isPlainTitle(title) ? 1 : 0;
  if (plain > 0) {
    auto index = gf_randomIndex(static_cast<std::int64_t>(plain));
    for (const auto title : titles)
      if (lf_isPlainTitle(title) && index-- == 0) {
        aircraft.liveryTitle = title;
        return true;
      }
  }
  if (lastCreatable.empty())
    for (const auto title : titles)
      if (!gf_isUncreatableTitle(title)) {
        lastCreatable = title;
        break;
      }
  if (lastCreatable.empty()) return false;
  aircraft.liveryTitle = lastCreatable;
  return true;
}

bool lf_lookupAirlineModel(AircraftInfoData& aircraft, std::string_view airline, std::string_view model,
                           std::size_t kind) {
  const auto& table = AirlineModelTitleTable[kind];
  const auto byAirline = table.find(airline);
  if (byAirline == table.end()) return false;
  const auto titles = byAirline->second.find(model);
  return titles != byAirline->second.end() && lf_pickTitle(aircraft, titles->second);
}

// A freighter takes a passenger livery of its airline rather than none; a passenger
// aircraft never takes a cargo livery.
bool lf_matchAirlineModel(AircraftInfoData& aircraft, std::string_view airline, std::string_view model) {
  if (lf_lookupAirlineModel(aircraft, airline, model, lf_kind(aircraft))) return true;
  return aircraft.cargo && lf_lookupAirlineModel(aircraft, airline, model, paxKind);
}

bool lf_matchModel(AircraftInfoData& aircraft, std::string_view model) {
  const auto& table = ModelTitleTable[lf_kind(aircraft)];
  const auto titles = table.find(model);
  return titles != table.end() && lf_pickTitle(aircraft, titles->second);
}

bool lf_matchRegcode(AircraftInfoData& aircraft) {
  if (aircraft.registration.empty()) return false;
  const auto found = RegcodeMap.find(aircraft.registration);
  if (found == RegcodeMap.end() || gf_isUncreatableTitle(found->second)) return false;
  aircraft.liveryTitle = found->second;
  return true;
}

bool lf_matchSimilarModel(AircraftInfoData& aircraft, std::string_view airline, std::string_view model) {
  for (const auto& similar : gf_similarTypesWithLiveries(airline, model))
    if (gf_aircraftCategory(similar) == aircraft.category && lf_matchAirlineModel(aircraft, airline, similar))
      return true;
  return false;
}

std::string lf_pickFrom(const std::vector<std::string>& models) {
  return models.empty() ? std::string{} : models[gf_randomIndex(static_cast<std::int64_t>(models.size()))];
}
std::string lf_pickLightModel() { return lf_pickFrom(LightModels); }
std::string lf_pickBuzjetsModel() { return lf_pickFrom(BuzjetsModels); }
std::string lf_pickRotorcraftModel() { return lf_pickFrom(RotorcraftModels); }

const TypeList& lf_otherModels(const std::string& type) {
  static const TypeList none;
  if (const auto similar = InstalledSimilarTypes.find(type); similar != InstalledSimilarTypes.end()) {
    gf_shuffleIfRandom(similar->second);
    return similar->second;
  }
  switch (gf_aircraftCategory(type)) {
  case SizeCategory::Light:
    return gf_randomCategoryModel(lf_pickLightModel);
  case SizeCategory::Buzjets:
    return gf_randomCategoryModel(lf_pickBuzjetsModel);
  case SizeCategory::Rotorcraft:
    return gf_randomCategoryModel(lf_pickRotorcraftModel);
  default:
    return none;
  }
}

// Steps 4 to 6; the step is written only when a title was found.
bool lf_matchFallbacks(AircraftInfoData& aircraft, std::int32_t depth, LiveryMatchStep& step) {
  if (depth == 4 && lf_matchAirlineModel(aircraft, defaultAirline, aircraft.type)) {
    step = 4;
    return true;
  }
  if (aircraft.category == SizeCategory::Large || aircraft.category == SizeCategory::Heavy ||
      aircraft.category == SizeCategory::HighPerf)
    return false;
  if (depth == 3 && aircraft.airline != privateAirline &&
      lf_matchAirlineModel(aircraft, defaultAirline, aircraft.type)) {
    step = 4;
    return true;
  }
  if (lf_matchModel(aircraft, aircraft.type)) {
    step = 5;
    return true;
  }
  for (const auto& model : lf_otherModels(aircraft.type))
    if (lf_matchModel(aircraft, model)) {
      step = 6;
      return true;
    }
  return false;
}

void lf_logMatch(const AircraftInfoData& aircraft, std::string_view step) {
  if (LOG.get()) gf_log(fmt::format("          {} ={}= {}", gf_acLogText(aircraft), step, aircraft.liveryTitle));
}

void lf_recordLiveryMatch(AircraftInfoData& aircraft, LiveryMatchStep step) {
  if (step < 1 || step > static_cast<LiveryMatchStep>(LiveryMatchCounters.size()))
    throw std::out_of_range(fmt::format("livery match step {}", step));
  ++LiveryMatchCounters[static_cast<std::size_t>(step - 1)];
  lf_logMatch(aircraft, std::to_string(step));
  aircraft.fsltlLivery = aircraft.liveryTitle.find("FSLTL_") != std::string_view::npos;
}

// Steps 1 to 6 of a live aircraft; 0 when nothing matched.
LiveryMatchStep lf_matchLiveSteps(AircraftInfoData& aircraft) {
  const auto depth = MATCHING_DEPTH.get();
  if (lf_matchRegcode(aircraft)) return 1;
  if (depth < 2) return 0;
  if (aircraft.airline == privateAirline && lf_matchAirlineModel(aircraft, defaultAirline, aircraft.type)) return 4;
  const bool hasOperator = !gf_operatorOfRegistration(aircraft.registration).empty();
  if (!aircraft.airline.empty()) {
    if (lf_matchAirlineModel(aircraft, aircraft.airline, aircraft.type)) return 2;
    if (hasOperator && lf_matchAirlineModel(aircraft, gf_airlineOfRegistration(aircraft.registration), aircraft.type))
      return 2;
  }
  if (depth < 3) return 0;
  if (!aircraft.airline.empty()) {
    if (lf_matchSimilarModel(aircraft, aircraft.airline, aircraft.type)) return 3;
    if (hasOperator && lf_matchSimilarModel(aircraft, gf_airlineOfRegistration(aircraft.registration), aircraft.type))
      return 3;
  }
  LiveryMatchStep step = 0;
  return lf_matchFallbacks(aircraft, depth, step) ? step : 0;
}

// Steps 1 to 6 of a static aircraft; 0 when nothing matched.
LiveryMatchStep lf_matchStaticSteps(AircraftInfoData& aircraft) {
  const auto depth = MATCHING_DEPTH.get();
  if (lf_matchRegcode(aircraft)) return 1;
  if (depth < 2) return 0;
  if (aircraft.airline == privateAirline && lf_matchAirlineModel(aircraft, defaultAirline, aircraft.type)) return 4;
  const bool hasOperator = !gf_operatorOfRegistration(aircraft.registration).empty();
  const auto registrationAirline = hasOperator ? gf_airlineOfRegistration(aircraft.registration) : std::string{};
  if (lf_matchAirlineModel(aircraft, aircraft.airline, aircraft.type) ||
      (hasOperator && lf_matchAirlineModel(aircraft, registrationAirline, aircraft.type)))
    return 2;
  if (depth < 3) return 0;
  for (const auto& similar : gf_similarTypesWithLiveries(aircraft.airline, aircraft.type))
    if (lf_matchAirlineModel(aircraft, aircraft.airline, similar)) return 3;
  if (hasOperator)
    for (const auto& similar : gf_similarTypesWithLiveries(aircraft.airline, aircraft.type))
      if (lf_matchAirlineModel(aircraft, registrationAirline, similar)) return 3;
  LiveryMatchStep step = 0;
  return lf_matchFallbacks(aircraft, depth, step) ? step : 0;
}

} // namespace

void gf_matchLiveAcLivery(AircraftInfoData& aircraft) {
  aircraft.liveryTitle = {};
  const auto step = lf_matchLiveSteps(aircraft);
  if (step == 0) {
    aircraft.liveryTitle = {};
    return;
  }
  lf_recordLiveryMatch(aircraft, step);
}

bool gf_matchStaticAcLivery(AircraftInfoData& aircraft, std::string_view standName, bool cargoStand) {
  if (!aircraft.liveryTitle.empty()) {
    lf_logMatch(aircraft, "s");
    return true;
  }
  aircraft.cargo = cargoStand;
  const auto step = lf_matchStaticSteps(aircraft);
  if (step == 0) {
    aircraft.liveryTitle = {};
    if (LOG.get()) gf_log(fmt::format("{:8}: {} no livery match ...", standName, gf_acShortText(aircraft)));
    return false;
  }
  lf_logMatch(aircraft, std::to_string(step));
  return true;
}
