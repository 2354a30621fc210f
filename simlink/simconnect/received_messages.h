#pragma once
// What the simulator sends: message ids, field offsets and the shortest size of each
// message's layout (wire_format.md). SimConnect_CallDispatch hands on only messages that
// hold their whole layout, so handlers may read these offsets; strings and data blocks are
// read through ReceivedMessage, which never reads past the message's end.
#include "simlink/simconnect/simconnect.h"

#include <cstdint>
#include <string>

enum SimConnectRecvId : std::uint32_t {
  recvException = 1,
  recvOpen = 2,
  recvQuit = 3,
  recvEvent = 4,
  recvEventObjectAddRemove = 5,
  recvEventFilename = 6,
  recvEventFrame = 7,
  recvSimObjectData = 8,
  recvSimObjectDataByType = 9,
};

namespace recv_offset {
// exception
inline constexpr std::uint32_t exception = 12;
inline constexpr std::uint32_t sendId = 16;
inline constexpr std::uint32_t index = 20;
// open reply
inline constexpr std::uint32_t applicationName = 12;
inline constexpr std::uint32_t applicationNameSize = 256;
inline constexpr std::uint32_t versionMajor = 268;
inline constexpr std::uint32_t versionMinor = 272;
inline constexpr std::uint32_t buildMajor = 276;
inline constexpr std::uint32_t buildMinor = 280;
// events
inline constexpr std::uint32_t groupId = 12;
inline constexpr std::uint32_t eventId = 16;
inline constexpr std::uint32_t eventData = 20;
inline constexpr std::uint32_t objectType = 24;
inline constexpr std::uint32_t frameRate = 24;
inline constexpr std::uint32_t fileName = 24;
inline constexpr std::uint32_t fileNameSize = 260;
// object data
inline constexpr std::uint32_t requestId = 12;
inline constexpr std::uint32_t objectId = 16;
inline constexpr std::uint32_t definitionId = 20;
inline constexpr std::uint32_t flags = 24;
inline constexpr std::uint32_t entryNumber = 28;
inline constexpr std::uint32_t entryCount = 32;
inline constexpr std::uint32_t definitionCount = 36;
inline constexpr std::uint32_t dataBlock = 40;
} // namespace recv_offset

// The shortest message of this id that holds every fixed field of its layout; 12 (the
// head) for ids without a layout of their own.
std::uint32_t gf_minimumMessageSize(std::uint32_t id);

// A bounded view of one received message.
class ReceivedMessage {
public:
  ReceivedMessage(const SimConnectRecv* message, std::uint32_t size)
      : bytes_(reinterpret_cast<const std::uint8_t*>(message)), size_(message == nullptr ? 0 : size) {}

  std::uint32_t size() const { return size_; }
  std::uint32_t id() const { return u32(8); }
  // Whether count bytes from offset lie within the message.
  bool holds(std::uint32_t offset, std::uint32_t count) const;
  // 0 for a field that does not lie within the message.
  std::uint32_t u32(std::uint32_t offset) const;
  std::int64_t i64(std::uint32_t offset) const;
  float f32(std::uint32_t offset) const;
  double f64(std::uint32_t offset) const;
  // The zero-terminated text of a field of fieldSize bytes, cut at the field's and the
  // message's end when the terminator is missing.
  std::string text(std::uint32_t offset, std::uint32_t fieldSize) const;

private:
  const std::uint8_t* bytes_;
  std::uint32_t size_;
};
