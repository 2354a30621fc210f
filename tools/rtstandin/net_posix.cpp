#include "net.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace rtstandin {

namespace {
sockaddr_in loopback(std::uint16_t port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(port);
  return address;
}
int fd(const NetSocket& socket) { return static_cast<int>(socket.handle()); }
} // namespace

NetLibrary::NetLibrary() = default;
NetLibrary::~NetLibrary() = default;

void NetSocket::close() {
  if (handle_ != -1) ::close(static_cast<int>(handle_));
  handle_ = -1;
}

NetSocket openDatagramSocket() { return NetSocket(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_UDP)); }

bool sendDatagram(const NetSocket& socket, std::uint16_t port, std::string_view data) {
  const auto address = loopback(port);
  return ::sendto(fd(socket), data.data(), data.size(), MSG_NOSIGNAL, reinterpret_cast<const sockaddr*>(&address),
                  sizeof address) == static_cast<ssize_t>(data.size());
}

NetSocket connectLoopback(std::uint16_t port) {
  NetSocket socket(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP));
  if (!socket.valid()) return socket;
  const auto address = loopback(port);
  if (::connect(fd(socket), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) return NetSocket{};
  const int on = 1;
  ::setsockopt(fd(socket), IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  return socket;
}

NetWait waitReadable(const NetSocket& socket, int timeoutMs) {
  pollfd entry{fd(socket), POLLIN, 0};
  const int result = ::poll(&entry, 1, timeoutMs);
  if (result < 0) return NetWait::Failed;
  return result == 0 ? NetWait::Timeout : NetWait::Readable;
}

long long receiveSome(const NetSocket& socket, char* data, std::size_t size) {
  return ::recv(fd(socket), data, size, 0);
}

bool sendAll(const NetSocket& socket, std::string_view data) {
  while (!data.empty()) {
    const auto count = ::send(fd(socket), data.data(), data.size(), MSG_NOSIGNAL);
    if (count <= 0) return false;
    data.remove_prefix(static_cast<std::size_t>(count));
  }
  return true;
}

} // namespace rtstandin
