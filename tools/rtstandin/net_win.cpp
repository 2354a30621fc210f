#include "net.h"

#include <winsock2.h>
#include <ws2tcpip.h>

namespace rtstandin {

namespace {
sockaddr_in loopback(std::uint16_t port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(port);
  return address;
}
SOCKET handleOf(const NetSocket& socket) { return static_cast<SOCKET>(socket.handle()); }
NetSocket wrap(SOCKET handle) {
  return handle == INVALID_SOCKET ? NetSocket{} : NetSocket(static_cast<std::intptr_t>(handle));
}
} // namespace

NetLibrary::NetLibrary() {
  WSADATA data{};
  WSAStartup(MAKEWORD(2, 2), &data);
}

NetLibrary::~NetLibrary() { WSACleanup(); }

void NetSocket::close() {
  if (handle_ != -1) ::closesocket(static_cast<SOCKET>(handle_));
  handle_ = -1;
}

NetSocket openDatagramSocket() { return wrap(::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP)); }

bool sendDatagram(const NetSocket& socket, std::uint16_t port, std::string_view data) {
  const auto address = loopback(port);
  return ::sendto(handleOf(socket), data.data(), static_cast<int>(data.size()), 0,
                  reinterpret_cast<const sockaddr*>(&address), sizeof address) == static_cast<int>(data.size());
}

NetSocket connectLoopback(std::uint16_t port) {
  auto socket = wrap(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
  if (!socket.valid()) return socket;
  const auto address = loopback(port);
  if (::connect(handleOf(socket), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) return NetSocket{};
  const BOOL on = TRUE;
  ::setsockopt(handleOf(socket), IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on);
  return socket;
}

NetWait waitReadable(const NetSocket& socket, int timeoutMs) {
  fd_set readSet;
  FD_ZERO(&readSet);
  FD_SET(handleOf(socket), &readSet);
  timeval timeout{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
  const int result = ::select(0, &readSet, nullptr, nullptr, &timeout);
  if (result == SOCKET_ERROR) return NetWait::Failed;
  return result == 0 ? NetWait::Timeout : NetWait::Readable;
}

long long receiveSome(const NetSocket& socket, char* data, std::size_t size) {
  return ::recv(handleOf(socket), data, static_cast<int>(size), 0);
}

bool sendAll(const NetSocket& socket, std::string_view data) {
  while (!data.empty()) {
    const int count = ::send(handleOf(socket), data.data(), static_cast<int>(data.size()), 0);
    if (count <= 0) return false;
    data.remove_prefix(static_cast<std::size_t>(count));
  }
  return true;
}

} // namespace rtstandin
