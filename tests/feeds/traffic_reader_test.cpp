#include "feeds/traffic_reader.h"

#include "core/shell/run_state.h"
#include "core/time.h"
#include "feeds/adding_stack.h"
#include "feeds/feed_test_support.h"
#include "feeds/realtraffic_link.h"
#include "support/test_support.h"

#include <gtest/gtest.h>
#include <vector>

using namespace feed_testing;

namespace {

class TrafficReaderTest : public ::testing::Test {
protected:
  void SetUp() override {
    resetFeeds();
    gf_setLiveTrafficHooks({[] { return std::int32_t{500}; }, nullptr});
  }
  void TearDown() override { resetFeeds(); }

  std::vector<TrafficData> takeAll() {
    std::vector<TrafficData> taken;
    while (gf_takeTrafficReports([&](TrafficData& report) { taken.push_back(report); }) > 0) {}
    return taken;
  }

  testing_support::LogCapture log;
};

} // namespace

TEST_F(TrafficReaderTest, AcceptedLineIsQueuedDue3000TicksLater) {
  trafficReader.handleLine(trafficLine());
  const auto reports = takeAll();
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0].point.dueTick, 3500);
  EXPECT_EQ(reports[0].callsign, "AAL123");
  EXPECT_DOUBLE_EQ(trafficReader.lineTimestamp.load(), 1718000000.5);
}

TEST_F(TrafficReaderTest, NothingIsQueuedWhileTrafficIsNotAccepted) {
  gf_setAcceptingTraffic(false);
  trafficReader.handleLine(trafficLine());
  EXPECT_EQ(gf_addingStackSize(), 0u);
  // The clock still moves.
  EXPECT_DOUBLE_EQ(trafficReader.lineTimestamp.load(), 1718000000.5);
}

TEST_F(TrafficReaderTest, FailuresAreLoggedDropsAndVehiclesLeaveNoLine) {
  trafficReader.handleLine(trafficLine({{2, "0.00005"}, {3, "-0.00003"}}));
  trafficReader.handleLine(trafficLine({{2, "34.7"}, {14, "1718000100"}})); // out of range
  trafficReader.handleLine(trafficLine({{16, "SURFACE VEH"}, {14, "1718000200"}}));
  trafficReader.handleLine("AITFC,854930,33.9404");
  EXPECT_EQ(gf_addingStackSize(), 0u);
  EXPECT_EQ(log.lines(), (std::vector<std::string>{
                             "exception in processLineSub: invalid lalo: 0.000050,-0.000030",
                             "exception in processLineSub: short line of 3 fields, 29 expected: AITFC,854930,33.9404",
                         }));
  // The dropped line moved the clock; the vehicle and the short line did not.
  EXPECT_DOUBLE_EQ(trafficReader.lineTimestamp.load(), 1718000100);
}

TEST_F(TrafficReaderTest, CallsignsAreCollectedOnlyWhileACollectionRuns) {
  trafficReader.handleLine(trafficLine({{9, "EARLY1"}}));
  trafficReader.startCallsignCollection();
  trafficReader.handleLine(trafficLine({{9, "UAL9"}}));
  trafficReader.handleLine(trafficLine({{9, "DAL40"}, {10, "ZZZZ"}})); // dropped for its type: still collected
  trafficReader.handleLine(trafficLine({{9, "A@B"}}));
  trafficReader.handleLine(trafficLine({{9, "UAL9"}}));
  const auto collected = trafficReader.takeCollectedCallsigns();
  EXPECT_EQ(collected, (std::unordered_set<std::string>{"UAL9", "DAL40"}));
  EXPECT_FALSE(trafficReader.collectCallsigns.load());
  trafficReader.handleLine(trafficLine({{9, "LATE1"}}));
  EXPECT_TRUE(trafficReader.takeCollectedCallsigns().empty());
}

TEST_F(TrafficReaderTest, ParkAirportAndReferenceComeFromTheirSetters) {
  const auto onGround = trafficLine({{4, "0"}, {8, "10"}});
  trafficReader.handleLine(onGround);
  EXPECT_EQ(gf_addingStackSize(), 0u);
  trafficReader.setParkAirport(GeoPosition{laxLatitude, laxLongitude});
  trafficReader.handleLine(onGround);
  EXPECT_EQ(gf_addingStackSize(), 1u);
  trafficReader.setReference({40.0, -74.0}); // far away now
  trafficReader.handleLine(trafficLine());
  EXPECT_EQ(gf_addingStackSize(), 1u);
  rangeNm = 3000;
  trafficReader.handleLine(trafficLine());
  EXPECT_EQ(gf_addingStackSize(), 2u);
}

TEST_F(TrafficReaderTest, TrafficClockFollowsTheLinesOnlyForTheProfessionalEdition) {
  trafficReader.handleLine(trafficLine({{14, "1718000000.9"}}));
  const auto now = gf_nowSeconds();
  EXPECT_GE(gf_trafficClock(), now);
  realTrafficLink.professional = true;
  EXPECT_EQ(gf_trafficClock(), 1718000000);
  gf_resetFeedState();
  EXPECT_GE(gf_trafficClock(), now);
}

TEST(AddingStack, AtMostTwoReportsPerTakeInArrivalOrder) {
  resetFeeds();
  for (std::uint32_t id : {10001u, 10002u, 10003u}) {
    TrafficData report;
    report.hexId = id;
    ASSERT_TRUE(gf_appendTrafficReport(std::move(report), 7));
  }
  std::vector<std::uint32_t> order;
  const auto take = [&] { return gf_takeTrafficReports([&](TrafficData& r) { order.push_back(r.hexId); }); };
  EXPECT_EQ(take(), 2u);
  EXPECT_EQ(take(), 1u);
  EXPECT_EQ(take(), 0u);
  EXPECT_EQ(order, (std::vector<std::uint32_t>{10001, 10002, 10003}));
  // The due tick wraps with the tick counter instead of overflowing.
  TrafficData late;
  ASSERT_TRUE(gf_appendTrafficReport(std::move(late), std::numeric_limits<std::int32_t>::max()));
  gf_takeTrafficReports(
      [](TrafficData& r) { EXPECT_EQ(r.point.dueTick, std::numeric_limits<std::int32_t>::min() + 2999); });
  resetFeeds();
}
