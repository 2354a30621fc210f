#include "liveries/livery_tables.h"

#include "core/errors.h"
#include "core/shell/main_window.h"
#include "liveries_fixture.h"

using namespace liveries_testing;
namespace fs = std::filesystem;

class LiveryTables : public LiveriesTest {
protected:
  void build(std::list<LiveryData> liveries) {
    liveries.sort(gf_liveryLess);
    ScannedLiveryList = std::move(liveries);
    gf_buildLiveryTables();
  }
  static std::vector<std::string> texts(const TitleViews& views) { return {views.begin(), views.end()}; }
  // The log lines from the first that begins with `from`.
  std::vector<std::string> linesFrom(std::string_view from) const {
    const auto lines = logLines();
    const auto first = std::find_if(lines.begin(), lines.end(), [&](const auto& l) { return l.starts_with(from); });
    return {first, lines.end()};
  }

  settings_testing::RecordingPort port_;
};

TEST_F(LiveryTables, OneLiveryAndTheCategoriesWithoutAny) {
  build({livery("AAL", "A321", "American A321")});
  EXPECT_EQ(mainWindow.snapshot().liveryCount, 1u);
  EXPECT_TRUE(liveriesProcessed);
  EXPECT_TRUE(ScannedLiveryList.empty());
  EXPECT_EQ(AirlineLiveryTable.size(), 1u);
  EXPECT_EQ(texts(AirlineModelTitleTable[paxKind].at("AAL").at("A321")), std::vector<std::string>{"American A321"});
  EXPECT_TRUE(AirlineModelTitleTable[cargoKind].empty());
  const std::vector<std::string> categories{"Category Light: No livery found",
                                            "LIGHT_AIRCRAFT temporarily switched off because you do not have light "
                                            "aircraft installed",
                                            "Category Buzjets: No livery found",
                                            "Category Large: 1 pax liverie",
                                            "Category Heavy: No livery found",
                                            "Category HighPerf: No livery found",
                                            "HIGH_PERF_AIRCRAFT temporarily switched off because you do not have High "
                                            "Perf aircraft installed",
                                            "Category Rotorcraft: No livery found",
                                            "HELICOPTERS temporarily switched off because you do not have Helicopters "
                                            "installed"};
  EXPECT_EQ(linesFrom("Category Light"), categories);
  EXPECT_TRUE(logged("1 airlines, 1 pax aircraft models and 0 cargo aircraft models"));

  // Off for this process; the user's saved choice stays as it was.
  for (const auto* p : {&LIGHT_AIRCRAFT, &HIGH_PERF_AIRCRAFT, &HELICOPTERS}) {
    EXPECT_FALSE(p->get()) << p->name;
    EXPECT_NE(settings_testing::entryValue(settings_.file(), p->name), "false") << p->name;
    EXPECT_TRUE(port_.saw(fmt::format("enable {} 0", p->controlId))) << p->name;
    EXPECT_TRUE(port_.saw(fmt::format("check {} 0", p->controlId))) << p->name;
  }

  // A later run of the process keeps its tables.
  gf_processScannedLiveries();
  EXPECT_TRUE(logged("Processing scanned liveries skipped; already done in previous start-up"));
  EXPECT_EQ(AirlineLiveryTable.size(), 1u);

  // After a new scan that found helicopters, their display comes back.
  gf_clearLiveryTables();
  EXPECT_FALSE(liveriesProcessed);
  build({livery("PVT", "R44", "Robinson")});
  EXPECT_TRUE(HELICOPTERS.get());
  EXPECT_TRUE(port_.saw(fmt::format("check {} 1", HELICOPTERS.controlId)));
  EXPECT_TRUE(port_.saw(fmt::format("enable {} 1", HELICOPTERS.controlId)));
  EXPECT_EQ(RotorcraftModels, std::vector<std::string>{"R44"});
}

TEST_F(LiveryTables, PaxAndCargoTablesHoldViewsIntoTheMasterTable) {
  build({livery("FDX", "B763", "FedEx 1", "", true), livery("FDX", "B763", "FedEx 2", "", true),
         livery("FDX", "A320", "FedEx pax"), livery("UPS", "B763", "UPS 1", "", true), livery("DAL", "B763", "Delta")});
  EXPECT_FALSE(AirlineModelTitleTable[paxKind].at("FDX").contains("B763"));
  EXPECT_EQ(texts(AirlineModelTitleTable[cargoKind].at("FDX").at("B763")),
            (std::vector<std::string>{"FedEx 1", "FedEx 2"}));
  EXPECT_EQ(texts(ModelTitleTable[cargoKind].at("B763")), (std::vector<std::string>{"FedEx 1", "FedEx 2", "UPS 1"}));
  EXPECT_EQ(texts(ModelTitleTable[paxKind].at("B763")), std::vector<std::string>{"Delta"});
  EXPECT_TRUE(logged("Category Heavy: 1 pax liverie and 3 cargo liveries"));
  EXPECT_TRUE(logged("3 airlines, 2 pax aircraft models and 1 cargo aircraft models"));

  // One text for each title: the other tables point into the master table.
  const auto& master = AirlineLiveryTable.at("FDX").at("B763").front().title;
  EXPECT_EQ(AirlineModelTitleTable[cargoKind].at("FDX").at("B763").front().data(), master.data());
  EXPECT_EQ(ModelTitleTable[cargoKind].at("B763").front().data(), master.data());
  EXPECT_EQ(gf_findLiveryTitle("FedEx 1").data(), master.data());
  EXPECT_TRUE(gf_findLiveryTitle("FedEx").empty());

  EXPECT_TRUE(gf_hasAirlineModelLivery("UPS", "B763"));
  EXPECT_FALSE(gf_hasAirlineModelLivery("UPS", "A320"));
  EXPECT_FALSE(gf_hasAirlineModelLivery("ups", "B763"));
}

TEST_F(LiveryTables, CategoryModelsAndAirlineKeys) {
  std::list<LiveryData> liveries;
  for (int i = 45; i >= 1; --i) liveries.push_back(livery("PVT", fmt::format("L{:03}", i), fmt::format("Light {}", i)));
  liveries.push_back(livery("ABCD", "C172", "Four letters"));
  liveries.push_back(livery("AB", "C172", "Two letters"));
  build(std::move(liveries));
  ASSERT_EQ(LightModels.size(), 46u);
  EXPECT_TRUE(std::is_sorted(LightModels.begin(), LightModels.end()));
  EXPECT_EQ(LightModels.front(), "C172");
  // Twenty models a line.
  const auto lines = linesFrom("Category Light");
  ASSERT_GE(lines.size(), 4u);
  EXPECT_TRUE(lines[1].starts_with("  C172,L001,L002,"));
  EXPECT_FALSE(lines[1].ends_with(","));
  EXPECT_EQ(std::count(lines[1].begin(), lines[1].end(), ','), 19);
  EXPECT_EQ(std::count(lines[2].begin(), lines[2].end(), ','), 19);
  EXPECT_EQ(lines[3], "  L040,L041,L042,L043,L044,L045");
  EXPECT_TRUE(LIGHT_AIRCRAFT.get());

  auto airlines = gf_getLiveryAirlines();
  std::sort(airlines.begin(), airlines.end());
  EXPECT_EQ(airlines, (std::vector<std::string>{"AB", "ABC", "PVT"}));
  gf_clearLiveryTables();
  EXPECT_TRUE(gf_getLiveryAirlines().empty());
  EXPECT_TRUE(LightModels.empty());
}

TEST_F(LiveryTables, AMissingFileStopsTheProcessing) {
  try {
    gf_processScannedLiveries();
    FAIL() << "no error";
  } catch (const hvm::UserErrorException& e) {
    EXPECT_EQ(std::string(e.what()), fmt::format("51: File {} not found", gf_pathText(liveriesScannedFile)));
  }
  EXPECT_FALSE(liveriesProcessed);
}
