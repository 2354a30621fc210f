#pragma once
// A UDP reader: one thread that owns one socket, waits for datagrams and hands each to
// its handler. The Traffic Reader and the QNH Reader are the two kinds.
#include "core/log_throttle.h"
#include "feeds/sockets.h"

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

class UdpReader {
public:
  static constexpr std::size_t bufferSize = 16384;

  // receiveBufferBytes: the socket's receive buffer; 0 keeps the system's.
  explicit UdpReader(std::string name, std::int32_t receiveBufferBytes = 0);
  UdpReader(const UdpReader&) = delete;
  UdpReader& operator=(const UdpReader&) = delete;
  virtual ~UdpReader() = default;

  // The thread's body: opens the socket on the port (0 picks a free one), receives until
  // `stop` is set, and ends the run with "READER ERROR" when the socket fails.
  void run(std::int32_t port);
  const std::string& name() const { return name_; }

  std::atomic<bool> stop{false};
  // Datagrams taken in (before the repeat filter), and the count the lamp watchdog saw last.
  std::atomic<std::int32_t> datagramCount{0};
  std::atomic<std::int32_t> countSeen{0};
  // Datagrams thrown away because they were too large or the socket reported a reset.
  std::atomic<std::int64_t> droppedCount{0};
  // The port the socket listens on, 0 while it does not.
  std::atomic<std::uint16_t> boundPort{0};

  // The feed reset: the next datagram is new, even when it equals the last one (which may
  // belong to a run or a connection that has gone). Any thread.
  void forgetPreviousDatagram() { forgetPrevious = true; }

protected:
  // The datagram is in `datagram` / `datagramLength`, with a NUL behind it.
  virtual void onDatagram() = 0;
  virtual void onListening() = 0;
  virtual void onStopped() = 0;

  const char* datagram = nullptr;
  std::size_t datagramLength = 0;
  // What the reader logs about bad datagrams: a flood of garbage must not fill the log.
  // Flushed when the reader ends and by the feed reset.
  LogThrottle badDatagrams;

private:
  void startWinsock();
  void createSocket();
  void bindPort(std::uint16_t port);
  void receiveLoop();
  void release();

  std::string name_;
  std::int32_t receiveBufferBytes_ = 0;
  std::array<char, bufferSize + 1> buffer{};
  std::string previousDatagram;
  std::atomic<bool> forgetPrevious{false};
  std::optional<SocketLibrary> winsock;
  Socket socket;
};
