#pragma once
// What the simulator sends, as byte messages for the tests of the simulator link and of
// live traffic, in the layouts of simlink/simconnect/wire_format.md.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace sim_messages {

using Bytes = std::vector<std::uint8_t>;

// A data block, datum by datum.
class Block {
public:
  Block& f64(double value);
  Block& i64(std::int64_t value);
  // A text in a field of fieldSize bytes (cut to fit with its terminator).
  Block& fixedText(std::string_view text, std::size_t fieldSize = 32);
  // A text of variable length: its bytes, a terminator, zeros up to a multiple of 4.
  Block& variableText(std::string_view text);
  const Bytes& bytes() const { return bytes_; }

private:
  Bytes bytes_;
};

Bytes openReply(std::string_view name, std::uint32_t major, std::uint32_t minor, std::uint32_t buildMajor,
                std::uint32_t buildMinor);
Bytes exception(std::uint32_t number, std::uint32_t sendId, std::uint32_t index);
Bytes quit();
Bytes event(std::uint32_t eventId, std::uint32_t data);
Bytes objectEvent(std::uint32_t eventId, std::uint32_t objectId, std::uint32_t objectType = 2);
Bytes fileEvent(std::uint32_t eventId, std::string_view fileName);
Bytes frame(float frameRate, std::uint32_t eventId = 204);
Bytes objectData(std::uint32_t requestId, std::uint32_t objectId, std::uint32_t definitionId, const Block& block);
Bytes objectDataByType(std::uint32_t requestId, std::uint32_t objectId, std::uint32_t definitionId, const Block& block,
                       std::uint32_t entry = 1, std::uint32_t count = 1);
// Any message: a head with the id and the size of the bytes that follow, then the bytes.
Bytes raw(std::uint32_t id, const Bytes& after);

// The block of one aircraft in range: height above the ground, ground altitude, on ground, ATC id.
Block inRangeBlock(double aboveGround, double groundAltitude, std::int64_t onGround, std::string_view atcId);
// The identity of one new aircraft: the block of the aircraft in range, then its title.
Block identityBlock(double aboveGround, double groundAltitude, std::int64_t onGround, std::string_view atcId,
                    std::string_view title);
// The user aircraft's full state block.
Block userStateBlock(double latitude, double longitude, double altitude, double aboveGround, double groundSpeed,
                     std::int64_t zuluTime = 0, std::int64_t dayOfYear = 1, std::int64_t year = 2024);

} // namespace sim_messages
