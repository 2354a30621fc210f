#include "support/sim_messages.h"

#include <algorithm>
#include <cstring>

namespace sim_messages {

namespace {

void lf_u32(Bytes& bytes, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

void lf_u64(Bytes& bytes, std::uint64_t value) {
  for (int i = 0; i < 8; ++i) bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

Bytes lf_head(std::uint32_t id, std::size_t bodySize) {
  Bytes bytes;
  lf_u32(bytes, static_cast<std::uint32_t>(12 + bodySize));
  lf_u32(bytes, 4);
  lf_u32(bytes, id);
  return bytes;
}

Bytes lf_message(std::uint32_t id, const std::vector<std::uint32_t>& fields, const Bytes& tail = {}) {
  Bytes bytes = lf_head(id, fields.size() * 4 + tail.size());
  for (const std::uint32_t f : fields) lf_u32(bytes, f);
  bytes.insert(bytes.end(), tail.begin(), tail.end());
  return bytes;
}

constexpr std::uint32_t noGroup = 0xFFFFFFFF;

} // namespace

Block& Block::f64(double value) {
  std::uint64_t raw = 0;
  std::memcpy(&raw, &value, 8);
  lf_u64(bytes_, raw);
  return *this;
}

Block& Block::i64(std::int64_t value) {
  lf_u64(bytes_, static_cast<std::uint64_t>(value));
  return *this;
}

Block& Block::fixedText(std::string_view text, std::size_t fieldSize) {
  const std::size_t length = std::min(text.size(), fieldSize - 1);
  bytes_.insert(bytes_.end(), text.begin(), text.begin() + static_cast<std::ptrdiff_t>(length));
  bytes_.insert(bytes_.end(), fieldSize - length, 0);
  return *this;
}

Block& Block::variableText(std::string_view text) {
  bytes_.insert(bytes_.end(), text.begin(), text.end());
  bytes_.push_back(0);
  while (bytes_.size() % 4 != 0) bytes_.push_back(0);
  return *this;
}

Bytes openReply(std::string_view name, std::uint32_t major, std::uint32_t minor, std::uint32_t buildMajor,
                std::uint32_t buildMinor) {
  Block nameField;
  nameField.fixedText(name, 256);
  Bytes tail = nameField.bytes();
  for (const std::uint32_t v : {major, minor, buildMajor, buildMinor}) lf_u32(tail, v);
  return lf_message(2, {}, tail);
}

Bytes exception(std::uint32_t number, std::uint32_t sendId, std::uint32_t index) {
  return lf_message(1, {number, sendId, index});
}

Bytes quit() { return lf_message(3, {}); }

Bytes event(std::uint32_t eventId, std::uint32_t data) { return lf_message(4, {noGroup, eventId, data}); }

Bytes objectEvent(std::uint32_t eventId, std::uint32_t objectId, std::uint32_t objectType) {
  return lf_message(5, {noGroup, eventId, objectId, objectType});
}

Bytes fileEvent(std::uint32_t eventId, std::string_view fileName) {
  Block name;
  name.fixedText(fileName, 260);
  return lf_message(6, {noGroup, eventId, 0}, name.bytes());
}

Bytes frame(float frameRate, std::uint32_t eventId) {
  std::uint32_t raw = 0;
  std::memcpy(&raw, &frameRate, 4);
  return lf_message(7, {noGroup, eventId, 0, raw});
}

Bytes objectData(std::uint32_t requestId, std::uint32_t objectId, std::uint32_t definitionId, const Block& block) {
  return lf_message(8, {requestId, objectId, definitionId, 0, 1, 1, 1}, block.bytes());
}

Bytes objectDataByType(std::uint32_t requestId, std::uint32_t objectId, std::uint32_t definitionId, const Block& block,
                       std::uint32_t entry, std::uint32_t count) {
  return lf_message(9, {requestId, objectId, definitionId, 0, entry, count, 4}, block.bytes());
}

Bytes raw(std::uint32_t id, const Bytes& after) { return lf_message(id, {}, after); }

Block inRangeBlock(double aboveGround, double groundAltitude, std::int64_t onGround, std::string_view atcId) {
  Block block;
  block.f64(aboveGround).f64(groundAltitude).i64(onGround).fixedText(atcId, 32);
  return block;
}

Block identityBlock(double aboveGround, double groundAltitude, std::int64_t onGround, std::string_view atcId,
                    std::string_view title) {
  Block block = inRangeBlock(aboveGround, groundAltitude, onGround, atcId);
  block.variableText(title);
  return block;
}

Block userStateBlock(double latitude, double longitude, double altitude, double aboveGround, double groundSpeed,
                     std::int64_t zuluTime, std::int64_t dayOfYear, std::int64_t year) {
  Block block;
  block.f64(latitude).f64(longitude).f64(0.0).f64(0.0).f64(0.0).f64(altitude).f64(aboveGround).f64(groundSpeed);
  block.i64(zuluTime).i64(dayOfYear).i64(year).i64(0);
  return block;
}

} // namespace sim_messages
