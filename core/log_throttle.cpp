#include "core/log_throttle.h"

#include <algorithm>
#include <fmt/format.h>

namespace {

// Kinds come from the program's own messages, a handful; a flood of anything else shares one.
constexpr std::size_t kindLimit = 32;
constexpr std::size_t kindLength = 24;

bool lf_printable(unsigned char c) { return c >= 0x20 && c < 0x7F; }
bool lf_wordCharacter(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

} // namespace

std::string gf_printableCut(std::string_view text, std::size_t limit) {
  std::string shown;
  shown.reserve(std::min(text.size(), limit) + 32);
  std::size_t used = 0;
  for (; used < text.size(); ++used) {
    const auto c = static_cast<unsigned char>(text[used]);
    const std::size_t width = lf_printable(c) ? 1 : 4;
    if (shown.size() + width > limit) break;
    if (width == 1)
      shown.push_back(static_cast<char>(c));
    else
      shown += fmt::format("\\x{:02X}", c);
  }
  if (used < text.size()) shown += fmt::format("... ({} bytes)", text.size());
  return shown;
}

std::string gf_messageKind(std::string_view text) {
  std::size_t start = 0;
  while (start < text.size() && !lf_wordCharacter(static_cast<unsigned char>(text[start]))) ++start;
  std::size_t end = start;
  while (end < text.size() && end - start < kindLength && lf_wordCharacter(static_cast<unsigned char>(text[end])))
    ++end;
  return end > start ? std::string(text.substr(start, end - start)) : std::string("other");
}

void LogThrottle::lf_writeHeldBack(const std::string& kind, Kind& k, Writer writer) {
  if (k.heldBack == 0) return;
  writer(fmt::format("{} more line{} of the kind '{}' not logged", k.heldBack, k.heldBack == 1 ? "" : "s", kind));
  k.heldBack = 0;
}

void LogThrottle::write(std::string_view kind, std::string_view text, Writer writer, Clock::time_point now) {
  std::lock_guard lock(mutex_);
  std::string key(kind);
  if (!kinds_.contains(key) && kinds_.size() >= kindLimit) key = "other";
  const auto [at, fresh] = kinds_.try_emplace(key);
  Kind& k = at->second;
  if (!fresh && now - k.written < quiet_) {
    ++k.heldBack;
    return;
  }
  lf_writeHeldBack(key, k, writer);
  k.written = now;
  writer(gf_printableCut(text));
}

void LogThrottle::flush(Writer writer) {
  std::lock_guard lock(mutex_);
  for (auto& [kind, k] : kinds_) lf_writeHeldBack(kind, k, writer);
  kinds_.clear();
}
