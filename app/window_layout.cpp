#include "app/window_layout.h"

#include "core/settings/parameters.h"

namespace {

ControlLayout lf_checkBox(const CheckBoxParameter& p, std::int32_t x) {
  return {ControlKind::checkBox, p.name, p.controlId, x, p.rowY + 2, 12, 12, true};
}

ControlLayout lf_comboBox(const ComboBoxParameter& p, std::int32_t x, std::int32_t width, std::int32_t listHeight) {
  return {ControlKind::comboBox, p.name, p.controlId, x, p.rowY - 5, width, listHeight, true};
}

template <typename Parameter> ControlLayout lf_editBox(const Parameter& p, std::int32_t x, std::int32_t width) {
  return {ControlKind::editBox, p.name, p.controlId, x, p.rowY, width, 16, false};
}

ControlLayout lf_button(const ButtonParameter& p, std::int32_t x, std::int32_t width) {
  return {ControlKind::button, p.name, p.controlId, x, p.rowY, width, 20, false};
}

} // namespace

const std::vector<ControlLayout>& gf_controlLayout() {
  // Built on first use: the settings are globals of another file. The install-path box is
  // wider than the window, which clips it.
  static const std::vector<ControlLayout> layout{
      lf_editBox(ALL_INSTALL_PATH, 111, 1200),
      lf_checkBox(SCAN_LIVERIES, 5),
      lf_checkBox(LIG_AUTOMATIC, 217),
      lf_checkBox(LIG_PRIORITIZE, 450),
      lf_checkBox(SUPPRESS_STUB, 536),
      lf_checkBox(LOG, 652),
      lf_checkBox(ALWAYS_ON_TOP, 748),
      lf_checkBox(SCAN_AIRPORTS, 5),
      lf_checkBox(AFG_AUTOMATIC, 217),
      lf_checkBox(NAV_LIGHTS_WHILE_PARKED, 652),
      lf_checkBox(LEARN_SOFT, 748),
      lf_comboBox(MATCHING_DEPTH, 217, 40, 120),
      lf_checkBox(LIGHT_AIRCRAFT, 323),
      lf_checkBox(HELICOPTERS, 430),
      lf_checkBox(HIGH_PERF_AIRCRAFT, 536),
      lf_checkBox(AEROWINX, 652),
      lf_checkBox(GUID_CHANGES, 748),
      lf_comboBox(RANGE, 217, 50, 200),
      lf_checkBox(AUTO_RANGE, 323),
      lf_comboBox(AR_ABOVE_HEIGHT, 455, 70, 230),
      lf_checkBox(COLLISION_USER_GND, 217),
      lf_checkBox(COLLISION_USER_AIR, 323),
      lf_checkBox(COLLISION_LIVE_PARKED_GND, 430),
      lf_editBox(BLOCK_CALLSIGN, 217, 100),
      lf_button(UNBLOCK_BUTTON, 323, 70),
      lf_comboBox(MAX_PARK_SEL, 323, 55, 144),
      lf_comboBox(MAX_LIVE_SEL, 536, 55, 144),
      lf_editBox(DESTINATION, 217, 50),
      lf_comboBox(AIRP_RANGE, 353, 45, 144),
      lf_comboBox(AIRP_HEIGHT, 566, 70, 230),
      lf_checkBox(STRAIGHT_PBS_ONLY, 652),
      lf_checkBox(PARK_FAKE, 5),
      lf_checkBox(WEEK, 71),
      lf_checkBox(PARK_SOFT, 151),
      lf_editBox(parking_percentage, 323, 34),
      lf_checkBox(INITIAL_LOAD_ONLY, 430),
      lf_editBox(MAX_FIT_FL, 566, 34),
      lf_button(REREAD_BUTTON, 758, 90),
      lf_button(FLUSH_STATIC_BUTTON, 758, 90),
  };
  return layout;
}

const ControlLayout* gf_findControlLayout(std::uint16_t id) {
  for (const auto& control : gf_controlLayout())
    if (control.id == id) return &control;
  return nullptr;
}
