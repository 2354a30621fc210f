#pragma once
// Cuts the byte stream of one connection into messages. A pure state machine: the
// transport reads into freeSpace(), reports the count, and gets the complete messages.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

enum class CutError : std::int32_t {
  none = 0,
  tooLarge = 1, // larger than the receive limit, or than the buffer may grow
  badSize = 2,  // a size of 1 to 3 bytes
  noMemory = 3,
};

class ReceiveCutter {
public:
  static constexpr std::size_t initialLength = 2048;
  static constexpr std::size_t growStep = 2048;
  // The buffer grows only while it is at most this long.
  static constexpr std::size_t longestGrowable = 0xFFFFF;

  explicit ReceiveCutter(std::uint32_t maxReceiveSize);

  // Where the next read writes; never empty until an error was reported.
  std::span<std::uint8_t> freeSpace();
  // Takes count bytes just written into freeSpace() and appends every message that is now
  // complete to messages, in order. Zero words between messages are skipped whole, so a
  // size whose low byte is zero is never misread. After an error nothing more is cut.
  CutError received(std::size_t count, std::vector<std::vector<std::uint8_t>>& messages);

  std::size_t bufferLength() const { return buffer_.size(); }
  // Received bytes not yet cut into a message.
  std::size_t unread() const { return write_ - read_; }

private:
  CutError lf_cut(std::vector<std::vector<std::uint8_t>>& messages);

  std::vector<std::uint8_t> buffer_;
  std::size_t read_ = 0;  // first byte not yet cut
  std::size_t write_ = 0; // end of the received bytes
  std::uint32_t maxReceiveSize_;
  CutError error_ = CutError::none;
};
