#include "core/settings/control_port.h"

#include <atomic>

namespace {
std::atomic<ControlPort*> installedPort{nullptr};
}

void gf_setControlPort(ControlPort* port) { installedPort.store(port); }

void gf_setControlCheck(std::uint16_t controlId, bool checked) {
  if (auto* port = installedPort.load()) port->setCheck(controlId, checked);
}

void gf_selectControlRow(std::uint16_t controlId, std::int32_t row) {
  if (auto* port = installedPort.load()) port->selectRow(controlId, row);
}

void gf_fillControlRows(std::uint16_t controlId, const std::vector<std::string>& rows, std::int32_t selectedRow) {
  if (auto* port = installedPort.load()) port->fillRows(controlId, rows, selectedRow);
}

void gf_setControlText(std::uint16_t controlId, const std::string& text) {
  if (auto* port = installedPort.load()) port->setText(controlId, text);
}

void gf_enableControl(std::uint16_t controlId, bool enabled) {
  if (auto* port = installedPort.load()) port->enable(controlId, enabled);
}
