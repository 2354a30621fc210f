// The road from RealTraffic's broadcasts to the report queue, with the stand-in replaying
// real recordings around Los Angeles.
#include "feeds/adding_stack.h"
#include "feeds/feed_test_support.h"
#include "feeds/qnh_reader.h"
#include "feeds/realtraffic_link.h"
#include "feeds/traffic_reader.h"
#include "standin.h"
#include "support/test_support.h"

#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>
#include <thread>

using namespace feed_testing;

namespace {

double nowSeconds() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count() / 1000.0;
}

struct Replay {
  std::vector<TrafficData> reports;
  std::size_t trafficSent = 0;
  double started = 0;
  double ended = 0;
};

Replay replay(const std::string& recording, double speed, double maxRate) {
  Replay result;
  std::thread qnh(gf_runQnhReader, 0);
  std::thread traffic(gf_runTrafficReader, 0);
  const bool listening =
      waitUntil([] { return qnhReader.boundPort.load() != 0 && trafficReader.boundPort.load() != 0; });
  EXPECT_TRUE(listening);
  if (listening) {
    rtstandin::Options options;
    // A name alone is one of the real recordings.
    options.file = std::filesystem::path(recording).has_parent_path()
                       ? recording
                       : std::string(HVM_DATA_DIR) + "/realtraffic/" + recording;
    options.speed = speed;
    options.maxRate = maxRate;
    options.link = false;
    options.trafficPort = trafficReader.boundPort.load();
    options.weatherPort = qnhReader.boundPort.load();
    rtstandin::StandIn standIn(options);
    result.started = nowSeconds();
    standIn.start();
    EXPECT_TRUE(waitUntil([&] { return standIn.replayDone(); }, std::chrono::seconds(60)));
    result.trafficSent = standIn.trafficSent();
    EXPECT_TRUE(waitUntil(
        [&] { return static_cast<std::size_t>(trafficReader.datagramCount.load()) == standIn.trafficSent(); }));
    result.ended = nowSeconds();
  }
  qnhReader.stop = true;
  trafficReader.stop = true;
  qnh.join();
  traffic.join();
  while (gf_takeTrafficReports([&](TrafficData& r) { result.reports.push_back(r); }) > 0) {}
  return result;
}

class ReplayTest : public ::testing::Test {
protected:
  void SetUp() override {
    resetFeeds();
    realTrafficLink.detected = true; // RealTraffic on this PC: loopback, every datagram handled
    gf_setLiveTrafficHooks({[] { return std::int32_t{1000}; }, nullptr});
    trafficReader.setParkAirport(GeoPosition{laxLatitude, laxLongitude});
    trafficReader.setParkElevation(125.0);
  }
  void TearDown() override { resetFeeds(); }
  testing_support::LogCapture log;
};

void checkReports(const Replay& run, double recordingSeconds, double speed) {
  ASSERT_FALSE(run.reports.empty());
  double first = run.reports.front().timestamp;
  double last = first;
  std::size_t airborne = 0;
  std::size_t onGround = 0;
  for (const auto& r : run.reports) {
    EXPECT_EQ(r.point.dueTick, 4000);
    EXPECT_GT(r.hexId, 10000u);
    EXPECT_FALSE(r.type.empty());
    EXPECT_NE(r.type, "ZZZC");
    EXPECT_FALSE(r.callsign.empty() && r.registration.empty());
    EXPECT_LE(gf_distanceNm({laxLatitude, laxLongitude}, {r.point.latitude, r.point.longitude}), 40.0);
    if (r.point.airborne) {
      ++airborne;
    } else {
      ++onGround;
      EXPECT_EQ(r.point.altitude, 0.0);
      EXPECT_LE(gf_distanceNm({laxLatitude, laxLongitude}, {r.point.latitude, r.point.longitude}), 5.0);
    }
    first = std::min(first, r.timestamp);
    last = std::max(last, r.timestamp);
  }
  EXPECT_GT(airborne, 10u);
  EXPECT_GT(onGround, 10u);
  // Moved to the present, and as far apart as the recording at the replay's pace.
  EXPECT_GT(first, run.started - 60 / speed - 1);
  EXPECT_LT(last, run.ended + 1);
  EXPECT_NEAR(last - first, recordingSeconds / speed, 60 / speed + 0.5);
}

} // namespace

TEST_F(ReplayTest, BusyGroundTrafficAtLax) {
  const auto run = replay("KLAX_20210125_Test.csv", 100, 1000);
  EXPECT_EQ(run.trafficSent, 818u);
  checkReports(run, 342, 100);
  EXPECT_EQ(trafficQnh.load(), 1006);
  EXPECT_GT(trafficReader.lineTimestamp.load(), run.started - 5);
}

TEST_F(ReplayTest, ARecordingWithTheTimeInFrontOfEveryLine) {
  // The same recording in the other form: each line's time in front, "T : AITFC,...", and
  // the lines themselves without a time of their own.
  const auto real = testing_support::readFile(std::string(HVM_DATA_DIR) + "/realtraffic/KLAX_20210125_Test.csv");
  std::string prefixed;
  std::string recorded = "1611615160";
  for (std::size_t start = 0; start < real.size();) {
    auto end = real.find('\n', start);
    if (end == std::string::npos) end = real.size();
    std::string line = real.substr(start, end - start);
    start = end + 1;
    if (line.empty()) continue;
    if (line.starts_with("AITFC,")) {
      const auto lastComma = line.rfind(',');
      if (line.size() > lastComma + 1) recorded = line.substr(lastComma + 1);
      line.erase(lastComma + 1);
    }
    prefixed += recorded + " : " + line + "\n";
  }
  testing_support::TempDir dir;
  const auto file = dir / "KLAX_20210125_prefixed.txt";
  testing_support::writeFile(file, prefixed);
  const auto run = replay(file.string(), 100, 1000);
  EXPECT_EQ(run.trafficSent, 818u);
  checkReports(run, 342, 100);
  EXPECT_EQ(trafficQnh.load(), 1006);
}

TEST_F(ReplayTest, TwentyMinutesAroundLax) {
  const auto run = replay("KLAX_20200617_2152.csv", 500, 1000);
  EXPECT_EQ(run.trafficSent, 3827u);
  checkReports(run, 1108, 500);
  EXPECT_EQ(trafficQnh.load(), 1015); // "2996" inches of mercury x 100
  // The short-format lines are converted whole: nothing was too short to read.
  EXPECT_FALSE(log.contains("short line"));
}

TEST_F(ReplayTest, UnpacedBurstLosesNothing) {
  // Twenty minutes in about six seconds, in the recording's own bursts and with no pause
  // between the datagrams of a burst: the reader's socket must hold a burst while it reads,
  // even when the reader's thread waits for a busy processor.
  const auto run = replay("KLAX_20200617_2152.csv", 200, 0);
  EXPECT_EQ(run.trafficSent, 3827u);
  EXPECT_EQ(static_cast<std::size_t>(trafficReader.datagramCount.load()), run.trafficSent);
  EXPECT_EQ(trafficReader.droppedCount.load(), 0);
}
