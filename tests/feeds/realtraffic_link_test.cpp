#include "feeds/realtraffic_link.h"

#include "core/shell/run_state.h"
#include "core/shell/status_line.h"
#include "feeds/feed_test_support.h"
#include "feeds/traffic_reader.h"
#include "standin.h"
#include "support/test_support.h"

#include <atomic>
#include <future>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

using namespace feed_testing;

namespace {

std::atomic<int> aircraftTakenOut{0};

class LinkTest : public ::testing::Test {
protected:
  void SetUp() override {
    resetFeeds();
    aircraftTakenOut = 0;
    gf_setLiveTrafficHooks({nullptr, [] { ++aircraftTakenOut; }});
    realTrafficLink.detected = true;
  }
  void TearDown() override {
    standIn.reset();
    resetFeeds();
  }

  // Opens the server on a free port and lets the stand-in connect to it.
  void startRun(rtstandin::ReplyVariant reply, bool withStandIn = true) {
    gf_startRealTrafficServer("0");
    const auto port = gf_localPort(realTrafficLink.listenSocket);
    ASSERT_NE(port, 0);
    if (!withStandIn) return;
    rtstandin::Options options;
    options.link = true;
    options.linkPort = port;
    options.reply = reply;
    options.reconnectMs = 100;
    options.lateMs = 1200;
    options.recordFile = recordFile.string();
    standIn = std::make_unique<rtstandin::StandIn>(options);
    standIn->start();
  }

  std::vector<rtstandin::LinkRecord> messages() const {
    std::vector<rtstandin::LinkRecord> result;
    for (const auto& r : standIn->records())
      if (r.event == "message") result.push_back(r);
    return result;
  }

  bool waitForMessages(std::size_t count) {
    return waitUntil([&] { return messages().size() >= count; });
  }

  testing_support::LogCapture log;
  testing_support::TempDir folder{"hvm-link"};
  std::filesystem::path recordFile = folder / "received.jsonl";
  std::unique_ptr<rtstandin::StandIn> standIn;
};

const UserPosition userAtLax{33.9425, -118.408, 0.05, -0.1, 1.5707963, 125.4, 12.5};

} // namespace

TEST_F(LinkTest, VersionReplyVariants) {
  using V = rtstandin::ReplyVariant;
  struct Case {
    V reply;
    bool professional;
    std::string edition;
  };
  for (const auto& c :
       {Case{V::Level2, true, "RT prof edition: 9.0.1"}, Case{V::Level1, false, "RT stnd edition: 8.0.30"},
        Case{V::Split, true, "RT prof edition: 9.0.1"}, Case{V::Late, true, "RT prof edition: 9.0.1"},
        Case{V::None, false, ""}}) {
    SCOPED_TRACE(static_cast<int>(c.reply));
    realTrafficLink.replyTimeoutMs = c.reply == V::None ? 600 : 5000;
    startRun(c.reply);
    gf_waitForRealTraffic();
    EXPECT_EQ(realTrafficLink.professional.load(), c.professional);
    EXPECT_EQ(gf_realTrafficEditionText(), c.edition);
    EXPECT_TRUE(realTrafficLink.connected.load());
    EXPECT_TRUE(realTrafficLink.linkUp.load());
    EXPECT_FALSE(realTrafficLink.scanNow.load());
    EXPECT_TRUE(log.contains("RealTraffic connected"));
    EXPECT_EQ(log.contains("No RealTraffic version received?"), c.reply == V::None);
    EXPECT_TRUE(gf_statusLineSnapshot().message.empty());
    ASSERT_TRUE(waitForMessages(1));
    EXPECT_EQ(messages()[0].text, "Qs999=version");
    EXPECT_TRUE(messages()[0].check.valid);
    standIn.reset();
    resetFeeds();
    realTrafficLink.detected = true;
  }
}

TEST_F(LinkTest, ReplyThatIsNoJsonEndsTheRun) {
  startRun(rtstandin::ReplyVariant::NonJson);
  EXPECT_THROW(gf_waitForRealTraffic(), std::exception);
  EXPECT_FALSE(realTrafficLink.linkUp.load());
}

TEST_F(LinkTest, VersionReplyParsing) {
  gf_parseVersionReply(R"({"level": 2, "version": "9.0.1"})");
  EXPECT_TRUE(realTrafficLink.professional.load());
  EXPECT_EQ(gf_realTrafficEditionText(), "RT prof edition: 9.0.1");
  gf_parseVersionReply("{}");
  EXPECT_FALSE(realTrafficLink.professional.load());
  EXPECT_EQ(gf_realTrafficEditionText(), "RT stnd edition: ");
  // A level is a whole number: a fraction is cut off; a float beyond every integer is no level 2.
  gf_parseVersionReply(R"({"level": 2.5, "version": "9.0.1"})");
  EXPECT_TRUE(realTrafficLink.professional.load());
  gf_parseVersionReply(R"({"level": 1e300, "version": "9.0.1"})");
  EXPECT_FALSE(realTrafficLink.professional.load());
  EXPECT_EQ(gf_realTrafficEditionText(), "RT stnd edition: 9.0.1");
  gf_parseVersionReply("42");
  EXPECT_FALSE(realTrafficLink.professional.load());
  EXPECT_EQ(gf_realTrafficEditionText(), "");
  realTrafficLink.professional = true;
  gf_parseVersionReply("");
  EXPECT_FALSE(realTrafficLink.professional.load());
  EXPECT_TRUE(log.contains("No RealTraffic version received?"));
  EXPECT_THROW(gf_parseVersionReply(R"({"level": "2"})"), std::exception);
  EXPECT_THROW(gf_parseVersionReply(R"({"level": true})"), std::exception);
  EXPECT_THROW(gf_parseVersionReply(R"({"version": 9})"), std::exception);
  EXPECT_THROW(gf_parseVersionReply("RealTraffic"), std::exception);
}

TEST_F(LinkTest, MessagesOnTheWire) {
  EXPECT_EQ(gf_userPositionMessage(userAtLax), "Qs121=5000;-10000;1.570796;125400;12500;0.592408;-2.066609\r\n");
  UserPosition slow = userAtLax;
  slow.groundSpeed = 0.01234;
  EXPECT_NE(gf_userPositionMessage(slow).find(";12.34;"), std::string::npos);

  startRun(rtstandin::ReplyVariant::Level2);
  gf_waitForRealTraffic();
  gf_sendUserPosition(userAtLax);
  gf_sendSimTime(0);
  gf_sendSimTime(-5);
  gf_sendSimTime(1718000000);
  gf_sendUserPosition({}); // position not known yet: nothing, and no wait
  gf_closeRealTrafficLink();
  EXPECT_FALSE(realTrafficLink.connected.load());
  ASSERT_TRUE(waitForMessages(4));
  ASSERT_TRUE(waitUntil([&] { return standIn->exitReceived(); }));
  const auto received = messages();
  ASSERT_EQ(received.size(), 4u);
  EXPECT_EQ(received[0].text, "Qs999=version");
  EXPECT_EQ(received[1].text, "Qs121=5000;-10000;1.570796;125400;12500;0.592408;-2.066609");
  EXPECT_EQ(received[2].text, "Qs123=1718000000000");
  EXPECT_EQ(received[3].text, "exit");
  for (const auto& r : received) EXPECT_TRUE(r.check.valid) << r.text << ": " << r.check.problem;

  // The stand-in's record: one JSON line per event, with its time.
  standIn->stop();
  std::istringstream lines(testing_support::readFile(recordFile));
  std::string line;
  std::vector<std::string> kinds;
  while (std::getline(lines, line)) {
    const auto entry = nlohmann::json::parse(line);
    EXPECT_TRUE(entry.contains("ms") && entry.contains("utc_ms"));
    if (entry["event"] == "message") {
      EXPECT_TRUE(entry["valid"].get<bool>());
      kinds.push_back(entry["kind"]);
    }
  }
  EXPECT_EQ(kinds, (std::vector<std::string>{"Qs999", "Qs121", "Qs123", "exit"}));
}

TEST_F(LinkTest, LossAndReconnection) {
  startRun(rtstandin::ReplyVariant::Level2);
  gf_waitForRealTraffic();
  trafficReader.lineTimestamp = 1718000000;
  standIn->dropConnection();
  ASSERT_TRUE(waitUntil([&] {
    for (const auto& r : standIn->records())
      if (r.event == "dropped") return true;
    return false;
  }));
  // The first sends may still be taken by the closed connection; one of the next fails.
  ASSERT_TRUE(waitUntil([&] {
    gf_sendUserPosition(userAtLax);
    return aircraftTakenOut.load() > 0;
  }));
  EXPECT_EQ(aircraftTakenOut.load(), 1);
  EXPECT_TRUE(log.contains("RealTraffic gone? Wait for RealTraffic to re-connect ..."));
  EXPECT_TRUE(log.contains("RealTraffic re-connected"));
  EXPECT_TRUE(log.contains("RealTraffic client socket closed"));
  EXPECT_TRUE(realTrafficLink.connected.load());
  EXPECT_TRUE(realTrafficLink.linkUp.load());
  EXPECT_EQ(trafficReader.lineTimestamp.load(), 0.0); // the feed was reset

  const auto before = messages().size();
  gf_sendUserPosition(userAtLax);
  ASSERT_TRUE(waitForMessages(before + 1));
  const auto received = messages();
  EXPECT_EQ(received.back().check.kind, "Qs121");
  // A re-connection gets no version handshake.
  EXPECT_EQ(std::count_if(received.begin(), received.end(), [](const auto& r) { return r.text == "Qs999=version"; }),
            1);
}

TEST_F(LinkTest, NextRunAcceptsRealTrafficAfresh) {
  startRun(rtstandin::ReplyVariant::Level1);
  const auto port = gf_localPort(realTrafficLink.listenSocket);
  gf_waitForRealTraffic();
  EXPECT_TRUE(realTrafficLink.connected.load());
  gf_closeRealTrafficLink();
  // The next run opens the server on the same port; the stand-in keeps trying to connect.
  gf_startRealTrafficServer(std::to_string(port));
  gf_waitForRealTraffic();
  EXPECT_TRUE(realTrafficLink.connected.load());
  gf_closeRealTrafficLink();
  const auto count = [&](const char* text) {
    const auto received = messages();
    return std::count_if(received.begin(), received.end(), [&](const auto& r) { return r.text == text; });
  };
  ASSERT_TRUE(waitUntil([&] { return count("exit") == 2; }));
  EXPECT_EQ(count("Qs999=version"), 2);
}

TEST_F(LinkTest, StopRequestEndsTheWaitForRealTraffic) {
  startRun(rtstandin::ReplyVariant::Level2, false);
  auto waiting = std::async(std::launch::async, [] { gf_waitForRealTraffic(); });
  EXPECT_EQ(waiting.wait_for(std::chrono::milliseconds(300)), std::future_status::timeout);
  gf_stopByUser();
  EXPECT_EQ(waiting.wait_for(std::chrono::seconds(10)), std::future_status::ready);
  EXPECT_FALSE(realTrafficLink.linkUp.load());
  EXPECT_FALSE(realTrafficLink.connected.load());
}

TEST_F(LinkTest, ServerFailuresThrowWithTheirText) {
  try {
    gf_startRealTrafficServer("port");
    FAIL() << "no error";
  } catch (const std::runtime_error& e) {
    EXPECT_EQ(std::string(e.what()).rfind("getaddrinfo failed with error ", 0), 0u) << e.what();
  }
  EXPECT_FALSE(realTrafficLink.listenSocket.valid());
  EXPECT_FALSE(realTrafficLink.winsock.has_value());
}
