// The SimClient thread: waiting for the simulator, the open reply, the session and how it
// ends, against the recording fake of the client library.
#include "core/errors.h"
#include "core/settings/control_port.h"
#include "core/settings/parameters.h"
#include "link_fixture.h"
#include "simlink/dispatch.h"
#include "simlink/sim_client.h"
#include "simlink/user_state.h"
#include "support/sim_messages.h"

namespace {

namespace msg = sim_messages;

class EnabledControls : public ControlPort {
public:
  void setCheck(std::uint16_t, bool) override {}
  void selectRow(std::uint16_t, std::int32_t) override {}
  void fillRows(std::uint16_t, const std::vector<std::string>&, std::int32_t) override {}
  void setText(std::uint16_t, const std::string&) override {}
  void enable(std::uint16_t controlId, bool enabled) override {
    if (enabled) enabledIds.push_back(controlId);
  }
  std::vector<std::uint16_t> enabledIds;
};

class LinkClient : public LinkTest {
protected:
  LinkClient() : savedPath_(ALL_INSTALL_PATH.get()) { gf_setControlPort(&controls); }
  ~LinkClient() override {
    thread_ = {};
    gf_setControlPort(nullptr);
    ALL_INSTALL_PATH.set(savedPath_);
  }
  void start() { thread_ = gf_startSimClient(); }
  // Asks the thread to stop and waits for its end.
  void stopAndJoin() {
    thread_.request_stop();
    thread_.join();
  }
  void join() { thread_.join(); }
  bool ended() {
    return FakeSimConnect::waitFor([&] { return ended_.load(); });
  }
  void watchEnd() {
    ended_ = false;
    thread_ = std::jthread([this](std::stop_token stop) {
      SimClient(stop);
      ended_ = true;
    });
  }
  std::size_t logCount(std::string_view text) {
    std::size_t n = 0;
    for (const auto& line : log.lines()) n += line.find(text) != std::string::npos;
    return n;
  }

  EnabledControls controls;

private:
  std::string savedPath_;
  std::jthread thread_;
  std::atomic<bool> ended_{false};
};

TEST_F(LinkClient, TheOpenReplyAcceptsOnlyTheInstalledVersion) {
  struct Case {
    const char* name;
    const char* installPath;
    std::int32_t major;
    const char* error; // empty: accepted
  };
  const char* v5 = "Lockheed Martin\xC2\xAE Prepar3D\xC2\xAE v5";
  const std::vector<Case> cases{
      {v5, "C:\\Program Files\\Lockheed Martin\\Prepar3D v5", 6, ""},
      {v5, "C:\\Program Files\\Lockheed Martin\\Prepar3D V5", 6, ""},
      {v5, "D:\\P3D", 5, ""},
      {v5, "D:\\P3D", 6, "78: wrong P3D version 'Lockheed Martin Prepar3D v5 (5.4.9.28482)' connects ... ?)"},
      {"Lockheed Martin Prepar3D V5", "C:\\Prepar3D v5", 5,
       "78: wrong P3D version 'Lockheed Martin Prepar3D V5 (5.4.9.28482)' connects ... ?)"},
      {"Lockheed Martin\xC2\xAE Prepar3D\xC2\xAE v6", "E:\\Sims\\P3D V6", 5, ""},
      {"KittyHawk", "C:\\Prepar3D v5", 5, "78: KittyHawk, (MSFS) not being P3D connects ... ?"},
      {"Sun\xE2\x84\xA2Rise", "C:\\Prepar3D v5", 5, "78: SunRise, (MSFS) not being P3D connects ... ?"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name + std::string(" ") + c.installPath);
    lf_fresh();
    controls.enabledIds.clear();
    gf_showMessage("Waiting for Prepar3Dv5 ...", false);
    ALL_INSTALL_PATH.set(c.installPath);
    simLinkState.simMajorVersion = c.major;
    const auto reply = msg::openReply(c.name, 5, 4, 9, 28482);
    std::string error;
    try {
      gf_dispatchProc(reinterpret_cast<const SimConnectRecv*>(reply.data()), static_cast<std::uint32_t>(reply.size()),
                      nullptr);
    } catch (const hvm::UserErrorException& e) {
      error = e.what();
    }
    EXPECT_EQ(error, c.error);
    EXPECT_TRUE(mainWindow.snapshot().simConnected);
    const bool msfs = error.find("MSFS") != std::string::npos;
    const bool refused = !error.empty() && !msfs;
    EXPECT_EQ(gf_statusLineSnapshot().message.empty(), error.empty()) << "accepted: the waiting message goes";
    EXPECT_EQ(controls.enabledIds,
              refused ? std::vector<std::uint16_t>{ALL_INSTALL_PATH.controlId} : std::vector<std::uint16_t>{});
    if (msfs) {
      EXPECT_EQ(mainWindow.snapshot().simulatorText, "");
    }
  }
  lf_fresh();
  const auto empty = msg::openReply("", 5, 4, 9, 28482);
  gf_dispatchProc(reinterpret_cast<const SimConnectRecv*>(empty.data()), static_cast<std::uint32_t>(empty.size()),
                  nullptr);
  EXPECT_FALSE(mainWindow.snapshot().simConnected);
  EXPECT_TRUE(log.contains("! Simulator name empty?"));
}

TEST_F(LinkClient, WithoutASimulatorItWaitsWithOneMessageAndEndsWithoutAClose) {
  fake.setResult("Open", simconnectFail);
  start();
  ASSERT_TRUE(FakeSimConnect::waitFor([&] { return fake.count("Open") >= 3; }));
  stopAndJoin();
  EXPECT_EQ(logCount("Waiting for Prepar3Dv5 ..."), 1u);
  EXPECT_EQ(logCount("SimConnect_Open failed (0x80004005), trying again every 100 ms"), 1u);
  EXPECT_EQ(fake.count("Close"), 0u);
  EXPECT_EQ(fake.callsOf("Open").front().texts, std::vector<std::string>{"Hivemoor"});
  EXPECT_EQ(fake.callsOf("Open").front().values, std::vector<std::uint32_t>{0});
  EXPECT_FALSE(runState.stopRequested.load());
}

TEST_F(LinkClient, AClosedWindowEndsTheWaiting) {
  fake.setResult("Open", simconnectFail);
  watchEnd();
  ASSERT_TRUE(FakeSimConnect::waitFor([&] { return fake.count("Open") >= 1; }));
  gf_stopByUser();
  EXPECT_TRUE(ended());
  EXPECT_EQ(fake.count("Close"), 0u);
}

TEST_F(LinkClient, ASessionRegistersRunsAndClosesOnItsStop) {
  fake.queueMessage(msg::openReply("Lockheed Martin\xC2\xAE Prepar3D\xC2\xAE v5", 5, 4, 9, 28482));
  fake.queueMessage(msg::event(201, 1));
  start();
  ASSERT_TRUE(FakeSimConnect::waitFor([] { return runState.flightRunning.load(); }));
  EXPECT_EQ(simLinkState.simConnectHandle.load(), fake.handle());
  EXPECT_EQ(fake.count("SubscribeToSystemEvent"), 6u);
  EXPECT_EQ(fake.count("SetNotificationGroupPriority"), 1u);
  EXPECT_TRUE(mainWindow.snapshot().simConnected);
  stopAndJoin();
  EXPECT_EQ(fake.count("Close"), 1u);
  EXPECT_EQ(simLinkState.simConnectHandle.load(), nullptr);
  EXPECT_FALSE(mainWindow.snapshot().simConnected);
  EXPECT_TRUE(log.contains("SimConnect closed ok"));
  EXPECT_FALSE(runState.stopRequested.load()) << "the run stopped the link, not the other way round";
}

TEST_F(LinkClient, ALostSimulatorOrItsQuitEndsTheRun) {
  for (const bool quit : {false, true}) {
    SCOPED_TRACE(quit ? "quit" : "lost");
    lf_fresh();
    fake.clearCalls();
    fake.setDispatchResult(simconnectOk);
    fake.queueMessage(msg::openReply("Lockheed Martin Prepar3D v5", 5, 4, 9, 28482));
    fake.queueMessage(msg::event(201, 1));
    watchEnd();
    ASSERT_TRUE(FakeSimConnect::waitFor([] { return runState.flightRunning.load(); }));
    if (quit)
      fake.queueMessage(msg::quit());
    else
      fake.setDispatchResult(static_cast<SimConnectResult>(0xC000013E));
    ASSERT_TRUE(ended());
    join();
    EXPECT_FALSE(runState.flightRunning.load());
    EXPECT_TRUE(runState.stopRequested.load());
    EXPECT_EQ(gf_exitReason(), ExitReason::SimWasClosed);
    EXPECT_EQ(gf_restartDelay(), 0);
    EXPECT_TRUE(log.contains("Flight Simulator no longer connected, Hivemoor will stop ..."));
    EXPECT_EQ(fake.count("Close"), 1u);
    EXPECT_EQ(fake.count("Open"), 1u);
    EXPECT_EQ(simLinkState.simConnectHandle.load(), nullptr);
    EXPECT_FALSE(mainWindow.snapshot().simConnected);
    fake.setOnDispatch(nullptr);
  }
}

TEST_F(LinkClient, AConnectionLostBeforeTheSimulatorAnsweredIsOpenedAgain) {
  fake.setDispatchResult(static_cast<SimConnectResult>(0xC000014B));
  // The second connection answers and stays.
  fake.setOnDispatch([this] {
    if (fake.count("Open") >= 2) {
      fake.setOnDispatch(nullptr);
      fake.setDispatchResult(simconnectOk);
      fake.queueMessage(msg::openReply("Lockheed Martin Prepar3D v5", 5, 4, 9, 28482));
    }
  });
  start();
  ASSERT_TRUE(FakeSimConnect::waitFor([] { return mainWindow.snapshot().simConnected; }));
  stopAndJoin();
  EXPECT_EQ(fake.count("Open"), 2u);
  EXPECT_EQ(fake.count("Close"), 2u);
  EXPECT_EQ(fake.count("SetNotificationGroupPriority"), 2u);
  EXPECT_FALSE(runState.stopRequested.load());
}

TEST_F(LinkClient, ErrorsThatWouldComeBackEndTheRunAndNoCallerMeetsAClosedHandle) {
  struct Case {
    msg::Bytes message;
    const char* error;
    bool stopsTheRun;
  };
  const std::vector<Case> cases{
      {msg::exception(5, 3, 2), "95: SimConnect Version Mismatch, dwIndex: 2", true},
      {msg::objectData(107, 1, 408, msg::Block().fixedText("", 32)),
       "71: atc_model= in [General] section of your aircraft.cfg is empty or missing", true},
      {msg::openReply("KittyHawk", 1, 0, 0, 0), "78: KittyHawk, (MSFS) not being P3D connects ... ?", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.error);
    lf_fresh();
    fake.clearCalls();
    // Until the close, callers holding the command mutex see either the open handle or none.
    fake.setResultRule([](const SimCall& call) -> std::optional<SimConnectResult> {
      if (call.op == "Close" && simLinkState.simConnectHandle.load() != nullptr) return simconnectFail;
      return std::nullopt;
    });
    fake.queueMessage(msg::event(201, 1));
    fake.queueMessage(c.message);
    watchEnd();
    ASSERT_TRUE(ended());
    join();
    EXPECT_EQ(gf_statusLineSnapshot().error, c.error);
    EXPECT_EQ(runState.stopRequested.load(), c.stopsTheRun);
    if (c.stopsTheRun) {
      EXPECT_EQ(gf_exitReason(), ExitReason::SystemError) << "a restart would meet the same error";
      EXPECT_FALSE(runState.flightRunning.load());
    }
    ASSERT_EQ(fake.count("Close"), 1u);
    EXPECT_EQ(fake.callsOf("Close").front().result, simconnectOk);
    EXPECT_EQ(simLinkState.simConnectHandle.load(), nullptr);
    // A caller after the close fails like any failed call.
    EXPECT_FALSE(gf_requestUserAcPosition().latitude != 0.0);
    EXPECT_TRUE(simLinkState.simConnectError.load());
    fake.setResultRule(nullptr);
  }
}

} // namespace
