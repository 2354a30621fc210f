#include "liveries/matching.h"

#include "core/random.h"
#include "core/refdata/lookups.h"
#include "liveries_fixture.h"

#include <map>
#include <set>

using namespace liveries_testing;

namespace {

std::set<std::string, std::less<>> uncreatable;
bool lf_isUncreatable(std::string_view title) { return uncreatable.contains(title); }

AircraftInfoData lf_aircraft(std::string airline, std::string type, std::string registration = {}, bool cargo = false) {
  AircraftInfoData aircraft;
  aircraft.airline = std::move(airline);
  aircraft.type = std::move(type);
  aircraft.registration = std::move(registration);
  aircraft.category = gf_aircraftCategory(aircraft.type);
  aircraft.callsign = "HVM123";
  aircraft.cargo = cargo;
  return aircraft;
}

class Matching : public LiveriesTest {
protected:
  Matching() {
    // Special: one registration of its own. Not special: two registrations.
    writeText(myRegcodesFolder / "mine.TXT", "AAL A320 a special;N320AA\n"
                                             "AAL A321 1;N500AA,N501AA\n"
                                             "SWA B738 only special;N738SW\n");
    std::list<LiveryData> liveries{livery("AAL", "A321", "AAL A321 1"),
                                   livery("AAL", "A321", "AAL A321 2"),
                                   livery("AAL", "A320", "AAL A320 a special"),
                                   livery("AAL", "A320", "AAL A320 b plain"),
                                   livery("SWA", "B738", "SWA B738 only special"),
                                   livery("SWA", "B737", "FSLTL_SWA_B737"),
                                   livery("FDX", "B763", "FDX B763 cargo", "", true),
                                   livery("UPS", "B763", "UPS B763 pax"),
                                   livery("ZZZ", "B77W", "ZZZ B77W default"),
                                   livery("ZZZ", "C172", "ZZZ C172 default"),
                                   livery("ZZZ", "A20N", "ZZZ A20N default"),
                                   livery("PVT", "C152", "PVT C152"),
                                   livery("PVT", "C172", "PVT C172"),
                                   livery("PVT", "R66", "PVT R66"),
                                   livery("ASA", "E75L", "ASA E75L 1"),
                                   livery("DAL", "B738", "DAL B738 1"),
                                   livery("DAL", "A320", "DAL A320 cargo", "", true)};
    liveries.sort(gf_liveryLess);
    ScannedLiveryList = std::move(liveries);
    gf_buildLiveryTables();
    uncreatable.clear();
    gf_setLiveryTrafficHooks({lf_isUncreatable, nullptr});
  }
  ~Matching() override { uncreatable.clear(); }
};

struct Case {
  std::string what;
  AircraftInfoData aircraft;
  std::int32_t depth;
  std::string title; // empty: none
  std::int32_t step; // 0: none
};

} // namespace

TEST_F(Matching, LiveAircraftStepByStep) {
  const std::vector<Case> cases{
      {"registration wins, also at depth 1", lf_aircraft("DAL", "B738", "N500AA"), 1, "AAL A321 1", 1},
      {"a special title is taken by its registration", lf_aircraft("AAL", "A320", "N320AA"), 4, "AAL A320 a special",
       1},
      {"depth 1 without registration", lf_aircraft("AAL", "A321"), 1, "", 0},
      {"airline and model", lf_aircraft("AAL", "A321"), 2, "AAL A321 1", 2},
      {"the first plain title of the list", lf_aircraft("AAL", "A320"), 2, "AAL A320 b plain", 2},
      {"a list of special titles only gives its first", lf_aircraft("SWA", "B738"), 2, "SWA B738 only special", 2},
      {"PVT takes a default livery before its own", lf_aircraft("PVT", "C172"), 2, "ZZZ C172 default", 4},
      {"a freighter takes a passenger livery of its airline", lf_aircraft("UPS", "B763", "", true), 2, "UPS B763 pax",
       2},
      {"a passenger aircraft never a cargo livery", lf_aircraft("FDX", "B763"), 4, "", 0},
      {"the airline of the registration when it has an operator", lf_aircraft("QXE", "E75L", "N631QX"), 2, "ASA E75L 1",
       2},
      {"a similar model of the airline", lf_aircraft("DAL", "B737"), 3, "DAL B738 1", 3},
      {"no similar model at depth 2", lf_aircraft("DAL", "B737"), 2, "", 0},
      {"a heavy at depth 3", lf_aircraft("JAL", "B77W"), 3, "", 0},
      {"a heavy at depth 4: the default livery of its model", lf_aircraft("JAL", "B77W"), 4, "ZZZ B77W default", 4},
      {"a large aircraft never a livery of another model", lf_aircraft("JAL", "A321"), 4, "", 0},
      {"Light at depth 3: default livery", lf_aircraft("ABC", "C172"), 3, "ZZZ C172 default", 4},
      {"Light: the model under any airline", lf_aircraft("ABC", "C152"), 3, "PVT C152", 5},
      {"Light: another Light model, the first in order", lf_aircraft("ABC", "C150"), 3, "PVT C152", 6},
      {"Rotorcraft: an installed similar model", lf_aircraft("ABC", "R44"), 3, "PVT R66", 6},
      {"an empty airline skips airline and similar models", lf_aircraft("", "A321"), 4, "", 0},
  };
  for (auto c : cases) {
    MATCHING_DEPTH.set(c.depth);
    LiveryMatchCounters = {};
    gf_matchLiveAcLivery(c.aircraft);
    EXPECT_EQ(c.aircraft.liveryTitle, c.title) << c.what;
    for (std::int32_t step = 1; step <= 6; ++step)
      EXPECT_EQ(LiveryMatchCounters[static_cast<std::size_t>(step - 1)], step == c.step ? 1 : 0) << c.what;
    if (c.step > 0) {
      EXPECT_TRUE(logged(fmt::format("          {} ={}= {}", gf_acLogText(c.aircraft), c.step, c.title))) << c.what;
      EXPECT_EQ(c.aircraft.liveryTitle.data(), gf_findLiveryTitle(c.title).data()) << c.what;
    }
  }
}

TEST_F(Matching, TitlesTheSimulatorRefusedArePassedOver) {
  // The registration's title: matching goes on with the next steps.
  uncreatable.insert("AAL A321 1");
  auto aircraft = lf_aircraft("DAL", "B738", "N500AA");
  gf_matchLiveAcLivery(aircraft);
  EXPECT_EQ(aircraft.liveryTitle, "DAL B738 1");
  EXPECT_EQ(LiveryMatchCounters[1], 1);
  // In a list: the other title.
  aircraft = lf_aircraft("AAL", "A321");
  gf_matchLiveAcLivery(aircraft);
  EXPECT_EQ(aircraft.liveryTitle, "AAL A321 2");
  // A whole list refused: the default livery of a private aircraft gives way to its own.
  uncreatable.insert("ZZZ C172 default");
  aircraft = lf_aircraft("PVT", "C172");
  gf_matchLiveAcLivery(aircraft);
  EXPECT_EQ(aircraft.liveryTitle, "PVT C172");
  // Nothing left, not even another Light model: no title, nothing counted.
  uncreatable.insert({"PVT C172", "PVT C152"});
  aircraft = lf_aircraft("PVT", "C172");
  gf_matchLiveAcLivery(aircraft);
  EXPECT_TRUE(aircraft.liveryTitle.empty());
  EXPECT_EQ(LiveryMatchCounters, (std::array<std::int32_t, 6>{0, 3, 0, 0, 0, 0}));
}

TEST_F(Matching, FsltlFlagAndRandomPicks) {
  auto aircraft = lf_aircraft("SWA", "B737");
  gf_matchLiveAcLivery(aircraft);
  EXPECT_EQ(aircraft.liveryTitle, "FSLTL_SWA_B737");
  EXPECT_TRUE(aircraft.fsltlLivery);
  aircraft = lf_aircraft("AAL", "A321");
  gf_matchLiveAcLivery(aircraft);
  EXPECT_FALSE(aircraft.fsltlLivery);

  // With RANDOM both titles come up, the special one never; one seed gives one sequence.
  RANDOM.set(true);
  auto picks = [](std::uint32_t seed) {
    gf_randomEngine().seed(seed);
    std::vector<std::string> titles;
    for (int i = 0; i < 40; ++i) {
      auto a = lf_aircraft("AAL", "A321");
      gf_matchLiveAcLivery(a);
      auto b = lf_aircraft("AAL", "A320");
      gf_matchLiveAcLivery(b);
      titles.emplace_back(a.liveryTitle);
      titles.emplace_back(b.liveryTitle);
    }
    return titles;
  };
  const auto first = picks(7);
  EXPECT_EQ(picks(7), first);
  const std::set<std::string> seen(first.begin(), first.end());
  EXPECT_EQ(seen, (std::set<std::string>{"AAL A321 1", "AAL A321 2", "AAL A320 b plain"}));
}

TEST_F(Matching, StaticAircraftOnTheirStands) {
  // A cargo stand makes a cargo aircraft.
  auto aircraft = lf_aircraft("DAL", "A320");
  StandData stand;
  stand.name = "C12";
  stand.cargo = true;
  EXPECT_TRUE(gf_matchStaticAcLivery(aircraft, stand));
  EXPECT_TRUE(aircraft.cargo);
  EXPECT_EQ(aircraft.liveryTitle, "DAL A320 cargo");
  EXPECT_TRUE(logged(fmt::format("          {} =2= DAL A320 cargo", gf_acLogText(aircraft))));
  // A title already set stays.
  EXPECT_TRUE(gf_matchStaticAcLivery(aircraft, "C12", false));
  EXPECT_TRUE(aircraft.cargo);
  EXPECT_TRUE(logged(fmt::format("          {} =s= DAL A320 cargo", gf_acLogText(aircraft))));
  // Static aircraft with an empty airline try the airline steps too, and count nothing.
  aircraft = lf_aircraft("", "A321");
  EXPECT_FALSE(gf_matchStaticAcLivery(aircraft, "G7", false));
  EXPECT_TRUE(logged(fmt::format("{:8}: {} no livery match ...", "G7", gf_acShortText(aircraft))));
  // Similar models of the aircraft's airline, without a category test.
  aircraft = lf_aircraft("DAL", "B737");
  EXPECT_TRUE(gf_matchStaticAcLivery(aircraft, "G8", false));
  EXPECT_EQ(aircraft.liveryTitle, "DAL B738 1");
  EXPECT_EQ(LiveryMatchCounters, (std::array<std::int32_t, 6>{}));
  // LOG off: no lines.
  LOG.set(false);
  aircraft = lf_aircraft("XXX", "B789");
  EXPECT_FALSE(gf_matchStaticAcLivery(aircraft, "G9", false));
  EXPECT_FALSE(logged("G9      :"));
}
