#include "app/edit_boxes.h"

#include "core/files.h"
#include "core/log.h"
#include "core/settings/control_port.h"
#include "core/settings/parameters.h"
#include "core/settings/settings_file.h"
#include "core/shell/control_refresh.h"
#include "core/shell/requests.h"
#include "core/shell/run_state.h"
#include "core/shell/status_line.h"
#include "core/text.h"
#include "core/version.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <fmt/format.h>
#include <limits>
#include <stdexcept>
#include <string_view>

namespace {

std::atomic<AirportLookup> airportLookup{nullptr};

// The white space that std::stoi and std::stof skip in front of a number.
std::string_view lf_skipLeadingSpace(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
  return text.substr(i);
}

// Reads a number the way std::stoi does (leading white space and a sign, then digits up
// to the first other character), without its locale and without undefined behaviour:
// no digit throws std::invalid_argument, a number outside int32 std::out_of_range.
std::int32_t lf_parseInt(std::string_view text) {
  auto rest = lf_skipLeadingSpace(text);
  bool negative = false;
  if (!rest.empty() && (rest.front() == '+' || rest.front() == '-')) {
    negative = rest.front() == '-';
    rest.remove_prefix(1);
  }
  std::int64_t value = 0;
  std::size_t digits = 0;
  for (; digits < rest.size() && rest[digits] >= '0' && rest[digits] <= '9'; ++digits) {
    value = value * 10 + (rest[digits] - '0');
    if (value > std::int64_t{1} << 32) throw std::out_of_range("stoi");
  }
  if (digits == 0) throw std::invalid_argument("stoi");
  if (negative) value = -value;
  if (value < std::numeric_limits<std::int32_t>::min() || value > std::numeric_limits<std::int32_t>::max())
    throw std::out_of_range("stoi");
  return static_cast<std::int32_t>(value);
}

// Reads a decimal number the way std::stof does. "nan", "inf" and the like are no
// number a setting can take: they count as no number at all.
float lf_parseFloat(std::string_view text) {
  auto rest = lf_skipLeadingSpace(text);
  bool negative = false;
  if (!rest.empty() && (rest.front() == '+' || rest.front() == '-')) {
    negative = rest.front() == '-';
    rest.remove_prefix(1);
  }
  // from_chars reads a minus of its own: a second sign would slip through as a number.
  if (!rest.empty() && (rest.front() == '+' || rest.front() == '-')) throw std::invalid_argument("stof");
  float value = 0.0f;
  const auto [end, error] = std::from_chars(rest.data(), rest.data() + rest.size(), value);
  if (end == rest.data() || error == std::errc::invalid_argument) throw std::invalid_argument("stof");
  if (error == std::errc::result_out_of_range) throw std::out_of_range("stof");
  if (!std::isfinite(value)) throw std::invalid_argument("stof");
  return negative ? -value : value;
}

void lf_saveInt(IntParameter& parameter) {
  // The percentage lives in the airport files' header, not in parameters.xml.
  if (&parameter != &parking_percentage) gf_saveIntParameter(parameter);
}

bool lf_processTbInt(IntEditParameter& parameter, const std::string& text) {
  bool changed = false;
  try {
    if (text.empty()) {
      parameter.set(&parameter == &parking_percentage ? 0 : parameter.clamp(parameter.defaultValue));
      lf_saveInt(parameter);
      changed = true;
    } else {
      const auto n = lf_parseInt(text);
      if (n == parameter.get()) {
        gf_showMessage(fmt::format("Same {} value {}, no changes made", parameter.name, n), true);
      } else {
        parameter.set(parameter.clamp(n));
        lf_saveInt(parameter);
        changed = true;
      }
    }
    if (changed) gf_showMessage(fmt::format("The new {} is {}", parameter.name, parameter.get()), false);
  } catch (const std::invalid_argument&) {
    gf_showMessage(fmt::format("invalid input: {}", text), true);
  } catch (const std::exception& e) {
    gf_logWarning(fmt::format("{}: {}, h={} ", "lf_processTbInt", e.what(), text));
  }
  gf_refreshIntControl(parameter);
  return changed;
}

// MAX_FIT_FL shows MAX_FIT (half-hours) in hours; only MAX_FIT is stored.
bool lf_processTbFloat(FloatEditParameter& parameter, const std::string& text) {
  bool changed = false;
  try {
    if (text.empty()) {
      parameter.set(std::clamp(parameter.defaultValue, parameter.min, parameter.max));
      MAX_FIT.set(MAX_FIT.clamp(MAX_FIT.defaultValue));
      gf_saveIntParameter(MAX_FIT);
      changed = true;
    } else {
      const auto f = lf_parseFloat(text);
      if (f == parameter.get()) {
        gf_showMessage(fmt::format("Same {} value {}, no changes made", parameter.name, f), true);
      } else {
        const auto hours = std::clamp(f, parameter.min, parameter.max);
        MAX_FIT.set(MAX_FIT.clamp(static_cast<std::int32_t>(std::lround(2.0f * hours)) - 1));
        gf_saveIntParameter(MAX_FIT);
        parameter.set(std::clamp(static_cast<float>(MAX_FIT.get()) * 0.5f + 0.5f, parameter.min, parameter.max));
        changed = true;
      }
    }
    if (changed) gf_showMessage(fmt::format("The new {} is {:.1f}", parameter.name, parameter.get()), false);
  } catch (const std::invalid_argument&) {
    gf_showMessage(fmt::format("invalid input: {}", text), true);
  } catch (const std::exception& e) {
    gf_log(fmt::format("{}: {}, h={}", "lf_processTbFloat", e.what(), text));
  }
  gf_refreshFloatControl(parameter);
  return changed;
}

// The simulator's install folder: a new one that exists restarts the run.
void lf_applyInstallPath(const std::string& text) {
  gf_clearError();
  gf_clearMessage();
  if (text.empty()) {
    if (!SIM_INSTALL_PATH.get().empty()) gf_setStringParameter(SIM_INSTALL_PATH, "");
    return;
  }
  std::error_code error;
  const auto status = std::filesystem::status(gf_pathFromText(text), error);
  if (status.type() == std::filesystem::file_type::not_found) {
    gf_showMessage(fmt::format("This install path does not exist: {}", text), true);
    return;
  }
  if (error) {
    gf_showMessage(fmt::format("This install path cannot be checked: {} ({})", text, error.message()), true);
    return;
  }
  // The simulator is a folder; a file there would only fail later, far from the cause.
  if (status.type() != std::filesystem::file_type::directory) {
    gf_showMessage(fmt::format("This install path is not a folder: {}", text), true);
    return;
  }
  gf_setStringParameter(SIM_INSTALL_PATH, text);
  gf_showMessage(fmt::format("Install path exists, {} will restart", programName), true);
  gf_requestStop(ExitReason::NewSettings, 3);
}

void lf_blockCallsign(const std::string& text) {
  gf_clearMessage();
  if (text.empty()) {
    if (!BLOCK_CALLSIGN.get().empty()) gf_unblockCallsign();
    return;
  }
  if (text.size() < 4 || text.size() > 8) {
    gf_showMessage(fmt::format("callsign '{}' is not valid", text), true);
    gf_refreshStringControl(BLOCK_CALLSIGN);
    return;
  }
  const auto callsign = gf_toUpper(text);
  if (callsign == BLOCK_CALLSIGN.get()) {
    gf_showMessage(fmt::format("callsign '{}' was already set ...", callsign), true);
    gf_refreshStringControl(BLOCK_CALLSIGN);
    return;
  }
  BLOCK_CALLSIGN.set(callsign);
  gf_saveStringParameter(BLOCK_CALLSIGN);
  gf_refreshStringControl(BLOCK_CALLSIGN);
  gf_enableControl(UNBLOCK_BUTTON.controlId, true);
  gf_showMessage(fmt::format("live aircraft with callsign '{}' will be blocked", callsign), true);
  blockRequested.exchange(true);
}

void lf_enterDestination(const std::string& text) {
  gf_clearMessage();
  if (text.empty()) {
    DESTINATION.set("");
    gf_enableControl(REREAD_BUTTON.controlId, true);
    gf_showMessage("destination set to empty", true);
    return;
  }
  if (text.size() != 4) {
    gf_showMessage(fmt::format("destination '{}' is not valid", text), true);
    gf_refreshStringControl(DESTINATION);
    return;
  }
  const auto code = gf_toUpper(text);
  if (code == DESTINATION.get()) {
    gf_showMessage(fmt::format("destination '{}' was already set ...", code), true);
    gf_refreshStringControl(DESTINATION);
    return;
  }
  const auto lookup = airportLookup.load();
  const auto position = lookup != nullptr ? lookup(code) : std::nullopt;
  if (!position) {
    gf_showMessage(fmt::format("destination '{}' is unknown ...", code), true);
    gf_refreshStringControl(DESTINATION);
    return;
  }
  gf_applyDestination(code, *position);
}

} // namespace

void gf_enterEditText(std::uint16_t controlId, const std::string& text) {
  gf_clearMessage();
  if (controlId == ALL_INSTALL_PATH.controlId) {
    lf_applyInstallPath(text);
  } else if (controlId == BLOCK_CALLSIGN.controlId) {
    lf_blockCallsign(text);
  } else if (controlId == DESTINATION.controlId) {
    lf_enterDestination(text);
  } else if (controlId == parking_percentage.controlId) {
    // As the maximum fit: it acts on the park airport's statics by a re-plan and is kept in
    // the park airport's learned file.
    if (parkAirportLoaded.load() && lf_processTbInt(parking_percentage, text)) gf_parkingSettingChanged();
  } else if (controlId == MAX_FIT_FL.controlId) {
    if (parkAirportLoaded.load() && lf_processTbFloat(MAX_FIT_FL, text)) gf_parkingSettingChanged();
  }
}

void gf_unblockCallsign() {
  const auto callsign = BLOCK_CALLSIGN.get();
  if (callsign.empty()) return;
  BLOCK_CALLSIGN.set("");
  gf_saveStringParameter(BLOCK_CALLSIGN);
  gf_refreshStringControl(BLOCK_CALLSIGN);
  gf_enableControl(UNBLOCK_BUTTON.controlId, false);
  gf_showMessage(fmt::format("no more blocking of live aircraft '{}'", callsign), true);
  blockRequested.exchange(true);
}

void gf_applyDestination(const std::string& code, const GeoPosition& position) {
  DESTINATION.set(code);
  gf_saveStringParameter(DESTINATION);
  gf_refreshStringControl(DESTINATION);
  gf_showMessage(fmt::format("New destination: {}", code), true);
  gf_requestFirstParkAirport({code, position});
  gf_enableControl(REREAD_BUTTON.controlId, false);
}

void gf_parkingSettingChanged() {
  if (!parkAirportLoaded.load()) return;
  learnedParamChanged.exchange(true);
  if (INITIAL_LOAD_ONLY.get()) {
    gf_clearMessage();
    return;
  }
  const std::int32_t r = 15 - runState.seconds.load() % 15;
  gf_showMessage(fmt::format("{} will respond in {} second{} ...", programName, r, gf_plural(r)), false);
  replanRequested.exchange(true);
}

void gf_setAirportLookup(AirportLookup lookup) { airportLookup.store(lookup); }
