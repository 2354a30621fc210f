#pragma once
// The state of the main window's controls (enabled, ticked, text, rows, selected row),
// kept apart from the real controls so that any thread may change it. This is the window's
// control port: a change is stored here and then handed to the applier, which the Win32
// window installs; it applies the change to the real control at once on the GUI thread and
// posts it to itself from any other thread, so no thread waits for the GUI thread.
#include "core/settings/control_port.h"

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

enum class ControlAspect : std::int32_t { check = 1, rows = 2, selection = 3, text = 4, enabled = 5 };

struct ControlState {
  bool enabled = false;
  bool checked = false;
  std::string text;
  std::vector<std::string> rows;
  std::int32_t selectedRow = -1;
};

// Called outside the model's lock.
using ControlApplier = void (*)(std::uint16_t controlId, ControlAspect aspect);

class WindowControls : public ControlPort {
public:
  // The state right after the controls are created: check boxes show their setting,
  // combo lists are empty, edit boxes and buttons are disabled. Until the first call
  // there are no controls.
  void resetToCreation();

  void setCheck(std::uint16_t controlId, bool checked) override;
  void selectRow(std::uint16_t controlId, std::int32_t row) override;
  void fillRows(std::uint16_t controlId, const std::vector<std::string>& rows, std::int32_t selectedRow) override;
  void setText(std::uint16_t controlId, const std::string& text) override;
  void enable(std::uint16_t controlId, bool enabled) override;

  std::optional<ControlState> state(std::uint16_t controlId) const;
  bool isEnabled(std::uint16_t controlId) const;
  bool isChecked(std::uint16_t controlId) const;

  void setApplier(ControlApplier applier) { applier_.store(applier); }

private:
  template <typename Change> bool change(std::uint16_t controlId, ControlAspect aspect, Change&& apply);

  mutable std::mutex mutex_;
  std::map<std::uint16_t, ControlState> states_;
  std::atomic<ControlApplier> applier_{nullptr};
};

extern WindowControls windowControls;
