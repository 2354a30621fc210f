#include "simlink/simconnect/received_messages.h"

#include "simlink/simconnect/wire_bytes.h"

#include <algorithm>
#include <cstring>

std::uint32_t gf_minimumMessageSize(std::uint32_t id) {
  switch (id) {
  case recvException:
    return 24;
  case recvOpen:
    return 284;
  case recvEvent:
    return 24;
  case recvEventObjectAddRemove:
    return 28;
  case recvEventFilename:
    return 24;
  case recvEventFrame:
    return 28;
  case recvSimObjectData:
  case recvSimObjectDataByType:
    return 40;
  default:
    return 12;
  }
}

bool ReceivedMessage::holds(std::uint32_t offset, std::uint32_t count) const {
  return offset <= size_ && count <= size_ - offset;
}

std::uint32_t ReceivedMessage::u32(std::uint32_t offset) const {
  return holds(offset, 4) ? gf_getU32(bytes_ + offset) : 0;
}

std::int64_t ReceivedMessage::i64(std::uint32_t offset) const {
  return holds(offset, 8) ? static_cast<std::int64_t>(gf_getU64(bytes_ + offset)) : 0;
}

float ReceivedMessage::f32(std::uint32_t offset) const { return holds(offset, 4) ? gf_getF32(bytes_ + offset) : 0.0f; }

double ReceivedMessage::f64(std::uint32_t offset) const { return holds(offset, 8) ? gf_getF64(bytes_ + offset) : 0.0; }

std::string ReceivedMessage::text(std::uint32_t offset, std::uint32_t fieldSize) const {
  if (offset >= size_) return {};
  const std::uint32_t length = std::min(fieldSize, size_ - offset);
  const auto* first = reinterpret_cast<const char*>(bytes_ + offset);
  const void* zero = std::memchr(first, 0, length);
  return std::string(first, zero != nullptr ? static_cast<const char*>(zero) : first + length);
}
