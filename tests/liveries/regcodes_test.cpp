#include "liveries/regcodes.h"

#include "core/refdata/stream_cipher.h"
#include "liveries_fixture.h"

using namespace liveries_testing;
namespace fs = std::filesystem;

class Regcodes : public LiveriesTest {
protected:
  // The tables of these liveries, the registration steps included.
  void build(std::list<LiveryData> liveries) {
    liveries.sort(gf_liveryLess);
    ScannedLiveryList = std::move(liveries);
    gf_buildLiveryTables();
  }
  void aigFile(const std::string& liveries) {
    writeText(work("plain.xml"), "<?xml version=\"1.0\"?>\n<AIG-regcodes>\n" + liveries + "</AIG-regcodes>\n");
    gf_streamEncrypt(work("plain.xml"), aigRegcodesEncFile);
  }
  static std::string title(std::string_view registration) {
    const auto found = RegcodeMap.find(registration);
    return found == RegcodeMap.end() ? std::string("(none)") : std::string(found->second);
  }
};

TEST_F(Regcodes, UserFileLines) {
  writeText(myRegcodesFolder / "b.TXT", "One reg;N101HV\n"
                                        "Two regs;N102HV,N103HV\n"
                                        "Two regs special;N104HV,N105HV;#\n"
                                        "Short;AB\n"
                                        "Mixed;AB,N106HV,ABCDEFGHIJKLM\n"
                                        "All short;AB,CD\n"
                                        "Forbidden\n"
                                        "\n"
                                        "Four;N107HV;#;x\n"
                                        "Nothing;\n");
  std::list<RegcodeData> entries;
  EXPECT_FALSE(gf_readMyRegcodeFiles(myRegcodesFolder, entries));
  const auto path = gf_pathText(myRegcodesFolder / "b.TXT");
  EXPECT_TRUE(logged(fmt::format("Processing regcodes file '{}'", path)));
  EXPECT_TRUE(logged(fmt::format("===> wrong regcode length 'AB' in {}", path)));
  EXPECT_TRUE(logged(fmt::format("===> wrong regcode length 'ABCDEFGHIJKLM' in {}", path)));
  EXPECT_TRUE(logged(fmt::format("===> {} ; regs empty?", path)));
  EXPECT_TRUE(logged(fmt::format("===> {}: wrong format 'Four;N107HV;#;x'", path)));
  EXPECT_TRUE(logged("5 liveries"));
  struct Entry {
    std::string title;
    std::list<std::string> regs;
    bool special;
  };
  const std::vector<Entry> expected{{"One reg", {"N101HV"}, true},
                                    {"Two regs", {"N102HV", "N103HV"}, false},
                                    {"Two regs special", {"N104HV", "N105HV"}, true},
                                    {"Mixed", {"N106HV"}, false},
                                    {"Forbidden", {}, false}};
  ASSERT_EQ(entries.size(), expected.size());
  auto it = entries.begin();
  for (const auto& e : expected) {
    EXPECT_EQ(it->title, e.title);
    EXPECT_EQ(it->regs, e.regs) << e.title;
    EXPECT_EQ(it->special, e.special) << e.title;
    ++it;
  }
}

TEST_F(Regcodes, UserFilesAreReadInTheOrderOfTheirNames) {
  writeText(myRegcodesFolder / "b.txt", "Title B;N1HVX\n");
  writeText(myRegcodesFolder / "a.TXT", "Title A;N1HVX\n");
  writeText(myRegcodesFolder / "c.cfg", "Title C;N1HVX\n");
  build({livery("AAL", "A321", "Title A"), livery("AAL", "A321", "Title B"), livery("AAL", "A321", "Title C")});
  // a.TXT first, so b.txt's title wins whatever order the folder lists them in.
  EXPECT_EQ(title("N1HVX"), "Title B");
  EXPECT_EQ(fileLines(offlineRegcodesReportFile),
            (std::vector<std::string>{fmt::format("Processing files in {}", gf_pathText(myRegcodesFolder)),
                                      "   regcode N1HVX for 'Title B', instead of the same for 'Title A'",
                                      "1 new regcode added, 1 regcode replaced, 2 regcodes defined as special"}));
}

TEST_F(Regcodes, InlineThenProgramFileThenUserFiles) {
  aigFile("<livery title=\"AAL One\" reg=\"N1HV,N2HV\"/>\n"
          "<livery title=\"AAL One\" reg=\"N9HV\"/>\n" // the same title again: skipped
          "<livery title=\"AAL Two\" reg=\"N3HV\" special=\"yes\"/>\n"
          "<livery title=\"Not installed\" reg=\"N4HV\"/>\n"
          "<livery title=\"\" reg=\"N5HV\"/>\n"
          "<livery title=\"AAL Forbidden\"/>\n");
  writeText(myRegcodesFolder / "mine.TXT", "AAL Three;N3HV\n");
  build({livery("AAL", "A321", "AAL One", "N1HV"), livery("AAL", "A321", "AAL Two", "N1HV"),
         livery("AAL", "A321", "AAL Three"), livery("DAL", "A321", "DAL One", "N7HV")});
  EXPECT_EQ(title("N1HV"), "AAL One");
  EXPECT_EQ(title("N2HV"), "AAL One");
  EXPECT_EQ(title("N3HV"), "AAL Three");
  EXPECT_EQ(title("N4HV"), "(none)");
  EXPECT_EQ(title("N7HV"), "DAL One");
  EXPECT_EQ(title("N9HV"), "(none)");
  EXPECT_EQ(SpecialTitles, (std::vector<std::string_view>{"AAL Two", "AAL Three"}));
  EXPECT_TRUE(gf_isSpecialTitle("AAL Two"));
  EXPECT_FALSE(gf_isSpecialTitle("AAL One"));
  EXPECT_FALSE(fs::exists(aigRegcodesXmlFile));
  EXPECT_TRUE(logged("===> SAME AS PREVIOUS title 'AAL One'"));
  EXPECT_TRUE(logged("4 registration codes"));
  EXPECT_TRUE(logged("2 special liveries"));

  EXPECT_EQ(fileLines(inlineRegcodesReportFile),
            std::vector<std::string>{"N1HV 'AAL Two' => already in use by 'AAL One'"});
  EXPECT_EQ(fileLines(offlineRegcodesReportFile),
            (std::vector<std::string>{fmt::format("Processing file {}", gf_pathText(aigRegcodesXmlFile)),
                                      fmt::format("There were errors processing the AIG-regcode file '{}', see Log.txt",
                                                  gf_pathText(aigRegcodesXmlFile)),
                                      "2 new regcodes added, 1 regcode defined as special",
                                      fmt::format("Processing files in {}", gf_pathText(myRegcodesFolder)),
                                      "   regcode N3HV for 'AAL Three', instead of the same for 'AAL Two'",
                                      "0 new regcodes added, 1 regcode replaced, 1 regcode defined as special"}));
}

TEST_F(Regcodes, UserFilesCountWithoutTheProgramFileAndALockedReportIsNoError) {
  writeText(myRegcodesFolder / "mine.TXT", "AAL One;N1HV\n");
  // A folder in the report's place: it cannot be replaced, as a file held open by an editor.
  fs::create_directories(offlineRegcodesReportFile / "held");
  build({livery("AAL", "A321", "AAL One")});
  EXPECT_EQ(title("N1HV"), "AAL One");
  EXPECT_TRUE(logged(fmt::format("===> could not write {}", gf_pathText(offlineRegcodesReportFile))));
  EXPECT_TRUE(liveriesProcessed);
}

TEST_F(Regcodes, ADamagedProgramFileIsReported) {
  writeText(work("plain.xml"), "<AIG-regcodes><livery title=");
  gf_streamEncrypt(work("plain.xml"), aigRegcodesEncFile);
  build({livery("AAL", "A321", "AAL One", "N1HV")});
  EXPECT_TRUE(logged(fmt::format("===> Failed to load {}", gf_pathText(aigRegcodesXmlFile))));
  EXPECT_EQ(title("N1HV"), "AAL One");
  EXPECT_EQ(fileLines(offlineRegcodesReportFile).size(), 3u);
}
