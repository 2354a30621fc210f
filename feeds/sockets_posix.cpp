#include "feeds/sockets.h"

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <unordered_map>

namespace {

thread_local std::int32_t lastError = 0;

// errno as the Winsock number of the same failure.
std::int32_t lf_winsockNumber(int error) {
  static const std::unordered_map<int, std::int32_t> numbers{
      {EINTR, 10004},         {EBADF, 10009},        {EACCES, 10013},          {EFAULT, 10014},
      {EINVAL, 10022},        {EMFILE, 10024},       {EWOULDBLOCK, 10035},     {EINPROGRESS, 10036},
      {EALREADY, 10037},      {ENOTSOCK, 10038},     {EDESTADDRREQ, 10039},    {EMSGSIZE, 10040},
      {EPROTOTYPE, 10041},    {ENOPROTOOPT, 10042},  {EPROTONOSUPPORT, 10043}, {ESOCKTNOSUPPORT, 10044},
      {EOPNOTSUPP, 10045},    {EPFNOSUPPORT, 10046}, {EAFNOSUPPORT, 10047},    {EADDRINUSE, 10048},
      {EADDRNOTAVAIL, 10049}, {ENETDOWN, 10050},     {ENETUNREACH, 10051},     {ENETRESET, 10052},
      {ECONNABORTED, 10053},  {ECONNRESET, 10054},   {ENOBUFS, 10055},         {EISCONN, 10056},
      {ENOTCONN, 10057},      {ESHUTDOWN, 10058},    {EPIPE, 10058},           {ETOOMANYREFS, 10059},
      {ETIMEDOUT, 10060},     {ECONNREFUSED, 10061}, {ELOOP, 10062},           {ENAMETOOLONG, 10063},
      {EHOSTDOWN, 10064},     {EHOSTUNREACH, 10065}, {ENOTEMPTY, 10066},       {EUSERS, 10068},
      {EDQUOT, 10069},        {ESTALE, 10070},       {EREMOTE, 10071}};
  const auto found = numbers.find(error);
  return found == numbers.end() ? error : found->second;
}

bool lf_failed() {
  lastError = lf_winsockNumber(errno);
  return false;
}

int lf_fd(const Socket& socket) { return static_cast<int>(socket.handle()); }

sockaddr_in lf_address(const SocketAddress& address) {
  sockaddr_in result{};
  result.sin_family = AF_INET;
  result.sin_addr.s_addr = htonl(address.host);
  result.sin_port = htons(address.port);
  return result;
}

Socket lf_open(int type, int protocol) {
  const int fd = ::socket(AF_INET, type | SOCK_CLOEXEC, protocol);
  if (fd < 0) {
    lf_failed();
    return Socket{};
  }
  return Socket(static_cast<SocketHandle>(fd));
}

} // namespace

std::int32_t gf_lastSocketError() { return lastError; }

SocketLibrary::SocketLibrary() = default;
SocketLibrary::~SocketLibrary() = default;

void Socket::close() {
  if (!valid()) return;
  ::close(static_cast<int>(handle_));
  handle_ = invalidSocketHandle;
}

std::int32_t gf_resolveStreamAddress(const char* host, const std::string& port, SocketAddress& address) {
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_protocol = IPPROTO_TCP;
  hints.ai_flags = AI_PASSIVE | AI_NUMERICHOST | AI_NUMERICSERV;
  addrinfo* found = nullptr;
  const int result = ::getaddrinfo(host, port.c_str(), &hints, &found);
  if (result != 0) return result;
  const auto* in = reinterpret_cast<const sockaddr_in*>(found->ai_addr);
  address.host = ntohl(in->sin_addr.s_addr);
  address.port = ntohs(in->sin_port);
  ::freeaddrinfo(found);
  return 0;
}

Socket gf_openUdpSocket() { return lf_open(SOCK_DGRAM, IPPROTO_UDP); }
Socket gf_openStreamSocket() { return lf_open(SOCK_STREAM, IPPROTO_TCP); }

bool gf_setBlocking(const Socket& socket) {
  const int flags = ::fcntl(lf_fd(socket), F_GETFL, 0);
  if (flags < 0 || ::fcntl(lf_fd(socket), F_SETFL, flags & ~O_NONBLOCK) < 0) return lf_failed();
  return true;
}

bool gf_setReuseAddress(const Socket& socket) {
  const int on = 1;
  if (::setsockopt(lf_fd(socket), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0) return lf_failed();
  return true;
}

bool gf_setNoDelay(const Socket& socket) {
  const int on = 1;
  if (::setsockopt(lf_fd(socket), IPPROTO_TCP, TCP_NODELAY, &on, sizeof on) != 0) return lf_failed();
  return true;
}

bool gf_setReceiveBuffer(const Socket& socket, std::int32_t bytes) {
  const int size = bytes;
  if (::setsockopt(lf_fd(socket), SOL_SOCKET, SO_RCVBUF, &size, sizeof size) != 0) return lf_failed();
  return true;
}

bool gf_bind(const Socket& socket, const SocketAddress& address) {
  const auto in = lf_address(address);
  if (::bind(lf_fd(socket), reinterpret_cast<const sockaddr*>(&in), sizeof in) != 0) return lf_failed();
  return true;
}

bool gf_listen(const Socket& socket) {
  if (::listen(lf_fd(socket), SOMAXCONN) != 0) return lf_failed();
  return true;
}

std::uint16_t gf_localPort(const Socket& socket) {
  sockaddr_in in{};
  socklen_t length = sizeof in;
  if (::getsockname(lf_fd(socket), reinterpret_cast<sockaddr*>(&in), &length) != 0) {
    lf_failed();
    return 0;
  }
  return ntohs(in.sin_port);
}

Socket gf_accept(const Socket& socket) {
  const int fd = ::accept4(lf_fd(socket), nullptr, nullptr, SOCK_CLOEXEC);
  if (fd < 0) {
    lf_failed();
    return Socket{};
  }
  return Socket(static_cast<SocketHandle>(fd));
}

WaitResult gf_waitReadable(const Socket& socket, std::int32_t timeoutMs) {
  pollfd entry{lf_fd(socket), POLLIN, 0};
  const int result = ::poll(&entry, 1, timeoutMs);
  if (result < 0) {
    lf_failed();
    return WaitResult::Failed;
  }
  return result == 0 ? WaitResult::Timeout : WaitResult::Readable;
}

std::int64_t gf_receive(const Socket& socket, char* data, std::size_t size) {
  int type = 0;
  socklen_t length = sizeof type;
  const bool datagram = ::getsockopt(lf_fd(socket), SOL_SOCKET, SO_TYPE, &type, &length) == 0 && type == SOCK_DGRAM;
  // With MSG_TRUNC a datagram reports its full length, so an oversized one fails as on Windows.
  const auto count = ::recv(lf_fd(socket), data, size, datagram ? MSG_TRUNC : 0);
  if (count < 0) {
    lf_failed();
    return -1;
  }
  if (static_cast<std::size_t>(count) > size) {
    lastError = 10040;
    return -1;
  }
  return count;
}

std::int64_t gf_send(const Socket& socket, const char* data, std::size_t size) {
  const auto count = ::send(lf_fd(socket), data, size, MSG_NOSIGNAL);
  if (count < 0) {
    lf_failed();
    return -1;
  }
  return count;
}

std::int64_t gf_sendTo(const Socket& socket, const SocketAddress& to, const char* data, std::size_t size) {
  const auto in = lf_address(to);
  const auto count =
      ::sendto(lf_fd(socket), data, size, MSG_NOSIGNAL, reinterpret_cast<const sockaddr*>(&in), sizeof in);
  if (count < 0) {
    lf_failed();
    return -1;
  }
  return count;
}
