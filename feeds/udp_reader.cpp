#include "feeds/udp_reader.h"

#include "core/log.h"
#include "core/shell/reader_stop.h"
#include "feeds/realtraffic_link.h"
#include "feeds/winsock_errors.h"

#include <chrono>
#include <fmt/format.h>
#include <gsl/gsl>
#include <stdexcept>
#include <string_view>
#include <thread>

namespace {

constexpr std::int32_t waitMs = 1000;

// Errors of one datagram, not of the socket: a datagram too large for the buffer, or a
// reset reported for an earlier datagram. The reader drops it and goes on.
bool lf_isDatagramError(std::int32_t error) { return error == 10040 || error == 10052 || error == 10054; }

void lf_logWhileRunning(std::string_view text) { gf_logWhileRunning(std::string(text)); }

} // namespace

UdpReader::UdpReader(std::string name, std::int32_t receiveBufferBytes)
    : name_(std::move(name)), receiveBufferBytes_(receiveBufferBytes) {}

void UdpReader::run(std::int32_t port) {
  // Each run starts its readers anew: what the last run saw is no repeat.
  previousDatagram.clear();
  forgetPrevious = false;
  try {
    startWinsock();
    createSocket();
    bindPort(gsl::narrow<std::uint16_t>(port));
    onListening();
    gf_logIndented(fmt::format("{} connected", name_));
    receiveLoop();
    release();
  } catch (const std::exception& e) {
    release();
    badDatagrams.flush(&gf_log);
    gf_stopForReaderError(name_, e.what());
  } catch (...) {
    release();
    badDatagrams.flush(&gf_log);
    gf_stopForReaderError(name_, "unknown error");
  }
  gf_logIndented(fmt::format("{} disconnected", name_));
}

void UdpReader::startWinsock() {
  winsock.emplace();
  if (const auto result = winsock->result(); result != 0) {
    winsock.reset();
    throw std::runtime_error(fmt::format("WSA startup error: {}", result));
  }
}

void UdpReader::createSocket() {
  socket = gf_openUdpSocket();
  if (!socket.valid())
    throw std::runtime_error(
        fmt::format("failed to create the socket, error: {}", gf_winsockErrorText(gf_lastSocketError())));
  // Without room for a burst the datagrams beyond the system's buffer are lost unseen;
  // the reader still works with less.
  if (receiveBufferBytes_ > 0 && !gf_setReceiveBuffer(socket, receiveBufferBytes_))
    gf_logWarning(fmt::format("{}: no receive buffer of {} bytes, error: {}", name_, receiveBufferBytes_,
                              gf_winsockErrorText(gf_lastSocketError())));
}

void UdpReader::bindPort(std::uint16_t port) {
  // RealTraffic on this PC sends to the loopback address; only then is nobody else heard.
  const SocketAddress address{realTrafficLink.detected.load() ? loopbackHost : anyHost, port};
  if (!gf_bind(socket, address))
    throw std::runtime_error(
        fmt::format("bind to stream socket failed, error: {}", gf_winsockErrorText(gf_lastSocketError())));
  boundPort = gf_localPort(socket);
}

void UdpReader::receiveLoop() {
  const bool local = realTrafficLink.detected.load();
  while (!stop.load()) {
    const auto wait = gf_waitReadable(socket, waitMs);
    if (wait == WaitResult::Failed) {
      // Not a datagram to wait for: do not spin on an error that repeats at once.
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
      continue;
    }
    if (wait != WaitResult::Readable) continue;
    const auto count = gf_receive(socket, buffer.data(), bufferSize);
    if (count < 0) {
      const auto error = gf_lastSocketError();
      if (!lf_isDatagramError(error))
        throw std::runtime_error(fmt::format("receive error: {}", gf_winsockErrorText(error)));
      ++droppedCount;
      badDatagrams.write("datagram dropped", fmt::format("datagram dropped: {}", gf_winsockErrorText(error)),
                         &lf_logWhileRunning);
      continue;
    }
    if (count == 0) continue;
    if (static_cast<std::size_t>(count) >= bufferSize) {
      ++droppedCount;
      badDatagrams.write("buffer overrun", fmt::format("buffer overrun: {} bytes", count), &lf_logWhileRunning);
      continue;
    }
    const auto length = static_cast<std::size_t>(count);
    buffer[length] = '\0';
    datagram = buffer.data();
    datagramLength = length;
    ++datagramCount;
    // From another PC every datagram may come twice; RealTraffic on this PC sends each once.
    if (!local) {
      if (forgetPrevious.exchange(false)) previousDatagram.clear();
      const std::string_view text(datagram, length);
      if (text == previousDatagram) continue;
      previousDatagram.assign(text);
    }
    onDatagram();
  }
  socket.close();
  boundPort = 0;
  badDatagrams.flush(&gf_log);
  onStopped();
}

void UdpReader::release() {
  socket.close();
  boundPort = 0;
  winsock.reset();
}
