// Folder entries that only a POSIX file system makes cheap to build: a file larger than the
// scan reads (sparse, so it costs no disk) and links that lead nowhere or round in a circle.
#include "addon_scan_fixture.h"

#include "airports/bgl_search.h"

#include <algorithm>
#include <fmt/format.h>

using namespace addon_testing;
namespace fs = std::filesystem;

TEST_F(AddonScanTest, OversizedFilesAndEntriesThatCannotBeReadCostOnlyThemselves) {
  const auto scenery = work / "scenery";
  writeBgl(scenery / "a_huge.bgl", airportFile("EDDF", 3));
  fs::resize_file(scenery / "a_huge.bgl", bglMaxFileSize + 1);
  fs::create_symlink(scenery / "loop_b", scenery / "loop_a");
  fs::create_symlink(scenery / "loop_a", scenery / "loop_b");
  fs::create_directory_symlink(work / "nowhere", scenery / "gone");
  writeBgl(scenery / "b_good.bgl", airportFile("EDDM", 2));
  afolder0.set(gf_pathText(scenery));
  const auto outcome = scan();
  EXPECT_TRUE(outcome.complete);
  EXPECT_EQ(outcome.problems, 1);
  EXPECT_FALSE(fs::exists(program("airports/my_thirdparty/EDDF.xml")));
  EXPECT_TRUE(fs::exists(program("airports/my_thirdparty/EDDM.xml")));
  const auto lines = report();
  EXPECT_TRUE(
      contains(lines, fmt::format("===> {} not read: {} bytes, more than the {} that a scenery file is read with",
                                  gf_pathText(scenery / "a_huge.bgl"), bglMaxFileSize + 1, bglMaxFileSize)));
  EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [&](const std::string& line) {
    return line.starts_with("===>  airports search in folder " + gf_pathText(scenery) + " aborted, cause: ");
  }));
}
