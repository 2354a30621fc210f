#include "feeds/udp_reader.h"

#include "core/shell/run_state.h"
#include "core/shell/status_line.h"
#include "feeds/adding_stack.h"
#include "feeds/feed_test_support.h"
#include "feeds/qnh_reader.h"
#include "feeds/reader_lamps.h"
#include "feeds/realtraffic_link.h"
#include "feeds/traffic_reader.h"
#include "support/test_support.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <mutex>
#include <random>
#include <thread>
#include <vector>

using namespace feed_testing;

namespace {

class RecordingReader final : public UdpReader {
public:
  RecordingReader() : UdpReader("Test Reader") {}
  std::vector<std::string> received() {
    std::lock_guard lock(mutex);
    return texts;
  }
  bool stopped = false;

protected:
  void onDatagram() override {
    std::lock_guard lock(mutex);
    texts.emplace_back(datagram, datagramLength);
  }
  void onListening() override {}
  void onStopped() override { stopped = true; }

private:
  std::mutex mutex;
  std::vector<std::string> texts;
};

// Runs a reader on a free port for the life of the object.
class RunningReader {
public:
  RunningReader(UdpReader& reader, void (*body)(UdpReader&)) : reader_(reader) {
    thread_ = std::thread(body, std::ref(reader));
    listening_ = waitUntil([&] { return reader.boundPort.load() != 0; });
  }
  explicit RunningReader(UdpReader& reader) : RunningReader(reader, [](UdpReader& r) { r.run(0); }) {}
  ~RunningReader() { stop(); }
  void stop() {
    reader_.stop = true;
    if (thread_.joinable()) thread_.join();
  }
  bool listening() const { return listening_; }
  void send(std::string_view text) {
    ASSERT_EQ(gf_sendTo(sender_, {loopbackHost, reader_.boundPort.load()}, text.data(), text.size()),
              static_cast<std::int64_t>(text.size()));
  }

private:
  UdpReader& reader_;
  std::thread thread_;
  bool listening_ = false;
  SocketLibrary library_;
  Socket sender_ = gf_openUdpSocket();
};

class UdpReaderTest : public ::testing::Test {
protected:
  void SetUp() override { resetFeeds(); }
  void TearDown() override { resetFeeds(); }
  testing_support::LogCapture log;
};

} // namespace

TEST_F(UdpReaderTest, RepeatedDatagramsAreFilteredOnlyFromAnotherPc) {
  for (const bool local : {false, true}) {
    SCOPED_TRACE(local ? "RealTraffic on this PC" : "RealTraffic on another PC");
    realTrafficLink.detected = local;
    RecordingReader reader;
    RunningReader running(reader);
    ASSERT_TRUE(running.listening());
    running.send("A");
    running.send("A");
    running.send("B");
    const std::size_t handled = local ? 3 : 2;
    EXPECT_TRUE(waitUntil([&] { return reader.datagramCount.load() == 3 && reader.received().size() == handled; }));
    running.stop();
    const std::vector<std::string> expected =
        local ? std::vector<std::string>{"A", "A", "B"} : std::vector<std::string>{"A", "B"};
    EXPECT_EQ(reader.received(), expected);
    EXPECT_TRUE(reader.stopped);
  }
}

TEST_F(UdpReaderTest, OversizedDatagramsAreDroppedAndTheReaderGoesOn) {
  RecordingReader reader;
  RunningReader running(reader);
  ASSERT_TRUE(running.listening());
  running.send(std::string(16383, 'a'));
  running.send(std::string(16384, 'b'));
  running.send(std::string(20000, 'c'));
  running.send("end");
  ASSERT_TRUE(waitUntil([&] { return reader.received().size() == 2; }));
  running.stop();
  const auto received = reader.received();
  EXPECT_EQ(received[0].size(), 16383u);
  EXPECT_EQ(received[1], "end");
  EXPECT_EQ(reader.datagramCount.load(), 2);
  EXPECT_EQ(reader.droppedCount.load(), 2); // the one that filled the buffer and the one beyond it
  EXPECT_TRUE(log.contains("buffer overrun: 16384 bytes"));
  EXPECT_TRUE(log.contains("datagram dropped: 10040 Messenger too long"));
  EXPECT_FALSE(runState.stopRequested.load());
}

TEST_F(UdpReaderTest, TrafficReaderQueuesReportsAndShowsItsLamp) {
  gf_setLiveTrafficHooks({[] { return std::int32_t{40}; }, nullptr});
  {
    RunningReader running(trafficReader, [](UdpReader&) { gf_runTrafficReader(0); });
    ASSERT_TRUE(running.listening());
    EXPECT_EQ(feedDisplay.trafficLamp.load(), lampReceiving);
    EXPECT_EQ(feedDisplay.weatherLamp.load(), lampReceiving);
    running.send(trafficLine());
    running.send(trafficLine({{16, "SURFACE VEH"}}));
    running.send(trafficLine({{1, "20001"}}));
    ASSERT_TRUE(waitUntil([] { return gf_addingStackSize() == 2; }));
  }
  std::vector<TrafficData> reports;
  gf_takeTrafficReports([&](TrafficData& r) { reports.push_back(r); });
  ASSERT_EQ(reports.size(), 2u);
  EXPECT_EQ(reports[0].hexId, 11234567u);
  EXPECT_EQ(reports[1].hexId, 20001u);
  EXPECT_EQ(reports[0].point.dueTick, 3040);
  EXPECT_EQ(trafficReader.datagramCount.load(), 3);
  EXPECT_EQ(feedDisplay.trafficLamp.load(), lampStopped);
  const auto lines = log.lines();
  const std::vector<std::string> tail(lines.end() - 2, lines.end());
  EXPECT_EQ(tail, (std::vector<std::string>{"Traffic Reader has stopped", "          Traffic Reader disconnected"}));
  EXPECT_TRUE(log.contains("          Traffic Reader connected"));
}

TEST_F(UdpReaderTest, QnhReaderPublishesAndLeavesItsLampWhenItStops) {
  {
    RunningReader running(qnhReader, [](UdpReader&) { gf_runQnhReader(0); });
    ASSERT_TRUE(running.listening());
    EXPECT_EQ(feedDisplay.weatherLamp.load(), lampReceiving);
    running.send(R"({"ICAO": "KTOA","QNH": "1006"})");
    ASSERT_TRUE(waitUntil([] { return trafficQnh.load() == 1006; }));
  }
  EXPECT_EQ(feedDisplay.qnhShown.load(), 1006);
  EXPECT_EQ(feedDisplay.weatherLamp.load(), lampReceiving);
  EXPECT_TRUE(log.contains("QNH Reader has stopped"));
}

TEST_F(UdpReaderTest, RepeatFilterForgetsTheLastDatagramWithTheFeedAndTheRun) {
  // RealTraffic on another PC sends the same weather while the QNH went back to 1013.
  const std::string weather = R"({"ICAO": "KTOA","QNH": "1006"})";
  {
    RunningReader running(qnhReader, [](UdpReader&) { gf_runQnhReader(0); });
    ASSERT_TRUE(running.listening());
    running.send(weather);
    ASSERT_TRUE(waitUntil([] { return trafficQnh.load() == 1006; }));
    // The link to RealTraffic was lost and found again: the feed is reset while the reader runs.
    trafficQnh = standardQnh;
    gf_resetFeedState();
    running.send(weather);
    EXPECT_TRUE(waitUntil([] { return trafficQnh.load() == 1006; }));
    running.send(weather); // a true repeat is still dropped
    running.send(R"({"QNH": 1020})");
    ASSERT_TRUE(waitUntil([] { return qnhReader.datagramCount.load() == 3; })); // counted from the reset
  }
  EXPECT_EQ(trafficQnh.load(), 1020);
  // The next run starts its reader anew (here without the feed reset).
  trafficQnh = standardQnh;
  qnhReader.lastQnh = standardQnh;
  qnhReader.stop = false;
  {
    RunningReader running(qnhReader, [](UdpReader&) { gf_runQnhReader(0); });
    ASSERT_TRUE(running.listening());
    running.send(R"({"QNH": 1020})");
    EXPECT_TRUE(waitUntil([] { return trafficQnh.load() == 1020; }));
  }
  EXPECT_FALSE(log.contains("Exception"));
}

TEST_F(UdpReaderTest, GarbageOnBothPortsLeavesALogAUserCanRead) {
  realTrafficLink.detected = true; // every datagram handled, none filtered as a repeat
  gf_setLiveTrafficHooks({[] { return std::int32_t{40}; }, nullptr});
  std::mt19937 random(23);
  const auto garbage = [&random](std::size_t size) {
    std::string bytes(size, '\0');
    for (auto& b : bytes) b = static_cast<char>(random() % 256);
    std::replace(bytes.begin(), bytes.end(), 'V', 'W'); // never a ground vehicle, dropped unseen
    return bytes;
  };
  constexpr int trafficGarbage = 300;
  constexpr int weatherGarbage = 40;
  {
    RunningReader traffic(trafficReader, [](UdpReader&) { gf_runTrafficReader(0); });
    RunningReader weather(qnhReader, [](UdpReader&) { gf_runQnhReader(0); });
    ASSERT_TRUE(traffic.listening() && weather.listening());
    for (int i = 0; i < trafficGarbage; ++i) {
      // Lines of 29 fields fail further in: a line of garbage with a number where one is read.
      std::string line = garbage(1 + random() % 1500);
      if (i % 3 == 0) {
        auto field = [&garbage](std::size_t size) {
          std::string text = garbage(size);
          std::replace(text.begin(), text.end(), ',', ';');
          return text;
        };
        line = trafficLine({{4, "x" + field(40)}, {14, "1718000000." + field(8)}});
      }
      traffic.send(line);
    }
    for (int i = 0; i < weatherGarbage; ++i) weather.send(garbage(1 + random() % 2000));
    traffic.send(trafficLine());
    weather.send(R"({"QNH": 1020})");
    ASSERT_TRUE(waitUntil([] {
      return trafficReader.datagramCount.load() == trafficGarbage + 1 &&
             qnhReader.datagramCount.load() == weatherGarbage + 1;
    }));
  }
  EXPECT_EQ(gf_addingStackSize(), 1u) << "the good line after the garbage";
  EXPECT_EQ(trafficQnh.load(), 1020);
  // Text only: printable bytes in lines of a few hundred characters, ended by the platform's
  // line end.
  std::string bytes = testing_support::readFile(log.file());
  for (auto end = bytes.find("\r\n"); end != std::string::npos; end = bytes.find("\r\n", end)) bytes.erase(end, 1);
  EXPECT_TRUE(std::all_of(bytes.begin(), bytes.end(), [](char c) { return c == '\n' || (c >= 0x20 && c < 0x7F); }));
  const auto lines = log.lines();
  for (const auto& line : lines) EXPECT_LE(line.size(), 360u) << line;
  // Each kind once, then counted: every bad datagram is accounted for.
  std::size_t written = 0;
  std::size_t counted = 0;
  for (const auto& line : lines) {
    if (line.starts_with("exception in processLineSub: ") || line.starts_with("Exception ") ||
        line.starts_with("===> QNH string") || line.starts_with("no QNH") || line.starts_with("? Strange"))
      ++written;
    if (const auto more = line.find(" more line"); more != std::string::npos)
      counted += std::stoul(line.substr(0, more));
  }
  EXPECT_LE(written, 12u);
  EXPECT_EQ(written + counted, static_cast<std::size_t>(trafficGarbage + weatherGarbage));
  EXPECT_LT(bytes.size(), 8000u);
}

TEST_F(UdpReaderTest, BusyPortEndsTheRunWithReaderError) {
  SocketLibrary library;
  Socket occupant = gf_openUdpSocket();
  ASSERT_TRUE(gf_bind(occupant, {anyHost, 0}));
  const auto port = gf_localPort(occupant);
  std::thread reader(gf_runTrafficReader, static_cast<std::int32_t>(port));
  reader.join(); // it ends by itself
  EXPECT_EQ(gf_exitReason(), ExitReason::ReaderError);
  EXPECT_EQ(gf_restartDelay(), 15);
  EXPECT_EQ(
      gf_statusLineSnapshot().message,
      "The Traffic Reader has stopped with error: bind to stream socket failed, error: 10048 Address already in use");
  EXPECT_TRUE(log.contains("The Traffic Reader has stopped with error: bind to stream socket failed"));
  EXPECT_TRUE(log.contains("          Traffic Reader disconnected"));
  // After an error the loop did not end normally: no stop line, the lamp unchanged.
  const auto lines = log.lines();
  EXPECT_EQ(std::find(lines.begin(), lines.end(), "Traffic Reader has stopped"), lines.end());
}

TEST_F(UdpReaderTest, PortOutsideTheRangeEndsTheRun) {
  std::thread reader(gf_runQnhReader, 70000);
  reader.join();
  EXPECT_EQ(gf_exitReason(), ExitReason::ReaderError);
}

TEST_F(UdpReaderTest, LampWatchdogShowsStaleReadersOnlyWhileTheLinkIsUp) {
  int repaints = 0;
  static int* counter = nullptr;
  counter = &repaints;
  gf_setRepaintHandler([](const PaintRect&, bool) { ++*counter; });
  feedDisplay.trafficLamp = lampReceiving;
  feedDisplay.weatherLamp = lampReceiving;
  gf_checkReaderLamps();
  EXPECT_EQ(feedDisplay.weatherLamp.load(), lampReceiving);
  EXPECT_EQ(repaints, 0);

  realTrafficLink.linkUp = true;
  trafficReader.datagramCount = 5;
  gf_checkReaderLamps(); // nothing from the QNH Reader: stale; the Traffic Reader after the reset: latched
  EXPECT_EQ(feedDisplay.weatherLamp.load(), lampStale);
  EXPECT_EQ(feedDisplay.trafficLamp.load(), lampReceiving);
  EXPECT_EQ(repaints, 1);
  qnhReader.datagramCount = 1;
  gf_checkReaderLamps(); // weather back with one repaint, traffic stale now
  EXPECT_EQ(feedDisplay.weatherLamp.load(), lampReceiving);
  EXPECT_EQ(feedDisplay.trafficLamp.load(), lampStale);
  EXPECT_EQ(repaints, 3);
  qnhReader.datagramCount = 2;
  trafficReader.datagramCount = 6;
  gf_checkReaderLamps();
  EXPECT_EQ(feedDisplay.trafficLamp.load(), lampReceiving);
  EXPECT_EQ(repaints, 4);
  gf_setRepaintHandler(nullptr);
}
