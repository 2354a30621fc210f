#include "feeds/realtraffic_link.h"

#include "core/geodesy.h"
#include "core/log.h"
#include "core/shell/repaint.h"
#include "core/shell/run_state.h"
#include "core/shell/status_line.h"
#include "core/time.h"
#include "core/version.h"
#include "feeds/live_traffic_hooks.h"
#include "feeds/reader_lamps.h"
#include "feeds/reply_watch.h"
#include "feeds/winsock_errors.h"

#include <chrono>
#include <cmath>
#include <fmt/format.h>
#include <limits>
#include <nlohmann/json.hpp>
#include <stdexcept>

RealTrafficLink realTrafficLink;

namespace {

std::mutex editionMutex;
std::string editionText;

// The waits look at the stop flags this often, so closing the window never hangs.
constexpr std::int32_t pollMs = 250;
constexpr std::size_t replyBufferSize = 16384;

void lf_releaseServer() {
  realTrafficLink.listenSocket.close();
  realTrafficLink.winsock.reset();
}

[[noreturn]] void lf_serverFailure(const std::string& text) {
  lf_releaseServer();
  throw std::runtime_error(text);
}

// "level" read as a whole number; a fraction is cut off, and a float beyond the integers
// is simply not level 2 (converting it would be undefined).
bool lf_isLevel2(const nlohmann::json& level) {
  if (level.is_number_float()) return std::trunc(level.get<double>()) == 2;
  return level.get<std::int64_t>() == 2;
}

bool lf_userPositionKnown(const UserPosition& user) {
  return std::fabs(user.latitude) > 0.0001 || std::fabs(user.longitude) > 0.0001;
}

} // namespace

std::string gf_realTrafficEditionText() {
  std::lock_guard lock(editionMutex);
  return editionText;
}

void gf_setRealTrafficEditionText(const std::string& text) {
  {
    std::lock_guard lock(editionMutex);
    editionText = text;
  }
  gf_requestRepaint(feedDisplayRect);
}

void gf_startRealTrafficServer(const std::string& port) {
  auto& link = realTrafficLink;
  lf_releaseServer();
  link.winsock.emplace();
  if (const auto result = link.winsock->result(); result != 0)
    lf_serverFailure(fmt::format("WSAStartup failed with error {}", result));
  // RealTraffic runs on this PC: nobody else needs to reach the server.
  SocketAddress address;
  if (const auto result = gf_resolveStreamAddress("127.0.0.1", port, address); result != 0)
    lf_serverFailure(fmt::format("getaddrinfo failed with error {}", result));
  link.listenSocket = gf_openStreamSocket();
  if (!link.listenSocket.valid())
    lf_serverFailure("socket failed with error " + gf_winsockErrorText(gf_lastSocketError()));
  if (!gf_setBlocking(link.listenSocket))
    lf_serverFailure("ioctlsocket failed with error " + gf_winsockErrorText(gf_lastSocketError()));
  if (!gf_setReuseAddress(link.listenSocket)) lf_serverFailure("setsockopt(SO_REUSEADDR) failed");
  if (!gf_bind(link.listenSocket, address))
    lf_serverFailure("Bind failed at port " + port + " with error " + gf_winsockErrorText(gf_lastSocketError()));
  if (!gf_listen(link.listenSocket))
    lf_serverFailure("listen failed with error " + gf_winsockErrorText(gf_lastSocketError()));
}

bool RealTrafficLink::waitForClient() {
  if (connected.load()) return false;
  while (true) {
    if (gf_stopOrClosed() || !listenSocket.valid()) return false;
    const auto wait = gf_waitReadable(listenSocket, pollMs);
    if (wait == WaitResult::Readable) break;
    if (wait == WaitResult::Failed) {
      gf_logWhileRunning(fmt::format("waitForClient interrupted: {}", gf_winsockErrorText(gf_lastSocketError())));
      return false;
    }
  }
  clientSocket = gf_accept(listenSocket);
  if (!clientSocket.valid()) return false;
  // Short messages must leave at once, not wait for more to send.
  if (!gf_setNoDelay(clientSocket)) {
    gf_logWhileRunning(fmt::format("waitForClient interrupted: {}",
                                   fmt::format("{} setsockopt failed with error {}", gf_utcTimeOfDay(),
                                               gf_winsockErrorText(gf_lastSocketError()))));
    clientSocket.close();
    return false;
  }
  connected.exchange(true);
  return true;
}

bool RealTrafficLink::sendDataPacket(const std::string& text) {
  std::size_t sent = 0;
  while (sent < text.size()) {
    const auto count = gf_send(clientSocket, text.data() + sent, text.size() - sent);
    if (count < 0) {
      gf_logWhileRunning(
          fmt::format("sendDataPacket to RealTraffic failed: {}", gf_winsockErrorText(gf_lastSocketError())));
      connected.exchange(false);
      clientSocket.close();
      gf_logWhileRunning("RealTraffic client socket closed");
      return false;
    }
    sent += static_cast<std::size_t>(count);
  }
  return true;
}

std::string RealTrafficLink::receive() {
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::milliseconds(replyTimeoutMs);
  std::string reply;
  ReplyWatch watch;
  char chunk[4096];
  while (!gf_stopOrClosed()) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) break;
    const auto wait = gf_waitReadable(clientSocket, static_cast<std::int32_t>(std::min<long long>(left, pollMs)));
    if (wait == WaitResult::Timeout) continue;
    const auto count = wait == WaitResult::Failed ? -1 : gf_receive(clientSocket, chunk, sizeof chunk);
    if (count < 0) {
      gf_logWhileRunning(fmt::format("receive: {}", gf_winsockErrorText(gf_lastSocketError())));
      return {};
    }
    if (count == 0) break;
    reply.append(chunk, static_cast<std::size_t>(count));
    if (reply.size() >= replyBufferSize) {
      gf_logWhileRunning(fmt::format("receive: buffer overrun: {}", reply.size()));
      return {};
    }
    if (watch.complete(reply)) break;
  }
  return reply;
}

void gf_parseVersionReply(const std::string& reply) {
  auto& link = realTrafficLink;
  if (reply.empty()) {
    gf_showMessage("No RealTraffic version received?", true);
    link.professional = false;
    return;
  }
  const auto document = nlohmann::json::parse(reply);
  if (document.is_object()) {
    bool levelTwo = false; // a missing level is 1
    if (const auto found = document.find("level"); found != document.end()) {
      if (!found->is_number()) throw std::runtime_error(fmt::format("RealTraffic level is no number: {}", reply));
      levelTwo = lf_isLevel2(*found);
    }
    std::string version;
    if (const auto found = document.find("version"); found != document.end()) version = found->get<std::string>();
    link.professional = levelTwo;
    gf_setRealTrafficEditionText(fmt::format("RT{} edition: {}", link.professional ? " prof" : " stnd", version));
  } else {
    link.professional = false;
    gf_setRealTrafficEditionText({});
  }
}

void gf_waitForRealTraffic() {
  auto& link = realTrafficLink;
  if (!link.detected.load()) return;
  gf_showMessage(fmt::format("Waiting for RealTraffic to connect to |{} ...", programName), true);
  gf_log("\n");
  gf_resetFeedState();
  if (link.waitForClient()) {
    link.sendDataPacket("Qs999=version\r\n");
    gf_parseVersionReply(link.receive());
    link.linkUp = true;
    gf_requestRepaint(feedDisplayRect);
    link.scanNow.exchange(false);
    gf_log("RealTraffic connected");
  }
  gf_clearMessage();
}

void gf_sendSimTime(std::int64_t seconds) {
  if (!realTrafficLink.connected.load() || seconds <= 0) return;
  if (seconds > std::numeric_limits<std::int64_t>::max() / 1000) return;
  realTrafficLink.sendDataPacket(fmt::format("Qs123={}\r\n", seconds * 1000));
}

std::string gf_userPositionMessage(const UserPosition& user) {
  return fmt::format("Qs121={:.0f};{:.0f};{:.6f};{:.0f};{};{:.6f};{:.6f}\r\n", user.pitch * 100000, user.bank * 100000,
                     user.heading, user.altitude * 1000, user.groundSpeed * 1000, user.latitude * degToRad,
                     user.longitude * degToRad);
}

void gf_sendUserPosition(const UserPosition& user) {
  auto& link = realTrafficLink;
  if (!link.detected.load() || !lf_userPositionKnown(user)) return;
  if (link.connected.load() && !link.sendDataPacket(gf_userPositionMessage(user))) {
    link.linkUp = false;
    gf_requestRepaint(feedDisplayRect);
    if (!runState.windowClosedByUser.load()) gf_takeLiveAircraftOut();
    gf_resetFeedState();
    gf_showMessage(fmt::format("{} RealTraffic gone? Wait for RealTraffic to re-connect ...", gf_utcTimeOfDay()), true);
  }
  if (!link.connected.load() && gf_exitReason() == ExitReason::NotYetSet && link.waitForClient()) {
    link.linkUp = true;
    gf_requestRepaint(feedDisplayRect);
    gf_showMessage(fmt::format("{} RealTraffic re-connected", gf_utcTimeOfDay()), true);
    gf_clearMessage();
  }
}

void gf_closeRealTrafficLink() {
  auto& link = realTrafficLink;
  if (link.connected.load()) link.sendDataPacket("exit\r\n");
  link.listenSocket.close();
  link.clientSocket.close();
  link.winsock.reset();
  // The next run accepts RealTraffic afresh.
  link.connected.exchange(false);
}
