#pragma once
// What the main window paints, as a list of drawing operations built from a copy of the
// display state, the status line and the settings: coloured bands and lamps, white and
// black lines, and texts drawn with a transparent background in the window's font. The
// Win32 window only carries the operations out.
#include "core/shell/main_window.h"
#include "core/shell/status_line.h"
#include "feeds/reader_lamps.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct Colour {
  std::uint8_t red = 0;
  std::uint8_t green = 0;
  std::uint8_t blue = 0;
  bool operator==(const Colour&) const = default;
};

inline constexpr Colour black{0, 0, 0};
inline constexpr Colour white{255, 255, 255};
inline constexpr Colour red{255, 0, 0};
inline constexpr Colour green{50, 205, 50};
inline constexpr Colour yellow{255, 255, 0};
inline constexpr Colour lightBlue{153, 204, 255};
inline constexpr Colour grey{160, 160, 160};

enum class DrawKind { fill, line, text };

// fill: the rectangle (left, top, right, bottom); line: from (left, top) to (right,
// bottom) with a pen of width 1; text: at (left, top), its top-left corner.
struct DrawOp {
  DrawKind kind;
  std::int32_t left;
  std::int32_t top;
  std::int32_t right;
  std::int32_t bottom;
  Colour colour;
  std::string text; // UTF-8
};

// What the window shows of the feeds.
struct FeedView {
  bool linkUp = false; // RealTraffic connected, or no TCP link is used
  LampState trafficLamp = lampStopped;
  LampState weatherLamp = lampStopped;
  std::int32_t qnh = 0;    // hPa, 0 before the first weather datagram
  std::string editionText; // RealTraffic's version and edition
};

// Everything a paint reads.
struct PaintInput {
  DisplayState display;
  FeedView feed;
  StatusLineView status;
  std::string versionText;
  std::string copyrightText;
  bool aerowinx = false;
  bool alwaysOnTop = false;
  bool guidChanges = false;
  bool scanLiveries = false;
  bool scanAirports = false;
  bool autoRange = false;
  bool straightPushbacksOnly = false;
  bool initialLoadOnly = false;
  bool week = false;
  std::int32_t maxParkSel = 0;
  std::int32_t maxLiveSel = 0;
  bool lightAircraftEnabled = true; // the check boxes' windows
  bool helicoptersEnabled = true;
  bool highPerfEnabled = true;
  bool parkBusy = false;
  bool parkAirportLoaded = false;
};

// A copy of what the paint reads, taken now.
PaintInput gf_paintInput();
std::vector<DrawOp> gf_paintOps(const PaintInput& input);

// The UTF-16 text to draw, or none when the text cannot be drawn (logged).
std::optional<std::u16string> gf_textForDrawing(const std::string& text);
