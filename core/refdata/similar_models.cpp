#include "core/refdata/similar_models.h"

#include "core/log.h"
#include "core/random.h"
#include "core/refdata/dbase_tables.h"
#include "core/text.h"

#include <fmt/format.h>
#include <set>

std::unordered_map<std::string, TypeList> InstalledSimilarTypes;
std::unordered_map<std::string, std::unordered_map<std::string, TypeList>> AirlineSimilarTypes;

namespace {

TypeList lf_withRoomForOne() {
  TypeList list;
  list.reserve(1);
  return list;
}

const TypeList emptyTypeList;
TypeList oneTypeList = lf_withRoomForOne();

} // namespace

void gf_buildSimilarModels(const LiveryQueries& liveries) {
  InstalledSimilarTypes.clear();
  AirlineSimilarTypes.clear();
  // "M,installed,installed" per member M of a group with at least one other member
  // installed; sorted, so that for a type in several groups the text sorting first wins.
  std::set<std::string> definitions;
  for (const auto& group : dbaseTables.similarGroups) {
    if (group.size() < 2) continue;
    for (const auto& member : group) {
      std::string text = member;
      for (const auto& other : group)
        if (&other != &member && liveries.isInstalledModel(other)) text += "," + other;
      if (text.find(',') != std::string::npos) definitions.insert(std::move(text));
    }
  }
  for (const auto& text : definitions) {
    auto pieces = gf_splitTrim(text, ',');
    const auto key = pieces.front();
    InstalledSimilarTypes.try_emplace(key, std::move(pieces));
  }

  for (const auto& airline : liveries.getLiveryAirlines()) {
    std::unordered_map<std::string, TypeList> byType;
    for (const auto& [type, similar] : InstalledSimilarTypes) {
      if (liveries.hasAirlineModelLivery(airline, type)) continue;
      TypeList withLiveries;
      for (const auto& model : similar)
        if (liveries.hasAirlineModelLivery(airline, model)) withLiveries.push_back(model);
      if (!withLiveries.empty()) byType.emplace(type, std::move(withLiveries));
    }
    if (!byType.empty()) AirlineSimilarTypes.try_emplace(airline, std::move(byType));
  }
  gf_log(fmt::format("{} similar model definitions", InstalledSimilarTypes.size()));
}

const TypeList& gf_similarTypesWithLiveries(std::string_view airline, std::string_view type) {
  const auto byAirline = AirlineSimilarTypes.find(std::string(airline));
  if (byAirline == AirlineSimilarTypes.end()) return emptyTypeList;
  const auto byType = byAirline->second.find(std::string(type));
  if (byType == byAirline->second.end()) return emptyTypeList;
  gf_shuffleIfRandom(byType->second);
  return byType->second;
}

const TypeList& gf_randomCategoryModel(const std::function<std::string()>& picker) {
  auto model = picker ? picker() : std::string{};
  if (model.empty()) return emptyTypeList;
  oneTypeList.assign(1, std::move(model));
  return oneTypeList;
}
