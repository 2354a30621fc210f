#include "core/shell/control_refresh.h"

#include "core/settings/control_port.h"
#include "core/settings/parameters.h"
#include "core/shell/main_window.h"
#include "core/shell/repaint.h"
#include "core/shell/requests.h"
#include "core/shell/status_line.h"
#include "core/text.h"

#include <fmt/format.h>

namespace {

void lf_showText(std::uint16_t controlId, const std::string& text) {
  gf_setControlText(controlId, text);
  gf_requestRepaint(settingsBandRect);
}

} // namespace

void gf_refreshIntControl(const IntEditParameter& parameter) {
  lf_showText(parameter.controlId, fmt::format("{}", parameter.get()));
}

void gf_refreshIntControl(const ComboBoxParameter& parameter) {
  const auto value = parameter.get();
  lf_showText(parameter.controlId, fmt::format("{}", value));
  if (const auto row = parameter.choiceRow(value); row >= 0) gf_selectControlRow(parameter.controlId, row);
}

void gf_refreshFloatControl(const FloatEditParameter& parameter) {
  lf_showText(parameter.controlId, gf_numberText(parameter.get()));
}

void gf_refreshStringControl(const TextEditParameter& parameter) { lf_showText(parameter.controlId, parameter.get()); }

void gf_clearControlText(std::uint16_t controlId) { gf_setControlText(controlId, {}); }

void gf_disableParkControls() {
  parkBusy.exchange(true);
  for (const auto id : {parking_percentage.controlId, INITIAL_LOAD_ONLY.controlId, PARK_FAKE.controlId,
                        PARK_SOFT.controlId, MAX_PARK_SEL.controlId, MAX_LIVE_SEL.controlId, MAX_FIT_FL.controlId,
                        WEEK.controlId, FLUSH_STATIC_BUTTON.controlId, REREAD_BUTTON.controlId})
    gf_enableControl(id, false);
  gf_clearMessage();
  gf_requestRepaint(settingsBandRect);
}

void gf_enableParkControls() {
  parkBusy.exchange(false);
  mainWindow.update(settingsBandRect, [](DisplayState& d) { d.minutesToRenewal = 19; });
  for (const auto id : {MAX_PARK_SEL.controlId, MAX_LIVE_SEL.controlId, parking_percentage.controlId,
                        INITIAL_LOAD_ONLY.controlId, PARK_SOFT.controlId, PARK_FAKE.controlId, MAX_FIT_FL.controlId,
                        WEEK.controlId, FLUSH_STATIC_BUTTON.controlId, REREAD_BUTTON.controlId})
    gf_enableControl(id, true);
  gf_clearMessage();
  gf_requestRepaint(settingsBandRect);
}
