// Every caption the window draws fits its place in the window's font: it ends before the
// next caption, control or lamp on its row and before the window's right edge.
#include "app/painting.h"
#include "app/window_layout.h"
#include "app/window_win.h"
#include "core/settings/parameters.h"
#include "core/utf16_win.h"

#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <vector>

namespace {

struct Box {
  std::string what;
  int left, top, right, bottom;
};

// What the window shows with every line and caption on, with realistic texts.
PaintInput lf_everythingShown(bool parkBusy) {
  PaintInput in;
  in.versionText = "11.0.3";
  in.copyrightText = copyright.get();
  auto& d = in.display;
  d.simConnected = true;
  d.flightRunningShown = true;
  d.simulatorText = "Prepar3D v5 (5.4.9.28482)";
  d.userStandText = "A12";
  d.userAircraftTitle = "Boeing 737-800 American Airlines N905NN";
  d.liveryCount = 12345;
  d.simaddonAirportCount = 120;
  d.thirdPartyAirportCount = 45;
  d.offlineLearningCount = 12;
  d.minutesToRenewal = 12;
  d.liveCount = 123;
  d.parkAirportCode = "KLAX (LAX)";
  d.parkFileLoaded = true;
  d.parkAirportNameText = "Los Angeles Intl";
  d.parkAirportPublisher = "FlyTampa";
  d.parkAirportHandmade = true;
  d.rtTrafficWeek = 12;
  d.softFound = true;
  d.parkAirportQuality = "85/15";
  d.reservedStandName = "123A";
  d.learnedUpdatesShown = 1234;
  d.standCount = 250;
  d.liveParkedCount = 12;
  d.liveParkedHours = 12.5f;
  d.wantedCount = 150;
  d.wantedPercent = 60;
  d.staticParkedCount = 138;
  d.staticParkedHours = 10.5f;
  in.feed.linkUp = true;
  in.feed.trafficLamp = lampReceiving;
  in.feed.weatherLamp = lampReceiving;
  in.feed.qnh = 1013;
  in.feed.editionText = "RT prof edition: 10.0.123";
  in.maxParkSel = 100;
  in.maxLiveSel = 500;
  in.parkAirportLoaded = true;
  in.parkBusy = parkBusy;
  return in;
}

std::vector<Box> lf_obstacles() {
  std::vector<Box> boxes{{"simulator lamp", 397, 30, 425, 112}, {"RealTraffic lamp", 425, 30, 453, 112}};
  for (const auto& c : gf_controlLayout()) {
    // A combo box's height is that of its opened list; closed it is about 21 pixels.
    const int height = c.kind == ControlKind::comboBox ? 21 : c.height;
    boxes.push_back({c.name, c.x, c.y, c.x + c.width, c.y + height});
  }
  return boxes;
}

} // namespace

TEST(WindowFont, EveryCaptionFitsItsPlace) {
  HDC dc = CreateCompatibleDC(nullptr);
  ASSERT_NE(dc, nullptr);
  ASSERT_NE(gf_windowFont(), nullptr);
  SelectObject(dc, gf_windowFont());
  for (const bool parkBusy : {false, true}) {
    std::vector<Box> texts;
    for (const auto& op : gf_paintOps(lf_everythingShown(parkBusy))) {
      if (op.kind != DrawKind::text || op.text.empty() || op.top >= 448) continue; // not the status line
      const auto wide = gf_utf8ToWide(op.text);
      SIZE size{};
      ASSERT_TRUE(GetTextExtentPoint32W(dc, wide.c_str(), static_cast<int>(wide.size()), &size));
      texts.push_back({op.text, op.left, op.top, op.left + size.cx, op.top + size.cy});
    }
    auto obstacles = lf_obstacles();
    obstacles.insert(obstacles.end(), texts.begin(), texts.end());
    for (const auto& t : texts) {
      int limit = 880;
      std::string next = "the window's edge";
      for (const auto& o : obstacles)
        if (o.left > t.left && o.left < limit && o.top < t.bottom && t.top < o.bottom) {
          limit = o.left;
          next = o.what;
        }
      EXPECT_LE(t.right, limit) << "'" << t.what << "' at " << t.left << "," << t.top << " runs into " << next;
    }
  }
  DeleteDC(dc);
}
