#pragma once
// The client's outgoing packets: reserved one at a time in a fixed buffer, stamped with
// the next packet id, and taken out as one message by a flush.
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

class SendBuffer {
public:
  static constexpr std::size_t capacity = 41088;

  // Room for one packet of size bytes at the fill position, its packet id (offset 12)
  // already written: the counter + 1, where 1 follows 0xFFFFFFFF. Null when it does not fit.
  std::uint8_t* reserve(std::uint32_t size);
  // Gives back the packet reserved last (a packet that could not be completed): its bytes
  // are zeroed and its id is given back, so the ids on the wire stay consecutive.
  void releaseLast();
  // The buffered bytes; the buffer is empty and zeroed afterwards.
  std::vector<std::uint8_t> take();
  // The same, appended to out.
  void takeInto(std::vector<std::uint8_t>& out);

  std::size_t used() const { return fill_; }
  std::uint32_t lastPacketId() const { return counter_; }
  // The counter the next reservation counts from.
  void setPacketCounter(std::uint32_t counter) { counter_ = counter; }

private:
  std::array<std::uint8_t, capacity> bytes_{};
  std::size_t fill_ = 0;
  std::uint32_t counter_ = 0;
  // The last reservation, for releaseLast.
  std::size_t lastStart_ = 0;
  std::uint32_t lastSize_ = 0;
  std::uint32_t counterBefore_ = 0;
};
