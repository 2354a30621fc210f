#include "simlink/simconnect/receive_cutter.h"

#include "simlink/simconnect/wire_bytes.h"

#include <algorithm>
#include <new>

ReceiveCutter::ReceiveCutter(std::uint32_t maxReceiveSize) : buffer_(initialLength), maxReceiveSize_(maxReceiveSize) {}

std::span<std::uint8_t> ReceiveCutter::freeSpace() {
  if (error_ != CutError::none) return {};
  return std::span<std::uint8_t>(buffer_).subspan(write_);
}

CutError ReceiveCutter::received(std::size_t count, std::vector<std::vector<std::uint8_t>>& messages) {
  if (error_ != CutError::none) return error_;
  write_ += std::min(count, buffer_.size() - write_);
  error_ = lf_cut(messages);
  return error_;
}

CutError ReceiveCutter::lf_cut(std::vector<std::vector<std::uint8_t>>& messages) {
  for (;;) {
    const std::size_t unreadBytes = write_ - read_;
    if (unreadBytes < 4) break;
    const std::uint32_t size = gf_getU32(buffer_.data() + read_);
    if (size == 0) {
      read_ += 4;
      continue;
    }
    if (size > maxReceiveSize_) return CutError::tooLarge;
    if (size < 4) return CutError::badSize;
    if (unreadBytes < size) break;
    try {
      const auto first = buffer_.begin() + static_cast<std::ptrdiff_t>(read_);
      messages.emplace_back(first, first + size);
    } catch (const std::bad_alloc&) {
      return CutError::noMemory;
    }
    read_ += size;
  }
  if (read_ == write_) {
    read_ = write_ = 0;
  } else if (write_ == buffer_.size()) {
    if (read_ > 0) {
      std::copy(buffer_.begin() + static_cast<std::ptrdiff_t>(read_), buffer_.end(), buffer_.begin());
      write_ -= read_;
      read_ = 0;
    } else {
      // Full with one incomplete message.
      if (buffer_.size() > longestGrowable) return CutError::tooLarge;
      try {
        buffer_.resize(buffer_.size() + growStep);
      } catch (const std::bad_alloc&) {
        return CutError::noMemory;
      }
    }
  }
  return CutError::none;
}
