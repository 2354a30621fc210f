#pragma once
// The few socket calls of the tests' local HTTP server, over Winsock or BSD sockets.
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace testing_support::socket {

using Handle = std::intptr_t;
inline constexpr Handle invalidHandle = -1;

// A listening TCP socket on 127.0.0.1 on the port, or on one the system picks (port 0, then
// set to it); throws on failure.
Handle listenOnLoopback(std::uint16_t& port);
// True when the socket has something to read (or a connection to accept) within the time.
bool waitReadable(Handle handle, int milliseconds);
Handle acceptOne(Handle listener);
// Bytes received; 0 when the peer closed, negative on error.
std::ptrdiff_t receive(Handle handle, char* buffer, std::size_t size);
bool sendAll(Handle handle, std::string_view bytes);
void closeSocket(Handle handle);

} // namespace testing_support::socket
