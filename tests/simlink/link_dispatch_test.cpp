// The dispatch of every message the simulator sends, as byte messages.
#include "core/errors.h"
#include "link_fixture.h"
#include "simlink/dispatch.h"
#include "simlink/own_objects.h"
#include "simlink/user_state.h"
#include "support/sim_messages.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <functional>
#include <limits>
#include <thread>

namespace {

namespace msg = sim_messages;

class LinkDispatch : public LinkTest {
protected:
  LinkDispatch() { lf_connect(); }

  void lf_connect() {
    simLinkState.simConnectHandle = fake.handle();
    simLinkState.userObjectId = 1;
  }
  void dispatch(const msg::Bytes& bytes) {
    gf_dispatchProc(reinterpret_cast<const SimConnectRecv*>(bytes.data()), static_cast<std::uint32_t>(bytes.size()),
                    nullptr);
  }
  static void pending(std::uint32_t packetId, std::int32_t hexId, std::string callsign, std::string title = ourTitle) {
    gf_addPendingCreate({packetId, hexId, std::move(callsign), LinkClock::now(), std::move(title)});
  }
  // The simulator's answer to the link's question about a new aircraft.
  static msg::Bytes identity(std::uint32_t objectId, double aboveGround, std::string_view atcId,
                             std::string_view title = ourTitle) {
    return msg::objectData(111, objectId, 410, msg::identityBlock(aboveGround, 125.0, 1, atcId, title));
  }
  static constexpr const char* ourTitle = "Boeing 737-800 Paint1";
  bool logged(std::string_view text) {
    for (const auto& line : newLogLines())
      if (line.find(text) != std::string::npos) return true;
    return false;
  }
};

// A message cut after its head and a given number of bytes.
msg::Bytes cut(msg::Bytes bytes, std::size_t size) {
  bytes.resize(size);
  bytes[0] = static_cast<std::uint8_t>(size);
  return bytes;
}

TEST_F(LinkDispatch, EveryMessageIdGoesWhereItBelongs) {
  struct Case {
    const char* name;
    std::function<void()> before;
    msg::Bytes message;
    std::function<void()> check;
  };
  const auto none = [] {};
  auto stopFor = [](ExitReason reason, std::int32_t delay) {
    EXPECT_TRUE(runState.stopRequested.load());
    EXPECT_EQ(gf_exitReason(), reason);
    EXPECT_EQ(gf_restartDelay(), delay);
  };
  auto noResults = [this] { EXPECT_TRUE(results().empty()); };
  const std::vector<Case> cases{
      {"unrecognised id while the user position is unknown", none, msg::exception(3, 12, 1),
       [&] { EXPECT_FALSE(logged("UNRECOGNIZED_ID")); }},
      {"unrecognised id once the user position is known", [] { userPositionKnown = true; }, msg::exception(3, 12, 1),
       [&] { EXPECT_TRUE(logged("===> SIMCONNECT_EXCEPTION_UNRECOGNIZED_ID")); }},
      {"too many objects", none, msg::exception(11, 5, 0),
       [] { EXPECT_EQ(gf_statusLineSnapshot().message, "SimConnect: too many objects (max 1000)"); }},
      {"invalid data size", none, msg::exception(19, 5, 0),
       [&] { EXPECT_TRUE(logged("SIMCONNECT_EXCEPTION_INVALID_DATA_SIZE")); }},
      {"a creation failed", [] { pending(7, 10001, "DAL1"), pending(8, 10002, "DAL2"); }, msg::exception(22, 7, 1),
       [&] {
         const auto failed = results();
         EXPECT_EQ(failed, (std::vector<SimResultData>{{0, 10001, 0, 6, 0.0, 0.0}}));
         ASSERT_EQ(failed.size(), 1u);
         EXPECT_EQ(gf_createFailure(failed[0]), CreateFailure::refusedBySimulator);
         EXPECT_TRUE(gf_titleUncreatable(failed[0]));
         ASSERT_EQ(ownObjects.pendingCreates.size(), 1u);
         EXPECT_EQ(ownObjects.pendingCreates[0].hexId, 10002);
       }},
      {"a failure of a packet no creation was sent in", [] { pending(7, 10001, "DAL1"); }, msg::exception(22, 9, 1),
       [&] {
         noResults();
         EXPECT_EQ(ownObjects.pendingCreates.size(), 1u);
       }},
      {"flight plan failed", none, msg::exception(23, 5, 0),
       [&] { EXPECT_TRUE(logged("===> SimConnect exception: load flight plan failed")); }},
      {"operation invalid for the object type", none, msg::exception(24, 5, 0),
       [&] { EXPECT_TRUE(logged("SIMCONNECT_EXCEPTION_OPERATION_INVALID_FOR_OBJECT_TYPE")); }},
      {"any other exception", none, msg::exception(31, 5, 0),
       [&] { EXPECT_TRUE(logged("===> SIMCONNECT_EXCEPTION #31")); }},
      {"open reply", none, msg::openReply("Lockheed Martin\xC2\xAE Prepar3D\xC2\xAE v5", 5, 4, 9, 28482),
       [] {
         const auto shown = mainWindow.snapshot();
         EXPECT_TRUE(shown.simConnected);
         EXPECT_EQ(shown.simulatorText, "Lockheed Martin Prepar3D v5 (5.4.9.28482)");
         EXPECT_TRUE(simLinkState.openReplied);
       }},
      {"quit", [] { runState.flightRunning = true; }, msg::quit(),
       [] {
         EXPECT_FALSE(runState.flightRunning.load());
         EXPECT_TRUE(simLinkState.quitReceived);
       }},
      {"the flight runs", none, msg::event(201, 1),
       [] {
         EXPECT_TRUE(runState.flightRunning.load());
         EXPECT_TRUE(mainWindow.snapshot().flightRunningShown);
       }},
      {"the flight stops", [] { runState.flightRunning = true; }, msg::event(201, 0),
       [] {
         EXPECT_FALSE(runState.flightRunning.load());
         EXPECT_FALSE(mainWindow.snapshot().flightRunningShown);
       }},
      {"the user position changed", none, msg::event(205, 0),
       [&] {
         EXPECT_TRUE(logged("===> User ac position changed"));
         stopFor(ExitReason::NewFlight, 30);
       }},
      {"a flight was loaded", none, msg::event(206, 0),
       [&] {
         EXPECT_TRUE(logged("SimConnect: flight loaded event"));
         stopFor(ExitReason::NewFlight, 30);
       }},
      {"an event changes nothing while a stop is pending", [] { gf_requestStop(ExitReason::NewSettings, 3); },
       msg::event(205, 0), [&] { stopFor(ExitReason::NewSettings, 3); }},
      {"an event of no interest", none, msg::event(999, 1), [] { EXPECT_FALSE(runState.stopRequested.load()); }},
      {"an aircraft was added: who it is is asked at once, wherever it is", none, msg::objectEvent(202, 1003),
       [this] {
         ASSERT_EQ(ownObjects.addedObjects.size(), 1u);
         EXPECT_EQ(ownObjects.addedObjects[0].objectId, 1003u);
         const auto asked = fake.callsOf("RequestDataOnSimObject");
         ASSERT_EQ(asked.size(), 1u);
         EXPECT_EQ(asked[0].values, (std::vector<std::uint32_t>{111, 410, 1003, 1, 0, 0, 0, 0}));
       }},
      {"an aircraft was added while the link is in its error state", [] { simLinkState.simConnectError = true; },
       msg::objectEvent(202, 1003), [this] { EXPECT_EQ(fake.count("RequestDataOnSimObject"), 0u); }},
      {"an aircraft waiting for its identity was removed", [] { gf_noteAddedObject(1003, LinkClock::now()); },
       msg::objectEvent(203, 1003), [] { EXPECT_TRUE(ownObjects.addedObjects.empty()); }},
      {"another kind of object was added", none, msg::objectEvent(202, 1003, 1),
       [] { EXPECT_TRUE(ownObjects.addedObjects.empty()); }},
      {"the user aircraft was added", none, msg::objectEvent(202, 1),
       [] { EXPECT_TRUE(ownObjects.addedObjects.empty()); }},
      {"an object that is not ours was removed", none, msg::objectEvent(203, 1500),
       [this] {
         EXPECT_EQ(results(), (std::vector<SimResultData>{{1500, 0, 0, 2, 0.0, 0.0}}));
       }},
      {"a new flight file", none, msg::fileEvent(206, "C:\\flights\\KLAX.fxml"),
       [&] {
         EXPECT_TRUE(logged("===> SimConnect: New file event"));
         stopFor(ExitReason::NewFlight, 30);
       }},
      {"a frame sends the queues",
       [] {
         gf_markOwnObject(1003), gf_queueClientEvent({1003, SimEventId::GEAR_SET, 1});
       },
       msg::frame(60.0f),
       [this] {
         EXPECT_EQ(fake.count("TransmitClientEvent"), 1u);
         EXPECT_EQ(simLinkState.frameCounter, 1);
       }},
      {"static CG of one object", none, msg::objectData(102, 1003, 405, msg::Block().f64(6.25).f64(-0.035)),
       [this] {
         EXPECT_EQ(results(), (std::vector<SimResultData>{{1003, 0, 0, 4, 6.25, -0.035}}));
       }},
      {"data of a request of no interest", none, msg::objectData(77, 1003, 405, msg::Block().f64(1.0)), noResults},
      {"ground data of a known aircraft", none,
       msg::objectDataByType(101, 1500, 404, msg::inRangeBlock(0.4, 125.0, 1, "N172SP")),
       [this] {
         EXPECT_EQ(results(), (std::vector<SimResultData>{{1500, 1, 0, 3, 125.0, 0.4}}));
       }},
      {"ground data of the user aircraft", none,
       msg::objectDataByType(101, 1, 404, msg::inRangeBlock(0.0, 125.0, 1, "N172SP")), noResults},
      {"an aircraft high above the ground", none,
       msg::objectDataByType(101, 1500, 404, msg::inRangeBlock(2500.5, 125.0, 0, "N172SP")), noResults},
      {"an aircraft without ATC id", none, msg::objectDataByType(101, 1500, 404, msg::inRangeBlock(10.0, 125.0, 1, "")),
       noResults},
      {"an aircraft whose ATC id ends in '*'", none,
       msg::objectDataByType(101, 1500, 404, msg::inRangeBlock(10.0, 125.0, 1, "ASA12*")), noResults},
      {"ground data with a height that is not a number", none,
       msg::objectDataByType(101, 1500, 404, msg::inRangeBlock(std::nan(""), 125.0, 1, "N172SP")),
       [&] {
         noResults();
         EXPECT_TRUE(logged("! SimConnect data of request 101 for object 1500 with its heights out of range, dropped"));
       }},
      {"ground data with a ground far below the earth", none,
       msg::objectDataByType(101, 1500, 404, msg::inRangeBlock(0.4, -1.0e300, 1, "N172SP")), noResults},
      {"static CG that is not a number", none,
       msg::objectData(102, 1003, 405, msg::Block().f64(std::nan("")).f64(0.01)), noResults},
      {"a static pitch beyond a turn", none, msg::objectData(102, 1003, 405, msg::Block().f64(6.25).f64(1.0e9)),
       noResults},
      {"the identity of our aircraft with a height that is not a number",
       [] { pending(7, 10001, "DAL123"), gf_noteAddedObject(1003, LinkClock::now()); },
       identity(1003, std::numeric_limits<double>::infinity(), "DAL123"),
       [this] {
         // Ours all the same: the height is taken as 0.
         EXPECT_EQ(results(), (std::vector<SimResultData>{{1003, 10001, 0, 0, 0.0, 0.0}}));
       }},
      {"range data of another request", none,
       msg::objectDataByType(55, 1500, 404, msg::inRangeBlock(0.4, 125.0, 1, "N172SP")), noResults},
      {"our new live aircraft", [] { pending(7, 10001, "DAL123"), gf_noteAddedObject(1003, LinkClock::now()); },
       identity(1003, 4.5, "DAL123"),
       [this] {
         EXPECT_EQ(results(), (std::vector<SimResultData>{{1003, 10001, 0, 0, 0.0, 4.5}}));
         EXPECT_EQ(fake.callsOf("AIReleaseControl").at(0).values, (std::vector<std::uint32_t>{1003, 103}));
         // Frozen with the next frame.
         EXPECT_EQ(fake.count("TransmitClientEvent"), 0u);
         dispatch(msg::frame(60.0f));
         const auto frozen = fake.callsOf("TransmitClientEvent");
         ASSERT_EQ(frozen.size(), 3u);
         EXPECT_EQ(frozen[0].values, (std::vector<std::uint32_t>{1003, 215, 1, 301, 0}));
         EXPECT_EQ(frozen[1].values, (std::vector<std::uint32_t>{1003, 216, 1, 301, 0}));
         EXPECT_EQ(frozen[2].values, (std::vector<std::uint32_t>{1003, 217, 1, 301, 0}));
         EXPECT_TRUE(ownObjects.pendingCreates.empty());
         EXPECT_TRUE(ownObjects.addedObjects.empty());
         EXPECT_TRUE(gf_isOwnObject(1003));
       }},
      {"our new static aircraft, its title in other letter case",
       [] { pending(7, 42, "KLM1"), gf_noteAddedObject(1003, LinkClock::now()); },
       identity(1003, 4.5, "KLM1", "BOEING 737-800 paint1"),
       [this] {
         EXPECT_EQ(results(), (std::vector<SimResultData>{{1003, 42, 0, 1, 0.0, 0.0}}));
       }},
      {"a new aircraft that is not ours",
       [] { pending(7, 10001, "DAL123"), gf_noteAddedObject(1003, LinkClock::now()); }, identity(1003, 4.5, "UAL9"),
       [&] {
         noResults();
         EXPECT_TRUE(logged("just spawned, but not by Hivemoor, oid: 1003, callsign 'UAL9', altaboveGnd:4 ft, "
                            "onground:1, gnd_alt:125 ft"));
         EXPECT_EQ(ownObjects.pendingCreates.size(), 1u);
         EXPECT_TRUE(ownObjects.addedObjects.empty());
         EXPECT_FALSE(gf_isOwnObject(1003));
       }},
      {"another program's aircraft with the callsign of a creation of ours",
       [] { pending(7, 10001, "DAL123"), gf_noteAddedObject(1003, LinkClock::now()); },
       identity(1003, 4.5, "DAL123", "Stand-in traffic"),
       [&] {
         noResults();
         const auto lines = newLogLines();
         const auto saw = [&lines](std::string_view text) {
           return std::any_of(lines.begin(), lines.end(), [&](const auto& l) { return l.find(text) != l.npos; });
         };
         EXPECT_TRUE(saw("===> oid 1003 has the callsign 'DAL123' of a creation of ours, but the title 'Stand-in "
                         "traffic', not 'Boeing 737-800 Paint1'"));
         EXPECT_TRUE(saw("just spawned, but not by Hivemoor, oid: 1003, callsign 'DAL123'"));
         EXPECT_EQ(ownObjects.pendingCreates.size(), 1u);
         EXPECT_FALSE(gf_isOwnObject(1003));
         EXPECT_EQ(fake.count("AIReleaseControl"), 0u);
       }},
      {"range data of a new aircraft never tell whether it is ours",
       [] { pending(7, 10001, "DAL123"), gf_noteAddedObject(1003, LinkClock::now()); },
       msg::objectDataByType(101, 1003, 404, msg::inRangeBlock(4.5, 125.0, 1, "DAL123")),
       [&] {
         noResults();
         EXPECT_EQ(ownObjects.pendingCreates.size(), 1u);
         EXPECT_EQ(ownObjects.addedObjects.size(), 1u);
         EXPECT_FALSE(gf_isOwnObject(1003));
       }},
      {"an identity that comes after the aircraft was identified", [] { pending(7, 10001, "DAL123"); },
       identity(1003, 4.5, "DAL123"),
       [&] {
         noResults();
         EXPECT_EQ(ownObjects.pendingCreates.size(), 1u);
       }},
      {"ids 12 and 16 are known and ignored", none, msg::raw(12, {}), [&] { EXPECT_TRUE(newLogLines().empty()); }},
      {"id 16", none, msg::raw(16, msg::Bytes(8, 0)), [&] { EXPECT_TRUE(newLogLines().empty()); }},
      {"an unknown id", none, msg::raw(77, {}), [&] { EXPECT_TRUE(logged("! Unknown Dispatch dwID 77")); }},
      {"an event cut short", none, cut(msg::event(201, 1), 16),
       [&] {
         EXPECT_FALSE(runState.flightRunning.load());
         EXPECT_TRUE(logged("too short"));
       }},
      {"an identity cut inside its block", [] { gf_noteAddedObject(1003, LinkClock::now()); },
       cut(identity(1003, 4.5, "DAL123"), 60),
       [&] {
         noResults();
         EXPECT_TRUE(logged("! SimConnect data of request 111 holds 20 bytes where 56 are needed"));
         EXPECT_EQ(ownObjects.addedObjects.size(), 1u);
       }},
      {"range data cut inside its block", none,
       cut(msg::objectDataByType(101, 1500, 404, msg::inRangeBlock(4.5, 125.0, 1, "DAL123")), 60),
       [&] {
         noResults();
         EXPECT_TRUE(logged("! SimConnect data of request 101 holds 20 bytes where 56 are needed"));
       }},
      {"an ATC id that fills its field without a terminator", none,
       [] {
         auto bytes = msg::objectDataByType(101, 1500, 404, msg::inRangeBlock(1.0, 125.0, 1, ""));
         std::fill(bytes.end() - 32, bytes.end() - 1, static_cast<std::uint8_t>('X'));
         bytes.back() = '*';
         return bytes;
       }(),
       // Read to the field's end: the id ends in '*' and is of no use.
       noResults},
      {"a title without its terminator at the message's end", none,
       [] {
         auto bytes = msg::objectData(106, 1, 407, msg::Block().variableText("Boeing 737-800 Paint1"));
         bytes.resize(bytes.size() - 3);
         bytes[0] = static_cast<std::uint8_t>(bytes.size());
         return bytes;
       }(),
       [] { EXPECT_EQ(mainWindow.snapshot().userAircraftTitle, "Boeing 737-800 Paint1"); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    lf_fresh();
    lf_connect();
    fake.clearCalls();
    newLogLines();
    c.before();
    dispatch(c.message);
    c.check();
  }
}

TEST_F(LinkDispatch, WhatEndsTheLinkIsThrown) {
  try {
    dispatch(msg::exception(5, 3, 4));
    FAIL() << "a version mismatch must end the link";
  } catch (const hvm::UserErrorException& e) {
    EXPECT_STREQ(e.what(), "95: SimConnect Version Mismatch, dwIndex: 4");
  }
  // A name that fills its field without a terminator is read to the field's end only.
  auto unterminated = msg::openReply("", 5, 4, 9, 28482);
  std::fill(unterminated.begin() + 12, unterminated.begin() + 268, static_cast<std::uint8_t>('N'));
  try {
    dispatch(unterminated);
    FAIL() << "a simulator of no known version must be refused";
  } catch (const hvm::UserErrorException& e) {
    EXPECT_EQ(std::string(e.what()),
              "78: wrong P3D version '" + std::string(256, 'N') + " (5.4.9.28482)' connects ... ?)");
  }
}

TEST_F(LinkDispatch, TheFrameRateIsSampledEveryThirtiethFrame) {
  for (int i = 1; i <= 29; ++i) dispatch(msg::frame(float(i)));
  EXPECT_EQ(simLinkState.frameRate.load(), 0.0f);
  dispatch(msg::frame(30.0f));
  EXPECT_EQ(simLinkState.frameRate.load(), 30.0f);
  for (int i = 31; i <= 59; ++i) dispatch(msg::frame(float(i)));
  EXPECT_EQ(simLinkState.frameRate.load(), 30.0f);
  dispatch(msg::frame(60.0f));
  EXPECT_EQ(simLinkState.frameRate.load(), 60.0f);
  // A rate out of range is not taken: live traffic decides by it whether to wait.
  for (const float bad : {std::nanf(""), -1.0f, std::numeric_limits<float>::infinity(), 1.0e9f}) {
    for (int i = 1; i <= 30; ++i) dispatch(msg::frame(bad));
    EXPECT_EQ(simLinkState.frameRate.load(), 60.0f) << bad;
  }
  EXPECT_TRUE(log.contains("! SimConnect frame rate nan out of range, not taken"));
}

TEST_F(LinkDispatch, TwoCreationsWithOneCallsignAreMatchedInTheirOrder) {
  pending(7, 10001, "DAL123");
  pending(8, 10002, "DAL123");
  dispatch(msg::objectEvent(202, 1003));
  dispatch(msg::objectEvent(202, 1004));
  dispatch(identity(1004, 0.5, "DAL123"));
  ASSERT_EQ(ownObjects.pendingCreates.size(), 1u);
  EXPECT_EQ(ownObjects.pendingCreates[0].hexId, 10002);
  dispatch(identity(1003, 0.5, "DAL123"));
  EXPECT_EQ(results(), (std::vector<SimResultData>{{1004, 10001, 0, 0, 0.0, 0.5}, {1003, 10002, 0, 0, 0.0, 0.5}}));
  EXPECT_TRUE(ownObjects.pendingCreates.empty());
}

TEST_F(LinkDispatch, IdentifyingAnAircraftNeverWaitsForLiveTrafficsLock) {
  pending(7, 10001, "DAL123");
  pending(8, 10002, "DAL124");
  dispatch(msg::objectEvent(202, 1003));
  dispatch(msg::objectEvent(202, 1004));
  std::atomic<bool> identified{false};
  std::thread simClient;
  {
    // Live traffic holds the command mutex through the identification and a Frame.
    std::lock_guard tick(simCommands.commandMutex);
    simClient = std::thread([&] {
      dispatch(identity(1003, 0.5, "DAL123"));
      dispatch(msg::frame(60.0f));
      identified = true;
    });
    EXPECT_TRUE(FakeSimConnect::waitFor([&] { return identified.load(); }, std::chrono::milliseconds(2000)));
  }
  simClient.join();
  EXPECT_EQ(results(), (std::vector<SimResultData>{{1003, 10001, 0, 0, 0.0, 0.5}}));
  EXPECT_EQ(fake.count("AIReleaseControl"), 1u);
  EXPECT_EQ(fake.count("TransmitClientEvent"), 0u) << "a skipped frame sends nothing";
  // Live traffic's event for the object goes after the freeze.
  gf_queueClientEvent({1003, SimEventId::NAV_LIGHTS_SET, 1});
  dispatch(msg::frame(60.0f));
  auto sent = fake.callsOf("TransmitClientEvent");
  ASSERT_EQ(sent.size(), 4u);
  EXPECT_EQ(sent[0].values[1], 215u);
  EXPECT_EQ(sent[2].values[1], 217u);
  EXPECT_EQ(sent[3].values[1], 208u);

  // With the error flag set, the link's own commands are dropped with the queues.
  dispatch(identity(1004, 0.5, "DAL124"));
  simLinkState.simConnectError = true;
  dispatch(msg::frame(60.0f));
  simLinkState.simConnectError = false;
  dispatch(msg::frame(60.0f));
  EXPECT_EQ(fake.count("TransmitClientEvent"), 4u);
}

TEST_F(LinkDispatch, AForeignAircraftIsLoggedOnceThenKnown) {
  dispatch(msg::objectEvent(202, 1003));
  dispatch(msg::objectDataByType(101, 1003, 404, msg::inRangeBlock(0.5, 125.0, 1, "UAL9")));
  dispatch(identity(1003, 0.5, "UAL9", "Stand-in traffic"));
  dispatch(msg::objectDataByType(101, 1003, 404, msg::inRangeBlock(0.5, 125.0, 1, "UAL9")));
  dispatch(identity(1003, 0.5, "UAL9", "Stand-in traffic"));
  EXPECT_EQ(results(), (std::vector<SimResultData>{{1003, 1, 0, 3, 125.0, 0.5}}));
  std::size_t spawned = 0;
  for (const auto& line : log.lines()) spawned += line.find("just spawned, but not by Hivemoor") != std::string::npos;
  EXPECT_EQ(spawned, 1u);
}

TEST_F(LinkDispatch, WhatIsNeverIdentifiedIsGivenUpAndALateArrivalRemoved) {
  using std::chrono::seconds;
  const auto start = LinkClock::now();
  gf_addPendingCreate({7, 10001, "DAL123", start, ourTitle});
  gf_noteAddedObject(1500, start);
  EXPECT_TRUE(gf_ageOwnObjects(start + seconds(20), true).empty());
  // A minute in the simulator's menu does not count.
  EXPECT_TRUE(gf_ageOwnObjects(start + seconds(80), false).empty());
  EXPECT_TRUE(gf_ageOwnObjects(start + seconds(89), true).empty());
  EXPECT_EQ(ownObjects.pendingCreates.size(), 1u);
  // Given up, but nothing says its title cannot be created.
  const auto givenUp = gf_ageOwnObjects(start + seconds(90), true);
  EXPECT_EQ(givenUp, (std::vector<SimResultData>{{0, 10001, 0, 6, 3.0, 0.0}}));
  ASSERT_EQ(givenUp.size(), 1u);
  EXPECT_EQ(gf_createFailure(givenUp[0]), CreateFailure::notIdentified);
  EXPECT_FALSE(gf_titleUncreatable(givenUp[0]));
  EXPECT_TRUE(ownObjects.pendingCreates.empty());
  EXPECT_TRUE(ownObjects.addedObjects.empty());
  EXPECT_TRUE(log.contains("The simulator has not created hexid 10001 (DAL123) within 30 s, given up"));

  // However late it comes, a given-up creation is remembered.
  EXPECT_TRUE(gf_ageOwnObjects(start + std::chrono::minutes(20), true).empty());
  // Another program flies the same callsign: its aircraft is none of ours and stays.
  dispatch(msg::objectEvent(202, 1004));
  dispatch(identity(1004, 0.5, "DAL123", "Stand-in traffic"));
  dispatch(msg::frame(30.0f));
  EXPECT_EQ(fake.count("AIRemoveObject"), 0u);
  EXPECT_FALSE(gf_isOwnObject(1004));
  // Our aircraft turns up after all, with our title: nobody would move or remove it, so it goes.
  dispatch(msg::objectEvent(202, 1003));
  dispatch(identity(1003, 0.5, "DAL123"));
  EXPECT_TRUE(results().empty());
  dispatch(msg::frame(30.0f));
  const auto removed = fake.callsOf("AIRemoveObject");
  ASSERT_EQ(removed.size(), 1u);
  EXPECT_EQ(removed[0].values, (std::vector<std::uint32_t>{1003, 105}));
  EXPECT_TRUE(log.contains("===> Late creation of 'DAL123', oid: 1003, removed again"));
}

} // namespace
