#include "settings_fixture.h"

#include "core/settings/meta_block.h"
#include "core/settings/parameters.h"

#include <chrono>
#include <gtest/gtest.h>
#include <iterator>
#include <sstream>

using testing_support::LogCapture;

namespace {

struct Info {
  std::string name;
  std::string value;
  bool operator==(const Info&) const = default;
};

std::vector<Info> infos(pugi::xml_node meta) {
  std::vector<Info> result;
  for (const auto& info : meta.children()) {
    EXPECT_STREQ(info.name(), "info");
    EXPECT_EQ(std::distance(info.attributes_begin(), info.attributes_end()), 2);
    EXPECT_STREQ(info.first_attribute().name(), "name");
    EXPECT_STREQ(info.last_attribute().name(), "value");
    result.push_back({info.attribute("name").value(), info.attribute("value").value()});
  }
  return result;
}

// Today's UTC date as the block writes it, e.g. "Okt 05, 2026", worked out here on its own.
std::string todayText() {
  using namespace std::chrono;
  static const char* const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                       "Jul", "Aug", "Sep", "Okt", "Nov", "Dec"};
  const year_month_day today{floor<days>(system_clock::now())};
  return fmt::format("{} {:02}, {}", months[static_cast<unsigned>(today.month()) - 1],
                     static_cast<unsigned>(today.day()), static_cast<int>(today.year()));
}

} // namespace

TEST(SettingsMetaBlock, WrittenForEachSimulatorName) {
  const std::pair<const char*, Info> cases[] = {
      {"P3D", {"P3D", "v5/v6"}}, {"MSFS", {"MSFS", "2020"}}, {"", {"MSFS", "2024"}}, {"p3d", {"MSFS", "2024"}}};
  for (const auto& [simulator, last] : cases) {
    simulatorName.set(simulator);
    pugi::xml_document document;
    document.append_child("first");
    const auto before = todayText();
    ASSERT_TRUE(gf_writeMetaBlock(document));
    const auto after = todayText();
    const auto meta = document.last_child();
    ASSERT_STREQ(meta.name(), "meta");
    auto entries = infos(meta);
    ASSERT_EQ(entries.size(), 5u);
    EXPECT_TRUE(entries[2].value == before || entries[2].value == after) << entries[2].value;
    entries[2].value = "DATE";
    EXPECT_EQ(
        entries,
        (std::vector<Info>{
            {"author", "Hivemoor"}, {"version", "11.0.3"}, {"date", "DATE"}, {"copyright", copyright.get()}, last}))
        << simulator;
  }
  simulatorName.set("MSFS");
  EXPECT_FALSE(copyright.get().empty());
}

TEST(SettingsMetaBlock, NodesThatTakeNoBlock) {
  pugi::xml_document document;
  auto element = document.append_child("airport");
  EXPECT_TRUE(gf_writeMetaBlock(element));
  EXPECT_STREQ(element.first_child().name(), "meta");
  EXPECT_FALSE(gf_writeMetaBlock(element.append_child(pugi::node_pcdata)));
  EXPECT_FALSE(gf_writeMetaBlock(pugi::xml_node()));
}

TEST(SettingsMetaBlock, ReadBack) {
  LogCapture log;
  pugi::xml_document written;
  ASSERT_TRUE(gf_writeMetaBlock(written));
  written.append_child("parameters");
  std::stringstream stream;
  written.save(stream);
  pugi::xml_document document;
  ASSERT_TRUE(document.load(stream));
  for (StringParameter* key : {&author, &version, &date}) key->set("stale");
  EXPECT_TRUE(gf_readMetaInfo(document, author));
  EXPECT_TRUE(gf_readMetaInfo(document, version));
  EXPECT_TRUE(gf_readMetaInfo(document, date));
  EXPECT_EQ(author.get(), "Hivemoor");
  EXPECT_EQ(version.get(), "11.0.3");
  EXPECT_FALSE(date.get().empty());

  struct Case {
    const char* xml;
    StringParameter& key;
    bool found;
    const char* value;
  };
  const Case cases[] = {
      {"<meta><info name='author' value='X'/></meta>", date, false, ""},
      {"<meta><info name='author'/></meta>", author, true, ""},
      {"<meta><info name='version' value='1'/></meta><meta><info name='version' value='2'/></meta>", version, true,
       "1"},
      {"<meta><info name='version' value='3'/><info name='version' value='4'/></meta>", version, true, "3"},
      {"<file><meta><info name='author' value='X'/></meta></file>", author, false, ""},
      {"", author, false, ""},
  };
  for (const auto& c : cases) {
    pugi::xml_document doc;
    doc.load_string(c.xml);
    c.key.set("stale");
    EXPECT_EQ(gf_readMetaInfo(doc, c.key), c.found) << c.xml;
    EXPECT_EQ(c.key.get(), c.value) << c.xml;
  }

  // A key the query cannot be built from: the query's error is logged.
  StringParameter quoted{"it's", "x"};
  EXPECT_FALSE(gf_readMetaInfo(document, quoted));
  EXPECT_EQ(quoted.get(), "");
  EXPECT_EQ(log.lines().size(), 1u);
}
