#pragma once
// What a run calls of the subsystems beside the shell: one entry per call, named as those
// subsystems name them. The program fills the entries with the real calls (run_wiring.h);
// the tests fill them with recording fakes. An empty entry is skipped: the run goes on as
// if the call had done nothing, and logs nothing for it.
//
// The run's clock is reached the same way, so that its waits and its 10 ms deadline can be
// followed without waiting for them.
#include "core/geodesy.h"
#include "core/time.h"
#include "records/aircraft.h"
#include "simlink/command_queues.h"
#include "simlink/user_state.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <list>
#include <optional>
#include <stop_token>
#include <string>
#include <type_traits>
#include <vector>

struct CoreCalls {
  std::function<void()> gf_checkDataVersions;
  std::function<bool()> gf_readDbase;
  std::function<bool(int version)> gf_isP3DInstalled;
  std::function<std::filesystem::path(int version)> gf_readP3DSetupPath;
};

struct SimLinkCalls {
  std::function<void(std::int32_t version)> gf_initSimClient;
  // The simulator link's thread; it ends soon after its stop is requested.
  std::function<void(std::stop_token)> SimClient;
  std::function<bool()> simConnectError;
  std::function<void()> gf_handleSimConnectError;
  // The user aircraft's on-ground state once a second; a refusal is the link's to handle.
  std::function<void()> gf_requestUserOnGroundEverySecond;
  std::function<UserAcData()> gf_requestUserAcPosition;
  std::function<bool()> userPositionKnown;
  std::function<void()> gf_requestUserAcTitleAndModel;
  std::function<bool()> userOnGround;
  // Empty until the user aircraft's model is known.
  std::function<std::optional<double>()> gf_userHalfSpanNm;
  // The simulator's UTC time in seconds since 1970, 0 while unknown.
  std::function<std::int64_t()> simUtcSeconds;
  // Both position buffers emptied under the command mutex.
  std::function<void()> clearPositionBuffers;
  std::function<void(const ClientEventData& event)> gf_queueClientEvent;
  // Asks the simulator for the aircraft within the traffic range: their data identifies the
  // objects of creations sent.
  std::function<void()> gf_requestAircraftInRange;
  // Removals queued and not yet sent at a simulator frame.
  std::function<bool()> removalsPending;
  // The link's state back to its start, for the coming run's simulator version.
  std::function<void(std::int32_t version)> gf_resetSimLink;
};

struct FeedCalls {
  std::function<void(const std::string& port)> gf_startRealTrafficServer;
  std::function<void()> gf_waitForRealTraffic;
  std::function<void(std::int64_t seconds)> gf_sendSimTime;
  std::function<void(const UserAcData& user)> gf_sendUserPosition;
  // The two readers' thread procedures; each returns once its stop flag is set.
  std::function<void(std::int32_t port)> QnhReader;
  std::function<void(std::int32_t port)> TrafficReader;
  // "exit" to RealTraffic while it is connected, then both sockets closed.
  std::function<void()> gf_closeRealTrafficLink;
};

struct LiveryCalls {
  std::function<void()> gf_scanLiveries;
  std::function<void()> gf_reserveLiveryLists;
  std::function<void()> gf_clearLiveryTables;
  std::function<void()> gf_logLiveryMatchingSummary;
  std::function<void()> gf_logNoLiveryMatches;
};

struct AirportCalls {
  std::function<bool(const std::filesystem::path& fileName)> gf_readAirports;
  std::function<void()> gf_scanAddOnAirports;
  // Where the airports file places an airport (exact code); none when it is not listed.
  std::function<std::optional<GeoPosition>(const std::string& code)> findAirport;
};

struct TrafficCalls {
  std::function<void()> gf_reserveTraffic;
  std::function<void()> lf_handleAddingStack;
  std::function<void()> gf_processSimResults;
  std::function<void(bool showMessage)> gf_updateParkAirport;
  std::function<void()> gf_resetTraffic;
  std::function<void()> gf_clearGroundTraffic;
  // Every live aircraft the simulator shows is removed (those still buffered are not in it).
  std::function<void()> gf_removeLiveAircraft;
  // Hands every queued removal to the simulator link at once (not one per 10 ticks).
  std::function<void()> sendQueuedRemovals;
  // A park airport is set (its code is not empty), and it has stands.
  std::function<bool()> parkAirportSet;
  // The park airport as the window shows it, its code with its IATA code ("KLAX (LAX)"),
  // empty when none is set.
  std::function<std::string()> parkAirportCode;
  std::function<bool()> parkAirportHasStands;
  std::function<void()> gf_adjustParking;
  std::function<bool()> reservedStandSet;
  std::function<void()> gf_clearReservedStand;
  std::function<bool(bool moveReserved, std::string& message)> gf_rereadParkAirports;
  std::function<std::int32_t(bool recompute)> gf_countLiveParked;
  std::function<std::int32_t(bool recompute)> gf_countStatics;
  std::function<void()> gf_flushStatics;
  std::function<void(WeekTime now, LiveAircraft& aircraft)> lf_searchForCoupledCsAroundThisTime;
  std::function<void(LiveAircraft& aircraft, bool onGround)> gf_removeStaticTwin;
  std::function<void(LiveAircraft& aircraft)> gf_removeCollidingStatic;
  std::function<void(AircraftData& aircraft)> removeAircraftFromSim;
  std::function<void()> emptyHexidTitleMap;
  std::function<void()> emptyGhostList;
  std::function<void()> gf_createFlightPlanFolder;
  std::function<void()> gf_removeFlightPlanFolder;
  std::function<void()> lf_readMyParkAirports;
  std::function<void()> gf_applyMaxLive;
  // The simulator link hands the user's stand to static parking from now on.
  std::function<void()> gf_installUserStandRecorder;
  std::function<void(const std::string& code, const GeoPosition& position)> gf_makeFirstParkAirport;
  // The first entry of the park airport list; none while it is empty.
  std::function<std::optional<GeoPosition>()> firstParkAirport;
  // Live traffic's copy of the user aircraft.
  std::function<UserAcData()> userAcState;
  std::function<void(const UserAcData& user)> setUserAcState;
  // Live traffic's lists, worked on by the per-second step on the worker thread.
  std::vector<LiveAircraft>* liveList = nullptr;
  std::vector<AircraftData>* staticList = nullptr;
  std::list<std::uint32_t>* twinCheckQueue = nullptr;
};

struct RunServices {
  CoreCalls core;
  SimLinkCalls link;
  FeedCalls feeds;
  LiveryCalls liveries;
  AirportCalls airports;
  TrafficCalls traffic;
};

struct RunClock {
  using Clock = std::chrono::steady_clock;
  std::function<Clock::time_point()> now;
  // Returns once the time has come (at once when it has passed).
  std::function<void(Clock::time_point)> sleepUntil;
  // The platform's timer resolution raised to 1 ms while the main loop runs, and back.
  std::function<void()> beginFineTimer;
  std::function<void()> endFineTimer;
};

// Installed by the program before the first run (and by the tests); read by the worker.
extern RunServices runServices;
extern RunClock runClock;

// The steady clock and real sleeps.
RunClock gf_realRunClock();
// Sleeps on the run's clock.
void gf_sleepFor(std::chrono::milliseconds duration);

// Calls an entry when it is set; an empty entry gives the fallback.
template <typename Entry, typename... Args> void gf_call(const Entry& entry, Args&&... args) {
  if (entry) entry(std::forward<Args>(args)...);
}
template <typename Result, typename... Params, typename... Args>
Result gf_callOr(const std::function<Result(Params...)>& entry, std::type_identity_t<Result> fallback, Args&&... args) {
  return entry ? entry(std::forward<Args>(args)...) : fallback;
}
