#include "core/text.h"

#include <gsl/narrow>
#include <gtest/gtest.h>

using Pieces = std::vector<std::string>;

TEST(Text, TrimRemovesOnlyTheFourWhiteSpaceCharacters) {
  EXPECT_EQ(gf_trim(" \t a b \r\n"), "a b");
  EXPECT_EQ(gf_trim(""), "");
  EXPECT_EQ(gf_trim(" \t\r\n"), "");
  EXPECT_EQ(gf_trim("\va\f"), "\va\f");
  EXPECT_EQ(gf_trim("\xC3\xA9 "), "\xC3\xA9");
}

TEST(Text, SplittingKeepsEmptyPiecesAndTrims) {
  struct Case {
    const char* text;
    Pieces pieces;
  };
  const Case cases[] = {
      {"a,b", {"a", "b"}},
      {"a,,b", {"a", "", "b"}},
      {"a,", {"a", ""}},
      {",", {"", ""}},
      {"", {}},
      {" a , ,b,", {"a", "", "b", ""}},
      {" KLM , TRA", {"KLM", "TRA"}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(gf_splitTrim(c.text, ','), c.pieces) << c.text;
    EXPECT_EQ(gf_splitTrimComma(c.text), c.pieces) << c.text;
    EXPECT_EQ(gf_splitComma(c.text), c.pieces) << c.text;
  }
}

TEST(Text, SplitToListSortsAndDropsRepeatsWithoutTrimming) {
  EXPECT_EQ(gf_splitToList("b,a,b, a"), (std::list<std::string>{" a", "a", "b"}));
  EXPECT_TRUE(gf_splitToList("").empty());
}

TEST(Text, NormalizeCommaList) {
  struct Case {
    const char* in;
    const char* out;
  };
  for (const auto& c : {Case{"KLM, TRA ,DLH", "KLM,TRA,DLH"}, Case{"KLM,TRA", "KLM,TRA"}, Case{"   ", ""}, Case{"", ""},
                        Case{"A\tB", "A\tB"}}) {
    std::string text = c.in;
    gf_normalizeCommaList(text);
    // A tab inside one piece is not a separator: only the ends of pieces are trimmed.
    EXPECT_EQ(text, c.out) << c.in;
  }
}

TEST(Text, CaseInsensitiveTestsAreSafeForNonAsciiBytes) {
  EXPECT_TRUE(gf_containsNoCase("EDDF,EHAM", "eham"));
  EXPECT_TRUE(gf_containsNoCase("", ""));
  EXPECT_TRUE(gf_containsNoCase("abc", ""));
  EXPECT_FALSE(gf_containsNoCase("ab", "abc"));
  EXPECT_TRUE(gf_containsNoCase("J\xC3\xB6rg", "J\xC3\xB6RG"));
  EXPECT_FALSE(gf_containsNoCase("\xC3\xB6", "\xC3\x96")); // only ASCII letters change case

  EXPECT_TRUE(gf_equalsUpperCase(".XML", ".xml"));
  EXPECT_FALSE(gf_equalsUpperCase(".xml", ".XML"));
  EXPECT_EQ(gf_toUpper("a\xE9z"), "A\xE9Z");

  EXPECT_TRUE(gf_equalsWithStar("N123", "N123*"));
  EXPECT_FALSE(gf_equalsWithStar("N123", "N123"));
  EXPECT_FALSE(gf_equalsWithStar("N123", "N1234"));
}

TEST(Text, PercentageRoundsHalvesAwayFromZero) {
  EXPECT_EQ(gf_percentage(1, 3), 33);
  EXPECT_EQ(gf_percentage(2, 3), 67);
  EXPECT_EQ(gf_percentage(1, 8), 13);
  EXPECT_EQ(gf_percentage(-1, 8), -13);
  EXPECT_EQ(gf_percentage(5, 0), 0);
  EXPECT_EQ(gf_percentage(5, -2), 0);
  EXPECT_THROW(gf_percentage(INT64_C(1) << 40, 1), gsl::narrowing_error);
}

TEST(Text, Banner) {
  EXPECT_EQ(gf_makeBanner(70, 0, true, false, "parameters"),
            "\n" + std::string(34, '*') + " parameters " + std::string(34, '*'));
  EXPECT_EQ(gf_makeBanner(70, 10, false, true, ""), std::string(80, '*') + "\n");
  const std::string title = "live traffic livery matching summary";
  const auto width = 100 - static_cast<std::int64_t>(title.size());
  const auto heading = gf_makeBanner(width, 0, false, false, title);
  EXPECT_EQ(heading, std::string(31, '*') + " " + title + " " + std::string(31, '*'));
  EXPECT_EQ(heading.size(), 100u);
  EXPECT_EQ(gf_makeBanner(width, static_cast<std::int64_t>(title.size()), false, false, ""), std::string(100, '*'));
  EXPECT_EQ(gf_makeBanner(7, 0, true, true, "toolong"), "toolong\n"); // odd width made even: 8
}

TEST(Text, NumberTextAndPlural) {
  EXPECT_EQ(gf_numberText(24.0f), "24");
  EXPECT_EQ(gf_numberText(0.5f), "0.5");
  EXPECT_EQ(gf_numberText(-3.25f), "-3.2");
  EXPECT_EQ(gf_plural(std::int64_t{1}), "");
  EXPECT_EQ(gf_plural(std::int64_t{0}), "s");
  EXPECT_EQ(gf_plural(std::int32_t{-1}), "");
  EXPECT_EQ(gf_plural(std::int64_t{-1}), "");
  EXPECT_EQ(gf_plural(std::size_t{1}), "");
  EXPECT_EQ(gf_plural(std::size_t{2}), "s");
}
