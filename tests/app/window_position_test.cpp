#include "app/window_position.h"
#include "window_fixture.h"

using window_testing::WindowTest;

TEST_F(WindowTest, StoredPositionAtALimitGoesBackToTheDefault) {
  struct Case {
    std::int32_t storedX, storedY;
    std::int32_t x, y;
    bool saved;
  };
  const Case cases[] = {
      {-30000, 30000, 400, 20, true}, {-29999, 29999, -29999, 29999, false}, {30000, 5, 400, 5, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.storedX);
    settings_testing::writeSettings(
        settings.file(), {{"MAIN_WINDOW_X", std::to_string(c.storedX)}, {"MAIN_WINDOW_Y", std::to_string(c.storedY)}});
    gf_readWindowPosition();
    EXPECT_EQ(MAIN_WINDOW_X.get(), c.x);
    EXPECT_EQ(MAIN_WINDOW_Y.get(), c.y);
    EXPECT_EQ(stored("MAIN_WINDOW_X"), std::to_string(c.saved ? c.x : c.storedX));
    EXPECT_EQ(stored("MAIN_WINDOW_Y"), std::to_string(c.saved ? c.y : c.storedY));
  }
}

TEST_F(WindowTest, PositionOfAFileThatDoesNotLoad) {
  testing_support::writeFile(settings.file(), "<parameters><para");
  MAIN_WINDOW_X.set(123);
  gf_readWindowPosition();
  EXPECT_EQ(MAIN_WINDOW_X.get(), 123); // left as it was: the defaults at start
}

TEST_F(WindowTest, QuittingAtMinus32000KeepsThePlaceFromBefore) {
  MAIN_WINDOW_X.set(250);
  MAIN_WINDOW_Y.set(60);
  gf_saveWindowPosition(-32000, -32000);
  EXPECT_EQ(MAIN_WINDOW_X.get(), 250);
  EXPECT_EQ(MAIN_WINDOW_Y.get(), 60);
  EXPECT_EQ(stored("MAIN_WINDOW_X"), "250");
  EXPECT_EQ(stored("MAIN_WINDOW_Y"), "60");

  gf_saveWindowPosition(-1500, 700);
  EXPECT_EQ(stored("MAIN_WINDOW_X"), "-1500");
  EXPECT_EQ(stored("MAIN_WINDOW_Y"), "700");
}

TEST(WindowPosition, OpensOnScreen) {
  const std::vector<ScreenBox> one{{0, 0, 1920, 1040}};
  const std::vector<ScreenBox> two{{0, 0, 1920, 1040}, {-1280, 0, 0, 1024}};
  struct Case {
    const char* name;
    ScreenPoint stored;
    std::vector<ScreenBox> monitors;
    ScreenPoint expected;
  };
  const Case cases[] = {
      {"on the primary monitor", {400, 20}, one, {400, 20}},
      {"on the left monitor", {-1000, 100}, two, {-1000, 100}},
      {"left monitor unplugged", {-1000, 100}, one, {400, 20}},
      {"caption above the screen", {400, -40}, one, {400, 20}},
      {"only the caption's left end visible", {1850, 300}, one, {400, 20}},
      {"caption partly visible", {1700, 1020}, one, {1700, 1020}},
      {"no monitor known", {-5000, -5000}, {}, {-5000, -5000}},
      {"default place a little too far right", {5000, 5000}, {{0, 0, 1280, 1024}}, {394, 20}},
      {"small primary monitor", {5000, 5000}, {{0, 0, 800, 600}}, {0, 20}},
      {"primary monitor not at the origin", {-9000, 0}, {{100, 50, 2100, 1250}}, {500, 70}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(gf_onScreenPosition(c.stored, 886, 505, c.monitors), c.expected);
  }
}
