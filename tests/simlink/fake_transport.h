#pragma once
// A transport that keeps what the client sends and hands out what a test queues, so the
// client's packets and dispatch can be checked byte for byte without a simulator.
#include "simlink/simconnect/client.h"

#include <cstdint>
#include <functional>
#include <mutex>
#include <string_view>
#include <vector>

class FakeTransport : public SimConnectTransport {
public:
  bool send(std::vector<std::uint8_t> message) override {
    std::lock_guard lock(mutex_);
    if (!connected_ || lost_ != 0) return false;
    sent_.push_back(std::move(message));
    return true;
  }
  std::int32_t lostStatus() const override {
    std::lock_guard lock(mutex_);
    return lost_;
  }
  std::vector<std::vector<std::uint8_t>> takeReceived() override {
    std::vector<std::vector<std::uint8_t>> taken;
    {
      std::lock_guard lock(mutex_);
      taken.swap(received_);
    }
    return taken;
  }
  void setNotification(void*, std::uint32_t, void*) override {}
  void closeOrderly() override {
    std::lock_guard lock(mutex_);
    connected_ = false;
    received_.clear();
  }

  void queue(std::vector<std::uint8_t> message) {
    std::lock_guard lock(mutex_);
    received_.push_back(std::move(message));
  }
  void lose(std::int32_t status) {
    std::lock_guard lock(mutex_);
    lost_ = status;
  }
  std::vector<std::vector<std::uint8_t>> sent() const {
    std::lock_guard lock(mutex_);
    return sent_;
  }

private:
  mutable std::mutex mutex_;
  bool connected_ = true;
  std::int32_t lost_ = 0;
  std::vector<std::vector<std::uint8_t>> sent_;
  std::vector<std::vector<std::uint8_t>> received_;
};

// Bytes from a text of hexadecimal pairs; blanks are ignored.
inline std::vector<std::uint8_t> hexBytes(std::string_view hex) {
  std::vector<std::uint8_t> bytes;
  int high = -1;
  for (const char c : hex) {
    int nibble = -1;
    if (c >= '0' && c <= '9') nibble = c - '0';
    if (c >= 'a' && c <= 'f') nibble = c - 'a' + 10;
    if (c >= 'A' && c <= 'F') nibble = c - 'A' + 10;
    if (nibble < 0) continue;
    if (high < 0) {
      high = nibble;
    } else {
      bytes.push_back(static_cast<std::uint8_t>(high * 16 + nibble));
      high = -1;
    }
  }
  return bytes;
}
