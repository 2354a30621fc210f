// SimConnect.cfg keys applied to the transport settings, and the completion codes of both
// Windows and Wine.
#include "simlink/simconnect/completion_status.h"
#include "simlink/simconnect/transport_settings.h"

#include <gtest/gtest.h>

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
