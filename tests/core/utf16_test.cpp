#include "core/errors.h"
#include "core/utf16.h"

#include <gtest/gtest.h>

TEST(Utf16, RoundTrips) {
  const std::string texts[] = {"", "KLAX", "J\xC3\xB6rg", "\xE2\x82\xAC 5", "\xF0\x9F\x9B\xA9 plane"};
  for (const auto& text : texts) EXPECT_EQ(gf_utf16ToUtf8(gf_utf8ToUtf16(text)), text);
  EXPECT_EQ(gf_utf8ToUtf16("\xF0\x9F\x9B\xA9"), (std::u16string{char16_t(0xD83D), char16_t(0xDEE9)}));
  EXPECT_EQ(gf_utf8ToUtf16("J\xC3\xB6rg"), u"J\u00F6rg");
}

TEST(Utf16, InvalidInputThrowsWithDirection) {
  for (const std::string& bad : {std::string("\xC3 "), std::string("\xC3"), std::string("\xFF"), std::string("a\x80"),
                                 std::string("\xED\xA0\x80")}) {
    try {
      gf_utf8ToUtf16(bad);
      ADD_FAILURE() << "no exception";
    } catch (const win32::Utf8ConversionException& e) {
      EXPECT_STREQ(e.what(), "Invalid UTF-8 sequence found in input string.");
      EXPECT_EQ(e.direction(), 0);
      EXPECT_EQ(e.errorCode(), 1113);
    }
  }
  for (const std::u16string& bad : {std::u16string{char16_t(0xD800)}, std::u16string{u'a', char16_t(0xDC00)},
                                    std::u16string{char16_t(0xD800), u'b'}}) {
    try {
      gf_utf16ToUtf8(bad);
      ADD_FAILURE() << "no exception";
    } catch (const win32::Utf8ConversionException& e) {
      EXPECT_STREQ(e.what(), "Invalid UTF-16 sequence found in input string.");
      EXPECT_EQ(e.direction(), 1);
    }
  }
}
