#include "simlink/simconnect/transport_settings.h"

#include <string_view>

namespace {

bool lf_equalsNoCase(std::u16string_view text, std::string_view ascii) {
  if (text.size() != ascii.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char16_t c = text[i];
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
    char a = ascii[i];
    if (a >= 'A' && a <= 'Z') a = static_cast<char>(a - 'A' + 'a');
    if (c != static_cast<char16_t>(static_cast<unsigned char>(a))) return false;
  }
  return true;
}

// A decimal integer as the profile functions read one: optional blanks and sign, then
// digits up to the first other character; 0 when there are none. Saturates at the limits.
std::int64_t lf_decimal(std::u16string_view text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == u' ' || text[i] == u'\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) negative = text[i++] == u'-';
  std::int64_t value = 0;
  for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
    value = value * 10 + (text[i] - u'0');
    if (value > 0x7FFFFFFF) value = 0x7FFFFFFF;
  }
  return negative ? -value : value;
}

std::u16string lf_limited(const std::u16string& text) { return text.substr(0, transportTextLimit); }

} // namespace

std::u16string gf_simConnectCfgSection(std::uint32_t configIndex) {
  if (configIndex == 0) return u"SimConnect";
  const std::string number = std::to_string(configIndex);
  return u"SimConnect." + std::u16string(number.begin(), number.end());
}

void gf_applySimConnectCfg(TransportSettings& settings, const SimConnectCfgKeys& keys,
                           const std::function<std::u16string(SimConnectProtocol)>& registryPort) {
  if (lf_equalsNoCase(keys.protocol, "Auto") || lf_equalsNoCase(keys.protocol, "Pipe")) {
    settings.protocol = SimConnectProtocol::pipe;
  } else if (lf_equalsNoCase(keys.protocol, "IPv4") || lf_equalsNoCase(keys.protocol, "IPv6")) {
    settings.protocol = lf_equalsNoCase(keys.protocol, "IPv4") ? SimConnectProtocol::ipv4 : SimConnectProtocol::ipv6;
    if (registryPort) {
      if (std::u16string published = registryPort(settings.protocol); !published.empty())
        settings.port = lf_limited(published);
    }
  }
  if (!keys.address.empty()) settings.address = lf_limited(keys.address);
  if (!keys.port.empty()) settings.port = lf_limited(keys.port);
  if (!keys.maxReceiveSize.empty()) {
    const std::int64_t size = lf_decimal(keys.maxReceiveSize);
    if (size > settings.maxReceiveSize) settings.maxReceiveSize = static_cast<std::int32_t>(size);
  }
  if (!keys.disableNagle.empty()) settings.disableNagle = lf_decimal(keys.disableNagle) != 0;
}

bool gf_runTransportAttempts(const TransportSettings& settings, const TransportAttempts& attempts) {
  std::u16string address = settings.address;
  std::u16string port = settings.port;
  SimConnectProtocol protocol = settings.protocol;
  // TCP without an address means this machine: the family's loopback address, and the
  // simulator's published port when none is configured. (An empty address would fail
  // every attempt without a word, and without the fallbacks of this machine.)
  if (protocol != SimConnectProtocol::pipe && address.empty()) {
    address = protocol == SimConnectProtocol::ipv6 ? u"::1" : u"127.0.0.1";
    if (port.empty()) port = attempts.simPort(protocol);
  }
  if (protocol == SimConnectProtocol::pipe) {
    if (attempts.pipe(address, port)) return true;
    if (!address.empty() && address != u".") return false;
    address = u"::1";
    port = attempts.simPort(SimConnectProtocol::ipv6);
    protocol = SimConnectProtocol::ipv6;
  }
  if (protocol == SimConnectProtocol::ipv6) {
    const SocketAttempt attempt = attempts.socket(SimConnectProtocol::ipv6, address, port);
    if (attempt == SocketAttempt::connected) return true;
    if (attempt == SocketAttempt::noWinsock || address != u"::1") return false;
    address = u"127.0.0.1";
    port = attempts.simPort(SimConnectProtocol::ipv4);
  }
  const SocketAttempt attempt = attempts.socket(SimConnectProtocol::ipv4, address, port);
  if (attempt == SocketAttempt::connected) return true;
  if (attempt == SocketAttempt::noWinsock || address != u"127.0.0.1") return false;
  return attempts.pipe(u".", u"");
}
