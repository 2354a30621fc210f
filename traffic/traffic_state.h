#pragma once
// The state of live traffic: its tick counter, its aircraft lists and the queues between
// its steps. The worker thread owns all of it; only the tick counter is read by the
// Traffic Reader too. The run reserves the containers once per process and empties them
// before a restart.
#include "simlink/command_queues.h"
#include "simlink/result_queue.h"
#include "simlink/user_state.h"
#include "records/aircraft.h"

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <list>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

using LiveList = std::vector<LiveAircraft>;
using StaticList = std::vector<AircraftData>;
// Hexids whose creation request is still to be built, worked from the back.
using PendingHexidList = std::vector<std::uint32_t>;
using CreateBacklog = std::deque<CreateAcData>;
using RemoveBacklog = std::deque<std::int32_t>;
// Created objects in their wait before they become active; `counter` counts ticks, -1 done.
using PostCreateList = std::vector<SimResultData>;
using GhostList = std::vector<std::string>;
using TwinCheckQueue = std::list<std::uint32_t>;
// Copies, not views: the livery tables may be rebuilt while these are kept.
using HexidTitleMap = std::unordered_map<std::uint32_t, std::string>;
using UncreatableTitles = std::unordered_set<std::string>;
using UncreatableModels = std::unordered_set<std::string>;

struct StandUse {
  std::int32_t hexid = 0;
  std::int32_t halfHour = 0;
};
using StandUseList = std::vector<StandUse>;

struct TrafficState {
  // Ticks since the process started; never reset. Reports fall due by it.
  std::atomic<std::int32_t> tickCounter{0};
  // The user aircraft as live traffic last asked for it, every 100 ticks.
  UserAcData userAcState;
  // Some aircraft flares: the aircraft in range are asked for every 20 ticks, not 100.
  bool fastRangeRequests = false;
  // Some static aircraft is marked to be erased without a simulator call.
  bool staticEraseDue = false;

  LiveList liveList;
  StaticList staticList;
  PendingHexidList pendingHexids;
  CreateBacklog liveCreateBacklog;
  CreateBacklog staticCreateBacklog;
  RemoveBacklog removeBacklog;
  PostCreateList postCreateList;
  GhostList ghostList;
  TwinCheckQueue twinCheckQueue;
  HexidTitleMap hexidTitleMap;
  StandUseList standUseList;
  // Kept for the whole process: the simulator refused these titles and models.
  UncreatableTitles uncreatableTitles;
  UncreatableModels uncreatableModels;
};

extern TrafficState traffic;

inline std::int32_t gf_tickCounter() { return traffic.tickCounter.load(std::memory_order_relaxed); }

// Reserves the containers once per process and installs what the feeds and liveries call
// of live traffic. Called at the start of every run.
void gf_reserveTraffic();
// Everything of a run back to its start before a restart; the tick counter, the refused
// titles and models, the twin check queue and the parked-live list stay.
void gf_resetTraffic();

// The clock of parked times, in 100 ns units; tests install their own.
using TrafficClock = std::function<std::int64_t()>;
void gf_setTrafficClock(TrafficClock clock);
std::int64_t gf_trafficNow();

// The first live aircraft with this hexid, or null.
LiveAircraft* gf_findLiveByHexid(std::uint32_t hexid);
AircraftData* gf_findStaticByHexid(std::uint32_t hexid);
