#include "liveries/traffic_hooks.h"

#include <atomic>

namespace {
std::atomic<bool (*)(std::string_view)> uncreatableTitleHook{nullptr};
std::atomic<std::vector<std::string> (*)()> uncreatableModelsHook{nullptr};
} // namespace

void gf_setLiveryTrafficHooks(const LiveryTrafficHooks& hooks) {
  uncreatableTitleHook.store(hooks.isUncreatableTitle);
  uncreatableModelsHook.store(hooks.uncreatableModels);
}

bool gf_isUncreatableTitle(std::string_view title) {
  const auto hook = uncreatableTitleHook.load();
  return hook && hook(title);
}

std::vector<std::string> gf_uncreatableModels() {
  const auto hook = uncreatableModelsHook.load();
  return hook ? hook() : std::vector<std::string>{};
}
