#include "support/test_socket.h"

#include <stdexcept>
#include <winsock2.h>
#include <ws2tcpip.h>

namespace testing_support::socket {

namespace {

void lf_winsockReady() {
  static const int started = [] {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data);
  }();
  if (started != 0) throw std::runtime_error("WSAStartup failed");
}

SOCKET lf_socket(Handle handle) { return static_cast<SOCKET>(handle); }

} // namespace

Handle listenOnLoopback(std::uint16_t& port) {
  lf_winsockReady();
  const SOCKET handle = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (handle == INVALID_SOCKET) throw std::runtime_error("socket failed");
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(port);
  int length = sizeof address;
  if (::bind(handle, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(handle, 16) != 0 ||
      ::getsockname(handle, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    ::closesocket(handle);
    throw std::runtime_error("cannot listen on 127.0.0.1");
  }
  port = ntohs(address.sin_port);
  return static_cast<Handle>(handle);
}

bool waitReadable(Handle handle, int milliseconds) {
  fd_set readable;
  FD_ZERO(&readable);
  FD_SET(lf_socket(handle), &readable);
  timeval timeout{milliseconds / 1000, (milliseconds % 1000) * 1000};
  return ::select(0, &readable, nullptr, nullptr, &timeout) > 0;
}

Handle acceptOne(Handle listener) {
  const SOCKET handle = ::accept(lf_socket(listener), nullptr, nullptr);
  return handle == INVALID_SOCKET ? invalidHandle : static_cast<Handle>(handle);
}

std::ptrdiff_t receive(Handle handle, char* buffer, std::size_t size) {
  return ::recv(lf_socket(handle), buffer, static_cast<int>(size), 0);
}

bool sendAll(Handle handle, std::string_view bytes) {
  while (!bytes.empty()) {
    const int sent = ::send(lf_socket(handle), bytes.data(), static_cast<int>(bytes.size()), 0);
    if (sent <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(sent));
  }
  return true;
}

void closeSocket(Handle handle) {
  if (handle != invalidHandle) ::closesocket(lf_socket(handle));
}

} // namespace testing_support::socket
