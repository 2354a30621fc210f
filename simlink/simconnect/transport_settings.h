#pragma once
// How the client finds the simulator: the protocol, address and port, from defaults and
// the sections of SimConnect.cfg files. Reading the files is the platform's; applying
// what they say is here.
#include <cstdint>
#include <functional>
#include <string>

enum class SimConnectProtocol : std::int32_t { pipe = 0, ipv4 = 1, ipv6 = 2 };

struct TransportSettings {
  SimConnectProtocol protocol = SimConnectProtocol::pipe;
  std::u16string address; // pipe server or TCP host, at most 1023 characters
  std::u16string port;    // pipe name or TCP port, at most 1023 characters
  std::int32_t maxReceiveSize = 41088;
  bool disableNagle = false;
};

// The keys of one SimConnect.cfg section as read; a missing key is empty.
struct SimConnectCfgKeys {
  std::u16string protocol;
  std::u16string address;
  std::u16string port;
  std::u16string maxReceiveSize;
  std::u16string disableNagle;
};

inline constexpr std::size_t transportTextLimit = 1023;

// "SimConnect" for index 0, "SimConnect.<index>" for the others.
std::u16string gf_simConnectCfgSection(std::uint32_t configIndex);

// Applies one file's section to the settings; later files override earlier ones key by
// key. A file that selects IPv4 or IPv6 takes the simulator's published port of that
// family (registryPort, empty when there is none) unless its own Port key names one.
void gf_applySimConnectCfg(TransportSettings& settings, const SimConnectCfgKeys& keys,
                           const std::function<std::u16string(SimConnectProtocol)>& registryPort);

enum class SocketAttempt { connected, failed, noWinsock };

// The platform's connect steps. Each failed attempt has closed its client before it returns.
struct TransportAttempts {
  // A pipe client on the server (empty: this machine) and pipe name (empty: the simulator's).
  std::function<bool(const std::u16string& server, const std::u16string& name)> pipe;
  // A socket client of the family (ipv4 or ipv6); an empty port is a failed attempt.
  std::function<SocketAttempt(SimConnectProtocol family, const std::u16string& address, const std::u16string& port)>
      socket;
  // The simulator's published TCP port of the family, empty when it cannot be read.
  std::function<std::u16string(SimConnectProtocol family)> simPort;
};

// The attempts from the configured protocol on. TCP without an address goes to this
// machine's loopback address (with the published port when none is set). Only a failure on
// this machine falls back:
// a pipe on "" or "." to the published IPv6 port, "::1" to the published IPv4 port, and
// "127.0.0.1" to the default pipe. True when an attempt connected.
bool gf_runTransportAttempts(const TransportSettings& settings, const TransportAttempts& attempts);
