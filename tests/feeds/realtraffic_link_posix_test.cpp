// Natively two listeners cannot share a port even with address reuse, so a busy port
// shows the bind failure. (Winsock lets a reusing socket bind over another one.)
#include "feeds/realtraffic_link.h"

#include "feeds/feed_test_support.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>

TEST(RealTrafficServer, BusyPortNamesThePortAndTheError) {
  feed_testing::resetFeeds();
  Socket occupant = gf_openStreamSocket();
  ASSERT_TRUE(gf_bind(occupant, {loopbackHost, 0}));
  ASSERT_TRUE(gf_listen(occupant));
  const auto port = std::to_string(gf_localPort(occupant));
  try {
    gf_startRealTrafficServer(port);
    FAIL() << "no error";
  } catch (const std::runtime_error& e) {
    EXPECT_EQ(std::string(e.what()), "Bind failed at port " + port + " with error 10048 Address already in use");
  }
  EXPECT_FALSE(realTrafficLink.listenSocket.valid());
}

TEST(RealTrafficServer, ListensOnTheLoopbackAddressOnly) {
  feed_testing::resetFeeds();
  gf_startRealTrafficServer("0");
  sockaddr_in address{};
  socklen_t length = sizeof address;
  ASSERT_EQ(getsockname(static_cast<int>(realTrafficLink.listenSocket.handle()), reinterpret_cast<sockaddr*>(&address),
                        &length),
            0);
  EXPECT_EQ(ntohl(address.sin_addr.s_addr), INADDR_LOOPBACK);
  gf_closeRealTrafficLink();
}
