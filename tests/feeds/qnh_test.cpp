#include "feeds/qnh_reader.h"

#include "feeds/feed_test_support.h"
#include "feeds/reader_lamps.h"

#include <gtest/gtest.h>

using namespace feed_testing;

TEST(QnhDatagram, ValuesAndTheirReading) {
  struct Case {
    std::string datagram;
    std::optional<std::int32_t> hpa;
    std::string log; // prefix of the log text
    bool warning = false;
  };
  const std::vector<Case> cases{
      {R"({"QNH": 1013})", 1013, ""},
      {R"({"ICAO": "KLAX", "QNH": "2996", "METAR": "KLAX 171853Z A2996"})", 1015, ""},
      {R"({"QNH": 2992})", 1013, ""},
      {R"({"QNH": 2953})", 1000, ""},
      {R"({"QNH": 1013.25})", 1013, ""},
      {R"({"QNH": 1013.5})", 1014, ""},
      {R"({"QNH": -1013.5})", std::nullopt, "? Strange QNH -1014 found in"},
      {R"({"QNH": "1009"})", 1009, ""},
      {R"({"QNH": "-1009"})", std::nullopt, "? Strange QNH -1009 found in"},
      {R"({"QNH": "10x9"})", std::nullopt, "? Strange QNH 10 found in {\"QNH\": \"10x9\"}"},
      {R"({"QNH": ""})", std::nullopt, "QNH string parse error:  in {\"QNH\": \"\"}", true},
      {R"({"QNH": "abc"})", std::nullopt, "QNH string parse error: abc in", true},
      {R"({"QNH": "99999999999"})", std::nullopt, "QNH string parse error: 99999999999 in", true},
      {R"({"QNH": 925})", std::nullopt, "? Strange QNH 925 found in {\"QNH\": 925}"},
      {R"({"QNH": 1085})", std::nullopt, "? Strange QNH 367 found in"},
      {R"({"QNH": 99999999999})", std::nullopt, "Exception narrowing_error, in"},
      {R"({"QNH": 1e300})", std::nullopt, "Exception narrowing_error, in"},
      {R"({"QNH": null})", std::nullopt, "no QNH {\"QNH\": null}"},
      {R"({"QNH": {}})", std::nullopt, "no QNH"},
      {R"({"QNH": []})", std::nullopt, "no QNH"},
      {R"({"QNH": true})", std::nullopt, "no QNH"},
      {R"({"QNH": [1013]})", std::nullopt, "no QNH"},
      {R"({"ICAO": "KLAX"})", std::nullopt, "no QNH {\"ICAO\": \"KLAX\"}"},
      {"QNH=1013", std::nullopt, "Exception [json.exception.parse_error"},
      {R"([{"QNH": 1013}])", std::nullopt, "Exception "},
      {"", std::nullopt, "Exception "},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.datagram);
    const auto reading = gf_readQnh(c.datagram);
    EXPECT_EQ(reading.hpa, c.hpa);
    if (c.log.empty()) {
      EXPECT_TRUE(reading.logText.empty()) << reading.logText;
    } else {
      EXPECT_EQ(reading.logText.rfind(c.log, 0), 0u) << reading.logText;
      EXPECT_NE(reading.logText.find(c.datagram), std::string::npos) << "the datagram belongs in the log line";
    }
    EXPECT_EQ(reading.warning, c.warning);
  }
}

TEST(QnhDatagram, ChangedValuesArePublishedAnd1013Always) {
  resetFeeds();
  int repaints = 0;
  static int* counter = nullptr;
  counter = &repaints;
  gf_setRepaintHandler([](const PaintRect&, bool) { ++*counter; });
  feedDisplay.weatherLamp = lampStale;
  qnhReader.publish(1002);
  EXPECT_EQ(trafficQnh.load(), 1002);
  EXPECT_EQ(feedDisplay.qnhShown.load(), 1002);
  EXPECT_EQ(feedDisplay.weatherLamp.load(), lampReceiving);
  EXPECT_EQ(repaints, 1);
  qnhReader.publish(1002);
  EXPECT_EQ(repaints, 1);
  qnhReader.publish(1013);
  qnhReader.publish(1013);
  EXPECT_EQ(repaints, 3);
  EXPECT_EQ(trafficQnh.load(), 1013);
  // A lamp that is not stale keeps its state.
  feedDisplay.weatherLamp = lampStopped;
  qnhReader.publish(1020);
  EXPECT_EQ(feedDisplay.weatherLamp.load(), lampStopped);
  // The feed reset makes the next value new again.
  gf_resetFeedState();
  EXPECT_EQ(qnhReader.lastQnh.load(), 1013);
  gf_setRepaintHandler(nullptr);
  resetFeeds();
}
