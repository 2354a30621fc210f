#include "app/painting.h"
#include "feeds/realtraffic_link.h"
#include "window_fixture.h"

#include <functional>
#include <gtest/gtest.h>
#include <optional>

namespace {

// A text expected at a place in a colour, or expected nowhere (no place given).
struct Expected {
  std::string text;
  std::optional<std::pair<int, int>> at;
  Colour colour{};
};

struct Case {
  std::string name;
  std::function<void(PaintInput&)> setup;
  std::vector<Expected> expected;
  Colour simLamp;
  Colour rtLamp;
};

std::vector<DrawOp> texts(const std::vector<DrawOp>& ops, const std::string& text) {
  std::vector<DrawOp> found;
  for (const auto& op : ops)
    if (op.kind == DrawKind::text && op.text == text) found.push_back(op);
  return found;
}

std::optional<Colour> fillAt(const std::vector<DrawOp>& ops, int left, int top, int right, int bottom) {
  std::optional<Colour> last;
  for (const auto& op : ops)
    if (op.kind == DrawKind::fill && op.left == left && op.top == top && op.right == right && op.bottom == bottom)
      last = op.colour;
  return last;
}

PaintInput freshInput() {
  PaintInput in;
  in.versionText = "11.0.3";
  in.copyrightText = "(c)";
  in.guidChanges = true;
  in.maxParkSel = 500;
  in.maxLiveSel = 500;
  return in;
}

void parkAirport(PaintInput& in) {
  in.display.parkAirportCode = "EDDF (FRA)";
  in.display.parkFileLoaded = true;
  in.display.parkAirportNameText = "Frankfurt";
  in.display.parkAirportPublisher = "me";
  in.display.parkAirportQuality = "80/20";
  in.display.rtTrafficWeek = 12;
  in.display.standCount = 250;
  in.display.liveParkedCount = 7;
}

} // namespace

TEST(Painting, ConnectionPanelCaptionsAndParkBand) {
  const std::vector<Case> cases{
      {"before the simulator connects",
       [](PaintInput&) {},
       {{"# liveries: ...", {{5, 91}}, red},
        {"# simaddon: ...", {{141, 91}}, yellow},
        {"# thirdp: ...", {{278, 91}}, yellow},
        {"Sim", {{398, 63}}, green},
        {"RT", {{430, 63}}, green},
        {"Weather", std::nullopt, {}},
        {"GUID changes", {{768, 203}}, black},
        {"Airport parking", {{5, 315}}, black}},
       red,
       black},
      {"connected, no flight running",
       [](PaintInput& in) {
         in.display.simConnected = true;
         in.display.simulatorText = "Prepar3D v5 (5.4.9.28482)";
         in.display.userAircraftTitle = "Boeing 737";
         in.display.runStarting = false;
       },
       {{"Prepar3D v5 (5.4.9.28482)", {{5, 35}}, yellow}, {"Boeing 737", {{5, 63}}, yellow}},
       yellow,
       red},
      {"flight running, stand and unknown wing span",
       [](PaintInput& in) {
         in.display.simConnected = true;
         in.display.flightRunningShown = true;
         in.display.simulatorText = "P3D";
         in.display.userStandText = "A12";
         in.display.userAircraftTitle = "Cub";
         in.display.userWingspanKnown = false;
         in.display.liveryCount = 1234;
         in.display.simaddonAirportCount = 3;
         in.display.airportScanOk = false;
         in.display.thirdPartyAirportCount = 2;
       },
       {{"P3D, user stand A12", {{5, 35}}, green},
        {"Cub", {{5, 63}}, yellow},
        {"# liveries: 1234", {{5, 91}}, green},
        {"# simaddon: 3", {{141, 91}}, yellow},
        {"# thirdp: 2", {{278, 91}}, green}},
       green,
       black},
      {"feed up, traffic stale, weather receiving",
       [](PaintInput& in) {
         in.display.runStarting = false;
         in.feed.linkUp = true;
         in.feed.trafficLamp = lampStale;
         in.feed.weatherLamp = lampReceiving;
         in.feed.editionText = "RT10 edition: prof";
         in.feed.qnh = 1013;
         in.display.liveCount = 7;
       },
       {{"RT10 edition: prof", {{458, 35}}, green},
        {"Weather", {{458, 63}}, green},
        {"Traffic", {{458, 91}}, yellow},
        {"qnh: 1013", {{642, 63}}, green},
        {"live:   7", {{642, 91}}, green}},
       red,
       yellow},
      {"feed up and receiving, qnh unknown",
       [](PaintInput& in) {
         in.display.runStarting = false;
         in.feed.linkUp = true;
         in.feed.trafficLamp = lampReceiving;
         in.feed.weatherLamp = lampReceiving;
       },
       {{"", {{642, 63}}, green}, {"qnh: 0", std::nullopt, {}}},
       red,
       green},
      {"max park 0, max live 10",
       [](PaintInput& in) {
         in.maxParkSel = 0;
         in.maxLiveSel = 10;
       },
       {{"Max park (static+live):", {{171, 315}}, yellow}, {"Max live (park incl):", {{401, 315}}, black}},
       red,
       black},
      {"both limits 0",
       [](PaintInput& in) {
         in.maxParkSel = 0;
         in.maxLiveSel = 0;
       },
       {{"Max park (static+live):", {{171, 315}}, red}, {"Max live (park incl):", {{401, 315}}, red}},
       red,
       black},
      {"settings that colour captions",
       [](PaintInput& in) {
         in.aerowinx = true;
         in.alwaysOnTop = true;
         in.guidChanges = false;
         in.scanLiveries = true;
         in.initialLoadOnly = true;
         in.lightAircraftEnabled = false;
         in.display.offlineLearningCount = 1;
       },
       {{"Aerowinx", {{672, 203}}, yellow},
        {"Stay on top", {{768, 147}}, yellow},
        {"GUID changes", {{768, 203}}, yellow},
        {"Scan for liveries", {{25, 147}}, yellow},
        {"Scan for addon airports", {{25, 175}}, black},
        {"ILO", {{450, 371}}, yellow},
        {"Light aircraft", {{343, 203}}, grey},
        {"Helicopters", {{450, 203}}, black},
        {"Ah:", {{430, 231}}, grey},
        {"Straight push backs only", {{672, 315}}, grey},
        {"1 airport in TBLO folder", {{323, 175}}, yellow}},
       red,
       black},
      {"renewal shown",
       [](PaintInput& in) {
         in.parkAirportLoaded = true;
         in.autoRange = true;
         in.display.minutesToRenewal = 19;
         in.display.offlineLearningCount = 3;
       },
       {{"(next in 19 min)", {{5, 343}}, black},
        {"Ah:", {{430, 231}}, black},
        {"3 airports in TBLO folder", {{323, 175}}, yellow}},
       red,
       black},
      {"renewal 20 minutes away",
       [](PaintInput& in) {
         in.parkAirportLoaded = true;
         in.display.minutesToRenewal = 20;
       },
       {{"(next in 20 min)", std::nullopt, {}}},
       red,
       black},
      {"renewal 0 minutes away",
       [](PaintInput& in) {
         in.parkAirportLoaded = true;
         in.display.minutesToRenewal = 0;
       },
       {{"(next in 0 min)", std::nullopt, {}}},
       red,
       black},
      {"parking round busy",
       [](PaintInput& in) {
         in.parkAirportLoaded = true;
         in.parkBusy = true;
         in.display.minutesToRenewal = 5;
       },
       {{"Airport parking active", {{5, 315}}, yellow}, {"(next in 5 min)", std::nullopt, {}}},
       red,
       black},
      {"park airport file not loaded",
       [](PaintInput& in) { in.display.parkAirportCode = "XXXX"; },
       {{"XXXX", {{5, 399}}, yellow}, {"no max park live", std::nullopt, {}}},
       red,
       black},
      {"park airport without limit",
       [](PaintInput& in) {
         parkAirport(in);
         in.display.liveParkedHours = 2.5f;
       },
       {{"EDDF (FRA)", {{5, 399}}, green},
        {" Frankfurt, me, wk=12", {{85, 399}}, green},
        {"", {{370, 399}}, green},
        {"qf: 80/20", {{430, 399}}, green},
        {"# updates:    0", {{748, 399}}, green},
        {"# stands: 250", {{5, 427}}, green},
        {"parked live:   7", {{111, 427}}, green},
        {"average fit: 2.5", {{249, 427}}, green},
        {"parked static:   0", std::nullopt, {}},
        {"no max park live", {{708, 427}}, green}},
       red,
       black},
      {"park airport with limit, reserved stand gone",
       [](PaintInput& in) {
         parkAirport(in);
         in.display.parkAirportHandmade = true;
         in.display.softFound = true;
         in.display.reservedStandName = "B4";
         in.display.wantedCount = 40;
         in.display.wantedPercent = 16;
         in.display.staticParkedCount = 33;
         in.display.staticParkedHours = 3.0f;
       },
       {{" Frankfurt, me (h), wk=12", {{85, 399}}, green},
        {"*S*", {{370, 399}}, green},
        {"reserved stand: B4", {{571, 399}}, red},
        {"parked static:  33", {{430, 427}}, green},
        {"average fit: 3", {{571, 427}}, green},
        {"max park:  40 (=16 %)", {{708, 427}}, green}},
       red,
       black},
      {"week on hides the static average",
       [](PaintInput& in) {
         parkAirport(in);
         in.week = true;
         in.display.wantedCount = 40;
         in.display.staticParkedHours = 3.0f;
       },
       {{"average fit: 3", std::nullopt, {}}},
       red,
       black},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto in = freshInput();
    c.setup(in);
    const auto ops = gf_paintOps(in);
    for (const auto& e : c.expected) {
      const auto found = texts(ops, e.text);
      if (!e.at) {
        EXPECT_TRUE(found.empty()) << "'" << e.text << "' drawn";
        continue;
      }
      bool placed = false;
      for (const auto& op : found)
        if (op.left == e.at->first && op.top == e.at->second) {
          placed = true;
          EXPECT_EQ(op.colour, e.colour) << "'" << e.text << "'";
        }
      EXPECT_TRUE(placed) << "'" << e.text << "' not at " << e.at->first << "," << e.at->second;
    }
    EXPECT_EQ(fillAt(ops, 397, 30, 425, 112), c.simLamp);
    EXPECT_EQ(fillAt(ops, 425, 30, 453, 112), c.rtLamp);
  }
}

TEST(Painting, BandsLinesAndTitle) {
  const auto ops = gf_paintOps(freshInput());
  ASSERT_GE(ops.size(), 5u);
  const std::vector<std::pair<std::array<int, 4>, Colour>> bands{{{0, 0, 880, 28}, black},
                                                                 {{0, 28, 880, 112}, black},
                                                                 {{0, 112, 880, 392}, lightBlue},
                                                                 {{0, 392, 880, 448}, black},
                                                                 {{0, 448, 880, 476}, green}};
  for (std::size_t i = 0; i < bands.size(); ++i) {
    const auto& [r, colour] = bands[i];
    EXPECT_EQ(ops[i].kind, DrawKind::fill);
    EXPECT_EQ((std::array<int, 4>{ops[i].left, ops[i].top, ops[i].right, ops[i].bottom}), r);
    EXPECT_EQ(ops[i].colour, colour);
  }
  // The band borders, the grid of the controls area with its vertical line, and the line
  // between the lamps.
  using Line = std::pair<std::array<int, 4>, Colour>;
  const std::vector<Line> expectedLines{
      {{0, 28, 880, 28}, white},   {{0, 113, 880, 113}, white}, {{0, 449, 880, 449}, white},
      {{0, 392, 880, 392}, white}, {{0, 140, 880, 140}, black}, {{0, 168, 642, 168}, black},
      {{0, 196, 642, 196}, black}, {{0, 224, 642, 224}, black}, {{0, 252, 642, 252}, black},
      {{0, 280, 642, 280}, black}, {{0, 308, 880, 308}, black}, {{642, 140, 642, 308}, black},
      {{425, 29, 425, 112}, black}};
  std::vector<Line> lines;
  for (const auto& op : ops)
    if (op.kind == DrawKind::line) lines.push_back({{op.left, op.top, op.right, op.bottom}, op.colour});
  EXPECT_EQ(lines, expectedLines);
  EXPECT_EQ(texts(ops, "Version 11.0.3").at(0).left, 3);
  EXPECT_EQ(texts(ops, "Hivemoor").at(0).left, 390);
  EXPECT_EQ(texts(ops, "(c)").at(0).left, 632);
}

TEST(Painting, StatusLineIsPaintedLast) {
  auto in = freshInput();
  in.status.message = "hello";
  auto ops = gf_paintOps(in);
  ASSERT_GE(ops.size(), 2u);
  EXPECT_EQ(ops[ops.size() - 2].colour, green);
  EXPECT_EQ(ops.back().text, "hello");
  EXPECT_EQ(ops.back().colour, yellow);
  EXPECT_EQ(ops.back().left, 3);
  EXPECT_EQ(ops.back().top, 455);

  in.status.error = "broken";
  ops = gf_paintOps(in);
  EXPECT_EQ(ops[ops.size() - 2].kind, DrawKind::fill);
  EXPECT_EQ(ops[ops.size() - 2].colour, red);
  EXPECT_EQ(ops.back().text, "broken");
  EXPECT_TRUE(texts(ops, "hello").empty());

  in.status = {};
  ops = gf_paintOps(in);
  EXPECT_EQ(ops.back().kind, DrawKind::fill);
  EXPECT_EQ(ops.back().colour, green);
}

TEST(Painting, TextThatCannotBeDrawnIsLogged) {
  testing_support::LogCapture log;
  EXPECT_EQ(gf_textForDrawing("Z\xC3\xBCrich"), std::u16string(u"Z\u00FCrich"));
  EXPECT_FALSE(gf_textForDrawing("bad \xFF text"));
  EXPECT_TRUE(log.contains("bad \xFF text conversion exception"));
}

class PaintInputTest : public window_testing::WindowTest {};

TEST_F(PaintInputTest, TakesSettingsControlsAndDisplay) {
  AEROWINX.set(true);
  MAX_LIVE_SEL.set(10);
  windowControls.enable(HELICOPTERS.controlId, false);
  parkBusy.store(true);
  mainWindow.update(topBandRect, [](DisplayState& d) { d.liveryCount = 99; });
  realTrafficLink.linkUp = true;
  feedDisplay.weatherLamp = lampStale;
  feedDisplay.qnhShown = 1009;
  gf_showError("E");
  const auto in = gf_paintInput();
  EXPECT_TRUE(in.aerowinx);
  EXPECT_EQ(in.maxLiveSel, 10);
  EXPECT_TRUE(in.lightAircraftEnabled);
  EXPECT_FALSE(in.helicoptersEnabled);
  EXPECT_TRUE(in.parkBusy);
  EXPECT_EQ(in.display.liveryCount, 99u);
  EXPECT_EQ(in.status.error, "E");
  EXPECT_EQ(in.versionText, "11.0.3");
  EXPECT_EQ(in.copyrightText, copyright.get());
  EXPECT_TRUE(in.feed.linkUp);
  EXPECT_EQ(in.feed.weatherLamp, lampStale);
  EXPECT_EQ(in.feed.trafficLamp, lampStopped);
  EXPECT_EQ(in.feed.qnh, 1009);
  realTrafficLink.linkUp = false;
  feedDisplay.weatherLamp = lampStopped;
  feedDisplay.qnhShown = 0;
}
