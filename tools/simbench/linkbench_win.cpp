// The link against the stand-in simulator with many aircraft at 60 frames a second: how long
// the Frame handler holds the command mutex, and how long after a Frame leaves the stand-in
// the last position packet of that frame reaches it. The need: 500 aircraft, every position
// of a frame delivered within 4 ms at p99, the mutex held under 1 ms. Run by hand under Wine:
//   scripts/with-wine-display scripts/wine-run build/win64/tools/simbench/hvm_linkbench.exe [aircraft] [seconds]
//   [pipe|tcp]
#include "core/settings/parameters.h"
#include "core/shell/run_state.h"
#include "simlink/command_queues.h"
#include "simlink/direct_calls.h"
#include "simlink/frame_sender.h"
#include "simlink/link_state.h"
#include "simlink/link_timer.h"
#include "simlink/result_queue.h"
#include "simlink/sim_client.h"
#include "simlink/user_state.h"
#include "standin_launcher.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fmt/format.h>
#include <fstream>
#include <functional>
#include <set>
#include <sstream>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Hold {
  double microseconds;
  double totalMicroseconds;
  std::size_t positions;
};
std::vector<Hold> holds(200000);
std::atomic<std::size_t> holdCount{0};

void lf_probe(Clock::duration held, Clock::duration total, std::size_t positions) {
  const std::size_t at = holdCount.fetch_add(1);
  if (at < holds.size())
    holds[at] = {std::chrono::duration<double, std::micro>(held).count(),
                 std::chrono::duration<double, std::micro>(total).count(), positions};
}

bool lf_waitFor(const std::function<bool()>& condition, int timeoutMs) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!condition()) {
    if (Clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

double lf_percentile(std::vector<double> values, double q) {
  if (values.empty()) return 0.0;
  std::sort(values.begin(), values.end());
  return values[std::min(values.size() - 1, static_cast<std::size_t>(q * static_cast<double>(values.size())))];
}

} // namespace

int main(int argc, char** argv) {
  const int aircraft = argc > 1 ? std::stoi(argv[1]) : 500;
  const int seconds = argc > 2 ? std::stoi(argv[2]) : 10;
  const bool tcp = argc > 3 && std::string(argv[3]) == "tcp";
  try {
    // Over TCP the link finds the stand-in through a SimConnect.cfg in its current folder.
    const auto folder = std::filesystem::temp_directory_path() / "hvm_linkbench";
    std::filesystem::create_directories(folder);
    std::filesystem::current_path(folder);
    std::filesystem::remove(folder / "SimConnect.cfg");
    StandinProcess standin(tcp ? std::vector<std::string>{"--frame-rate", "60", "--no-pipe", "--ipv4", "0"}
                               : std::vector<std::string>{"--frame-rate", "60"});
    if (tcp)
      std::ofstream(folder / "SimConnect.cfg") << fmt::format(
          "[SimConnect]\nProtocol=IPv4\nAddress=127.0.0.1\nPort={}\nDisableNagle=1\n", standin.ipv4Port());
    gf_resetSimLink(5);
    gf_initSimClient(5);
    ALL_INSTALL_PATH.set("C:\\Program Files\\Lockheed Martin\\Prepar3D v5");
    gf_setFrameProbe(&lf_probe);
    std::jthread link = gf_startSimClient();
    if (!lf_waitFor([] { return runState.flightRunning.load(); }, 30000)) throw std::runtime_error("no flight");
    UserAcData user;
    if (!lf_waitFor(
            [&] {
              user = gf_requestUserAcPosition();
              return gf_userPositionKnown(user);
            },
            30000))
      throw std::runtime_error("no user position");

    std::vector<std::string> titles(1, "Boeing 737-800 Paint1");
    for (int i = 0; i < aircraft; ++i) {
      CreateAcData c;
      c.position = {user.latitude + 0.01 * (i / 50), user.longitude + 0.01 * (i % 50), 3000.0, 0, 0, 90.0, 0, 250};
      c.callsign = fmt::format("HVM{}", i);
      c.title = titles.front();
      c.hexId = 10001 + i;
      gf_queueCreateAc(c);
    }
    // Every request brings one message per aircraft: asked four times a second, as live
    // traffic at its fastest does, so the link is not flooded.
    std::set<std::int32_t> objects;
    if (!lf_waitFor(
            [&] {
              std::this_thread::sleep_for(std::chrono::milliseconds(240));
              gf_requestAircraftInRange(200000);
              std::lock_guard lock(simResults.resultMutex);
              for (const auto& r : simResults.results)
                if (r.code == simResultLiveCreated) objects.insert(r.objectId);
              simResults.results.clear();
              return static_cast<int>(objects.size()) == aircraft;
            },
            60000))
      throw std::runtime_error(fmt::format("{} of {} aircraft identified", objects.size(), aircraft));
    const std::vector<std::int32_t> ids(objects.begin(), objects.end());

    // From here on each Frame's positions can be matched to it: the link answers the Frames in
    // their order, one probe call each.
    // Traced once the link has caught up with the Frames (the last range replies are handled).
    std::string ok;
    std::size_t firstFrame = 0;
    if (!lf_waitFor(
            [&] {
              std::istringstream traced(standin.command("frame-trace"));
              traced >> ok >> firstFrame;
              return ok == "ok" && firstFrame <= holdCount.load() + 2;
            },
            30000))
      throw std::runtime_error("the link does not catch up with the Frames");
    // No position may go out before the link has answered every Frame sent before the trace:
    // an untraced Frame's positions would arrive traced and put every later Frame one off.
    if (!lf_waitFor([&] { return holdCount.load() >= firstFrame; }, 30000))
      throw std::runtime_error("the link does not answer the Frames before the trace");
    {
      TimerResolution oneMillisecond;
      const auto end = Clock::now() + std::chrono::seconds(seconds);
      auto tick = Clock::now();
      for (int n = 0; Clock::now() < end; ++n) {
        for (std::size_t i = 0; i < ids.size(); ++i)
          simCommands.fillBuffer->push_back({user.latitude + 0.01 * static_cast<double>(i / 50) + n * 1e-6,
                                             user.longitude + 0.01 * static_cast<double>(i % 50), 0.0, 0.0, 1.57,
                                             3000.0, 0.0, 250.0, ids[i]});
        gf_handOverPositions();
        tick += std::chrono::milliseconds(10);
        gf_linkSleepUntil(tick);
      }
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const std::size_t calls = std::min(holdCount.load(), holds.size());
    std::string counts = "frame-match";
    for (std::size_t i = firstFrame; i < calls; ++i) counts += fmt::format(" {}", holds[i].positions);
    std::istringstream latency(standin.command(counts));
    std::size_t frames = 0, left = 0;
    double p50 = 0, p99 = 0, max = 0;
    latency >> ok >> frames >> p50 >> p99 >> max >> left;
    if (ok != "ok" || left != 0) throw std::runtime_error("the positions do not line up with the Frames");
    std::vector<double> full, sending;
    for (std::size_t i = firstFrame; i < calls; ++i) {
      if (holds[i].positions != static_cast<std::size_t>(aircraft)) continue;
      full.push_back(holds[i].microseconds);
      sending.push_back(holds[i].totalMicroseconds);
    }
    fmt::print("{} aircraft, {} s at 60 frames/s over {}\n", aircraft, seconds, tcp ? "TCP" : "the default pipe");
    fmt::print("command mutex held per frame with {} positions: p50 {:.0f} us, p99 {:.0f} us, max {:.0f} us "
               "({} frames)\n",
               aircraft, lf_percentile(full, 0.5), lf_percentile(full, 0.99), lf_percentile(full, 1.0), full.size());
    fmt::print("Frame handler in all (sending included): p50 {:.0f} us, p99 {:.0f} us\n", lf_percentile(sending, 0.5),
               lf_percentile(sending, 0.99));
    fmt::print("Frame sent -> last position of that frame received: p50 {:.2f} ms, p99 {:.2f} ms, max {:.2f} ms "
               "({} frames with positions, {} positions unmatched)\n",
               p50, p99, max, frames, left);
    link.request_stop();
    link.join();
    gf_setFrameProbe(nullptr);
    standin.stop();
    std::filesystem::remove(folder / "SimConnect.cfg");
    return 0;
  } catch (const std::exception& e) {
    fmt::print("hvm_linkbench: {}\n", e.what());
    return 1;
  }
}
