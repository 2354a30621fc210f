// rtstandin: a stand-in for RealTraffic on this PC.
//
//   rtstandin [FILE] [--speed F] [--from S] [--max-rate N] [--traffic-port N] [--weather-port N] [--link-port N]
//             [--no-link] [--reply level1|level2|nonjson|split|late|none] [--late-ms N]
//             [--record FILE] [--max-seconds N]
//
// Replays FILE (a recording or scenario, see recording.h) from S seconds into it, at F times
// its own pace (and at most N datagrams a second) and
// talks on the TCP link until Hivemoor says "exit" after the replay (or, without the link,
// until the replay is done), or until --max-seconds have passed.
#include "standin.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace {

int usage(const char* problem) {
  std::fprintf(stderr, "rtstandin: %s\n", problem);
  std::fprintf(stderr, "usage: rtstandin [FILE] [--speed F] [--from S] [--max-rate N] [--traffic-port N] "
                       "[--weather-port N] [--link-port N]\n"
                       "                 [--no-link] [--reply level1|level2|nonjson|split|late|none]\n"
                       "                 [--late-ms N] [--record FILE] [--max-seconds N]\n");
  return 2;
}

std::uint16_t port(const std::string& text) {
  const long value = std::stol(text);
  if (value < 1 || value > 65535) throw std::out_of_range("port");
  return static_cast<std::uint16_t>(value);
}

int run(const std::vector<std::string>& args) {
  rtstandin::Options options;
  double maxSeconds = 0;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const auto& arg = args[i];
    const auto next = [&]() -> const std::string& {
      if (i + 1 >= args.size()) throw std::invalid_argument(arg + " needs a value");
      return args[++i];
    };
    if (arg == "--speed")
      options.speed = std::stod(next());
    else if (arg == "--from")
      options.fromSeconds = std::stod(next());
    else if (arg == "--max-rate")
      options.maxRate = std::stod(next());
    else if (arg == "--traffic-port")
      options.trafficPort = port(next());
    else if (arg == "--weather-port")
      options.weatherPort = port(next());
    else if (arg == "--link-port")
      options.linkPort = port(next());
    else if (arg == "--no-link")
      options.link = false;
    else if (arg == "--late-ms")
      options.lateMs = std::stoi(next());
    else if (arg == "--record")
      options.recordFile = next();
    else if (arg == "--max-seconds")
      maxSeconds = std::stod(next());
    else if (arg == "--reply") {
      const auto variant = rtstandin::replyVariantFromName(next());
      if (!variant) return usage("unknown reply variant");
      options.reply = *variant;
    } else if (!arg.empty() && arg[0] == '-')
      return usage(("unknown option " + arg).c_str());
    else
      options.file = arg;
  }
  rtstandin::StandIn standIn(options);
  standIn.start();
  const auto start = std::chrono::steady_clock::now();
  while (!(standIn.replayDone() && (!options.link || standIn.exitReceived()))) {
    if (maxSeconds > 0 && std::chrono::steady_clock::now() - start > std::chrono::duration<double>(maxSeconds)) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  standIn.stop();
  std::printf("traffic datagrams: %zu, weather datagrams: %zu\n", standIn.trafficSent(), standIn.weatherSent());
  std::size_t invalid = 0;
  for (const auto& record : standIn.records())
    if (record.event == "message" && !record.check.valid) ++invalid;
  std::printf("messages received: %zu records, %zu not in the link's formats\n", standIn.records().size(), invalid);
  return invalid == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
  try {
    return run(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const std::exception& e) {
    return usage(e.what());
  }
}
