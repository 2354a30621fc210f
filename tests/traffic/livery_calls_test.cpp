// Live traffic with the real livery tables: titles come from the tables and keep pointing
// into them, a title the simulator refused is passed over, and what no livery fits is listed.
#include "core/settings/file_names.h"
#include "liveries/livery_tables.h"
#include "liveries/matching.h"
#include "liveries/matching_summary.h"
#include "liveries/scanned_liveries.h"
#include "liveries/traffic_hooks.h"
#include "traffic/spawning.h"
#include "traffic_fixture.h"

using namespace traffic_testing;

namespace {

class LiveryCalls : public TrafficTest {
protected:
  LiveryCalls() {
    for (const auto& folder : {inputFolder, myRegcodesFolder, infoFolder, errorsFolder})
      std::filesystem::create_directories(work_.path() / folder);
    std::list<LiveryData> liveries{{"AAL", "B738", "AAL B738 one", "", 0, false},
                                   {"AAL", "B738", "AAL B738 two", "", 0, false},
                                   {"KLM", "A320", "KLM A320", "", 0, false}};
    liveries.sort(gf_liveryLess);
    ScannedLiveryList = std::move(liveries);
    gf_buildLiveryTables();
    gf_setLiveryTables({}); // the real tables, not the fixture's
    gf_reserveTraffic();
  }
  ~LiveryCalls() override {
    gf_clearLiveryTables();
    NoMatchSet.clear();
    LiveryMatchCounters = {};
    gf_setLiveryTrafficHooks({});
  }

  // Spawns a buffered aircraft and returns its title.
  std::string_view spawn(std::uint32_t hexid, const std::string& callsign, const std::string& type,
                         const std::string& registration = {}) {
    Report r;
    r.hexid = hexid;
    r.callsign = callsign;
    r.type = type;
    r.registration = registration;
    r.lat = latNorth(hexid % 100);
    r.dueTick = gf_tickCounter() + 100;
    buffered(r);
    lf_bufferStep(*live(hexid));
    return live(hexid)->aircraft.aircraftInfo.liveryTitle;
  }

  testing_support::TempDir work_{"hvm-traffic-liveries"};
  testing_support::ScopedCurrentPath inWork_{work_.path()};
};

} // namespace

TEST_F(LiveryCalls, TitlesComeFromTheTablesAndRefusedOnesArePassedOver) {
  const std::string_view title = spawn(firstHexid, "AAL1", "B738");
  ASSERT_EQ(title, "AAL B738 one");
  EXPECT_EQ(title.data(), gf_findLiveryTitle("AAL B738 one").data()); // a view into the tables
  EXPECT_EQ(traffic.hexidTitleMap.at(firstHexid), "AAL B738 one");
  EXPECT_EQ(gf_titleForHexid(firstHexid)->data(), title.data());

  gf_reportCreateFailure(live(firstHexid)->aircraft);
  EXPECT_FALSE(gf_titleForHexid(firstHexid));
  EXPECT_EQ(spawn(firstHexid + 1, "AAL2", "B738"), "AAL B738 two");

  gf_logLiveryMatchingSummary();
  EXPECT_TRUE(log.contains("  B738 AAL"));
}

TEST_F(LiveryCalls, AnAircraftNoLiveryFitsIsListed) {
  EXPECT_TRUE(spawn(firstHexid, "VIPER1", "F16", "N16FF").empty());
  EXPECT_TRUE(live(firstHexid)->aircraft.eraseNow);
  EXPECT_TRUE(NoMatchSet.contains("PVT F16  N16FF"));
  gf_logNoLiveryMatches();
  EXPECT_TRUE(log.contains("PVT F16  N16FF"));
  gf_resetTraffic();
  EXPECT_TRUE(NoMatchSet.empty());
}
