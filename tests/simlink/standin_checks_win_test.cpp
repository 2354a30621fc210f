// The stand-in simulator itself: it must flag what a faulty client sends, or the tests
// that find every packet valid would prove nothing.
#include "standin_fixtures_win.h"
#include "standin_launcher.h"
#include "support/test_support.h"

#include <array>
#include <gtest/gtest.h>
#include <map>

using namespace standin_test;

namespace {

// A packet with the head and u32 fields given, zero elsewhere.
std::vector<std::uint8_t> packet(std::uint32_t size, std::uint32_t version, std::uint32_t code, std::uint32_t id,
                                 std::initializer_list<std::pair<std::size_t, std::uint32_t>> fields = {}) {
  std::vector<std::uint8_t> bytes(size, 0);
  auto put = [&](std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4 && at + i < size; ++i) bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
  };
  put(0, size);
  put(4, version);
  put(8, 0xF0000000u | code);
  put(12, id);
  for (const auto& [at, value] : fields) put(at, value);
  return bytes;
}

// A plain TCP client that sends raw bytes and reads whole messages.
class RawClient {
public:
  explicit RawClient(int port) {
    WSADATA data{};
    WSAStartup(MAKEWORD(2, 2), &data);
    socket_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<u_short>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    connected_ = connect(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    const DWORD timeoutMs = 15000;
    setsockopt(socket_, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeoutMs), sizeof timeoutMs);
  }
  ~RawClient() {
    closesocket(socket_);
    WSACleanup();
  }
  bool connected() const { return connected_; }
  void send(const std::vector<std::uint8_t>& bytes) {
    ::send(socket_, reinterpret_cast<const char*>(bytes.data()), static_cast<int>(bytes.size()), 0);
  }
  // The next whole message; empty when none comes.
  Message next() {
    Message head = lf_read(4);
    if (head.size() < 4) return {};
    const std::uint32_t size = head[0] | head[1] << 8 | head[2] << 16 | static_cast<std::uint32_t>(head[3]) << 24;
    Message rest = lf_read(size - 4);
    head.insert(head.end(), rest.begin(), rest.end());
    return head;
  }

private:
  Message lf_read(std::size_t count) {
    Message bytes(count);
    std::size_t got = 0;
    while (got < count) {
      const int n = recv(socket_, reinterpret_cast<char*>(bytes.data() + got), static_cast<int>(count - got), 0);
      if (n <= 0) break;
      got += static_cast<std::size_t>(n);
    }
    bytes.resize(got);
    return bytes;
  }
  SOCKET socket_ = INVALID_SOCKET;
  bool connected_ = false;
};

TEST(StandinSimulator, FlagsAndAnswersWhatAFaultyClientSends) {
  testing_support::TempDir dir;
  const auto record = dir / "record.jsonl";
  StandinProcess standin({"--no-pipe", "--ipv4", "0", "--record", record.string()});
  RawClient raw(standin.ipv4Port());
  ASSERT_TRUE(raw.connected());
  auto open = packet(296, 35, 0x01, 1, {{272, 0}, {276, 0x50334400}, {280, 5}, {284, 3}});
  std::copy_n("Raw", 3, open.begin() + 16);
  raw.send(open);
  EXPECT_EQ(view(raw.next()).id(), recvOpen);

  struct Case {
    std::vector<std::uint8_t> bytes;
    std::uint32_t exception;
    const char* error;
  };
  auto unterminated = packet(276, 35, 0x17, 3, {{16, 201}});
  std::fill(unterminated.begin() + 20, unterminated.end(), 'A');
  auto garbageAfterZero = packet(276, 35, 0x04, 4, {{16, 207}});
  garbageAfterZero[30] = 'x';
  const std::vector<Case> cases = {
      {packet(24, 34, 0x2B, 2, {{16, 1}}), 5, "protocol version 34 instead of 35"},
      {unterminated, 19, "event name is not zero-terminated within its 256 bytes"},
      {garbageAfterZero, 19, "bytes other than zero after its terminator"},
      {packet(24, 35, 0x2B, 7, {{16, 99}}), 3, "packet id 7 where 5 follows"},
      {packet(20, 35, 0x2C, 8), 19, "20 bytes where AIRemoveObject takes 24"},
      {packet(16, 35, 0x7F, 9), 3, "unknown operation code 0x7f"},
      {packet(36, 35, 0x10, 10, {{28, 0}, {32, 8}}), 19, "array count is 0"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.error);
    raw.send(c.bytes);
    const Message answer = raw.next();
    ASSERT_EQ(answer.size(), 24u);
    EXPECT_EQ(view(answer).id(), recvException);
    EXPECT_EQ(view(answer).u32(recv_offset::exception), c.exception);
    EXPECT_EQ(view(answer).u32(recv_offset::sendId), view(c.bytes).u32(12));
  }
  EXPECT_EQ(standin.command("sync 8").rfind("ok 8 1 7", 0), 0u);
  EXPECT_TRUE(standin.stop());
  const auto packets = packetsOf(readRecord(record));
  ASSERT_EQ(packets.size(), 1u + cases.size());
  EXPECT_TRUE(packets[0]["valid"].get<bool>());
  for (std::size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(cases[i].error);
    EXPECT_FALSE(packets[i + 1]["valid"].get<bool>());
    ASSERT_FALSE(packets[i + 1]["errors"].empty());
    EXPECT_NE(packets[i + 1]["errors"][0].get<std::string>().find(cases[i].error), std::string::npos);
  }
}

TEST(StandinSimulator, RefusingEndsNewConnectionsAtOnce) {
  StandinProcess standin({"--no-pipe", "--ipv4", "0"});
  EXPECT_EQ(standin.command("refuse on"), "ok");
  RawClient raw(standin.ipv4Port());
  ASSERT_TRUE(raw.connected());
  EXPECT_TRUE(raw.next().empty());
  EXPECT_EQ(standin.command("sessions"), "ok 1 0");
}

TEST(StandinSimulator, FlagsCommandsAimedAtObjectsTheClientDidNotCreate) {
  testing_support::TempDir dir;
  const auto record = dir / "record.jsonl";
  RegistryPorts noPorts;
  StandinProcess standin({"--record", record.string(), "--fail-title", "BROKEN"});
  Event event;
  Received received;
  SimConnectClient* client = nullptr;
  ASSERT_EQ(SimConnect_Open(&client, "Hivemoor", nullptr, 0, event.get(), 0), simconnectOk);
  SimConnect_SubscribeToSystemEvent(client, 202, "ObjectAdded");
  for (const char* name : {"Plane Latitude", "Plane Longitude", "Plane Pitch degrees", "Plane Bank degrees",
                           "Plane Heading degrees true", "Plane Altitude", "Vertical Speed", "Airspeed True"})
    SimConnect_AddToDataDefinition(client, 402, name, "degree", 4, 0, simconnectUnusedDatumId);
  SimConnect_AddToDataDefinition(client, 403, "Plane Latitude", "degree", 4, 0, simconnectUnusedDatumId);
  SimConnect_MapClientEventToSimEvent(client, 208, "NAV_LIGHTS_SET");
  const SimConnectInitPosition position{33.9430, -118.4080, 125.0, 0.0, 0.0, 90.0, 1, 0};
  std::uint32_t refusedPacket = 0;
  ASSERT_EQ(SimConnect_AICreateNonATCAircraft(client, "Airbus BROKEN", "AAL1", position, 104, &refusedPacket),
            simconnectOk);
  ASSERT_EQ(SimConnect_AICreateNonATCAircraft(client, "Boeing 737-800", "DAL1", position, 104), simconnectOk);
  dispatchUntil(client, event.get(), received, [&] {
    return !received.withId(recvEventObjectAddRemove).empty() && !received.withId(recvException).empty();
  });
  const Message failureBytes = received.withId(recvException).front();
  const auto failure = view(failureBytes);
  EXPECT_EQ(failure.u32(recv_offset::exception), 22u);
  EXPECT_EQ(failure.u32(recv_offset::sendId), refusedPacket);
  const std::uint32_t ours = view(received.withId(recvEventObjectAddRemove).front()).u32(recv_offset::eventData);
  const std::string added = standin.command("add-aircraft UAL9");
  ASSERT_EQ(added.rfind("ok ", 0), 0u);
  const auto foreign = static_cast<std::uint32_t>(std::stoul(added.substr(3)));

  const std::array<double, 8> moved{33.95, -118.41, 0.0, 0.0, 1.5, 900.0, 0.0, 140.0};
  SimConnect_SetDataOnSimObject(client, 402, ours, 0, 0, 64, moved.data());
  SimConnect_SetDataOnSimObject(client, 402, 0, 0, 0, 64, moved.data());
  SimConnect_TransmitClientEvent(client, 99999, 208, 1, 301, 0);
  SimConnect_AIRemoveObject(client, foreign, 105);
  SimConnect_AIReleaseControl(client, 1, 103);
  // The user aircraft jumps; the state it reports shows it.
  EXPECT_EQ(standin.command("teleport 10.5"), "ok");
  SimConnect_RequestDataOnSimObject(client, 109, 403, 0, 1, 0, 0, 0, 0);
  dispatchUntil(client, event.get(), received, [&] { return !received.withId(recvSimObjectData).empty(); });
  EXPECT_NEAR(view(received.withId(recvSimObjectData).front()).f64(recv_offset::dataBlock), 33.9425 + 0.175, 1e-9);
  EXPECT_EQ(standin.command("sync 19").rfind("ok", 0), 0u);

  const auto violations = nlohmann::json::parse(standin.command("violations"));
  ASSERT_EQ(violations["count"], 4) << violations.dump();
  std::vector<std::string> reasons;
  for (const auto& v : violations["list"]) reasons.push_back(v["violation"]);
  EXPECT_EQ(reasons, (std::vector<std::string>{"SetDataOnSimObject aimed at the user aircraft",
                                               "TransmitClientEvent aimed at an unknown object",
                                               "AIRemoveObject aimed at an object the client did not create",
                                               "AIReleaseControl aimed at the user aircraft"}));
  EXPECT_EQ(SimConnect_Close(client), simconnectOk);
  EXPECT_TRUE(standin.stop());
  // The object table closes the record: ours moved once, the foreign one was not removed.
  std::map<std::uint32_t, nlohmann::json> objects;
  for (const auto& line : readRecord(record))
    if (line.contains("object")) objects[line["object"]["id"]] = line["object"];
  ASSERT_EQ(objects.size(), 3u);
  EXPECT_EQ(objects.at(ours)["positions"], 1);
  EXPECT_EQ(objects.at(ours)["lastPosition"][5], 900.0);
  EXPECT_EQ(objects.at(ours)["onGround"], false);
  EXPECT_EQ(objects.at(foreign)["removed"], false);
  EXPECT_EQ(objects.at(1)["user"], true);
  EXPECT_EQ(objects.at(1)["positions"], 0);
}

} // namespace
