#include "feeds/reply_watch.h"

#include <nlohmann/json.hpp>

namespace {

// A number or a literal that is valid JSON becomes so within a few bytes; a text that has
// not after this many reads is no JSON value, and only a line end can end it.
constexpr int maxScalarChecks = 16;

bool lf_isJsonSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

} // namespace

bool ReplyWatch::complete(std::string_view reply) {
  if (done) return true;
  for (; scanned < reply.size(); ++scanned) {
    const char c = reply[scanned];
    if (c == '\n') {
      done = true;
      return true;
    }
    if (judged || valueClosed || scalar) continue;
    if (!started) {
      if (lf_isJsonSpace(c)) continue;
      started = true;
      if (c == '{' || c == '[')
        depth = 1;
      else if (c == '"')
        inString = true;
      else
        scalar = true;
      continue;
    }
    if (inString) {
      if (escaped)
        escaped = false;
      else if (c == '\\')
        escaped = true;
      else if (c == '"') {
        inString = false;
        valueClosed = depth == 0;
      }
      continue;
    }
    if (c == '"') {
      inString = true;
    } else if (c == '{' || c == '[') {
      ++depth;
    } else if (c == '}' || c == ']') {
      valueClosed = --depth == 0;
    }
  }
  done = checkJson(reply);
  return done;
}

// The whole reply, not just its first value: text behind the value makes it no JSON.
bool ReplyWatch::checkJson(std::string_view reply) {
  if (judged) return false;
  if (valueClosed) {
    judged = true;
    return nlohmann::json::accept(reply);
  }
  if (scalar && scalarChecks < maxScalarChecks) {
    ++scalarChecks;
    return nlohmann::json::accept(reply);
  }
  return false;
}
