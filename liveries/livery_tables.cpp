#include "liveries/livery_tables.h"

#include "core/log.h"
#include "core/refdata/lookups.h"
#include "core/refdata/similar_models.h"
#include "core/settings/control_port.h"
#include "core/settings/parameters.h"
#include "core/shell/main_window.h"
#include "core/shell/repaint.h"
#include "core/text.h"
#include "liveries/scanned_liveries.h"
#include "records/aircraft.h"

#include <algorithm>
#include <fmt/format.h>
#include <iterator>
#include <tuple>

TextMap<TextMap<std::vector<LiveryTitleEntry>>> AirlineLiveryTable;
std::array<TextMap<ModelTitles>, 2> AirlineModelTitleTable;
std::array<ModelTitles, 2> ModelTitleTable;
std::vector<std::string> LightModels;
std::vector<std::string> BuzjetsModels;
std::vector<std::string> RotorcraftModels;
bool liveriesProcessed = false;

namespace {

// Every installed title by its text: the registration codes look their titles up by text.
std::unordered_map<std::string_view, std::string_view> titleIndex;

bool listsReserved = false;

// The display switches turned off here for want of liveries, to be turned on again when a
// later scan finds some. The user's saved choice is never touched.
struct CategorySwitch {
  SizeCategory category;
  CheckBoxParameter& parameter;
  const char* what;
  bool switchedOff = false;
};
std::array<CategorySwitch, 3> categorySwitches{{{SizeCategory::Light, LIGHT_AIRCRAFT, "light aircraft"},
                                                {SizeCategory::HighPerf, HIGH_PERF_AIRCRAFT, "High Perf aircraft"},
                                                {SizeCategory::Rotorcraft, HELICOPTERS, "Helicopters"}}};

void lf_buildAirlineLiveryTable() {
  std::vector<LiveryTitleEntry> titles;
  titles.reserve(4048);
  TextMap<std::vector<LiveryTitleEntry>> models;
  std::string model, airline;
  auto putTitles = [&] {
    if (!titles.empty()) models.try_emplace(model, std::move(titles));
    titles.clear();
    titles.reserve(4048);
  };
  auto putModels = [&] {
    if (!models.empty()) AirlineLiveryTable.try_emplace(airline, std::move(models));
    models.clear();
  };
  for (const auto& livery : ScannedLiveryList) {
    if (livery.type != model) {
      putTitles();
      model = livery.type;
    }
    if (livery.airl != airline) {
      putTitles();
      putModels();
      airline = livery.airl;
    }
    titles.push_back({livery.title, livery.cargo});
    titles.back().title.shrink_to_fit();
  }
  putTitles();
  putModels();
  for (auto& [airlineCode, byModel] : AirlineLiveryTable)
    for (auto& [modelCode, entries] : byModel) {
      entries.shrink_to_fit();
      for (const auto& entry : entries) titleIndex.try_emplace(entry.title, entry.title);
    }
}

void lf_buildAirlineModelTitleTables() {
  for (const auto& [airline, byModel] : AirlineLiveryTable) {
    std::array<ModelTitles, 2> kinds;
    for (const auto& [model, entries] : byModel) {
      std::array<TitleViews, 2> views;
      for (const auto& entry : entries) views[entry.cargo ? cargoKind : paxKind].push_back(entry.title);
      for (std::size_t kind : {paxKind, cargoKind})
        if (!views[kind].empty()) {
          views[kind].shrink_to_fit();
          kinds[kind].try_emplace(model, std::move(views[kind]));
        }
    }
    for (std::size_t kind : {paxKind, cargoKind})
      if (!kinds[kind].empty()) AirlineModelTitleTable[kind].try_emplace(airline, std::move(kinds[kind]));
  }
}

void lf_buildModelTitleTables() {
  struct ModelTitle {
    std::string_view model;
    std::string_view title;
    bool cargo;
  };
  std::vector<ModelTitle> records;
  for (const auto& [airline, byModel] : AirlineLiveryTable)
    for (const auto& [model, entries] : byModel)
      for (const auto& entry : entries) records.push_back({model, entry.title, entry.cargo});
  // By model, and by title within a model, so that a pick without RANDOM is the same in every run.
  std::sort(records.begin(), records.end(),
            [](const auto& a, const auto& b) { return std::tie(a.model, a.title) < std::tie(b.model, b.title); });
  for (auto first = records.begin(); first != records.end();) {
    const auto last =
        std::find_if(first, records.end(), [&](const ModelTitle& record) { return record.model != first->model; });
    std::array<TitleViews, 2> views;
    for (auto it = first; it != last; ++it) views[it->cargo ? cargoKind : paxKind].push_back(it->title);
    for (std::size_t kind : {paxKind, cargoKind})
      if (!views[kind].empty()) ModelTitleTable[kind].try_emplace(std::string(first->model), std::move(views[kind]));
    first = last;
  }
}

void lf_fillCategoryModelList(const std::vector<std::string>& models, std::vector<std::string>& list) {
  std::string line = "  ";
  std::size_t onLine = 0;
  auto logLine = [&] {
    if (line.ends_with(',')) line.pop_back();
    gf_log(line);
    line = "  ";
    onLine = 0;
  };
  for (const auto& model : models) {
    list.push_back(model);
    line += model + ",";
    if (++onLine == 20) logLine();
  }
  if (onLine > 0) logLine();
}

void lf_reportCategoryLiveries(SizeCategory category) {
  std::size_t counts[2] = {0, 0};
  std::vector<std::string> models;
  for (std::size_t kind : {paxKind, cargoKind})
    for (const auto& [model, titles] : ModelTitleTable[kind])
      if (gf_aircraftCategory(model) == category) {
        counts[kind] += titles.size();
        models.push_back(model);
      }
  const auto name = gf_categoryName(category);
  const auto categorySwitch = std::find_if(categorySwitches.begin(), categorySwitches.end(),
                                           [&](const CategorySwitch& s) { return s.category == category; });
  if (counts[paxKind] + counts[cargoKind] == 0) {
    gf_log(fmt::format("Category {}: No livery found", name));
    if (categorySwitch == categorySwitches.end()) return;
    auto& parameter = categorySwitch->parameter;
    if (parameter.get()) {
      // Off for this process only: a later install of such liveries brings them back.
      parameter.set(false);
      categorySwitch->switchedOff = true;
      gf_setControlCheck(parameter.controlId, false);
      gf_log(fmt::format("{} temporarily switched off because you do not have {} installed", parameter.name,
                         categorySwitch->what));
    }
    gf_enableControl(parameter.controlId, false);
    return;
  }
  const auto cargoPart = counts[cargoKind] > 0
                             ? fmt::format(" and {} cargo liverie{}", counts[cargoKind], gf_plural(counts[cargoKind]))
                             : std::string{};
  gf_log(fmt::format("Category {}: {} pax liverie{}{}", name, counts[paxKind], gf_plural(counts[paxKind]), cargoPart));
  std::sort(models.begin(), models.end());
  models.erase(std::unique(models.begin(), models.end()), models.end());
  if (category == SizeCategory::Light)
    lf_fillCategoryModelList(models, LightModels);
  else if (category == SizeCategory::Buzjets)
    lf_fillCategoryModelList(models, BuzjetsModels);
  else if (category == SizeCategory::Rotorcraft)
    lf_fillCategoryModelList(models, RotorcraftModels);
  if (categorySwitch == categorySwitches.end()) return;
  if (categorySwitch->switchedOff) {
    categorySwitch->parameter.set(true);
    categorySwitch->switchedOff = false;
    gf_setControlCheck(categorySwitch->parameter.controlId, true);
  }
  gf_enableControl(categorySwitch->parameter.controlId, true);
}

bool lf_isInstalledModel(const std::string& model) {
  return ModelTitleTable[paxKind].contains(model) || ModelTitleTable[cargoKind].contains(model);
}

} // namespace

void gf_buildLiveryTables() {
  mainWindow.update(topBandRect, [&](DisplayState& d) { d.liveryCount = ScannedLiveryList.size(); });
  lf_buildAirlineLiveryTable();
  lf_buildAirlineModelTitleTables();
  gf_addInlineRegcodes();
  gf_processOfflineRegcodes();
  gf_log(fmt::format("{} registration codes", RegcodeMap.size()));
  lf_buildModelTitleTables();
  gf_log(fmt::format("{} airlines, {} pax aircraft models and {} cargo aircraft models", AirlineLiveryTable.size(),
                     ModelTitleTable[paxKind].size(), ModelTitleTable[cargoKind].size()));
  gf_buildSimilarModels({lf_isInstalledModel, gf_getLiveryAirlines, gf_hasAirlineModelLivery});
  for (std::size_t category = 0; category < sizeCategoryCount; ++category)
    lf_reportCategoryLiveries(static_cast<SizeCategory>(category));
  liveriesProcessed = true;
  gf_requestRepaint(topBandRect);
  ScannedLiveryList.clear();
}

void gf_processScannedLiveries() {
  if (liveriesProcessed) {
    gf_log("Processing scanned liveries skipped; already done in previous start-up");
    ScannedLiveryList.clear();
    return;
  }
  gf_readScannedLiveries();
  gf_buildLiveryTables();
}

void gf_reserveLiveryLists() {
  if (listsReserved) return;
  listsReserved = true;
  SpecialTitles.reserve(4096);
  LightModels.reserve(64);
  BuzjetsModels.reserve(128);
  RotorcraftModels.reserve(32);
}

void gf_clearLiveryTables() {
  LightModels.clear();
  BuzjetsModels.clear();
  RotorcraftModels.clear();
  gf_clearRegcodes();
  for (auto& table : ModelTitleTable) table.clear();
  for (auto& table : AirlineModelTitleTable) table.clear();
  titleIndex.clear();
  AirlineLiveryTable.clear();
  liveriesProcessed = false;
}

std::string_view gf_findLiveryTitle(std::string_view title) {
  const auto found = titleIndex.find(title);
  return found == titleIndex.end() ? std::string_view{} : found->second;
}

bool gf_hasAirlineModelLivery(const std::string& airline, const std::string& model) {
  const auto byAirline = AirlineLiveryTable.find(airline);
  return byAirline != AirlineLiveryTable.end() && byAirline->second.contains(model);
}

std::vector<std::string> gf_getLiveryAirlines() {
  std::vector<std::string> airlines;
  airlines.reserve(AirlineLiveryTable.size());
  for (const auto& [airline, models] : AirlineLiveryTable) airlines.push_back(airline.substr(0, 3));
  return airlines;
}
