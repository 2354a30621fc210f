// A write that fails half-way, with the file size limit standing in for a full disk.
#include "core/text_files.h"
#include "support/test_support.h"

#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>

using testing_support::readFile;
using testing_support::TempDir;
using testing_support::writeFile;

namespace {

// Lowers the size limit of the files this process writes; a write past it fails.
class SmallFileLimit {
public:
  explicit SmallFileLimit(rlim_t bytes) {
    previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    getrlimit(RLIMIT_FSIZE, &previous_);
    rlimit small = previous_;
    small.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &small);
  }
  SmallFileLimit(const SmallFileLimit&) = delete;
  SmallFileLimit& operator=(const SmallFileLimit&) = delete;
  ~SmallFileLimit() {
    setrlimit(RLIMIT_FSIZE, &previous_);
    std::signal(SIGXFSZ, previousHandler_);
  }

private:
  rlimit previous_{};
  void (*previousHandler_)(int) = nullptr;
};

} // namespace

TEST(TextFiles, AFailedWriteIsReportedAndKeepsTheOldFile) {
  TempDir dir;
  const auto path = dir / "my_park_airports.txt";
  writeFile(path, "EHAM,C12\n");
  bool linesWritten = true;
  bool textWritten = true;
  {
    SmallFileLimit limit(64);
    linesWritten = gf_writeLinesToFile(std::vector<std::string>(100, "EDDF,A12"), path);
    textWritten = gf_writeTextToFile(std::string(1000, 'x'), path);
  }
  EXPECT_FALSE(linesWritten);
  EXPECT_FALSE(textWritten);
  EXPECT_EQ(readFile(path), "EHAM,C12\n");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), std::filesystem::directory_iterator{}), 1);
}
