// The bytes of every packet the client sends, checked against hand-written layouts.
#include "fake_transport.h"
#include "simlink/simconnect/simconnect.h"

#include <array>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <thread>

namespace {

struct Piece {
  std::size_t offset;
  std::vector<std::uint8_t> bytes;
};

Piece hexAt(std::size_t offset, std::string_view hex) { return {offset, hexBytes(hex)}; }
Piece textAt(std::size_t offset, std::string_view text) { return {offset, {text.begin(), text.end()}}; }

// A packet of size bytes: the pieces at their offsets, zero everywhere else.
std::vector<std::uint8_t> golden(std::size_t size, std::initializer_list<Piece> pieces) {
  std::vector<std::uint8_t> bytes(size, 0);
  for (const auto& piece : pieces) {
    EXPECT_LE(piece.offset + piece.bytes.size(), size);
    std::copy(piece.bytes.begin(), piece.bytes.end(), bytes.begin() + static_cast<std::ptrdiff_t>(piece.offset));
  }
  return bytes;
}

// A client on a fake transport, closed at the end of the test.
class ClientFixture : public ::testing::Test {
protected:
  void SetUp() override { client = gf_createSimConnectClient(transport); }
  void TearDown() override {
    if (client != nullptr) {
      EXPECT_EQ(SimConnect_Close(client), simconnectOk);
    }
  }
  std::shared_ptr<FakeTransport> transport = std::make_shared<FakeTransport>();
  SimConnectClient* client = nullptr;
};

using PacketsTest = ClientFixture;

struct GoldenCase {
  const char* name;
  std::function<SimConnectResult(SimConnectClient*)> call;
  std::vector<std::uint8_t> bytes;
};

std::array<double, 8> positionBlock() { return {1.0, -2.5, 0, 0, 0, 0, 0, 1.0}; }

TEST_F(PacketsTest, EveryOperationBuildsItsBytes) {
  static const auto position = positionBlock();
  const SimConnectInitPosition initPosition{1.0, -2.5, 2.0, 0.0, 0.0, 0.5, 1, 250};
  const std::vector<GoldenCase> cases = {
      {"MapClientEventToSimEvent",
       [](auto* c) { return SimConnect_MapClientEventToSimEvent(c, 207, "BEACON_LIGHTS_SET"); },
       golden(276, {hexAt(0, "14010000 23000000 040000f0 01000000 cf000000"), textAt(20, "BEACON_LIGHTS_SET")})},
      {"TransmitClientEvent", [](auto* c) { return SimConnect_TransmitClientEvent(c, 5, 214, 0x12345678, 301, 0x10); },
       golden(36, {hexAt(0, "24000000 23000000 050000f0 01000000 05000000 d6000000 78563412 2d010000 10000000")})},
      {"AddClientEventToNotificationGroup",
       [](auto* c) { return SimConnect_AddClientEventToNotificationGroup(c, 301, 208, true); },
       golden(28, {hexAt(0, "1c000000 23000000 070000f0 01000000 2d010000 d0000000 01000000")})},
      {"SetNotificationGroupPriority", [](auto* c) { return SimConnect_SetNotificationGroupPriority(c, 301, 1); },
       golden(24, {hexAt(0, "18000000 23000000 090000f0 01000000 2d010000 01000000")})},
      {"AddToDataDefinition",
       [](auto* c) {
         return SimConnect_AddToDataDefinition(c, 402, "Plane Latitude", "degree", 4, 0.5f, simconnectUnusedDatumId);
       },
       golden(544, {hexAt(0, "20020000 23000000 0c0000f0 01000000 92010000"), textAt(20, "Plane Latitude"),
                    textAt(276, "degree"), hexAt(532, "04000000 0000003f ffffffff")})},
      {"AddToDataDefinition without units",
       [](auto* c) { return SimConnect_AddToDataDefinition(c, 404, "ATC ID", nullptr, 6, 0.0f, 0xFFFFFFFF); },
       golden(544, {hexAt(0, "20020000 23000000 0c0000f0 01000000 94010000"), textAt(20, "ATC ID"),
                    hexAt(532, "06000000 00000000 ffffffff")})},
      {"RequestDataOnSimObject",
       [](auto* c) { return SimConnect_RequestDataOnSimObject(c, 109, 403, 7, 4, 2, 3, 5, 6); },
       golden(48, {hexAt(0, "30000000 23000000 0e0000f0 01000000 6d000000 93010000 07000000 04000000 02000000 "
                            "03000000 05000000 06000000")})},
      {"RequestDataOnSimObjectType",
       [](auto* c) { return SimConnect_RequestDataOnSimObjectType(c, 101, 404, 18520, 2); },
       golden(32, {hexAt(0, "20000000 23000000 0f0000f0 01000000 65000000 94010000 58480000 02000000")})},
      {"SetDataOnSimObject with array count 0",
       [](auto* c) { return SimConnect_SetDataOnSimObject(c, 402, 0x101, 0, 0, 64, position.data()); },
       golden(100, {hexAt(0, "64000000 23000000 100000f0 01000000 92010000 01010000 00000000 01000000 40000000"),
                    hexAt(36, "000000000000f03f 00000000000004c0"), hexAt(92, "000000000000f03f")})},
      {"SubscribeToSystemEvent", [](auto* c) { return SimConnect_SubscribeToSystemEvent(c, 204, "Frame"); },
       golden(276, {hexAt(0, "14010000 23000000 170000f0 01000000 cc000000"), textAt(20, "Frame")})},
      {"AICreateNonATCAircraft",
       [&](auto* c) {
         return SimConnect_AICreateNonATCAircraft(c, "Boeing 737-800 Paint1", "N12345", initPosition, 104);
       },
       golden(344, {hexAt(0, "58010000 23000000 290000f0 01000000"), textAt(16, "Boeing 737-800 Paint1"),
                    textAt(272, "N12345"),
                    hexAt(284, "000000000000f03f 00000000000004c0 0000000000000040 0000000000000000 "
                               "0000000000000000 000000000000e03f 01000000 fa000000 68000000")})},
      {"AIReleaseControl", [](auto* c) { return SimConnect_AIReleaseControl(c, 0x101, 103); },
       golden(24, {hexAt(0, "18000000 23000000 2b0000f0 01000000 01010000 67000000")})},
      {"AIRemoveObject", [](auto* c) { return SimConnect_AIRemoveObject(c, 0x101, 105); },
       golden(24, {hexAt(0, "18000000 23000000 2c0000f0 01000000 01010000 69000000")})},
      {"AISetAircraftFlightPlan",
       [](auto* c) { return SimConnect_AISetAircraftFlightPlan(c, 0x101, "C:\\plans\\a.pln", 110); },
       golden(284, {hexAt(0, "1c010000 23000000 2d0000f0 01000000 01010000"), textAt(20, "C:\\plans\\a.pln"),
                    hexAt(280, "6e000000")})},
  };
  for (std::size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(cases[i].name);
    client->sendBuffer.setPacketCounter(0); // each golden packet is the first of its client
    ASSERT_EQ(cases[i].call(client), simconnectOk);
    const auto sent = transport->sent();
    ASSERT_EQ(sent.size(), i + 1);
    EXPECT_EQ(sent[i], cases[i].bytes);
  }
}

std::shared_ptr<FakeTransport> openedTransport;

std::int32_t lf_fakeOpener(std::uint32_t configIndex, std::shared_ptr<SimConnectTransport>& transport) {
  if (configIndex == 7) return 3;
  if (configIndex == 8) return 1;
  openedTransport = std::make_shared<FakeTransport>();
  transport = openedTransport;
  return 0;
}

class OpenTest : public ::testing::Test {
protected:
  void SetUp() override { gf_setSimConnectTransportOpener(&lf_fakeOpener); }
  void TearDown() override {
    gf_setSimConnectTransportOpener(nullptr);
    openedTransport.reset();
  }
};

TEST_F(OpenTest, SendsTheOpenPacketFirst) {
  SimConnectClient* handle = nullptr;
  ASSERT_EQ(SimConnect_Open(&handle, "Hivemoor", nullptr, 0, nullptr, 0), simconnectOk);
  ASSERT_NE(handle, nullptr);
  const auto sent = openedTransport->sent();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0], golden(296, {hexAt(0, "28010000 23000000 010000f0 01000000"), textAt(16, "Hivemoor"),
                                  hexAt(272, "00000000 00443350 05000000 03000000")}));
  std::uint32_t id = 0;
  EXPECT_EQ(SimConnect_GetLastSentPacketID(handle, &id), simconnectOk);
  EXPECT_EQ(id, 1u);
  EXPECT_EQ(SimConnect_Close(handle), simconnectOk);
}

TEST_F(OpenTest, FailuresLeaveNoHandleAndNoClient) {
  SimConnectClient* handle = reinterpret_cast<SimConnectClient*>(0x1);
  EXPECT_EQ(SimConnect_Open(nullptr, "Hivemoor", nullptr, 0, nullptr, 0), simconnectInvalidArg);
  EXPECT_EQ(SimConnect_Open(&handle, nullptr, nullptr, 0, nullptr, 0), simconnectInvalidArg);
  EXPECT_EQ(SimConnect_Open(&handle, "Hivemoor", nullptr, 0, nullptr, 7), simconnectInvalidArg);
  EXPECT_EQ(handle, nullptr);
  EXPECT_EQ(SimConnect_Open(&handle, "Hivemoor", nullptr, 0, nullptr, 8), simconnectFail);
  EXPECT_EQ(handle, nullptr);
  const std::string longName(256, 'x');
  EXPECT_EQ(SimConnect_Open(&handle, longName.c_str(), nullptr, 0, nullptr, 0), simconnectStringTooLong);
  EXPECT_EQ(handle, nullptr);
  EXPECT_TRUE(openedTransport->sent().empty());
  EXPECT_EQ(gf_liveClientCount(), 0u);
}

TEST_F(PacketsTest, TailNumberOf11BytesFitsAnd12DoNot) {
  const SimConnectInitPosition position{};
  EXPECT_EQ(SimConnect_AICreateNonATCAircraft(client, "T", "ABCDEFGHIJK", position, 104), simconnectOk);
  EXPECT_EQ(SimConnect_AICreateNonATCAircraft(client, "T", "ABCDEFGHIJKL", position, 104), simconnectStringTooLong);
  const std::string title255(255, 't');
  const std::string title256(256, 't');
  EXPECT_EQ(SimConnect_AICreateNonATCAircraft(client, title256.c_str(), "A", position, 104), simconnectStringTooLong);
  EXPECT_EQ(SimConnect_AICreateNonATCAircraft(client, title255.c_str(), "A", position, 104), simconnectOk);
  const auto sent = transport->sent();
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(sent[0].data()) + 272), "ABCDEFGHIJK");
  // A refused packet is never sent and its id is given back: the ids on the wire stay consecutive.
  EXPECT_EQ(sent[0][12], 1);
  EXPECT_EQ(sent[1][12], 2);
  EXPECT_EQ(sent[1][271], 0);
}

TEST_F(PacketsTest, TextsAreCutNowhereAndPaddedWithZeros) {
  const std::string path259(259, 'p');
  const std::string path260(260, 'p');
  EXPECT_EQ(SimConnect_AISetAircraftFlightPlan(client, 1, path260.c_str(), 110), simconnectStringTooLong);
  EXPECT_EQ(SimConnect_MapClientEventToSimEvent(client, 1, std::string(256, 'e').c_str()), simconnectStringTooLong);
  EXPECT_EQ(SimConnect_AddToDataDefinition(client, 1, "A", std::string(256, 'u').c_str(), 4, 0, 0),
            simconnectStringTooLong);
  EXPECT_EQ(SimConnect_AISetAircraftFlightPlan(client, 1, path259.c_str(), 110), simconnectOk);
  EXPECT_EQ(SimConnect_SubscribeToSystemEvent(client, 1, nullptr), simconnectOk);
  const auto sent = transport->sent();
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(sent[0][20 + 258], 'p');
  EXPECT_EQ(sent[0][20 + 259], 0);
  EXPECT_EQ(sent[1], golden(276, {hexAt(0, "14010000 23000000 170000f0 02000000 01000000")}));
}

TEST_F(PacketsTest, PacketIdsAreConsecutiveAndWrapToOne) {
  client->sendBuffer.setPacketCounter(0xFFFFFFFD);
  for (int i = 0; i < 3; ++i) ASSERT_EQ(SimConnect_AIReleaseControl(client, 9, 103), simconnectOk);
  const SimConnectInitPosition position{};
  ASSERT_EQ(SimConnect_AICreateNonATCAircraft(client, "T", "N1", position, 104), simconnectOk);
  std::uint32_t lastId = 0;
  ASSERT_EQ(SimConnect_GetLastSentPacketID(client, &lastId), simconnectOk);
  const auto sent = transport->sent();
  ASSERT_EQ(sent.size(), 4u);
  const std::vector<std::vector<std::uint8_t>> ids = {hexBytes("feffffff"), hexBytes("ffffffff"), hexBytes("01000000"),
                                                      hexBytes("02000000")};
  for (std::size_t i = 0; i < sent.size(); ++i)
    EXPECT_EQ(std::vector<std::uint8_t>(sent[i].begin() + 12, sent[i].begin() + 16), ids[i]) << i;
  // The creation's id, which the simulator names when the creation fails.
  EXPECT_EQ(lastId, 2u);
  EXPECT_EQ(SimConnect_GetLastSentPacketID(client, nullptr), simconnectFail);
  EXPECT_EQ(SimConnect_GetLastSentPacketID(nullptr, &lastId), simconnectFail);
}

TEST_F(PacketsTest, DataSizesThatCannotBeSentAreRefusedWithoutOverflow) {
  const std::vector<std::uint8_t> data(64, 0xAB);
  // 0x10000000 x 16 wraps to 0 in 32 bits: no 36-byte packet may come of it.
  EXPECT_EQ(SimConnect_SetDataOnSimObject(client, 402, 5, 0, 0x10000000, 16, data.data()), simconnectFail);
  EXPECT_EQ(SimConnect_SetDataOnSimObject(client, 402, 5, 0, 0xFFFFFFFF, 0xFFFFFFFF, data.data()), simconnectFail);
  EXPECT_EQ(SimConnect_SetDataOnSimObject(client, 402, 5, 0, 1, 64, nullptr), simconnectInvalidArg);
  // The largest packet that fits the send buffer goes; one byte more does not.
  const std::vector<std::uint8_t> large(SendBuffer::capacity - 36, 0x11);
  EXPECT_EQ(SimConnect_SetDataOnSimObject(client, 1, 5, 0, 1, static_cast<std::uint32_t>(large.size()), large.data()),
            simconnectOk);
  EXPECT_EQ(
      SimConnect_SetDataOnSimObject(client, 1, 5, 0, 1, static_cast<std::uint32_t>(large.size() + 1), large.data()),
      simconnectFail);
  ASSERT_EQ(SimConnect_SetDataOnSimObject(client, 401, 5, 0, 3, 8, data.data()), simconnectOk);
  const auto sent = transport->sent();
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(sent[0].size(), SendBuffer::capacity);
  EXPECT_EQ(sent[1].size(), 36u + 24u);
  EXPECT_EQ(sent[1][28], 3);
  EXPECT_EQ(sent[1][12], 2);
}

TEST_F(PacketsTest, ThreadsNeverInterleavePacketsAndIdsFollowTheSendOrder) {
  constexpr int threads = 4;
  constexpr int perThread = 500;
  std::vector<std::thread> workers;
  for (int t = 0; t < threads; ++t)
    workers.emplace_back([this, t] {
      for (int i = 0; i < perThread; ++i) SimConnect_TransmitClientEvent(client, t, 214, i, 301, 0);
    });
  for (auto& w : workers) w.join();
  const auto sent = transport->sent();
  ASSERT_EQ(sent.size(), static_cast<std::size_t>(threads * perThread));
  for (std::size_t i = 0; i < sent.size(); ++i) {
    ASSERT_EQ(sent[i].size(), 36u);
    std::uint32_t id = 0;
    std::memcpy(&id, sent[i].data() + 12, 4);
    ASSERT_EQ(id, i + 1);
  }
}

TEST_F(PacketsTest, EachCreationLearnsItsOwnPacketIdWhileOtherThreadsSend) {
  // The id the simulator names when a creation fails must be that creation's, even when
  // another thread's packet follows it at once.
  constexpr int creations = 300;
  std::vector<std::uint32_t> ids(creations, 0);
  std::thread others([this] {
    for (int i = 0; i < 3 * creations; ++i) SimConnect_TransmitClientEvent(client, 7, 214, i, 301, 0);
  });
  const SimConnectInitPosition position{};
  for (int i = 0; i < creations; ++i) {
    const std::string tail = "T" + std::to_string(i);
    ASSERT_EQ(SimConnect_AICreateNonATCAircraft(client, "Title", tail.c_str(), position, 104, &ids[i]), simconnectOk);
  }
  others.join();
  std::uint32_t unused = 77;
  EXPECT_EQ(SimConnect_AICreateNonATCAircraft(client, "Title", "TOO LONG CALL", position, 104, &unused),
            simconnectStringTooLong);
  EXPECT_EQ(unused, 77u);
  int checked = 0;
  for (const auto& packet : transport->sent()) {
    if (packet.size() != 344) continue;
    const std::string tail(reinterpret_cast<const char*>(packet.data()) + 272);
    std::uint32_t id = 0;
    std::memcpy(&id, packet.data() + 12, 4);
    EXPECT_EQ(ids[std::stoi(tail.substr(1))], id) << tail;
    ++checked;
  }
  EXPECT_EQ(checked, creations);
}

TEST_F(PacketsTest, ABatchLeavesAsOneMessage) {
  const std::array<double, 8> position{33.9, -118.4, 0.0, 0.0, 1.5, 3000.0, 0.0, 250.0};
  ASSERT_EQ(gf_beginPacketBatch(client), simconnectOk);
  for (std::uint32_t i = 0; i < 500; ++i)
    ASSERT_EQ(SimConnect_SetDataOnSimObject(client, 402, 1001 + i, 0, 0, 64, position.data()), simconnectOk);
  // 410 packets of 100 bytes fill the 41088-byte buffer: they are set aside, not sent.
  ASSERT_TRUE(transport->sent().empty());
  ASSERT_EQ(gf_endPacketBatch(client), simconnectOk);
  EXPECT_EQ(gf_endPacketBatch(client), simconnectOk) << "nothing left to flush";
  ASSERT_EQ(SimConnect_AIReleaseControl(client, 9, 103), simconnectOk);
  const auto sent = transport->sent();
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(sent[0].size(), 50000u);
  EXPECT_EQ(sent[1].size(), 24u) << "after the batch every packet leaves at once again";
  const std::vector<std::uint8_t>& stream = sent[0];
  for (std::uint32_t i = 0; i < 500; ++i) {
    std::uint32_t id = 0, object = 0;
    std::memcpy(&id, stream.data() + i * 100 + 12, 4);
    std::memcpy(&object, stream.data() + i * 100 + 20, 4);
    ASSERT_EQ(id, i + 1);
    ASSERT_EQ(object, 1001 + i);
  }
  EXPECT_EQ(gf_beginPacketBatch(nullptr), simconnectFail);
  EXPECT_EQ(gf_endPacketBatch(nullptr), simconnectFail);
}

TEST_F(PacketsTest, ABatchThatNeverEndsSendsWhatItSetAsideAndACloseSendsTheRest) {
  const std::vector<std::uint8_t> data(4000, 0x5A);
  ASSERT_EQ(gf_beginPacketBatch(client), simconnectOk);
  // 4036-byte packets: 10 fill a send buffer; 1 MiB set aside is sent before the batch goes on.
  std::size_t packets = 0;
  while (transport->sent().empty() && packets < 1000) {
    ASSERT_EQ(SimConnect_SetDataOnSimObject(client, 1, 5, 0, 1, 4000, data.data()), simconnectOk);
    ++packets;
  }
  auto sent = transport->sent();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_GE(sent[0].size(), std::size_t{1} << 20);
  EXPECT_LT(sent[0].size(), (std::size_t{1} << 20) + 2 * SendBuffer::capacity);
  EXPECT_EQ(sent[0].size() % 4036, 0u);
  ASSERT_EQ(SimConnect_SetDataOnSimObject(client, 1, 5, 0, 1, 4000, data.data()), simconnectOk);
  // Closed within the batch: nothing set aside is lost.
  ASSERT_EQ(SimConnect_Close(client), simconnectOk);
  client = nullptr;
  sent = transport->sent();
  std::size_t total = 0;
  for (const auto& message : sent) total += message.size();
  EXPECT_EQ(total, (packets + 1) * 4036);
}

} // namespace
