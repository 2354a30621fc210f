#include "core/files.h"
#include "core/log.h"
#include "core/utf16_win.h"
#include "simlink/simconnect/client.h"
#include "simlink/simconnect/connection_win.h"
#include "simlink/simconnect/transport_settings.h"

#include <filesystem>
#include <optional>
#include <shlobj.h>
#include <windows.h>

namespace {

const wchar_t* const simPortKey = L"SOFTWARE\\Lockheed Martin\\Prepar3D v5";

std::optional<std::filesystem::path> lf_knownFolder(REFKNOWNFOLDERID id) {
  PWSTR path = nullptr;
  std::optional<std::filesystem::path> folder;
  if (SHGetKnownFolderPath(id, 0, nullptr, &path) == S_OK && path != nullptr) folder = std::filesystem::path(path);
  CoTaskMemFree(path);
  return folder;
}

// SimConnect.cfg in the public documents, the documents and the current folder, in this
// order; a folder that cannot be determined is left out.
std::vector<std::filesystem::path> lf_cfgFiles() {
  std::vector<std::filesystem::path> files;
  if (auto folder = lf_knownFolder(FOLDERID_PublicDocuments)) files.push_back(*folder / L"SimConnect.cfg");
  if (auto folder = lf_knownFolder(FOLDERID_Documents)) files.push_back(*folder / L"SimConnect.cfg");
  std::error_code error;
  if (auto current = std::filesystem::current_path(error); !error) files.push_back(current / L"SimConnect.cfg");
  return files;
}

bool lf_exists(const std::filesystem::path& file) {
  std::error_code error;
  return std::filesystem::is_regular_file(file, error);
}

bool lf_sectionHasKeys(const std::filesystem::path& file, const std::wstring& section) {
  wchar_t buffer[30] = {};
  return GetPrivateProfileSectionW(section.c_str(), buffer, 30, file.c_str()) > 0;
}

std::u16string lf_profileText(const std::filesystem::path& file, const std::wstring& section, const wchar_t* key) {
  std::wstring buffer(2048, L'\0');
  const DWORD length = GetPrivateProfileStringW(section.c_str(), key, L"", buffer.data(),
                                                static_cast<DWORD>(buffer.size()), file.c_str());
  buffer.resize(length);
  return std::u16string(gf_asUtf16(buffer));
}

// The simulator's published TCP port of the family, empty when it cannot be read.
std::u16string lf_readSimPort(SimConnectProtocol family) {
  wchar_t buffer[10] = {};
  DWORD size = sizeof buffer;
  const wchar_t* value = family == SimConnectProtocol::ipv6 ? L"SimConnect_Port_IPv6" : L"SimConnect_Port_IPv4";
  if (RegGetValueW(HKEY_CURRENT_USER, simPortKey, value, RRF_RT_REG_SZ, nullptr, buffer, &size) != ERROR_SUCCESS)
    return {};
  buffer[9] = L'\0';
  return std::u16string(gf_asUtf16(buffer));
}

void lf_readSimConnectCfg(const std::filesystem::path& file, const std::wstring& section, TransportSettings& settings) {
  SimConnectCfgKeys keys;
  keys.protocol = lf_profileText(file, section, L"Protocol");
  keys.address = lf_profileText(file, section, L"Address");
  keys.port = lf_profileText(file, section, L"Port");
  keys.maxReceiveSize = lf_profileText(file, section, L"MaxReceiveSize");
  keys.disableNagle = lf_profileText(file, section, L"DisableNagle");
  gf_applySimConnectCfg(settings, keys, &lf_readSimPort);
}

// A failed attempt closes its connection like a client close, settling included.
void lf_abandon(std::shared_ptr<SimConnectConnection>& connection) {
  connection->closeOrderly();
  connection.reset();
  gf_settleAfterClientClose(gf_liveClientCount() == 0);
}

std::shared_ptr<SimConnectConnection> lf_tryPipe(const std::wstring& server, const std::wstring& name,
                                                 const TransportSettings& settings) {
  auto connection = SimConnectConnection::gf_create();
  if (connection->connectPipe(server, name, settings.maxReceiveSize)) return connection;
  lf_abandon(connection);
  return nullptr;
}

std::shared_ptr<SimConnectConnection> lf_trySocket(int family, const std::wstring& address, const std::wstring& port,
                                                   const TransportSettings& settings) {
  auto connection = SimConnectConnection::gf_create();
  if (!port.empty() && connection->connectSocket(family, address, port, settings.maxReceiveSize, settings.disableNagle))
    return connection;
  lf_abandon(connection);
  return nullptr;
}

std::shared_ptr<SimConnectConnection> lf_connect(const TransportSettings& settings) {
  std::shared_ptr<SimConnectConnection> connected;
  TransportAttempts attempts;
  attempts.pipe = [&](const std::u16string& server, const std::u16string& name) {
    connected = lf_tryPipe(gf_asWide(server), gf_asWide(name), settings);
    return connected != nullptr;
  };
  attempts.socket = [&](SimConnectProtocol family, const std::u16string& address, const std::u16string& port) {
    if (!gf_startWinsock()) return SocketAttempt::noWinsock;
    connected = lf_trySocket(family == SimConnectProtocol::ipv6 ? AF_INET6 : AF_INET, gf_asWide(address),
                             gf_asWide(port), settings);
    return connected ? SocketAttempt::connected : SocketAttempt::failed;
  };
  attempts.simPort = &lf_readSimPort;
  if (!gf_runTransportAttempts(settings, attempts)) return nullptr;
  return connected;
}

} // namespace

std::int32_t gf_openSimConnectTransport(std::uint32_t configIndex, std::shared_ptr<SimConnectTransport>& transport) {
  transport.reset();
  const std::vector<std::filesystem::path> files = lf_cfgFiles();
  const std::wstring section = gf_asWide(gf_simConnectCfgSection(configIndex));
  if (configIndex != 0 && configIndex != simconnectNoConfiguration) {
    bool found = false;
    for (const auto& file : files) {
      if (lf_exists(file) && lf_sectionHasKeys(file, section)) {
        found = true;
        break;
      }
    }
    if (!found) return 3;
  }
  TransportSettings settings;
  if (configIndex != simconnectNoConfiguration) {
    for (const auto& file : files) {
      if (lf_exists(file)) lf_readSimConnectCfg(file, section, settings);
    }
  }
  auto connection = lf_connect(settings);
  if (!connection) return 1;
  transport = std::move(connection);
  return 0;
}
