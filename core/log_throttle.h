#pragma once
// Lines that may come in floods (bad datagrams, bad numbers from the simulator) reach the log
// so that Log.txt stays a text a user can send: each line printable and cut, and a kind of line
// that repeats written once a minute, with the count of the lines held back.
#include <chrono>
#include <cstddef>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>

// The text with every byte outside printable ASCII written as \xNN, cut after `limit`
// characters, in which case the length of the whole text follows it.
std::string gf_printableCut(std::string_view text, std::size_t limit = 300);

// The kind of a message: its first word (letters and digits), "other" when it has none.
std::string gf_messageKind(std::string_view text);

// Any thread; the writer is called under the throttle's own lock, so it may take only the log's.
class LogThrottle {
public:
  using Clock = std::chrono::steady_clock;
  using Writer = void (*)(std::string_view);

  explicit LogThrottle(Clock::duration quiet = std::chrono::minutes(1)) : quiet_(quiet) {}

  // Writes the text printable and cut, first the count of the lines of its kind held back
  // since the last one written; or, when a line of its kind was written less than `quiet`
  // ago, only counts it.
  void write(std::string_view kind, std::string_view text, Writer writer, Clock::time_point now = Clock::now());
  // Writes the counts still held back and starts afresh (a reader's run has ended, its feed
  // was reset).
  void flush(Writer writer);

private:
  struct Kind {
    Clock::time_point written{};
    std::size_t heldBack = 0;
  };
  void lf_writeHeldBack(const std::string& kind, Kind& k, Writer writer);

  Clock::duration quiet_;
  std::mutex mutex_;
  std::unordered_map<std::string, Kind> kinds_;
};
