// The wait for RealTraffic's version reply: a reply of 16383 bytes that arrives one byte
// per read must cost about as much as one that comes whole (the aim: under a millisecond in
// a release build).
#include "feeds/reply_watch.h"

#include <benchmark/benchmark.h>
#include <string>

namespace {

void watchReplyByteByByte(benchmark::State& state) {
  const std::string reply = R"({"level":2,"version":")" + std::string(16383 - 25, '9') + "\"}";
  for (auto _ : state) {
    ReplyWatch watch;
    std::string sofar;
    sofar.reserve(reply.size());
    bool complete = false;
    for (const char c : reply) {
      sofar += c;
      complete = watch.complete(sofar);
      if (complete) break;
    }
    benchmark::DoNotOptimize(complete);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * reply.size()));
}

} // namespace

BENCHMARK(watchReplyByteByByte);
