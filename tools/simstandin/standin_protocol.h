#pragma once
// The stand-in simulator's own reading and writing of SimConnect packets. It shares no
// code with the client library on purpose: a wrong byte on either side shows as a failing
// test instead of being agreed on by both.
#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace standin {

using Bytes = std::vector<std::uint8_t>;

// One packet from the client, checked and decoded.
struct Packet {
  std::uint32_t size = 0;
  std::uint32_t version = 0;
  std::uint32_t type = 0;
  std::uint32_t code = 0; // type without its 0xF0000000
  std::uint32_t packetId = 0;
  std::string operation; // "Open", "AddToDataDefinition", ... or "unknown"
  nlohmann::json fields = nlohmann::json::object();
  std::vector<std::string> errors;
  Bytes data; // the data block of SetDataOnSimObject
  bool valid() const { return errors.empty(); }
};

// Checks one whole packet (size bytes, as framed by its first field): its size for its
// operation, protocol version 35, the packet type, zero-terminated strings with zeros after
// the terminator, and the fixed values of the open request. The packet id is checked by
// the caller, who knows the one before.
Packet parsePacket(const Bytes& bytes);

// The id that must follow: 1 after 0xFFFFFFFF, and 1 for the first packet (previous 0).
std::uint32_t nextPacketId(std::uint32_t previous);

// Little-endian reading of the stand-in's own.
std::uint32_t readU32(const Bytes& bytes, std::size_t offset);
double readF64(const Bytes& bytes, std::size_t offset);

// Messages to the client.
Bytes openReply(const std::string& name, const std::uint32_t (&version)[4]);
Bytes exceptionMessage(std::uint32_t exception, std::uint32_t sendId, std::uint32_t index);
Bytes quitMessage();
Bytes eventMessage(std::uint32_t groupId, std::uint32_t eventId, std::uint32_t data);
Bytes objectEventMessage(std::uint32_t eventId, std::uint32_t objectId, std::uint32_t objectType);
Bytes filenameEventMessage(std::uint32_t eventId, const std::string& fileName);
Bytes frameMessage(std::uint32_t eventId, float frameRate);
Bytes objectDataMessage(std::uint32_t messageId, std::uint32_t requestId, std::uint32_t objectId,
                        std::uint32_t definitionId, std::uint32_t entryNumber, std::uint32_t entryCount,
                        std::uint32_t datumCount, const Bytes& block);

// Appending to a data block.
void appendU32(Bytes& bytes, std::uint32_t value);
void appendI64(Bytes& bytes, std::int64_t value);
void appendF64(Bytes& bytes, double value);
// A text in a field of fieldSize bytes, cut to fit with its terminator.
void appendFixedText(Bytes& bytes, const std::string& text, std::size_t fieldSize);
// A text of variable length: its bytes, the terminator and zeros up to a multiple of 4.
void appendVariableText(Bytes& bytes, const std::string& text);

// Group id of system events, which belong to no notification group.
inline constexpr std::uint32_t noGroup = 0xFFFFFFFF;

} // namespace standin
