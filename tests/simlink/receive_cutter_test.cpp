// Cutting the received byte stream into messages.
#include "simlink/simconnect/receive_cutter.h"
#include "simlink/simconnect/wire_bytes.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace {

std::vector<std::uint8_t> message(std::uint32_t size, std::uint8_t fill) {
  std::vector<std::uint8_t> bytes(size, fill);
  gf_putU32(bytes.data(), size);
  return bytes;
}

// Feeds the bytes in reads of at most chunk bytes, as a transport would.
CutError feed(ReceiveCutter& cutter, const std::vector<std::uint8_t>& bytes, std::size_t chunk,
              std::vector<std::vector<std::uint8_t>>& out) {
  std::size_t at = 0;
  while (at < bytes.size()) {
    const auto space = cutter.freeSpace();
    if (space.empty()) return CutError::tooLarge;
    const std::size_t n = std::min({chunk, space.size(), bytes.size() - at});
    std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(at), n, space.begin());
    at += n;
    if (const CutError error = cutter.received(n, out); error != CutError::none) return error;
  }
  return CutError::none;
}

std::vector<std::uint8_t> joined(std::initializer_list<std::vector<std::uint8_t>> parts) {
  std::vector<std::uint8_t> all;
  for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

TEST(ReceiveCutter, TwoMessagesInOneReadComeOutBothInOrder) {
  ReceiveCutter cutter(41088);
  std::vector<std::vector<std::uint8_t>> out;
  const auto first = message(24, 1);
  const auto second = message(28, 2);
  ASSERT_EQ(feed(cutter, joined({first, second}), 4096, out), CutError::none);
  EXPECT_EQ(out, (std::vector<std::vector<std::uint8_t>>{first, second}));
  EXPECT_EQ(cutter.unread(), 0u);
}

TEST(ReceiveCutter, AMessageInManyReadsComesOutAfterTheLast) {
  for (const std::size_t chunk : {1u, 3u, 7u, 283u}) {
    SCOPED_TRACE(chunk);
    ReceiveCutter cutter(41088);
    std::vector<std::vector<std::uint8_t>> out;
    const auto reply = message(284, 9);
    const auto stream = joined({reply, message(12, 3)});
    ASSERT_EQ(feed(cutter, std::vector<std::uint8_t>(stream.begin(), stream.begin() + 283), chunk, out),
              CutError::none);
    EXPECT_TRUE(out.empty());
    ASSERT_EQ(feed(cutter, std::vector<std::uint8_t>(stream.begin() + 283, stream.end()), chunk, out), CutError::none);
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(out[0], reply);
  }
}

TEST(ReceiveCutter, A5000ByteMessageGrowsTheBufferTwice) {
  ReceiveCutter cutter(41088);
  EXPECT_EQ(cutter.bufferLength(), 2048u);
  std::vector<std::vector<std::uint8_t>> out;
  const auto big = message(5000, 0x5A);
  ASSERT_EQ(feed(cutter, big, 65536, out), CutError::none);
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0], big);
  EXPECT_EQ(cutter.bufferLength(), 6144u);
}

TEST(ReceiveCutter, ManyMessagesAcrossTheBufferEndKeepTheirBytes) {
  ReceiveCutter cutter(41088);
  std::vector<std::uint8_t> stream;
  std::vector<std::vector<std::uint8_t>> expected;
  for (std::uint32_t i = 0; i < 300; ++i) {
    expected.push_back(message(12 + (i * 37) % 500, static_cast<std::uint8_t>(i)));
    stream.insert(stream.end(), expected.back().begin(), expected.back().end());
  }
  std::vector<std::vector<std::uint8_t>> out;
  ASSERT_EQ(feed(cutter, stream, 1000, out), CutError::none);
  EXPECT_EQ(out, expected);
  EXPECT_EQ(cutter.bufferLength(), 2048u);
}

TEST(ReceiveCutter, ZeroWordsAreSkippedWholeSoSizesWithAZeroLowByteSurvive) {
  ReceiveCutter cutter(41088);
  std::vector<std::vector<std::uint8_t>> out;
  const auto m256 = message(256, 0x77);
  const auto m512 = message(512, 0x66);
  const std::vector<std::uint8_t> zeroWords(8, 0);
  ASSERT_EQ(feed(cutter, joined({zeroWords, m256, zeroWords, m512}), 5, out), CutError::none);
  EXPECT_EQ(out, (std::vector<std::vector<std::uint8_t>>{m256, m512}));
}

TEST(ReceiveCutter, BadSizesAreFramingErrorsAndStopTheCutting) {
  struct Case {
    std::uint32_t size;
    CutError error;
  };
  for (const auto& c : {Case{1, CutError::badSize}, Case{2, CutError::badSize}, Case{3, CutError::badSize},
                        Case{41089, CutError::tooLarge}, Case{0xFFFFFFFF, CutError::tooLarge}}) {
    SCOPED_TRACE(c.size);
    ReceiveCutter cutter(41088);
    std::vector<std::vector<std::uint8_t>> out;
    std::vector<std::uint8_t> bytes = message(12, 1);
    std::vector<std::uint8_t> bad(16, 0);
    gf_putU32(bad.data(), c.size);
    bytes.insert(bytes.end(), bad.begin(), bad.end());
    EXPECT_EQ(feed(cutter, bytes, 4096, out), c.error);
    EXPECT_EQ(out.size(), 1u); // the message before the bad one still counts
    EXPECT_TRUE(cutter.freeSpace().empty());
    EXPECT_EQ(cutter.received(0, out), c.error);
  }
}

TEST(ReceiveCutter, AMessageShorterThanAHeadIsStillCutOut) {
  ReceiveCutter cutter(41088);
  std::vector<std::vector<std::uint8_t>> out;
  ASSERT_EQ(feed(cutter, joined({message(8, 4), message(4, 4), message(12, 5)}), 64, out), CutError::none);
  ASSERT_EQ(out.size(), 3u);
  EXPECT_EQ(out[0].size(), 8u);
  EXPECT_EQ(out[1].size(), 4u);
}

TEST(ReceiveCutter, TheBufferStopsGrowingPastItsLimit) {
  ReceiveCutter cutter(0x400000);
  std::vector<std::vector<std::uint8_t>> out;
  // Allowed by the receive limit, but longer than the buffer may grow.
  EXPECT_EQ(feed(cutter, message(0x180000, 1), 0x10000, out), CutError::tooLarge);
  EXPECT_TRUE(out.empty());
  EXPECT_LE(cutter.bufferLength(), ReceiveCutter::longestGrowable + ReceiveCutter::growStep);
}

} // namespace
