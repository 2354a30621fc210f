#include "core/shell/main_window.h"

MainWindow mainWindow;

MainWindow::MainWindow() { guiReady_.exchange(true); }

DisplayState MainWindow::snapshot() const {
  std::lock_guard lock(mutex_);
  return state_;
}

void MainWindow::resetForRestart() {
  {
    std::lock_guard lock(mutex_);
    DisplayState fresh;
    fresh.simaddonAirportCount = state_.simaddonAirportCount;
    fresh.thirdPartyAirportCount = state_.thirdPartyAirportCount;
    fresh.liveryCount = state_.liveryCount;
    fresh.wantedPercent = state_.wantedPercent;
    fresh.minutesToRenewal = state_.minutesToRenewal;
    fresh.airportScanOk = state_.airportScanOk;
    fresh.reservedStandValid = state_.reservedStandValid;
    fresh.offlineLearningCount = state_.offlineLearningCount;
    fresh.parkAirportCode = state_.parkAirportCode;
    fresh.reservedStandName = state_.reservedStandName;
    fresh.rtTrafficWeek = state_.rtTrafficWeek;
    state_ = std::move(fresh);
  }
  gf_requestRepaint(clientRect);
}
