// Sends position packets (SetDataOnSimObject of eight float64, 100 bytes each) as fast as
// the client takes them and measures how many per second the stand-in simulator receives,
// over the named pipe and over TCP. The need: 500 aircraft at 60 frames per second are
// 30,000 packets per second.
#include "simlink/simconnect/received_messages.h"
#include "simlink/simconnect/simconnect.h"
#include "standin_launcher.h"

#include <array>
#include <chrono>
#include <filesystem>
#include <fmt/format.h>
#include <fstream>
#include <sstream>
#include <string>
#include <windows.h>

namespace {

struct Opened {
  bool replied = false;
  std::uint32_t aircraft = 0; // the aircraft created to be moved
};

void lf_onMessage(const SimConnectRecv* message, std::uint32_t size, void* context) {
  auto* opened = static_cast<Opened*>(context);
  if (message->id == recvOpen) opened->replied = true;
  if (message->id == recvEventObjectAddRemove)
    opened->aircraft = ReceivedMessage(message, size).u32(recv_offset::eventData);
}

// Position packets the stand-in has received so far, waiting (at most 20 s) until at
// least wanted have arrived.
std::uint64_t lf_received(StandinProcess& standin, std::uint64_t wanted) {
  std::istringstream answer(standin.command(fmt::format("sync-data {}", wanted), 60000));
  std::string status;
  std::uint64_t packets = 0, positions = 0;
  answer >> status >> packets >> positions;
  return positions;
}

bool lf_run(StandinProcess& standin, const char* transport, std::uint32_t configIndex, std::uint32_t count) {
  SimConnectClient* client = nullptr;
  HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  if (SimConnect_Open(&client, "Hivemoor benchmark", nullptr, 0, event, configIndex) != simconnectOk) {
    fmt::print("{}: cannot open\n", transport);
    CloseHandle(event);
    return false;
  }
  Opened opened;
  for (int i = 0; i < 200 && !opened.replied; ++i) {
    WaitForSingleObject(event, 50);
    SimConnect_CallDispatch(client, &lf_onMessage, &opened);
  }
  for (const char* name : {"Plane Latitude", "Plane Longitude", "Plane Pitch degrees", "Plane Bank degrees",
                           "Plane Heading degrees true", "Plane Altitude", "Vertical Speed", "Airspeed True"})
    SimConnect_AddToDataDefinition(client, 402, name, "number", 4, 0.0f, simconnectUnusedDatumId);
  // An aircraft of its own to move: the simulator takes positions only for those.
  SimConnect_SubscribeToSystemEvent(client, 202, "ObjectAdded");
  const SimConnectInitPosition origin{33.94, -118.40, 500.0, 0.0, 0.0, 90.0, 0, 150};
  SimConnect_AICreateNonATCAircraft(client, "Boeing 737-800", "BENCH1", origin, 104);
  for (int i = 0; i < 200 && opened.aircraft == 0; ++i) {
    WaitForSingleObject(event, 50);
    SimConnect_CallDispatch(client, &lf_onMessage, &opened);
  }
  const std::uint64_t before = lf_received(standin, 0);
  std::array<double, 8> position{33.94, -118.40, 0.0, 0.0, 1.0, 500.0, 0.0, 150.0};
  const auto start = std::chrono::steady_clock::now();
  std::uint32_t sent = 0;
  for (; sent < count; ++sent) {
    position[0] += 1e-7;
    if (SimConnect_SetDataOnSimObject(client, 402, opened.aircraft, 0, 0, 64, position.data()) != simconnectOk) break;
  }
  const auto queued = std::chrono::steady_clock::now();
  std::uint64_t arrived = before;
  while (arrived < before + sent) {
    const std::uint64_t now = lf_received(standin, before + sent);
    if (now == arrived) break; // nothing more arrives
    arrived = now;
  }
  const auto done = std::chrono::steady_clock::now();
  const double seconds = std::chrono::duration<double>(done - start).count();
  const double sendSeconds = std::chrono::duration<double>(queued - start).count();
  fmt::print("{:5}: {} of {} packets arrived in {:.3f} s: {:.0f} packets/s ({:.0f} packets/s handed to the client)\n",
             transport, arrived - before, count, seconds, static_cast<double>(arrived - before) / seconds,
             static_cast<double>(sent) / sendSeconds);
  SimConnect_Close(client);
  CloseHandle(event);
  return arrived - before == count;
}

} // namespace

int main(int argc, char** argv) {
  const std::uint32_t count = argc > 1 ? static_cast<std::uint32_t>(std::stoul(argv[1])) : 300000;
  try {
    const auto folder = std::filesystem::temp_directory_path() / "hvm_simbench";
    std::filesystem::create_directories(folder);
    std::filesystem::current_path(folder);
    StandinProcess standin({"--ipv4", "0", "--frame-rate", "60"});
    std::ofstream(folder / "SimConnect.cfg")
        << fmt::format("[SimConnect.1]\nProtocol=IPv4\nAddress=127.0.0.1\nPort={}\n", standin.ipv4Port());
    const bool pipe = lf_run(standin, "pipe", 0, count);
    const bool tcp = lf_run(standin, "tcp", 1, count);
    standin.stop();
    std::filesystem::remove(folder / "SimConnect.cfg");
    return pipe && tcp ? 0 : 1;
  } catch (const std::exception& e) {
    fmt::print("hvm_simbench: {}\n", e.what());
    return 1;
  }
}
