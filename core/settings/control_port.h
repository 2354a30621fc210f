#pragma once
// The way from a setting to the window control that shows it. Settings change on the
// worker thread as well as on the GUI thread, but only the GUI thread may touch a real
// control, so the window implements this port: on the GUI thread it applies a call at
// once, from any other thread it posts the change to itself and returns without waiting.
// Controls are named by their control id (the child-window id of the setting's control).
// An id the window has no control for is the window's to report; the callers go on.
//
// Until a port is installed (and in every test that installs none) the calls do nothing.
#include <cstdint>
#include <string>
#include <vector>

class ControlPort {
public:
  virtual ~ControlPort() = default;
  // Check box: ticked or not.
  virtual void setCheck(std::uint16_t controlId, bool checked) = 0;
  // Drop-down list: select a row of its list; -1 selects none.
  virtual void selectRow(std::uint16_t controlId, std::int32_t row) = 0;
  // Drop-down list: replace its rows by these texts, then select a row (-1: none).
  virtual void fillRows(std::uint16_t controlId, const std::vector<std::string>& rows, std::int32_t selectedRow) = 0;
  // Edit box or any other control: its text, UTF-8.
  virtual void setText(std::uint16_t controlId, const std::string& text) = 0;
  virtual void enable(std::uint16_t controlId, bool enabled) = 0;
};

// The installed port must stay alive for as long as it is installed and any thread may
// still be inside one of its calls (the window installs one that lives until the process
// ends). nullptr removes it. Thread-safe.
void gf_setControlPort(ControlPort* port);

void gf_setControlCheck(std::uint16_t controlId, bool checked);
void gf_selectControlRow(std::uint16_t controlId, std::int32_t row);
void gf_fillControlRows(std::uint16_t controlId, const std::vector<std::string>& rows, std::int32_t selectedRow);
void gf_setControlText(std::uint16_t controlId, const std::string& text);
void gf_enableControl(std::uint16_t controlId, bool enabled);
