#include "feeds/winsock_errors.h"

#include <gtest/gtest.h>

TEST(WinsockErrorText, NumberAndText) {
  EXPECT_EQ(gf_winsockErrorText(10048), "10048 Address already in use");
  EXPECT_EQ(gf_winsockErrorText(10004), "10004 Interrupted system call");
  EXPECT_EQ(gf_winsockErrorText(10058), "10058 Can't send numLines socket shutdown");
  EXPECT_EQ(gf_winsockErrorText(11004), "11004 No host data of that type was found");
  EXPECT_EQ(gf_winsockErrorText(10072), "10072 Unknown errror code");
  EXPECT_EQ(gf_winsockErrorText(0), "0 Unknown errror code");
  EXPECT_EQ(gf_winsockErrorText(-1), "-1 Unknown errror code");
}
