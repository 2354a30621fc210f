#pragma once
// What the main window shows besides its controls and its status line: the texts, counts
// and flags that the worker, the simulator link, live traffic and the scans fill (the feeds
// keep what they show in their own state, feeds/reader_lamps.h and feeds/realtraffic_link.h).
// Any thread may change them; the GUI thread paints from a copy taken under the same lock,
// so a text is never read half-written.
#include "core/shell/repaint.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

struct DisplayState {
  // Status band (top).
  std::string userAircraftTitle; // from the simulator
  std::string simulatorText;     // simulator name and version, "{} ({}.{}.{}.{})"
  std::string userStandText;     // the stand under the user aircraft
  std::uint64_t liveCount = 0;   // active live aircraft that are not parked
  std::uint64_t simaddonAirportCount = 0;
  std::uint64_t thirdPartyAirportCount = 0;
  std::uint64_t liveryCount = 0; // liveries in the livery tables
  bool runStarting = true;       // the RealTraffic lamp stays dark until the feed link phase is over
  bool simConnected = false;
  bool flightRunningShown = false;
  bool userWingspanKnown = true;
  bool airportScanOk = true; // every file of the last add-on airport scan was handled

  // Controls area.
  std::int64_t offlineLearningCount = 0; // files in the TBLO folder, counted by the airport scan
  std::int32_t minutesToRenewal = 0;     // to the next renewal of the static aircraft

  // Park band.
  std::string parkAirportCode; // the park airport as "CODE (IATA)", empty when there is none
  std::string parkAirportNameText;
  std::string parkAirportPublisher;
  std::string parkAirportQuality;
  std::string reservedStandName; // the user's stand kept free, empty when none
  std::int32_t rtTrafficWeek = 0;
  float staticParkedHours = -1.0f; // average parked time, -1 while unknown
  float liveParkedHours = -1.0f;
  std::uint64_t liveParkedCount = 0;
  std::uint64_t staticParkedCount = 0;
  std::uint64_t standCount = 0;
  std::int32_t wantedPercent = 0;
  std::int32_t wantedCount = 0; // 0: no limit
  std::int32_t learnedUpdatesShown = 0;
  bool parkAirportHandmade = false;
  bool parkFileLoaded = false;
  bool softFound = false;
  bool reservedStandValid = false;
};

class MainWindow {
public:
  // y of the first park airport line.
  static constexpr std::int32_t parkLineY = 399;

  MainWindow();
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  // Changes the display under its lock, then asks for a repaint of the area that shows
  // the change. The change must take no other lock.
  template <typename Change> void update(const PaintRect& area, Change&& change) {
    {
      std::lock_guard lock(mutex_);
      change(state_);
    }
    gf_requestRepaint(area);
  }
  DisplayState snapshot() const;
  // The reset before a restart: everything back to its start value except what the scans
  // counted, the renewal minutes, the wanted percentage and the validity of the reserved
  // stand (and the texts that live traffic owns).
  void resetForRestart();
  // Set last by the constructor; the window is created only once it is seen.
  bool guiReady() const { return guiReady_.load(); }

private:
  mutable std::mutex mutex_;
  DisplayState state_;
  std::atomic<bool> guiReady_{false};
};

extern MainWindow mainWindow;
