#include "support/fake_simconnect.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <thread>

namespace {

FakeSimConnect* current = nullptr;
// The address Open hands out: a handle no code may dereference.
char handleTarget;

std::vector<double> lf_doubles(const void* data, std::size_t bytes) {
  std::vector<double> values(bytes / sizeof(double));
  if (!values.empty()) std::memcpy(values.data(), data, values.size() * sizeof(double));
  return values;
}

SimCall lf_call(std::string op, SimConnectClient* handle, std::vector<std::uint32_t> values = {},
                std::vector<std::string> texts = {}, std::vector<double> doubles = {}) {
  SimCall call;
  call.op = std::move(op);
  call.handle = handle;
  call.values = std::move(values);
  call.texts = std::move(texts);
  call.doubles = std::move(doubles);
  return call;
}

std::string lf_text(const char* text) { return text == nullptr ? std::string() : std::string(text); }

} // namespace

// The functions simCalls points to while a fake is installed.
struct FakeSimConnectCalls {
  static SimConnectResult open(SimConnectClient** handle, const char* name, void*, std::uint32_t, void*,
                               std::uint32_t configIndex) {
    if (handle == nullptr) return simconnectInvalidArg;
    *handle = nullptr;
    const SimConnectResult result =
        current->lf_record(lf_call("Open", current->handle(), {configIndex}, {lf_text(name)}));
    if (result == simconnectOk) *handle = current->handle();
    return result;
  }
  static SimConnectResult close(SimConnectClient* handle) { return current->lf_record(lf_call("Close", handle)); }
  static SimConnectResult callDispatch(SimConnectClient* handle, SimConnectDispatchProc dispatch, void* context) {
    return current->lf_dispatch(handle, dispatch, context);
  }
  static SimConnectResult mapEvent(SimConnectClient* handle, std::uint32_t eventId, const char* name) {
    return current->lf_record(lf_call("MapClientEventToSimEvent", handle, {eventId}, {lf_text(name)}));
  }
  static SimConnectResult transmit(SimConnectClient* handle, std::uint32_t objectId, std::uint32_t eventId,
                                   std::uint32_t data, std::uint32_t groupId, std::uint32_t flags) {
    return current->lf_record(lf_call("TransmitClientEvent", handle, {objectId, eventId, data, groupId, flags}));
  }
  static SimConnectResult addToGroup(SimConnectClient* handle, std::uint32_t groupId, std::uint32_t eventId,
                                     bool maskable) {
    return current->lf_record(
        lf_call("AddClientEventToNotificationGroup", handle, {groupId, eventId, maskable ? 1u : 0u}));
  }
  static SimConnectResult groupPriority(SimConnectClient* handle, std::uint32_t groupId, std::uint32_t priority) {
    return current->lf_record(lf_call("SetNotificationGroupPriority", handle, {groupId, priority}));
  }
  static SimConnectResult addDatum(SimConnectClient* handle, std::uint32_t definitionId, const char* datum,
                                   const char* units, std::uint32_t type, float epsilon, std::uint32_t datumId) {
    return current->lf_record(
        {"AddToDataDefinition", handle, {definitionId, type, datumId}, {lf_text(datum), lf_text(units)}, {epsilon}});
  }
  static SimConnectResult requestData(SimConnectClient* handle, std::uint32_t requestId, std::uint32_t definitionId,
                                      std::uint32_t objectId, std::uint32_t period, std::uint32_t flags,
                                      std::uint32_t origin, std::uint32_t interval, std::uint32_t limit) {
    return current->lf_record(lf_call("RequestDataOnSimObject", handle,
                                      {requestId, definitionId, objectId, period, flags, origin, interval, limit}));
  }
  static SimConnectResult requestByType(SimConnectClient* handle, std::uint32_t requestId, std::uint32_t definitionId,
                                        std::uint32_t radius, std::uint32_t type) {
    return current->lf_record(lf_call("RequestDataOnSimObjectType", handle, {requestId, definitionId, radius, type}));
  }
  static SimConnectResult setData(SimConnectClient* handle, std::uint32_t definitionId, std::uint32_t objectId,
                                  std::uint32_t flags, std::uint32_t count, std::uint32_t unitSize, const void* data) {
    const std::size_t bytes = std::size_t{count == 0 ? 1u : count} * unitSize;
    return current->lf_record(lf_call("SetDataOnSimObject", handle, {definitionId, objectId, flags, count, unitSize},
                                      {}, data == nullptr ? std::vector<double>{} : lf_doubles(data, bytes)));
  }
  static SimConnectResult subscribe(SimConnectClient* handle, std::uint32_t eventId, const char* name) {
    return current->lf_record(lf_call("SubscribeToSystemEvent", handle, {eventId}, {lf_text(name)}));
  }
  static SimConnectResult create(SimConnectClient* handle, const char* title, const char* tail,
                                 const SimConnectInitPosition& p, std::uint32_t requestId, std::uint32_t* packetId) {
    SimCall call =
        lf_call("AICreateNonATCAircraft", handle, {p.onGround, p.airspeed, requestId}, {lf_text(title), lf_text(tail)},
                {p.latitude, p.longitude, p.altitude, p.pitch, p.bank, p.heading});
    // The library refuses texts that do not fit their fields.
    const bool fits = (title == nullptr || std::strlen(title) < 256) && (tail == nullptr || std::strlen(tail) < 12);
    const SimConnectResult result = current->lf_record(std::move(call), fits ? simconnectOk : simconnectStringTooLong);
    if (result == simconnectOk && packetId != nullptr) {
      const auto made = current->callsOf("AICreateNonATCAircraft");
      *packetId = made.back().packetId;
    }
    return result;
  }
  static SimConnectResult release(SimConnectClient* handle, std::uint32_t objectId, std::uint32_t requestId) {
    return current->lf_record(lf_call("AIReleaseControl", handle, {objectId, requestId}));
  }
  static SimConnectResult remove(SimConnectClient* handle, std::uint32_t objectId, std::uint32_t requestId) {
    return current->lf_record(lf_call("AIRemoveObject", handle, {objectId, requestId}));
  }
  static SimConnectResult beginBatch(SimConnectClient* handle) {
    if (handle == nullptr) return simconnectFail;
    std::lock_guard lock(current->mutex_);
    ++current->batchDepth_;
    return simconnectOk;
  }
  static SimConnectResult endBatch(SimConnectClient* handle) {
    if (handle == nullptr) return simconnectFail;
    std::lock_guard lock(current->mutex_);
    --current->batchDepth_;
    return simconnectOk;
  }
  static SimConnectResult flightPlan(SimConnectClient* handle, std::uint32_t objectId, const char* path,
                                     std::uint32_t requestId) {
    return current->lf_record(lf_call("AISetAircraftFlightPlan", handle, {objectId, requestId}, {lf_text(path)}));
  }
};

FakeSimConnect::FakeSimConnect() : previous_(simCalls) {
  if (current != nullptr) throw std::logic_error("one FakeSimConnect at a time");
  current = this;
  simCalls.SimConnect_Open = &FakeSimConnectCalls::open;
  simCalls.SimConnect_Close = &FakeSimConnectCalls::close;
  simCalls.SimConnect_CallDispatch = &FakeSimConnectCalls::callDispatch;
  simCalls.SimConnect_MapClientEventToSimEvent = &FakeSimConnectCalls::mapEvent;
  simCalls.SimConnect_TransmitClientEvent = &FakeSimConnectCalls::transmit;
  simCalls.SimConnect_AddClientEventToNotificationGroup = &FakeSimConnectCalls::addToGroup;
  simCalls.SimConnect_SetNotificationGroupPriority = &FakeSimConnectCalls::groupPriority;
  simCalls.SimConnect_AddToDataDefinition = &FakeSimConnectCalls::addDatum;
  simCalls.SimConnect_RequestDataOnSimObject = &FakeSimConnectCalls::requestData;
  simCalls.SimConnect_RequestDataOnSimObjectType = &FakeSimConnectCalls::requestByType;
  simCalls.SimConnect_SetDataOnSimObject = &FakeSimConnectCalls::setData;
  simCalls.SimConnect_SubscribeToSystemEvent = &FakeSimConnectCalls::subscribe;
  simCalls.SimConnect_AICreateNonATCAircraft = &FakeSimConnectCalls::create;
  simCalls.SimConnect_AIReleaseControl = &FakeSimConnectCalls::release;
  simCalls.SimConnect_AIRemoveObject = &FakeSimConnectCalls::remove;
  simCalls.SimConnect_AISetAircraftFlightPlan = &FakeSimConnectCalls::flightPlan;
  simCalls.beginPacketBatch = &FakeSimConnectCalls::beginBatch;
  simCalls.endPacketBatch = &FakeSimConnectCalls::endBatch;
}

FakeSimConnect::~FakeSimConnect() {
  simCalls = previous_;
  current = nullptr;
}

SimConnectClient* FakeSimConnect::handle() const { return reinterpret_cast<SimConnectClient*>(&handleTarget); }

std::vector<SimCall> FakeSimConnect::calls() const {
  std::lock_guard lock(mutex_);
  return calls_;
}

std::vector<SimCall> FakeSimConnect::callsOf(std::string_view op) const {
  std::lock_guard lock(mutex_);
  std::vector<SimCall> found;
  for (const auto& c : calls_)
    if (c.op == op) found.push_back(c);
  return found;
}

std::size_t FakeSimConnect::count(std::string_view op) const { return callsOf(op).size(); }

int FakeSimConnect::openBatches() const {
  std::lock_guard lock(mutex_);
  return batchDepth_;
}

void FakeSimConnect::clearCalls() {
  std::lock_guard lock(mutex_);
  calls_.clear();
}

void FakeSimConnect::setResult(std::string_view op, SimConnectResult result, int times) {
  std::lock_guard lock(mutex_);
  planned_.push_back({std::string(op), result, times});
}

void FakeSimConnect::setResultRule(std::function<std::optional<SimConnectResult>(const SimCall&)> rule) {
  std::lock_guard lock(mutex_);
  rule_ = std::move(rule);
}

void FakeSimConnect::queueMessage(std::vector<std::uint8_t> message) {
  std::lock_guard lock(mutex_);
  queued_.push_back(std::move(message));
}

void FakeSimConnect::setDispatchResult(SimConnectResult result) {
  std::lock_guard lock(mutex_);
  dispatchResult_ = result;
}

void FakeSimConnect::setOnDispatch(std::function<void()> action) {
  std::lock_guard lock(mutex_);
  onDispatch_ = std::move(action);
}

bool FakeSimConnect::waitFor(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

SimConnectResult FakeSimConnect::lf_record(SimCall call, SimConnectResult forced) {
  std::lock_guard lock(mutex_);
  SimConnectResult result = call.handle == nullptr ? simconnectFail : forced;
  if (result == simconnectOk && rule_) {
    if (const auto ruled = rule_(call)) result = *ruled;
  }
  if (result == simconnectOk) {
    const auto planned =
        std::find_if(planned_.begin(), planned_.end(), [&](const Planned& p) { return p.op == call.op; });
    if (planned != planned_.end()) {
      result = planned->result;
      if (planned->times > 0 && --planned->times == 0) planned_.erase(planned);
    }
  }
  if (result == simconnectOk && call.op != "Close") call.packetId = ++packetCounter_;
  call.result = result;
  call.inBatch = batchDepth_ > 0;
  calls_.push_back(std::move(call));
  return result;
}

SimConnectResult FakeSimConnect::lf_dispatch(SimConnectClient* handle, SimConnectDispatchProc dispatch, void* context) {
  if (handle == nullptr || dispatch == nullptr) return simconnectFail;
  std::function<void()> action;
  std::vector<std::vector<std::uint8_t>> messages;
  SimConnectResult result = simconnectOk;
  {
    std::lock_guard lock(mutex_);
    action = onDispatch_;
  }
  if (action) action();
  {
    std::lock_guard lock(mutex_);
    messages.swap(queued_);
    result = dispatchResult_;
  }
  for (auto& message : messages) {
    if (message.size() < sizeof(SimConnectRecv)) continue;
    dispatch(reinterpret_cast<const SimConnectRecv*>(message.data()), static_cast<std::uint32_t>(message.size()),
             context);
  }
  return result;
}
