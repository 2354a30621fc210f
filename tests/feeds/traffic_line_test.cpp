#include "feeds/traffic_line.h"

#include "feeds/feed_test_support.h"

#include <cmath>
#include <functional>
#include <gtest/gtest.h>

using feed_testing::laxLatitude;
using feed_testing::laxLongitude;
using feed_testing::trafficLine;

namespace {

TrafficLineContext laxContext() {
  TrafficLineContext context;
  context.reference = {laxLatitude, laxLongitude};
  context.rangeNm = 40;
  context.parkAirport = GeoPosition{laxLatitude, laxLongitude};
  context.parkElevation = 125;
  return context;
}

TrafficLineResult parse(const std::string& line, const TrafficLineContext& context = laxContext()) {
  std::vector<std::string_view> fields;
  return gf_parseTrafficLine(line, context, fields);
}

struct Case {
  const char* name;
  std::string line;
  LineOutcome outcome;
  DropReason reason = DropReason::None;
  std::string error = {};
  std::function<void(const TrafficData&)> check = {};
};

using LO = LineOutcome;
using DR = DropReason;

} // namespace

TEST(TrafficLine, OneTableOfLinesAndTheirOutcome) {
  const std::vector<Case> cases{
      {"a plain airborne report", trafficLine(), LO::Accepted, DR::None, "",
       [](const TrafficData& r) {
         EXPECT_EQ(r.hexId, 11234567u);
         EXPECT_EQ(r.type, "B738");
         EXPECT_EQ(r.callsign, "AAL123");
         EXPECT_EQ(r.registration, "N12345");
         EXPECT_EQ(r.origin, "KJFK");
         EXPECT_EQ(r.destination, "KLAX");
         EXPECT_TRUE(r.airline.empty());
         EXPECT_DOUBLE_EQ(r.timestamp, 1718000000.5);
         EXPECT_DOUBLE_EQ(r.point.altitude, 3000);
         EXPECT_TRUE(r.point.airborne);
         EXPECT_DOUBLE_EQ(r.point.groundSpeed, 180);
         EXPECT_DOUBLE_EQ(r.point.track, 250);
         EXPECT_DOUBLE_EQ(r.point.verticalSpeed, -500);
         EXPECT_DOUBLE_EQ(r.point.trueAirspeed, 220); // -1 at 3000 ft
         EXPECT_FALSE(r.point.roll);
         EXPECT_FALSE(r.point.trueHeading);
         EXPECT_FALSE(r.point.hasAdsbHeading);
       }},
      {"ground vehicle", trafficLine({{16, "SURFACE VEH"}}), LO::Dropped, DR::GroundVehicle},
      {"position at 0,0", trafficLine({{2, "0.00005"}, {3, "-0.00003"}}), LO::Failed, DR::None,
       "invalid lalo: 0.000050,-0.000030"},
      {"latitude beyond the pole", trafficLine({{2, "90.5"}}), LO::Failed, DR::None, "invalid lalo: 90.500000,"},
      {"longitude beyond 180", trafficLine({{3, "-180.1"}}), LO::Failed, DR::None, "invalid lalo: 33.942500,-180.1"},
      {"out of range", trafficLine({{2, "34.7"}}), LO::Dropped, DR::OutOfRange},
      {"registration null", trafficLine({{11, "null"}}), LO::Accepted, DR::None, "",
       [](const TrafficData& r) { EXPECT_TRUE(r.registration.empty()); }},
      {"12-character registration", trafficLine({{11, "ABCDEFGHIJKL"}}), LO::Accepted},
      {"13-character registration", trafficLine({{11, "ABCDEFGHIJKLM"}}), LO::Dropped, DR::LongRegistration},
      {"type ZZZZ", trafficLine({{10, "ZZZZ"}, {28, "null"}}), LO::Dropped, DR::NoType},
      {"type 0", trafficLine({{10, "0"}, {28, "A3"}}), LO::Dropped, DR::NoType},
      {"type null", trafficLine({{10, "null"}, {28, ""}}), LO::Dropped, DR::NoType},
      {"balloon without category", trafficLine({{10, "BALL"}, {28, "null"}}), LO::Accepted},
      {"long type with empty category", trafficLine({{10, "B7378"}, {28, ""}}), LO::Accepted, DR::None, "",
       [](const TrafficData& r) { EXPECT_EQ(r.type, "B7378"); }},
      {"balloon in category A3", trafficLine({{10, "BALL"}, {28, "A3"}}), LO::Dropped, DR::DroppedType},
      {"glider GLID", trafficLine({{10, "GLID"}, {28, "A1"}}), LO::Dropped, DR::DroppedType},
      {"category B2", trafficLine({{28, "B2"}}), LO::Dropped, DR::DroppedCategory},
      {"category C1", trafficLine({{28, "C1"}}), LO::Dropped, DR::DroppedCategory},
      {"five-character type in A3", trafficLine({{10, "B7378"}}), LO::Dropped, DR::DroppedType},
      {"identifier 10000", trafficLine({{1, "10000"}}), LO::Dropped, DR::StaticIdentifier},
      {"identifier 10001", trafficLine({{1, "10001"}}), LO::Accepted, DR::None, "",
       [](const TrafficData& r) { EXPECT_EQ(r.hexId, 10001u); }},
      {"identifier 12ab reads 12", trafficLine({{1, "12ab"}}), LO::Dropped, DR::StaticIdentifier},
      {"identifier without digits", trafficLine({{1, "x12"}}), LO::Failed, DR::None, "hexid incorrectx12"},
      {"identifier beyond 32 bits", trafficLine({{1, "4294967296"}}), LO::Failed, DR::None,
       "hexid incorrect4294967296"},
      {"identifier of many digits", trafficLine({{1, "99999999999999999999999"}}), LO::Failed, DR::None,
       "hexid incorrect9999"},
      {"largest identifier", trafficLine({{1, "4294967295"}}), LO::Accepted, DR::None, "",
       [](const TrafficData& r) { EXPECT_EQ(r.hexId, 4294967295u); }},
      {"slow near the field elevation", trafficLine({{4, "160"}, {8, "100"}}), LO::Accepted, DR::None, "",
       [](const TrafficData& r) {
         EXPECT_EQ(r.point.altitude, 0.0);
         EXPECT_FALSE(r.point.airborne);
         EXPECT_DOUBLE_EQ(r.point.trueAirspeed, 180); // on the ground
       }},
      {"fast near the field elevation", trafficLine({{4, "160"}, {8, "130"}}), LO::Accepted, DR::None, "",
       [](const TrafficData& r) { EXPECT_DOUBLE_EQ(r.point.altitude, 160); }},
      {"below the field elevation", trafficLine({{4, "100"}, {8, "200"}}), LO::Accepted, DR::None, "",
       [](const TrafficData& r) { EXPECT_EQ(r.point.altitude, 0.0); }},
      {"negative altitude", trafficLine({{4, "-50"}, {8, "200"}}), LO::Accepted, DR::None, "",
       [](const TrafficData& r) { EXPECT_EQ(r.point.altitude, 0.0); }},
      {"30 kt at cruise altitude", trafficLine({{4, "35000"}, {8, "30"}}), LO::Accepted, DR::None, "",
       [](const TrafficData& r) { EXPECT_EQ(r.point.altitude, 0.0); }},
      {"on the ground away from the park airport", trafficLine({{2, "34.2"}, {4, "0"}, {8, "10"}}), LO::Dropped,
       DR::GroundAwayFromPark},
      {"callsign with an at sign", trafficLine({{9, "AB@C"}}), LO::Accepted, DR::None, "",
       [](const TrafficData& r) { EXPECT_TRUE(r.callsign.empty()); }},
      {"callsign with an at sign and no registration", trafficLine({{9, "AB@C"}, {11, "null"}}), LO::Dropped,
       DR::NoName},
      {"no callsign and no registration", trafficLine({{9, "null"}, {11, ""}}), LO::Dropped, DR::NoName},
      {"callsign ERARMTR0", trafficLine({{9, "ERARMTR0"}}), LO::Dropped, DR::BlockedCallsign},
      {"callsign AIRPORT1", trafficLine({{9, "AIRPORT1"}}), LO::Dropped, DR::BlockedCallsign},
      {"true heading 0 and no track", trafficLine({{17, "adsb_icao"}, {25, "0"}, {7, ""}}), LO::Accepted, DR::None, "",
       [](const TrafficData& r) {
         EXPECT_DOUBLE_EQ(*r.point.trueHeading, 6.283185307179586);
         EXPECT_TRUE(r.point.hasAdsbHeading);
         EXPECT_DOUBLE_EQ(r.point.track, 360);
       }},
      {"true heading 90 beside a track", trafficLine({{17, "adsb_icao"}, {25, "90"}}), LO::Accepted, DR::None, "",
       [](const TrafficData& r) {
         EXPECT_DOUBLE_EQ(*r.point.trueHeading, 90 * 0.017453292519943295);
         EXPECT_DOUBLE_EQ(r.point.track, 250);
       }},
      {"negative true heading", trafficLine({{17, "adsb_icao"}, {25, "-1"}}), LO::Accepted, DR::None, "",
       [](const TrafficData& r) {
         EXPECT_FALSE(r.point.trueHeading);
         EXPECT_FALSE(r.point.hasAdsbHeading);
       }},
      {"true heading from another source", trafficLine({{17, "mlat"}, {25, "0"}}), LO::Accepted, DR::None, "",
       [](const TrafficData& r) { EXPECT_FALSE(r.point.trueHeading); }},
      {"true heading 361", trafficLine({{17, "adsb_icao"}, {25, "361"}}), LO::Failed, DR::None, "trueheading: 361.00"},
      {"roll 10", trafficLine({{23, "10"}}), LO::Accepted, DR::None, "",
       [](const TrafficData& r) { EXPECT_DOUBLE_EQ(*r.point.roll, -0.17453292519943295); }},
      {"roll 0", trafficLine({{23, "0"}}), LO::Accepted, DR::None, "",
       [](const TrafficData& r) { EXPECT_FALSE(r.point.roll); }},
      {"roll on the ground", trafficLine({{4, "0"}, {8, "10"}, {23, "10"}}), LO::Accepted, DR::None, "",
       [](const TrafficData& r) { EXPECT_FALSE(r.point.roll); }},
      {"airspeed default above 20000 ft", trafficLine({{4, "25000"}}), LO::Accepted, DR::None, "",
       [](const TrafficData& r) { EXPECT_DOUBLE_EQ(r.point.trueAirspeed, 430); }},
      {"airspeed given", trafficLine({{20, "351.5"}}), LO::Accepted, DR::None, "",
       [](const TrafficData& r) { EXPECT_DOUBLE_EQ(r.point.trueAirspeed, 351.5); }},
      {"number with a unit behind it", trafficLine({{8, "212.5kt"}}), LO::Accepted, DR::None, "",
       [](const TrafficData& r) { EXPECT_DOUBLE_EQ(r.point.groundSpeed, 212.5); }},
      {"inf latitude", trafficLine({{2, "inf"}}), LO::Failed, DR::None, "lat:inf"},
      {"nan ground speed", trafficLine({{8, "nan"}}), LO::Failed, DR::None, "gs:nan"},
      {"-infinity vertical speed", trafficLine({{5, "-infinity"}}), LO::Failed, DR::None, "vs:-infinity"},
      {"altitude too large for a double", trafficLine({{4, "1e999"}}), LO::Failed, DR::None,
       "altitude 1e999 incorrect, from: RTTFC,11234567,"},
      {"plus sign", trafficLine({{5, "+5"}}), LO::Failed, DR::None, "vs:+5"},
      {"leading blank", trafficLine({{3, " -118.4"}}), LO::Failed, DR::None, "lon: -118.4"},
      {"empty roll", trafficLine({{23, ""}}), LO::Failed, DR::None, "roll:"},
      {"unreadable time", trafficLine({{14, "soon"}}), LO::Failed, DR::None, "timestamp:soon"},
      {"unreadable track", trafficLine({{7, "east"}}), LO::Failed, DR::None, "track incorrect east"},
      {"unreadable airspeed", trafficLine({{20, "fast"}}), LO::Failed, DR::None, "TAS incorrectfast"},
      {"short line of the old format",
       "AITFC,854930,33.9404,-118.3844,0,0,1,81,20,VIV511,A20N,XA-VIQ,LAX,GDL,1592423552", LO::Failed, DR::None,
       "short line of 15 fields, 29 expected: AITFC,854930,"},
      {"28 fields", trafficLine().substr(0, trafficLine().rfind(',')), LO::Failed, DR::None, "short line of 28"},
      {"empty datagram", "", LO::Failed, DR::None, "short line of 1 fields"},
      {"more fields than read", trafficLine({{34, "x"}}), LO::Accepted},
      {"category ends at its comma", trafficLine({{28, "B2"}, {29, "A3"}}), LO::Dropped, DR::DroppedCategory},
      {"plain airport codes", trafficLine({{12, "LAX"}, {13, "4CA7"}}), LO::Accepted, DR::None, "",
       [](const TrafficData& r) {
         EXPECT_EQ(r.origin, "LAX");
         EXPECT_EQ(r.destination, "4CA7");
       }},
      {"airports that are no plain codes", trafficLine({{12, "../../x"}, {13, "KL<X"}}), LO::Accepted, DR::None, "",
       [](const TrafficData& r) {
         EXPECT_TRUE(r.origin.empty());
         EXPECT_TRUE(r.destination.empty());
       }},
      {"airport null, lower case, too long", trafficLine({{12, "null"}, {13, "klax"}}), LO::Accepted, DR::None, "",
       [](const TrafficData& r) {
         EXPECT_TRUE(r.origin.empty());
         EXPECT_TRUE(r.destination.empty());
       }},
      {"airport of five characters", trafficLine({{13, "KLAXX"}}), LO::Accepted, DR::None, "",
       [](const TrafficData& r) { EXPECT_TRUE(r.destination.empty()); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto result = parse(c.line);
    EXPECT_EQ(result.outcome, c.outcome);
    EXPECT_EQ(result.dropReason, c.reason);
    if (c.error.empty()) {
      EXPECT_TRUE(result.error.empty()) << result.error;
    } else {
      EXPECT_EQ(result.error.rfind(c.error, 0), 0u) << result.error;
    }
    if (c.outcome == LO::Accepted && c.check) c.check(result.report);
    if (c.outcome != LO::Accepted) {
      EXPECT_EQ(result.report, TrafficData{});
    }
  }
}

TEST(TrafficLine, ReportTimeIsReadBeforeEveryFilter) {
  // Dropped for its range and failed after step 1: the time still counts; failed in
  // step 1, a vehicle or a short line: it does not.
  EXPECT_EQ(parse(trafficLine({{2, "34.7"}})).timestamp, 1718000000.5);
  EXPECT_EQ(parse(trafficLine({{1, "x"}})).timestamp, 1718000000.5);
  EXPECT_FALSE(parse(trafficLine({{14, "x"}})).timestamp);
  EXPECT_FALSE(parse(trafficLine({{16, " VEH"}})).timestamp);
  EXPECT_FALSE(parse("1,2,3").timestamp);
}

TEST(TrafficLine, RangeIsMeasuredFromTheReferenceAndItsLimitPasses) {
  auto context = laxContext();
  const GeoPosition position{34.5, -118.408};
  context.rangeNm = gf_distanceNm(context.reference, position);
  const auto line = trafficLine({{2, "34.5"}});
  EXPECT_EQ(parse(line, context).outcome, LineOutcome::Accepted);
  context.rangeNm = std::nextafter(context.rangeNm, 0.0);
  EXPECT_EQ(parse(line, context).dropReason, DropReason::OutOfRange);
  context.reference = position;
  EXPECT_EQ(parse(line, context).outcome, LineOutcome::Accepted);
}

TEST(TrafficLine, GroundTestNeedsTheParkAirport) {
  auto context = laxContext();
  const auto nearField = trafficLine({{4, "300"}, {8, "100"}});
  context.parkElevation = 260; // |d| = 40 <= 45 and 100 kt <= 120: on the ground
  EXPECT_FALSE(parse(nearField, context).report.point.airborne);
  context.parkElevation.reset(); // no elevation: only the speed rule puts it on the ground
  EXPECT_DOUBLE_EQ(parse(nearField, context).report.point.altitude, 300);
  context.parkAirport.reset(); // without a park airport every ground report goes
  EXPECT_EQ(parse(trafficLine({{4, "0"}, {8, "5"}}), context).dropReason, DropReason::GroundAwayFromPark);
  context.parkAirport = GeoPosition{laxLatitude, laxLongitude};
  EXPECT_EQ(parse(trafficLine({{2, "34.02"}, {4, "0"}, {8, "5"}}), context).outcome, LineOutcome::Accepted);
  EXPECT_EQ(parse(trafficLine({{2, "34.03"}, {4, "0"}, {8, "5"}}), context).dropReason, DropReason::GroundAwayFromPark);
}

TEST(TrafficLine, CallsignForACollectionIsOfferedBeforeTheTypeTests) {
  EXPECT_EQ(parse(trafficLine({{10, "ZZZZ"}})).callsignToCollect, "AAL123");
  EXPECT_EQ(parse(trafficLine({{1, "50"}})).callsignToCollect, "AAL123");
  EXPECT_TRUE(parse(trafficLine({{9, "AB@C"}})).callsignToCollect.empty());
  EXPECT_TRUE(parse(trafficLine({{9, "null"}})).callsignToCollect.empty());
  EXPECT_TRUE(parse(trafficLine({{2, "34.7"}})).callsignToCollect.empty()); // out of range first
}

TEST(TrafficLine, Numbers) {
  EXPECT_EQ(gf_readLineNumber("12.5ft"), 12.5);
  EXPECT_EQ(gf_readLineNumber("-3e2"), -300.0);
  EXPECT_EQ(gf_readLineNumber("7e"), 7.0);
  for (const char* bad : {"", "-", "inf", "-inf", "nan", "NaN", "infinity", "+1", " 1", "1e400", "x1"})
    EXPECT_FALSE(gf_readLineNumber(bad)) << bad;
  EXPECT_EQ(gf_readLineIdentifier("007"), 7u);
  EXPECT_EQ(gf_readLineIdentifier("4294967295x"), 4294967295u);
  for (const char* bad : {"", "-1", "+1", "a1", "4294967296"}) EXPECT_FALSE(gf_readLineIdentifier(bad)) << bad;
}
