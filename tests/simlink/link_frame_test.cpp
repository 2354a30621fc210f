// The Frame handler: everything queued since the last frame goes out in one pass.
#include "link_fixture.h"
#include "simlink/frame_sender.h"
#include "simlink/own_objects.h"

#include <thread>

namespace {

class LinkFrame : public LinkTest {
protected:
  LinkFrame() {
    simLinkState.simConnectHandle = fake.handle();
    simLinkState.userObjectId = 1;
    gf_markOwnObject(1001);
  }

  static void frameOnAnotherThread() {
    std::thread([] { gf_sendQueuedCommands(); }).join();
  }

  static void queuePositions(std::initializer_list<std::int32_t> ids) {
    for (const std::int32_t id : ids) {
      simCommands.fillBuffer->push_back({33.9, -118.4, 0.01, 0.02, 1.5, 120.0, -3.0, 140.0, id});
    }
    ASSERT_TRUE(gf_handOverPositions());
  }

  static CreateAcData creation(std::string callsign, std::string_view title, std::int32_t hexId) {
    CreateAcData c;
    c.position = {33.94, -118.41, 126.0, 0.0, 0.0, 270.0, 1, 0};
    c.callsign = std::move(callsign);
    c.title = title;
    c.hexId = hexId;
    return c;
  }
};

TEST_F(LinkFrame, WhileLiveTrafficHoldsTheLockNothingIsSentAndNothingLost) {
  queuePositions({1001});
  gf_queueClientEvent({1001, SimEventId::GEAR_SET, 1});
  gf_queueCreateAc(creation("DAL123", "Delta 737", 10001));
  gf_queueRemoveAc(1001);
  {
    std::lock_guard tick(simCommands.commandMutex);
    frameOnAnotherThread();
  }
  EXPECT_TRUE(fake.calls().empty());
  gf_sendQueuedCommands();
  const auto calls = fake.calls();
  ASSERT_EQ(calls.size(), 4u);
  EXPECT_EQ(calls[0].op, "SetDataOnSimObject");
  EXPECT_EQ(calls[1].op, "TransmitClientEvent");
  EXPECT_EQ(calls[2].op, "AICreateNonATCAircraft");
  EXPECT_EQ(calls[3].op, "AIRemoveObject");
  // The frame's packets leave as one burst.
  for (const auto& call : calls) EXPECT_TRUE(call.inBatch) << call.op;
  EXPECT_EQ(fake.openBatches(), 0);
  std::lock_guard lock(simCommands.commandMutex);
  EXPECT_TRUE(simCommands.sendBuffer->empty());
  EXPECT_TRUE(simCommands.eventQueue.empty());
  EXPECT_TRUE(simCommands.createQueue.empty());
  EXPECT_TRUE(simCommands.removeQueue.empty());
}

TEST_F(LinkFrame, TheErrorFlagDropsEveryQueuedCommand) {
  queuePositions({1001});
  gf_queueLights(1001, {});
  gf_queueCreateAc(creation("DAL123", "Delta 737", 10001));
  gf_queueRemoveAc(1001);
  simLinkState.simConnectError = true;
  gf_sendQueuedCommands();
  EXPECT_TRUE(fake.calls().empty());
  std::lock_guard lock(simCommands.commandMutex);
  EXPECT_TRUE(simCommands.sendBuffer->empty());
  EXPECT_TRUE(simCommands.eventQueue.empty());
  EXPECT_TRUE(simCommands.createQueue.empty());
  EXPECT_TRUE(simCommands.removeQueue.empty());
}

TEST_F(LinkFrame, FlapsMoveBetweenTwoReleasesAndAFailedTransmitOnlyTellsTheUser) {
  gf_queueClientEvent({1001, SimEventId::FLAPS_SET, 3});
  gf_queueClientEvent({1001, SimEventId::GEAR_SET, 0});
  gf_sendQueuedCommands();
  auto calls = fake.calls();
  ASSERT_EQ(calls.size(), 4u);
  EXPECT_EQ(calls[0].op, "AIReleaseControl");
  EXPECT_EQ(calls[0].values, (std::vector<std::uint32_t>{1001, 103}));
  EXPECT_EQ(calls[1].op, "TransmitClientEvent");
  EXPECT_EQ(calls[1].values, (std::vector<std::uint32_t>{1001, 218, 3, 301, 0}));
  EXPECT_EQ(calls[2].op, "AIReleaseControl");
  EXPECT_EQ(calls[3].values, (std::vector<std::uint32_t>{1001, 220, 0, 301, 0}));

  fake.clearCalls();
  fake.setResult("TransmitClientEvent", simconnectFail, 1);
  gf_queueClientEvent({1001, SimEventId::FLAPS_SET, 3});
  gf_sendQueuedCommands();
  calls = fake.calls();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].op, "AIReleaseControl");
  EXPECT_EQ(calls[1].op, "TransmitClientEvent");
  EXPECT_EQ(gf_statusLineSnapshot().message, "SimConnect TransmitClientEvent: 218 fails");
  EXPECT_FALSE(simLinkState.simConnectError.load());
}

TEST_F(LinkFrame, OnlyOurOwnObjectsAreMovedOrRemovedNeverTheUserAircraft) {
  gf_markOwnObject(3);
  // The user aircraft's id grows past ours in a new flight: ours stay ours.
  simLinkState.userObjectId = 3;
  queuePositions({1001, 3, 0, 1500});
  gf_queueClientEvent({3, SimEventId::LANDING_LIGHTS_SET, 1});
  gf_queueRemoveAc(3);
  gf_queueRemoveAc(1500);
  gf_queueRemoveAc(1001);
  gf_sendQueuedCommands();
  const auto calls = fake.calls();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].op, "SetDataOnSimObject");
  EXPECT_EQ(calls[0].values, (std::vector<std::uint32_t>{402, 1001, 0, 0, 64}));
  EXPECT_EQ(calls[0].doubles, (std::vector<double>{33.9, -118.4, 0.01, 0.02, 1.5, 120.0, -3.0, 140.0}));
  EXPECT_EQ(calls[1].op, "AIRemoveObject");
  EXPECT_EQ(calls[1].values, (std::vector<std::uint32_t>{1001, 105}));
  EXPECT_TRUE(log.contains("===> SimConnect call to remove ac with objectid 3"));
  EXPECT_TRUE(log.contains("===> SimConnect call to remove ac with objectid 1500"));
  // A removed object gets nothing more.
  fake.clearCalls();
  queuePositions({1001});
  gf_sendQueuedCommands();
  EXPECT_TRUE(fake.calls().empty());
}

TEST_F(LinkFrame, AFailedRemovalStopsTheFlow) {
  fake.setResult("AIRemoveObject", simconnectFail);
  gf_queueRemoveAc(1001);
  gf_sendQueuedCommands();
  EXPECT_TRUE(log.contains("!SimConnect call to remove AI ac from sim failed, id 1001?"));
  EXPECT_TRUE(simLinkState.simConnectError.load());
  EXPECT_EQ(gf_exitReason(), ExitReason::SimConnectError);
}

TEST_F(LinkFrame, CreationsArePendingWithTheirPacketIdsAndRefusedOnesNeverStopTheRun) {
  // The title is a view into a longer text: only its own bytes go out.
  const std::string tables = "Delta 737-800Alaska";
  const std::string longTitle(256, 't');
  gf_queueCreateAc(creation("DAL123", std::string_view(tables).substr(0, 13), 10001));
  gf_queueCreateAc(creation("CALLSIGN1234", "KLM 737", 10002)); // 12 bytes: the field takes 11
  gf_queueCreateAc(creation("KLM1", longTitle, 17));
  gf_queueCreateAc(creation("N12345", "Cessna 172", 18));
  gf_sendQueuedCommands();
  const auto made = fake.callsOf("AICreateNonATCAircraft");
  ASSERT_EQ(made.size(), 2u);
  EXPECT_EQ(made[0].texts, (std::vector<std::string>{"Delta 737-800", "DAL123"}));
  EXPECT_EQ(made[0].values, (std::vector<std::uint32_t>{1, 0, 104}));
  EXPECT_EQ(made[0].doubles, (std::vector<double>{33.94, -118.41, 126.0, 0.0, 0.0, 270.0}));
  ASSERT_EQ(ownObjects.pendingCreates.size(), 2u);
  EXPECT_EQ(ownObjects.pendingCreates[0].packetId, made[0].packetId);
  EXPECT_EQ(ownObjects.pendingCreates[0].callsign, "DAL123");
  EXPECT_EQ(ownObjects.pendingCreates[1].hexId, 18);
  // Only the title that is too long says the title cannot be created.
  const auto refused = results();
  EXPECT_EQ(refused, (std::vector<SimResultData>{{0, 10002, 0, 6, 2.0, 0.0}, {0, 17, 0, 6, 1.0, 0.0}}));
  ASSERT_EQ(refused.size(), 2u);
  EXPECT_EQ(gf_createFailure(refused[0]), CreateFailure::callsignTooLong);
  EXPECT_FALSE(gf_titleUncreatable(refused[0]));
  EXPECT_EQ(gf_createFailure(refused[1]), CreateFailure::titleTooLong);
  EXPECT_TRUE(gf_titleUncreatable(refused[1]));
  EXPECT_TRUE(log.contains("! Creation refused, hexid:10002, liv: 'KLM 737', callsign: CALLSIGN1234: a callsign takes "
                           "at most 11 bytes"));
  EXPECT_FALSE(simLinkState.simConnectError.load());
  EXPECT_FALSE(runState.stopRequested.load());

  // A creation the simulator cannot be asked for leaves nothing pending and stops the flow.
  fake.setResult("AICreateNonATCAircraft", simconnectFail);
  gf_queueCreateAc(creation("BAW1", "BA 777", 10003));
  gf_sendQueuedCommands();
  EXPECT_EQ(ownObjects.pendingCreates.size(), 2u);
  EXPECT_TRUE(log.contains("! Simcon call to create ac in sim failed, hexid:10003, liv: 'BA 777', callsign: BAW1)"));
  EXPECT_TRUE(simLinkState.simConnectError.load());
}

} // namespace
