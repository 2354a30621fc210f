// Until the settings hold DBASE_VERSION and AIG_VERSION, the recorded versions live for
// the process only.
#include "core/refdata/update_check.h"

#include <map>
#include <mutex>

namespace {

std::mutex versionsMutex;
std::map<std::string, std::string, std::less<>> versions;

} // namespace

DataVersionStore gf_settingsVersionStore() {
  return {[](std::string_view key) {
            std::lock_guard lock(versionsMutex);
            const auto found = versions.find(key);
            return found == versions.end() ? std::string{} : found->second;
          },
          [](std::string_view key, const std::string& version) {
            std::lock_guard lock(versionsMutex);
            versions.insert_or_assign(std::string(key), version);
          }};
}
