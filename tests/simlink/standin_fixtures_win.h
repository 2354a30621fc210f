#pragma once
// What the Windows tests of the client need around the stand-in simulator: collecting
// dispatched messages, SimConnect.cfg files and registry ports that are removed again,
// a TCP port on which nothing listens, and the stand-in's records.
#include "simlink/simconnect/received_messages.h"
#include "simlink/simconnect/simconnect.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <nlohmann/json.hpp>
#include <shlobj.h>
#include <string>
#include <vector>
#include <windows.h>
#include <winsock2.h>
#include <ws2tcpip.h>

namespace standin_test {

using Message = std::vector<std::uint8_t>;

struct Received {
  std::vector<Message> messages;
  std::vector<Message> withId(std::uint32_t id) const {
    std::vector<Message> found;
    for (const auto& m : messages)
      if (ReceivedMessage(reinterpret_cast<const SimConnectRecv*>(m.data()), static_cast<std::uint32_t>(m.size()))
              .id() == id)
        found.push_back(m);
    return found;
  }
};

inline void collect(const SimConnectRecv* message, std::uint32_t size, void* context) {
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(message);
  static_cast<Received*>(context)->messages.emplace_back(bytes, bytes + size);
}

inline ReceivedMessage view(const Message& m) {
  return ReceivedMessage(reinterpret_cast<const SimConnectRecv*>(m.data()), static_cast<std::uint32_t>(m.size()));
}

// An auto-reset event for the client's notifications.
class Event {
public:
  Event() : handle_(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {}
  ~Event() { CloseHandle(handle_); }
  Event(const Event&) = delete;
  Event& operator=(const Event&) = delete;
  HANDLE get() const { return handle_; }

private:
  HANDLE handle_;
};

// Dispatches, waking on the client's event, until done() holds or the time is up (an upper
// bound only). Returns the last result of SimConnect_CallDispatch.
inline SimConnectResult dispatchUntil(SimConnectClient* client, HANDLE event, Received& received,
                                      const std::function<bool()>& done, int timeoutMs = 15000) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  SimConnectResult result = simconnectOk;
  for (;;) {
    result = SimConnect_CallDispatch(client, &collect, &received);
    if (done() || std::chrono::steady_clock::now() > deadline) return result;
    WaitForSingleObject(event, 50);
  }
}

inline std::filesystem::path knownFolder(REFKNOWNFOLDERID id) {
  PWSTR path = nullptr;
  std::filesystem::path folder;
  if (SHGetKnownFolderPath(id, 0, nullptr, &path) == S_OK) folder = path;
  CoTaskMemFree(path);
  return folder;
}

// A SimConnect.cfg in a folder for the life of the object.
class CfgFile {
public:
  CfgFile(std::filesystem::path folder, const std::string& text) : file_(std::move(folder) / "SimConnect.cfg") {
    std::filesystem::create_directories(file_.parent_path());
    std::ofstream(file_, std::ios::binary) << text;
  }
  ~CfgFile() {
    std::error_code ignored;
    std::filesystem::remove(file_, ignored);
  }
  CfgFile(const CfgFile&) = delete;
  CfgFile& operator=(const CfgFile&) = delete;

private:
  std::filesystem::path file_;
};

// The simulator's published ports in the registry, removed before and after.
class RegistryPorts {
public:
  static constexpr const wchar_t* key = L"SOFTWARE\\Lockheed Martin\\Prepar3D v5";
  RegistryPorts() { lf_clear(); }
  ~RegistryPorts() { lf_clear(); }
  RegistryPorts(const RegistryPorts&) = delete;
  RegistryPorts& operator=(const RegistryPorts&) = delete;
  void set(const wchar_t* name, int port) {
    const std::wstring text = std::to_wstring(port);
    RegSetKeyValueW(HKEY_CURRENT_USER, key, name, REG_SZ, text.c_str(),
                    static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
  }

private:
  static void lf_clear() {
    RegDeleteKeyValueW(HKEY_CURRENT_USER, key, L"SimConnect_Port_IPv4");
    RegDeleteKeyValueW(HKEY_CURRENT_USER, key, L"SimConnect_Port_IPv6");
  }
};

// A loopback TCP port that is bound but never listened on: connecting to it is refused.
class RefusedPort {
public:
  explicit RefusedPort(int family = AF_INET) {
    WSADATA data{};
    WSAStartup(MAKEWORD(2, 2), &data);
    socket_ = socket(family, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_storage address{};
    int length = 0;
    if (family == AF_INET) {
      auto* a = reinterpret_cast<sockaddr_in*>(&address);
      a->sin_family = AF_INET;
      a->sin_addr.s_addr = htonl(INADDR_LOOPBACK);
      length = sizeof(sockaddr_in);
    } else {
      auto* a = reinterpret_cast<sockaddr_in6*>(&address);
      a->sin6_family = AF_INET6;
      a->sin6_addr = in6addr_loopback;
      length = sizeof(sockaddr_in6);
    }
    bind(socket_, reinterpret_cast<sockaddr*>(&address), length);
    getsockname(socket_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(family == AF_INET ? reinterpret_cast<sockaddr_in*>(&address)->sin_port
                                    : reinterpret_cast<sockaddr_in6*>(&address)->sin6_port);
  }
  ~RefusedPort() {
    closesocket(socket_);
    WSACleanup();
  }
  RefusedPort(const RefusedPort&) = delete;
  RefusedPort& operator=(const RefusedPort&) = delete;
  int port() const { return port_; }

private:
  SOCKET socket_ = INVALID_SOCKET;
  int port_ = 0;
};

// The stand-in's record: one JSON object per line.
inline std::vector<nlohmann::json> readRecord(const std::filesystem::path& file) {
  std::vector<nlohmann::json> lines;
  std::ifstream in(file);
  for (std::string line; std::getline(in, line);)
    if (!line.empty()) lines.push_back(nlohmann::json::parse(line));
  return lines;
}

inline std::vector<nlohmann::json> packetsOf(const std::vector<nlohmann::json>& record) {
  std::vector<nlohmann::json> packets;
  for (const auto& line : record)
    if (line.contains("op")) packets.push_back(line);
  return packets;
}

} // namespace standin_test
