// What SimConnect_CallDispatch hands on, and how a lost or closed connection shows.
#include "fake_transport.h"
#include "simlink/simconnect/received_messages.h"
#include "simlink/simconnect/simconnect.h"
#include "simlink/simconnect/wire_bytes.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

namespace {

std::vector<std::uint8_t> message(std::uint32_t id, std::uint32_t size, std::uint32_t firstField = 0) {
  std::vector<std::uint8_t> bytes(size, 0);
  if (size >= 4) gf_putU32(bytes.data(), size);
  if (size >= 8) gf_putU32(bytes.data() + 4, 35);
  if (size >= 12) gf_putU32(bytes.data() + 8, id);
  if (size >= 16) gf_putU32(bytes.data() + 12, firstField);
  return bytes;
}

struct Seen {
  std::vector<std::uint32_t> ids;
  std::vector<std::uint32_t> sizes;
  std::function<void()> onEach;
};

void lf_record(const SimConnectRecv* recv, std::uint32_t size, void* context) {
  auto* seen = static_cast<Seen*>(context);
  seen->ids.push_back(recv->id);
  seen->sizes.push_back(size);
  if (seen->onEach) seen->onEach();
}

class DispatchTest : public ::testing::Test {
protected:
  void SetUp() override { client = gf_createSimConnectClient(transport); }
  void TearDown() override {
    if (client != nullptr) SimConnect_Close(client);
  }
  std::shared_ptr<FakeTransport> transport = std::make_shared<FakeTransport>();
  SimConnectClient* client = nullptr;
  Seen seen;
};

TEST_F(DispatchTest, DeliversInOrderAndDropsMessagesShorterThanTheirLayout) {
  testing_support::LogCapture log;
  transport->queue(message(recvOpen, 284));
  transport->queue(message(recvEvent, 8));  // shorter than a head
  transport->queue(message(recvEvent, 16)); // an event without its data field
  transport->queue(message(recvEvent, 24, 301));
  transport->queue(message(recvEventObjectAddRemove, 24));
  transport->queue(message(recvEventFrame, 28));
  transport->queue(message(recvOpen, 283));
  transport->queue(message(recvQuit, 12));
  transport->queue(message(77, 12)); // unknown ids go to the handler, which logs them
  transport->queue(message(recvSimObjectData, 36));
  transport->queue(message(recvSimObjectDataByType, 40 + 96));
  EXPECT_EQ(SimConnect_CallDispatch(client, &lf_record, &seen), simconnectOk);
  EXPECT_EQ(seen.ids,
            (std::vector<std::uint32_t>{recvOpen, recvEvent, recvEventFrame, recvQuit, 77, recvSimObjectDataByType}));
  EXPECT_EQ(seen.sizes, (std::vector<std::uint32_t>{284, 24, 28, 12, 12, 136}));
  EXPECT_TRUE(log.contains("SimConnect message id 4 of 16 bytes is too short for its layout, dropped"));
  EXPECT_TRUE(log.contains("SimConnect message id 2 of 283 bytes is too short for its layout, dropped"));
}

TEST_F(DispatchTest, DeliversOnlyWhatArrivedBeforeTheCall) {
  for (int i = 0; i < 3; ++i) transport->queue(message(recvEvent, 24));
  // A flooding peer: every delivered message brings another.
  seen.onEach = [this] { transport->queue(message(recvEvent, 24)); };
  EXPECT_EQ(SimConnect_CallDispatch(client, &lf_record, &seen), simconnectOk);
  EXPECT_EQ(seen.ids.size(), 3u);
  seen.onEach = nullptr;
  EXPECT_EQ(SimConnect_CallDispatch(client, &lf_record, &seen), simconnectOk);
  EXPECT_EQ(seen.ids.size(), 6u);
}

TEST_F(DispatchTest, ALostConnectionFailsEveryCallWithItsStatus) {
  transport->queue(message(recvQuit, 12));
  const std::int32_t brokenPipe = static_cast<std::int32_t>(0xC000014B);
  transport->lose(brokenPipe);
  // What had arrived is still delivered, then the status is returned, again and again.
  EXPECT_EQ(SimConnect_CallDispatch(client, &lf_record, &seen), brokenPipe);
  EXPECT_EQ(seen.ids, std::vector<std::uint32_t>{recvQuit});
  EXPECT_EQ(SimConnect_CallDispatch(client, &lf_record, &seen), brokenPipe);
  EXPECT_EQ(SimConnect_AIRemoveObject(client, 5, 105), brokenPipe);
  EXPECT_EQ(SimConnect_SubscribeToSystemEvent(client, 201, "Sim"), brokenPipe);
  const std::uint8_t data[16] = {};
  EXPECT_EQ(SimConnect_SetDataOnSimObject(client, 402, 5, 0, 0x10000000, 16, data), brokenPipe);
  EXPECT_TRUE(transport->sent().empty());
  EXPECT_EQ(SimConnect_CallDispatch(client, nullptr, &seen), simconnectFail);
  EXPECT_EQ(SimConnect_CallDispatch(nullptr, &lf_record, &seen), simconnectFail);
}

TEST_F(DispatchTest, APacketTheConnectionCannotTakeIsAFailureNotASuccess) {
  transport->closeOrderly();
  EXPECT_EQ(SimConnect_AIRemoveObject(client, 5, 105), simconnectFail);
  EXPECT_TRUE(transport->sent().empty());
}

TEST_F(DispatchTest, EveryCallOnAClosedHandleFails) {
  SimConnectClient* closed = client;
  ASSERT_EQ(SimConnect_Close(client), simconnectOk);
  client = nullptr;
  std::uint32_t id = 0;
  EXPECT_EQ(SimConnect_Close(closed), simconnectFail);
  EXPECT_EQ(SimConnect_CallDispatch(closed, &lf_record, &seen), simconnectFail);
  EXPECT_EQ(SimConnect_GetLastSentPacketID(closed, &id), simconnectFail);
  EXPECT_EQ(SimConnect_AIReleaseControl(closed, 5, 103), simconnectFail);
  EXPECT_EQ(SimConnect_Close(nullptr), simconnectFail);
  EXPECT_TRUE(transport->sent().empty());
  EXPECT_EQ(gf_liveClientCount(), 0u);
}

TEST(ReceivedMessage, ReadsNeverPassTheMessageEnd) {
  auto bytes = message(recvOpen, 20);
  std::fill(bytes.begin() + 12, bytes.end(), 'A'); // a name without its terminator
  const ReceivedMessage view(reinterpret_cast<const SimConnectRecv*>(bytes.data()), 20);
  EXPECT_EQ(view.text(recv_offset::applicationName, recv_offset::applicationNameSize), "AAAAAAAA");
  EXPECT_EQ(view.text(12, 3), "AAA");
  EXPECT_EQ(view.text(20, 4), "");
  EXPECT_EQ(view.u32(16), 0x41414141u);
  EXPECT_EQ(view.u32(17), 0u);
  EXPECT_EQ(view.f64(16), 0.0);
  EXPECT_EQ(view.i64(0xFFFFFFFC), 0);
  EXPECT_FALSE(view.holds(0xFFFFFFFF, 2));
  EXPECT_EQ(view.id(), recvOpen);
}

} // namespace
