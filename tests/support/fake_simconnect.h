#pragma once
// A recording fake of the SimConnect client library for native tests of the simulator link
// and of live traffic: while one lives, every SimConnect call the program makes through
// simCalls is recorded instead of sent, answers with the result a test chose, and
// SimConnect_CallDispatch hands the test's byte messages to the program's dispatch.
#include "simlink/sim_calls.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct SimCall {
  std::string op; // the operation without "SimConnect_": "TransmitClientEvent", ...
  SimConnectClient* handle = nullptr;
  std::vector<std::uint32_t> values; // the integer arguments in order
  std::vector<std::string> texts;    // the text arguments in order
  std::vector<double> doubles;       // the data block of SetDataOnSimObject, a creation's position
  std::uint32_t packetId = 0;        // the packet's id, 0 when the call failed
  SimConnectResult result = simconnectOk;
  bool inBatch = false; // made between gf_beginPacketBatch and gf_endPacketBatch
};

class FakeSimConnect {
public:
  // Installs the fake in simCalls; the previous table comes back with its end. One at a time.
  FakeSimConnect();
  ~FakeSimConnect();
  FakeSimConnect(const FakeSimConnect&) = delete;
  FakeSimConnect& operator=(const FakeSimConnect&) = delete;

  // The handle SimConnect_Open gives (never dereferenced).
  SimConnectClient* handle() const;

  std::vector<SimCall> calls() const;
  std::vector<SimCall> callsOf(std::string_view op) const;
  std::size_t count(std::string_view op) const;
  void clearCalls();

  // The result of the next `times` calls of op (all further calls when times < 0). A call with
  // a null handle fails with E_FAIL, as the library's do.
  void setResult(std::string_view op, SimConnectResult result, int times = -1);
  // Decides the result of a call before the per-operation results; empty to go on.
  void setResultRule(std::function<std::optional<SimConnectResult>(const SimCall&)> rule);

  // Delivered by the next SimConnect_CallDispatch, in order.
  void queueMessage(std::vector<std::uint8_t> message);
  // What SimConnect_CallDispatch returns after delivering (a lost connection's status).
  void setDispatchResult(SimConnectResult result);
  // Run by every SimConnect_CallDispatch before it delivers, on the dispatching thread.
  void setOnDispatch(std::function<void()> action);

  // Packet batches begun and not yet ended.
  int openBatches() const;

  // Waits (polling) until the condition holds; false when the time ran out.
  static bool waitFor(const std::function<bool()>& condition,
                      std::chrono::milliseconds timeout = std::chrono::milliseconds(5000));

private:
  struct Planned {
    std::string op;
    SimConnectResult result;
    int times;
  };
  friend struct FakeSimConnectCalls;
  // forced: the result the library itself would give (a text that does not fit).
  SimConnectResult lf_record(SimCall call, SimConnectResult forced = simconnectOk);
  SimConnectResult lf_dispatch(SimConnectClient* handle, SimConnectDispatchProc dispatch, void* context);

  mutable std::mutex mutex_;
  SimConnectCalls previous_;
  std::vector<SimCall> calls_;
  std::vector<Planned> planned_;
  std::function<std::optional<SimConnectResult>(const SimCall&)> rule_;
  std::vector<std::vector<std::uint8_t>> queued_;
  SimConnectResult dispatchResult_ = simconnectOk;
  std::function<void()> onDispatch_;
  std::uint32_t packetCounter_ = 0;
  int batchDepth_ = 0;
};
