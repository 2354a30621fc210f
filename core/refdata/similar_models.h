#pragma once
// Installed types that can stand in for a type an airline has no livery of, from the
// reference database's groups of alike types and the livery tables.
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

using TypeList = std::vector<std::string>;

// What the similar types need of the livery tables.
struct LiveryQueries {
  // A key of the passenger or the cargo ModelTitleTable: a model with liveries installed.
  std::function<bool(const std::string& model)> isInstalledModel;
  // gf_getLiveryAirlines: the airline keys of the airline livery table, cut to three characters.
  std::function<std::vector<std::string>()> getLiveryAirlines;
  // gf_hasAirlineModelLivery: the airline has at least one livery of the model.
  std::function<bool(const std::string& airline, const std::string& model)> hasAirlineModelLivery;
};

// Type -> the type itself followed by the installed members of its group.
extern std::unordered_map<std::string, TypeList> InstalledSimilarTypes;
// Airline -> type it has no livery of -> installed similar types it has liveries of.
extern std::unordered_map<std::string, std::unordered_map<std::string, TypeList>> AirlineSimilarTypes;

// Once, after the livery tables are built. Logs "{} similar model definitions".
void gf_buildSimilarModels(const LiveryQueries& liveries);

// The stored list for (airline, type), shuffled in place when RANDOM is on; the empty list
// when there is none. Worker thread only; do not keep the reference across calls.
const TypeList& gf_similarTypesWithLiveries(std::string_view airline, std::string_view type);

// The one model the picker returns as a one-entry list (the empty list for an empty
// name). The list is shared and overwritten by the next call: worker thread only.
const TypeList& gf_randomCategoryModel(const std::function<std::string()>& picker);
