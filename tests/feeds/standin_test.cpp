// The stand-in RealTraffic keeps its own formats; these tests hold it to the contract the
// feeds rely on.
#include "feeds/traffic_line.h"
#include "link_messages.h"
#include "recording.h"
#include "support/test_support.h"

#include <algorithm>
#include <fmt/format.h>
#include <gtest/gtest.h>

namespace {

std::vector<std::string> split(const std::string& line) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  while (true) {
    const auto comma = line.find(',', start);
    fields.push_back(line.substr(start, comma == std::string::npos ? comma : comma - start));
    if (comma == std::string::npos) return fields;
    start = comma + 1;
  }
}

TrafficLineResult parse(const std::string& line) {
  TrafficLineContext context;
  context.reference = {33.9425, -118.408};
  context.rangeNm = 100;
  context.parkAirport = GeoPosition{33.9425, -118.408};
  context.parkElevation = 125;
  std::vector<std::string_view> fields;
  return gf_parseTrafficLine(line, context, fields);
}

} // namespace

TEST(StandInRecording, ShortLinesBecomeTheLongLayout) {
  const auto line = rtstandin::convertShortLine(
      "AITFC,854930,33.9404,-118.3844,0,0,1,81,20,VIV511,A20N,XA-VIQ,LAX,GDL,1592423552", 1718000000.25);
  ASSERT_TRUE(line);
  const auto f = split(*line);
  ASSERT_EQ(f.size(), 29u);
  EXPECT_EQ(f[1], "854930");
  EXPECT_EQ(f[2], "33.9404");
  EXPECT_EQ(f[7], "81");
  EXPECT_EQ(f[9], "VIV511");
  EXPECT_EQ(f[10], "A20N");
  EXPECT_EQ(f[11], "XA-VIQ");
  EXPECT_EQ(f[12], "LAX");
  EXPECT_EQ(f[14], "1718000000.25");
  EXPECT_EQ(line->find(" VEH"), std::string::npos);

  const auto report = parse(*line);
  ASSERT_EQ(report.outcome, LineOutcome::Accepted) << report.error;
  EXPECT_EQ(report.report.destination, "GDL");
  EXPECT_FALSE(report.report.point.airborne); // 0 ft at 20 kt, at the park airport
  EXPECT_DOUBLE_EQ(report.timestamp.value(), 1718000000.25);
}

TEST(StandInRecording, UnknownFieldsAndGroundVehicles) {
  const auto unknown =
      rtstandin::convertShortLine("AITFC,10576834,33.990800,-118.823400,34000,0,1,315,186,SKW3452,,,,,1611615170", 5);
  ASSERT_TRUE(unknown);
  EXPECT_EQ(split(*unknown)[10], "null");
  EXPECT_EQ(parse(*unknown).dropReason, DropReason::NoType);

  const auto vehicle =
      rtstandin::convertShortLine("AITFC,10804637,33.939880,-118.412732,0,0,0,183,22,O90,ZZZC,,,,1611615218", 5);
  ASSERT_TRUE(vehicle);
  EXPECT_NE(vehicle->find(" VEH"), std::string::npos);
  EXPECT_EQ(parse(*vehicle).dropReason, DropReason::GroundVehicle);

  EXPECT_FALSE(rtstandin::convertShortLine("AITFC,1,2,3", 5));
  EXPECT_FALSE(rtstandin::convertShortLine(R"({"QNH": "1006"})", 5));
}

TEST(StandInRecording, ScheduleKeepsTheRecordingsTiming) {
  const auto schedule = rtstandin::scheduleFromText("{\"QNH\": \"2996\"}\r\n"
                                                    "# a comment\n"
                                                    "AITFC,20001,34,-118,5000,0,1,90,200,A1,B738,N1,,,100\n"
                                                    "AITFC,20002,34,-118,5000,0,1,90,200,A2,B738,N2,,,90\n"
                                                    "AITFC,20003,34,-118,5000,0,1,90,200,A3,B738,N3,,\n"
                                                    "AITFC,20004\n"
                                                    "AITFC,20006,34,-118,5000,0,1,90,200,A6,B738,N6,,,nan\n"
                                                    "\n"
                                                    "AITFC,20005,34,-118,5000,0,1,90,200,A5,B738,N5,,,105.5\n"
                                                    "RTTFC,raw line\n");
  ASSERT_EQ(schedule.datagrams.size(), 7u);
  EXPECT_EQ(schedule.skippedLines, 1u);
  EXPECT_DOUBLE_EQ(schedule.firstTime, 100);
  std::vector<double> offsets;
  for (const auto& d : schedule.datagrams) offsets.push_back(d.offsetSeconds);
  EXPECT_EQ(offsets, (std::vector<double>{0, 0, 0, 0, 0, 5.5, 5.5}));
  EXPECT_EQ(schedule.datagrams[0].kind, rtstandin::DatagramKind::Weather);
  EXPECT_EQ(schedule.datagrams[2].reportTime, 90.0);  // its own, older time
  EXPECT_EQ(schedule.datagrams[3].reportTime, 100.0); // no time of its own: the recording's clock
  EXPECT_EQ(schedule.datagrams[4].reportTime, 100.0); // nor is "nan" a time
  EXPECT_FALSE(schedule.datagrams[6].reportTime);
  EXPECT_DOUBLE_EQ(rtstandin::shiftedTime(105.5, 100, 1000, 1), 1005.5);
  EXPECT_DOUBLE_EQ(rtstandin::shiftedTime(110, 100, 1000, 10), 1001);
}

namespace {

std::string shortLine(int hexId, double reportTime) {
  return fmt::format("AITFC,{},34,-118,5000,0,1,90,200,A{},B738,N{},,,{}\n", hexId, hexId, hexId, reportTime);
}

std::vector<double> offsets(const rtstandin::Schedule& schedule) {
  std::vector<double> result;
  for (const auto& d : schedule.datagrams) result.push_back(d.offsetSeconds);
  return result;
}

} // namespace

TEST(StandInRecording, LinesFarOutOfStepDoNotMoveTheReplayClock) {
  // A real recording whose first lines are stamped two hours later than the rest.
  const auto real = testing_support::readFile(std::string(HVM_DATA_DIR) + "/realtraffic/KLAX_20210125_Test.csv");
  const double later = 1611615170 + 7200;
  const auto schedule = rtstandin::scheduleFromText(shortLine(20001, later) + shortLine(20002, later + 1) +
                                                    shortLine(20003, later) + real);
  const auto plain = rtstandin::scheduleFromText(real);
  ASSERT_EQ(schedule.datagrams.size(), plain.datagrams.size() + 3);
  EXPECT_NEAR(schedule.firstTime, plain.firstTime, 5);
  EXPECT_NEAR(plain.datagrams.back().offsetSeconds, 342, 60);
  // The recording keeps its pace; the odd lines leave at once with their own times.
  for (std::size_t i = 0; i < plain.datagrams.size(); ++i)
    ASSERT_NEAR(schedule.datagrams[i + 3].offsetSeconds, plain.datagrams[i].offsetSeconds, 5) << i;
  const auto times = offsets(schedule);
  EXPECT_EQ(std::vector<double>(times.begin(), times.begin() + 3), (std::vector<double>{0, 0, 0}));
  EXPECT_EQ(schedule.datagrams[1].reportTime, later + 1);

  // Stamped hours earlier, at the start or in the middle: the same.
  std::string earlier = shortLine(20001, 1611615170 - 7200) + real;
  earlier.insert(earlier.find("AITFC", earlier.size() / 2), shortLine(20004, 1611615170 - 7200));
  const auto withEarlier = rtstandin::scheduleFromText(earlier);
  EXPECT_NEAR(withEarlier.firstTime, plain.firstTime, 5);
  EXPECT_NEAR(withEarlier.datagrams.back().offsetSeconds, plain.datagrams.back().offsetSeconds, 5);
}

TEST(StandInRecording, AnyRunOfLinesAheadOfTheRecordingAtItsStartLeavesTheClockAlone) {
  // A recording whose first lines are stamped nine hours later than the rest: more of them
  // than the lines around them that the median looks at, and many more.
  const auto real = testing_support::readFile(std::string(HVM_DATA_DIR) + "/realtraffic/KLAX_20210125_Test.csv");
  const auto plain = rtstandin::scheduleFromText(real);
  const double later = plain.firstTime + 9 * 3600;
  for (const int run : {16, 31, 200, 700}) {
    SCOPED_TRACE(run);
    std::string text;
    for (int i = 0; i < run; ++i) text += shortLine(20001 + i, later + i % 7);
    const auto schedule = rtstandin::scheduleFromText(text + real);
    ASSERT_EQ(schedule.datagrams.size(), plain.datagrams.size() + static_cast<std::size_t>(run));
    EXPECT_DOUBLE_EQ(schedule.firstTime, plain.firstTime);
    // The odd lines leave at once with their own times; the recording keeps its pace.
    for (int i = 0; i < run; ++i) ASSERT_EQ(schedule.datagrams[static_cast<std::size_t>(i)].offsetSeconds, 0) << i;
    for (std::size_t i = 0; i < plain.datagrams.size(); ++i)
      ASSERT_NEAR(schedule.datagrams[i + static_cast<std::size_t>(run)].offsetSeconds, plain.datagrams[i].offsetSeconds,
                  1e-9)
          << i;
    EXPECT_NEAR(schedule.datagrams.back().offsetSeconds, 342, 60);
  }
}

TEST(StandInRecording, LinesWithTheirTimeInFrontAreReportedAtThatTime) {
  const auto schedule = rtstandin::scheduleFromText("1000.5 : {\"QNH\": \"2996\"}\n"
                                                    "1001 : AITFC,20001,34,-118,5000,0,1,90,200,A1,B738,N1,,,900\n"
                                                    "1003.25 :AITFC,20002,34,-118,5000,0,1,90,200,A2,B738,N2,,\n"
                                                    "1002: AITFC,20003,34,-118,5000,0,1,90,200,A3,B738,N3,,,1010\n"
                                                    "1010 : RTTFC,raw line\n"
                                                    "1011 : \n"
                                                    "1012 : AITFC,20004\n"
                                                    "AITFC,20005,34,-118,5000,0,1,90,200,A5,B738,N5,,\n"
                                                    "12,34 : AITFC,20006,34,-118,5000,0,1,90,200,A6,B738,N6,,\n");
  ASSERT_EQ(schedule.datagrams.size(), 7u);
  EXPECT_EQ(schedule.skippedLines, 1u);
  EXPECT_DOUBLE_EQ(schedule.firstTime, 1000.5);
  EXPECT_EQ(schedule.datagrams[0].kind, rtstandin::DatagramKind::Weather);
  EXPECT_EQ(schedule.datagrams[0].text, "{\"QNH\": \"2996\"}");
  EXPECT_EQ(schedule.datagrams[1].text, "AITFC,20001,34,-118,5000,0,1,90,200,A1,B738,N1,,,900");
  // The time in front is the report time, whatever the line says.
  EXPECT_EQ(schedule.datagrams[1].reportTime, 1001.0);
  EXPECT_EQ(schedule.datagrams[2].reportTime, 1003.25);
  EXPECT_EQ(schedule.datagrams[3].reportTime, 1002.0);
  EXPECT_EQ(schedule.datagrams[4].text, "RTTFC,raw line");
  EXPECT_EQ(schedule.datagrams[5].reportTime, 1010.0) << "no time of its own: the recording's clock";
  EXPECT_EQ(schedule.datagrams[6].text, "12,34 : AITFC,20006,34,-118,5000,0,1,90,200,A6,B738,N6,,")
      << "no time in front: sent as written";
  EXPECT_EQ(offsets(schedule), (std::vector<double>{0, 0.5, 2.75, 2.75, 9.5, 9.5, 9.5}));
  const auto sent = rtstandin::convertShortLine(schedule.datagrams[1].text, *schedule.datagrams[1].reportTime);
  ASSERT_TRUE(sent);
  EXPECT_EQ(split(*sent)[14], "1001.00");
}

TEST(StandInRecording, PausesOfTheRecordingAreKept) {
  std::string text;
  for (int i = 0; i < 40; ++i) text += shortLine(20001 + i, 1000 + i + (i >= 20 ? 600 : 0));
  const auto schedule = rtstandin::scheduleFromText(text);
  const auto times = offsets(schedule);
  EXPECT_EQ(times.front(), 0);
  EXPECT_EQ(times[19], 19);
  EXPECT_EQ(times[20], 620); // ten minutes without traffic stay ten minutes
  EXPECT_EQ(times.back(), 639);
  EXPECT_TRUE(std::is_sorted(times.begin(), times.end()));
}

TEST(StandInRecording, ReplayFromLaterInTheRecording) {
  std::string text = "{\"QNH\": \"2996\"}\n";
  for (int i = 0; i < 10; ++i) {
    if (i == 4) text += "{\"QNH\": \"3001\"}\n";
    text += shortLine(20001 + i, 1000 + 10 * i);
  }
  const auto whole = rtstandin::scheduleFromText(text);
  const auto later = rtstandin::scheduleFrom(whole, 45);
  // The weather in force at 45 s leaves first, then the lines from 50 s on, re-timed from 0.
  ASSERT_EQ(later.datagrams.size(), 6u);
  EXPECT_EQ(later.datagrams[0].kind, rtstandin::DatagramKind::Weather);
  EXPECT_EQ(later.datagrams[0].text, "{\"QNH\": \"3001\"}");
  EXPECT_EQ(offsets(later), (std::vector<double>{0, 5, 15, 25, 35, 45}));
  EXPECT_DOUBLE_EQ(later.firstTime, 1045);
  // The first line left is reported 5 s after the replay's start, as in the recording.
  EXPECT_DOUBLE_EQ(rtstandin::shiftedTime(*later.datagrams[1].reportTime, later.firstTime, 5000, 1), 5005);

  EXPECT_EQ(offsets(rtstandin::scheduleFrom(whole, 0)), offsets(whole));
  EXPECT_TRUE(rtstandin::scheduleFrom(whole, 1000).datagrams.empty());
}

TEST(StandInLink, MessageChecks) {
  struct Case {
    const char* message;
    const char* kind;
    bool valid;
  };
  for (const auto& c : {
           Case{"Qs999=version", "Qs999", true},
           Case{"exit", "exit", true},
           Case{"Qs123=1718000000000", "Qs123", true},
           Case{"Qs123=1718000000", "Qs123", false}, // seconds, not milliseconds
           Case{"Qs123=-5", "Qs123", false},
           Case{"Qs121=5000;-10000;1.570796;125400;12500;0.592408;-2.066609", "Qs121", true},
           Case{"Qs121=0;0;6.283185;0;1.5e+06;-1.570796;3.141593", "Qs121", true},
           Case{"Qs121=0.5;0;1.570796;0;0;0.592408;-2.066609", "Qs121", false},
           Case{"Qs121=0;0;1.57;0;0;0.592408;-2.066609", "Qs121", false},
           Case{"Qs121=0;0;1.570796;0;0;33.942500;-2.066609", "Qs121", false}, // degrees
           Case{"Qs121=0;0;1.570796;0;0;0.592408", "Qs121", false},
           Case{"Qs121=-0;-12;0.000000;-3;12.34;-0.592408;0.000001", "Qs121", true},
           Case{"Qs121=0;0;1.5707960;0;0;0.592408;-2.066609", "Qs121", false}, // seven decimals
           Case{"Qs121=0;0;1.570796;0;12.;0.592408;-2.066609", "Qs121", false},
           Case{"Qs121=0;0;1.570796;0;1.5e;0.592408;-2.066609", "Qs121", false},
           Case{"Qs121=0;0;1.570796;0;.5;0.592408;-2.066609", "Qs121", false},
           Case{"Qs121=-;0;1.570796;0;0;0.592408;-2.066609", "Qs121", false},
           Case{"Qs121=0;0;1.570796;0;1E-3;0.592408;-2.066609", "Qs121", true},
           Case{"Qs123=+1718000000000", "Qs123", false},
           Case{"Qs123=1718000000000 ", "Qs123", false},
           Case{"Qs999=version\n", "unknown", false},
           Case{"hello", "unknown", false},
       }) {
    SCOPED_TRACE(c.message);
    const auto check = rtstandin::checkMessage(c.message);
    EXPECT_EQ(check.kind, c.kind);
    EXPECT_EQ(check.valid, c.valid) << check.problem;
  }
}
