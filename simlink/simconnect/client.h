#pragma once
// The client object behind every SimConnect handle: its send buffer and packet ids, and
// the connection it talks through. The process keeps a list of the live clients, so a
// handle that was closed is refused instead of used.
#include "simlink/simconnect/send_buffer.h"
#include "simlink/simconnect/simconnect.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

// One connection to the simulator as a client sees it: the named pipe and TCP connections
// of the Windows build, or a stand-in.
class SimConnectTransport {
public:
  virtual ~SimConnectTransport() = default;
  // Hands one flushed message to the send path; false when the connection can no longer
  // send (closed or lost), so the caller never reports a dropped packet as sent.
  virtual bool send(std::vector<std::uint8_t> message) = 0;
  // 0 while the connection is healthy; once it is lost, the negative status it was lost with.
  virtual std::int32_t lostStatus() const = 0;
  // Every message received up to now, oldest first; the queue is empty afterwards.
  virtual std::vector<std::vector<std::uint8_t>> takeReceived() = 0;
  // The window gets the user message and the event is set whenever a message arrives or
  // the connection is lost.
  virtual void setNotification(void* window, std::uint32_t userMessage, void* event) = 0;
  // The client's orderly close: gives sends in flight a moment, drops what was received
  // and not yet dispatched, and closes without signalling anyone.
  virtual void closeOrderly() = 0;
};

struct SimConnectClient {
  std::shared_ptr<SimConnectTransport> transport;
  SendBuffer sendBuffer;
  // Every operation sends its packet at once.
  bool autoFlush = true;
  // A batch's packets that did not fit the send buffer, waiting for the batch's end.
  std::vector<std::uint8_t> batchBytes;
  // The size of the last batch that set packets aside: the room the next one takes at once.
  std::size_t lastBatchSize = 0;
};

// Held while a packet is reserved, filled and flushed, so packets of different threads
// never interleave and their ids grow in the order they were reserved. Never held while a
// dispatch callback runs.
extern std::mutex simconnectLibraryLock;

// A new client on a connected transport, entered into the client list.
SimConnectClient* gf_createSimConnectClient(std::shared_ptr<SimConnectTransport> transport);
// Whether the handle is a client that has not been closed. Call holding the library lock.
bool gf_isLiveClient(const SimConnectClient* client);
// Hands the buffered bytes to the connection as one message. Call holding the library
// lock. An empty buffer is a flush that sent nothing (simconnectFail); a connection that
// cannot send gives its loss status, or simconnectFail after an orderly close.
SimConnectResult gf_flushClient(SimConnectClient& client);
// Hands what a batch set aside and the send buffer's bytes to the connection as one message.
// Call holding the library lock. Nothing to send is a success.
SimConnectResult gf_flushBatch(SimConnectClient& client);
// Packets built on the client between these two calls are kept back (what fills the send
// buffer is set aside) and leave together at the end: one message, and so one write on the
// connection, instead of one per packet, for bursts of many small packets. Packets other
// threads build meanwhile join the burst. Both fail (simconnectFail) on a handle that is not
// a live client; the end gives the result of its flush (simconnectOk with nothing to flush).
SimConnectResult gf_beginPacketBatch(SimConnectClient* client);
SimConnectResult gf_endPacketBatch(SimConnectClient* client);
// Takes the client out of the list, closes its connection in order and frees it.
void gf_closeSimConnectClient(SimConnectClient* client);
std::size_t gf_liveClientCount();

// Chooses and connects the transport for a configuration index. Returns 0 with the
// transport set, 3 when a numbered configuration section exists nowhere, or another
// value for any other failure.
using SimConnectTransportOpener = std::int32_t (*)(std::uint32_t configIndex,
                                                   std::shared_ptr<SimConnectTransport>& transport);
// The platform's opener (the pipe and TCP transports on Windows).
std::int32_t gf_openSimConnectTransport(std::uint32_t configIndex, std::shared_ptr<SimConnectTransport>& transport);
// Replaces the opener SimConnect_Open uses; null puts the platform's back.
void gf_setSimConnectTransportOpener(SimConnectTransportOpener opener);
// After a client was closed: gives its connection time to finish, and after the last
// client releases what the platform's transports started.
void gf_settleAfterClientClose(bool lastClient);
