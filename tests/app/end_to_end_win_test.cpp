// Hivemoor end to end under Wine, as a user runs it: the built program against the stand-in
// simulator and the stand-in RealTraffic, with a stand-in Prepar3D installation (its AI
// liveries and add-on scenery of KLAX with the real gates) and the pilot parked at gate B3.
// The run starts, scans, connects to both, takes KLAX for its park airport and creates moving
// aircraft; RealTraffic goes away and comes back; the simulator drops the connection, which
// ends the program; started again it reconnects; Close ends it within 10 s with nothing of it
// left in the simulator.
#include "core/settings_fixture.h"
#include "installation.h"
#include "p3d_install.h"
#include "program_driver_win.h"
#include "standin.h"
#include "standin_launcher.h"
#include "support/test_socket.h"

#include <algorithm>
#include <chrono>
#include <fmt/format.h>
#include <memory>
#include <nlohmann/json.hpp>
#include <set>
#include <shlobj.h>

using namespace program_driver;
using testing_support::readFile;
using testing_support::TempDir;

namespace {

using Clock = std::chrono::steady_clock;

// A TCP port nothing listens on now.
std::uint16_t lf_freePort() {
  std::uint16_t port = 0;
  const auto listener = testing_support::socket::listenOnLoopback(port);
  testing_support::socket::closeSocket(listener);
  return port;
}

// RealTraffic is found by its program file in the application-data folder: a marker stands
// in for it while the test runs, and goes with it unless it was there before.
class RealTrafficMarker {
public:
  RealTrafficMarker() {
    wchar_t buffer[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, buffer))) return;
    file_ = fs::path(buffer) / "InsideSystems" / "RealTraffic.jar";
    if (fs::exists(file_)) return;
    fs::create_directories(file_.parent_path());
    testing_support::writeFile(file_, "jar");
    made_ = true;
  }
  RealTrafficMarker(const RealTrafficMarker&) = delete;
  RealTrafficMarker& operator=(const RealTrafficMarker&) = delete;
  ~RealTrafficMarker() {
    std::error_code ignored;
    if (made_) fs::remove(file_, ignored);
  }

private:
  fs::path file_;
  bool made_ = false;
};

// The program finds the scenery library in the program-data folder that it inherits.
class ScopedProgramData {
public:
  explicit ScopedProgramData(const fs::path& folder) {
    wchar_t buffer[MAX_PATH * 2] = {};
    const DWORD length = GetEnvironmentVariableW(L"ProgramData", buffer, MAX_PATH * 2);
    if (length > 0 && length < MAX_PATH * 2) before_ = buffer;
    SetEnvironmentVariableW(L"ProgramData", folder.c_str());
  }
  ScopedProgramData(const ScopedProgramData&) = delete;
  ScopedProgramData& operator=(const ScopedProgramData&) = delete;
  ~ScopedProgramData() { SetEnvironmentVariableW(L"ProgramData", before_ ? before_->c_str() : nullptr); }

private:
  std::optional<std::wstring> before_;
};

struct SimObject {
  std::uint32_t id = 0;
  std::string title;
  std::string atcId;
  int createdBy = 0;
  std::uint64_t positions = 0;
  bool removed = false;
};

// What the stand-in simulator holds now: the aircraft its clients created.
std::vector<SimObject> lf_objects(StandinProcess& simulator) {
  std::vector<SimObject> objects;
  const auto table = nlohmann::json::parse(simulator.command("objects"), nullptr, false);
  if (!table.is_array()) return objects;
  for (const auto& o : table) {
    if (o.value("user", false) || o.value("createdBy", 0) == 0) continue;
    objects.push_back({o.value("id", 0u), o.value("title", std::string{}), o.value("atcId", std::string{}),
                       o.value("createdBy", 0), o.value("positions", std::uint64_t{0}), o.value("removed", false)});
  }
  return objects;
}

// Aircraft of this connection that the simulator still shows and that have been moved.
std::size_t lf_movingAircraft(StandinProcess& simulator, int connection) {
  std::size_t moving = 0;
  for (const auto& o : lf_objects(simulator))
    if (o.createdBy == connection && !o.removed && o.positions > 1) ++moving;
  return moving;
}

int lf_openSessions(StandinProcess& simulator) {
  // "ok ALL OPEN"
  const auto answer = simulator.command("sessions");
  int all = 0;
  int open = 0;
  if (std::sscanf(answer.c_str(), "ok %d %d", &all, &open) != 2) return -1;
  return open;
}

int lf_sessionCount(StandinProcess& simulator) {
  const auto answer = simulator.command("sessions");
  int all = 0;
  int open = 0;
  if (std::sscanf(answer.c_str(), "ok %d %d", &all, &open) != 2) return -1;
  return all;
}

std::size_t lf_count(const std::string& text, const std::string& part) {
  std::size_t found = 0;
  for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++found;
  return found;
}

} // namespace

TEST(EndToEnd, RunsThroughLossesOfBothPeersAndClosesLeavingNothingBehind) {
  TempDir program{"hvm-e2e"};
  TempDir settings{"hvm-e2e-settings"};
  TempDir world{"hvm-e2e-world"};
  fs::create_directory(program / "docs");
  fs::copy(windowsPath(HVM_BUILT_INPUT_DIR), program / "input", fs::copy_options::recursive);

  // The stand-in installation: liveries of the recordings' airlines and types, and add-on
  // scenery with the real gates of KLAX registered in the scenery library.
  p3dinstall::Options installation;
  installation.root = world / "p3d";
  installation.aircraftFiles = 2;
  installation.hostile = false;
  installation.recordingsFleet = true;
  installation.appDataFolder = world / "AppData";
  installation.programDataFolder = world / "ProgramData";
  const auto manifest = p3dinstall::gf_writeInstallation(installation);
  std::set<std::string> scannedTitles;
  for (const auto& livery : manifest.liveries) scannedTitles.insert(livery.title);
  const auto programData = world / "ProgramData";
  bglwriter::writeInstallationScenery(
      {manifest.simFolder, programData / "Lockheed Martin" / "Prepar3D v5", windowsPath(HVM_DATA_DIR "/stands")});

  // The stand-in simulator on a port of its own, the pilot parked at gate B3.
  StandinProcess simulator({"--no-pipe", "--ipv4", "0"});
  ASSERT_EQ(simulator.command("teleport 0.216"), "ok");
  testing_support::writeFile(
      program / "SimConnect.cfg",
      fmt::format("[SimConnect]\r\nProtocol=IPv4\r\nAddress=127.0.0.1\r\nPort={}\r\n", simulator.ipv4Port()));

  // What the user set: the installation, its livery folders by hand, both scans, plausible
  // parked aircraft for an airport that has learned nothing yet, and a RealTraffic port no
  // other test uses.
  const auto linkPort = lf_freePort();
  settings_testing::Entries entries{{"SIM_INSTALL_PATH", gf_pathText(manifest.simFolder)},
                                    {"SCAN_LIVERIES", "true"},
                                    {"SCAN_AIRPORTS", "true"},
                                    {"LIG_AUTOMATIC", "false"},
                                    {"PARK_FAKE", "true"},
                                    {"PORT_NUMBER", std::to_string(linkPort)}};
  for (std::size_t i = 0; i < manifest.liveryFolders.size() && i < 10; ++i)
    entries.emplace_back(fmt::format("lfolder{}", i), manifest.liveryFolders[i]);
  settings_testing::writeSettings(settings / "parameters.xml", entries);

  RealTrafficMarker realTrafficInstalled;
  ScopedProgramData programDataFolder(programData);
  const auto log = [&] { return readFile(program / "Log.txt"); };
  const auto logHas = [&](const std::string& text, std::size_t times = 1, int seconds = 60) {
    return eventually([&] { return lf_count(log(), text) >= times; }, std::chrono::seconds(seconds));
  };

  rtstandin::Options replay;
  replay.file = gf_pathText(windowsPath(HVM_DATA_DIR "/realtraffic/KLAX_20200617_2152.csv"));
  replay.speed = 4;
  replay.linkPort = linkPort;
  std::unique_ptr<rtstandin::StandIn> realTraffic;
  int secondRun = 0; // the connection of the program's second start
  {
    RunningProgram hivemoor(program.path(), settings.path());
    ASSERT_TRUE(hivemoor.started());
    ASSERT_NE(hivemoor.findWindow(), nullptr);

    // Start-up: both scans, then the simulator and the flight.
    ASSERT_TRUE(logHas("Waiting for RealTraffic to connect")) << log();
    EXPECT_TRUE(fs::exists(program / "output" / "LiveriesScanned.xml"));
    EXPECT_FALSE(fs::is_empty(program / "airports")) << "the add-on scan found KLAX";
    EXPECT_EQ(lf_openSessions(simulator), 1);

    // RealTraffic connects and replays: aircraft of the scanned liveries appear and move.
    realTraffic = std::make_unique<rtstandin::StandIn>(replay);
    realTraffic->start();
    ASSERT_TRUE(logHas("RealTraffic connected"));
    // A loaded machine may delay the simulator's open reply until the link opens again: the
    // aircraft belong to the latest connection.
    ASSERT_TRUE(eventually([&] { return lf_movingAircraft(simulator, lf_sessionCount(simulator)) >= 3; },
                           std::chrono::seconds(90)))
        << simulator.command("objects");
    for (const auto& o : lf_objects(simulator)) EXPECT_TRUE(scannedTitles.contains(o.title)) << o.title;

    // The pilot is at a gate of KLAX: it becomes the park airport, with the pilot's stand kept.
    EXPECT_TRUE(logHas("The park airport is KLAX"));
    EXPECT_TRUE(logHas("my_park_airports.txt created with KLAX,B3"));
    // Its stands take static aircraft: marked by a '*' behind the callsign, never moved.
    EXPECT_TRUE(eventually(
        [&] {
          const auto objects = lf_objects(simulator);
          return std::any_of(objects.begin(), objects.end(), [](const SimObject& o) {
            return !o.removed && o.atcId.ends_with('*') && o.positions == 0;
          });
        },
        std::chrono::seconds(60)))
        << simulator.command("objects");

    // The window shows both links up: the simulator's lamp and RealTraffic's are green.
    const auto green = [&](int x, int y) {
      const auto shot = Screenshot::take("end-to-end");
      if (!shot) return false;
      const auto origin = hivemoor.clientOrigin();
      return shot->at(origin.x + x, origin.y + y) == 0x32CD32u;
    };
    EXPECT_TRUE(eventually([&] { return green(411, 100) && green(439, 100); }, std::chrono::seconds(10)));

    // RealTraffic goes away: its aircraft go with it; it comes back and new ones come.
    realTraffic->dropConnection();
    ASSERT_TRUE(logHas("RealTraffic gone?"));
    ASSERT_TRUE(logHas("RealTraffic re-connected"));
    const auto before = lf_objects(simulator).size();
    EXPECT_TRUE(eventually([&] { return lf_objects(simulator).size() > before; }, std::chrono::seconds(60)));

    // The simulator drops the connection: the program says so and ends.
    ASSERT_EQ(simulator.command("drop"), "ok");
    EXPECT_TRUE(logHas("Exiting: SIM WAS CLOSED"));
    const auto ended = hivemoor.waitForExit(30000);
    ASSERT_TRUE(ended.ended);
    EXPECT_EQ(ended.code, 0u);
  }

  // Started again, it connects again and carries on with the same settings.
  {
    RunningProgram hivemoor(program.path(), settings.path());
    ASSERT_TRUE(hivemoor.started());
    ASSERT_NE(hivemoor.findWindow(), nullptr);
    const int before = lf_sessionCount(simulator);
    ASSERT_TRUE(eventually([&] { return lf_sessionCount(simulator) > before && lf_openSessions(simulator) == 1; },
                           std::chrono::seconds(60)));
    ASSERT_TRUE(logHas("RealTraffic connected"));
    ASSERT_TRUE(eventually([&] { return lf_movingAircraft(simulator, lf_sessionCount(simulator)) >= 1; },
                           std::chrono::seconds(60)));
    secondRun = lf_sessionCount(simulator);

    // Close, as the user clicks it: the program ends within 10 s, its aircraft removed.
    const auto closing = Clock::now();
    PostMessageW(hivemoor.window(), WM_CLOSE, 0, 0);
    const auto ended = hivemoor.waitForExit(10000);
    ASSERT_TRUE(ended.ended) << "still running 10 s after Close";
    EXPECT_EQ(ended.code, 0u);
    EXPECT_LE(Clock::now() - closing, std::chrono::seconds(10));
  }
  std::size_t left = 0;
  for (const auto& o : lf_objects(simulator)) {
    if (o.createdBy < secondRun || o.removed) continue;
    ADD_FAILURE() << o.id << " " << o.title << " left in the simulator";
    ++left;
  }
  if (left > 0) {
    const auto text = log();
    ADD_FAILURE() << "the log's end:\n" << text.substr(text.size() > 6000 ? text.size() - 6000 : 0);
  }
  EXPECT_EQ(nlohmann::json::parse(simulator.command("violations")).value("count", -1), 0)
      << simulator.command("violations");
  realTraffic->stop();
}
