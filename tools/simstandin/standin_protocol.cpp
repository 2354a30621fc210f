#include "standin_protocol.h"

#include <cmath>
#include <cstring>
#include <fmt/format.h>

namespace standin {

namespace {

struct Reader {
  const Bytes& bytes;
  Packet& packet;

  std::uint32_t u32(std::size_t offset) const { return readU32(bytes, offset); }
  double f64(std::size_t offset) const { return readF64(bytes, offset); }
  float f32(std::size_t offset) const {
    const std::uint32_t raw = u32(offset);
    float value = 0;
    std::memcpy(&value, &raw, 4);
    return value;
  }
  // A string field: it must end within its field and be followed only by zeros.
  std::string text(std::size_t offset, std::size_t fieldSize, const char* name) const {
    if (offset + fieldSize > bytes.size()) return {};
    const auto* first = reinterpret_cast<const char*>(bytes.data() + offset);
    const void* zero = std::memchr(first, 0, fieldSize);
    if (zero == nullptr) {
      packet.errors.push_back(fmt::format("{} is not zero-terminated within its {} bytes", name, fieldSize));
      return std::string(first, fieldSize);
    }
    const std::size_t length = static_cast<const char*>(zero) - first;
    for (std::size_t i = length; i < fieldSize; ++i) {
      if (first[i] != 0) {
        packet.errors.push_back(fmt::format("{} has bytes other than zero after its terminator", name));
        break;
      }
    }
    return std::string(first, length);
  }
};

std::string lf_operationName(std::uint32_t code) {
  switch (code) {
  case 0x01:
    return "Open";
  case 0x04:
    return "MapClientEventToSimEvent";
  case 0x05:
    return "TransmitClientEvent";
  case 0x07:
    return "AddClientEventToNotificationGroup";
  case 0x09:
    return "SetNotificationGroupPriority";
  case 0x0C:
    return "AddToDataDefinition";
  case 0x0E:
    return "RequestDataOnSimObject";
  case 0x0F:
    return "RequestDataOnSimObjectType";
  case 0x10:
    return "SetDataOnSimObject";
  case 0x17:
    return "SubscribeToSystemEvent";
  case 0x29:
    return "AICreateNonATCAircraft";
  case 0x2B:
    return "AIReleaseControl";
  case 0x2C:
    return "AIRemoveObject";
  case 0x2D:
    return "AISetAircraftFlightPlan";
  default:
    return "unknown";
  }
}

// The size the packet must have, 0 for unknown operations.
std::size_t lf_expectedSize(std::uint32_t code, const Bytes& bytes) {
  switch (code) {
  case 0x01:
    return 296;
  case 0x04:
    return 276;
  case 0x05:
    return 36;
  case 0x07:
    return 28;
  case 0x09:
    return 24;
  case 0x0C:
    return 544;
  case 0x0E:
    return 48;
  case 0x0F:
    return 32;
  case 0x10: {
    if (bytes.size() < 36) return 36;
    const std::uint64_t count = readU32(bytes, 28);
    return static_cast<std::size_t>(36 + count * readU32(bytes, 32));
  }
  case 0x17:
    return 276;
  case 0x29:
    return 344;
  case 0x2B:
    return 24;
  case 0x2C:
    return 24;
  case 0x2D:
    return 284;
  default:
    return 0;
  }
}

void lf_decode(const Reader& r, Packet& p) {
  auto& f = p.fields;
  switch (p.code) {
  case 0x01: {
    f["applicationName"] = r.text(16, 256, "application name");
    const std::uint32_t tag = r.u32(276);
    f["tag"] = fmt::format("{:08x}", tag);
    f["values"] = {r.u32(272), r.u32(280), r.u32(284), r.u32(288), r.u32(292)};
    if (r.u32(272) != 0 || tag != 0x50334400 || r.u32(280) != 5 || r.u32(284) != 3 || r.u32(288) != 0 ||
        r.u32(292) != 0)
      p.errors.push_back("open request carries other fixed values than 0, 00 44 33 50, 5, 3, 0, 0");
    break;
  }
  case 0x04:
  case 0x17:
    f["eventId"] = r.u32(16);
    f[p.code == 0x04 ? "eventName" : "systemEventName"] = r.text(20, 256, "event name");
    break;
  case 0x05:
    f["objectId"] = r.u32(16);
    f["eventId"] = r.u32(20);
    f["data"] = r.u32(24);
    f["groupId"] = r.u32(28);
    f["flags"] = r.u32(32);
    break;
  case 0x07:
    f["groupId"] = r.u32(16);
    f["eventId"] = r.u32(20);
    f["maskable"] = r.u32(24);
    if (r.u32(24) > 1) p.errors.push_back("maskable is neither 0 nor 1");
    break;
  case 0x09:
    f["groupId"] = r.u32(16);
    f["priority"] = r.u32(20);
    break;
  case 0x0C: {
    f["definitionId"] = r.u32(16);
    f["datumName"] = r.text(20, 256, "datum name");
    f["unitsName"] = r.text(276, 256, "units name");
    f["datumType"] = r.u32(532);
    const float epsilon = r.f32(536);
    f["epsilon"] = epsilon;
    f["datumId"] = r.u32(540);
    if (!std::isfinite(epsilon)) p.errors.push_back("epsilon is not a finite number");
    break;
  }
  case 0x0E:
    f["requestId"] = r.u32(16);
    f["definitionId"] = r.u32(20);
    f["objectId"] = r.u32(24);
    f["period"] = r.u32(28);
    f["flags"] = r.u32(32);
    f["origin"] = r.u32(36);
    f["interval"] = r.u32(40);
    f["limit"] = r.u32(44);
    break;
  case 0x0F:
    f["requestId"] = r.u32(16);
    f["definitionId"] = r.u32(20);
    f["radiusMeters"] = r.u32(24);
    f["objectType"] = r.u32(28);
    break;
  case 0x10: {
    f["definitionId"] = r.u32(16);
    f["objectId"] = r.u32(20);
    f["flags"] = r.u32(24);
    f["arrayCount"] = r.u32(28);
    f["unitSize"] = r.u32(32);
    if (r.u32(28) == 0) p.errors.push_back("array count is 0");
    p.data.assign(r.bytes.begin() + 36, r.bytes.end());
    if (p.data.size() % 8 == 0) {
      auto values = nlohmann::json::array();
      for (std::size_t i = 0; i < p.data.size() && i < 64 * 8; i += 8) values.push_back(r.f64(36 + i));
      f["doubles"] = values;
    }
    break;
  }
  case 0x29:
    f["containerTitle"] = r.text(16, 256, "container title");
    f["tailNumber"] = r.text(272, 12, "tail number");
    f["latitude"] = r.f64(284);
    f["longitude"] = r.f64(292);
    f["altitude"] = r.f64(300);
    f["pitch"] = r.f64(308);
    f["bank"] = r.f64(316);
    f["heading"] = r.f64(324);
    f["onGround"] = r.u32(332);
    f["airspeed"] = r.u32(336);
    f["requestId"] = r.u32(340);
    if (r.u32(332) > 1) p.errors.push_back("on-ground flag is neither 0 nor 1");
    break;
  case 0x2B:
  case 0x2C:
    f["objectId"] = r.u32(16);
    f["requestId"] = r.u32(20);
    break;
  case 0x2D:
    f["objectId"] = r.u32(16);
    f["flightPlanPath"] = r.text(20, 260, "flight plan path");
    f["requestId"] = r.u32(280);
    break;
  default:
    break;
  }
}

Bytes lf_head(std::uint32_t size, std::uint32_t id) {
  Bytes bytes;
  bytes.reserve(size);
  appendU32(bytes, size);
  appendU32(bytes, 35);
  appendU32(bytes, id);
  return bytes;
}

} // namespace

std::uint32_t readU32(const Bytes& bytes, std::size_t offset) {
  if (offset + 4 > bytes.size()) return 0;
  return static_cast<std::uint32_t>(bytes[offset]) | static_cast<std::uint32_t>(bytes[offset + 1]) << 8 |
         static_cast<std::uint32_t>(bytes[offset + 2]) << 16 | static_cast<std::uint32_t>(bytes[offset + 3]) << 24;
}

double readF64(const Bytes& bytes, std::size_t offset) {
  const std::uint64_t raw =
      static_cast<std::uint64_t>(readU32(bytes, offset)) | static_cast<std::uint64_t>(readU32(bytes, offset + 4)) << 32;
  double value = 0;
  std::memcpy(&value, &raw, 8);
  return value;
}

std::uint32_t nextPacketId(std::uint32_t previous) { return previous == 0xFFFFFFFF ? 1 : previous + 1; }

Packet parsePacket(const Bytes& bytes) {
  Packet p;
  if (bytes.size() < 16) {
    p.operation = "unknown";
    p.errors.push_back(fmt::format("a packet of {} bytes is shorter than its head", bytes.size()));
    return p;
  }
  p.size = readU32(bytes, 0);
  p.version = readU32(bytes, 4);
  p.type = readU32(bytes, 8);
  p.packetId = readU32(bytes, 12);
  p.code = p.type & 0x0FFFFFFF;
  p.operation = lf_operationName(p.code);
  if (p.size != bytes.size()) p.errors.push_back("size field differs from the packet's length");
  if (p.version != 35) p.errors.push_back(fmt::format("protocol version {} instead of 35", p.version));
  if ((p.type & 0xF0000000) != 0xF0000000)
    p.errors.push_back(fmt::format("packet type {:#x} lacks 0xF0000000", p.type));
  if (p.operation == "unknown") {
    p.errors.push_back(fmt::format("unknown operation code {:#x}", p.code));
    return p;
  }
  const std::size_t expected = lf_expectedSize(p.code, bytes);
  if (expected != bytes.size()) {
    p.errors.push_back(fmt::format("{} bytes where {} takes {}", bytes.size(), p.operation, expected));
    return p;
  }
  const Reader reader{bytes, p};
  lf_decode(reader, p);
  return p;
}

void appendU32(Bytes& bytes, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

void appendI64(Bytes& bytes, std::int64_t value) {
  const auto raw = static_cast<std::uint64_t>(value);
  for (int i = 0; i < 8; ++i) bytes.push_back(static_cast<std::uint8_t>(raw >> (8 * i)));
}

void appendF64(Bytes& bytes, double value) {
  std::uint64_t raw = 0;
  std::memcpy(&raw, &value, 8);
  appendI64(bytes, static_cast<std::int64_t>(raw));
}

void appendFixedText(Bytes& bytes, const std::string& text, std::size_t fieldSize) {
  const std::size_t length = std::min(text.size(), fieldSize - 1);
  bytes.insert(bytes.end(), text.begin(), text.begin() + static_cast<std::ptrdiff_t>(length));
  bytes.insert(bytes.end(), fieldSize - length, 0);
}

void appendVariableText(Bytes& bytes, const std::string& text) {
  bytes.insert(bytes.end(), text.begin(), text.end());
  bytes.push_back(0);
  while (bytes.size() % 4 != 0) bytes.push_back(0);
}

Bytes openReply(const std::string& name, const std::uint32_t (&version)[4]) {
  Bytes bytes = lf_head(284, 2);
  appendFixedText(bytes, name, 256);
  for (const std::uint32_t v : version) appendU32(bytes, v);
  return bytes;
}

Bytes exceptionMessage(std::uint32_t exception, std::uint32_t sendId, std::uint32_t index) {
  Bytes bytes = lf_head(24, 1);
  appendU32(bytes, exception);
  appendU32(bytes, sendId);
  appendU32(bytes, index);
  return bytes;
}

Bytes quitMessage() { return lf_head(12, 3); }

Bytes eventMessage(std::uint32_t groupId, std::uint32_t eventId, std::uint32_t data) {
  Bytes bytes = lf_head(24, 4);
  appendU32(bytes, groupId);
  appendU32(bytes, eventId);
  appendU32(bytes, data);
  return bytes;
}

Bytes objectEventMessage(std::uint32_t eventId, std::uint32_t objectId, std::uint32_t objectType) {
  Bytes bytes = lf_head(28, 5);
  appendU32(bytes, noGroup);
  appendU32(bytes, eventId);
  appendU32(bytes, objectId);
  appendU32(bytes, objectType);
  return bytes;
}

Bytes filenameEventMessage(std::uint32_t eventId, const std::string& fileName) {
  Bytes bytes = lf_head(284, 6);
  appendU32(bytes, noGroup);
  appendU32(bytes, eventId);
  appendU32(bytes, 0);
  appendFixedText(bytes, fileName, 260);
  return bytes;
}

Bytes frameMessage(std::uint32_t eventId, float frameRate) {
  Bytes bytes = lf_head(28, 7);
  appendU32(bytes, noGroup);
  appendU32(bytes, eventId);
  appendU32(bytes, 0);
  std::uint32_t raw = 0;
  std::memcpy(&raw, &frameRate, 4);
  appendU32(bytes, raw);
  return bytes;
}

Bytes objectDataMessage(std::uint32_t messageId, std::uint32_t requestId, std::uint32_t objectId,
                        std::uint32_t definitionId, std::uint32_t entryNumber, std::uint32_t entryCount,
                        std::uint32_t datumCount, const Bytes& block) {
  Bytes bytes = lf_head(static_cast<std::uint32_t>(40 + block.size()), messageId);
  appendU32(bytes, requestId);
  appendU32(bytes, objectId);
  appendU32(bytes, definitionId);
  appendU32(bytes, 0);
  appendU32(bytes, entryNumber);
  appendU32(bytes, entryCount);
  appendU32(bytes, datumCount);
  bytes.insert(bytes.end(), block.begin(), block.end());
  return bytes;
}

} // namespace standin
