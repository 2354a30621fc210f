#include "simlink/simconnect/client.h"

#include <algorithm>
#include <atomic>

std::mutex simconnectLibraryLock;

namespace {

// Guarded by the library lock.
std::vector<SimConnectClient*> liveClients;

} // namespace

SimConnectClient* gf_createSimConnectClient(std::shared_ptr<SimConnectTransport> transport) {
  auto client = std::make_unique<SimConnectClient>();
  client->transport = std::move(transport);
  std::lock_guard lock(simconnectLibraryLock);
  liveClients.push_back(client.get());
  return client.release();
}

bool gf_isLiveClient(const SimConnectClient* client) {
  return client != nullptr && std::find(liveClients.begin(), liveClients.end(), client) != liveClients.end();
}

SimConnectResult gf_flushClient(SimConnectClient& client) {
  if (client.sendBuffer.used() == 0) return simconnectFail;
  try {
    if (client.transport->send(client.sendBuffer.take())) return simconnectOk;
  } catch (const std::bad_alloc&) {
    return simconnectOutOfMemory;
  }
  const std::int32_t status = client.transport->lostStatus();
  return status < 0 ? status : simconnectFail;
}

SimConnectResult gf_flushBatch(SimConnectClient& client) {
  if (client.batchBytes.empty()) return client.sendBuffer.used() == 0 ? simconnectOk : gf_flushClient(client);
  try {
    client.sendBuffer.takeInto(client.batchBytes);
    client.lastBatchSize = client.batchBytes.size();
    std::vector<std::uint8_t> message;
    message.swap(client.batchBytes);
    if (client.transport->send(std::move(message))) return simconnectOk;
  } catch (const std::bad_alloc&) {
    client.batchBytes.clear();
    return simconnectOutOfMemory;
  }
  const std::int32_t status = client.transport->lostStatus();
  return status < 0 ? status : simconnectFail;
}

void gf_closeSimConnectClient(SimConnectClient* client) {
  std::shared_ptr<SimConnectTransport> transport;
  bool lastClient = false;
  {
    std::lock_guard lock(simconnectLibraryLock);
    std::erase(liveClients, client);
    transport = std::move(client->transport);
    lastClient = liveClients.empty();
  }
  if (transport) transport->closeOrderly();
  delete client;
  transport.reset();
  gf_settleAfterClientClose(lastClient);
}

std::size_t gf_liveClientCount() {
  std::lock_guard lock(simconnectLibraryLock);
  return liveClients.size();
}
