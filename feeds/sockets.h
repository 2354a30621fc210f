#pragma once
// The few socket operations the feeds use, on Winsock (Windows) and BSD sockets
// (natively, for the tests). Failures leave a Winsock error number on both platforms,
// so messages read the same everywhere.
#include <cstddef>
#include <cstdint>
#include <string>

using SocketHandle = std::uintptr_t;
inline constexpr SocketHandle invalidSocketHandle = ~SocketHandle{0};

// The Winsock error number of the calling thread's last failed socket operation.
std::int32_t gf_lastSocketError();

// Winsock 2.2 for the life of the object (nothing to do natively).
class SocketLibrary {
public:
  SocketLibrary();
  SocketLibrary(const SocketLibrary&) = delete;
  SocketLibrary& operator=(const SocketLibrary&) = delete;
  ~SocketLibrary();
  // The start-up's result: 0 when the library is ready.
  std::int32_t result() const { return result_; }

private:
  std::int32_t result_ = 0;
};

// Owns one socket; closes it when it goes.
class Socket {
public:
  Socket() = default;
  explicit Socket(SocketHandle handle) : handle_(handle) {}
  Socket(Socket&& other) noexcept : handle_(other.handle_) { other.handle_ = invalidSocketHandle; }
  Socket& operator=(Socket&& other) noexcept;
  Socket(const Socket&) = delete;
  Socket& operator=(const Socket&) = delete;
  ~Socket() { close(); }
  bool valid() const { return handle_ != invalidSocketHandle; }
  SocketHandle handle() const { return handle_; }
  void close();

private:
  SocketHandle handle_ = invalidSocketHandle;
};

// An IPv4 address and port as the socket calls take it.
struct SocketAddress {
  std::uint32_t host = 0; // host byte order
  std::uint16_t port = 0;
};

inline constexpr std::uint32_t loopbackHost = 0x7F000001; // 127.0.0.1
inline constexpr std::uint32_t anyHost = 0;

// getaddrinfo for a passive IPv4 stream address of the given host text and port text;
// returns its result (0 on success).
std::int32_t gf_resolveStreamAddress(const char* host, const std::string& port, SocketAddress& address);

Socket gf_openUdpSocket();
Socket gf_openStreamSocket();
bool gf_setBlocking(const Socket& socket);
bool gf_setReuseAddress(const Socket& socket);
bool gf_setNoDelay(const Socket& socket);
// Asks for a receive buffer of this many bytes (the system may give less).
bool gf_setReceiveBuffer(const Socket& socket, std::int32_t bytes);
bool gf_bind(const Socket& socket, const SocketAddress& address);
bool gf_listen(const Socket& socket);
// The port a bound socket got (for an address with port 0); 0 on failure.
std::uint16_t gf_localPort(const Socket& socket);
// Accepts one connection; an invalid socket on failure.
Socket gf_accept(const Socket& socket);

enum class WaitResult { Readable, Timeout, Failed };
// Waits until the socket has something to read, at most timeoutMs.
WaitResult gf_waitReadable(const Socket& socket, std::int32_t timeoutMs);

// Receives at most `size` bytes: the count, 0 when the peer closed, -1 on failure. A
// datagram larger than `size` fails with 10040 and is gone.
std::int64_t gf_receive(const Socket& socket, char* data, std::size_t size);
// Sends in one call: the count accepted, or -1 on failure.
std::int64_t gf_send(const Socket& socket, const char* data, std::size_t size);
// One datagram to a local port (for the tests).
std::int64_t gf_sendTo(const Socket& socket, const SocketAddress& to, const char* data, std::size_t size);
