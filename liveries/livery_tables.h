#pragma once
// The in-memory tables livery matching searches, built once per process from the scanned
// liveries: a master table that owns every title text, pax and cargo tables by airline and
// model and by model alone (views into the master's texts), and the sorted models of three
// size categories. Built and read on the worker thread; emptied only by the worker, after
// the run has stopped and no aircraft holds a title any more.
#include <array>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "liveries/regcodes.h"

struct LiveryTitleEntry {
  std::string title;
  bool cargo = false;
};

using TitleViews = std::vector<std::string_view>;
template <typename Value> using TextMap = std::unordered_map<std::string, Value, TextHash, std::equal_to<>>;
using ModelTitles = TextMap<TitleViews>;

enum LiveryKind : std::size_t { paxKind = 0, cargoKind = 1 };

// Airline -> model -> liveries; owns every title text. Not changed once built, until it
// is emptied together with every table that points into it.
extern TextMap<TextMap<std::vector<LiveryTitleEntry>>> AirlineLiveryTable;
// [pax, cargo]: airline -> model -> titles; only non-empty lists and maps.
extern std::array<TextMap<ModelTitles>, 2> AirlineModelTitleTable;
// [pax, cargo]: model -> titles.
extern std::array<ModelTitles, 2> ModelTitleTable;
// Installed models of the categories Light, Buzjets and Rotorcraft, sorted, each once.
extern std::vector<std::string> LightModels;
extern std::vector<std::string> BuzjetsModels;
extern std::vector<std::string> RotorcraftModels;
// The tables are built; worker thread only.
extern bool liveriesProcessed;

// Once per process (again after gf_clearLiveryTables): reads output/LiveriesScanned.xml and
// builds every table; errors of the reader pass on.
void gf_processScannedLiveries();
// Builds the tables from ScannedLiveryList, which must hold the records read from the file.
void gf_buildLiveryTables();
void gf_reserveLiveryLists();
// Empties every table and clears `liveriesProcessed`, so the next run builds them again.
// Worker thread, after the run has stopped: aircraft records and the registration tables
// hold views into these texts.
void gf_clearLiveryTables();

// The table's own text of an installed title, an empty view when it is not installed.
std::string_view gf_findLiveryTitle(std::string_view title);
bool gf_hasAirlineModelLivery(const std::string& airline, const std::string& model);
std::vector<std::string> gf_getLiveryAirlines();
