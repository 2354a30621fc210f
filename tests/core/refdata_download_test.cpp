#include "core/files.h"
#include "core/refdata/downloader.h"
#include "core/refdata/stream_cipher.h"
#include "core/refdata/update_check.h"
#include "core/settings/file_names.h"
#include "settings_fixture.h"
#include "support/test_http_server.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

namespace fs = std::filesystem;
using testing_support::LogCapture;
using testing_support::readFile;
using testing_support::ScopedCurrentPath;
using testing_support::TempDir;
using testing_support::TestHttpServer;
using testing_support::writeFile;
using Behaviour = TestHttpServer::Behaviour;
using settings_testing::entryValue;

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
  writeFile(dbaseFile, "old data file");
  server.serve("/hvm/dbase.enc", {200, "<html><body>Sorry, we moved</body></html>"});
  EXPECT_FALSE(gf_downloadDataFile(dbaseFile.filename(), dbaseFile));
  server.serve("/hvm/dbase.enc", {200, good.substr(0, dataHeaderBytes + dataChunkBytes)}); // whole messages, no end
  EXPECT_FALSE(gf_downloadDataFile(dbaseFile.filename(), dbaseFile));
  EXPECT_EQ(readFile(dbaseFile), "old data file");
  EXPECT_EQ(lf_names(dir / "input"), std::vector<std::string>{"dbase.enc"});
  EXPECT_TRUE(log.contains("===> Downloading '" + server.url("/hvm/dbase.enc") + "' failed !"));

  server.serve("/hvm/dbase.enc", {200, good});
  EXPECT_TRUE(gf_downloadDataFile(dbaseFile.filename(), dbaseFile));
  EXPECT_EQ(readFile(dbaseFile), good);
  EXPECT_TRUE(log.contains("Downloaded '" + server.url("/hvm/dbase.enc") + "' to '" + gf_pathText(dbaseFile) + "'"));
  EXPECT_EQ(gf_downloadBaseUrl(), server.url("/hvm/P3D/"));
}

namespace {

class UpdateCheck : public Downloads {
protected:
  void SetUp() override {
    Downloads::SetUp();
    AIG_VERSION.set("");
    DBASE_VERSION.set("");
    newDbase = lf_enciphered(dir, "<aircrafts/>");
    newAig = lf_enciphered(dir, "<AIG-regcodes/>");
    writeFile(dbaseFile, oldDbase);
    writeFile(aigRegcodesEncFile, oldAig);
    server.serve("/hvm/dbase.enc", {200, newDbase});
    server.serve("/hvm/AIG-regcodes.enc", {200, newAig});
  }
  void TearDown() override {
    AIG_VERSION.set("");
    DBASE_VERSION.set("");
    Downloads::TearDown();
  }
  // The version of the setting, in memory and in the settings file.
  void expectVersion(StringParameter& setting, const std::string& version, const std::string& why = {}) {
    EXPECT_EQ(setting.get(), version) << why;
    EXPECT_EQ(entryValue(settings.file(), setting.name).value_or(""), version) << why;
  }
  void publish(const std::string& json) { server.serve("/hvm/versions.json", {200, json}); }
  void expectOldFiles(const std::string& why) {
    EXPECT_EQ(readFile(dbaseFile), oldDbase) << why;
    EXPECT_EQ(readFile(aigRegcodesEncFile), oldAig) << why;
    EXPECT_EQ(lf_names(dir / "input"), (std::vector<std::string>{"AIG-regcodes.enc", "dbase.enc"})) << why;
  }

  const std::string oldDbase = "old dbase bytes";
  const std::string oldAig = "old aig bytes";
  std::string newDbase;
  std::string newAig;
  settings_testing::SettingsFolder settings;
};

const char* const bothVersions = R"({"aig": {"major": 2, "minor": 0, "patch": 1},
                                     "dbase": {"major": 1, "minor": 2, "patch": 3}, "other": 7})";

} // namespace

TEST_F(UpdateCheck, FirstStartDownloadsBothAndRecordsTheirVersions) {
  publish(bothVersions);
  gf_checkDataVersions();
  EXPECT_EQ(readFile(dbaseFile), newDbase);
  EXPECT_EQ(readFile(aigRegcodesEncFile), newAig);
  expectVersion(AIG_VERSION, "2.0.1");
  expectVersion(DBASE_VERSION, "1.2.3");
  EXPECT_TRUE(log.contains("aig updated to 2.0.1"));
  EXPECT_TRUE(log.contains("dbase updated to 1.2.3"));
  EXPECT_TRUE(fs::exists("versions.json"));
}

TEST_F(UpdateCheck, UpToDateFilesAreNotFetchedUnlessMissing) {
  publish(bothVersions);
  AIG_VERSION.set("2.0.1");
  DBASE_VERSION.set("1.2.4"); // newer here than published
  gf_checkDataVersions();
  EXPECT_TRUE(log.contains("aig version up-to-date"));
  EXPECT_TRUE(log.contains("dbase version up-to-date"));
  EXPECT_EQ(server.requestCount("/hvm/dbase.enc") + server.requestCount("/hvm/AIG-regcodes.enc"), 0);
  EXPECT_FALSE(fs::exists(settings.file())) << "nothing saved";
  expectOldFiles("up to date");

  fs::remove(dbaseFile);
  gf_checkDataVersions();
  EXPECT_EQ(readFile(dbaseFile), newDbase);
  expectVersion(DBASE_VERSION, "1.2.3");
  EXPECT_EQ(AIG_VERSION.get(), "2.0.1");
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
    gf_checkDataVersions();
    EXPECT_TRUE(caseLog.contains(c.warning)) << c.name;
    expectVersion(AIG_VERSION, "", c.name);
    expectVersion(DBASE_VERSION, "", c.name);
    expectOldFiles(c.name);
  }
  EXPECT_EQ(server.requestCount("/hvm/dbase.enc") + server.requestCount("/hvm/AIG-regcodes.enc"), 0);
}

TEST_F(UpdateCheck, UnreachableServerOrNoAddressLeavesEverything) {
  for (const auto& base : {lf_deadAddress(), std::string()}) {
    LogCapture caseLog;
    gf_setDownloadBase(base);
    gf_checkDataVersions();
    EXPECT_TRUE(caseLog.contains("===> Downloading version info from my web site failed!")) << base;
    expectOldFiles(base);
    expectVersion(AIG_VERSION, "", base);
    expectVersion(DBASE_VERSION, "", base);
  }
}

TEST_F(UpdateCheck, FailedDataDownloadKeepsOldFileAndVersion) {
  publish(R"({"dbase": {"major": 1, "minor": 2, "patch": 3}})");
  DBASE_VERSION.set("1.0.0");
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
    gf_checkDataVersions();
    EXPECT_TRUE(caseLog.contains("===> aig version not found")) << c.name;
    EXPECT_TRUE(caseLog.contains("===> Downloading '" + server.url("/hvm/dbase.enc") + "' failed !")) << c.name;
    EXPECT_FALSE(caseLog.contains("updated to")) << c.name;
    EXPECT_EQ(DBASE_VERSION.get(), "1.0.0") << c.name;
    EXPECT_FALSE(fs::exists(settings.file())) << c.name;
    expectOldFiles(c.name);
  }

  // Numbers are cut to whole ones and booleans count as 1 and 0: 1.1.0 is newer than 1.0.0.
  publish(R"({"dbase": {"major": 1.9, "minor": true, "patch": false}})");
  server.serve("/hvm/dbase.enc", {200, newDbase});
  gf_checkDataVersions();
  expectVersion(DBASE_VERSION, "1.1.0");
  EXPECT_EQ(readFile(dbaseFile), newDbase);
}
