#include "core/shell/status_line.h"
#include "core/text_files.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

using testing_support::LogCapture;
using testing_support::readFile;
using testing_support::TempDir;
using testing_support::writeFile;

TEST(TextEncoding, DetectionFromTheFirstBytes) {
  TempDir dir;
  LogCapture log;
  const std::string validUpTo1026(1026, 'a');
  struct Case {
    const char* name;
    std::string bytes;
    TextEncoding expected;
  };
  const Case cases[] = {
      {"empty", "", TextEncoding::NoneFound},
      {"one", "a", TextEncoding::NoneFound},
      {"bom", "\xEF\xBB\xBFhello", TextEncoding::Utf8WithBom},
      {"bom2", "\xEF\xBB", TextEncoding::Ansi},
      {"le", std::string("\xFF\xFE\x00\x00", 4), TextEncoding::Unicode},
      {"be", std::string("\xFE\xFF\x00h", 4), TextEncoding::UnicodeBigEndian},
      {"ascii", "plain text\r\n", TextEncoding::Utf8WithoutBom},
      {"utf8", "J\xC3\xB6rg\n", TextEncoding::Utf8WithoutBom},
      {"latin1", "Caf\xE9 bar", TextEncoding::Ansi},
      {"badlead", "a\xF8\x80\x80\x80\x80", TextEncoding::Ansi},
      {"cut", validUpTo1026 + "\xC3\xB6", TextEncoding::Ansi},
      {"fits", std::string(1025, 'a') + "\xC3\xB6", TextEncoding::Utf8WithoutBom},
  };
  for (const auto& c : cases) {
    writeFile(dir / c.name, c.bytes);
    EXPECT_EQ(gf_detectTextEncoding(dir / c.name), c.expected) << c.name;
  }
  EXPECT_FALSE(log.contains("Cannot open file"));
  EXPECT_EQ(gf_detectTextEncoding(dir / "missing"), TextEncoding::NoneFound);
  EXPECT_TRUE(log.contains("Cannot open file"));
}

TEST(TextEncoding, Names) {
  EXPECT_EQ(gf_encodingName(TextEncoding::Ansi), "ANSI");
  EXPECT_EQ(gf_encodingName(TextEncoding::UnicodeBigEndian), "Unicode_big_endian");
  EXPECT_EQ(gf_encodingName(TextEncoding::NoneFound), "none_found");
  EXPECT_THROW(gf_encodingName(static_cast<TextEncoding>(6)), std::out_of_range);
}

TEST(TextFiles, ReadingEachEncoding) {
  TempDir dir;
  struct Case {
    const char* name;
    std::string bytes;
    std::vector<std::string> lines;
  };
  const Case cases[] = {
      {"utf8bom", "\xEF\xBB\xBFone\r\ntwo\r\n", {"one", "two"}},
      {"utf8", "one\ntwo", {"one", "two"}},
      {"ansi", "Caf\xE9\n", {"Caf\xE9"}},
      // UTF-16 is read as bytes: the CR stays at the line's end.
      {"le", std::string("\xFF\xFEo\0n\0\r\0\n\0\xF6\0", 12), {"on\r", "\xC3\xB6"}},
      {"be", std::string("\xFE\xFF\0o\0\n\xD8\x3D\xDE\xE9", 10), {"o", "\xF0\x9F\x9B\xA9"}},
  };
  for (const auto& c : cases) {
    writeFile(dir / c.name, c.bytes);
    std::vector<std::string> lines;
    EXPECT_TRUE(gf_readExtTextFileToStringVector(dir / c.name, lines)) << c.name;
    EXPECT_EQ(lines, c.lines) << c.name;
  }
  std::vector<std::string> lines{"kept"};
  EXPECT_FALSE(gf_readExtTextFileToStringVector(dir / "missing", lines));
  EXPECT_EQ(lines, std::vector<std::string>{"kept"});
  // The mark is cut from the file's first line, not from a line that was there before.
  EXPECT_TRUE(gf_readExtTextFileToStringVector(dir / "utf8bom", lines));
  EXPECT_EQ(lines, (std::vector<std::string>{"kept", "one", "two"}));
}

TEST(TextFiles, OnlyTheCrOfACrLfPairEndsALine) {
  TempDir dir;
  const std::string bytes = "a\r\r\nb\rc\r\n\r\nd\r";
  const std::vector<std::string> expected{"a\r", "b\rc", "", "d\r"};
  writeFile(dir / "utf8", bytes);
  writeFile(dir / "ansi", "\xE9" + bytes);
  writeFile(dir / "bom", "\xEF\xBB\xBF" + bytes);
  for (const char* name : {"utf8", "ansi", "bom"}) {
    std::vector<std::string> lines;
    EXPECT_TRUE(gf_readExtTextFileToStringVector(dir / name, lines)) << name;
    if (std::string(name) == "ansi") lines.front().erase(0, 1);
    EXPECT_EQ(lines, expected) << name;
  }
  TextLinesFile file{dir / "utf8", {}};
  EXPECT_EQ(file.readLines(4), expected);
}

TEST(TextFiles, BadUtf16IsReportedAndStopsTheReading) {
  TempDir dir;
  LogCapture log;
  writeFile(dir / "bad", std::string("\xFF\xFEo\0\n\0\x00\xD8\n\0x\0", 12));
  std::vector<std::string> lines;
  EXPECT_FALSE(gf_readEncodedLines(TextEncoding::Unicode, dir / "bad", lines));
  EXPECT_EQ(lines, std::vector<std::string>{"o"});
  EXPECT_TRUE(log.contains("conversion from error from utf16 to utf8"));
  EXPECT_NE(gf_statusLineSnapshot().message.find("utf16"), std::string::npos);
  gf_clearMessage();
  EXPECT_THROW(gf_readEncodedLines(TextEncoding::NoneFound, dir / "bad", lines), std::runtime_error);
}

TEST(TextFiles, WritersAndLineReaders) {
  TempDir dir;
  ASSERT_TRUE(gf_writeLinesToFile({"a", "", "b"}, dir / "lines.txt"));
  ASSERT_TRUE(gf_writeTextToFile("text", dir / "text.txt"));
  TextLinesFile file{dir / "lines.txt", {"old"}};
  EXPECT_EQ(file.readLines(512), (std::vector<std::string>{"a", "", "b"}));
  TextLinesFile text{dir / "text.txt", {}};
  EXPECT_EQ(text.readLines(1), std::vector<std::string>{"text"});
  TextLinesFile missing{dir / "none.txt", {"old"}};
  EXPECT_TRUE(missing.readLines(1).empty());
  EXPECT_FALSE(gf_writeTextToFile("x", dir / "no" / "such" / "folder.txt"));
  EXPECT_FALSE(gf_writeLinesToFile({"x"}, dir / "no" / "such" / "folder.txt"));
  // Writing over an existing file replaces it and leaves nothing beside it.
  ASSERT_TRUE(gf_writeLinesToFile({"c"}, dir / "lines.txt"));
  EXPECT_EQ(file.readLines(1), std::vector<std::string>{"c"});
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), std::filesystem::directory_iterator{}), 2);
}
