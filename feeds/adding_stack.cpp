#include "feeds/adding_stack.h"

#include "core/shell/run_state.h"

AddingStack addingStack;

bool gf_appendTrafficReport(TrafficData&& report, std::int32_t tick) {
  std::lock_guard lock(addingStack.mutex);
  if (!runState.acceptingTraffic) return false;
  // The counter wraps after about eight months of ticks; wrap it the same way here.
  report.point.dueTick =
      static_cast<std::int32_t>(static_cast<std::uint32_t>(tick) + static_cast<std::uint32_t>(reportDelayTicks));
  addingStack.queue.push_back(std::move(report));
  return true;
}

std::size_t gf_takeTrafficReports(const std::function<void(TrafficData&)>& merge, std::size_t limit) {
  std::lock_guard lock(addingStack.mutex);
  std::size_t taken = 0;
  while (taken < limit && !addingStack.queue.empty()) {
    // Removed even when the merge throws, so one bad report cannot block the queue.
    TrafficData report = std::move(addingStack.queue.front());
    addingStack.queue.pop_front();
    ++taken;
    merge(report);
  }
  return taken;
}

void gf_setAcceptingTraffic(bool accepting) {
  std::lock_guard lock(addingStack.mutex);
  runState.acceptingTraffic = accepting;
}

void gf_clearAddingStack() {
  std::lock_guard lock(addingStack.mutex);
  addingStack.queue.clear();
}

std::size_t gf_addingStackSize() {
  std::lock_guard lock(addingStack.mutex);
  return addingStack.queue.size();
}
