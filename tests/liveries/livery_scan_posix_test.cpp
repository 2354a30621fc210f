// A folder the scan cannot read. Root reads every folder whatever its permissions, so the
// test takes the capabilities that allow it away from its thread while it scans (the file
// tasks' threads, started by it, inherit that).
#include "liveries/livery_scan.h"

#include "liveries_fixture.h"

#include <dirent.h>
#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

using namespace liveries_testing;
namespace fs = std::filesystem;

namespace {

class WithoutPermissionOverride {
public:
  WithoutPermissionOverride() {
    if (syscall(SYS_capget, &header_, saved_) != 0) return;
    __user_cap_data_struct reduced[2] = {saved_[0], saved_[1]};
    const auto override = (1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH);
    reduced[0].effective &= ~override;
    changed_ = syscall(SYS_capset, &header_, reduced) == 0;
  }
  ~WithoutPermissionOverride() {
    if (changed_) syscall(SYS_capset, &header_, saved_);
  }
  WithoutPermissionOverride(const WithoutPermissionOverride&) = delete;
  WithoutPermissionOverride& operator=(const WithoutPermissionOverride&) = delete;

private:
  __user_cap_header_struct header_{_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct saved_[2]{};
  bool changed_ = false;
};

bool lf_canList(const fs::path& folder) {
  DIR* dir = opendir(folder.c_str());
  if (dir) closedir(dir);
  return dir != nullptr;
}

} // namespace

class UnreadableFolder : public LiveriesTest {};

TEST_F(UnreadableFolder, IsPassedOverAndTheRestOfTheWalkCounts) {
  p3dinstall::Options options;
  options.root = work("install");
  options.aircraftFiles = 8;
  options.sectionsPerFile = 2;
  options.hostile = false;
  options.unreadableFolder = true;
  const auto manifest = p3dinstall::gf_writeInstallation(options);
  const auto locked = gf_pathFromText(manifest.unreadableFolder);
  {
    WithoutPermissionOverride withoutOverride;
    if (lf_canList(locked)) {
      fs::permissions(locked, fs::perms::owner_all);
      GTEST_SKIP() << "this process reads folders without permission";
    }
    for (std::size_t i = 0; i < manifest.liveryFolders.size(); ++i)
      (i == 0 ? lfolder0 : i == 1 ? lfolder1 : i == 2 ? lfolder2 : lfolder3).set(manifest.liveryFolders[i]);
    LIG_AUTOMATIC.set(false);
    maxWorkers = 4;
    gf_scanLiveries();
  }
  fs::permissions(locked, fs::perms::owner_all);
  EXPECT_EQ(scannedFileLiveries(), manifest.liveries);
  for (const auto& line : manifest.logLines) {
    if (line.starts_with("liveries search")) {
      EXPECT_TRUE(logged(line)) << line;
    }
  }
  EXPECT_EQ(runningWorkers.load(), 0);
}
