#include "support/test_socket.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace testing_support::socket {

Handle listenOnLoopback(std::uint16_t& port) {
  const int handle = ::socket(AF_INET, SOCK_STREAM, 0);
  if (handle < 0) throw std::runtime_error("socket failed");
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(port);
  socklen_t length = sizeof address;
  if (::bind(handle, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(handle, 16) != 0 ||
      ::getsockname(handle, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    ::close(handle);
    throw std::runtime_error("cannot listen on 127.0.0.1");
  }
  port = ntohs(address.sin_port);
  return handle;
}

bool waitReadable(Handle handle, int milliseconds) {
  pollfd entry{static_cast<int>(handle), POLLIN, 0};
  return ::poll(&entry, 1, milliseconds) > 0;
}

Handle acceptOne(Handle listener) {
  const int handle = ::accept(static_cast<int>(listener), nullptr, nullptr);
  return handle < 0 ? invalidHandle : handle;
}

std::ptrdiff_t receive(Handle handle, char* buffer, std::size_t size) {
  return ::recv(static_cast<int>(handle), buffer, size, 0);
}

bool sendAll(Handle handle, std::string_view bytes) {
  while (!bytes.empty()) {
    const auto sent = ::send(static_cast<int>(handle), bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (sent <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(sent));
  }
  return true;
}

void closeSocket(Handle handle) {
  if (handle != invalidHandle) ::close(static_cast<int>(handle));
}

} // namespace testing_support::socket
