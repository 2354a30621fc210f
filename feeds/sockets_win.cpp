#include "feeds/sockets.h"

#include <winsock2.h>
#include <ws2tcpip.h>

namespace {

thread_local std::int32_t lastError = 0;

bool lf_failed() {
  lastError = WSAGetLastError();
  return false;
}

SOCKET lf_socket(const Socket& socket) { return static_cast<SOCKET>(socket.handle()); }

sockaddr_in lf_address(const SocketAddress& address) {
  sockaddr_in result{};
  result.sin_family = AF_INET;
  result.sin_addr.s_addr = htonl(address.host);
  result.sin_port = htons(address.port);
  return result;
}

Socket lf_open(int type, int protocol) {
  const SOCKET handle = ::socket(AF_INET, type, protocol);
  if (handle == INVALID_SOCKET) {
    lf_failed();
    return Socket{};
  }
  return Socket(static_cast<SocketHandle>(handle));
}

} // namespace

std::int32_t gf_lastSocketError() { return lastError; }

SocketLibrary::SocketLibrary() {
  WSADATA data{};
  result_ = WSAStartup(MAKEWORD(2, 2), &data);
}

SocketLibrary::~SocketLibrary() {
  if (result_ == 0) WSACleanup();
}

void Socket::close() {
  if (!valid()) return;
  ::closesocket(static_cast<SOCKET>(handle_));
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
  u_long nonBlocking = 0;
  if (::ioctlsocket(lf_socket(socket), FIONBIO, &nonBlocking) != 0) return lf_failed();
  return true;
}

bool gf_setReuseAddress(const Socket& socket) {
  const BOOL on = TRUE;
  if (::setsockopt(lf_socket(socket), SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&on), sizeof on) != 0)
    return lf_failed();
  return true;
}

bool gf_setNoDelay(const Socket& socket) {
  const BOOL on = TRUE;
  if (::setsockopt(lf_socket(socket), IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on) != 0)
    return lf_failed();
  return true;
}

bool gf_setReceiveBuffer(const Socket& socket, std::int32_t bytes) {
  const int size = bytes;
  if (::setsockopt(lf_socket(socket), SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&size), sizeof size) != 0)
    return lf_failed();
  return true;
}

bool gf_bind(const Socket& socket, const SocketAddress& address) {
  const auto in = lf_address(address);
  if (::bind(lf_socket(socket), reinterpret_cast<const sockaddr*>(&in), sizeof in) != 0) return lf_failed();
  return true;
}

bool gf_listen(const Socket& socket) {
  if (::listen(lf_socket(socket), SOMAXCONN) != 0) return lf_failed();
  return true;
}

std::uint16_t gf_localPort(const Socket& socket) {
  sockaddr_in in{};
  int length = sizeof in;
  if (::getsockname(lf_socket(socket), reinterpret_cast<sockaddr*>(&in), &length) != 0) {
    lf_failed();
    return 0;
  }
  return ntohs(in.sin_port);
}

Socket gf_accept(const Socket& socket) {
  const SOCKET handle = ::accept(lf_socket(socket), nullptr, nullptr);
  if (handle == INVALID_SOCKET) {
    lf_failed();
    return Socket{};
  }
  return Socket(static_cast<SocketHandle>(handle));
}

WaitResult gf_waitReadable(const Socket& socket, std::int32_t timeoutMs) {
  fd_set readSet;
  FD_ZERO(&readSet);
  FD_SET(lf_socket(socket), &readSet);
  timeval timeout{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
  const int result = ::select(0, &readSet, nullptr, nullptr, &timeout);
  if (result == SOCKET_ERROR) {
    lf_failed();
    return WaitResult::Failed;
  }
  return result > 0 && FD_ISSET(lf_socket(socket), &readSet) ? WaitResult::Readable : WaitResult::Timeout;
}

std::int64_t gf_receive(const Socket& socket, char* data, std::size_t size) {
  const int count = ::recv(lf_socket(socket), data, static_cast<int>(size), 0);
  if (count == SOCKET_ERROR) {
    lf_failed();
    return -1;
  }
  return count;
}

std::int64_t gf_send(const Socket& socket, const char* data, std::size_t size) {
  const int count = ::send(lf_socket(socket), data, static_cast<int>(size), 0);
  if (count == SOCKET_ERROR) {
    lf_failed();
    return -1;
  }
  return count;
}

std::int64_t gf_sendTo(const Socket& socket, const SocketAddress& to, const char* data, std::size_t size) {
  const auto in = lf_address(to);
  const int count =
      ::sendto(lf_socket(socket), data, static_cast<int>(size), 0, reinterpret_cast<const sockaddr*>(&in), sizeof in);
  if (count == SOCKET_ERROR) {
    lf_failed();
    return -1;
  }
  return count;
}
