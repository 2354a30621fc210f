#include "core/errors.h"

#include <gtest/gtest.h>

TEST(UserErrorException, TextIsCodeColonMessageExceptForCode99) {
  struct Case {
    std::int32_t code;
    const char* text;
  };
  for (const auto& c : {Case{99, "abc"}, Case{5, "5: abc"}, Case{-3, "-3: abc"}}) {
    const hvm::UserErrorException error(c.code, "abc");
    EXPECT_STREQ(error.what(), c.text);
    const std::runtime_error& asRuntime = error;
    const std::exception& asException = error;
    EXPECT_STREQ(asRuntime.what(), c.text);
    EXPECT_STREQ(asException.what(), c.text);
  }
}

TEST(UserErrorException, CaughtAsStandardError) {
  try {
    throw hvm::UserErrorException(53, "no liveries found");
  } catch (const std::exception& e) {
    EXPECT_STREQ(e.what(), "53: no liveries found");
  }
}

TEST(RegException, KeepsCodeAndMessage) {
  const winreg::RegException error(2, "RegOpenKeyExW failed.");
  EXPECT_EQ(error.code().value(), 2);
  EXPECT_EQ(std::string(error.what()).rfind("RegOpenKeyExW failed.", 0), 0u);
}
