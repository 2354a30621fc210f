#include "standin_servers.h"
#include "standin_text_win.h"

#include <atomic>
#include <fmt/format.h>
#include <stdexcept>
#include <thread>
#include <vector>
#include <windows.h>
// After windows.h, which it needs.
#include <timeapi.h>
#include <winsock2.h>
#include <ws2tcpip.h>

namespace standin {

namespace {

class SocketLink : public Link {
public:
  SocketLink(SOCKET s, const char* transport)
      : socket_(s), transport_(transport), readEvent_(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
        dropEvent_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
    const BOOL on = TRUE;
    setsockopt(socket_, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on);
  }
  ~SocketLink() override {
    closesocket(socket_);
    CloseHandle(readEvent_);
    CloseHandle(dropEvent_);
  }
  bool write(const std::uint8_t* data, std::size_t size) override {
    while (size > 0) {
      const int n = ::send(socket_, reinterpret_cast<const char*>(data),
                           static_cast<int>(std::min<std::size_t>(size, 1 << 20)), 0);
      if (n <= 0) return false;
      data += n;
      size -= static_cast<std::size_t>(n);
    }
    return true;
  }
  // Overlapped, so that a drop can end a read that waits for the peer.
  int read(std::uint8_t* buffer, std::size_t size) override {
    WSAOVERLAPPED overlapped{};
    overlapped.hEvent = readEvent_;
    WSABUF wsaBuffer{static_cast<ULONG>(size), reinterpret_cast<char*>(buffer)};
    DWORD flags = 0;
    if (WSARecv(socket_, &wsaBuffer, 1, nullptr, &flags, &overlapped, nullptr) != 0 &&
        WSAGetLastError() != WSA_IO_PENDING)
      return -1;
    const HANDLE waits[2] = {readEvent_, dropEvent_};
    if (WaitForMultipleObjects(2, waits, FALSE, INFINITE) != WAIT_OBJECT_0)
      CancelIoEx(reinterpret_cast<HANDLE>(socket_), &overlapped);
    DWORD done = 0;
    if (!WSAGetOverlappedResult(socket_, &overlapped, &done, TRUE, &flags)) return -1;
    return static_cast<int>(done);
  }
  void drop() override {
    if (!dropped_.exchange(true)) {
      shutdown(socket_, SD_BOTH);
      SetEvent(dropEvent_);
    }
  }
  const char* transport() const override { return transport_; }

private:
  SOCKET socket_;
  const char* transport_;
  HANDLE readEvent_;
  HANDLE dropEvent_;
  std::atomic<bool> dropped_{false};
};

class PipeLink : public Link {
public:
  explicit PipeLink(HANDLE pipe)
      : pipe_(pipe), readEvent_(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
        writeEvent_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
  ~PipeLink() override {
    CloseHandle(pipe_);
    CloseHandle(readEvent_);
    CloseHandle(writeEvent_);
  }
  bool write(const std::uint8_t* data, std::size_t size) override {
    while (size > 0) {
      OVERLAPPED overlapped{};
      overlapped.hEvent = writeEvent_;
      const auto length = static_cast<DWORD>(std::min<std::size_t>(size, 1 << 20));
      if (!WriteFile(pipe_, data, length, nullptr, &overlapped) && GetLastError() != ERROR_IO_PENDING) return false;
      DWORD done = 0;
      if (!GetOverlappedResult(pipe_, &overlapped, &done, TRUE) || done == 0) return false;
      data += done;
      size -= done;
    }
    return true;
  }
  int read(std::uint8_t* buffer, std::size_t size) override {
    OVERLAPPED overlapped{};
    overlapped.hEvent = readEvent_;
    if (!ReadFile(pipe_, buffer, static_cast<DWORD>(size), nullptr, &overlapped) && GetLastError() != ERROR_IO_PENDING)
      return GetLastError() == ERROR_BROKEN_PIPE ? 0 : -1;
    DWORD done = 0;
    if (!GetOverlappedResult(pipe_, &overlapped, &done, TRUE)) return GetLastError() == ERROR_BROKEN_PIPE ? 0 : -1;
    return static_cast<int>(done);
  }
  void drop() override {
    if (!dropped_.exchange(true)) {
      DisconnectNamedPipe(pipe_);
      CancelIoEx(pipe_, nullptr);
    }
  }
  const char* transport() const override { return "pipe"; }

private:
  HANDLE pipe_;
  HANDLE readEvent_;
  HANDLE writeEvent_;
  std::atomic<bool> dropped_{false};
};

class WinServers : public Servers {
public:
  explicit WinServers(Simulator& simulator) : simulator_(simulator) {
    // Frames at 60 a second need the system timer at 1 ms.
    timeBeginPeriod(1);
    WSADATA data{};
    winsock_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
    stopEvent_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  }
  // Throws when a server cannot start; the destructor then stops the others.
  void start(const ServerOptions& options) {
    if (!winsock_) throw std::runtime_error("WSAStartup failed");
    if (options.ipv4Port >= 0) ipv4Port_ = lf_listen(AF_INET, options.ipv4Port, "ipv4");
    if (options.ipv6Port >= 0) ipv6Port_ = lf_listen(AF_INET6, options.ipv6Port, "ipv6");
    if (!options.pipeName.empty()) lf_servePipe(wideText(options.pipeName));
  }
  ~WinServers() override {
    stop();
    CloseHandle(stopEvent_);
    if (winsock_) WSACleanup();
    timeEndPeriod(1);
  }
  int ipv4Port() const override { return ipv4Port_; }
  int ipv6Port() const override { return ipv6Port_; }
  void stop() override {
    SetEvent(stopEvent_);
    for (auto& t : threads_)
      if (t.joinable()) t.join();
    for (const SOCKET s : listening_) closesocket(s);
    listening_.clear();
  }

private:
  int lf_listen(int family, int port, const char* transport) {
    SOCKET s = socket(family, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET) throw std::runtime_error(fmt::format("no {} socket", transport));
    sockaddr_storage address{};
    int length = 0;
    if (family == AF_INET) {
      auto* a = reinterpret_cast<sockaddr_in*>(&address);
      a->sin_family = AF_INET;
      a->sin_port = htons(static_cast<u_short>(port));
      a->sin_addr.s_addr = htonl(INADDR_LOOPBACK);
      length = sizeof(sockaddr_in);
    } else {
      auto* a = reinterpret_cast<sockaddr_in6*>(&address);
      a->sin6_family = AF_INET6;
      a->sin6_port = htons(static_cast<u_short>(port));
      a->sin6_addr = in6addr_loopback;
      length = sizeof(sockaddr_in6);
    }
    if (bind(s, reinterpret_cast<sockaddr*>(&address), length) != 0 || listen(s, SOMAXCONN) != 0) {
      closesocket(s);
      throw std::runtime_error(fmt::format("cannot listen on {} port {}", transport, port));
    }
    getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
    const int bound = ntohs(family == AF_INET ? reinterpret_cast<sockaddr_in*>(&address)->sin_port
                                              : reinterpret_cast<sockaddr_in6*>(&address)->sin6_port);
    listening_.push_back(s);
    HANDLE acceptEvent = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    WSAEventSelect(s, acceptEvent, FD_ACCEPT);
    threads_.emplace_back([this, s, acceptEvent, transport] {
      const HANDLE waits[2] = {stopEvent_, acceptEvent};
      while (WaitForMultipleObjects(2, waits, FALSE, INFINITE) == WAIT_OBJECT_0 + 1) {
        for (;;) {
          SOCKET client = accept(s, nullptr, nullptr);
          if (client == INVALID_SOCKET) break;
          // Back to a plain blocking socket: accepted sockets inherit the listener's mode.
          WSAEventSelect(client, nullptr, 0);
          u_long blocking = 0;
          ioctlsocket(client, FIONBIO, &blocking);
          simulator_.serve(std::make_unique<SocketLink>(client, transport));
        }
      }
      CloseHandle(acceptEvent);
    });
    return bound;
  }

  HANDLE lf_pipeInstance(const std::wstring& name, bool first) {
    return CreateNamedPipeW(
        name.c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED | (first ? FILE_FLAG_FIRST_PIPE_INSTANCE : 0),
        PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT, PIPE_UNLIMITED_INSTANCES, 65536, 65536, 0, nullptr);
  }

  void lf_servePipe(const std::wstring& name) {
    HANDLE firstInstance = lf_pipeInstance(name, true);
    if (firstInstance == INVALID_HANDLE_VALUE)
      throw std::runtime_error(
          fmt::format("cannot serve the pipe (error {}): is another simulator serving it?", GetLastError()));
    threads_.emplace_back([this, name, firstInstance] {
      HANDLE connectEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
      HANDLE instance = firstInstance;
      while (instance != INVALID_HANDLE_VALUE) {
        OVERLAPPED overlapped{};
        overlapped.hEvent = connectEvent;
        ResetEvent(connectEvent);
        bool connected = ConnectNamedPipe(instance, &overlapped) != 0;
        const DWORD error = GetLastError();
        if (!connected && error == ERROR_PIPE_CONNECTED) connected = true;
        if (!connected && error == ERROR_IO_PENDING) {
          const HANDLE waits[2] = {stopEvent_, connectEvent};
          if (WaitForMultipleObjects(2, waits, FALSE, INFINITE) != WAIT_OBJECT_0 + 1) {
            CancelIoEx(instance, &overlapped);
            DWORD ignored = 0;
            GetOverlappedResult(instance, &overlapped, &ignored, TRUE);
            CloseHandle(instance);
            break;
          }
          DWORD ignored = 0;
          connected = GetOverlappedResult(instance, &overlapped, &ignored, FALSE) != 0;
        }
        if (connected) {
          simulator_.serve(std::make_unique<PipeLink>(instance));
        } else {
          CloseHandle(instance);
        }
        instance =
            WaitForSingleObject(stopEvent_, 0) == WAIT_OBJECT_0 ? INVALID_HANDLE_VALUE : lf_pipeInstance(name, false);
      }
      CloseHandle(connectEvent);
    });
  }

  Simulator& simulator_;
  bool winsock_ = false;
  HANDLE stopEvent_ = nullptr;
  int ipv4Port_ = -1;
  int ipv6Port_ = -1;
  std::vector<SOCKET> listening_;
  std::vector<std::thread> threads_;
};

} // namespace

std::unique_ptr<Servers> startServers(const ServerOptions& options, Simulator& simulator) {
  auto servers = std::make_unique<WinServers>(simulator);
  servers->start(options);
  return servers;
}

} // namespace standin
