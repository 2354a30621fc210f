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
