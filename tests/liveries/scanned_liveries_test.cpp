#include "liveries/scanned_liveries.h"

#include "core/errors.h"
#include "liveries_fixture.h"

using namespace liveries_testing;

class ScannedLiveries : public LiveriesTest {
protected:
  void writeFile(const std::string& liveries, bool meta = true) {
    writeText(liveriesScannedFile, std::string("<?xml version=\"1.0\"?>\n") +
                                       (meta ? "<meta><info name=\"author\" value=\"Hivemoor\"/><info name=\"date\" "
                                               "value=\"today\"/><info name=\"version\" value=\"1.2.3\"/></meta>\n"
                                             : "") +
                                       liveries + "\n");
  }
  // The text of the error gf_readScannedLiveries throws, empty when it throws none.
  std::string readError() {
    try {
      gf_readScannedLiveries();
    } catch (const hvm::UserErrorException& e) {
      return e.what();
    }
    return {};
  }
};

TEST_F(ScannedLiveries, RoundTripKeepsEveryByteOfTheTexts) {
  ScannedLiveryList = {
      livery("ZZZ", "B738", "Default 737"), livery("AAL", "A321", "American & <Friends> \"quoted\" 'single'", "N124AA"),
      livery("FDX", "B763", "FedEx cargo", "", true), livery("VIV", "A20N", "Viva Aerob\xFAs ANSI", "", false, 7),
      livery("VIV", "A20N", "Viva Aerob\xC3\xBAs UTF-8 \x01 control")};
  ASSERT_TRUE(gf_writeScannedLiveries());
  EXPECT_TRUE(logged(fmt::format("5 liveries in {}", gf_pathText(liveriesScannedFile))));

  const auto text = fileText(liveriesScannedFile);
  // Attributes in their order; cargo only for cargo liveries, atcid only when there is one.
  EXPECT_NE(text.find("<liv airl=\"FDX\" type=\"B763\" cargo=\"true\" title=\"FedEx cargo\" />"), std::string::npos);
  EXPECT_NE(text.find("<liv airl=\"ZZZ\" type=\"B738\" title=\"Default 737\" />"), std::string::npos);
  EXPECT_NE(text.find("title=\"American &amp; &lt;Friends> &quot;quoted&quot; 'single'\" atcid=\"N124AA\""),
            std::string::npos);
  EXPECT_LT(text.find("<meta>"), text.find("<liveries>")) << "the meta block first";

  auto written = ScannedLiveryList;
  gf_readScannedLiveries();
  written.sort(gf_liveryLess);
  EXPECT_EQ(ScannedLiveryList, written); // folder is not compared
  for (const auto& l : ScannedLiveryList) EXPECT_EQ(l.folder, 0);
  EXPECT_EQ(author.get(), "Hivemoor");
}

TEST_F(ScannedLiveries, EmptyListWritesNothing) {
  EXPECT_FALSE(gf_writeScannedLiveries());
  EXPECT_FALSE(std::filesystem::exists(liveriesScannedFile));
}

TEST_F(ScannedLiveries, ReadingSortsAndTakesCargoFlags) {
  writeFile("<liveries>"
            "<liv airl=\"B\" type=\"A\" title=\"t1\" cargo=\"yes\"/>"
            "<liv airl=\"A\" type=\"B\" title=\"t2\" cargo=\"1\"/>"
            "<liv airl=\"A\" type=\"A\" title=\"t4\" cargo=\"false\"/>"
            "<liv airl=\"A\" type=\"A\" title=\"t3\" cargo=\"Y\" atcid=\"N1\"/>"
            "<liv airl=\"\" type=\"A\" title=\"t5\" cargo=\"no\"/>"
            "<other airl=\"x\"/>"
            "</liveries>",
            false);
  gf_readScannedLiveries();
  const std::list<LiveryData> expected{livery("", "A", "t5", "", false), livery("A", "A", "t3", "N1", true),
                                       livery("A", "A", "t4", "", false), livery("A", "B", "t2", "", true),
                                       livery("B", "A", "t1", "", true)};
  EXPECT_EQ(ScannedLiveryList, expected);
  // Without meta: author is cleared, the reading stops there.
  EXPECT_EQ(author.get(), "");
  EXPECT_TRUE(logged(fmt::format("5 liveries read from {}", gf_pathText(liveriesScannedFile))));
}

TEST_F(ScannedLiveries, EachFaultOfTheFileHasItsError) {
  const auto path = gf_pathText(liveriesScannedFile);
  EXPECT_EQ(readError(), fmt::format("51: File {} not found", path));
  writeText(liveriesScannedFile, "<liveries><liv airl=\"A\" type=\"B\" title=\"cut short");
  EXPECT_EQ(readError(), fmt::format("51: File {} not found", path));
  writeFile("<other/>");
  EXPECT_EQ(readError(), fmt::format("52: {} does not contain a <liveries> section", path));
  writeFile("<liveries><livery airl=\"A\" type=\"B\" title=\"x\"/></liveries>");
  EXPECT_EQ(readError(), fmt::format("533: {} does not contain liveries", path));
  writeFile("<liveries><liv airl=\"A\" title=\"x\"/></liveries>");
  EXPECT_EQ(readError(), "999: Missing required attribute 'type' in <liv>");
  writeFile("<liveries><liv airl=\"A\" type=\"B\" title=\"\"/></liveries>");
  EXPECT_EQ(readError(), "") << "an empty value is accepted";
}
