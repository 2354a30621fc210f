#include "feeds/reply_watch.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace {

// When the reply is complete: at a line end, or once the text so far is one JSON value.
bool completeWhole(const std::string& reply) {
  return reply.find('\n') != std::string::npos || nlohmann::json::accept(reply);
}

// The number of pieces after which the watch said complete; 0 for never.
std::size_t completedAfter(const std::vector<std::string>& pieces) {
  ReplyWatch watch;
  std::string reply;
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    reply += pieces[i];
    if (watch.complete(reply)) return i + 1;
  }
  return 0;
}

} // namespace

TEST(ReplyWatch, CompleteAtTheLineEndOrTheEndOfTheValue) {
  struct Case {
    std::vector<std::string> pieces;
    std::size_t after;
  };
  const Case cases[] = {
      {{R"({"level":2,"version":"9.0.1"})"}, 1},
      {{R"({"level":2,)", R"("version":"9.0.1"})"}, 2},
      {{R"({"v":"}")", "}"}, 2},          // a bracket in a text is no bracket
      {{R"({"v":"\"}")", "}"}, 2},        // nor is a quote behind a backslash the text's end
      {{R"({"v":"\\")", "}"}, 2},         // but one behind a doubled backslash is
      {{R"({"a":[1,{"b":[]}])", "}"}, 2}, // nested
      {{" \t", R"( {"level":1} )"}, 2},   // blanks around the value
      {{"RealTraffic ready\r\n"}, 1},     // no JSON, but a whole line
      {{R"({"v":"a)", "\n"}, 2},          // a line end ends even an open text
      {{"{}x", "y", "\r\n"}, 3},          // text behind the value: only the line end ends it
      {{"{]"}, 0},                        // a broken value never becomes JSON
      {{"42"}, 1},                        // a bare number
      {{"tr", "ue"}, 2},                  // a literal in pieces
      {{"1.", "5"}, 2},                   // a number that reads only when it is whole
      {{"\"9.0.1", "\""}, 2},             // a bare text
      {{"RealTraffic", " ready"}, 0},     // no JSON and no line end: the time-out ends it
      {{R"({"level":2)"}, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.pieces));
    EXPECT_EQ(completedAfter(c.pieces), c.after);
  }
}

TEST(ReplyWatch, ByteByByteAsTheWholeReplyWouldSay) {
  for (const std::string& reply :
       {std::string(R"({"level":2,"version":"9.0.1"})"), std::string(R"( [ {"a" : "}]\"{" }, [[]], -1.5e3 ] )"),
        std::string("12345"), std::string("null"), std::string("{\"a\":1} {")}) {
    SCOPED_TRACE(reply);
    ReplyWatch watch;
    std::string sofar;
    for (const char c : reply) {
      sofar += c;
      const bool complete = watch.complete(sofar);
      ASSERT_EQ(complete, completeWhole(sofar)) << sofar.size();
      if (complete) break;
    }
  }
}

TEST(ReplyWatch, LongReplyByteByByteCompletesAtItsLastByte) {
  const std::string reply = R"({"level":1,"version":")" + std::string(16000, '9') + "\"}";
  ReplyWatch watch;
  std::string sofar;
  std::size_t completedAt = 0;
  for (const char c : reply) {
    sofar += c;
    if (watch.complete(sofar)) {
      completedAt = sofar.size();
      break;
    }
  }
  EXPECT_EQ(completedAt, reply.size());
}
