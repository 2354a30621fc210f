// One session of the link against the stand-in simulator, from the open to the simulator
// going away: the real client library, the SimClient thread and the stand-in's record.
#include "core/settings/parameters.h"
#include "core/settings/settings_version.h"
#include "core/shell/main_window.h"
#include "core/shell/run_state.h"
#include "core/shell/status_line.h"
#include "registration_table.h"
#include "simlink/command_queues.h"
#include "simlink/direct_calls.h"
#include "simlink/link_state.h"
#include "simlink/result_queue.h"
#include "simlink/sim_client.h"
#include "simlink/user_state.h"
#include "standin_fixtures_win.h"
#include "standin_launcher.h"
#include "support/test_support.h"

#include <atomic>
#include <cmath>
#include <gtest/gtest.h>
#include <map>
#include <set>
#include <sstream>
#include <thread>

using namespace standin_test;

namespace {

// Polls until the condition holds; false when the time ran out.
bool waitFor(const std::function<bool()>& condition, int timeoutMs = 15000) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

// Takes the results as live traffic does at the start of a tick.
std::vector<SimResultData> takeResults() {
  std::lock_guard lock(simResults.resultMutex);
  std::vector<SimResultData> taken;
  taken.swap(simResults.results);
  return taken;
}

// The registration as the stand-in recorded it, in the form of the expected table.
registration_table::Expected asRegistration(const nlohmann::json& packet) {
  const auto& f = packet["fields"];
  const std::string op = packet["op"];
  auto u = [&](const char* key) { return f[key].get<std::uint32_t>(); };
  if (op == "SubscribeToSystemEvent") return {"SubscribeToSystemEvent", {u("eventId")}, {f["systemEventName"]}};
  if (op == "AddToDataDefinition") {
    EXPECT_EQ(f["epsilon"].get<double>(), 0.0);
    return {"AddToDataDefinition", {u("definitionId"), u("datumType"), u("datumId")}, {f["datumName"], f["unitsName"]}};
  }
  if (op == "MapClientEventToSimEvent") return {"MapClientEventToSimEvent", {u("eventId")}, {f["eventName"]}};
  if (op == "AddClientEventToNotificationGroup")
    return {"AddClientEventToNotificationGroup", {u("groupId"), u("eventId"), u("maskable")}, {}};
  if (op == "SetNotificationGroupPriority") return {"SetNotificationGroupPriority", {u("groupId"), u("priority")}, {}};
  return {"unexpected", {}, {}};
}

TEST(LinkSessionWin, FromTheOpenToTheSimulatorGoingAway) {
  testing_support::TempDir dir;
  testing_support::LogCapture log;
  const auto record = dir / "record.jsonl";
  RegistryPorts noPorts;
  StandinProcess standin({"--record", record.string(), "--frame-rate", "60", "--add-delay", "50"});
  gf_resetSimLink(5);
  gf_resetRunFlags();
  gf_resetStatusLine();
  mainWindow.resetForRestart();
  takeResults();
  ALL_INSTALL_PATH.set("C:\\Program Files\\Lockheed Martin\\Prepar3D v5");
  gf_initSimClient(5);
  std::jthread link = gf_startSimClient();

  // The run's wait for the flight.
  ASSERT_TRUE(waitFor([] { return runState.flightRunning.load(); }));
  EXPECT_TRUE(mainWindow.snapshot().simConnected);
  EXPECT_EQ(mainWindow.snapshot().simulatorText, "Lockheed Martin Prepar3D v5 (5.4.9.28482)");
  gf_requestUserOnGroundEverySecond();
  UserAcData user;
  ASSERT_TRUE(waitFor([&] {
    user = gf_requestUserAcPosition();
    return userOnGroundKnown.load() && gf_userPositionKnown(user);
  }));
  gf_requestUserAcTitleAndModel();
  ASSERT_TRUE(waitFor([] { return mainWindow.snapshot().userAircraftTitle == "Stand-in Boeing 737-800"; }));

  // A creation is identified by its callsign in the range data, then released and frozen.
  CreateAcData creation;
  creation.position = {user.latitude + 0.002, user.longitude, 131.0, 0.0, 0.0, 270.0, 1, 0};
  creation.callsign = "DAL123";
  creation.title = "Boeing 737-800 Paint1";
  creation.hexId = 10001;
  gf_queueCreateAc(creation);
  std::int32_t objectId = 0;
  ASSERT_TRUE(waitFor([&] {
    gf_requestAircraftInRange(20000);
    for (const auto& r : takeResults())
      if (r.code == simResultLiveCreated && r.value == 10001) objectId = r.objectId;
    return objectId != 0;
  }));

  // Positions each tick, handed over as live traffic does; the Frame sends the newest.
  std::atomic<int> ticks{0};
  std::jthread liveTraffic([&](std::stop_token stop) {
    while (!stop.stop_requested()) {
      const int tick = ticks++;
      simCommands.fillBuffer->push_back(
          {user.latitude + 0.002 + tick * 1e-5, user.longitude, 0.0, 0.0, 4.7, 131.0, 0.0, 5.0, objectId});
      gf_handOverPositions();
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  });
  EXPECT_EQ(standin.command("sync-data 30").rfind("ok", 0), 0u);
  liveTraffic.request_stop();
  liveTraffic.join();
  const int lastTick = ticks.load() - 1;
  gf_queueRemoveAc(objectId);
  ASSERT_TRUE(waitFor([&] {
    for (const auto& r : takeResults())
      if (r.code == simResultRemoved && r.objectId == objectId) return true;
    return false;
  }));
  const auto violations = nlohmann::json::parse(standin.command("violations"));
  EXPECT_EQ(violations["count"], 0) << violations.dump();
  std::istringstream frames(standin.command("frame-latency 1"));
  std::string ok;
  int framesWithPositions = 0;
  frames >> ok >> framesWithPositions;
  EXPECT_GE(framesWithPositions, 10) << "positions went out frame by frame";

  // The simulator goes away: the run is told.
  EXPECT_EQ(standin.command("drop"), "ok");
  ASSERT_TRUE(waitFor([] { return runState.stopRequested.load(); }));
  link.join();
  EXPECT_EQ(gf_exitReason(), ExitReason::SimWasClosed);
  EXPECT_FALSE(runState.flightRunning.load());
  EXPECT_FALSE(mainWindow.snapshot().simConnected);
  EXPECT_EQ(simLinkState.simConnectHandle.load(), nullptr);
  EXPECT_TRUE(log.contains("Flight Simulator no longer connected, Hivemoor will stop ..."));
  EXPECT_TRUE(standin.stop());

  const auto lines = readRecord(record);
  const auto packets = packetsOf(lines);
  ASSERT_GT(packets.size(), 80u);
  for (const auto& p : packets) EXPECT_TRUE(p["valid"].get<bool>()) << p.dump();
  EXPECT_EQ(packets[0]["op"], "Open");
  EXPECT_EQ(packets[0]["fields"]["applicationName"], "Hivemoor");
  const auto expected = registration_table::expectedRegistration();
  for (std::size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE(packets[i + 1].dump());
    EXPECT_EQ(packets[i + 1]["packetId"], i + 2);
    const auto seen = asRegistration(packets[i + 1]);
    EXPECT_EQ(seen.op, std::string(expected[i].op));
    EXPECT_EQ(seen.values, expected[i].values);
    EXPECT_EQ(seen.texts, expected[i].texts);
  }
  nlohmann::json object;
  for (const auto& line : lines)
    if (line.contains("object") && line["object"]["atcId"] == "DAL123") object = line["object"];
  ASSERT_FALSE(object.is_null());
  EXPECT_EQ(object["id"], objectId);
  EXPECT_EQ(object["title"], "Boeing 737-800 Paint1");
  EXPECT_GE(object["released"].get<int>(), 1);
  EXPECT_EQ(object["frozen"], (nlohmann::json{{"altitude", true}, {"attitude", true}, {"latlon", true}}));
  const auto events = object["events"];
  ASSERT_GE(events.size(), 3u);
  EXPECT_EQ(events[0][0], "FREEZE_LATITUDE_LONGITUDE_SET");
  EXPECT_EQ(events[1][0], "FREEZE_ALTITUDE_SET");
  EXPECT_EQ(events[2][0], "FREEZE_ATTITUDE_SET");
  EXPECT_GE(object["positions"].get<int>(), 30);
  EXPECT_EQ(object["removed"], true);
  // The position record is a sample; the last position is in the table.
  std::size_t positionLines = 0;
  for (const auto& p : packets) positionLines += p["op"] == "SetDataOnSimObject";
  EXPECT_LT(positionLines, object["positions"].get<std::size_t>());
  // The newest position a Frame took; a later tick's never reached a Frame only if it was the last.
  const double lastLatitude = object["lastPosition"][0].get<double>();
  EXPECT_TRUE(std::abs(lastLatitude - (user.latitude + 0.002 + lastTick * 1e-5)) < 1e-9 ||
              std::abs(lastLatitude - (user.latitude + 0.002 + (lastTick - 1) * 1e-5)) < 1e-9)
      << lastLatitude;
}

TEST(LinkSessionWin, ANewAircraftIsOursOnlyWithOurTitleAndWhereverItIs) {
  testing_support::LogCapture log;
  RegistryPorts noPorts;
  StandinProcess standin({"--frame-rate", "60", "--add-delay", "400"});
  gf_resetSimLink(5);
  gf_resetRunFlags();
  gf_resetStatusLine();
  mainWindow.resetForRestart();
  takeResults();
  ALL_INSTALL_PATH.set("C:\\Program Files\\Lockheed Martin\\Prepar3D v5");
  gf_initSimClient(5);
  std::jthread link = gf_startSimClient();
  ASSERT_TRUE(waitFor([] { return runState.flightRunning.load(); }));
  UserAcData user;
  ASSERT_TRUE(waitFor([&] {
    user = gf_requestUserAcPosition();
    return gf_userPositionKnown(user);
  }));
  gf_setRange(10);

  // Ours, on the ground 18,526 m north on the stand-in's earth: just inside 10 nm of the
  // traffic filter, just outside 10 x 1852 m.
  CreateAcData edge;
  edge.position = {
      user.latitude + 18526.0 / 6371000.0 * 180.0 / 3.141592653589793, user.longitude, 131.0, 0.0, 0.0, 0.0, 1, 0};
  edge.callsign = "DAL555";
  edge.title = "Boeing 737-800 Paint1";
  edge.hexId = 10001;
  // Ours too, and another program's aircraft with the same callsign announced before it.
  CreateAcData twin = edge;
  twin.position.latitude = user.latitude + 0.003;
  twin.callsign = "UAL77";
  twin.hexId = 10002;
  gf_queueCreateAc(edge);
  gf_queueCreateAc(twin);
  const auto created = [&](const char* callsign) {
    for (const auto& object : nlohmann::json::parse(standin.command("objects")))
      if (object["atcId"] == callsign && object["createdBy"] != 0) return object["id"].get<std::int32_t>();
    return 0;
  };
  ASSERT_TRUE(waitFor([&] { return created("UAL77") != 0; }));
  const std::string foreign = standin.command("add-aircraft UAL77");
  ASSERT_EQ(foreign.rfind("ok ", 0), 0u) << foreign;
  const std::int32_t foreignId = std::stoi(foreign.substr(3));

  std::map<std::int32_t, std::int32_t> identified; // hexid -> object
  bool edgeGroundData = false;
  ASSERT_TRUE(waitFor([&] {
    gf_requestAircraftInRange(rangeMetres.load());
    for (const auto& r : takeResults()) {
      if (r.code == simResultLiveCreated) identified[r.value] = r.objectId;
      if (r.code == simResultGroundData && identified.contains(10001) && r.objectId == identified[10001])
        edgeGroundData = true;
    }
    return identified.size() == 2 && edgeGroundData;
  })) << identified.size()
      << " identified, ground data at the edge: " << edgeGroundData;
  EXPECT_EQ(identified[10001], created("DAL555"));
  EXPECT_EQ(identified[10002], created("UAL77"));
  EXPECT_NE(identified[10002], foreignId);
  EXPECT_TRUE(log.contains("===> oid " + std::to_string(foreignId) +
                           " has the callsign 'UAL77' of a creation of ours, but the title 'Stand-in traffic'"));

  gf_queueRemoveAc(identified[10001]);
  gf_queueRemoveAc(identified[10002]);
  std::set<std::int32_t> removed;
  ASSERT_TRUE(waitFor([&] {
    for (const auto& r : takeResults())
      if (r.code == simResultRemoved) removed.insert(r.objectId);
    return removed.contains(identified[10001]) && removed.contains(identified[10002]);
  }));
  // The other program's aircraft was never touched: no command went to it.
  const auto violations = nlohmann::json::parse(standin.command("violations"));
  EXPECT_EQ(violations["count"], 0) << violations.dump();
  for (const auto& object : nlohmann::json::parse(standin.command("objects"))) {
    if (object["id"] != foreignId) continue;
    EXPECT_EQ(object["removed"], false);
    EXPECT_EQ(object["released"], 0);
  }
  link.request_stop();
  link.join();
  gf_setRange(RANGE.defaultValue);
  EXPECT_TRUE(standin.stop());
}

} // namespace
