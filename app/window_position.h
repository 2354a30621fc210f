#pragma once
// Where the main window opens and what is stored of its place when the program ends
// (MAIN_WINDOW_X and MAIN_WINDOW_Y, the left and top edge on the screen).
#include <cstdint>
#include <vector>

struct ScreenBox {
  std::int32_t left;
  std::int32_t top;
  std::int32_t right;
  std::int32_t bottom;
};

struct ScreenPoint {
  std::int32_t x;
  std::int32_t y;
  bool operator==(const ScreenPoint&) const = default;
};

// A stored edge that sits at one of its limits (-30000, 30000) is no real place: it becomes
// the given value (clamped) and is saved. A value inside the limits is left alone.
void gf_resetWindowPosAtLimit(std::int32_t x, std::int32_t y);
// At start: the stored place, read from the settings file without log lines (the defaults
// when the file does not load), with the edges at a limit reset to the defaults.
void gf_readWindowPosition();
// The place to open a window of the given size at: the stored place when the caption can be
// grabbed on one of the monitors (work areas; the primary monitor first), otherwise the
// default place on the primary monitor, moved left and up as far as the window needs to fit
// there. A monitor unplugged since the last run thus does not hide the window.
ScreenPoint gf_onScreenPosition(ScreenPoint stored, std::int32_t width, std::int32_t height,
                                const std::vector<ScreenBox>& monitors);
// At the end of the program: the window's edges (clamped) are saved; an edge that lands at
// a limit gets its value from before back. Ends with a log line of the time.
void gf_saveWindowPosition(std::int32_t left, std::int32_t top);
