// The Frame handler with 500 aircraft, all of it: every position goes through the real
// client library (its lock, the packet, the batch's flushes) onto a connection that takes the
// bytes and drops them. It holds the command mutex only to take the queues; the rest runs
// without it. And live traffic's hand-over of a tick's 500 positions.
#include "simlink/command_queues.h"
#include "simlink/frame_sender.h"
#include "simlink/link_state.h"
#include "simlink/own_objects.h"
#include "simlink/simconnect/client.h"

#include <benchmark/benchmark.h>

namespace {

class DiscardingTransport : public SimConnectTransport {
public:
  bool send(std::vector<std::uint8_t> message) override {
    bytes += message.size();
    return true;
  }
  std::int32_t lostStatus() const override { return 0; }
  std::vector<std::vector<std::uint8_t>> takeReceived() override { return {}; }
  void setNotification(void*, std::uint32_t, void*) override {}
  void closeOrderly() override {}
  std::size_t bytes = 0;
};

void frameWith500Positions(benchmark::State& state) {
  const auto aircraft = static_cast<std::int32_t>(state.range(0));
  auto transport = std::make_shared<DiscardingTransport>();
  SimConnectClient* client = gf_createSimConnectClient(transport);
  gf_resetSimLink(5);
  gf_initSimClient(5);
  simLinkState.simConnectHandle = client;
  simLinkState.userObjectId = 1;
  for (std::int32_t i = 0; i < aircraft; ++i) gf_markOwnObject(static_cast<std::uint32_t>(1001 + i));
  for (auto _ : state) {
    state.PauseTiming();
    for (std::int32_t i = 0; i < aircraft; ++i)
      simCommands.fillBuffer->push_back({33.9 + i * 1e-4, -118.4, 0.01, 0.0, 1.5, 3000.0, 0.0, 250.0, 1001 + i});
    gf_handOverPositions();
    state.ResumeTiming();
    gf_sendQueuedCommands();
  }
  state.counters["bytes/frame"] = static_cast<double>(transport->bytes) / static_cast<double>(state.iterations());
  state.counters["positions/s"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * aircraft, benchmark::Counter::kIsRate);
  gf_resetSimLink(5);
  SimConnect_Close(client);
}

void handOverPositions(benchmark::State& state) {
  gf_resetSimLink(5);
  gf_initSimClient(5);
  for (auto _ : state) {
    for (std::int32_t i = 0; i < 500; ++i)
      simCommands.fillBuffer->push_back({33.9, -118.4, 0.01, 0.0, 1.5, 3000.0, 0.0, 250.0, 1001 + i});
    benchmark::DoNotOptimize(gf_handOverPositions());
  }
  gf_resetSimLink(5);
}

} // namespace

BENCHMARK(frameWith500Positions)->Arg(500)->Unit(benchmark::kMicrosecond);
BENCHMARK(handOverPositions)->Unit(benchmark::kMicrosecond);
