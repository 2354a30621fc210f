#include "simlink/simconnect/send_buffer.h"

#include "simlink/simconnect/wire_bytes.h"

#include <algorithm>

std::uint8_t* SendBuffer::reserve(std::uint32_t size) {
  if (size < 16 || size > capacity - fill_) return nullptr;
  std::uint8_t* packet = bytes_.data() + fill_;
  counterBefore_ = counter_;
  counter_ = counter_ == 0xFFFFFFFFu ? 1u : counter_ + 1u;
  gf_putU32(packet + 12, counter_);
  lastStart_ = fill_;
  lastSize_ = size;
  fill_ += size;
  return packet;
}

void SendBuffer::releaseLast() {
  if (lastSize_ == 0 || lastStart_ + lastSize_ != fill_) return;
  std::fill_n(bytes_.begin() + static_cast<std::ptrdiff_t>(lastStart_), lastSize_, std::uint8_t{0});
  fill_ = lastStart_;
  counter_ = counterBefore_;
  lastSize_ = 0;
}

std::vector<std::uint8_t> SendBuffer::take() {
  std::vector<std::uint8_t> message;
  takeInto(message);
  return message;
}

void SendBuffer::takeInto(std::vector<std::uint8_t>& out) {
  out.insert(out.end(), bytes_.begin(), bytes_.begin() + static_cast<std::ptrdiff_t>(fill_));
  std::fill_n(bytes_.begin(), fill_, std::uint8_t{0});
  fill_ = 0;
  lastSize_ = 0;
}
