// The client against the stand-in simulator, over the named pipe and TCP.
#include "simlink/simconnect/connection_win.h"
#include "simlink/simconnect/received_messages.h"
#include "simlink/simconnect/simconnect.h"
#include "standin_fixtures_win.h"
#include "standin_launcher.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

using namespace standin_test;

namespace {

const std::string defaultPipe = "\\\\.\\pipe\\Lockheed Martin Prepar3D v5\\SimConnect";

std::string pathArg(const std::filesystem::path& path) { return path.string(); }

// Opens and waits for the open reply.
SimConnectClient* openAndWait(Event& event, Received& received, std::uint32_t configIndex = 0) {
  SimConnectClient* client = nullptr;
  const SimConnectResult opened = SimConnect_Open(&client, "Hivemoor", nullptr, 0, event.get(), configIndex);
  EXPECT_EQ(opened, simconnectOk);
  if (client == nullptr) return nullptr;
  dispatchUntil(client, event.get(), received, [&] { return !received.withId(recvOpen).empty(); });
  EXPECT_EQ(received.withId(recvOpen).size(), 1u);
  return client;
}

// Counts the connections the stand-in saw, by transport.
std::map<std::string, int> connectionsByTransport(const std::filesystem::path& record) {
  std::map<std::string, int> count;
  for (const auto& line : readRecord(record))
    if (line.value("event", "") == "connect") ++count[line.value("transport", "")];
  return count;
}

TEST(SimConnectWin, TalksToTheSimulatorOverTheDefaultPipe) {
  testing_support::TempDir dir;
  const auto record = dir / "record.jsonl";
  RegistryPorts noPorts;
  StandinProcess standin({"--record", pathArg(record), "--frame-rate", "50", "--version", "5.4.9.28482"});
  Event event;
  Received received;
  SimConnectClient* client = openAndWait(event, received);
  ASSERT_NE(client, nullptr);
  const Message replyBytes = received.withId(recvOpen).front();
  const auto reply = view(replyBytes);
  EXPECT_EQ(reply.text(recv_offset::applicationName, recv_offset::applicationNameSize),
            "Lockheed Martin\xC2\xAE Prepar3D\xC2\xAE v5");
  EXPECT_EQ(reply.u32(recv_offset::versionMajor), 5u);
  EXPECT_EQ(reply.u32(recv_offset::versionMinor), 4u);
  EXPECT_EQ(reply.u32(recv_offset::buildMajor), 9u);
  EXPECT_EQ(reply.u32(recv_offset::buildMinor), 28482u);

  // The registration of the link, then its requests and commands.
  SimConnect_SubscribeToSystemEvent(client, 201, "Sim");
  SimConnect_SubscribeToSystemEvent(client, 202, "ObjectAdded");
  SimConnect_SubscribeToSystemEvent(client, 203, "ObjectRemoved");
  SimConnect_SubscribeToSystemEvent(client, 204, "Frame");
  SimConnect_AddToDataDefinition(client, 407, "TITLE", nullptr, 11, 0, simconnectUnusedDatumId);
  for (const char* name : {"Plane Latitude", "Plane Longitude", "Plane Pitch degrees", "Plane Bank degrees",
                           "Plane Heading degrees true", "Plane Altitude", "Vertical Speed", "Airspeed True"})
    SimConnect_AddToDataDefinition(client, 402, name, "degree", 4, 0, simconnectUnusedDatumId);
  SimConnect_AddToDataDefinition(client, 404, "Plane Alt Above Ground", "feet", 4, 0, simconnectUnusedDatumId);
  SimConnect_AddToDataDefinition(client, 404, "Ground Altitude", "feet", 4, 0, simconnectUnusedDatumId);
  SimConnect_AddToDataDefinition(client, 404, "SIM ON GROUND", "Bool", 2, 0, simconnectUnusedDatumId);
  SimConnect_AddToDataDefinition(client, 404, "ATC ID", nullptr, 6, 0, simconnectUnusedDatumId);
  SimConnect_MapClientEventToSimEvent(client, 214, "ALL_LIGHTS_TOGGLE");
  SimConnect_AddClientEventToNotificationGroup(client, 301, 214, true);
  ASSERT_EQ(SimConnect_SetNotificationGroupPriority(client, 301, 1), simconnectOk);
  ASSERT_EQ(SimConnect_RequestDataOnSimObject(client, 106, 407, 0, 1, 0, 0, 0, 0), simconnectOk);

  const SimConnectInitPosition position{33.9430, -118.4080, 125.0, 0.0, 0.0, 90.0, 1, 0};
  ASSERT_EQ(SimConnect_AICreateNonATCAircraft(client, "Boeing 737-800 Paint1", "DAL123", position, 104), simconnectOk);
  ASSERT_EQ(SimConnect_AICreateNonATCAircraft(client, "UNCREATABLE 777", "UAL9", position, 104), simconnectOk);
  std::uint32_t failedPacket = 0;
  ASSERT_EQ(SimConnect_GetLastSentPacketID(client, &failedPacket), simconnectOk);
  dispatchUntil(client, event.get(), received, [&] {
    return !received.withId(recvEventObjectAddRemove).empty() && !received.withId(recvException).empty() &&
           received.withId(recvEventFrame).size() >= 3 && !received.withId(recvSimObjectData).empty();
  });
  // Sim runs, the title comes as a text of variable length.
  const auto simEvents = received.withId(recvEvent);
  ASSERT_FALSE(simEvents.empty());
  EXPECT_EQ(view(simEvents.front()).u32(recv_offset::eventId), 201u);
  EXPECT_EQ(view(simEvents.front()).u32(recv_offset::eventData), 1u);
  const auto titles = received.withId(recvSimObjectData);
  ASSERT_EQ(titles.size(), 1u);
  const auto title = view(titles.front());
  EXPECT_EQ(title.u32(recv_offset::requestId), 106u);
  EXPECT_EQ(title.text(recv_offset::dataBlock, title.size() - recv_offset::dataBlock), "Stand-in Boeing 737-800");
  const auto frames = received.withId(recvEventFrame);
  ASSERT_GE(frames.size(), 3u);
  EXPECT_EQ(view(frames.front()).f32(recv_offset::frameRate), 50.0f);
  // The creation that the simulator refused names the creation's packet.
  const Message failureBytes = received.withId(recvException).front();
  const auto failure = view(failureBytes);
  EXPECT_EQ(failure.u32(recv_offset::exception), 22u);
  EXPECT_EQ(failure.u32(recv_offset::sendId), failedPacket);
  // The created aircraft is reported, and its ATC ID is the tail number.
  const Message addedBytes = received.withId(recvEventObjectAddRemove).front();
  const auto added = view(addedBytes);
  EXPECT_EQ(added.u32(recv_offset::eventId), 202u);
  EXPECT_EQ(added.u32(recv_offset::objectType), 2u);
  const std::uint32_t objectId = added.u32(recv_offset::eventData);
  ASSERT_EQ(SimConnect_RequestDataOnSimObjectType(client, 101, 404, 20000, 2), simconnectOk);
  dispatchUntil(client, event.get(), received, [&] { return received.withId(recvSimObjectDataByType).size() >= 2; });
  bool found = false;
  for (const auto& m : received.withId(recvSimObjectDataByType)) {
    const auto data = view(m);
    if (data.u32(recv_offset::objectId) != objectId) continue;
    found = true;
    EXPECT_EQ(data.text(recv_offset::dataBlock + 24, 32), "DAL123");
    EXPECT_EQ(data.i64(recv_offset::dataBlock + 16), 1);
  }
  EXPECT_TRUE(found);

  const std::array<double, 8> moved{33.95, -118.41, 0.01, 0.02, 1.5, 900.0, 5.0, 140.0};
  ASSERT_EQ(SimConnect_SetDataOnSimObject(client, 402, objectId, 0, 0, 64, moved.data()), simconnectOk);
  ASSERT_EQ(SimConnect_TransmitClientEvent(client, objectId, 214, 0, 301, 0), simconnectOk);
  ASSERT_EQ(SimConnect_AIRemoveObject(client, objectId, 105), simconnectOk);
  dispatchUntil(client, event.get(), received, [&] { return received.withId(recvEventObjectAddRemove).size() >= 2; });
  const auto objectEvents = received.withId(recvEventObjectAddRemove);
  ASSERT_EQ(objectEvents.size(), 2u);
  const auto removed = view(objectEvents[1]);
  EXPECT_EQ(removed.u32(recv_offset::eventId), 203u);
  EXPECT_EQ(removed.u32(recv_offset::eventData), objectId);
  EXPECT_EQ(received.withId(recvException).size(), 1u);

  const auto before = std::chrono::steady_clock::now();
  ASSERT_EQ(SimConnect_Close(client), simconnectOk);
  const auto closing = std::chrono::steady_clock::now() - before;
  EXPECT_GE(closing, std::chrono::milliseconds(350));
  EXPECT_LT(closing, std::chrono::seconds(7));
  // The read that was pending when the client closed has completed and freed its connection.
  EXPECT_EQ(SimConnectConnection::gf_count(), 0);
  EXPECT_TRUE(standin.stop());

  // Every packet arrived valid, in order, with the fields the client meant.
  const auto packets = packetsOf(readRecord(record));
  ASSERT_EQ(packets.size(), 28u);
  for (std::size_t i = 0; i < packets.size(); ++i) {
    SCOPED_TRACE(packets[i].dump());
    EXPECT_TRUE(packets[i]["valid"].get<bool>());
    EXPECT_EQ(packets[i]["packetId"].get<std::uint32_t>(), i + 1);
    EXPECT_EQ(packets[i]["transport"], "pipe");
  }
  EXPECT_EQ(packets[0]["op"], "Open");
  EXPECT_EQ(packets[0]["fields"]["applicationName"], "Hivemoor");
  EXPECT_EQ(packets[22]["op"], "AICreateNonATCAircraft");
  EXPECT_EQ(packets[22]["fields"]["tailNumber"], "DAL123");
  EXPECT_EQ(packets[22]["fields"]["heading"], 90.0);
  EXPECT_EQ(packets[25]["op"], "SetDataOnSimObject");
  EXPECT_EQ(packets[25]["fields"]["arrayCount"], 1);
  EXPECT_EQ(packets[25]["fields"]["doubles"][5], 900.0);
}

struct TcpCase {
  const char* folder;
  const char* protocol;
};

TEST(SimConnectWin, OpensOverTcpThroughSimConnectCfgInEachFolder) {
  testing_support::TempDir dir;
  const auto record = dir / "record.jsonl";
  RegistryPorts noPorts;
  StandinProcess standin({"--no-pipe", "--ipv4", "0", "--ipv6", "0", "--record", pathArg(record)});
  const std::map<std::string, std::filesystem::path> folders = {
      {"public documents", knownFolder(FOLDERID_PublicDocuments)},
      {"documents", knownFolder(FOLDERID_Documents)},
      {"current", dir / "work"}};
  std::filesystem::create_directories(dir / "work");
  testing_support::ScopedCurrentPath current(dir / "work");
  int expected = 0;
  for (const auto& c :
       {TcpCase{"public documents", "IPv4"}, TcpCase{"documents", "IPv6"}, TcpCase{"current", "IPv4"},
        TcpCase{"public documents", "IPv6"}, TcpCase{"documents", "ipv4"}, TcpCase{"current", "IPv6"}}) {
    SCOPED_TRACE(std::string(c.folder) + " " + c.protocol);
    const bool v4 = std::string(c.protocol) == "IPv4" || std::string(c.protocol) == "ipv4";
    const int port = v4 ? standin.ipv4Port() : standin.ipv6Port();
    const CfgFile cfg(folders.at(c.folder), std::string("[SimConnect]\r\nProtocol=") + c.protocol +
                                                "\r\nAddress=" + (v4 ? "127.0.0.1" : "::1") +
                                                "\r\nPort=" + std::to_string(port) + "\r\nMaxReceiveSize=4096\r\n");
    Event event;
    Received received;
    SimConnectClient* client = openAndWait(event, received);
    ASSERT_NE(client, nullptr);
    EXPECT_EQ(SimConnect_Close(client), simconnectOk);
    ++expected;
    EXPECT_EQ(standin.command("sync " + std::to_string(expected)).rfind("ok", 0), 0u);
  }
  EXPECT_TRUE(standin.stop());
  const auto seen = connectionsByTransport(record);
  EXPECT_EQ(seen.at("ipv4"), 3);
  EXPECT_EQ(seen.at("ipv6"), 3);
}

TEST(SimConnectWin, ARefusedLoopbackPortFallsBackToThePipeButAnotherAddressDoesNot) {
  testing_support::TempDir dir;
  const auto record = dir / "record.jsonl";
  RegistryPorts noPorts;
  RefusedPort refused;
  StandinProcess standin({"--record", pathArg(record)});
  std::filesystem::create_directories(dir / "work");
  testing_support::ScopedCurrentPath current(dir / "work");
  {
    const CfgFile cfg(dir / "work",
                      "[SimConnect]\nProtocol=IPv4\nAddress=127.0.0.1\nPort=" + std::to_string(refused.port()) + "\n");
    Event event;
    Received received;
    SimConnectClient* client = openAndWait(event, received);
    ASSERT_NE(client, nullptr);
    EXPECT_EQ(SimConnect_Close(client), simconnectOk);
  }
  {
    const CfgFile cfg(dir / "work",
                      "[SimConnect]\nProtocol=IPv4\nAddress=127.0.0.2\nPort=" + std::to_string(refused.port()) + "\n");
    SimConnectClient* client = reinterpret_cast<SimConnectClient*>(1);
    EXPECT_EQ(SimConnect_Open(&client, "Hivemoor", nullptr, 0, nullptr, 0), simconnectFail);
    EXPECT_EQ(client, nullptr);
  }
  EXPECT_TRUE(standin.stop());
  const auto seen = connectionsByTransport(record);
  EXPECT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen.at("pipe"), 1);
}

TEST(SimConnectWin, NumberedSectionsMustExistAndSelectTheirTransport) {
  testing_support::TempDir dir;
  RegistryPorts noPorts;
  std::filesystem::create_directories(dir / "work");
  testing_support::ScopedCurrentPath current(dir / "work");
  SimConnectClient* client = reinterpret_cast<SimConnectClient*>(1);
  EXPECT_EQ(SimConnect_Open(&client, "Hivemoor", nullptr, 0, nullptr, 5), simconnectInvalidArg);
  EXPECT_EQ(client, nullptr);
  StandinProcess standin({"--no-pipe", "--ipv4", "0"});
  // An empty section does not count; the other file's section does.
  const CfgFile empty(knownFolder(FOLDERID_PublicDocuments), "[SimConnect.5]\n");
  EXPECT_EQ(SimConnect_Open(&client, "Hivemoor", nullptr, 0, nullptr, 5), simconnectInvalidArg);
  const CfgFile cfg(dir / "work",
                    "[SimConnect]\nProtocol=Pipe\n[SimConnect.5]\nProtocol=IPv4\nAddress=127.0.0.1\nPort=" +
                        std::to_string(standin.ipv4Port()) + "\n");
  Event event;
  Received received;
  client = openAndWait(event, received, 5);
  ASSERT_NE(client, nullptr);
  EXPECT_EQ(SimConnect_Close(client), simconnectOk);
}

TEST(SimConnectWin, WithoutPipeTheRegistryPortsAreTriedIPv6First) {
  testing_support::TempDir dir;
  const auto record = dir / "record.jsonl";
  std::filesystem::create_directories(dir / "work");
  testing_support::ScopedCurrentPath current(dir / "work");
  RegistryPorts ports;
  RefusedPort refused6(AF_INET6);
  StandinProcess standin({"--no-pipe", "--ipv4", "0", "--ipv6", "0", "--record", pathArg(record)});
  ports.set(L"SimConnect_Port_IPv4", standin.ipv4Port());
  ports.set(L"SimConnect_Port_IPv6", standin.ipv6Port());
  for (const bool ipv6Refused : {false, true}) {
    if (ipv6Refused) ports.set(L"SimConnect_Port_IPv6", refused6.port());
    Event event;
    Received received;
    SimConnectClient* client = openAndWait(event, received);
    ASSERT_NE(client, nullptr);
    EXPECT_EQ(SimConnect_Close(client), simconnectOk);
  }
  EXPECT_TRUE(standin.stop());
  const auto seen = connectionsByTransport(record);
  EXPECT_EQ(seen.at("ipv6"), 1);
  EXPECT_EQ(seen.at("ipv4"), 1);
}

TEST(SimConnectWin, WithoutAnySimulatorOpenFailsAfterEveryFallback) {
  testing_support::TempDir dir;
  RegistryPorts noPorts;
  std::filesystem::create_directories(dir / "work");
  testing_support::ScopedCurrentPath current(dir / "work");
  SimConnectClient* client = nullptr;
  const auto before = std::chrono::steady_clock::now();
  EXPECT_EQ(SimConnect_Open(&client, "Hivemoor", nullptr, 0, nullptr, 0), simconnectFail);
  EXPECT_GE(std::chrono::steady_clock::now() - before, std::chrono::seconds(1));
  EXPECT_EQ(client, nullptr);
}

class LostConnection : public ::testing::TestWithParam<const char*> {};

TEST_P(LostConnection, TheSimulatorClosingIsSeenAndReported) {
  testing_support::TempDir dir;
  RegistryPorts noPorts;
  std::filesystem::create_directories(dir / "work");
  testing_support::ScopedCurrentPath current(dir / "work");
  const bool pipe = std::string(GetParam()) == "pipe";
  StandinProcess standin(pipe ? std::vector<std::string>{} : std::vector<std::string>{"--no-pipe", "--ipv4", "0"});
  const CfgFile cfg(dir / "work", pipe ? "[SimConnect]\n"
                                       : "[SimConnect]\nProtocol=IPv4\nAddress=127.0.0.1\nPort=" +
                                             std::to_string(standin.ipv4Port()));
  Event event;
  Received received;
  SimConnectClient* client = openAndWait(event, received);
  ASSERT_NE(client, nullptr);
  EXPECT_EQ(standin.command("quit"), "ok");
  EXPECT_EQ(standin.command("drop"), "ok");
  const SimConnectResult lost = dispatchUntil(client, event.get(), received,
                                              [&] { return SimConnect_CallDispatch(client, &collect, &received) < 0; });
  EXPECT_LT(lost, 0);
  EXPECT_EQ(received.withId(recvQuit).size(), 1u);
  // From now on every operation fails with the status the connection was lost with.
  EXPECT_EQ(SimConnect_CallDispatch(client, &collect, &received), lost);
  EXPECT_EQ(SimConnect_AIRemoveObject(client, 1001, 105), lost);
  EXPECT_EQ(SimConnect_RequestDataOnSimObject(client, 109, 403, 0, 1, 0, 0, 0, 0), lost);
  EXPECT_EQ(SimConnect_Close(client), simconnectOk);
  EXPECT_EQ(SimConnectConnection::gf_count(), 0);
}

INSTANTIATE_TEST_SUITE_P(SimConnectWin, LostConnection, ::testing::Values("pipe", "ipv4"));

// Makes the next read or write start fail, and takes that back at the end of the scope.
class IoStartFault {
public:
  IoStartFault(bool write, std::uint32_t error) : write_(write) { gf_failNextIoStart(write, error); }
  ~IoStartFault() { gf_failNextIoStart(write_, 0); }
  IoStartFault(const IoStartFault&) = delete;
  IoStartFault& operator=(const IoStartFault&) = delete;

private:
  bool write_;
};

class IoStartFailure : public ::testing::TestWithParam<const char*> {};

TEST_P(IoStartFailure, AWriteOrReadThatCannotStartClosesTheConnectionWithItsError) {
  testing_support::TempDir dir;
  const auto record = dir / "record.jsonl";
  RegistryPorts noPorts;
  std::filesystem::create_directories(dir / "work");
  testing_support::ScopedCurrentPath current(dir / "work");
  const bool pipe = std::string(GetParam()) == "pipe";
  StandinProcess standin(pipe ? std::vector<std::string>{"--record", pathArg(record)}
                              : std::vector<std::string>{"--no-pipe", "--ipv4", "0", "--record", pathArg(record)});
  const CfgFile cfg(dir / "work", pipe ? "[SimConnect]\n"
                                       : "[SimConnect]\nProtocol=IPv4\nAddress=127.0.0.1\nPort=" +
                                             std::to_string(standin.ipv4Port()));
  Event event;
  {
    Received received;
    SimConnectClient* client = openAndWait(event, received);
    ASSERT_NE(client, nullptr);
    const auto noData = static_cast<SimConnectResult>(0x80070000u | ERROR_NO_DATA);
    const IoStartFault fault(true, ERROR_NO_DATA);
    // While the open request's write is still completing, the packet waits for it and its
    // own write starts from that completion: then the call returns before the failure.
    const SimConnectResult first = SimConnect_AIRemoveObject(client, 1001, 105);
    EXPECT_TRUE(first == noData || first == simconnectOk) << std::hex << first;
    EXPECT_EQ(dispatchUntil(client, event.get(), received,
                            [&] { return SimConnect_CallDispatch(client, &collect, &received) < 0; }),
              noData);
    EXPECT_EQ(SimConnect_AIRemoveObject(client, 1001, 105), noData);
    EXPECT_EQ(SimConnect_CallDispatch(client, &collect, &received), noData);
    EXPECT_EQ(SimConnect_Close(client), simconnectOk);
  }
  {
    Received received;
    SimConnectClient* client = openAndWait(event, received);
    ASSERT_NE(client, nullptr);
    const auto invalidHandle = static_cast<SimConnectResult>(0x80070000u | ERROR_INVALID_HANDLE);
    const IoStartFault fault(false, ERROR_INVALID_HANDLE);
    // The next read starts after the message that ends the current one.
    EXPECT_EQ(standin.command("quit"), "ok");
    EXPECT_EQ(dispatchUntil(client, event.get(), received,
                            [&] { return SimConnect_CallDispatch(client, &collect, &received) < 0; }),
              invalidHandle);
    EXPECT_EQ(SimConnect_RequestDataOnSimObject(client, 109, 403, 0, 1, 0, 0, 0, 0), invalidHandle);
    EXPECT_EQ(SimConnect_Close(client), simconnectOk);
  }
  // Both connections are gone: no reference was left behind by the I/O that never started.
  EXPECT_EQ(SimConnectConnection::gf_count(), 0);
  EXPECT_TRUE(standin.stop());
  const auto packets = packetsOf(readRecord(record));
  ASSERT_EQ(packets.size(), 2u); // the two open requests; the removal never left
  EXPECT_EQ(packets[0]["op"], "Open");
  EXPECT_EQ(packets[1]["op"], "Open");
}

INSTANTIATE_TEST_SUITE_P(SimConnectWin, IoStartFailure, ::testing::Values("pipe", "ipv4"));

TEST(SimConnectWin, FramingFaultsOfTheSimulatorAreHandledSoundly) {
  RegistryPorts noPorts;
  StandinProcess standin({});
  Event event;
  Received received;
  EXPECT_EQ(standin.command("split on"), "ok"); // the open reply arrives byte by byte
  SimConnectClient* client = openAndWait(event, received);
  ASSERT_NE(client, nullptr);
  EXPECT_EQ(standin.command("split off"), "ok");
  EXPECT_EQ(standin.command("send-pair"), "ok");
  EXPECT_EQ(standin.command("send-short"), "ok");
  // Zero words, then a message whose size has a zero low byte.
  std::string event256 = "00000000000000000001000023000000040000000000000000500f00";
  event256 += std::string((256 - 20) * 2, '0');
  EXPECT_EQ(standin.command("send-raw " + event256), "ok");
  EXPECT_EQ(standin.command("send-unterminated"), "ok");
  EXPECT_EQ(standin.command("flood 20000"), "ok");
  dispatchUntil(client, event.get(), received, [&] { return received.messages.size() >= 1 + 2 + 1 + 1 + 1 + 20000; });
  const auto events = received.withId(recvEvent);
  ASSERT_EQ(events.size(), 2u + 1u + 1u + 20000u);
  EXPECT_EQ(view(events[0]).u32(recv_offset::eventId), 0xABCDu);
  EXPECT_EQ(view(events[1]).u32(recv_offset::eventId), 0xABCEu);
  EXPECT_EQ(view(events[2]).u32(recv_offset::eventData), 8u); // the cut event was dropped
  EXPECT_EQ(view(events[3]).size(), 256u);
  EXPECT_EQ(view(events[3]).u32(recv_offset::eventId), 0x0F5000u);
  for (std::uint32_t i = 0; i < 20000; ++i) ASSERT_EQ(view(events[4 + i]).u32(recv_offset::eventData), i);
  const auto replies = received.withId(recvOpen);
  ASSERT_EQ(replies.size(), 2u);
  EXPECT_EQ(view(replies[1]).text(recv_offset::applicationName, recv_offset::applicationNameSize),
            std::string(256, 'N'));
  // A message larger than the receive limit ends the connection.
  EXPECT_EQ(standin.command("send-oversized 100000"), "ok");
  const SimConnectResult lost = dispatchUntil(client, event.get(), received,
                                              [&] { return SimConnect_CallDispatch(client, &collect, &received) < 0; });
  EXPECT_EQ(lost, simconnectAbort);
  EXPECT_EQ(SimConnect_Close(client), simconnectOk);
  // So does a size of 2.
  Received again;
  client = openAndWait(event, again);
  ASSERT_NE(client, nullptr);
  EXPECT_EQ(standin.command("send-raw 02000000"), "ok");
  EXPECT_EQ(
      dispatchUntil(client, event.get(), again, [&] { return SimConnect_CallDispatch(client, &collect, &again) < 0; }),
      simconnectAbort);
  EXPECT_EQ(SimConnect_Close(client), simconnectOk);
}

} // namespace
