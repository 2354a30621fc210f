#include "simlink/simconnect/connection_win.h"

#include "simlink/simconnect/completion_status.h"

#include <ws2tcpip.h>

namespace {

std::atomic<std::int32_t> connectionCount{0};

std::mutex winsockLock;
bool winsockStarted = false;

std::atomic<DWORD> failNextReadStart{0};
std::atomic<DWORD> failNextWriteStart{0};

constexpr std::int32_t eAbort = static_cast<std::int32_t>(0x80004004);
constexpr std::int32_t eOutOfMemory = static_cast<std::int32_t>(0x8007000E);
// The longest pipe path the connect step formats.
constexpr std::size_t longestPipePath = 259;
// Queued messages are joined into writes of at most this many bytes.
constexpr std::size_t largestWrite = 65536;
// A pipe that stays busy is waited for this often, never for ever.
constexpr int pipeBusyRetries = 20;

} // namespace

bool gf_startWinsock() {
  std::lock_guard lock(winsockLock);
  if (winsockStarted) return true;
  WSADATA data{};
  winsockStarted = WSAStartup(MAKEWORD(2, 0), &data) == 0;
  return winsockStarted;
}

void gf_failNextIoStart(bool write, std::uint32_t error) {
  // A "pending" start that the system never completes would leave its reference for ever.
  (write ? failNextWriteStart : failNextReadStart).store(error == ERROR_IO_PENDING ? 0 : error);
}

void gf_settleAfterClientClose(bool lastClient) {
  Sleep(250);
  if (!lastClient) return;
  for (int i = 0; i < 20 && connectionCount.load() > 0; ++i) Sleep(250);
  std::lock_guard lock(winsockLock);
  if (winsockStarted) {
    WSACleanup();
    winsockStarted = false;
  }
}

SimConnectConnection::SimConnectConnection() {
  ++connectionCount;
  readBlock_.owner = this;
  readBlock_.isWrite = false;
  writeBlock_.owner = this;
  writeBlock_.isWrite = true;
}

SimConnectConnection::~SimConnectConnection() {
  if (socket_ != INVALID_SOCKET) closesocket(socket_);
  if (pipe_ != INVALID_HANDLE_VALUE) CloseHandle(pipe_);
  --connectionCount;
}

std::shared_ptr<SimConnectConnection> SimConnectConnection::gf_create() {
  return std::shared_ptr<SimConnectConnection>(new SimConnectConnection(),
                                               [](SimConnectConnection* c) { c->lf_dropReference(); });
}

std::int32_t SimConnectConnection::gf_count() { return connectionCount.load(); }

void SimConnectConnection::lf_addReference() { references_.fetch_add(1); }

void SimConnectConnection::lf_dropReference() {
  if (references_.fetch_sub(1) == 1) delete this;
}

bool SimConnectConnection::connectPipe(const std::wstring& server, const std::wstring& pipeName,
                                       std::int32_t maxReceiveSize) {
  const std::wstring host = server.empty() ? L"." : server;
  const std::wstring path = L"\\\\" + host + L"\\pipe\\" +
                            (pipeName.empty() ? std::wstring(L"Lockheed Martin Prepar3D v5\\SimConnect") : pipeName);
  if (path.size() > longestPipePath) return false;
  HANDLE handle = INVALID_HANDLE_VALUE;
  for (int attempt = 0; attempt <= pipeBusyRetries; ++attempt) {
    handle = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED,
                         nullptr);
    if (handle != INVALID_HANDLE_VALUE) break;
    if (GetLastError() != ERROR_PIPE_BUSY || !WaitNamedPipeW(path.c_str(), 5000)) return false;
  }
  if (handle == INVALID_HANDLE_VALUE) return false;
  if (!BindIoCompletionCallback(handle, &lf_completion, 0)) {
    CloseHandle(handle);
    return false;
  }
  {
    std::lock_guard lock(lock_);
    pipe_ = handle;
    isPipe_ = true;
  }
  return lf_start(maxReceiveSize);
}

bool SimConnectConnection::connectSocket(int family, const std::wstring& address, const std::wstring& port,
                                         std::int32_t maxReceiveSize, bool disableNagle) {
  ADDRINFOW hints{};
  hints.ai_family = family;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_protocol = IPPROTO_TCP;
  ADDRINFOW* found = nullptr;
  if (GetAddrInfoW(address.c_str(), port.c_str(), &hints, &found) != 0 || found == nullptr) return false;
  SOCKET s = WSASocketW(found->ai_family, SOCK_STREAM, IPPROTO_TCP, nullptr, 0, WSA_FLAG_OVERLAPPED);
  const bool connected = s != INVALID_SOCKET && connect(s, found->ai_addr, static_cast<int>(found->ai_addrlen)) == 0 &&
                         BindIoCompletionCallback(reinterpret_cast<HANDLE>(s), &lf_completion, 0);
  FreeAddrInfoW(found);
  if (!connected) {
    if (s != INVALID_SOCKET) closesocket(s);
    return false;
  }
  if (disableNagle) {
    const BOOL on = TRUE;
    setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on);
  }
  {
    std::lock_guard lock(lock_);
    socket_ = s;
    isPipe_ = false;
  }
  return lf_start(maxReceiveSize);
}

bool SimConnectConnection::lf_start(std::int32_t maxReceiveSize) {
  cutter_ = std::make_unique<ReceiveCutter>(static_cast<std::uint32_t>(maxReceiveSize));
  std::lock_guard lock(lock_);
  {
    std::lock_guard sendLock(sendListLock_);
    sendList_.clear();
  }
  writing_.clear();
  sending_ = false;
  state_ = 2;
  lf_startReadLocked();
  return state_ == 2;
}

void SimConnectConnection::lf_startReadLocked() {
  const auto space = cutter_->freeSpace();
  const auto length = static_cast<DWORD>(std::min<std::size_t>(space.size(), 0x7FFFFFFF));
  readBlock_.overlapped = OVERLAPPED{};
  lf_addReference();
  DWORD error = failNextReadStart.exchange(0);
  if (error == 0 && isPipe_) {
    if (!ReadFile(pipe_, space.data(), length, nullptr, &readBlock_.overlapped)) error = GetLastError();
  } else if (error == 0) {
    WSABUF buffer{length, reinterpret_cast<char*>(space.data())};
    DWORD flags = 0;
    if (WSARecv(socket_, &buffer, 1, nullptr, &flags, &readBlock_.overlapped, nullptr) != 0)
      error = static_cast<DWORD>(WSAGetLastError());
  }
  if (error != 0 && error != ERROR_IO_PENDING) {
    // No completion will come: the connection cannot receive any more.
    lf_dropReference();
    lf_closeLocked(closeIoFailed, gf_failureStatus(error));
  }
}

bool SimConnectConnection::send(std::vector<std::uint8_t> message) {
  std::lock_guard lock(lock_);
  if (state_ != 2) return false;
  {
    std::lock_guard sendLock(sendListLock_);
    sendList_.push_back(std::move(message));
  }
  if (!sending_) lf_startNextSendLocked();
  return state_ == 2;
}

void SimConnectConnection::lf_startNextSendLocked() {
  writing_.clear();
  {
    std::lock_guard sendLock(sendListLock_);
    if (sendList_.empty()) {
      sending_ = false;
      return;
    }
    writing_ = std::move(sendList_.front());
    sendList_.pop_front();
    // Messages queued meanwhile go in the same write: the stream's bytes are the same, and
    // a write completion per packet would limit how many packets leave per second.
    while (!sendList_.empty() && writing_.size() + sendList_.front().size() <= largestWrite) {
      writing_.insert(writing_.end(), sendList_.front().begin(), sendList_.front().end());
      sendList_.pop_front();
    }
  }
  written_ = 0;
  sending_ = true;
  lf_writeLocked();
}

void SimConnectConnection::lf_writeLocked() {
  writeBlock_.overlapped = OVERLAPPED{};
  const auto length = static_cast<DWORD>(writing_.size() - written_);
  std::uint8_t* data = writing_.data() + written_;
  lf_addReference();
  DWORD error = failNextWriteStart.exchange(0);
  if (error == 0 && isPipe_) {
    if (!WriteFile(pipe_, data, length, nullptr, &writeBlock_.overlapped)) error = GetLastError();
  } else if (error == 0) {
    WSABUF buffer{length, reinterpret_cast<char*>(data)};
    if (WSASend(socket_, &buffer, 1, nullptr, 0, &writeBlock_.overlapped, nullptr) != 0)
      error = static_cast<DWORD>(WSAGetLastError());
  }
  if (error != 0 && error != ERROR_IO_PENDING) {
    // A packet that cannot be written must not be reported as sent by the next calls.
    lf_dropReference();
    sending_ = false;
    lf_closeLocked(closeIoFailed, gf_failureStatus(error));
  }
}

void CALLBACK SimConnectConnection::lf_completion(DWORD code, DWORD bytes, LPOVERLAPPED overlapped) {
  if (overlapped == nullptr) return;
  auto* block = reinterpret_cast<IoBlock*>(overlapped);
  block->owner->lf_completed(*block, code, bytes);
}

void SimConnectConnection::lf_completed(IoBlock& block, DWORD code, DWORD bytes) {
  bool connected = false;
  {
    std::lock_guard lock(lock_);
    connected = state_ != 0;
  }
  if (connected) {
    const CompletionOutcome outcome = gf_completionOutcome(code, bytes);
    if (outcome.reason != 0) {
      lf_close(outcome.reason, outcome.status);
    } else if (block.isWrite) {
      std::lock_guard lock(lock_);
      if (state_ == 2) {
        written_ += bytes;
        if (written_ < writing_.size())
          lf_writeLocked();
        else
          lf_startNextSendLocked();
      }
    } else {
      lf_readCompleted(bytes);
    }
  }
  lf_dropReference();
}

void SimConnectConnection::lf_readCompleted(DWORD bytes) {
  std::vector<std::vector<std::uint8_t>> messages;
  const CutError error = cutter_->received(bytes, messages);
  if (!messages.empty()) {
    {
      std::lock_guard lock(queueLock_);
      for (auto& m : messages) received_.push_back(std::move(m));
    }
    lf_notify();
  }
  if (error != CutError::none) {
    lf_close(static_cast<std::int32_t>(error), error == CutError::noMemory ? eOutOfMemory : eAbort);
    return;
  }
  std::lock_guard lock(lock_);
  if (state_ == 2) lf_startReadLocked();
}

std::int32_t SimConnectConnection::lostStatus() const {
  if (closeReason_.load() == 0) return 0;
  const std::int32_t status = closeStatus_.load();
  return status < 0 ? status : static_cast<std::int32_t>(0x80004005);
}

std::vector<std::vector<std::uint8_t>> SimConnectConnection::takeReceived() {
  std::vector<std::vector<std::uint8_t>> taken;
  std::lock_guard lock(queueLock_);
  taken.swap(received_);
  return taken;
}

void SimConnectConnection::setNotification(void* window, std::uint32_t userMessage, void* event) {
  window_.store(static_cast<HWND>(window));
  userMessage_.store(userMessage);
  event_.store(static_cast<HANDLE>(event));
}

void SimConnectConnection::lf_notify() {
  const HWND window = window_.load();
  const UINT message = userMessage_.load();
  if (window != nullptr && message != 0) PostMessageW(window, message, 0, 0);
  if (const HANDLE event = event_.load(); event != nullptr) SetEvent(event);
}

void SimConnectConnection::closeOrderly() {
  Sleep(100);
  {
    std::lock_guard lock(queueLock_);
    received_.clear();
  }
  lf_close(closeByClient, 0);
}

void SimConnectConnection::lf_close(std::int32_t reason, std::int32_t status) {
  std::lock_guard lock(lock_);
  lf_closeLocked(reason, status);
}

void SimConnectConnection::lf_closeLocked(std::int32_t reason, std::int32_t status) {
  const std::int32_t previous = state_;
  state_ = 0;
  if (previous == 0) return;
  if (reason != 0) {
    lastOsError_ = isPipe_ ? GetLastError() : static_cast<std::uint32_t>(WSAGetLastError());
    closeStatus_.store(status < 0 ? status : static_cast<std::int32_t>(0x80004005));
  }
  if (isPipe_) {
    CancelIoEx(pipe_, nullptr);
    CloseHandle(pipe_);
    pipe_ = INVALID_HANDLE_VALUE;
  } else {
    shutdown(socket_, SD_BOTH);
    CancelIoEx(reinterpret_cast<HANDLE>(socket_), nullptr);
    closesocket(socket_);
    socket_ = INVALID_SOCKET;
  }
  {
    std::lock_guard sendLock(sendListLock_);
    sendList_.clear();
  }
  closeReason_.store(reason);
  if (reason != 0) lf_notify();
}
