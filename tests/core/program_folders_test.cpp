#include "core/shell/program_folders.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

namespace fs = std::filesystem;

TEST(ProgramFolders, CreatedWhereMissingAndOldRegcodeCopiesRemoved) {
  testing_support::TempDir program("hvm-program");
  testing_support::ScopedCurrentPath cwd(program.path());
  fs::create_directories(program / "output" / "info");
  testing_support::writeFile(program / "output" / "info" / "kept.txt", "kept");
  fs::create_directories(program / "input");
  testing_support::writeFile(program / "input" / "AIG-regcodes0.xml", "old");
  testing_support::writeFile(program / "input" / "AIG-regcodes00.xml", "older");
  testing_support::writeFile(program / "input" / "AIG-regcodes.enc", "current");

  gf_createProgramFolders();
  for (const char* folder : {"output", "output/info", "output/errors", "airports", "airports/learned",
                             "airports/learned/stock", "airports/learned/simaddon", "airports/learned/thirdparty",
                             "airports/my_ORBX", "airports/my_thirdparty", "input/my_regcodes"})
    EXPECT_TRUE(fs::is_directory(program / folder)) << folder;
  EXPECT_TRUE(fs::exists(program / "output" / "info" / "kept.txt"));
  EXPECT_FALSE(fs::exists(program / "input" / "AIG-regcodes0.xml"));
  EXPECT_FALSE(fs::exists(program / "input" / "AIG-regcodes00.xml"));
  EXPECT_TRUE(fs::exists(program / "input" / "AIG-regcodes.enc"));
  gf_createProgramFolders(); // a second start finds everything in place

  // A file where a folder belongs cannot be made a folder.
  fs::remove_all(program / "airports" / "my_ORBX");
  testing_support::writeFile(program / "airports" / "my_ORBX", "not a folder");
  EXPECT_THROW(gf_createProgramFolders(), fs::filesystem_error);
}
