#include "core/files.h"
#include "core/refdata/data_files.h"
#include "core/refdata/downloader.h"
#include "core/refdata/stream_cipher.h"
#include "core/refdata/update_check.h"
#include "support/test_http_server.h"
#include "support/test_support.h"

#include <gtest/gtest.h>
#include <map>

namespace fs = std::filesystem;
using testing_support::LogCapture;
using testing_support::readFile;
using testing_support::ScopedCurrentPath;
using testing_support::TempDir;
using testing_support::TestHttpServer;
using testing_support::writeFile;
using Behaviour = TestHttpServer::Behaviour;

namespace {

// Stalls and dead servers are given up on after a second here, so that every case ends quickly.
constexpr DownloadLimits testLimits{5, 1, 3, 20};

std::string lf_enciphered(const TempDir& dir, const std::string& plain) {
  writeFile(dir / "plain.tmp", plain);
  gf_streamEncrypt(dir / "plain.tmp", dir / "enciphered.tmp");
  const auto bytes = readFile(dir / "enciphered.tmp");
  fs::remove(dir / "plain.tmp");
  fs::remove(dir / "enciphered.tmp");
  return bytes;
}

// The address of a server that has just gone away.
std::string lf_deadAddress() {
  TestHttpServer gone;
  return gone.url("/hvm/");
}

std::vector<std::string> lf_names(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(gf_pathText(entry.path().filename()));
  std::sort(names.begin(), names.end());
  return names;
}

class Downloads : public ::testing::Test {
protected:
  void SetUp() override {
    fs::create_directory(dir / "input");
    gf_setDownloadLimits(testLimits);
    gf_setDownloadBase(server.url("/hvm/"));
  }
  void TearDown() override {
    gf_setDownloadBase("");
    gf_setDownloadLimits({});
  }

  TempDir dir;
  ScopedCurrentPath cwd{dir.path()};
  LogCapture log;
  TestHttpServer server;
};

} // namespace

TEST_F(Downloads, DownloaderKeepsTheOldFileUnlessTheTransferIsWhole) {
  server.serve("/file", {200, "new content"});
  server.serve("/redirect", {302, "", server.url("/file")});
  server.serve("/loop", {302, "", server.url("/loop")});
  server.serve("/error", {500, "<html>Server error</html>"});
  server.serve("/cut", {200, std::string(5000, 'x'), "", Behaviour::CutShort});
  server.serve("/silent", {200, "never sent", "", Behaviour::NoAnswer});
  const auto dead = lf_deadAddress();
  struct Case {
    std::string url;
    bool ok;
  };
  const Case cases[] = {
      {server.url("/file"), true},     {server.url("/redirect"), true}, {server.url("/missing"), false},
      {server.url("/error"), false},   {server.url("/loop"), false},    {server.url("/cut"), false},
      {server.url("/silent"), false},  {dead + "file", false},          {"", false},
      {"file:///etc/hostname", false}, {"versions.json", false},
  };
  for (const auto& c : cases) {
    writeFile(dir / "target", "old content");
    Downloader downloader(testLimits);
    EXPECT_EQ(downloader.download(c.url, dir / "target", true), c.ok) << c.url;
    EXPECT_EQ(readFile(dir / "target"), c.ok ? "new content" : "old content") << c.url;
    EXPECT_EQ(lf_names(dir.path()), (std::vector<std::string>{"input", "target"})) << c.url << ": no leftovers";
  }
  EXPECT_TRUE(log.contains("Download of '" + server.url("/missing") + "' failed: ")) << "the reason is logged";
  EXPECT_TRUE(log.contains("404"));
  EXPECT_LE(server.requestCount("/loop"), testLimits.maxRedirects + 1);
}

TEST_F(Downloads, DataFileMustDecipherBeforeItReplacesTheOldOne) {
  const auto good = lf_enciphered(dir, std::string(9000, 'd'));
  writeFile(dbaseEncFile, "old data file");
  server.serve("/hvm/dbase.enc", {200, "<html><body>Sorry, we moved</body></html>"});
  EXPECT_FALSE(gf_downloadDataFile(dbaseEncName, dbaseEncFile));
  server.serve("/hvm/dbase.enc", {200, good.substr(0, dataHeaderBytes + dataChunkBytes)}); // whole messages, no end
  EXPECT_FALSE(gf_downloadDataFile(dbaseEncName, dbaseEncFile));
  EXPECT_EQ(readFile(dbaseEncFile), "old data file");
  EXPECT_EQ(lf_names(dir / "input"), std::vector<std::string>{"dbase.enc"});
  EXPECT_TRUE(log.contains("===> Downloading '" + server.url("/hvm/dbase.enc") + "' failed !"));

  server.serve("/hvm/dbase.enc", {200, good});
  EXPECT_TRUE(gf_downloadDataFile(dbaseEncName, dbaseEncFile));
  EXPECT_EQ(readFile(dbaseEncFile), good);
  EXPECT_TRUE(log.contains("Downloaded '" + server.url("/hvm/dbase.enc") + "' to '" + gf_pathText(dbaseEncFile) + "'"));
  EXPECT_EQ(gf_downloadBaseUrl(), server.url("/hvm/P3D/"));
}

namespace {

struct FakeVersions {
  std::map<std::string, std::string, std::less<>> recorded;
  int saves = 0;
  DataVersionStore store() {
    return {[this](std::string_view key) {
              const auto found = recorded.find(key);
              return found == recorded.end() ? std::string() : found->second;
            },
            [this](std::string_view key, const std::string& version) {
              recorded.insert_or_assign(std::string(key), version);
              ++saves;
            }};
  }
};

class UpdateCheck : public Downloads {
protected:
  void SetUp() override {
    Downloads::SetUp();
    newDbase = lf_enciphered(dir, "<aircrafts/>");
    newAig = lf_enciphered(dir, "<AIG-regcodes/>");
    writeFile(dbaseEncFile, oldDbase);
    writeFile(aigEncFile, oldAig);
    server.serve("/hvm/dbase.enc", {200, newDbase});
    server.serve("/hvm/AIG-regcodes.enc", {200, newAig});
  }
  void publish(const std::string& json) { server.serve("/hvm/versions.json", {200, json}); }
  void expectOldFiles(const std::string& why) {
    EXPECT_EQ(readFile(dbaseEncFile), oldDbase) << why;
    EXPECT_EQ(readFile(aigEncFile), oldAig) << why;
    EXPECT_EQ(lf_names(dir / "input"), (std::vector<std::string>{"AIG-regcodes.enc", "dbase.enc"})) << why;
  }

  const std::string oldDbase = "old dbase bytes";
  const std::string oldAig = "old aig bytes";
  std::string newDbase;
  std::string newAig;
  FakeVersions versions;
};

const char* const bothVersions = R"({"aig": {"major": 2, "minor": 0, "patch": 1},
                                     "dbase": {"major": 1, "minor": 2, "patch": 3}, "other": 7})";

} // namespace

TEST_F(UpdateCheck, FirstStartDownloadsBothAndRecordsTheirVersions) {
  publish(bothVersions);
  gf_checkDataVersions(versions.store());
  EXPECT_EQ(readFile(dbaseEncFile), newDbase);
  EXPECT_EQ(readFile(aigEncFile), newAig);
  EXPECT_EQ(versions.recorded, (std::map<std::string, std::string, std::less<>>{{"aig", "2.0.1"}, {"dbase", "1.2.3"}}));
  EXPECT_EQ(versions.saves, 2);
  EXPECT_TRUE(log.contains("aig updated to 2.0.1"));
  EXPECT_TRUE(log.contains("dbase updated to 1.2.3"));
  EXPECT_TRUE(fs::exists("versions.json"));
}

TEST_F(UpdateCheck, UpToDateFilesAreNotFetchedUnlessMissing) {
  publish(bothVersions);
  versions.recorded = {{"aig", "2.0.1"}, {"dbase", "1.2.4"}}; // dbase newer here than published
  gf_checkDataVersions(versions.store());
  EXPECT_TRUE(log.contains("aig version up-to-date"));
  EXPECT_TRUE(log.contains("dbase version up-to-date"));
  EXPECT_EQ(server.requestCount("/hvm/dbase.enc") + server.requestCount("/hvm/AIG-regcodes.enc"), 0);
  EXPECT_EQ(versions.saves, 0);
  expectOldFiles("up to date");

  fs::remove(dbaseEncFile);
  gf_checkDataVersions(versions.store());
  EXPECT_EQ(readFile(dbaseEncFile), newDbase);
  EXPECT_EQ(versions.recorded.at("dbase"), "1.2.3");
  EXPECT_EQ(server.requestCount("/hvm/AIG-regcodes.enc"), 0);
}

TEST_F(UpdateCheck, VersionListsThatAreNotUsable) {
  struct Case {
    const char* name;
    TestHttpServer::Reply reply;
    const char* warning;
  };
  const Case cases[] = {
      {"not JSON", {200, "<html><body>Welcome</body></html>"}, "===> versions.json is not valid: "},
      {"JSON cut short", {200, R"({"aig": {"major": 2, )"}, "===> versions.json is not valid: "},
      {"missing", {404, "<html>Not here</html>"}, "===> Downloading version info from my web site failed!"},
      {"cut transfer",
       {200, bothVersions, "", Behaviour::CutShort},
       "===> Downloading version info from my web site failed!"},
      {"no answer",
       {200, bothVersions, "", Behaviour::NoAnswer},
       "===> Downloading version info from my web site failed!"},
      {"not an object", {200, "[1, 2, 3]"}, "===> aig version not found"},
      {"members missing",
       {200, R"({"aig": {"major": 3}, "dbase": {"major": 1, "minor": 0}})"},
       "===> dbase version is not valid"},
      {"members not numbers",
       {200, R"({"aig": {"major": "3", "minor": 0, "patch": 0}, "dbase": 5})"},
       "===> aig version is not valid"},
      {"out of range", {200, R"({"aig": {"major": 1e12, "minor": 0, "patch": 0}})"}, "===> aig version is not valid"},
  };
  for (const auto& c : cases) {
    LogCapture caseLog;
    server.serve("/hvm/versions.json", c.reply);
    gf_checkDataVersions(versions.store());
    EXPECT_TRUE(caseLog.contains(c.warning)) << c.name;
    EXPECT_TRUE(versions.recorded.empty()) << c.name;
    expectOldFiles(c.name);
  }
  EXPECT_EQ(server.requestCount("/hvm/dbase.enc") + server.requestCount("/hvm/AIG-regcodes.enc"), 0);
}

TEST_F(UpdateCheck, UnreachableServerOrNoAddressLeavesEverything) {
  for (const auto& base : {lf_deadAddress(), std::string()}) {
    LogCapture caseLog;
    gf_setDownloadBase(base);
    gf_checkDataVersions(versions.store());
    EXPECT_TRUE(caseLog.contains("===> Downloading version info from my web site failed!")) << base;
    expectOldFiles(base);
    EXPECT_TRUE(versions.recorded.empty());
  }
}

TEST_F(UpdateCheck, FailedDataDownloadKeepsOldFileAndVersion) {
  publish(R"({"dbase": {"major": 1, "minor": 2, "patch": 3}})");
  versions.recorded = {{"dbase", "1.0.0"}};
  struct Case {
    const char* name;
    TestHttpServer::Reply reply;
  };
  const Case cases[] = {
      {"missing", {404, "<html>Not Found</html>"}},
      {"error page", {200, "<html><body>Maintenance</body></html>"}},
      {"cut transfer", {200, newDbase, "", Behaviour::CutShort}},
      {"no answer", {200, newDbase, "", Behaviour::NoAnswer}},
      {"file without its end", {200, newDbase.substr(0, dataHeaderBytes)}},
  };
  for (const auto& c : cases) {
    LogCapture caseLog;
    server.serve("/hvm/dbase.enc", c.reply);
    gf_checkDataVersions(versions.store());
    EXPECT_TRUE(caseLog.contains("===> aig version not found")) << c.name;
    EXPECT_TRUE(caseLog.contains("===> Downloading '" + server.url("/hvm/dbase.enc") + "' failed !")) << c.name;
    EXPECT_FALSE(caseLog.contains("updated to")) << c.name;
    EXPECT_EQ(versions.recorded.at("dbase"), "1.0.0") << c.name;
    expectOldFiles(c.name);
  }

  // Numbers are cut to whole ones and booleans count as 1 and 0: 1.1.0 is newer than 1.0.0.
  publish(R"({"dbase": {"major": 1.9, "minor": true, "patch": false}})");
  server.serve("/hvm/dbase.enc", {200, newDbase});
  gf_checkDataVersions(versions.store());
  EXPECT_EQ(versions.recorded.at("dbase"), "1.1.0");
  EXPECT_EQ(readFile(dbaseEncFile), newDbase);
}

// The program's own store keeps what the check records.
TEST_F(UpdateCheck, SettingsStoreRecordsVersions) {
  publish(bothVersions);
  gf_checkDataVersions();
  const auto store = gf_settingsVersionStore();
  EXPECT_EQ(store.recorded("aig"), "2.0.1");
  EXPECT_EQ(store.recorded("dbase"), "1.2.3");
}
