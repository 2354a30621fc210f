#include "app/painting.h"

#include "app/window_controls.h"
#include "core/errors.h"
#include "core/log.h"
#include "core/settings/parameters.h"
#include "core/shell/requests.h"
#include "core/text.h"
#include "core/utf16.h"
#include "core/version.h"
#include "feeds/realtraffic_link.h"

#include <fmt/format.h>

namespace {

class Painter {
public:
  explicit Painter(std::vector<DrawOp>& ops) : ops_(ops) {}
  void fill(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom, Colour colour) {
    ops_.push_back({DrawKind::fill, left, top, right, bottom, colour, {}});
  }
  void line(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2, Colour colour) {
    ops_.push_back({DrawKind::line, x1, y1, x2, y2, colour, {}});
  }
  void text(std::int32_t x, std::int32_t y, std::string text, Colour colour) {
    ops_.push_back({DrawKind::text, x, y, x, y, colour, std::move(text)});
  }
  // A caption beside a control: black when it applies, grey when it does not.
  void caption(std::int32_t x, std::int32_t y, std::string text, bool active) {
    this->text(x, y, std::move(text), active ? black : grey);
  }

private:
  std::vector<DrawOp>& ops_;
};

// The grid of the controls area.
constexpr std::int32_t separatorLines[7][4] = {{0, 140, 880, 140}, {0, 168, 642, 168}, {0, 196, 642, 196},
                                               {0, 224, 642, 224}, {0, 252, 642, 252}, {0, 280, 642, 280},
                                               {0, 308, 880, 308}};

Colour lf_onYellow(bool on) { return on ? yellow : black; }

void lf_paintConnectionPanel(Painter& p, const PaintInput& in) {
  const auto& d = in.display;
  const bool good = d.simConnected && d.flightRunningShown && !d.userAircraftTitle.empty();
  const bool waiting = d.simConnected && !good;
  p.fill(397, 30, 425, 112, good ? green : (waiting ? yellow : red));
  p.text(398, 63, "Sim", green);

  const auto c = good ? green : yellow;
  if (d.simConnected) {
    auto line = d.simulatorText;
    if (!d.userStandText.empty()) line += ", user stand " + d.userStandText;
    p.text(5, 35, line, c);
    p.text(5, 63, d.userAircraftTitle, d.userWingspanKnown ? c : yellow);
  }

  if (d.liveryCount > 0)
    p.text(5, 91, fmt::format("# liveries: {}", d.liveryCount), green);
  else
    p.text(5, 91, "# liveries: ...", red);
  if (d.simaddonAirportCount > 0)
    p.text(141, 91, fmt::format("# {}: {}", "simaddon", d.simaddonAirportCount), d.airportScanOk ? green : yellow);
  else
    p.text(141, 91, std::string("# ") + "simaddon" + ": ...", yellow);
  if (d.thirdPartyAirportCount > 0)
    p.text(278, 91, fmt::format("# thirdp: {}", d.thirdPartyAirportCount), green);
  else
    p.text(278, 91, "# thirdp: ...", yellow);

  const auto& f = in.feed;
  Colour lamp = red;
  if (d.runStarting)
    lamp = black;
  else if (f.linkUp)
    lamp = f.trafficLamp == lampReceiving ? green : yellow;
  p.fill(425, 30, 453, 112, lamp);
  p.text(430, 63, "RT", green);

  if (f.linkUp) {
    p.text(458, 35, f.editionText, green);
    if (f.weatherLamp != lampStopped) p.text(458, 63, "Weather", f.weatherLamp == lampReceiving ? green : yellow);
    if (f.trafficLamp != lampStopped) p.text(458, 91, "Traffic", f.trafficLamp == lampReceiving ? green : yellow);
  }
  p.line(425, 29, 425, 112, black);
}

bool lf_readerShown(LampState lamp) { return lamp == lampReceiving || lamp == lampStale; }

void lf_paintQnh(Painter& p, const PaintInput& in) {
  const auto& f = in.feed;
  if (f.linkUp && lf_readerShown(f.weatherLamp))
    p.text(642, 63, f.qnh > 0 ? fmt::format("qnh: {:4}", f.qnh) : std::string(), green);
}

void lf_paintCaptions(Painter& p, const PaintInput& in) {
  const auto& d = in.display;
  p.text(672, AEROWINX.rowY, "Aerowinx", lf_onYellow(in.aerowinx));
  p.text(672, LOG.rowY, "Log", black);
  p.text(768, ALWAYS_ON_TOP.rowY, "Stay on top", lf_onYellow(in.alwaysOnTop));
  p.text(768, LEARN_SOFT.rowY, "Learn Soft", black);
  p.text(672, NAV_LIGHTS_WHILE_PARKED.rowY, "Nav lights", black);
  p.text(768, GUID_CHANGES.rowY, "GUID changes", lf_onYellow(!in.guidChanges));
  p.text(5, ALL_INSTALL_PATH.rowY, "Install path:", black);
  p.text(25, LIG_AUTOMATIC.rowY, "Scan for liveries", lf_onYellow(in.scanLiveries));
  p.text(237, LIG_AUTOMATIC.rowY, "Automatic", black);
  p.text(470, LIG_PRIORITIZE.rowY, "Prioritize", black);
  p.text(556, SUPPRESS_STUB.rowY, "Stub", black);
  p.text(25, SCAN_AIRPORTS.rowY, "Scan for addon airports", lf_onYellow(in.scanAirports));
  p.text(237, AFG_AUTOMATIC.rowY, "Automatic", black);
  if (d.offlineLearningCount > 0)
    p.text(323, SCAN_AIRPORTS.rowY,
           fmt::format("{} airport{} in {} folder", d.offlineLearningCount, gf_plural(d.offlineLearningCount), "TBLO"),
           yellow);
  p.text(5, MATCHING_DEPTH.rowY, "Max aircraft matching depth", black);
  p.text(258, LIGHT_AIRCRAFT.rowY, "Optional:", black);
  p.caption(343, LIGHT_AIRCRAFT.rowY, "Light aircraft", in.lightAircraftEnabled);
  p.caption(450, HELICOPTERS.rowY, "Helicopters", in.helicoptersEnabled);
  p.caption(556, HIGH_PERF_AIRCRAFT.rowY, "FighterJets", in.highPerfEnabled);
  p.text(5, RANGE.rowY, "Traffic injection", black);
  p.text(163, RANGE.rowY, "Radius:", black);
  p.text(270, RANGE.rowY, "nm, or", black);
  p.text(343, AUTO_RANGE.rowY, "Auto range", black);
  p.caption(430, AR_ABOVE_HEIGHT.rowY, "Ah:", in.autoRange);
  p.caption(536, AR_ABOVE_HEIGHT.rowY, "ft", in.autoRange);
  p.text(5, BLOCK_CALLSIGN.rowY, "Callsigns", black);
  p.text(172, BLOCK_CALLSIGN.rowY, "Block:", black);
  p.text(5, COLLISION_USER_GND.rowY, "Collision avoidance", black);
  p.text(237, COLLISION_USER_GND.rowY, "User ground", black);
  p.text(343, COLLISION_USER_AIR.rowY, "User air", black);
  p.text(450, COLLISION_LIVE_PARKED_GND.rowY, "Live X parked", black);

  if (in.parkBusy)
    p.text(5, MAX_PARK_SEL.rowY, fmt::format("Airport parking{}", " active"), yellow);
  else
    p.text(5, MAX_PARK_SEL.rowY, "Airport parking", black);
  const bool noLimits = in.maxParkSel == 0 && in.maxLiveSel == 0;
  p.text(171, MAX_PARK_SEL.rowY, "Max park (static+live):", noLimits ? red : lf_onYellow(in.maxParkSel == 0));
  p.text(401, MAX_LIVE_SEL.rowY, "Max live (park incl):", noLimits ? red : lf_onYellow(in.maxLiveSel == 0));
  p.caption(672, STRAIGHT_PBS_ONLY.rowY, "Straight push backs only", in.straightPushbacksOnly);

  p.text(137, DESTINATION.rowY, "Destination:", black);
  p.text(303, AIRP_RANGE.rowY, "Range:", black);
  p.text(403, AIRP_RANGE.rowY, "nm", black);
  p.text(440, AIRP_HEIGHT.rowY, "Height above gnd:", black);
  p.text(646, AIRP_HEIGHT.rowY, "ft", black);
  if (in.parkAirportLoaded && !in.parkBusy && !in.initialLoadOnly && d.minutesToRenewal >= 1 &&
      d.minutesToRenewal <= 19)
    p.caption(5, AIRP_RANGE.rowY, fmt::format("(next in {} min)", d.minutesToRenewal), true);

  p.text(25, PARK_FAKE.rowY, "Fake", black);
  p.text(91, WEEK.rowY, "Week", black);
  p.text(171, PARK_SOFT.rowY, "Soft", black);
  p.text(264, parking_percentage.rowY, "Target: ", black);
  p.text(363, parking_percentage.rowY, "%", black);
  p.text(450, INITIAL_LOAD_ONLY.rowY, "ILO", lf_onYellow(in.initialLoadOnly));
  p.text(506, MAX_FIT_FL.rowY, "Max fit:", black);
}

void lf_paintParkAirport(Painter& p, const PaintInput& in) {
  const auto& d = in.display;
  if (d.parkAirportCode.empty()) return;
  const auto y1 = MainWindow::parkLineY;
  const auto y2 = y1 + 28;
  p.text(5, y1, d.parkAirportCode, d.parkFileLoaded ? green : yellow);
  if (!d.parkFileLoaded) return;
  p.text(85, y1,
         fmt::format(" {}, {}{}, wk={}", d.parkAirportNameText, d.parkAirportPublisher,
                     d.parkAirportHandmade ? " (h)" : "", d.rtTrafficWeek),
         green);
  p.text(370, y1, d.softFound ? "*S*" : "", green);
  p.text(430, y1, fmt::format("qf: {}", d.parkAirportQuality), green);
  if (!d.reservedStandName.empty())
    p.text(571, y1, fmt::format("reserved stand: {}", d.reservedStandName), d.reservedStandValid ? green : red);
  p.text(748, y1, fmt::format("# updates: {:4}", d.learnedUpdatesShown), green);
  p.text(5, y2, fmt::format("# stands: {:3}", d.standCount), green);
  p.text(111, y2, fmt::format("parked live: {:3}", d.liveParkedCount), green);
  if (d.liveParkedHours > 0) p.text(249, y2, fmt::format("average fit: {}", gf_numberText(d.liveParkedHours)), green);
  if (d.wantedCount > 0) {
    p.text(430, y2, fmt::format("parked static: {:3}", d.staticParkedCount), green);
    if (!in.week && d.staticParkedHours > 0)
      p.text(571, y2, fmt::format("average fit: {}", gf_numberText(d.staticParkedHours)), green);
  }
  p.text(708, y2,
         d.wantedCount == 0 ? std::string("no max park live")
                            : fmt::format("max park: {:3} (={} %)", d.wantedCount, d.wantedPercent),
         green);
}

} // namespace

PaintInput gf_paintInput() {
  PaintInput in;
  in.display = mainWindow.snapshot();
  in.feed.linkUp = realTrafficLink.linkUp.load();
  in.feed.trafficLamp = feedDisplay.trafficLamp.load();
  in.feed.weatherLamp = feedDisplay.weatherLamp.load();
  in.feed.qnh = feedDisplay.qnhShown.load();
  in.feed.editionText = gf_realTrafficEditionText();
  in.status = gf_statusLineSnapshot();
  in.versionText = gf_versionText(gf_runningVersion());
  in.copyrightText = copyright.get();
  in.aerowinx = AEROWINX.get();
  in.alwaysOnTop = ALWAYS_ON_TOP.get();
  in.guidChanges = GUID_CHANGES.get();
  in.scanLiveries = SCAN_LIVERIES.get();
  in.scanAirports = SCAN_AIRPORTS.get();
  in.autoRange = AUTO_RANGE.get();
  in.straightPushbacksOnly = STRAIGHT_PBS_ONLY.get();
  in.initialLoadOnly = INITIAL_LOAD_ONLY.get();
  in.week = WEEK.get();
  in.maxParkSel = MAX_PARK_SEL.get();
  in.maxLiveSel = MAX_LIVE_SEL.get();
  in.lightAircraftEnabled = windowControls.isEnabled(LIGHT_AIRCRAFT.controlId);
  in.helicoptersEnabled = windowControls.isEnabled(HELICOPTERS.controlId);
  in.highPerfEnabled = windowControls.isEnabled(HIGH_PERF_AIRCRAFT.controlId);
  in.parkBusy = parkBusy.load();
  in.parkAirportLoaded = parkAirportLoaded.load();
  return in;
}

std::vector<DrawOp> gf_paintOps(const PaintInput& in) {
  std::vector<DrawOp> ops;
  ops.reserve(128);
  Painter p(ops);
  p.fill(0, 0, 880, 28, black);
  p.fill(0, 28, 880, 112, black);
  p.fill(0, 112, 880, 392, lightBlue);
  p.fill(0, 392, 880, 448, black);
  p.fill(0, 448, 880, 476, green);

  p.line(0, 28, 880, 28, white);
  p.line(0, 113, 880, 113, white);
  p.line(0, 449, 880, 449, white);
  p.line(0, 392, 880, 392, white);

  p.text(3, 7, fmt::format("Version {}", in.versionText), green);
  p.text(390, 7, std::string(programName), green);
  p.text(632, 7, in.copyrightText, green);

  for (const auto& l : separatorLines) p.line(l[0], l[1], l[2], l[3], black);
  p.line(642, 140, 642, 308, black);

  lf_paintConnectionPanel(p, in);
  lf_paintQnh(p, in);
  if (in.feed.linkUp && lf_readerShown(in.feed.trafficLamp))
    p.text(642, 91, fmt::format("live: {:3}", in.display.liveCount), green);
  lf_paintCaptions(p, in);
  lf_paintParkAirport(p, in);

  if (!in.status.error.empty()) {
    p.fill(0, 448, 880, 476, red);
    p.text(3, 455, in.status.error, yellow);
  } else {
    p.fill(0, 448, 880, 476, green);
    if (!in.status.message.empty()) p.text(3, 455, in.status.message, yellow);
  }
  return ops;
}

std::optional<std::u16string> gf_textForDrawing(const std::string& text) {
  try {
    return gf_utf8ToUtf16(text);
  } catch (const win32::Utf8ConversionException& e) {
    gf_logWhileRunning(fmt::format("{} conversion exception {}, error code: {}", text, e.what(), e.errorCode()));
  } catch (const std::exception& e) {
    gf_logWhileRunning(fmt::format("{} {}", text, e.what()));
  }
  return std::nullopt;
}
