#pragma once
// The stand-in RealTraffic: replays a recording or scenario as traffic datagrams and weather
// datagrams to local ports, and connects to Hivemoor's TCP link as RealTraffic does:
// answers "Qs999=version" in one of several ways, and records every message it receives
// with its time, checked against the link's message formats.
#include "link_messages.h"
#include "net.h"
#include "recording.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <fstream>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace rtstandin {

// How the stand-in answers "Qs999=version".
enum class ReplyVariant {
  Level1,  // {"level":1,"version":"8.0.30"}: the standard edition
  Level2,  // {"level":2,"version":"9.0.1"}: the professional edition
  NonJson, // a text line that is no JSON
  Split,   // the level 2 reply in two parts with a pause between them
  Late,    // the level 2 reply after a delay
  None,    // no reply at all
};

std::optional<ReplyVariant> replyVariantFromName(std::string_view name);

struct Options {
  std::string file; // recording or scenario; empty: no datagrams
  double speed = 1.0;
  double fromSeconds = 0; // where in the recording the replay starts
  double maxRate = 0;     // datagrams per second at most; 0: as the recording has them
  std::uint16_t trafficPort = 49005;
  std::uint16_t weatherPort = 49004;
  std::uint16_t linkPort = 10747;
  bool link = true;
  ReplyVariant reply = ReplyVariant::Level2;
  int lateMs = 1500;
  int splitPauseMs = 300;
  int reconnectMs = 300;  // pause before connecting again
  std::string recordFile; // JSON lines; empty: kept in memory only
};

struct LinkRecord {
  long long ms = 0;    // since the stand-in started
  long long utcMs = 0; // wall-clock time
  std::string event;   // "connected", "message", "closed" (by Hivemoor), "dropped" (by the stand-in)
  std::string text;    // the message without its CR LF
  MessageCheck check;  // for messages
};

class StandIn {
public:
  explicit StandIn(Options options);
  StandIn(const StandIn&) = delete;
  StandIn& operator=(const StandIn&) = delete;
  ~StandIn();

  void start();
  void stop();

  bool replayDone() const { return replayDone_.load(); }
  bool exitReceived() const { return exitReceived_.load(); }
  std::size_t trafficSent() const { return trafficSent_.load(); }
  std::size_t weatherSent() const { return weatherSent_.load(); }
  // Closes the current connection, as when RealTraffic goes away; it connects again later.
  void dropConnection();
  std::vector<LinkRecord> records() const;

private:
  void replay();
  void talk();
  void serve(const NetSocket& connection);
  void answerVersion(const NetSocket& connection);
  void record(const std::string& event, const std::string& text = {}, bool unterminated = false);
  // Waits, but returns false at once when the stand-in stops.
  bool pause(std::chrono::milliseconds duration);

  Options options_;
  Schedule schedule_;
  NetLibrary library_;
  const std::chrono::steady_clock::time_point started_ = std::chrono::steady_clock::now();

  mutable std::mutex mutex_;
  std::condition_variable wake_;
  bool stopping_ = false;
  bool dropRequested_ = false;
  std::vector<LinkRecord> records_;
  std::ofstream recordStream_;

  std::atomic<bool> replayDone_{false};
  std::atomic<bool> exitReceived_{false};
  std::atomic<std::size_t> trafficSent_{0};
  std::atomic<std::size_t> weatherSent_{0};
  std::thread replayThread_;
  std::thread linkThread_;
};

} // namespace rtstandin
