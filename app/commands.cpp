#include "app/commands.h"

#include "app/edit_boxes.h"
#include "app/window_actions.h"
#include "app/window_controls.h"
#include "core/log.h"
#include "core/settings/control_port.h"
#include "core/settings/parameters.h"
#include "core/settings/settings_file.h"
#include "core/settings/settings_version.h"
#include "core/shell/control_refresh.h"
#include "core/shell/repaint.h"
#include "core/shell/requests.h"
#include "core/shell/run_state.h"
#include "core/shell/status_line.h"
#include "core/version.h"
#include "feeds/realtraffic_link.h"

#include <fmt/format.h>
#include <string_view>

namespace {

// A message when the box is switched one way, the status line cleared the other way.
void lf_messageWhen(bool shown, std::string_view text, bool log = false) {
  if (shown)
    gf_showMessage(std::string(text), log);
  else
    gf_clearMessage();
}

void lf_scanLiveries(bool on) {
  if (!on) {
    gf_clearMessage();
  } else if (realTrafficLink.scanNow.load()) {
    liveryTablesClearRequested.exchange(true);
    gf_showMessage("Your liveries will be scanned", true);
    gf_requestStop(ExitReason::NewSettings, 2);
  } else {
    gf_showMessage(fmt::format("Your liveries will be scanned at the next start of {}, recommended after you have "
                               "add/removed AI aircraft models/liveries",
                               programName),
                   false);
  }
  gf_requestRepaint(settingsBandRect);
}

void lf_scanAirports(bool on) {
  if (!on) {
    gf_clearMessage();
  } else if (realTrafficLink.scanNow.load()) {
    gf_showMessage("Your airports will be scanned", true);
    gf_requestStop(ExitReason::NewSettings, 2);
  } else {
    gf_showMessage(
        fmt::format("Your airports will be scanned at the next start of {}, recommended after you have add/removed "
                    "airports",
                    programName),
        false);
  }
  gf_requestRepaint(settingsBandRect);
}

void lf_autoRange(bool on) {
  learnedParamChanged.exchange(true);
  gf_enableControl(RANGE.controlId, !on);
  gf_enableControl(AR_ABOVE_HEIGHT.controlId, on);
  if (on) {
    savedManualRange.store(RANGE.get());
    // The automatic range follows the user aircraft, which the worker knows.
    autoRangeRequested.exchange(true);
  } else {
    gf_setRange(savedManualRange.load());
    gf_refreshIntControl(RANGE);
    gf_clearMessage();
  }
}

struct CheckBoxHandler {
  CheckBoxParameter& box;
  void (*act)(bool on);
};

const std::vector<CheckBoxHandler>& lf_checkBoxHandlers() {
  static const std::vector<CheckBoxHandler> handlers{
      {LIG_AUTOMATIC,
       [](bool on) { lf_messageWhen(!on, "The liveries defined by your lfolder parameters will be scanned"); }},
      {LIG_PRIORITIZE,
       [](bool on) {
         lf_messageWhen(on, "Liveries, for airl+model, in lower lfolders that are already available will be skipped");
       }},
      {COLLISION_LIVE_PARKED_GND,
       [](bool on) {
         lf_messageWhen(!on, "Be aware, no collision avoidance with live aircraft vs parked static on the ground");
       }},
      {COLLISION_USER_GND,
       [](bool on) { lf_messageWhen(!on, "Be aware, no collision avoidance with user aircraft on the ground"); }},
      {COLLISION_USER_AIR,
       [](bool on) { lf_messageWhen(!on, "Be aware, no collision avoidance with user aircraft in the air"); }},
      {INITIAL_LOAD_ONLY,
       [](bool on) {
         lf_messageWhen(on,
                        "Initial Load Only: static parked aircraft are generated once, no renewal every 20 minutes");
         gf_requestRepaint(settingsBandRect);
         if (parkAirportLoaded.load()) learnedParamChanged.exchange(true);
       }},
      {ALWAYS_ON_TOP,
       [](bool on) {
         lf_messageWhen(on, fmt::format("{}'s window will remain visible", programName));
         gf_requestWindowAction(on ? WindowAction::topmostOn : WindowAction::topmostOff);
       }},
      {SUPPRESS_STUB, [](bool on) { lf_messageWhen(on, "Exclude FSLTL-liveries titles ending with _STUB from scan"); }},
      {GUID_CHANGES,
       [](bool on) {
         lf_messageWhen(!on, "Be aware, no more livery updates: you miss correct data for Learn, LittleNavMap, etc!");
       }},
      {AEROWINX,
       [](bool on) {
         lf_messageWhen(on,
                        fmt::format("Note: This mode is for Aerowinx PSX users only, please re-start {}", programName));
       }},
      {AUTO_RANGE, lf_autoRange},
      {SCAN_LIVERIES, lf_scanLiveries},
      {SCAN_AIRPORTS, lf_scanAirports},
      {AFG_AUTOMATIC,
       [](bool on) {
         if (!on) gf_showMessage("The airports defined by your afolder parameters will be scanned", true);
       }},
      {PARK_SOFT, [](bool) { gf_parkingSettingChanged(); }},
      {PARK_FAKE, [](bool) { gf_parkingSettingChanged(); }},
      {WEEK, [](bool) { gf_parkingSettingChanged(); }},
      // The parked aircraft are live traffic's: the worker sends them the new state.
      {NAV_LIGHTS_WHILE_PARKED, [](bool) { navLightsRequested.exchange(true); }},
      {LEARN_SOFT,
       [](bool) {
         if (parkAirportLoaded.load()) learnedParamChanged.exchange(true);
       }},
      {STRAIGHT_PBS_ONLY, [](bool) {}},
      {LOG, [](bool) {}},
      {LIGHT_AIRCRAFT, [](bool) {}},
      {HELICOPTERS, [](bool) {}},
      {HIGH_PERF_AIRCRAFT, [](bool) {}},
  };
  return handlers;
}

// The boxes do not tick themselves: each click turns the tick and the setting over.
bool lf_handleCheckBoxes(std::uint16_t controlId) {
  for (const auto& [box, act] : lf_checkBoxHandlers()) {
    if (box.controlId != controlId) continue;
    const bool on = !windowControls.isChecked(controlId);
    gf_setControlCheck(controlId, on);
    box.set(on);
    gf_saveBoolParameter(box);
    act(on);
    // Several captions change colour with their setting.
    gf_requestRepaint(settingsBandRect);
    return true;
  }
  return false;
}

struct ComboHandler {
  ComboBoxParameter& combo;
  void (*act)(std::int32_t value);
};

const std::vector<ComboHandler>& lf_comboHandlers() {
  static const std::vector<ComboHandler> handlers{
      {MATCHING_DEPTH, [](std::int32_t) {}},
      {MAX_PARK_SEL, [](std::int32_t) { gf_parkingSettingChanged(); }},
      {RANGE,
       [](std::int32_t value) {
         gf_setRange(value);
         learnedParamChanged.exchange(true);
       }},
      {AIRP_RANGE, [](std::int32_t) {}},
      {AR_ABOVE_HEIGHT, [](std::int32_t) {}},
      {AIRP_HEIGHT, [](std::int32_t) {}},
      {MAX_LIVE_SEL,
       [](std::int32_t value) {
         if (parkAirportLoaded.load())
           learnedParamChanged.exchange(true);
         else
           userMaxLive.store(value);
         // The live limit acts on live traffic: the worker applies it.
         maxLiveRequested.exchange(true);
       }},
  };
  return handlers;
}

bool lf_handleComboBoxes(std::uint16_t controlId, std::uint16_t notification, const ComboPickReader& readPick) {
  if (notification != selectionChanged) return false;
  for (const auto& [combo, act] : lf_comboHandlers()) {
    if (combo.controlId != controlId) continue;
    const auto pick = readPick ? readPick(controlId) : std::nullopt;
    if (!pick || pick->row < 0 || pick->row >= static_cast<std::int32_t>(combo.choices.size())) return false;
    combo.set(combo.clamp(combo.choices[static_cast<std::size_t>(pick->row)]));
    gf_saveIntParameter(combo);
    gf_refreshIntControl(combo);
    act(combo.get());
    return true;
  }
  return false;
}

bool lf_handleButtons(std::uint16_t controlId) {
  if (controlId == UNBLOCK_BUTTON.controlId) {
    if (BLOCK_CALLSIGN.get().empty())
      gf_showMessage("Nothing to block or unblock...", false);
    else
      gf_unblockCallsign();
    return true;
  }
  if (controlId == REREAD_BUTTON.controlId) {
    rereadRequested.exchange(true);
    gf_enableControl(REREAD_BUTTON.controlId, false);
    gf_enableControl(DESTINATION.controlId, false);
    return true;
  }
  if (controlId == FLUSH_STATIC_BUTTON.controlId) {
    gf_showMessage("All static parked aircraft will be removed ...", false);
    flushStaticRequested.exchange(true);
    gf_enableControl(FLUSH_STATIC_BUTTON.controlId, false);
    return true;
  }
  return false;
}

} // namespace

bool gf_handleCommand(std::uint16_t controlId, std::uint16_t notification, const ComboPickReader& readPick) {
  try {
    if (lf_handleButtons(controlId) || lf_handleCheckBoxes(controlId) ||
        lf_handleComboBoxes(controlId, notification, readPick))
      return true;
  } catch (const std::exception& e) {
    gf_logWarning(fmt::format("{} exception {}", "lf_HandleWMCOMMAND", e.what()));
  } catch (...) {
    gf_logWarning(fmt::format("{} exception {}", "lf_HandleWMCOMMAND", "of unknown type"));
  }
  gf_requestRepaint(settingsBandRect);
  return false;
}
