// The stand-in simulator: serves SimConnect clients like Prepar3D would, checks and records
// every packet they send, and takes commands (faults, events, counts) on standard input,
// one per line, answering each with one line on standard output.
#include "standin_servers.h"
#include "standin_simulator.h"

#include <chrono>
#include <cstdlib>
#include <fmt/format.h>
#include <iostream>
#include <nlohmann/json.hpp>
#include <string>
#include <thread>

namespace {

void lf_usage() {
  std::cerr << "usage: hvm_simstandin [--pipe NAME | --no-pipe] [--ipv4 PORT] [--ipv6 PORT] [--record FILE]\n"
               "  [--name TEXT] [--version A.B.C.D] [--frame-rate HZ] [--sim-running 0|1] [--fail-title TEXT]... "
               "[--add-delay MS]\n"
               "  [--user-object ID] [--user-title TEXT] [--user-model TEXT]\n"
               "PORT 0 takes any free port; the ports taken are in the first line on standard output.\n";
}

} // namespace

int main(int argc, char** argv) {
  standin::Options options;
  standin::ServerOptions servers;
  servers.pipeName = "\\\\.\\pipe\\Lockheed Martin Prepar3D v5\\SimConnect";
  try {
    for (int i = 1; i < argc; ++i) {
      const std::string arg = argv[i];
      auto value = [&]() -> std::string {
        if (i + 1 >= argc) throw std::invalid_argument(arg + " needs a value");
        return argv[++i];
      };
      if (arg == "--pipe")
        servers.pipeName = value();
      else if (arg == "--no-pipe")
        servers.pipeName.clear();
      else if (arg == "--ipv4")
        servers.ipv4Port = std::stoi(value());
      else if (arg == "--ipv6")
        servers.ipv6Port = std::stoi(value());
      else if (arg == "--record")
        options.recordPath = value();
      else if (arg == "--name")
        options.name = value();
      else if (arg == "--version") {
        const std::string text = value();
        if (std::sscanf(text.c_str(), "%u.%u.%u.%u", &options.version[0], &options.version[1], &options.version[2],
                        &options.version[3]) != 4)
          throw std::invalid_argument("--version takes A.B.C.D");
      } else if (arg == "--frame-rate")
        options.frameRate = std::stod(value());
      else if (arg == "--sim-running")
        options.simRunning = value() != "0";
      else if (arg == "--fail-title")
        options.failTitles.push_back(value());
      else if (arg == "--add-delay")
        options.addDelayMs = std::stoi(value());
      else if (arg == "--user-object")
        options.userObjectId = static_cast<std::uint32_t>(std::stoul(value()));
      else if (arg == "--user-title")
        options.userTitle = value();
      else if (arg == "--user-model")
        options.userModel = value();
      else
        throw std::invalid_argument("unknown option " + arg);
    }
  } catch (const std::exception& e) {
    std::cerr << "hvm_simstandin: " << e.what() << '\n';
    lf_usage();
    return 2;
  }
  try {
    standin::Simulator simulator(options);
    auto listening = standin::startServers(servers, simulator);
    const nlohmann::json ready = {
        {"ready", true}, {"ipv4", listening->ipv4Port()}, {"ipv6", listening->ipv6Port()}, {"pipe", servers.pipeName}};
    std::cout << ready.dump() << std::endl;
    std::string line;
    for (int readErrors = 0;;) {
      if (!std::getline(std::cin, line)) {
        // Only the end of the input ends the session; a read that fails now and then on a
        // loaded machine is tried again.
        if (std::cin.eof() || ++readErrors > 100) {
          std::cerr << "hvm_simstandin: standard input " << (std::cin.eof() ? "ended" : "keeps failing") << '\n';
          break;
        }
        std::cin.clear();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        continue;
      }
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (line == "exit") break;
      std::cout << simulator.command(line) << std::endl;
    }
    listening->stop();
    simulator.shutdown();
    std::cout << "bye" << std::endl;
  } catch (const std::exception& e) {
    std::cout << nlohmann::json({{"ready", false}, {"error", e.what()}}).dump() << std::endl;
    std::cerr << "hvm_simstandin: " << e.what() << '\n';
    return 1;
  }
  return 0;
}
