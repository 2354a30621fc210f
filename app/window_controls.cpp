#include "app/window_controls.h"

#include "app/window_layout.h"
#include "core/log.h"
#include "core/settings/parameters.h"

#include <fmt/format.h>

WindowControls windowControls;

void WindowControls::resetToCreation() {
  std::map<std::uint16_t, ControlState> fresh;
  for (const auto& control : gf_controlLayout()) {
    ControlState state;
    state.enabled = control.enabledAtStart;
    if (control.kind == ControlKind::button) state.text = control.name;
    fresh.emplace(control.id, std::move(state));
  }
  // The ticks come from the settings as they are now.
  for (auto* box : {&ALWAYS_ON_TOP,
                    &GUID_CHANGES,
                    &AEROWINX,
                    &LEARN_SOFT,
                    &NAV_LIGHTS_WHILE_PARKED,
                    &LOG,
                    &SCAN_LIVERIES,
                    &LIG_AUTOMATIC,
                    &LIG_PRIORITIZE,
                    &SUPPRESS_STUB,
                    &SCAN_AIRPORTS,
                    &AFG_AUTOMATIC,
                    &LIGHT_AIRCRAFT,
                    &HELICOPTERS,
                    &HIGH_PERF_AIRCRAFT,
                    &AUTO_RANGE,
                    &COLLISION_USER_AIR,
                    &COLLISION_USER_GND,
                    &COLLISION_LIVE_PARKED_GND,
                    &STRAIGHT_PBS_ONLY,
                    &INITIAL_LOAD_ONLY,
                    &PARK_SOFT,
                    &PARK_FAKE,
                    &WEEK})
    fresh.at(box->controlId).checked = box->get();
  std::lock_guard lock(mutex_);
  states_ = std::move(fresh);
}

template <typename Change> bool WindowControls::change(std::uint16_t controlId, ControlAspect aspect, Change&& apply) {
  {
    std::lock_guard lock(mutex_);
    const auto found = states_.find(controlId);
    if (found == states_.end()) {
      gf_log(fmt::format("GetDlgItem failed for ID {}", controlId));
      return false;
    }
    apply(found->second);
  }
  if (const auto applier = applier_.load()) applier(controlId, aspect);
  return true;
}

void WindowControls::setCheck(std::uint16_t controlId, bool checked) {
  change(controlId, ControlAspect::check, [&](ControlState& s) { s.checked = checked; });
}

void WindowControls::selectRow(std::uint16_t controlId, std::int32_t row) {
  change(controlId, ControlAspect::selection, [&](ControlState& s) {
    s.selectedRow = row >= 0 && row < static_cast<std::int32_t>(s.rows.size()) ? row : -1;
  });
}

void WindowControls::fillRows(std::uint16_t controlId, const std::vector<std::string>& rows, std::int32_t selectedRow) {
  change(controlId, ControlAspect::rows, [&](ControlState& s) {
    s.rows = rows;
    s.selectedRow = selectedRow >= 0 && selectedRow < static_cast<std::int32_t>(rows.size()) ? selectedRow : -1;
  });
}

void WindowControls::setText(std::uint16_t controlId, const std::string& text) {
  change(controlId, ControlAspect::text, [&](ControlState& s) { s.text = text; });
}

void WindowControls::enable(std::uint16_t controlId, bool enabled) {
  change(controlId, ControlAspect::enabled, [&](ControlState& s) { s.enabled = enabled; });
}

std::optional<ControlState> WindowControls::state(std::uint16_t controlId) const {
  std::lock_guard lock(mutex_);
  const auto found = states_.find(controlId);
  if (found == states_.end()) return std::nullopt;
  return found->second;
}

bool WindowControls::isEnabled(std::uint16_t controlId) const {
  const auto s = state(controlId);
  return s && s->enabled;
}

bool WindowControls::isChecked(std::uint16_t controlId) const {
  const auto s = state(controlId);
  return s && s->checked;
}
