#pragma once
// Fixture of the window tests: the settings at their defaults in a folder of their own, the
// log captured, the control model installed as the control port, and the window's
// repaints and actions recorded.
#include "core/shell/main_window.h"
#include "core/shell/repaint.h"
#include "core/shell/requests.h"
#include "core/shell/run_state.h"
#include "core/shell/status_line.h"
#include "app/window_actions.h"
#include "app/window_controls.h"
#include "core/settings/parameters.h"
#include "core/settings/settings_file.h"
#include "core/settings_fixture.h"
#include "feeds/realtraffic_link.h"
#include "support/test_support.h"

#include <gtest/gtest.h>
#include <mutex>
#include <vector>

namespace window_testing {

inline std::mutex recordMutex;
inline std::vector<PaintRect> repaints;
inline std::vector<WindowAction> actions;

inline void recordRepaint(const PaintRect& area, bool) {
  std::lock_guard lock(recordMutex);
  repaints.push_back(area);
}

inline void recordAction(WindowAction action) {
  std::lock_guard lock(recordMutex);
  actions.push_back(action);
}

inline std::vector<WindowAction> recordedActions() {
  std::lock_guard lock(recordMutex);
  return actions;
}

inline bool repainted(const PaintRect& area) {
  std::lock_guard lock(recordMutex);
  for (const auto& r : repaints)
    if (r == area) return true;
  return false;
}

inline void resetRequests() {
  for (auto* flag : {&flushStaticRequested, &blockRequested, &rereadRequested, &replanRequested, &navLightsRequested,
                     &maxLiveRequested, &autoRangeRequested, &liveryTablesClearRequested, &parkAirportLoaded,
                     &learnedParamChanged, &parkBusy})
    flag->store(false);
  realTrafficLink.scanNow.store(true);
  savedManualRange.store(40);
  userMaxLive.store(500);
  gf_takeFirstParkAirportRequest();
}

class WindowTest : public ::testing::Test {
protected:
  void SetUp() override {
    gf_loadParameters(); // a new file: every setting at its default
    parking_percentage.set(parking_percentage.defaultValue);
    MAX_FIT_FL.set(MAX_FIT_FL.defaultValue);
    ALL_INSTALL_PATH.set("");
    windowControls.resetToCreation();
    gf_setControlPort(&windowControls);
    gf_resetStatusLine();
    gf_resetRunFlags();
    resetRequests();
    mainWindow.resetForRestart();
    mainWindow.update(clientRect, [](DisplayState& d) { d = DisplayState{}; });
    {
      std::lock_guard lock(recordMutex);
      repaints.clear();
      actions.clear();
    }
    gf_setRepaintHandler(recordRepaint);
    gf_setWindowActionHandler(recordAction);
  }
  void TearDown() override {
    gf_setWindowActionHandler(nullptr);
    gf_setRepaintHandler(nullptr);
    gf_setControlPort(nullptr);
    gf_resetStatusLine();
    gf_resetRunFlags();
    resetRequests();
  }

  std::string message() const { return gf_statusLineSnapshot().message; }
  std::optional<std::string> stored(const std::string& name) const {
    return settings_testing::entryValue(settings.file(), name);
  }

  settings_testing::SettingsFolder settings;
  testing_support::LogCapture log;
};

} // namespace window_testing
