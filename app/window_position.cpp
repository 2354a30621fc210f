#include "app/window_position.h"

#include "core/log.h"
#include "core/settings/parameters.h"
#include "core/settings/settings_file.h"
#include "core/time.h"

#include <algorithm>
#include <pugixml.hpp>

namespace {

void lf_resetAtLimit(IntParameter& edge, std::int32_t value) {
  const auto current = edge.get();
  if (current != edge.min && current != edge.max) return;
  edge.set(edge.clamp(value));
  gf_saveIntParameter(edge);
}

// The height of the strip at the window's top by which it is dragged, and how much of it
// must lie on a monitor.
constexpr std::int32_t captionHeight = 30;
constexpr std::int32_t grabWidth = 100;
constexpr std::int32_t grabHeight = 10;

bool lf_captionOnMonitor(ScreenPoint at, std::int32_t width, const ScreenBox& monitor) {
  const auto left = std::max(at.x, monitor.left);
  const auto right = std::min(at.x + width, monitor.right);
  const auto top = std::max(at.y, monitor.top);
  const auto bottom = std::min(at.y + captionHeight, monitor.bottom);
  return right - left >= std::min(grabWidth, width) && bottom - top >= grabHeight;
}

} // namespace

void gf_resetWindowPosAtLimit(std::int32_t x, std::int32_t y) {
  lf_resetAtLimit(MAIN_WINDOW_X, x);
  lf_resetAtLimit(MAIN_WINDOW_Y, y);
}

void gf_readWindowPosition() {
  pugi::xml_document document;
  if (gf_loadSettingsDocument(document)) {
    gf_readIntParameter(document, MAIN_WINDOW_X, false);
    gf_readIntParameter(document, MAIN_WINDOW_Y, false);
  }
  gf_resetWindowPosAtLimit(MAIN_WINDOW_X.defaultValue, MAIN_WINDOW_Y.defaultValue);
}

ScreenPoint gf_onScreenPosition(ScreenPoint stored, std::int32_t width, std::int32_t height,
                                const std::vector<ScreenBox>& monitors) {
  if (monitors.empty()) return stored;
  for (const auto& monitor : monitors)
    if (lf_captionOnMonitor(stored, width, monitor)) return stored;
  // The default place, moved left and up as far as needed to show the whole window.
  const auto& primary = monitors.front();
  const auto x = std::clamp(primary.left + MAIN_WINDOW_X.defaultValue, primary.left,
                            std::max(primary.left, primary.right - width));
  const auto y =
      std::clamp(primary.top + MAIN_WINDOW_Y.defaultValue, primary.top, std::max(primary.top, primary.bottom - height));
  return {x, y};
}

void gf_saveWindowPosition(std::int32_t left, std::int32_t top) {
  const auto previousX = MAIN_WINDOW_X.get();
  const auto previousY = MAIN_WINDOW_Y.get();
  MAIN_WINDOW_X.set(MAIN_WINDOW_X.clamp(left));
  gf_saveIntParameter(MAIN_WINDOW_X);
  MAIN_WINDOW_Y.set(MAIN_WINDOW_Y.clamp(top));
  gf_saveIntParameter(MAIN_WINDOW_Y);
  gf_resetWindowPosAtLimit(previousX, previousY);
  gf_log(gf_utcTimeText(gf_nowSeconds()));
}
