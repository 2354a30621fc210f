#include "core/refdata/stream_cipher.h"
#include "support/test_support.h"

#include <functional>
#include <gtest/gtest.h>

namespace fs = std::filesystem;
using testing_support::LogCapture;
using testing_support::readFile;
using testing_support::TempDir;
using testing_support::writeFile;

namespace {

std::string lf_sampleText(std::size_t size) {
  std::string text;
  text.reserve(size);
  for (std::size_t i = 0; text.size() < size; ++i) text += std::to_string(i * 7919 % 100003) + ",";
  text.resize(size);
  return text;
}

std::string lf_encipher(const TempDir& dir, const std::string& plain, const DataKey& key = gf_dataKey()) {
  writeFile(dir / "fixture.plain", plain);
  gf_streamEncrypt(dir / "fixture.plain", dir / "fixture.enc", key);
  return readFile(dir / "fixture.enc");
}

} // namespace

TEST(StreamCipher, EnciphersInWholeMessagesWithTheFinalTagOnTheLast) {
  TempDir dir;
  for (const std::size_t size : {std::size_t{0}, std::size_t{1}, dataPlainChunkBytes, 2 * dataPlainChunkBytes + 100}) {
    const auto plain = lf_sampleText(size);
    const auto enciphered = lf_encipher(dir, plain);
    const std::size_t messages = size == 0 ? 1 : (size + dataPlainChunkBytes - 1) / dataPlainChunkBytes;
    EXPECT_EQ(enciphered.size(), dataHeaderBytes + messages * (dataChunkBytes - dataPlainChunkBytes) + size) << size;
    writeFile(dir / "in.enc", enciphered);
    ASSERT_TRUE(gf_streamDecrypt(dir / "in.enc", dir / "out.xml")) << size;
    EXPECT_EQ(readFile(dir / "out.xml"), plain) << size;
  }
}

// Every way a data file can be damaged, from fixtures made by the encipherer.
TEST(StreamCipher, DecryptOutcomes) {
  TempDir dir;
  const auto plain = lf_sampleText(2 * dataPlainChunkBytes + 500); // three messages
  const auto whole = lf_encipher(dir, plain);
  DataKey otherKey = gf_dataKey();
  otherKey[0] ^= 0x5a;
  const auto underOtherKey = lf_encipher(dir, plain, otherKey);
  // Messages are read 4113 bytes at a time, so bytes after a final message are only
  // recognised as such when that message is a whole one.
  const auto wholeMessages = plain.substr(0, 2 * dataPlainChunkBytes);
  const auto endsWithWholeMessage = lf_encipher(dir, wholeMessages);

  struct Case {
    const char* name;
    std::string bytes;
    bool ok;
    const char* logged;        // the error text logged on failure
    std::string expected = {}; // the plain text on success
  };
  const Case cases[] = {
      {"whole file", whole, true, "", plain},
      {"trailing bytes after a whole final message", endsWithWholeMessage + "garbage", true, "", wholeMessages},
      {"empty plain text", lf_encipher(dir, ""), true, "", ""},
      {"trailing bytes after a short final message", whole + "garbage", false, "Decryption failed"},
      {"header only", whole.substr(0, dataHeaderBytes), false, "Data file cut short"},
      {"cut after a whole message", whole.substr(0, dataHeaderBytes + dataChunkBytes), false, "Data file cut short"},
      {"cut after two whole messages", whole.substr(0, dataHeaderBytes + 2 * dataChunkBytes), false,
       "Data file cut short"},
      {"cut inside a message", whole.substr(0, dataHeaderBytes + dataChunkBytes + 100), false, "Decryption failed"},
      {"cut inside the last message", whole.substr(0, whole.size() - 1), false, "Decryption failed"},
      {"flipped byte",
       [&] {
         auto bytes = whole;
         bytes[dataHeaderBytes + 5000] ^= 1;
         return bytes;
       }(),
       false, "Decryption failed"},
      {"other key", underOtherKey, false, "Decryption failed"},
      {"shorter than the header", whole.substr(0, 10), false, "Invalid header or key"},
      {"empty file", "", false, "Invalid header or key"},
  };
  for (const auto& c : cases) {
    LogCapture log;
    writeFile(dir / "in.enc", c.bytes);
    writeFile(dir / "out.xml", "stale plain text of an earlier run");
    EXPECT_EQ(gf_streamDecrypt(dir / "in.enc", dir / "out.xml"), c.ok) << c.name;
    EXPECT_EQ(gf_streamDeciphers(dir / "in.enc"), c.ok) << c.name;
    if (c.ok) {
      EXPECT_TRUE(readFile(dir / "out.xml") == c.expected) << c.name;
    } else {
      EXPECT_FALSE(fs::exists(dir / "out.xml")) << c.name;
      EXPECT_TRUE(log.contains(std::string("gf_streamDecrypt exception: ") + c.logged)) << c.name;
    }
  }
}

TEST(StreamCipher, MissingInputAndUnwritableOutput) {
  TempDir dir;
  LogCapture log;
  EXPECT_FALSE(gf_streamDecrypt(dir / "missing.enc", dir / "out.xml"));
  EXPECT_TRUE(log.contains("gf_streamDecrypt exception: Could not open input file: "));
  EXPECT_FALSE(fs::exists(dir / "out.xml"));

  writeFile(dir / "in.enc", lf_encipher(dir, "<a/>"));
  EXPECT_FALSE(gf_streamDecrypt(dir / "in.enc", dir / "no such folder" / "out.xml"));
  EXPECT_TRUE(log.contains("gf_streamDecrypt exception: Could not open output file: "));
}

TEST(StreamCipher, FilesMadeUnderTheProgramKeyStillDecipher) {
  // A data file made once with hvm_encipher: the files already published (and those that
  // users have downloaded) are enciphered under this key in this layout, so a changed key
  // or layout would lock them out.
  const std::string hex =
      "21783e75625c96237570d864cb2bd0043fe57199e8278279f26d83a37ce818395caf142c9f293814a3ba9045c1dc";
  std::string bytes;
  for (std::size_t i = 0; i < hex.size(); i += 2) bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
  TempDir dir;
  writeFile(dir / "published.enc", bytes);
  ASSERT_TRUE(gf_streamDecrypt(dir / "published.enc", dir / "published.xml"));
  EXPECT_EQ(readFile(dir / "published.xml"), "<ok/>");
}
