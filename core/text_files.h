#pragma once
// Text files of other programs in their several encodings, read line by line into UTF-8
// (ANSI files byte for byte), and the plain line readers and writers of our own files.
#include <cstdint>
#include <filesystem>
#include <istream>
#include <string>
#include <string_view>
#include <vector>

enum class TextEncoding : std::int32_t {
  Ansi = 0,
  Unicode = 1,          // UTF-16 LE, mark FF FE
  UnicodeBigEndian = 2, // UTF-16 BE, mark FE FF
  Utf8WithBom = 3,
  Utf8WithoutBom = 4,
  NoneFound = 5,
};

// Only this many first bytes decide a file's encoding.
inline constexpr std::size_t encodingLookAhead = 1027;

TextEncoding gf_detectTextEncoding(const std::filesystem::path& path);
// The same rules on a file's first bytes (at most encodingLookAhead of them count).
TextEncoding gf_detectTextEncodingOfBytes(std::string_view firstBytes);
std::string_view gf_encodingName(TextEncoding encoding);
bool gf_readEncodedLines(TextEncoding encoding, const std::filesystem::path& path, std::vector<std::string>& lines);
bool gf_readExtTextFileToStringVector(const std::filesystem::path& path, std::vector<std::string>& lines);

// Appends each line up to its LF (and the last one without); the CR of a CR LF pair is
// dropped. Give it a stream opened binary: a text-mode stream on Windows has dropped that
// CR already, and the line's own CR before it would go too.
void gf_readAllLines(std::istream& in, std::vector<std::string>& lines);
// Both replace the file in one step: false, with the old file kept, when the new one cannot
// be written whole.
bool gf_writeTextToFile(std::string_view text, const std::filesystem::path& path);
bool gf_writeLinesToFile(const std::vector<std::string>& lines, const std::filesystem::path& path);

struct TextLinesFile {
  std::filesystem::path path;
  std::vector<std::string> lines;
  std::vector<std::string>& readLines(std::size_t count);
};
