#pragma once
// The stand-in's own sockets: datagrams to local ports and one TCP client connection.
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace rtstandin {

class NetLibrary {
public:
  NetLibrary();
  NetLibrary(const NetLibrary&) = delete;
  NetLibrary& operator=(const NetLibrary&) = delete;
  ~NetLibrary();
};

class NetSocket {
public:
  NetSocket() = default;
  explicit NetSocket(std::intptr_t handle) : handle_(handle) {}
  NetSocket(NetSocket&& other) noexcept : handle_(other.handle_) { other.handle_ = -1; }
  NetSocket& operator=(NetSocket&& other) noexcept {
    if (this != &other) {
      close();
      handle_ = other.handle_;
      other.handle_ = -1;
    }
    return *this;
  }
  NetSocket(const NetSocket&) = delete;
  NetSocket& operator=(const NetSocket&) = delete;
  ~NetSocket() { close(); }
  bool valid() const { return handle_ != -1; }
  std::intptr_t handle() const { return handle_; }
  void close();

private:
  std::intptr_t handle_ = -1;
};

NetSocket openDatagramSocket();
bool sendDatagram(const NetSocket& socket, std::uint16_t port, std::string_view data);
// A connection to the port on 127.0.0.1; invalid when nobody listens.
NetSocket connectLoopback(std::uint16_t port);
enum class NetWait { Readable, Timeout, Failed };
NetWait waitReadable(const NetSocket& socket, int timeoutMs);
// Bytes received, 0 when the peer closed, -1 on an error.
long long receiveSome(const NetSocket& socket, char* data, std::size_t size);
bool sendAll(const NetSocket& socket, std::string_view data);

} // namespace rtstandin
