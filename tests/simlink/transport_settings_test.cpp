// SimConnect.cfg keys applied to the transport settings, and the completion codes of both
// Windows and Wine.
#include "simlink/simconnect/completion_status.h"
#include "simlink/simconnect/transport_settings.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

std::u16string lf_registry(SimConnectProtocol family) { return family == SimConnectProtocol::ipv6 ? u"5006" : u"5004"; }

TEST(TransportSettings, SectionNames) {
  EXPECT_EQ(gf_simConnectCfgSection(0), u"SimConnect");
  EXPECT_EQ(gf_simConnectCfgSection(1), u"SimConnect.1");
  EXPECT_EQ(gf_simConnectCfgSection(0xFFFFFFFE), u"SimConnect.4294967294");
}

TEST(TransportSettings, KeysOfLaterFilesOverrideEarlierOnesKeyByKey) {
  TransportSettings settings;
  gf_applySimConnectCfg(settings, {u"ipv4", u"127.0.0.1", u"", u"30000", u"1"}, &lf_registry);
  EXPECT_EQ(settings.protocol, SimConnectProtocol::ipv4);
  EXPECT_EQ(settings.address, u"127.0.0.1");
  EXPECT_EQ(settings.port, u"5004"); // the published port of the family
  EXPECT_EQ(settings.maxReceiveSize, 41088);
  EXPECT_TRUE(settings.disableNagle);
  gf_applySimConnectCfg(settings, {u"Carrier pigeon", u"", u"6000", u"50000", u"0"}, &lf_registry);
  EXPECT_EQ(settings.protocol, SimConnectProtocol::ipv4); // an unknown protocol changes nothing
  EXPECT_EQ(settings.address, u"127.0.0.1");
  EXPECT_EQ(settings.port, u"6000");
  EXPECT_EQ(settings.maxReceiveSize, 50000);
  EXPECT_FALSE(settings.disableNagle);
  gf_applySimConnectCfg(settings, {u"IPV6", u"::1", u"7000", u"", u""}, &lf_registry);
  EXPECT_EQ(settings.protocol, SimConnectProtocol::ipv6);
  EXPECT_EQ(settings.port, u"7000"); // the file's own port wins over the published one
  EXPECT_EQ(settings.maxReceiveSize, 50000);
  gf_applySimConnectCfg(settings, {u"Auto", u"", u"", u"99999999999999", u""}, &lf_registry);
  EXPECT_EQ(settings.protocol, SimConnectProtocol::pipe);
  EXPECT_EQ(settings.maxReceiveSize, 0x7FFFFFFF);
  EXPECT_EQ(settings.address, u"::1");
}

TEST(TransportSettings, TextsAreLimitedAndUnpublishedPortsLeaveThePort) {
  TransportSettings settings;
  settings.port = u"1234";
  const std::u16string longAddress(3000, u'a');
  gf_applySimConnectCfg(settings, {u"IPv4", longAddress, u"", u"-5", u""},
                        [](SimConnectProtocol) { return std::u16string(); });
  EXPECT_EQ(settings.address.size(), transportTextLimit);
  EXPECT_EQ(settings.port, u"1234");
  EXPECT_EQ(settings.maxReceiveSize, 41088);
}

// The connect attempts as "pipe server name" or "ipv4 address port", with the ones that
// connect and the family whose Winsock start fails.
struct AttemptCase {
  const char* name;
  SimConnectProtocol protocol;
  std::u16string address;
  std::u16string port;
  std::vector<std::string> connecting;
  bool noWinsock;
  std::vector<std::string> attempts;
  bool connected;
};

std::string lf_narrow(const std::u16string& text) { return std::string(text.begin(), text.end()); }

TEST(TransportAttempts, OnlyFailuresOnThisMachineFallBack) {
  using P = SimConnectProtocol;
  const std::vector<AttemptCase> cases = {
      {"default pipe", P::pipe, u"", u"", {"pipe  "}, false, {"pipe  "}, true},
      {"every fallback",
       P::pipe,
       u"",
       u"",
       {},
       false,
       {"pipe  ", "ipv6 ::1 5006", "ipv4 127.0.0.1 5004", "pipe . "},
       false},
      {"fallback reaches the IPv4 port",
       P::pipe,
       u".",
       u"MyPipe",
       {"ipv4 127.0.0.1 5004"},
       false,
       {"pipe . MyPipe", "ipv6 ::1 5006", "ipv4 127.0.0.1 5004"},
       true},
      {"pipe of another machine", P::pipe, u"sim-pc", u"", {}, false, {"pipe sim-pc "}, false},
      {"refused loopback IPv4", P::ipv4, u"127.0.0.1", u"500", {}, false, {"ipv4 127.0.0.1 500", "pipe . "}, false},
      {"refused IPv4 elsewhere", P::ipv4, u"127.0.0.2", u"500", {"pipe . "}, false, {"ipv4 127.0.0.2 500"}, false},
      {"IPv4 without an address is this machine's",
       P::ipv4,
       u"",
       u"500",
       {"pipe . "},
       false,
       {"ipv4 127.0.0.1 500", "pipe . "},
       true},
      {"IPv4 without address and port",
       P::ipv4,
       u"",
       u"",
       {"ipv4 127.0.0.1 5004"},
       false,
       {"ipv4 127.0.0.1 5004"},
       true},
      {"refused loopback IPv6",
       P::ipv6,
       u"::1",
       u"600",
       {"pipe . "},
       false,
       {"ipv6 ::1 600", "ipv4 127.0.0.1 5004", "pipe . "},
       true},
      {"refused IPv6 elsewhere", P::ipv6, u"::2", u"600", {"pipe . "}, false, {"ipv6 ::2 600"}, false},
      {"IPv6 without an address is this machine's",
       P::ipv6,
       u"",
       u"600",
       {"pipe . "},
       false,
       {"ipv6 ::1 600", "ipv4 127.0.0.1 5004", "pipe . "},
       true},
      {"IPv6 without address and port", P::ipv6, u"", u"", {"ipv6 ::1 5006"}, false, {"ipv6 ::1 5006"}, true},
      {"no Winsock", P::pipe, u"", u"", {"ipv4 127.0.0.1 5004", "pipe . "}, true, {"pipe  ", "ipv6 ::1 5006"}, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TransportSettings settings;
    settings.protocol = c.protocol;
    settings.address = c.address;
    settings.port = c.port;
    std::vector<std::string> attempts;
    auto attempt = [&](const std::string& text) {
      attempts.push_back(text);
      return std::find(c.connecting.begin(), c.connecting.end(), text) != c.connecting.end();
    };
    TransportAttempts steps;
    steps.pipe = [&](const std::u16string& server, const std::u16string& name) {
      return attempt("pipe " + lf_narrow(server) + " " + lf_narrow(name));
    };
    steps.socket = [&](SimConnectProtocol family, const std::u16string& address, const std::u16string& port) {
      const std::string text = (family == P::ipv6 ? "ipv6 " : "ipv4 ") + lf_narrow(address) + " " + lf_narrow(port);
      if (c.noWinsock) {
        attempts.push_back(text);
        return SocketAttempt::noWinsock;
      }
      return attempt(text) ? SocketAttempt::connected : SocketAttempt::failed;
    };
    steps.simPort = &lf_registry;
    EXPECT_EQ(gf_runTransportAttempts(settings, steps), c.connected);
    EXPECT_EQ(attempts, c.attempts);
  }
}

TEST(CompletionOutcome, WindowsStatusesAndWineErrorCodesMeanTheSame) {
  struct Case {
    std::uint32_t code;
    std::uint32_t bytes;
    std::int32_t reason;
    std::int32_t status;
  };
  const Case cases[] = {
      {0, 100, 0, 0},
      {0x80000005, 100, 0, 0}, // the rest of a pipe message follows
      {234, 100, 0, 0},
      {0, 0, closePeerClosed, statusPeerClosed},
      {0xC0000120, 0, closeCancelled, statusCancelled},
      {995, 0, closeCancelled, statusCancelled},
      {0xC000013C, 0, closeDisconnected, statusRemoteDisconnect},
      {64, 0, closeDisconnected, statusRemoteDisconnect},
      {0xC000014B, 0, closeDisconnected, statusPipeBroken},
      {109, 0, closeDisconnected, statusPipeBroken},
      {233, 0, closeDisconnected, statusPipeBroken},
      {0xC000020D, 0, closeDisconnected, statusConnectionReset},
      {10054, 0, closeDisconnected, statusConnectionReset},
      {10053, 0, closeDisconnected, statusConnectionReset},
      {0xC0000001, 0, closeOtherError, static_cast<std::int32_t>(0xC0000001)},
      {87, 5, closeOtherError, static_cast<std::int32_t>(0x80070057)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.code);
    const CompletionOutcome outcome = gf_completionOutcome(c.code, c.bytes);
    EXPECT_EQ(outcome.reason, c.reason);
    EXPECT_EQ(outcome.status, c.status);
    if (outcome.reason != 0) {
      EXPECT_LT(outcome.status, 0); // never read as success
    }
  }
  EXPECT_LT(gf_failureStatus(0), 0);
  EXPECT_EQ(gf_failureStatus(10061), static_cast<std::int32_t>(0x8007274D));
}

} // namespace
