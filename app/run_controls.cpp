#include "app/run_controls.h"

#include "core/settings/control_port.h"
#include "core/settings/parameters.h"
#include "core/shell/control_refresh.h"

namespace {

void lf_enable(const ParameterControl& control, bool enabled = true) { gf_enableControl(control.controlId, enabled); }

void lf_enableFilled(const ComboBoxParameter& combo, bool enabled = true) {
  lf_enable(combo, enabled);
  gf_fillComboBox(combo);
}

} // namespace

void gf_enableControlsForRun() {
  lf_enable(LOG);
  lf_enable(ALWAYS_ON_TOP);
  lf_enable(LEARN_SOFT, false);
  for (const auto* box : {&NAV_LIGHTS_WHILE_PARKED, &GUID_CHANGES, &SCAN_LIVERIES, &LIG_AUTOMATIC, &LIG_PRIORITIZE,
                          &SCAN_AIRPORTS, &AFG_AUTOMATIC})
    lf_enable(*box);
  lf_enableFilled(MATCHING_DEPTH);
  for (const auto* box : {&LIGHT_AIRCRAFT, &HELICOPTERS, &HIGH_PERF_AIRCRAFT}) lf_enable(*box);
  lf_enableFilled(RANGE, !AUTO_RANGE.get());
  lf_enable(AUTO_RANGE);
  lf_enableFilled(AR_ABOVE_HEIGHT, AUTO_RANGE.get());
  for (const auto* box : {&COLLISION_USER_GND, &COLLISION_USER_AIR, &COLLISION_LIVE_PARKED_GND}) lf_enable(*box);
  lf_enable(BLOCK_CALLSIGN);
  lf_enable(UNBLOCK_BUTTON, !BLOCK_CALLSIGN.get().empty());
  lf_enableFilled(MAX_PARK_SEL);
  lf_enableFilled(MAX_LIVE_SEL);
  lf_enable(STRAIGHT_PBS_ONLY);
  lf_enable(DESTINATION, false);
  lf_enableFilled(AIRP_RANGE);
  lf_enableFilled(AIRP_HEIGHT);
  lf_enable(REREAD_BUTTON, false);
  for (const auto* box : {&PARK_FAKE, &WEEK, &PARK_SOFT}) lf_enable(*box);
  lf_enable(parking_percentage, false);
  parking_percentage.set(30);
  gf_refreshIntControl(parking_percentage);
  gf_clearControlText(parking_percentage.controlId);
  lf_enable(INITIAL_LOAD_ONLY);
  MAX_FIT_FL.set(static_cast<float>(MAX_FIT.get()) * 0.5f + 0.5f);
  lf_enable(MAX_FIT_FL, false);
  gf_clearControlText(MAX_FIT_FL.controlId);
  lf_enable(FLUSH_STATIC_BUTTON, false);
}
