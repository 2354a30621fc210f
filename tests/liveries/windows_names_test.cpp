#include "liveries/windows_names.h"

#include <gtest/gtest.h>

#include <string>

// The simulator's records are Windows texts on every platform the program is built for.
TEST(WindowsNames, PathsJoinAsWindowsJoinsThem) {
  const struct {
    const char* folder;
    const char* value;
    const char* joined;
  } cases[] = {
      {"C:\\P3D", "SimObjects\\MyAI", "C:\\P3D\\SimObjects\\MyAI"},
      {"C:\\P3D\\", "SimObjects\\MyAI", "C:\\P3D\\SimObjects\\MyAI"},
      {"C:\\P3D", "D:\\AI\\SimObjects\\Airplanes", "D:\\AI\\SimObjects\\Airplanes"},
      {"C:\\P3D", "d:/AI", "d:/AI"},
      {"C:\\P3D", "\\AI\\Aircraft", "C:\\AI\\Aircraft"},
      {"\\\\server\\share\\P3D", "\\AI", "\\\\server\\share\\AI"},
      {"C:\\P3D", "\\\\server\\share\\AI", "\\\\server\\share\\AI"},
      {"C:\\P3D", "c:AI", "C:\\P3D\\AI"},
      {"C:\\P3D", "D:AI", "D:AI"},
      {"D:\\P3D", "D:", "D:\\P3D"},
      {"C:\\P3D", "", "C:\\P3D"},
      {"", "SimObjects\\MyAI", "SimObjects\\MyAI"},
      {"/opt/p3d", "SimObjects\\MyAI", "/opt/p3d\\SimObjects\\MyAI"},
      {"/opt/p3d", "\\AI", "\\AI"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(gf_joinWindowsPath(c.folder, c.value), c.joined) << c.folder << " + " << c.value;
}

TEST(WindowsNames, AbsoluteTextsAndNameKeys) {
  for (const char* text : {"D:\\AI", "d:", "\\AI", "/AI", "\\\\server\\share"})
    EXPECT_TRUE(gf_isAbsoluteConfigPath(text)) << text;
  for (const char* text : {"", "AI\\D:", "SimObjects\\MyAI"}) EXPECT_FALSE(gf_isAbsoluteConfigPath(text)) << text;
  EXPECT_TRUE(gf_sameWindowsName("Texture.Demo. .", "TEXTURE.demo"));
  EXPECT_FALSE(gf_sameWindowsName("texture.demo", "texture.dem"));
  EXPECT_EQ(gf_windowsNameKey(". ."), "");
}
