#pragma once
// Fixture of the run's tests: a clock that jumps instead of waiting (with hooks that fire
// when its time comes), every subsystem call the run makes recorded by a fake, live
// traffic's lists as plain vectors, and the window's fixture (settings, log, controls).
#include "app/closing_down.h"
#include "app/run.h"
#include "app/run_services.h"
#include "app/worker.h"
#include "core/shell/reader_stop.h"
#include "core/shell/simulator_install.h"
#include "feeds/qnh_reader.h"
#include "feeds/reader_lamps.h"
#include "feeds/traffic_reader.h"
#include "window_fixture.h"

#include <algorithm>
#include <fmt/format.h>
#include <functional>
#include <map>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace run_testing {

using namespace std::chrono_literals;
using TimePoint = RunClock::Clock::time_point;

// The run's clock in a test: sleeping moves the time on at once. A hook runs when the time
// reaches it (on the thread that sleeps). A run that waits for more than two simulated days
// is stuck: the clock throws.
class FakeClock {
public:
  TimePoint now() const {
    std::lock_guard lock(mutex_);
    return now_;
  }
  std::chrono::milliseconds elapsed() const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(now() - start_);
  }
  void advance(std::chrono::nanoseconds duration) {
    std::lock_guard lock(mutex_);
    now_ += duration;
  }
  void sleepUntil(TimePoint until) {
    std::vector<std::function<void()>> due;
    {
      std::lock_guard lock(mutex_);
      sleeps_.push_back(std::chrono::duration_cast<std::chrono::nanoseconds>(until - now_));
      if (until > now_) now_ = until;
      if (now_ - start_ > std::chrono::hours(48)) throw std::runtime_error("the run waits for ever");
      for (auto it = hooks_.begin(); it != hooks_.end() && it->first <= now_;) {
        due.push_back(std::move(it->second));
        it = hooks_.erase(it);
      }
    }
    for (auto& hook : due) hook();
  }
  // Runs the hook once the clock has reached start + offset.
  void at(std::chrono::nanoseconds offset, std::function<void()> hook) {
    std::lock_guard lock(mutex_);
    hooks_.emplace(start_ + offset, std::move(hook));
  }
  // How long each sleep asked to wait (negative: its time had passed).
  std::vector<std::chrono::nanoseconds> sleeps() const {
    std::lock_guard lock(mutex_);
    return sleeps_;
  }
  void clearSleeps() {
    std::lock_guard lock(mutex_);
    sleeps_.clear();
  }
  RunClock clock() {
    RunClock c;
    c.now = [this] { return now(); };
    c.sleepUntil = [this](TimePoint until) { sleepUntil(until); };
    c.beginFineTimer = [this] { ++fineTimerBegins; };
    c.endFineTimer = [this] { ++fineTimerEnds; };
    return c;
  }
  std::atomic<int> fineTimerBegins{0};
  std::atomic<int> fineTimerEnds{0};

private:
  mutable std::mutex mutex_;
  const TimePoint start_ = TimePoint{} + std::chrono::hours(1);
  TimePoint now_ = start_;
  std::multimap<TimePoint, std::function<void()>> hooks_;
  std::vector<std::chrono::nanoseconds> sleeps_;
};

// The calls the fakes saw, in order, one text each.
class Recorder {
public:
  void add(std::string call) {
    std::lock_guard lock(mutex_);
    calls_.push_back(std::move(call));
  }
  std::vector<std::string> calls() const {
    std::lock_guard lock(mutex_);
    return calls_;
  }
  bool saw(const std::string& call) const {
    const auto all = calls();
    return std::find(all.begin(), all.end(), call) != all.end();
  }
  std::size_t count(const std::string& call) const {
    const auto all = calls();
    return static_cast<std::size_t>(std::count(all.begin(), all.end(), call));
  }
  // The calls without the ones named, in order.
  std::vector<std::string> without(const std::vector<std::string>& names) const {
    std::vector<std::string> result;
    for (const auto& call : calls())
      if (std::find(names.begin(), names.end(), call) == names.end()) result.push_back(call);
    return result;
  }
  // Position of the first such call, or -1.
  int indexOf(const std::string& call) const {
    const auto all = calls();
    const auto found = std::find(all.begin(), all.end(), call);
    return found == all.end() ? -1 : static_cast<int>(found - all.begin());
  }
  void clear() {
    std::lock_guard lock(mutex_);
    calls_.clear();
  }

private:
  mutable std::mutex mutex_;
  std::vector<std::string> calls_;
};

// The pilot at a KLAX gate.
inline UserAcData klaxGate() {
  UserAcData user;
  user.latitude = 33.9416;
  user.longitude = -118.4085;
  user.heading = 1.5708;
  user.altitude = 125.0;
  return user;
}

inline constexpr GeoPosition klax{33.9425, -118.4081};

// What the fakes answer; the tests change it.
struct FakeWorld {
  UserAcData user = klaxGate();
  bool userOnGround = true;
  std::optional<double> userHalfSpanNm = 0.02;
  bool parkAirportSet = false;
  bool parkAirportHasStands = true;
  bool reservedStandSet = false;
  bool simConnectError = false;
  std::int64_t simUtcSeconds = 1'700'000'000;
  int removalLooks = 0;
  // The link is gone: the queued removals never leave.
  bool removalsStuck = false;
  std::vector<LiveAircraft> liveList;
  std::vector<AircraftData> staticList;
  std::list<std::uint32_t> twinCheckQueue;
  std::optional<GeoPosition> firstParkAirport;
  std::int32_t liveParked = 0;
  std::int32_t statics = 0;
  std::string parkAirportCode;
};

// Every entry of the run's services filled with a recording fake.
inline RunServices recordingServices(Recorder& r, FakeWorld& w) {
  const auto rec = [&r](std::string name) { return [&r, name] { r.add(name); }; };
  RunServices s;
  s.core.gf_checkDataVersions = rec("gf_checkDataVersions");
  s.core.gf_readDbase = [&r] {
    r.add("gf_readDbase");
    return true;
  };
  s.core.gf_isP3DInstalled = [](int) { return false; };
  s.core.gf_readP3DSetupPath = [](int) { return std::filesystem::path{}; };

  auto& l = s.link;
  l.gf_initSimClient = [&r](std::int32_t v) { r.add(fmt::format("gf_initSimClient {}", v)); };
  // Polls its stop token as the link's thread does between its dispatch calls.
  l.SimClient = [&r](std::stop_token stop) {
    r.add("SimClient");
    while (!stop.stop_requested()) std::this_thread::sleep_for(1ms);
    r.add("SimClient ended");
  };
  l.simConnectError = [&w] { return w.simConnectError; };
  l.gf_handleSimConnectError = rec("gf_handleSimConnectError");
  l.gf_requestUserOnGroundEverySecond = rec("gf_requestUserOnGroundEverySecond");
  l.gf_requestUserAcPosition = [&w] { return w.user; };
  l.userPositionKnown = [] { return true; };
  l.gf_requestUserAcTitleAndModel = rec("gf_requestUserAcTitleAndModel");
  l.userOnGround = [&w] { return w.userOnGround; };
  l.gf_userHalfSpanNm = [&w] { return w.userHalfSpanNm; };
  l.simUtcSeconds = [&w] { return w.simUtcSeconds; };
  l.clearPositionBuffers = rec("clearPositionBuffers");
  l.gf_requestAircraftInRange = rec("gf_requestAircraftInRange");
  l.gf_queueClientEvent = [&r](const ClientEventData& e) {
    r.add(fmt::format("gf_queueClientEvent {} {} {}", e.objectId, static_cast<std::int32_t>(e.eventId), e.data));
  };
  // Each look at the queue is a frame: the removals leave at the first, unless the link is gone.
  l.removalsPending = [&r, &w] {
    r.add("removalsPending");
    return w.removalsStuck || w.removalLooks++ == 0;
  };
  l.gf_resetSimLink = [&r](std::int32_t v) { r.add(fmt::format("gf_resetSimLink {}", v)); };

  auto& f = s.feeds;
  f.gf_startRealTrafficServer = [&r](const std::string& port) { r.add("gf_startRealTrafficServer " + port); };
  f.gf_waitForRealTraffic = rec("gf_waitForRealTraffic");
  f.gf_sendSimTime = [&r](std::int64_t seconds) { r.add(fmt::format("gf_sendSimTime {}", seconds)); };
  f.gf_sendUserPosition = [&r](const UserAcData& user) {
    r.add(fmt::format("gf_sendUserPosition {:.4f} {:.4f}", user.latitude, user.longitude));
  };
  f.QnhReader = [&r](std::int32_t port) { r.add(fmt::format("QNH Reader {}", port)); };
  f.TrafficReader = [&r](std::int32_t port) { r.add(fmt::format("Traffic Reader {}", port)); };
  f.gf_closeRealTrafficLink = rec("gf_closeRealTrafficLink");

  s.liveries.gf_scanLiveries = rec("gf_scanLiveries");
  s.liveries.gf_reserveLiveryLists = rec("gf_reserveLiveryLists");
  s.liveries.gf_clearLiveryTables = rec("gf_clearLiveryTables");
  s.liveries.gf_logLiveryMatchingSummary = rec("gf_logLiveryMatchingSummary");
  s.liveries.gf_logNoLiveryMatches = rec("gf_logNoLiveryMatches");

  s.airports.gf_readAirports = [&r](const std::filesystem::path& file) {
    r.add("gf_readAirports " + file.string());
    return true;
  };
  s.airports.gf_scanAddOnAirports = rec("gf_scanAddOnAirports");
  s.airports.findAirport = [](const std::string& code) -> std::optional<GeoPosition> {
    if (code == "KLAX") return klax;
    return std::nullopt;
  };

  auto& t = s.traffic;
  t.gf_reserveTraffic = rec("gf_reserveTraffic");
  t.lf_handleAddingStack = rec("lf_handleAddingStack");
  t.gf_processSimResults = rec("gf_processSimResults");
  t.gf_updateParkAirport = [&r](bool show) { r.add(fmt::format("gf_updateParkAirport {}", show)); };
  t.gf_resetTraffic = rec("gf_resetTraffic");
  t.gf_clearGroundTraffic = rec("gf_clearGroundTraffic");
  t.gf_removeLiveAircraft = rec("gf_removeLiveAircraft");
  t.gf_installUserStandRecorder = rec("gf_installUserStandRecorder");
  t.sendQueuedRemovals = rec("sendQueuedRemovals");
  t.parkAirportSet = [&w] { return w.parkAirportSet; };
  t.parkAirportCode = [&w] { return w.parkAirportCode; };
  t.parkAirportHasStands = [&w] { return w.parkAirportHasStands; };
  t.gf_adjustParking = rec("gf_adjustParking");
  t.reservedStandSet = [&w] { return w.reservedStandSet; };
  t.gf_clearReservedStand = rec("gf_clearReservedStand");
  t.gf_rereadParkAirports = [&r](bool moveReserved, std::string& message) {
    r.add(fmt::format("gf_rereadParkAirports {}", moveReserved));
    message = "park airports read again";
    return true;
  };
  t.gf_countLiveParked = [&w](bool) { return w.liveParked; };
  t.gf_countStatics = [&w](bool) { return w.statics; };
  t.gf_flushStatics = rec("gf_flushStatics");
  t.lf_searchForCoupledCsAroundThisTime = [&r](WeekTime, LiveAircraft& a) {
    r.add("lf_searchForCoupledCsAroundThisTime " + a.aircraft.aircraftInfo.callsign);
  };
  t.gf_removeStaticTwin = [&r](LiveAircraft& a, bool onGround) {
    r.add(fmt::format("gf_removeStaticTwin {} {}", a.aircraft.aircraftInfo.callsign, onGround));
  };
  t.gf_removeCollidingStatic = [&r](LiveAircraft& a) {
    r.add("gf_removeCollidingStatic " + a.aircraft.aircraftInfo.callsign);
  };
  t.removeAircraftFromSim = [&r](AircraftData& a) {
    r.add("removeAircraftFromSim " + a.aircraftInfo.callsign);
    a.state = LiveState::RemovingFromSim;
  };
  t.emptyHexidTitleMap = rec("emptyHexidTitleMap");
  t.emptyGhostList = rec("emptyGhostList");
  t.gf_createFlightPlanFolder = rec("gf_createFlightPlanFolder");
  t.gf_removeFlightPlanFolder = rec("gf_removeFlightPlanFolder");
  t.lf_readMyParkAirports = rec("lf_readMyParkAirports");
  t.gf_applyMaxLive = rec("gf_applyMaxLive");
  t.gf_makeFirstParkAirport = [&r](const std::string& code, const GeoPosition&) {
    r.add("gf_makeFirstParkAirport " + code);
  };
  t.firstParkAirport = [&w] { return w.firstParkAirport; };
  t.liveList = &w.liveList;
  t.staticList = &w.staticList;
  t.twinCheckQueue = &w.twinCheckQueue;
  return s;
}

// An aircraft of live traffic, active, at a place.
inline LiveAircraft liveAircraft(const std::string& callsign, GeoPosition at, bool onGround,
                                 FlightPhase phase = FlightPhase::Taxi) {
  LiveAircraft a;
  a.aircraft.aircraftInfo.callsign = callsign;
  a.aircraft.aircraftInfo.hexid = 20000;
  a.aircraft.aircraftInfo.halfSpanNm = 0.02;
  a.aircraft.state = LiveState::Active;
  a.aircraft.objectId = 100;
  a.lat = at.latitude;
  a.lon = at.longitude;
  a.onGround = onGround;
  a.phase = phase;
  return a;
}

inline AircraftData staticAircraft(const std::string& callsign, GeoPosition stand) {
  AircraftData a;
  a.aircraftInfo.callsign = callsign;
  a.aircraftInfo.hexid = 10;
  a.aircraftInfo.halfSpanNm = 0.02;
  a.state = LiveState::Active;
  a.objectId = 50;
  a.standLat = stand.latitude;
  a.standLon = stand.longitude;
  return a;
}

class RunTest : public window_testing::WindowTest {
protected:
  void SetUp() override {
    WindowTest::SetUp();
    runServices = recordingServices(recorder, world);
    runClock = clock.clock();
    runFlow = RunFlow{};
    restarting = false;
    referenceDataRead = false;
    realTrafficLink.detected = false;
    realTrafficLink.professional = false;
    realTrafficLink.linkUp = false;
    trafficReader.lineTimestamp = 0.0;
    gf_resetFeedState();
    gf_takeReaderError();
    gf_readersStarted();
    stockSceneryFolder.clear();
    gf_setAutoRangeSource(gf_autoRangeSituation);
  }
  void TearDown() override {
    gf_stopSimClient();
    gf_stopReaders();
    gf_resetFeedState();
    feedDisplay.trafficLamp = lampStopped;
    feedDisplay.weatherLamp = lampStopped;
    feedDisplay.qnhShown = 0;
    realTrafficLink.linkUp = false;
    realTrafficLink.professional = false;
    runServices = {};
    runClock = gf_realRunClock();
    gf_setAutoRangeSource(nullptr);
    restarting = false;
    WindowTest::TearDown();
  }
  // A program folder with docs/ as the working folder.
  void programFolder(bool withDocs = true) {
    program.emplace("hvm-program");
    cwd.emplace(program->path());
    if (withDocs) std::filesystem::create_directory(program->path() / "docs");
  }

  FakeClock clock;
  Recorder recorder;
  FakeWorld world;
  std::optional<testing_support::TempDir> program;
  std::optional<testing_support::ScopedCurrentPath> cwd;
};

} // namespace run_testing
