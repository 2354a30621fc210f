#include "standin_simulator.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <ctime>
#include <fmt/format.h>
#include <sstream>

namespace standin {

namespace {

// Exception numbers the stand-in sends.
enum : std::uint32_t {
  exceptionUnrecognizedId = 3,
  exceptionVersionMismatch = 5,
  exceptionInvalidDataSize = 19,
  exceptionCreateObjectFailed = 22,
};

constexpr std::uint32_t largestPacket = 65536;
// The definition id under which the link sends its positions.
constexpr std::uint32_t positionDefinition = 402;

std::string lf_lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
  return text;
}

double lf_distanceMeters(double lat1, double lon1, double lat2, double lon2) {
  constexpr double toRad = 3.14159265358979323846 / 180.0;
  const double dLat = (lat2 - lat1) * toRad;
  const double dLon = (lon2 - lon1) * toRad;
  const double a = std::sin(dLat / 2) * std::sin(dLat / 2) +
                   std::cos(lat1 * toRad) * std::cos(lat2 * toRad) * std::sin(dLon / 2) * std::sin(dLon / 2);
  return 2 * 6371000.0 * std::atan2(std::sqrt(a), std::sqrt(1 - a));
}

// The fixed sizes of the datum types the stand-in knows; 0 for the variable-length text.
std::size_t lf_datumSize(std::uint32_t type) {
  switch (type) {
  case 2:
  case 4:
    return 8;
  case 6:
    return 32;
  default:
    return 0;
  }
}

bool lf_knownDatumType(std::uint32_t type) { return type == 2 || type == 4 || type == 6 || type == 11; }

Bytes lf_fromHex(const std::string& hex) {
  Bytes bytes;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
    bytes.push_back(static_cast<std::uint8_t>(std::stoul(hex.substr(i, 2), nullptr, 16)));
  return bytes;
}

} // namespace

Simulator::Simulator(Options options)
    : options_(std::move(options)), frameRate_(options_.frameRate), addDelayMs_(options_.addDelayMs) {
  Aircraft user;
  user.user = true;
  user.id = options_.userObjectId;
  user.title = options_.userTitle;
  user.atcId = options_.userAtcId;
  user.latitude = options_.userLatitude;
  user.longitude = options_.userLongitude;
  user.altitude = options_.userAltitude;
  lf_settle(user);
  aircraft_[user.id] = user;
  if (!options_.recordPath.empty()) {
    record_.open(options_.recordPath, std::ios::out | std::ios::trunc);
    if (!record_) throw std::runtime_error("cannot write " + options_.recordPath);
  }
}

Simulator::~Simulator() { shutdown(); }

void Simulator::lf_record(const nlohmann::json& line) {
  std::lock_guard lock(recordMutex_);
  if (!record_.is_open()) return;
  nlohmann::json entry = line;
  entry["seq"] = ++recordSeq_;
  record_ << entry.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
  record_.flush();
}

std::vector<std::shared_ptr<Session>> Simulator::lf_sessions() {
  std::lock_guard lock(sessionsMutex_);
  return sessions_;
}

void Simulator::serve(std::unique_ptr<Link> link) {
  auto session = std::make_shared<Session>();
  session->link = std::move(link);
  {
    std::lock_guard lock(sessionsMutex_);
    session->number = nextSession_++;
    sessions_.push_back(session);
  }
  lf_record({{"event", "connect"}, {"conn", session->number}, {"transport", session->link->transport()}});
  if (refusing_.load()) {
    session->open = false;
    session->link->drop();
    lf_record({{"event", "refused"}, {"conn", session->number}});
    return;
  }
  session->reader = std::thread([this, session] { lf_readLoop(*session); });
  session->timer = std::thread([this, session] { lf_timerLoop(*session); });
}

void Simulator::lf_readLoop(Session& session) {
  Bytes buffer;
  std::size_t start = 0;
  std::vector<std::uint8_t> chunk(largestPacket);
  std::string ending = "closed by client";
  for (bool going = true; going;) {
    const int n = session.link->read(chunk.data(), chunk.size());
    if (n <= 0) {
      if (n < 0) ending = "read error";
      break;
    }
    const auto arrived = std::chrono::steady_clock::now();
    buffer.insert(buffer.end(), chunk.begin(), chunk.begin() + n);
    while (buffer.size() - start >= 4) {
      const std::uint32_t size = readU32(buffer, start);
      if (size < 16 || size > largestPacket) {
        lf_record({{"event", "framing error"}, {"conn", session.number}, {"size", size}});
        ending = "framing error";
        going = false;
        break;
      }
      if (buffer.size() - start < size) break;
      const Bytes packet(buffer.begin() + static_cast<std::ptrdiff_t>(start),
                         buffer.begin() + static_cast<std::ptrdiff_t>(start + size));
      start += size;
      lf_handle(session, packet, arrived);
    }
    buffer.erase(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(start));
    start = 0;
  }
  session.open = false;
  session.link->drop();
  session.wake.notify_all();
  lf_record({{"event", "disconnect"}, {"conn", session.number}, {"reason", ending}});
}

bool Simulator::lf_fastPosition(Session& session, const Bytes& bytes, std::chrono::steady_clock::time_point arrived) {
  // Only a well-formed position for an object of the session's own; anything else takes the
  // full path, which checks, answers and flags it.
  if (bytes.size() != 100 || readU32(bytes, 0) != 100 || readU32(bytes, 4) != 35 || readU32(bytes, 8) != 0xF0000010u ||
      readU32(bytes, 16) != positionDefinition || readU32(bytes, 28) != 1 || readU32(bytes, 32) != 64)
    return false;
  const std::uint32_t packetId = readU32(bytes, 12);
  const std::uint32_t objectId = readU32(bytes, 20);
  bool sample = false;
  {
    std::lock_guard world(worldMutex_);
    std::lock_guard state(session.stateMutex);
    const auto found = aircraft_.find(objectId);
    const auto definition = session.definitions.find(positionDefinition);
    if (packetId != nextPacketId(session.lastPacketId) || found == aircraft_.end() || found->second.user ||
        found->second.removed || found->second.createdBy != session.number || definition == session.definitions.end() ||
        definition->second.size() != 8)
      return false;
    session.lastPacketId = packetId;
    lf_positionArrived(session, arrived);
    Aircraft& a = found->second;
    double* targets[] = {&a.latitude, &a.longitude, &a.pitch,         &a.bank,
                         &a.heading,  &a.altitude,  &a.verticalSpeed, &a.airspeed};
    for (std::size_t i = 0; i < 8; ++i) *targets[i] = readF64(bytes, 36 + i * 8);
    lf_settle(a);
    ++a.positions;
    // The record keeps each object's first position and about one a second after it; the
    // last one is in the object table.
    const auto now = std::chrono::steady_clock::now();
    sample = a.positions == 1 || now - a.lastRecordedPosition >= std::chrono::seconds(1);
    if (sample) a.lastRecordedPosition = now;
  }
  if (sample && record_.is_open()) {
    const Packet packet = parsePacket(bytes);
    lf_record({{"conn", session.number},
               {"transport", session.link->transport()},
               {"op", packet.operation},
               {"code", packet.code},
               {"size", packet.size},
               {"version", packet.version},
               {"type", fmt::format("{:#010x}", packet.type)},
               {"packetId", packet.packetId},
               {"valid", packet.valid()},
               {"errors", packet.errors},
               {"fields", packet.fields}});
  }
  {
    std::lock_guard lock(countMutex_);
    ++packets_;
    ++dataPackets_;
  }
  counted_.notify_all();
  return true;
}

void Simulator::lf_handle(Session& session, const Bytes& bytes, std::chrono::steady_clock::time_point arrived) {
  if (lf_fastPosition(session, bytes, arrived)) return;
  Packet packet = parsePacket(bytes);
  const bool position = packet.code == 0x10 && packet.fields.value("definitionId", 0u) == positionDefinition;
  {
    std::lock_guard lock(session.stateMutex);
    const std::uint32_t expected = nextPacketId(session.lastPacketId);
    if (packet.packetId != expected)
      packet.errors.push_back(fmt::format("packet id {} where {} follows", packet.packetId, expected));
    session.lastPacketId = packet.packetId;
    if (position) lf_positionArrived(session, arrived);
  }
  std::vector<Bytes> replies;
  bool record = true;
  if (packet.version != 35 && bytes.size() >= 16) {
    replies.push_back(exceptionMessage(exceptionVersionMismatch, packet.packetId, 0));
  } else if (packet.valid() || (packet.errors.size() == 1 && packet.errors[0].starts_with("packet id"))) {
    record = lf_answer(session, packet, replies);
  } else if (packet.operation == "unknown") {
    replies.push_back(exceptionMessage(exceptionUnrecognizedId, packet.packetId, 0));
  } else {
    replies.push_back(exceptionMessage(exceptionInvalidDataSize, packet.packetId, 0));
  }
  if (record && record_.is_open()) {
    nlohmann::json line = {{"conn", session.number},
                           {"transport", session.link->transport()},
                           {"op", packet.operation},
                           {"code", packet.code},
                           {"size", packet.size},
                           {"version", packet.version},
                           {"type", fmt::format("{:#010x}", packet.type)},
                           {"packetId", packet.packetId},
                           {"valid", packet.valid()},
                           {"errors", packet.errors},
                           {"fields", packet.fields}};
    lf_record(line);
  }
  {
    std::lock_guard lock(countMutex_);
    ++packets_;
    if (packet.code == 0x10) ++dataPackets_;
    if (!packet.valid()) ++invalidPackets_;
  }
  counted_.notify_all();
  for (const auto& reply : replies) lf_send(session, reply);
}

const Aircraft* Simulator::lf_object(std::uint32_t objectId) const {
  const auto found = aircraft_.find(objectId == 0 ? options_.userObjectId : objectId);
  return found == aircraft_.end() || found->second.removed ? nullptr : &found->second;
}

void Simulator::lf_violation(const Session& session, const Packet& packet, std::uint32_t objectId, const char* why) {
  const nlohmann::json line = {{"violation", fmt::format("{} aimed at {}", packet.operation, why)},
                               {"conn", session.number},
                               {"packetId", packet.packetId},
                               {"objectId", objectId}};
  {
    std::lock_guard lock(violationsMutex_);
    ++violationCount_;
    if (violations_.size() < 1000) violations_.push_back(line);
  }
  lf_record(line);
}

Aircraft* Simulator::lf_target(const Session& session, const Packet& packet, std::uint32_t objectId) {
  const auto found = aircraft_.find(objectId == 0 ? options_.userObjectId : objectId);
  const char* why = nullptr;
  if (found == aircraft_.end())
    why = "an unknown object";
  else if (found->second.user)
    why = "the user aircraft";
  else if (found->second.removed)
    why = "a removed object";
  else if (found->second.createdBy != session.number)
    why = "an object the client did not create";
  if (why == nullptr) return &found->second;
  lf_violation(session, packet, objectId, why);
  return nullptr;
}

void Simulator::lf_settle(Aircraft& a) const {
  a.onGround = a.altitude - options_.groundAltitude <= options_.cgHeight + 1.0;
}

void Simulator::lf_applyEvent(Aircraft& a, const std::string& eventName, std::uint32_t data) {
  const std::string name = lf_lower(eventName);
  if (name == "freeze_latitude_longitude_set") a.frozenLatLon = data != 0;
  if (name == "freeze_altitude_set") a.frozenAltitude = data != 0;
  if (name == "freeze_attitude_set") a.frozenAttitude = data != 0;
  a.events.emplace_back(eventName, data);
}

void Simulator::lf_finishFrame(const Session::FrameTiming& frame) {
  if (frame.positions == 0) return;
  const double ms = std::chrono::duration<double, std::milli>(frame.lastPosition - frame.sentAt).count();
  std::lock_guard lock(latencyMutex_);
  if (frameLatencies_.size() < 1000000) frameLatencies_.emplace_back(ms, frame.positions);
}

void Simulator::lf_frameSent(Session& session, std::chrono::steady_clock::time_point now) {
  if (session.frame.open) lf_finishFrame(session.frame);
  session.frame = {true, now, now, 0};
  ++session.framesSent;
  if (session.tracing) session.tracedFrames.push_back(now);
}

void Simulator::lf_positionArrived(Session& session, std::chrono::steady_clock::time_point arrived) {
  if (session.frame.open) {
    ++session.frame.positions;
    session.frame.lastPosition = arrived;
  }
  if (session.tracing) session.tracedPositions.push_back(arrived);
}

std::string Simulator::lf_frameMatch(std::istream& counts) {
  std::shared_ptr<Session> traced;
  for (const auto& s : lf_sessions()) {
    std::lock_guard lock(s->stateMutex);
    if (s->tracing) traced = s;
  }
  if (!traced) return "error no frame trace";
  std::lock_guard lock(traced->stateMutex);
  // The client's frames answer the Frames in their order: the n-th count is the number of
  // positions it sent for the n-th Frame traced, and they arrived in that order too.
  std::vector<double> times;
  std::size_t next = 0;
  std::size_t frameIndex = 0;
  std::uint64_t count = 0;
  while (counts >> count) {
    if (frameIndex >= traced->tracedFrames.size() || next + count > traced->tracedPositions.size()) break;
    if (count > 0) {
      next += count;
      times.push_back(std::chrono::duration<double, std::milli>(traced->tracedPositions[next - 1] -
                                                                traced->tracedFrames[frameIndex])
                          .count());
    }
    ++frameIndex;
  }
  const std::size_t left = traced->tracedPositions.size() - next;
  if (times.empty()) return fmt::format("ok 0 0 0 0 {}", left);
  std::sort(times.begin(), times.end());
  auto at = [&](double q) { return times[std::min(times.size() - 1, static_cast<std::size_t>(q * times.size()))]; };
  return fmt::format("ok {} {:.3f} {:.3f} {:.3f} {}", times.size(), at(0.5), at(0.99), times.back(), left);
}

nlohmann::json Simulator::lf_objectTable() {
  auto table = nlohmann::json::array();
  std::lock_guard world(worldMutex_);
  for (const auto& [id, a] : aircraft_) {
    auto events = nlohmann::json::array();
    for (const auto& [name, data] : a.events) events.push_back({name, data});
    table.push_back(
        {{"id", id},
         {"title", a.title},
         {"atcId", a.atcId},
         {"user", a.user},
         {"createdBy", a.createdBy},
         {"createdSeq", a.createdSeq},
         {"released", a.released},
         {"frozen", {{"latlon", a.frozenLatLon}, {"altitude", a.frozenAltitude}, {"attitude", a.frozenAttitude}}},
         {"positions", a.positions},
         {"lastPosition",
          {a.latitude, a.longitude, a.pitch, a.bank, a.heading, a.altitude, a.verticalSpeed, a.airspeed}},
         {"onGround", a.onGround},
         {"events", events},
         {"flightPlan", a.flightPlan},
         {"removed", a.removed}});
  }
  return table;
}

Bytes Simulator::lf_block(const std::vector<Datum>& datums, const Aircraft& a) const {
  const std::time_t now = std::time(nullptr);
  std::tm utc{};
#ifdef _WIN32
  gmtime_s(&utc, &now);
#else
  gmtime_r(&now, &utc);
#endif
  const double ground = options_.groundAltitude;
  Bytes block;
  for (const auto& d : datums) {
    const std::string name = lf_lower(d.name);
    double number = 0.0;
    std::string text;
    if (name == "plane latitude")
      number = a.latitude;
    else if (name == "plane longitude")
      number = a.longitude;
    else if (name == "plane altitude")
      number = a.altitude;
    else if (name == "plane pitch degrees")
      number = a.pitch;
    else if (name == "plane bank degrees")
      number = a.bank;
    else if (name == "plane heading degrees true")
      number = a.heading;
    else if (name == "vertical speed")
      number = a.verticalSpeed;
    else if (name == "airspeed true")
      number = a.airspeed;
    else if (name == "ground velocity")
      number = a.groundVelocity;
    else if (name == "plane alt above ground")
      number = std::max(0.0, a.altitude - ground);
    else if (name == "ground altitude")
      number = ground;
    else if (name == "sim on ground")
      number = a.onGround ? 1 : 0;
    else if (name == "zulu time")
      number = utc.tm_hour * 3600 + utc.tm_min * 60 + utc.tm_sec;
    else if (name == "zulu day of year")
      number = utc.tm_yday + 1;
    else if (name == "zulu year")
      number = utc.tm_year + 1900;
    else if (name == "static cg to ground")
      number = 5.5;
    else if (name == "static pitch")
      number = 0.02;
    else if (name == "atc id")
      text = a.atcId;
    else if (name == "title")
      text = a.title;
    else if (name == "atc model")
      text = a.id == options_.userObjectId ? options_.userModel : "B738";
    switch (d.type) {
    case 2:
      appendI64(block, static_cast<std::int64_t>(number));
      break;
    case 4:
      appendF64(block, number);
      break;
    case 6:
      appendFixedText(block, text, 32);
      break;
    case 11:
      appendVariableText(block, text);
      break;
    default:
      break;
    }
  }
  return block;
}

bool Simulator::lf_answer(Session& session, const Packet& p, std::vector<Bytes>& replies) {
  const auto& f = p.fields;
  auto u = [&](const char* key) { return f.value(key, std::uint32_t{0}); };
  std::lock_guard world(worldMutex_);
  std::lock_guard state(session.stateMutex);
  switch (p.code) {
  case 0x01:
    session.opened = true;
    replies.push_back(openReply(options_.name, options_.version));
    break;
  case 0x04:
    session.mappedEvents[u("eventId")] = f.value("eventName", "");
    break;
  case 0x05: {
    const auto mapped = session.mappedEvents.find(u("eventId"));
    if (mapped == session.mappedEvents.end() || lf_object(u("objectId")) == nullptr) {
      replies.push_back(exceptionMessage(exceptionUnrecognizedId, p.packetId, 1));
      if (mapped != session.mappedEvents.end()) lf_target(session, p, u("objectId"));
      break;
    }
    if (Aircraft* a = lf_target(session, p, u("objectId"))) lf_applyEvent(*a, mapped->second, u("data"));
    break;
  }
  case 0x0C: {
    Datum datum{f.value("datumName", ""), f.value("unitsName", ""), u("datumType")};
    if (!lf_knownDatumType(datum.type)) {
      replies.push_back(exceptionMessage(exceptionUnrecognizedId, p.packetId, 4));
      break;
    }
    session.definitions[u("definitionId")].push_back(datum);
    break;
  }
  case 0x0E: {
    const auto definition = session.definitions.find(u("definitionId"));
    const Aircraft* object = lf_object(u("objectId"));
    if (definition == session.definitions.end() || object == nullptr) {
      replies.push_back(
          exceptionMessage(exceptionUnrecognizedId, p.packetId, definition == session.definitions.end() ? 2 : 3));
      break;
    }
    const std::uint32_t period = u("period");
    std::erase_if(session.periodic, [&](const auto& r) { return r.requestId == u("requestId"); });
    if (period == 0) break;
    replies.push_back(objectDataMessage(8, u("requestId"), object->id, definition->first, 1, 1,
                                        static_cast<std::uint32_t>(definition->second.size()),
                                        lf_block(definition->second, *object)));
    if (period == 4)
      session.periodic.push_back(
          {u("requestId"), definition->first, object->id, std::chrono::steady_clock::now() + std::chrono::seconds(1)});
    break;
  }
  case 0x0F: {
    const auto definition = session.definitions.find(u("definitionId"));
    if (definition == session.definitions.end()) {
      replies.push_back(exceptionMessage(exceptionUnrecognizedId, p.packetId, 2));
      break;
    }
    if (u("objectType") != 2) break;
    const Aircraft& user = aircraft_.at(options_.userObjectId);
    std::vector<const Aircraft*> inRange;
    for (const auto& [id, a] : aircraft_) {
      if (!a.removed && lf_distanceMeters(user.latitude, user.longitude, a.latitude, a.longitude) <= u("radiusMeters"))
        inRange.push_back(&a);
    }
    std::uint32_t entry = 0;
    for (const Aircraft* a : inRange)
      replies.push_back(objectDataMessage(
          9, u("requestId"), a->id, definition->first, ++entry, static_cast<std::uint32_t>(inRange.size()),
          static_cast<std::uint32_t>(definition->second.size()), lf_block(definition->second, *a)));
    break;
  }
  case 0x10: {
    const Aircraft* object = lf_object(u("objectId"));
    const auto definition = session.definitions.find(u("definitionId"));
    if (object == nullptr || definition == session.definitions.end()) {
      replies.push_back(exceptionMessage(exceptionUnrecognizedId, p.packetId, object == nullptr ? 2 : 1));
      if (object == nullptr) lf_target(session, p, u("objectId"));
      break;
    }
    std::size_t unit = 0;
    bool fixed = true;
    for (const auto& d : definition->second) {
      fixed = fixed && lf_datumSize(d.type) != 0;
      unit += lf_datumSize(d.type);
    }
    if (fixed && unit != u("unitSize")) {
      replies.push_back(exceptionMessage(exceptionInvalidDataSize, p.packetId, 5));
      break;
    }
    Aircraft* target = lf_target(session, p, u("objectId"));
    if (target == nullptr) break;
    if (definition->first == positionDefinition || lf_lower(definition->second.front().name) == "plane latitude") {
      Aircraft& a = *target;
      double* targets[] = {&a.latitude, &a.longitude, &a.pitch,         &a.bank,
                           &a.heading,  &a.altitude,  &a.verticalSpeed, &a.airspeed};
      for (std::size_t i = 0; i < 8 && i * 8 + 8 <= p.data.size(); ++i) *targets[i] = readF64(p.data, i * 8);
      lf_settle(a);
      ++a.positions;
      // The record keeps each object's first position and about one a second after it; the
      // last one is in the object table.
      const auto now = std::chrono::steady_clock::now();
      if (a.positions > 1 && now - a.lastRecordedPosition < std::chrono::seconds(1)) return false;
      a.lastRecordedPosition = now;
    }
    break;
  }
  case 0x17:
    session.subscriptions[lf_lower(f.value("systemEventName", ""))] = u("eventId");
    if (lf_lower(f.value("systemEventName", "")) == "sim")
      replies.push_back(eventMessage(noGroup, u("eventId"), options_.simRunning ? 1 : 0));
    break;
  case 0x29: {
    const std::string title = f.value("containerTitle", "");
    bool refused = false;
    for (const auto& fail : options_.failTitles)
      refused = refused || (!fail.empty() && title.find(fail) != std::string::npos);
    if (refused) {
      replies.push_back(exceptionMessage(exceptionCreateObjectFailed, p.packetId, 1));
      break;
    }
    Aircraft a;
    a.id = nextObjectId_++;
    a.title = title;
    a.atcId = f.value("tailNumber", "");
    a.latitude = f.value("latitude", 0.0);
    a.longitude = f.value("longitude", 0.0);
    a.altitude = f.value("altitude", 0.0);
    a.pitch = f.value("pitch", 0.0);
    a.bank = f.value("bank", 0.0);
    a.heading = f.value("heading", 0.0);
    a.airspeed = u("airspeed");
    a.createdBy = session.number;
    a.createdSeq = p.packetId;
    lf_settle(a);
    aircraft_[a.id] = a;
    if (const auto s = session.subscriptions.find("objectadded"); s != session.subscriptions.end()) {
      const int delay = addDelayMs_.load();
      if (delay <= 0)
        replies.push_back(objectEventMessage(s->second, a.id, 2));
      else
        session.delayed.push_back({std::chrono::steady_clock::now() + std::chrono::milliseconds(delay),
                                   objectEventMessage(s->second, a.id, 2)});
      session.wake.notify_all();
    }
    break;
  }
  case 0x2B:
  case 0x2C:
  case 0x2D: {
    const bool exists = lf_object(u("objectId")) != nullptr;
    Aircraft* a = lf_target(session, p, u("objectId"));
    if (a == nullptr) {
      if (!exists || p.code == 0x2C) replies.push_back(exceptionMessage(exceptionUnrecognizedId, p.packetId, 1));
      break;
    }
    if (p.code == 0x2B) {
      ++a->released;
    } else if (p.code == 0x2D) {
      a->flightPlan = f.value("flightPlanPath", "");
    } else {
      a->removed = true;
      if (const auto s = session.subscriptions.find("objectremoved"); s != session.subscriptions.end())
        replies.push_back(objectEventMessage(s->second, a->id, 2));
    }
    break;
  }
  default:
    break;
  }
  return true;
}

void Simulator::lf_send(Session& session, const Bytes& message) {
  if (!session.open.load()) return;
  std::lock_guard lock(session.writeMutex);
  bool ok = true;
  if (split_.load()) {
    for (std::size_t i = 0; i < message.size() && ok; ++i) ok = session.link->write(&message[i], 1);
  } else {
    ok = session.link->write(message.data(), message.size());
  }
  if (!ok) session.open = false;
}

void Simulator::lf_broadcastEvent(const std::string& eventName, const std::function<Bytes(std::uint32_t)>& make) {
  for (const auto& session : lf_sessions()) {
    std::uint32_t eventId = 0;
    {
      std::lock_guard lock(session->stateMutex);
      const auto found = session->subscriptions.find(lf_lower(eventName));
      if (found == session->subscriptions.end()) continue;
      eventId = found->second;
    }
    lf_send(*session, make(eventId));
  }
}

void Simulator::lf_timerLoop(Session& session) {
  using clock = std::chrono::steady_clock;
  auto nextFrame = clock::now();
  std::mutex waitMutex;
  while (session.open.load()) {
    const auto now = clock::now();
    std::vector<Bytes> due;
    auto wakeAt = now + std::chrono::milliseconds(100);
    {
      std::lock_guard world(worldMutex_);
      std::lock_guard state(session.stateMutex);
      const double rate = frameRate_.load();
      const auto frame = session.subscriptions.find("frame");
      if (frame != session.subscriptions.end() && rate > 0) {
        const auto period = std::chrono::duration_cast<clock::duration>(std::chrono::duration<double>(1.0 / rate));
        if (now >= nextFrame) {
          due.push_back(frameMessage(frame->second, static_cast<float>(rate)));
          lf_frameSent(session, now);
          nextFrame = now - nextFrame > period * 10 ? now + period : nextFrame + period;
        }
        wakeAt = std::min(wakeAt, nextFrame);
      }
      for (auto& r : session.periodic) {
        if (now >= r.next) {
          const auto definition = session.definitions.find(r.definitionId);
          const Aircraft* object = lf_object(r.objectId);
          if (definition != session.definitions.end() && object != nullptr)
            due.push_back(objectDataMessage(8, r.requestId, object->id, r.definitionId, 1, 1,
                                            static_cast<std::uint32_t>(definition->second.size()),
                                            lf_block(definition->second, *object)));
          r.next += std::chrono::seconds(1);
        }
        wakeAt = std::min(wakeAt, r.next);
      }
      std::erase_if(session.delayed, [&](Session::Delayed& d) {
        if (now < d.due) {
          wakeAt = std::min(wakeAt, d.due);
          return false;
        }
        due.push_back(std::move(d.message));
        return true;
      });
    }
    for (const auto& m : due) lf_send(session, m);
    std::unique_lock lock(waitMutex);
    session.wake.wait_until(lock, wakeAt, [&] { return !session.open.load(); });
  }
}

std::string Simulator::command(const std::string& line) {
  std::istringstream in(line);
  std::string verb;
  in >> verb;
  const auto sessions = lf_sessions();
  auto openSessions = [&] {
    std::vector<std::shared_ptr<Session>> result;
    for (const auto& s : sessions)
      if (s->open.load()) result.push_back(s);
    return result;
  };
  auto toAll = [&](const Bytes& message) {
    for (const auto& s : openSessions()) lf_send(*s, message);
  };
  if (verb == "sync" || verb == "sync-data") {
    // Waits until this many packets (or SetDataOnSimObject packets) have arrived.
    std::uint64_t wanted = 0;
    in >> wanted;
    const std::uint64_t& counter = verb == "sync" ? packets_ : dataPackets_;
    std::unique_lock lock(countMutex_);
    const bool reached = counted_.wait_for(lock, std::chrono::seconds(20), [&] { return counter >= wanted; });
    return fmt::format("{} {} {} {}", reached ? "ok" : "timeout", packets_, dataPackets_, invalidPackets_);
  }
  if (verb == "sessions") {
    int open = 0;
    for (const auto& s : sessions) open += s->open.load() ? 1 : 0;
    return fmt::format("ok {} {}", sessions.size(), open);
  }
  if (verb == "refuse" || verb == "split") {
    std::string mode;
    in >> mode;
    (verb == "refuse" ? refusing_ : split_).store(mode == "on");
    return "ok";
  }
  if (verb == "teleport") {
    // The user aircraft jumps this many nautical miles north.
    double nm = 0;
    in >> nm;
    std::lock_guard world(worldMutex_);
    aircraft_.at(options_.userObjectId).latitude += nm / 60.0;
    return "ok";
  }
  if (verb == "add-delay") {
    int ms = 0;
    in >> ms;
    addDelayMs_.store(ms);
    return "ok";
  }
  if (verb == "fail-title") {
    std::string text;
    std::getline(in >> std::ws, text);
    std::lock_guard world(worldMutex_);
    options_.failTitles.push_back(text);
    return "ok";
  }
  if (verb == "objects") return lf_objectTable().dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
  if (verb == "violations") {
    std::lock_guard lock(violationsMutex_);
    return nlohmann::json({{"count", violationCount_}, {"list", violations_}}).dump();
  }
  if (verb == "frame-latency") {
    // "frame-latency reset" forgets what was measured; "frame-latency N" gives the times of
    // the frames that brought at least N positions: ok FRAMES SHORT P50 P99 MAX (ms).
    std::string what;
    in >> what;
    std::lock_guard lock(latencyMutex_);
    if (what == "reset") {
      frameLatencies_.clear();
      return "ok";
    }
    const std::uint32_t wanted = static_cast<std::uint32_t>(std::stoul(what.empty() ? "1" : what));
    std::vector<double> times;
    std::size_t shortFrames = 0;
    for (const auto& [ms, positions] : frameLatencies_) {
      if (positions >= wanted)
        times.push_back(ms);
      else
        ++shortFrames;
    }
    if (times.empty()) return fmt::format("ok 0 {} 0 0 0", shortFrames);
    std::sort(times.begin(), times.end());
    auto at = [&](double q) { return times[std::min(times.size() - 1, static_cast<std::size_t>(q * times.size()))]; };
    return fmt::format("ok {} {} {:.3f} {:.3f} {:.3f}", times.size(), shortFrames, at(0.5), at(0.99), times.back());
  }
  if (verb == "frame-trace") {
    // From now on every Frame and every position of the open session is timed; the answer
    // is the number of Frames sent to it before: ok COUNT.
    for (const auto& s : openSessions()) {
      std::lock_guard lock(s->stateMutex);
      s->tracing = true;
      s->tracedFrames.clear();
      s->tracedPositions.clear();
      return fmt::format("ok {}", s->framesSent);
    }
    return "error no session";
  }
  if (verb == "frame-match") {
    // The client's count of positions sent for each traced Frame, in order: ok FRAMES P50 P99
    // MAX (ms, from a Frame leaving to its last position arriving) LEFT (positions unmatched).
    return lf_frameMatch(in);
  }
  if (verb == "frame-rate") {
    double rate = 0;
    in >> rate;
    frameRate_.store(rate);
    return "ok";
  }
  if (verb == "drop") {
    for (const auto& s : openSessions()) {
      s->open = false;
      s->link->drop();
      s->wake.notify_all();
    }
    return "ok";
  }
  if (verb == "quit") {
    toAll(quitMessage());
    return "ok";
  }
  if (verb == "event") {
    std::string name;
    std::uint32_t data = 0;
    in >> name >> data;
    lf_broadcastEvent(name, [&](std::uint32_t id) { return eventMessage(noGroup, id, data); });
    return "ok";
  }
  if (verb == "newfile") {
    std::string path;
    std::getline(in >> std::ws, path);
    lf_broadcastEvent("flightloaded", [&](std::uint32_t id) { return filenameEventMessage(id, path); });
    return "ok";
  }
  if (verb == "exception") {
    std::uint32_t number = 0, sendId = 0, index = 0;
    in >> number >> sendId >> index;
    toAll(exceptionMessage(number, sendId, index));
    return "ok";
  }
  if (verb == "add-aircraft" || verb == "remove-aircraft") {
    Aircraft a;
    if (verb == "add-aircraft") {
      in >> a.atcId;
      std::lock_guard world(worldMutex_);
      const Aircraft& user = aircraft_.at(options_.userObjectId);
      a.id = nextObjectId_++;
      a.title = "Stand-in traffic";
      a.latitude = user.latitude + 0.001;
      a.longitude = user.longitude;
      a.altitude = options_.groundAltitude;
      aircraft_[a.id] = a;
    } else {
      in >> a.id;
      std::lock_guard world(worldMutex_);
      if (aircraft_.erase(a.id) == 0) return "error no such aircraft";
    }
    const char* event = verb == "add-aircraft" ? "objectadded" : "objectremoved";
    lf_broadcastEvent(event, [&](std::uint32_t id) { return objectEventMessage(id, a.id, 2); });
    return fmt::format("ok {}", a.id);
  }
  if (verb == "send-pair") {
    // Two messages in one write.
    Bytes both = eventMessage(noGroup, 0xABCD, 1);
    const Bytes second = eventMessage(noGroup, 0xABCE, 2);
    both.insert(both.end(), second.begin(), second.end());
    for (const auto& s : openSessions()) {
      std::lock_guard lock(s->writeMutex);
      s->link->write(both.data(), both.size());
    }
    return "ok";
  }
  if (verb == "send-raw") {
    std::string hex;
    in >> hex;
    const Bytes bytes = lf_fromHex(hex);
    for (const auto& s : openSessions()) {
      std::lock_guard lock(s->writeMutex);
      s->link->write(bytes.data(), bytes.size());
    }
    return "ok";
  }
  if (verb == "send-oversized") {
    std::uint32_t size = 0;
    in >> size;
    Bytes bytes = eventMessage(noGroup, 0xABCD, 0);
    bytes[0] = static_cast<std::uint8_t>(size);
    bytes[1] = static_cast<std::uint8_t>(size >> 8);
    bytes[2] = static_cast<std::uint8_t>(size >> 16);
    bytes[3] = static_cast<std::uint8_t>(size >> 24);
    toAll(bytes);
    return "ok";
  }
  if (verb == "send-short") {
    // An event cut after its event id, then a whole one.
    Bytes cut = eventMessage(noGroup, 0xABCD, 7);
    cut.resize(16);
    cut[0] = 16;
    toAll(cut);
    toAll(eventMessage(noGroup, 0xABCE, 8));
    return "ok";
  }
  if (verb == "send-unterminated") {
    Bytes reply = openReply(std::string(300, 'N'), options_.version);
    std::fill(reply.begin() + 12, reply.begin() + 268, static_cast<std::uint8_t>('N'));
    toAll(reply);
    return "ok";
  }
  if (verb == "flood") {
    std::uint32_t count = 0;
    in >> count;
    for (const auto& s : openSessions()) {
      if (s->flooder.joinable()) s->flooder.join();
      s->flooder = std::thread([this, s, count] {
        for (std::uint32_t i = 0; i < count && s->open.load(); ++i) lf_send(*s, eventMessage(noGroup, 0xF100D, i));
      });
    }
    return "ok";
  }
  return "error unknown command " + verb;
}

void Simulator::shutdown() {
  if (shutDown_.exchange(true)) return;
  const auto sessions = lf_sessions();
  for (const auto& s : sessions) {
    s->open = false;
    s->link->drop();
    s->wake.notify_all();
  }
  for (const auto& s : sessions) {
    if (s->reader.joinable()) s->reader.join();
    if (s->timer.joinable()) s->timer.join();
    if (s->flooder.joinable()) s->flooder.join();
  }
  // What became of every object, one line each.
  for (auto& object : lf_objectTable()) lf_record({{"object", std::move(object)}});
  std::lock_guard lock(recordMutex_);
  if (record_.is_open()) record_.close();
}

} // namespace standin
