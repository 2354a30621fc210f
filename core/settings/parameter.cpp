#include "core/settings/parameter.h"

#include "core/log.h"
#include "core/settings/control_port.h"
#include "core/shell/repaint.h"

#include <fmt/format.h>

void BoolParameter::logValue() const { gf_logWhileRunning(fmt::format("{}={}", name, get() ? "true" : "false")); }

void IntParameter::logValue() const { gf_logWhileRunning(fmt::format("{}={}", name, get())); }

void StringParameter::logValue() const { gf_logWhileRunning(fmt::format("{}=\"{}\"", name, get())); }

std::int32_t ComboBoxParameter::choiceRow(std::int32_t value) const {
  for (std::size_t row = 0; row < choices.size(); ++row)
    if (choices[row] == value) return static_cast<std::int32_t>(row);
  return -1;
}

void gf_fillComboBox(const ComboBoxParameter& parameter) {
  std::vector<std::string> rows;
  rows.reserve(parameter.choices.size());
  for (const auto choice : parameter.choices) rows.push_back(fmt::format("{}", choice));
  gf_fillControlRows(parameter.controlId, rows, parameter.choiceRow(parameter.get()));
}

void gf_refreshTextEditControl(const TextEditParameter& parameter) {
  try {
    gf_setControlText(parameter.controlId, parameter.get());
    gf_requestRepaint(settingsBandRect);
  } catch (const std::exception& e) {
    gf_log(fmt::format("Refreshing {} failed: {}", parameter.name, e.what()));
  } catch (...) {
    gf_log(fmt::format("Refreshing {} failed", parameter.name));
  }
}
