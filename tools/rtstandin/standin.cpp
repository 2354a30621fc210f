#include "standin.h"

#include <nlohmann/json.hpp>
#include <stdexcept>

namespace rtstandin {

namespace {

using namespace std::chrono;

constexpr std::string_view standardReply = R"({"level":1,"version":"8.0.30"})";
constexpr std::string_view professionalReply = R"({"level":2,"version":"9.0.1"})";
constexpr std::string_view textReply = "RealTraffic ready\r\n";

long long epochMs() { return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count(); }

} // namespace

std::optional<ReplyVariant> replyVariantFromName(std::string_view name) {
  if (name == "level1") return ReplyVariant::Level1;
  if (name == "level2") return ReplyVariant::Level2;
  if (name == "nonjson") return ReplyVariant::NonJson;
  if (name == "split") return ReplyVariant::Split;
  if (name == "late") return ReplyVariant::Late;
  if (name == "none") return ReplyVariant::None;
  return std::nullopt;
}

StandIn::StandIn(Options options) : options_(std::move(options)) {
  if (!(options_.speed > 0)) throw std::invalid_argument("the speed must be above 0");
  if (!(options_.fromSeconds >= 0)) throw std::invalid_argument("the start must not be negative");
  if (!options_.file.empty()) schedule_ = scheduleFrom(readSchedule(options_.file), options_.fromSeconds);
  if (!options_.recordFile.empty()) {
    recordStream_.open(options_.recordFile, std::ios::binary | std::ios::trunc);
    if (!recordStream_) throw std::runtime_error("cannot write " + options_.recordFile);
  }
}

StandIn::~StandIn() { stop(); }

void StandIn::start() {
  replayThread_ = std::thread(&StandIn::replay, this);
  if (options_.link) linkThread_ = std::thread(&StandIn::talk, this);
}

void StandIn::stop() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  if (replayThread_.joinable()) replayThread_.join();
  if (linkThread_.joinable()) linkThread_.join();
}

void StandIn::dropConnection() {
  std::lock_guard lock(mutex_);
  dropRequested_ = true;
}

std::vector<LinkRecord> StandIn::records() const {
  std::lock_guard lock(mutex_);
  return records_;
}

bool StandIn::pause(milliseconds duration) {
  std::unique_lock lock(mutex_);
  return !wake_.wait_for(lock, duration, [this] { return stopping_; });
}

void StandIn::record(const std::string& event, const std::string& text, bool unterminated) {
  LinkRecord entry;
  entry.ms = duration_cast<milliseconds>(steady_clock::now() - started_).count();
  entry.utcMs = epochMs();
  entry.event = event;
  entry.text = text;
  if (event == "message") entry.check = checkMessage(text);
  if (unterminated) entry.check = {entry.check.kind, false, "not ended by CR LF"};
  std::lock_guard lock(mutex_);
  if (recordStream_.is_open()) {
    nlohmann::json line{{"ms", entry.ms}, {"utc_ms", entry.utcMs}, {"event", entry.event}};
    if (event == "message") {
      line["text"] = entry.text;
      line["kind"] = entry.check.kind;
      line["valid"] = entry.check.valid;
      if (!entry.check.valid) line["problem"] = entry.check.problem;
    }
    recordStream_ << line.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
    recordStream_.flush();
  }
  records_.push_back(std::move(entry));
}

void StandIn::replay() {
  const auto start = steady_clock::now();
  const double startEpoch = static_cast<double>(epochMs()) / 1000.0;
  const auto socket = openDatagramSocket();
  // A recording comes in bursts; a rate limit spreads them for receivers that are slow to read.
  const auto spacing = options_.maxRate > 0
                           ? duration_cast<steady_clock::duration>(duration<double>(1 / options_.maxRate))
                           : steady_clock::duration::zero();
  auto previous = start - spacing;
  for (const auto& datagram : schedule_.datagrams) {
    const auto due = std::max(
        start + duration_cast<steady_clock::duration>(duration<double>(datagram.offsetSeconds / options_.speed)),
        previous + spacing);
    previous = due;
    {
      // A datagram that is due already leaves at once: a burst of the recording stays a
      // burst, as RealTraffic sends it.
      std::unique_lock lock(mutex_);
      if (due > steady_clock::now() ? wake_.wait_until(lock, due, [this] { return stopping_; }) : stopping_) return;
    }
    if (datagram.kind == DatagramKind::Weather) {
      if (sendDatagram(socket, options_.weatherPort, datagram.text)) ++weatherSent_;
      continue;
    }
    std::string text = datagram.text;
    if (text.starts_with("AITFC,")) {
      const double now = static_cast<double>(epochMs()) / 1000.0;
      const double reportTime = datagram.reportTime
                                    ? shiftedTime(*datagram.reportTime, schedule_.firstTime, startEpoch, options_.speed)
                                    : now;
      text = convertShortLine(text, reportTime).value_or(text);
    }
    if (sendDatagram(socket, options_.trafficPort, text)) ++trafficSent_;
  }
  replayDone_ = true;
}

void StandIn::talk() {
  while (true) {
    {
      std::lock_guard lock(mutex_);
      if (stopping_) return;
      dropRequested_ = false;
    }
    const auto connection = connectLoopback(options_.linkPort);
    if (connection.valid()) {
      record("connected");
      serve(connection);
    }
    if (!pause(milliseconds(options_.reconnectMs))) return;
  }
}

void StandIn::serve(const NetSocket& connection) {
  std::string pending;
  char chunk[4096];
  while (true) {
    {
      std::lock_guard lock(mutex_);
      if (stopping_) return;
      if (dropRequested_) {
        dropRequested_ = false;
        break;
      }
    }
    const auto wait = waitReadable(connection, 50);
    if (wait == NetWait::Timeout) continue;
    const auto count = wait == NetWait::Failed ? -1 : receiveSome(connection, chunk, sizeof chunk);
    if (count <= 0) {
      if (!pending.empty()) record("message", pending, true);
      record("closed");
      return;
    }
    pending.append(chunk, static_cast<std::size_t>(count));
    for (auto end = pending.find("\r\n"); end != std::string::npos; end = pending.find("\r\n")) {
      const std::string message = pending.substr(0, end);
      pending.erase(0, end + 2);
      record("message", message);
      if (message == "Qs999=version") answerVersion(connection);
      if (message == "exit") exitReceived_ = true;
    }
  }
  record("dropped");
}

void StandIn::answerVersion(const NetSocket& connection) {
  switch (options_.reply) {
  case ReplyVariant::Level1:
    sendAll(connection, standardReply);
    break;
  case ReplyVariant::Level2:
    sendAll(connection, professionalReply);
    break;
  case ReplyVariant::NonJson:
    sendAll(connection, textReply);
    break;
  case ReplyVariant::Split: {
    const auto half = professionalReply.size() / 2;
    sendAll(connection, professionalReply.substr(0, half));
    if (pause(milliseconds(options_.splitPauseMs))) sendAll(connection, professionalReply.substr(half));
    break;
  }
  case ReplyVariant::Late:
    if (pause(milliseconds(options_.lateMs))) sendAll(connection, professionalReply);
    break;
  case ReplyVariant::None:
    break;
  }
}

} // namespace rtstandin
