#pragma once
// One connection to the simulator over a named pipe or a TCP socket. Reads and writes are
// overlapped and complete on the system's I/O completion thread pool; the library has no
// thread of its own. The object is reference counted: its owner holds one reference and
// every read or write in flight another, so it outlives its close until the last
// operation has completed.
#include "simlink/simconnect/client.h"
#include "simlink/simconnect/receive_cutter.h"

#include <atomic>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>
#include <windows.h>
#include <winsock2.h>

class SimConnectConnection final : public SimConnectTransport {
public:
  SimConnectConnection();
  SimConnectConnection(const SimConnectConnection&) = delete;
  SimConnectConnection& operator=(const SimConnectConnection&) = delete;

  // The owner's reference as a shared pointer; dropping it drops the reference.
  static std::shared_ptr<SimConnectConnection> gf_create();

  // The connect steps; true when the connection is up and its first read is started.
  bool connectPipe(const std::wstring& server, const std::wstring& pipeName, std::int32_t maxReceiveSize);
  bool connectSocket(int family, const std::wstring& address, const std::wstring& port, std::int32_t maxReceiveSize,
                     bool disableNagle);

  bool send(std::vector<std::uint8_t> message) override;
  std::int32_t lostStatus() const override;
  std::vector<std::vector<std::uint8_t>> takeReceived() override;
  void setNotification(void* window, std::uint32_t userMessage, void* event) override;
  void closeOrderly() override;

  // Connection objects alive, including closed ones still waiting for their last I/O.
  static std::int32_t gf_count();

private:
  struct IoBlock {
    OVERLAPPED overlapped;
    SimConnectConnection* owner;
    bool isWrite;
  };

  ~SimConnectConnection() override;
  void lf_addReference();
  void lf_dropReference();
  static void CALLBACK lf_completion(DWORD code, DWORD bytes, LPOVERLAPPED overlapped);
  void lf_completed(IoBlock& block, DWORD code, DWORD bytes);
  void lf_readCompleted(DWORD bytes);

  bool lf_start(std::int32_t maxReceiveSize);
  void lf_startReadLocked();
  void lf_startNextSendLocked();
  void lf_writeLocked();
  void lf_close(std::int32_t reason, std::int32_t status);
  void lf_closeLocked(std::int32_t reason, std::int32_t status);
  void lf_notify();

  std::atomic<std::int32_t> references_{1};
  // The connection lock: state, handles and the starts of reads and writes.
  mutable std::mutex lock_;
  std::int32_t state_ = 0; // 0 closed, 2 connected
  std::atomic<std::int32_t> closeReason_{0};
  std::atomic<std::int32_t> closeStatus_{0};
  std::uint32_t lastOsError_ = 0;
  bool isPipe_ = false;
  SOCKET socket_ = INVALID_SOCKET;
  HANDLE pipe_ = INVALID_HANDLE_VALUE;
  IoBlock readBlock_{};
  IoBlock writeBlock_{};

  // Send path: the list and the write in flight.
  std::mutex sendListLock_;
  std::deque<std::vector<std::uint8_t>> sendList_;
  bool sending_ = false;
  std::vector<std::uint8_t> writing_;
  std::size_t written_ = 0;

  // Receive path: touched only by the one read in flight.
  std::unique_ptr<ReceiveCutter> cutter_;

  // Received messages not yet dispatched.
  std::mutex queueLock_;
  std::vector<std::vector<std::uint8_t>> received_;

  std::atomic<HWND> window_{nullptr};
  std::atomic<UINT> userMessage_{0};
  std::atomic<HANDLE> event_{nullptr};
};

// Starts Winsock once for the library; false when it cannot be started.
bool gf_startWinsock();

// The next read (or write) that any connection starts fails at once with this Win32 error
// instead of reaching the system, as a read or write on a broken handle would: the way to
// show what a connection does when its I/O cannot even start. 0 takes it back.
void gf_failNextIoStart(bool write, std::uint32_t error);
